#pragma once
// Printing a command's result: one Formatter per output style, chosen by
// name from a FormatterRegistry. Commands only build values; everything
// about their appearance lives here.

#include <Kelvo/MetaObj.h>

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace Kelvo {
namespace Format {

// The output parameters in effect for one run: a command's defaults,
// overridden key by key by the user's. Keys the formatters understand:
//   fields:<Type>  comma-separated field names of structure <Type>, in order
//   header:<Type>  per-record heading of <Type>; %Field% stands for a value
//   show-header    true or false: whether headings are printed
//   metric:<Type>, value:<Type>, labels:<Type>, error:<Type>
//                  what openmetrics writes of <Type> records
class OutputParameters {
 public:
  OutputParameters() = default;
  explicit OutputParameters(std::vector<std::pair<std::string, std::string>> entries);

  // Replaces the value of a key already present, else appends the key.
  void Set(const std::string& key, const std::string& value);
  const std::string* Find(const std::string& key) const;
  const std::vector<std::pair<std::string, std::string>>& Entries() const { return entries_; }

  // The fields of <typeName> to show, in order; no value means all fields.
  std::optional<std::vector<std::string>> FieldsFor(const std::string& typeName) const;
  // The heading template of <typeName>, if one was given.
  std::optional<std::string> HeaderFor(const std::string& typeName) const;
  // The show-header switch if it was given (and is readable).
  std::optional<bool> ShowHeader() const;
  // A description of the first unreadable value, or the empty text.
  std::string Problem() const;

 private:
  std::vector<std::pair<std::string, std::string>> entries_;
};

class Formatter {
 public:
  virtual ~Formatter() = default;
  virtual std::string Name() const = 0;
  // One line for the help text.
  virtual std::string Summary() const = 0;
  virtual void Print(const MetaObj::MetaValue& value, const OutputParameters& parameters,
                     std::ostream& out) const = 0;
};

std::unique_ptr<Formatter> MakeSimpleFormatter();
std::unique_ptr<Formatter> MakeTableFormatter();
std::unique_ptr<Formatter> MakeJsonFormatter();
std::unique_ptr<Formatter> MakeXmlFormatter();
std::unique_ptr<Formatter> MakeCsvFormatter();
std::unique_ptr<Formatter> MakeKeyValueFormatter();
std::unique_ptr<Formatter> MakeOpenMetricsFormatter();

class FormatterRegistry {
 public:
  // All seven formatters of the framework.
  static FormatterRegistry WithBuiltins();

  // A second formatter of the same name replaces the first.
  void Add(std::unique_ptr<Formatter> formatter);
  // The formatter of that name, or null.
  const Formatter* Find(const std::string& name) const;
  // The registered names, sorted.
  std::vector<std::string> Names() const;

 private:
  std::vector<std::unique_ptr<Formatter>> formatters_;
};

}  // namespace Format
}  // namespace Kelvo
