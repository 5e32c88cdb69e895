// "simple": records as aligned "Name: value" lines, for reading on a
// terminal.

#include "formatter.h"
#include "value_text.h"

#include <algorithm>
#include <sstream>

namespace Kelvo {
namespace Format {

namespace {

using MetaObj::MetaKind;
using MetaObj::MetaList;
using MetaObj::MetaStruct;
using MetaObj::MetaValue;

constexpr std::size_t kNestStep = 2;

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    lines.push_back(line);
  }
  return lines;
}

std::string TrimRight(std::string text) {
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

class SimpleFormatter : public Formatter {
 public:
  std::string Name() const override { return "simple"; }
  std::string Summary() const override { return "aligned \"Name: value\" lines, one block per record"; }

  void Print(const MetaValue& value, const OutputParameters& parameters, std::ostream& out) const override {
    Printer{parameters, out}.Top(value);
  }

 private:
  struct Printer {
    const OutputParameters& parameters;
    std::ostream& out;

    void Top(const MetaValue& value) {
      if (value.GetKind() == MetaKind::Struct) {
        Record(static_cast<const MetaStruct&>(value), 0);
      } else if (value.GetKind() == MetaKind::List) {
        List(static_cast<const MetaList&>(value), 0);
      } else {
        out << ScalarText(value) << '\n';
      }
    }

    void List(const MetaList& list, std::size_t indent) {
      bool first = true;
      for (const auto& item : list.GetItems()) {
        if (item->GetKind() == MetaKind::Struct) {
          if (!first) {
            out << '\n';
          }
          Record(static_cast<const MetaStruct&>(*item), indent);
        } else {
          out << std::string(indent, ' ') << ScalarText(*item) << '\n';
        }
        first = false;
      }
    }

    void Record(const MetaStruct& record, std::size_t indent) {
      auto pattern = parameters.HeaderFor(record.GetTypeName());
      if (parameters.ShowHeader().value_or(pattern.has_value())) {
        out << std::string(indent, ' ') << (pattern ? ExpandHeading(*pattern, record) : record.GetTypeName())
            << '\n';
        indent += kNestStep;
      }
      auto fields = SelectFields(record, parameters);
      std::size_t nameWidth = 0;
      for (const auto* field : fields) {
        nameWidth = std::max(nameWidth, DisplayWidth(field->first) + 1);
      }
      for (const auto* field : fields) {
        Field(field->first, *field->second, indent, nameWidth);
      }
    }

    void Field(const std::string& name, const MetaValue& value, std::size_t indent, std::size_t nameWidth) {
      std::string lead = std::string(indent, ' ') + PadRight(name + ":", nameWidth) + ' ';
      bool nested = value.GetKind() == MetaKind::Struct ||
                    (value.GetKind() == MetaKind::List &&
                     static_cast<const MetaList&>(value).GetElementType() == MetaObj::META_STRUCT);
      if (nested) {
        out << TrimRight(lead) << '\n';
        if (value.GetKind() == MetaKind::Struct) {
          Record(static_cast<const MetaStruct&>(value), indent + kNestStep);
        } else {
          List(static_cast<const MetaList&>(value), indent + kNestStep);
        }
        return;
      }
      auto lines = SplitLines(InlineText(value));
      if (lines.empty()) {
        out << TrimRight(lead) << '\n';
        return;
      }
      std::string continuation(DisplayWidth(lead), ' ');
      for (std::size_t i = 0; i < lines.size(); ++i) {
        out << TrimRight((i == 0 ? lead : continuation) + lines[i]) << '\n';
      }
    }
  };
};

}  // namespace

std::unique_ptr<Formatter> MakeSimpleFormatter() {
  return std::make_unique<SimpleFormatter>();
}

}  // namespace Format
}  // namespace Kelvo
