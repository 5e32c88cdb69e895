// "xml": the value as an XML document, for scripts.

#include "formatter.h"
#include "value_text.h"

namespace Kelvo {
namespace Format {

namespace {

using MetaObj::MetaKind;
using MetaObj::MetaList;
using MetaObj::MetaStruct;
using MetaObj::MetaValue;

constexpr char32_t kReplacement = 0xFFFD;

bool AllowedInXml(char32_t codePoint) {
  return codePoint == '\t' || codePoint == '\n' || codePoint == '\r' ||
         (codePoint >= 0x20 && codePoint <= 0xD7FF) || (codePoint >= 0xE000 && codePoint <= 0xFFFD) ||
         codePoint >= 0x10000;
}

// Escaped character data or attribute text. Characters XML cannot carry at
// all (most control characters, bytes that are not UTF-8) become U+FFFD.
std::string Escape(const std::string& text) {
  std::string escaped;
  DecodeUtf8(text, [&](char32_t codePoint, bool valid) {
    if (!valid || !AllowedInXml(codePoint)) {
      AppendUtf8(escaped, kReplacement);
      return;
    }
    switch (codePoint) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      case '\'':
        escaped += "&apos;";
        break;
      case '\r':
        escaped += "&#13;";
        break;
      default:
        AppendUtf8(escaped, codePoint);
    }
  });
  return escaped;
}

const char* ElementName(MetaKind kind) {
  switch (kind) {
    case MetaKind::Int:
      return "int";
    case MetaKind::Bool:
      return "bool";
    case MetaKind::String:
      return "string";
    case MetaKind::Struct:
      return "struct";
    case MetaKind::List:
      break;
  }
  return "list";
}

const char* ElementTypeName(MetaObj::MetaType type) {
  switch (type) {
    case MetaObj::META_INT:
      return "int";
    case MetaObj::META_BOOL:
      return "bool";
    case MetaObj::META_STRING:
      return "string";
    case MetaObj::META_STRUCT:
      break;
  }
  return "struct";
}

class XmlWriter {
 public:
  explicit XmlWriter(std::ostream& out) : out_(out) {}

  void Element(const MetaValue& value, std::size_t depth) {
    Indent(depth);
    if (value.GetKind() == MetaKind::Struct) {
      Struct(static_cast<const MetaStruct&>(value), depth);
    } else if (value.GetKind() == MetaKind::List) {
      List(static_cast<const MetaList&>(value), depth);
    } else if (value.GetKind() == MetaKind::String) {
      out_ << "<string>" << Escape(ScalarText(value)) << "</string>";
    } else if (!HasValue(value)) {
      out_ << '<' << ElementName(value.GetKind()) << "/>";
    } else {
      const char* name = ElementName(value.GetKind());
      out_ << '<' << name << '>' << ScalarText(value) << "</" << name << '>';
    }
    out_ << '\n';
  }

 private:
  void Indent(std::size_t depth) { out_ << std::string(2 * depth, ' '); }

  void Struct(const MetaStruct& record, std::size_t depth) {
    out_ << "<struct type=\"" << Escape(record.GetTypeName()) << '"';
    if (record.GetFields().empty()) {
      out_ << "/>";
      return;
    }
    out_ << ">\n";
    for (const auto& field : record.GetFields()) {
      Indent(depth + 1);
      out_ << "<field name=\"" << Escape(field.first) << "\">\n";
      Element(*field.second, depth + 2);
      Indent(depth + 1);
      out_ << "</field>\n";
    }
    Indent(depth);
    out_ << "</struct>";
  }

  void List(const MetaList& list, std::size_t depth) {
    out_ << "<list type=\"" << ElementTypeName(list.GetElementType()) << '"';
    if (list.GetItems().empty()) {
      out_ << "/>";
      return;
    }
    out_ << ">\n";
    for (const auto& item : list.GetItems()) {
      Element(*item, depth + 1);
    }
    Indent(depth);
    out_ << "</list>";
  }

  std::ostream& out_;
};

class XmlFormatter : public Formatter {
 public:
  std::string Name() const override { return "xml"; }
  std::string Summary() const override { return "the value as an XML document"; }

  void Print(const MetaValue& value, const OutputParameters&, std::ostream& out) const override {
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    XmlWriter(out).Element(value, 0);
  }
};

}  // namespace

std::unique_ptr<Formatter> MakeXmlFormatter() {
  return std::make_unique<XmlFormatter>();
}

}  // namespace Format
}  // namespace Kelvo
