// Parameter declarations, the parsed input of one run, and its output.

#include <Kelvo/CallSpec.h>

#include <stdexcept>

namespace Kelvo {
namespace CallSpec {

namespace {

std::string TextOrEmpty(const char* text) {
  return text ? std::string(text) : std::string();
}

}  // namespace

std::shared_ptr<ParameterSpec> ParameterSpec::New(const std::string& name, ParameterType type) {
  if (name.empty()) {
    throw std::invalid_argument("ParameterSpec: a parameter needs a name");
  }
  if (type != PARAMETER_STRING && type != PARAMETER_FLAG) {
    throw std::invalid_argument("ParameterSpec '" + name + "': unknown parameter type " +
                                std::to_string(static_cast<int>(type)));
  }
  return std::shared_ptr<ParameterSpec>(new ParameterSpec(name, type));
}

void ParameterSpec::SetShortName(const char* shortName) {
  shortName_ = TextOrEmpty(shortName);
}

void ParameterSpec::SetRequired(bool required) {
  required_ = required;
}

void ParameterSpec::SetDescription(const char* description) {
  description_ = TextOrEmpty(description);
}

void ParameterSpec::SetDescription(const std::string& description) {
  description_ = description;
}

std::shared_ptr<InputSpec> InputSpec::New() {
  return std::shared_ptr<InputSpec>(new InputSpec());
}

void InputSpec::AddParameter(std::shared_ptr<ParameterSpec> spec) {
  if (!spec) {
    throw std::invalid_argument("InputSpec: cannot add a null parameter");
  }
  if (Find(spec->GetName())) {
    throw std::invalid_argument("InputSpec: parameter '" + spec->GetName() + "' declared twice");
  }
  if (!spec->GetShortName().empty() && FindShort(spec->GetShortName())) {
    throw std::invalid_argument("InputSpec: short name '" + spec->GetShortName() + "' declared twice");
  }
  parameters_.push_back(std::move(spec));
}

std::shared_ptr<ParameterSpec> InputSpec::Find(const std::string& name) const {
  for (const auto& parameter : parameters_) {
    if (parameter->GetName() == name) {
      return parameter;
    }
  }
  return nullptr;
}

std::shared_ptr<ParameterSpec> InputSpec::FindShort(const std::string& shortName) const {
  if (shortName.empty()) {
    return nullptr;
  }
  for (const auto& parameter : parameters_) {
    if (parameter->GetShortName() == shortName) {
      return parameter;
    }
  }
  return nullptr;
}

std::shared_ptr<Input> Input::New() {
  return std::shared_ptr<Input>(new Input());
}

bool Input::IsFlagSet(const char* name) const {
  if (!name) {
    return false;
  }
  auto found = flags_.find(name);
  return found != flags_.end() && found->second;
}

bool Input::HasParameter(const char* name) const {
  return name && values_.count(name) != 0;
}

const std::string& Input::GetParameter(const char* name) const {
  static const std::string kAbsent;
  if (!name) {
    return kAbsent;
  }
  auto found = values_.find(name);
  return found == values_.end() ? kAbsent : found->second;
}

void Input::SetFlag(const std::string& name) {
  flags_[name] = true;
}

void Input::SetParameter(const std::string& name, const std::string& value) {
  values_[name] = value;
}

std::shared_ptr<Output> Output::New() {
  return std::shared_ptr<Output>(new Output());
}

void Output::SetRootObject(std::shared_ptr<MetaObj::MetaValue> root) {
  root_ = std::move(root);
}

void Output::AddErrorMessage(std::string&& message) {
  errors_.push_back(std::move(message));
}

void Output::AddErrorMessage(const char* message) {
  errors_.push_back(TextOrEmpty(message));
}

std::shared_ptr<OutputSpec> OutputSpec::New() {
  return std::shared_ptr<OutputSpec>(new OutputSpec());
}

void OutputSpec::SetRootObject(std::shared_ptr<MetaObj::MetaValue> prototype) {
  root_ = std::move(prototype);
}

}  // namespace CallSpec
}  // namespace Kelvo
