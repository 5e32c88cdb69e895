// The command-line parser: global options, the path through the tree and a
// command's parameters.

#include "command_line.h"

#include "suggest.h"
#include "usage_error.h"

#include <list>
#include <set>
#include <stdexcept>

namespace Kelvo {
namespace Cli {

namespace {

using AutoCli::NamespaceNode;
using AutoCli::NodeType;
using CallSpec::ParameterSpec;

bool StartsWith(const std::string& text, const char* prefix) {
  return text.rfind(prefix, 0) == 0;
}

// "--name VALUE" or "--name=VALUE" at args[at]; advances at past the value.
std::string GlobalValue(const std::vector<std::string>& args, std::size_t& at, const std::string& name) {
  const std::string& word = args[at];
  if (word.size() > name.size() && word[name.size()] == '=') {
    return word.substr(name.size() + 1);
  }
  if (at + 1 >= args.size()) {
    throw UsageError("global option '" + name + "' needs a value", "");
  }
  return args[++at];
}

std::pair<std::string, std::string> SplitFormatParameter(const std::string& text) {
  std::size_t equals = text.find('=');
  if (equals == std::string::npos || equals == 0) {
    throw UsageError("global option '--format-param' needs KEY=VALUE, not '" + text + "'", "");
  }
  return {text.substr(0, equals), text.substr(equals + 1)};
}

bool SpellsOption(const std::string& word, const char* option) {
  std::string name = option;
  return word == name || StartsWith(word, (name + "=").c_str());
}

struct GlobalOption {
  const char* name;
  bool takesValue;
};

const GlobalOption kGlobalOptions[] = {
    {"--formatter", true},  {"--format-param", true}, {"--plugin-dir", true},
    {"--completion", true}, {"--debug", false},       {"--version", false},
    {"--man", false},       {"--help", false},        {"-h", false}};

}  // namespace

bool IsGlobalOption(const std::string& word) {
  for (const auto& option : kGlobalOptions) {
    if (SpellsOption(word, option.name)) {
      return true;
    }
  }
  return false;
}

std::vector<std::string> GlobalOptionNames() {
  std::vector<std::string> names;
  for (const auto& option : kGlobalOptions) {
    names.push_back(option.name);
  }
  return names;
}

bool GlobalOptionTakesValue(const std::string& word) {
  for (const auto& option : kGlobalOptions) {
    if (word == option.name) {
      return option.takesValue;
    }
  }
  return false;
}

std::vector<std::string> ParseGlobalOptions(const std::vector<std::string>& args, GlobalOptions& options) {
  std::size_t at = 0;
  for (; at < args.size(); ++at) {
    const std::string& word = args[at];
    if (word == "--") {
      ++at;
      break;
    }
    if (word.empty() || word[0] != '-') {
      break;
    }
    if (SpellsOption(word, "--formatter")) {
      options.formatter = GlobalValue(args, at, "--formatter");
    } else if (SpellsOption(word, "--format-param")) {
      options.formatParameters.push_back(SplitFormatParameter(GlobalValue(args, at, "--format-param")));
    } else if (SpellsOption(word, "--plugin-dir")) {
      options.pluginDirectory = GlobalValue(args, at, "--plugin-dir");
    } else if (word == "--debug") {
      options.debug = true;
    } else if (word == "--version") {
      options.version = true;
    } else if (word == "--man") {
      options.man = true;
    } else if (SpellsOption(word, "--completion")) {
      options.completion = GlobalValue(args, at, "--completion");
    } else if (word == "--complete") {
      options.complete = true;
      ++at;
      break;
    } else if (word == "--help" || word == "-h") {
      options.help = true;
    } else {
      throw UsageError("unknown global option '" + word + "'", "");
    }
  }
  return std::vector<std::string>(args.begin() + static_cast<std::ptrdiff_t>(at), args.end());
}

namespace {

class ParameterReader {
 public:
  ParameterReader(const CallSpec::InputSpec& spec, const std::vector<std::string>& words,
                  CallSpec::Input& input, const std::string& commandPath)
      : spec_(spec), words_(words), input_(input), path_(commandPath) {}

  bool Read() {
    bool optionsEnded = false;
    for (at_ = 0; at_ < words_.size(); ++at_) {
      const std::string& word = words_[at_];
      if (!optionsEnded && word == "--") {
        optionsEnded = true;
      } else if (optionsEnded || word.size() < 2 || word[0] != '-') {
        Fail("unexpected argument '" + word + "' for '" + path_ + "'");
      } else if (StartsWith(word, "--")) {
        if (!LongOption(word.substr(2))) {
          return false;
        }
      } else if (!ShortOptions(word.substr(1))) {
        return false;
      }
    }
    for (const auto& parameter : spec_.GetParameters()) {
      if (parameter->IsRequired() && seen_.count(parameter->GetName()) == 0) {
        Fail("missing required parameter '--" + parameter->GetName() + "' for '" + path_ + "'");
      }
    }
    return true;
  }

 private:
  [[noreturn]] void Fail(const std::string& message) { throw UsageError(message, path_); }

  // Returns false for a help request.
  bool LongOption(const std::string& body) {
    std::size_t equals = body.find('=');
    std::string name = body.substr(0, equals);
    auto parameter = spec_.Find(name);
    if (!parameter) {
      if (body == "help") {
        return false;
      }
      UnknownLong(name);
    }
    std::optional<std::string> value;
    if (equals != std::string::npos) {
      value = body.substr(equals + 1);
    }
    Accept(*parameter, "--" + name, value);
    return true;
  }

