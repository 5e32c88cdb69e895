// "keyvalue": one "key=value" line per scalar, records apart by an empty
// line, for shell scripts.

#include "formatter.h"
#include "value_text.h"

#include <cstdio>

namespace Kelvo {
namespace Format {

namespace {

using MetaObj::MetaKind;
using MetaObj::MetaList;
using MetaObj::MetaStruct;
using MetaObj::MetaValue;

// Backslash escapes keep every entry on one line; in keys '=' is escaped
// too, so the first unescaped '=' ends the key.
std::string Escape(const std::string& text, bool isKey) {
  std::string escaped;
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (c == '\\' || (isKey && c == '=')) {
      escaped += '\\';
      escaped += c;
    } else if (c == '\n') {
      escaped += "\\n";
    } else if (c == '\r') {
      escaped += "\\r";
    } else if (c == '\t') {
      escaped += "\\t";
    } else if (byte < 0x20 || byte == 0x7F) {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\x%02x", byte);
      escaped += buffer;
    } else {
      escaped += c;
    }
  }
  return escaped;
}

class KeyValueWriter {
 public:
  explicit KeyValueWriter(std::ostream& out) : out_(out) {}

  void Entries(const std::string& key, const MetaValue& value) {
    if (value.GetKind() == MetaKind::Struct) {
      for (const auto& field : static_cast<const MetaStruct&>(value).GetFields()) {
        std::string name = Escape(field.first, true);
        Entries(key.empty() ? name : key + "." + name, *field.second);
      }
    } else if (value.GetKind() == MetaKind::List) {
      std::string base = key.empty() ? "Value" : key;
      std::size_t index = 0;
      for (const auto& item : static_cast<const MetaList&>(value).GetItems()) {
        Entries(base + "[" + std::to_string(index++) + "]", *item);
      }
    } else {
      out_ << (key.empty() ? "Value" : key) << '=' << Escape(ScalarText(value), false) << '\n';
    }
  }

 private:
  std::ostream& out_;
};

class KeyValueFormatter : public Formatter {
 public:
  std::string Name() const override { return "keyvalue"; }
  std::string Summary() const override {
    return "one key=value line per value, records apart by an empty line";
  }

  void Print(const MetaValue& value, const OutputParameters&, std::ostream& out) const override {
    KeyValueWriter writer(out);
    const auto* list = value.GetKind() == MetaKind::List ? static_cast<const MetaList*>(&value) : nullptr;
    if (!list || list->GetElementType() != MetaObj::META_STRUCT) {
      writer.Entries("", value);
      return;
    }
    bool first = true;
    for (const auto& item : list->GetItems()) {
      out << (first ? "" : "\n");
      first = false;
      writer.Entries("", *item);
    }
  }
};

}  // namespace

std::unique_ptr<Formatter> MakeKeyValueFormatter() {
  return std::make_unique<KeyValueFormatter>();
}

}  // namespace Format
}  // namespace Kelvo
