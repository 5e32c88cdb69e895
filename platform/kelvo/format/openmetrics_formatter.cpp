// "openmetrics": records as gauge samples in the Prometheus text exposition
// format, the format node_exporter's textfile collector reads. Output
// parameters keyed by the records' type name <Type> say what to write:
//   metric:<Type>  the metric name (required)
//   value:<Type>   the field holding the sample value (required)
//   labels:<Type>  comma-separated fields that become labels
//   error:<Type>   a field that marks a failed record by starting "Error: "
// Each record gives one sample, in the first family that fits:
//   <metric>_error{...,error="why"} 1  the error field starts "Error: "
//   <metric>{...} N                    the value is a number
//   <metric>_state{...,state="text"} 1 the value is any other text
// A record whose value is empty gives none.

#include "formatter.h"
#include "value_text.h"

#include <charconv>
#include <stdexcept>

namespace Kelvo {
namespace Format {

namespace {

using MetaObj::MetaKind;
using MetaObj::MetaList;
using MetaObj::MetaStruct;
using MetaObj::MetaValue;

constexpr const char kName[] = "openmetrics";
constexpr const char kErrorPrefix[] = "Error: ";

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsMetricName(const std::string& name) {
  if (name.empty() || IsDigit(name[0])) {
    return false;
  }
  for (char c : name) {
    if (!IsLetter(c) && !IsDigit(c) && c != '_' && c != ':') {
      return false;
    }
  }
  return true;
}

// A field name as a label name: ASCII letters lower-cased, digits kept, every
// run of other bytes one '_', none at either end ("Node-Sensor" gives
// "node_sensor"); a leading '_' when it would start with a digit or be empty.
std::string LabelName(const std::string& field) {
  std::string name;
  for (char c : field) {
    if (IsLetter(c) || IsDigit(c)) {
      name += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    } else if (!name.empty() && name.back() != '_') {
      name += '_';
    }
  }
  if (!name.empty() && name.back() == '_') {
    name.pop_back();
  }
  return name.empty() || IsDigit(name[0]) ? "_" + name : name;
}

// Text as the format carries it: UTF-8 (U+FFFD for bytes that are not), with
// backslash and line feed escaped, and double quotes too inside label values.
std::string Escape(const std::string& text, bool quotes) {
  std::string escaped;
  DecodeUtf8(text, [&](char32_t c, bool valid) {
    if (c == '\\' || c == '\n' || (quotes && c == '"')) {
      escaped += c == '\n' ? std::string("\\n") : std::string("\\") + static_cast<char>(c);
    } else {
      AppendUtf8(escaped, valid ? c : U'\uFFFD');
    }
  });
  return escaped;
}

std::string Label(const std::string& name, const std::string& value) {
  return name + "=\"" + Escape(value, true) + "\"";
}

// The sample value a text stands for: a decimal number (blanks around it
// allowed), written back in its shortest exact form; nothing for other texts,
// hexadecimal, infinities, NaN and numbers out of range included.
std::optional<std::string> Number(std::string text) {
  text.erase(0, text.find_first_not_of(' '));
  text.erase(text.find_last_not_of(' ') + 1);
  if (text.empty() || text.find_first_not_of("0123456789+-.eE") != std::string::npos) {
    return std::nullopt;
  }
  const char* first = text.data() + (text[0] == '+' && text[1] != '-' ? 1 : 0);
  double number = 0;
  auto parsed = std::from_chars(first, text.data() + text.size(), number);
  if (parsed.ec != std::errc() || parsed.ptr != text.data() + text.size()) {
    return std::nullopt;
  }
  char shortest[32];
  return std::string(shortest, std::to_chars(shortest, shortest + sizeof(shortest), number).ptr);
}

std::string FieldText(const MetaStruct& record, const std::string& field) {
  auto value = record.GetField(field);
  return value ? InlineText(*value) : std::string();
}

// One metric of the output: its name's suffix, its help text and its
// samples, each the labels inside the braces and the value.
struct Family {
  std::string suffix;
  std::string help;
  std::vector<std::pair<std::string, std::string>> samples;
};

std::string Required(const std::string& key, const char* what, const OutputParameters& parameters) {
  const std::string* value = parameters.Find(key);
  if (!value || value->empty()) {
    throw std::invalid_argument(std::string("formatter '") + kName + "' needs the output parameter '" + key +
                                "' (--format-param " + key + "=" + what + ")");
  }
  return *value;
}

void Check(const MetaStruct& record, const std::string& key, const std::string& field) {
  if (!record.GetField(field)) {
    throw std::invalid_argument("output parameter '" + key + "' names '" + field + "', which " +
                                record.GetTypeName() + " records lack");
  }
}

// The label fields, each with its label name. Two fields may not give the
// same name, nor one the name of the state or error label.
std::vector<std::pair<std::string, std::string>> Labels(const MetaStruct& record,
                                                        const OutputParameters& parameters) {
  const std::string& type = record.GetTypeName();
  const std::string key = "labels:" + type;
  const std::string* list = parameters.Find(key);
  // Split the way fields:<Type> is.
  OutputParameters split({{"fields:" + type, list ? *list : ""}});
  std::vector<std::pair<std::string, std::string>> labels;
  for (const auto& field : split.FieldsFor(type).value_or(std::vector<std::string>())) {
    Check(record, key, field);
    std::string name = LabelName(field);
    std::string holder = name == "state" || name == "error" ? "the " + name + " label" : "";
    for (const auto& other : labels) {
      holder = other.second == name ? "'" + other.first + "'" : holder;
    }
    if (!holder.empty()) {
      throw std::invalid_argument("output parameter '" + key + "' gives '" + field + "' the label name '" +
                                  name + "', which " + holder + " has already");
    }
    labels.emplace_back(field, name);
  }
  return labels;
}

void PrintRecords(const std::vector<const MetaStruct*>& records, const MetaStruct& representative,
                  const OutputParameters& parameters, std::ostream& out) {
  const std::string& type = representative.GetTypeName();
  const std::string metric = Required("metric:" + type, "NAME", parameters);
  if (!IsMetricName(metric)) {
    throw std::invalid_argument("output parameter 'metric:" + type +
                                "' needs a metric name ([a-zA-Z_:][a-zA-Z0-9_:]*), not '" + metric + "'");
  }
  const std::string field = Required("value:" + type, "FIELD", parameters);
  Check(representative, "value:" + type, field);
  const std::string* errorField = parameters.Find("error:" + type);
  if (errorField) {
    Check(representative, "error:" + type, *errorField);
  }
  const auto labels = Labels(representative, parameters);

  const std::string about = "\"" + field + "\" of the " + type + " records";
  Family values{"", about + ", where it is a number.", {}};
  Family states{"_state", about + " that is not a number, in label state (always 1).", {}};
  Family errors{"_error",
                type + " records whose \"" + (errorField ? *errorField : "") +
                    "\" reports an error, in label error (always 1).",
                {}};
  for (const MetaStruct* record : records) {
    std::string text;
    for (const auto& label : labels) {
      text += (text.empty() ? "" : ",") + Label(label.second, FieldText(*record, label.first));
    }
    const std::string more = text.empty() ? "" : ",";
    const std::string why = errorField ? FieldText(*record, *errorField) : std::string();
    const std::string shown = FieldText(*record, field);
    if (why.rfind(kErrorPrefix, 0) == 0) {
      errors.samples.emplace_back(text + more + Label("error", why.substr(sizeof(kErrorPrefix) - 1)), "1");
    } else if (auto number = Number(shown)) {
      values.samples.emplace_back(text, *number);
    } else if (!shown.empty()) {
      states.samples.emplace_back(text + more + Label("state", shown), "1");
    }
  }
  for (const Family* family : {&values, &states, &errors}) {
    if (family->samples.empty()) {
      continue;
    }
    const std::string name = metric + family->suffix;
    out << "# HELP " << name << ' ' << Escape(family->help, false) << "\n# TYPE " << name << " gauge\n";
    for (const auto& sample : family->samples) {
      out << name << (sample.first.empty() ? "" : "{" + sample.first + "}") << ' ' << sample.second << '\n';
    }
  }
}

// A structure is printed as a list of one record.
class OpenMetricsFormatter : public Formatter {
 public:
  std::string Name() const override { return kName; }
  std::string Summary() const override {
    return "one gauge sample per record, in the Prometheus text format";
  }

  void Print(const MetaValue& value, const OutputParameters& parameters, std::ostream& out) const override {
    std::vector<const MetaStruct*> records;
    const MetaStruct* representative = nullptr;
    if (value.GetKind() == MetaKind::Struct) {
      representative = static_cast<const MetaStruct*>(&value);
      records.push_back(representative);
    } else if (value.GetKind() == MetaKind::List &&
               static_cast<const MetaList&>(value).GetElementType() == MetaObj::META_STRUCT) {
      representative = RepresentativeRecord(static_cast<const MetaList&>(value));
      for (const auto& item : static_cast<const MetaList&>(value).GetItems()) {
        records.push_back(static_cast<const MetaStruct*>(item.get()));
      }
    } else {
      throw std::invalid_argument(std::string("formatter '") + kName +
                                  "' prints records and lists of records, not this result");
    }
    if (representative) {
      PrintRecords(records, *representative, parameters, out);
    }
  }
};

}  // namespace

std::unique_ptr<Formatter> MakeOpenMetricsFormatter() {
  return std::make_unique<OpenMetricsFormatter>();
}

}  // namespace Format
}  // namespace Kelvo
