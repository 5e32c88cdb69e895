// The formatters known by name.

#include "formatter.h"

#include <algorithm>

namespace Kelvo {
namespace Format {

FormatterRegistry FormatterRegistry::WithBuiltins() {
  FormatterRegistry registry;
  registry.Add(MakeSimpleFormatter());
  registry.Add(MakeTableFormatter());
  registry.Add(MakeJsonFormatter());
  registry.Add(MakeXmlFormatter());
  registry.Add(MakeCsvFormatter());
  registry.Add(MakeKeyValueFormatter());
  registry.Add(MakeOpenMetricsFormatter());
  return registry;
}

void FormatterRegistry::Add(std::unique_ptr<Formatter> formatter) {
  for (auto& existing : formatters_) {
    if (existing->Name() == formatter->Name()) {
      existing = std::move(formatter);
      return;
    }
  }
  formatters_.push_back(std::move(formatter));
}

const Formatter* FormatterRegistry::Find(const std::string& name) const {
  for (const auto& formatter : formatters_) {
    if (formatter->Name() == name) {
      return formatter.get();
    }
  }
  return nullptr;
}

std::vector<std::string> FormatterRegistry::Names() const {
  std::vector<std::string> names;
  for (const auto& formatter : formatters_) {
    names.push_back(formatter->Name());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace Format
}  // namespace Kelvo
