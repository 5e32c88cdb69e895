// The output parameters of one run and their meaning.

#include "formatter.h"

#include <algorithm>
#include <cctype>

namespace Kelvo {
namespace Format {

namespace {

constexpr const char kShowHeader[] = "show-header";

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::optional<bool> ParseSwitch(const std::string& text) {
  std::string word = Lower(text);
  if (word == "true" || word == "yes" || word == "on" || word == "1") {
    return true;
  }
  if (word == "false" || word == "no" || word == "off" || word == "0") {
    return false;
  }
  return std::nullopt;
}

std::string Trim(const std::string& text) {
  std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) {
    return std::string();
  }
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

OutputParameters::OutputParameters(std::vector<std::pair<std::string, std::string>> entries) {
  for (auto& entry : entries) {
    Set(entry.first, entry.second);
  }
}

void OutputParameters::Set(const std::string& key, const std::string& value) {
  for (auto& entry : entries_) {
    if (entry.first == key) {
      entry.second = value;
      return;
    }
  }
  entries_.emplace_back(key, value);
}

const std::string* OutputParameters::Find(const std::string& key) const {
  for (const auto& entry : entries_) {
    if (entry.first == key) {
      return &entry.second;
    }
  }
  return nullptr;
}

std::optional<std::vector<std::string>> OutputParameters::FieldsFor(const std::string& typeName) const {
  const std::string* list = Find("fields:" + typeName);
  if (!list || Trim(*list).empty()) {
    return std::nullopt;
  }
  std::vector<std::string> names;
  std::size_t at = 0;
  while (at <= list->size()) {
    std::size_t comma = list->find(',', at);
    std::string name = Trim(list->substr(at, comma == std::string::npos ? std::string::npos : comma - at));
    if (!name.empty()) {
      names.push_back(name);
    }
    if (comma == std::string::npos) {
      break;
    }
    at = comma + 1;
  }
  return names;
}

std::optional<std::string> OutputParameters::HeaderFor(const std::string& typeName) const {
  const std::string* pattern = Find("header:" + typeName);
  return pattern ? std::optional<std::string>(*pattern) : std::nullopt;
}

std::optional<bool> OutputParameters::ShowHeader() const {
  const std::string* value = Find(kShowHeader);
  return value ? ParseSwitch(*value) : std::nullopt;
}

std::string OutputParameters::Problem() const {
  const std::string* value = Find(kShowHeader);
  if (value && !ParseSwitch(*value)) {
    return "output parameter 'show-header' must be true or false, not '" + *value + "'";
  }
  return std::string();
}

}  // namespace Format
}  // namespace Kelvo
