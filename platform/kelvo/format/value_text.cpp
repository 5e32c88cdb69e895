// Text of values, widths and field selection shared by the formatters.

#include "value_text.h"

#include <algorithm>

namespace Kelvo {
namespace Format {

using MetaObj::MetaBool;
using MetaObj::MetaInt;
using MetaObj::MetaKind;
using MetaObj::MetaList;
using MetaObj::MetaString;
using MetaObj::MetaStruct;
using MetaObj::MetaValue;

bool IsScalar(const MetaValue& value) {
  MetaKind kind = value.GetKind();
  return kind == MetaKind::Int || kind == MetaKind::Bool || kind == MetaKind::String;
}

bool HasValue(const MetaValue& value) {
  switch (value.GetKind()) {
    case MetaKind::Int:
      return static_cast<const MetaInt&>(value).HasValue();
    case MetaKind::Bool:
      return static_cast<const MetaBool&>(value).HasValue();
    default:
      return true;
  }
}

std::string ScalarText(const MetaValue& value) {
  switch (value.GetKind()) {
    case MetaKind::Int: {
      const auto& number = static_cast<const MetaInt&>(value);
      return number.HasValue() ? std::to_string(number.GetValue()) : std::string();
    }
    case MetaKind::Bool: {
      const auto& flag = static_cast<const MetaBool&>(value);
      if (!flag.HasValue()) {
        return std::string();
      }
      return flag.GetValue() ? "true" : "false";
    }
    case MetaKind::String:
      return static_cast<const MetaString&>(value).GetValue();
    default:
      return InlineText(value);
  }
}

std::string InlineText(const MetaValue& value) {
  if (IsScalar(value)) {
    return ScalarText(value);
  }
  std::string text;
  if (value.GetKind() == MetaKind::List) {
    for (const auto& item : static_cast<const MetaList&>(value).GetItems()) {
      if (!text.empty()) {
        text += ", ";
      }
      text += IsScalar(*item) ? ScalarText(*item) : "{" + InlineText(*item) + "}";
    }
    return text;
  }
  for (const auto& field : static_cast<const MetaStruct&>(value).GetFields()) {
    if (!text.empty()) {
      text += ", ";
    }
    text += field.first + "=" + InlineText(*field.second);
  }
  return text;
}

std::size_t DisplayWidth(const std::string& text) {
  // Count every byte that is not a UTF-8 continuation byte.
  return static_cast<std::size_t>(std::count_if(
      text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string PadRight(const std::string& text, std::size_t width) {
  std::size_t used = DisplayWidth(text);
  return used >= width ? text : text + std::string(width - used, ' ');
}

std::string OneLine(const std::string& text) {
  std::string line = text;
  for (char& c : line) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      c = ' ';
    }
  }
  return line;
}

namespace {

// The length of the well-formed UTF-8 sequence at text[at], or 0.
std::size_t SequenceLength(const std::string& text, std::size_t at, char32_t& codePoint) {
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char lead = byte(at);
  std::size_t length;
  char32_t minimum;
  if (lead < 0x80) {
    codePoint = lead;
    return 1;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2, minimum = 0x80, codePoint = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, minimum = 0x800, codePoint = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, minimum = 0x10000, codePoint = lead & 0x07;
  } else {
    return 0;
  }
  if (at + length > text.size()) {
    return 0;
  }
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) {
      return 0;
    }
    codePoint = (codePoint << 6) | (byte(at + i) & 0x3F);
  }
  bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
  return (codePoint < minimum || codePoint > 0x10FFFF || surrogate) ? 0 : length;
}

}  // namespace

void DecodeUtf8(const std::string& text, const std::function<void(char32_t, bool)>& visit) {
  std::size_t at = 0;
  while (at < text.size()) {
    char32_t codePoint = 0;
    std::size_t length = SequenceLength(text, at, codePoint);
    if (length == 0) {
      visit(static_cast<unsigned char>(text[at]), false);
      ++at;
    } else {
      visit(codePoint, true);
      at += length;
    }
  }
}

void AppendUtf8(std::string& text, char32_t codePoint) {
  if (codePoint < 0x80) {
    text += static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    text += static_cast<char>(0xC0 | (codePoint >> 6));
    text += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    text += static_cast<char>(0xE0 | (codePoint >> 12));
    text += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else {
    text += static_cast<char>(0xF0 | (codePoint >> 18));
    text += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
    text += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (codePoint & 0x3F));
  }
}

std::vector<const MetaStruct::Field*> SelectFields(const MetaStruct& record,
                                                   const OutputParameters& parameters) {
  std::vector<const MetaStruct::Field*> selected;
  auto names = parameters.FieldsFor(record.GetTypeName());
  if (!names) {
    for (const auto& field : record.GetFields()) {
      selected.push_back(&field);
    }
    return selected;
  }
  for (const auto& name : *names) {
    for (const auto& field : record.GetFields()) {
      if (field.first == name) {
        selected.push_back(&field);
        break;
      }
    }
  }
  return selected;
}

std::vector<std::string> SelectFieldNames(const MetaStruct& record, const OutputParameters& parameters) {
  std::vector<std::string> names;
  for (const auto* field : SelectFields(record, parameters)) {
    names.push_back(field->first);
  }
  return names;
}

std::string ExpandHeading(const std::string& pattern, const MetaStruct& record) {
  std::string heading;
  std::size_t at = 0;
  while (at < pattern.size()) {
    std::size_t open = pattern.find('%', at);
    std::size_t close = open == std::string::npos ? std::string::npos : pattern.find('%', open + 1);
    if (close == std::string::npos) {
      heading += pattern.substr(at);
      break;
    }
    heading += pattern.substr(at, open - at);
    std::string name = pattern.substr(open + 1, close - open - 1);
    if (name.empty()) {
      heading += '%';
    } else if (auto value = record.GetField(name)) {
      heading += InlineText(*value);
    } else {
      heading += "%" + name + "%";
    }
    at = close + 1;
  }
  return heading;
}

const MetaStruct* RepresentativeRecord(const MetaList& list) {
  if (list.GetElementType() != MetaObj::META_STRUCT) {
    return nullptr;
  }
  if (!list.GetItems().empty()) {
    return static_cast<const MetaStruct*>(list.GetItems().front().get());
  }
  const auto& prototype = list.GetPrototype();
  return prototype ? static_cast<const MetaStruct*>(prototype.get()) : nullptr;
}

bool IsStructOfScalarLists(const MetaStruct& record) {
  const auto& fields = record.GetFields();
  return !fields.empty() && std::all_of(fields.begin(), fields.end(), [](const MetaStruct::Field& field) {
    if (field.second->GetKind() != MetaKind::List) {
      return false;
    }
    return static_cast<const MetaList&>(*field.second).GetElementType() != MetaObj::META_STRUCT;
  });
}

namespace {

std::string CellOf(const MetaStruct& record, const std::string& name) {
  auto value = record.GetField(name);
  return value ? InlineText(*value) : std::string();
}

Grid GridOfRecords(const MetaList& list, const OutputParameters& parameters) {
  Grid grid;
  const MetaStruct* representative = RepresentativeRecord(list);
  if (!representative) {
    return grid;
  }
  grid.titles = SelectFieldNames(*representative, parameters);
  for (const auto& item : list.GetItems()) {
    const auto& record = static_cast<const MetaStruct&>(*item);
    std::vector<std::string> row;
    for (const auto& title : grid.titles) {
      row.push_back(CellOf(record, title));
    }
    grid.rows.push_back(std::move(row));
  }
  return grid;
}

Grid GridOfIndexedLists(const MetaStruct& record, const OutputParameters& parameters) {
  Grid grid;
  std::vector<const MetaList*> columns;
  std::size_t depth = 0;
  for (const auto* field : SelectFields(record, parameters)) {
    grid.titles.push_back(field->first);
    const auto* column = static_cast<const MetaList*>(field->second.get());
    columns.push_back(column);
    depth = std::max(depth, column->Size());
  }
  for (std::size_t index = 0; index < depth; ++index) {
    std::vector<std::string> row;
    for (const auto* column : columns) {
      row.push_back(index < column->Size() ? ScalarText(*column->GetItems()[index]) : std::string());
    }
    grid.rows.push_back(std::move(row));
  }
  return grid;
}

}  // namespace

Grid MakeGrid(const MetaValue& value, const OutputParameters& parameters) {
  Grid grid;
  if (value.GetKind() == MetaKind::List) {
    const auto& list = static_cast<const MetaList&>(value);
    if (list.GetElementType() == MetaObj::META_STRUCT) {
      return GridOfRecords(list, parameters);
    }
    grid.titles = {"Value"};
    for (const auto& item : list.GetItems()) {
      grid.rows.push_back({ScalarText(*item)});
    }
    return grid;
  }
  if (value.GetKind() == MetaKind::Struct) {
    const auto& record = static_cast<const MetaStruct&>(value);
    if (IsStructOfScalarLists(record)) {
      return GridOfIndexedLists(record, parameters);
    }
    grid.titles = SelectFieldNames(record, parameters);
    std::vector<std::string> row;
    for (const auto& title : grid.titles) {
      row.push_back(CellOf(record, title));
    }
    grid.rows.push_back(std::move(row));
    return grid;
  }
  grid.titles = {"Value"};
  grid.rows.push_back({ScalarText(value)});
  return grid;
}

}  // namespace Format
}  // namespace Kelvo
