// "json": the value itself as JSON, indented, for scripts.

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

std::string Hex4(unsigned value) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "\\u%04x", value & 0xFFFFu);
  return buffer;
}

// A JSON string literal. Bytes that are not UTF-8 are kept as the code
// points of the same value, so nothing is lost and the output stays UTF-8.
std::string Quote(const std::string& text) {
  std::string quoted = "\"";
  DecodeUtf8(text, [&](char32_t codePoint, bool valid) {
    switch (codePoint) {
      case '"':
        quoted += "\\\"";
        return;
      case '\\':
        quoted += "\\\\";
        return;
      case '\n':
        quoted += "\\n";
        return;
      case '\r':
        quoted += "\\r";
        return;
      case '\t':
        quoted += "\\t";
        return;
      default:
        break;
    }
    if (codePoint < 0x20 || !valid) {
      quoted += Hex4(static_cast<unsigned>(codePoint));
    } else {
      AppendUtf8(quoted, codePoint);
    }
  });
  return quoted + "\"";
}

class JsonWriter {
 public:
  explicit JsonWriter(std::ostream& out) : out_(out) {}

  void Value(const MetaValue& value, std::size_t depth) {
    switch (value.GetKind()) {
      case MetaKind::Struct:
        Object(static_cast<const MetaStruct&>(value), depth);
        return;
      case MetaKind::List:
        Array(static_cast<const MetaList&>(value), depth);
        return;
      case MetaKind::String:
        out_ << Quote(ScalarText(value));
        return;
      default:
        out_ << (HasValue(value) ? ScalarText(value) : "null");
        return;
    }
  }

 private:
  void Indent(std::size_t depth) { out_ << std::string(2 * depth, ' '); }

  void Object(const MetaStruct& record, std::size_t depth) {
    if (record.GetFields().empty()) {
      out_ << "{}";
      return;
    }
    out_ << "{\n";
    bool first = true;
    for (const auto& field : record.GetFields()) {
      out_ << (first ? "" : ",\n");
      first = false;
      Indent(depth + 1);
      out_ << Quote(field.first) << ": ";
      Value(*field.second, depth + 1);
    }
    out_ << '\n';
    Indent(depth);
    out_ << '}';
  }

  void Array(const MetaList& list, std::size_t depth) {
    if (list.GetItems().empty()) {
      out_ << "[]";
      return;
    }
    out_ << "[\n";
    bool first = true;
    for (const auto& item : list.GetItems()) {
      out_ << (first ? "" : ",\n");
      first = false;
      Indent(depth + 1);
      Value(*item, depth + 1);
    }
    out_ << '\n';
    Indent(depth);
    out_ << ']';
  }

  std::ostream& out_;
};

class JsonFormatter : public Formatter {
 public:
  std::string Name() const override { return "json"; }
  std::string Summary() const override { return "the value as JSON, fields in order"; }

  void Print(const MetaValue& value, const OutputParameters&, std::ostream& out) const override {
    JsonWriter(out).Value(value, 0);
    out << '\n';
  }
};

}  // namespace

std::unique_ptr<Formatter> MakeJsonFormatter() {
  return std::make_unique<JsonFormatter>();
}

}  // namespace Format
}  // namespace Kelvo