  // Returns false for a help request.
  bool ShortOptions(const std::string& body) {
    std::size_t equals = body.find('=');
    if (equals != std::string::npos) {
      std::string name = body.substr(0, equals);
      Accept(FindShort(name, body), "-" + name, body.substr(equals + 1));
      return true;
    }
    if (auto whole = spec_.FindShort(body)) {
      Accept(*whole, "-" + body, std::nullopt);
      return true;
    }
    if (body == "h") {
      return false;
    }
    // A group of one-letter names: flags, and at most one option taking a
    // value, whose value is the rest of the group or else the next word.
    for (std::size_t k = 0; k < body.size(); ++k) {
      const ParameterSpec& parameter = FindShort(body.substr(k, 1), body);
      if (!parameter.IsFlag()) {
        std::optional<std::string> attached;
        if (k + 1 < body.size()) {
          attached = body.substr(k + 1);
        }
        Accept(parameter, "-" + body.substr(k, 1), attached);
        break;
      }
      Accept(parameter, "-" + body.substr(k, 1), std::nullopt);
    }
    return true;
  }

  const ParameterSpec& FindShort(const std::string& name, const std::string& group) {
    auto parameter = spec_.FindShort(name);
    if (!parameter) {
      std::string where = group.size() > 1 ? " (in '-" + group + "')" : "";
      Fail("unknown parameter '-" + name + "'" + where + " for '" + path_ + "'");
    }
    return *parameter;
  }

  [[noreturn]] void UnknownLong(const std::string& name) {
    std::vector<std::string> names;
    for (const auto& parameter : spec_.GetParameters()) {
      names.push_back(parameter->GetName());
    }
    std::string message = "unknown parameter '--" + name + "' for '" + path_ + "'";
    std::string closest = ClosestName(name, names);
    if (!closest.empty() && EditDistance(name, closest) <= std::max<std::size_t>(2, name.size() / 3)) {
      message += "; did you mean '--" + closest + "'?";
    }
    if (IsGlobalOption("--" + name)) {
      message += "; global options go before the namespace path";
    }
    Fail(message);
  }

  void Accept(const ParameterSpec& parameter, const std::string& shown, std::optional<std::string> value) {
    if (!seen_.insert(parameter.GetName()).second) {
      Fail("parameter '--" + parameter.GetName() + "' given twice");
    }
    if (parameter.IsFlag()) {
      if (value) {
        Fail("parameter '" + shown + "' is a flag and takes no value");
      }
      input_.SetFlag(parameter.GetName());
      return;
    }
    if (!value) {
      if (at_ + 1 >= words_.size()) {
        Fail("parameter '" + shown + "' needs a value");
      }
      value = words_[++at_];
    }
    input_.SetParameter(parameter.GetName(), *value);
  }

  const CallSpec::InputSpec& spec_;
  const std::vector<std::string>& words_;
  CallSpec::Input& input_;
  const std::string& path_;
  std::size_t at_ = 0;
  std::set<std::string> seen_;
};

std::string Join(const std::string& path, const std::string& name) {
  return path.empty() ? name : path + " " + name;
}

[[noreturn]] void UnknownName(const NamespaceNode& node, const std::string& path, const std::string& word) {
  std::string where = path.empty() ? "at the top level" : "in '" + path + "'";
  if (word[0] == '-') {
    std::string message = "unknown option '" + word + "' " + where;
    if (IsGlobalOption(word)) {
      message += "; global options go before the namespace path";
    }
    throw UsageError(message, path);
  }
  std::vector<std::string> names;
  for (const auto& child : node.GetChildren()) {
    names.push_back(child.first);
  }
  std::string message = "'" + word + "' is not a namespace or command " + where;
  if (names.empty()) {
    message += ", which is empty";
  } else {
    message += "; did you mean '" + ClosestName(word, names) + "'?";
  }
  throw UsageError(message, path);
}

}  // namespace

bool ParseParameters(const CallSpec::InputSpec& spec, const std::vector<std::string>& words,
                     CallSpec::Input& input, const std::string& commandPath) {
  return ParameterReader(spec, words, input, commandPath).Read();
}

Invocation ResolveInvocation(const std::shared_ptr<NamespaceNode>& root,
                             const std::vector<std::string>& words, bool helpOnly) {
  Invocation invocation;
  std::list<std::string> rest(words.begin(), words.end());
  invocation.node = root->ResolveNode(rest);
  std::size_t walked = words.size() - rest.size();
  for (std::size_t i = 0; i < walked; ++i) {
    invocation.path = Join(invocation.path, words[i]);
  }
  std::vector<std::string> remaining(rest.begin(), rest.end());
  auto command = invocation.node->GetType() == NodeType::Command ? invocation.node->GetDispatcher() : nullptr;
  if (!command) {
    if (remaining.empty() || helpOnly || remaining.front() == "--help" || remaining.front() == "-h") {
      invocation.help = true;
      return invocation;
    }
    UnknownName(*invocation.node, invocation.path, remaining.front());
  }
  try {
    invocation.inputSpec = command->GetInputSpec();
  } catch (const std::exception& error) {
    throw std::runtime_error("'" + invocation.path + "' cannot declare its parameters: " + error.what());
  }
  if (!invocation.inputSpec) {
    invocation.inputSpec = CallSpec::InputSpec::New();
  }
  invocation.input = CallSpec::Input::New();
  if (helpOnly || !ParseParameters(*invocation.inputSpec, remaining, *invocation.input, invocation.path)) {
    invocation.help = true;
    invocation.input.reset();
    return invocation;
  }
  invocation.command = std::move(command);
  return invocation;
}

}  // namespace Cli
}  // namespace Kelvo
