#pragma once
// Parameters a command declares, the values a user gave, and what a command
// hands back.

#include <Kelvo/Export.h>
#include <Kelvo/MetaObj.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Kelvo {
namespace CallSpec {

// 0: an option that takes a text value; 3: a flag that takes none.
enum ParameterType : int {
  PARAMETER_STRING = 0,
  PARAMETER_FLAG = 3,
};

class KELVO_API ParameterSpec {
 public:
  static std::shared_ptr<ParameterSpec> New(const std::string& name, ParameterType type);
  static std::shared_ptr<ParameterSpec> New(const std::string& name, int type) {
    return New(name, static_cast<ParameterType>(type));
  }

  void SetShortName(const char* shortName);
  void SetRequired(bool required);
  void SetDescription(const char* description);
  void SetDescription(const std::string& description);

  const std::string& GetName() const { return name_; }
  ParameterType GetType() const { return type_; }
  bool IsFlag() const { return type_ == PARAMETER_FLAG; }
  const std::string& GetShortName() const { return shortName_; }
  bool IsRequired() const { return required_; }
  const std::string& GetDescription() const { return description_; }

 private:
  ParameterSpec(std::string name, ParameterType type) : name_(std::move(name)), type_(type) {}
  std::string name_;
  ParameterType type_;
  std::string shortName_;
  bool required_ = false;
  std::string description_;
};

class KELVO_API InputSpec {
 public:
  static std::shared_ptr<InputSpec> New();
  void AddParameter(std::shared_ptr<ParameterSpec> spec);
  const std::vector<std::shared_ptr<ParameterSpec>>& GetParameters() const { return parameters_; }
  // The parameter with this long name (or, for FindShort, short name), or null.
  std::shared_ptr<ParameterSpec> Find(const std::string& name) const;
  std::shared_ptr<ParameterSpec> FindShort(const std::string& shortName) const;

 private:
  InputSpec() = default;
  std::vector<std::shared_ptr<ParameterSpec>> parameters_;
};

// The parameters of one invocation, as the user gave them.
class KELVO_API Input {
 public:
  static std::shared_ptr<Input> New();

  bool IsFlagSet(const char* name) const;
  bool IsFlagSet(const std::string& name) const { return IsFlagSet(name.c_str()); }
  bool HasParameter(const char* name) const;
  bool HasParameter(const std::string& name) const { return HasParameter(name.c_str()); }
  // The option's text; the empty text when the option was not given.
  const std::string& GetParameter(const char* name) const;
  const std::string& GetParameter(const std::string& name) const { return GetParameter(name.c_str()); }

  // Filled by the framework's command-line parser (and by tests).
  void SetFlag(const std::string& name);
  void SetParameter(const std::string& name, const std::string& value);

 private:
  Input() = default;
  std::map<std::string, bool> flags_;
  std::map<std::string, std::string> values_;
};

// What one invocation produced: at most one root object and any number of
// error messages, kept in the order they were added.
class KELVO_API Output {
 public:
  static std::shared_ptr<Output> New();

  void SetRootObject(std::shared_ptr<MetaObj::MetaValue> root);
  void AddErrorMessage(std::string&& message);
  void AddErrorMessage(const char* message);

  const std::shared_ptr<MetaObj::MetaValue>& GetRootObject() const { return root_; }
  const std::vector<std::string>& GetErrorMessages() const { return errors_; }

 private:
  Output() = default;
  std::shared_ptr<MetaObj::MetaValue> root_;
  std::vector<std::string> errors_;
};

// The shape of a command's result, as an empty prototype value.
class KELVO_API OutputSpec {
 public:
  static std::shared_ptr<OutputSpec> New();
  void SetRootObject(std::shared_ptr<MetaObj::MetaValue> prototype);
  const std::shared_ptr<MetaObj::MetaValue>& GetRootObject() const { return root_; }

 private:
  OutputSpec() = default;
  std::shared_ptr<MetaObj::MetaValue> root_;
};

}  // namespace CallSpec
}  // namespace Kelvo
