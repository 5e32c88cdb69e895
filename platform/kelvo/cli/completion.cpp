// Completion candidates and the shell scripts that ask for them.

#include "completion.h"

#include "command_line.h"

#include <regex>
#include <set>

namespace Kelvo {
namespace Cli {

namespace {

using AutoCli::NamespaceNode;
using AutoCli::NodeType;

// A range longer than this is not spelled out value by value.
constexpr long kMaxRangeValues = 64;

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

std::vector<std::string> Matching(const std::vector<std::string>& candidates, const std::string& typed) {
  std::vector<std::string> matching;
  for (const auto& candidate : candidates) {
    if (StartsWith(candidate, typed)) {
      matching.push_back(candidate);
    }
  }
  return matching;
}

// A command's parameters: the names not given yet, or the values of the
// parameter that the last word before the cursor names.
std::vector<std::string> ParameterCandidates(AutoCli::Command& command, const std::vector<std::string>& given,
                                             const std::string& typed) {
  std::shared_ptr<CallSpec::InputSpec> spec;
  try {
    spec = command.GetInputSpec();
  } catch (const std::exception&) {
  }
  if (!spec) {
    return {};
  }
  std::set<std::string> used;
  std::shared_ptr<CallSpec::ParameterSpec> last;
  for (const auto& word : given) {
    last = nullptr;
    if (StartsWith(word, "--")) {
      last = spec->Find(word.substr(2));
    } else if (word.size() == 2 && word[0] == '-') {
      last = spec->FindShort(word.substr(1));
    }
    if (last) {
      used.insert(last->GetName());
    }
  }
  if (last && !last->IsFlag()) {
    return Matching(ParameterValues(*last), typed);
  }
  std::vector<std::string> names;
  for (const auto& parameter : spec->GetParameters()) {
    if (used.count(parameter->GetName()) == 0) {
      names.push_back("--" + parameter->GetName());
    }
  }
  names.push_back("--help");
  return Matching(names, typed);
}

const char kBashScript[] = R"SH(# bash completion for ostrelcli, written by 'ostrelcli --completion bash'; the
# candidates come from the program itself, so they follow the plug-ins it loads.
_ostrelcli() {
  local IFS=$'\n'
  COMPREPLY=($("${COMP_WORDS[0]}" --complete "${COMP_WORDS[@]:1:COMP_CWORD}" 2>/dev/null))
}
complete -F _ostrelcli ostrelcli
)SH";

const char kZshScript[] = R"SH(#compdef ostrelcli
# zsh completion for ostrelcli, written by 'ostrelcli --completion zsh'; the
# candidates come from the program itself, so they follow the plug-ins it loads.
_ostrelcli() {
  local -a candidates
  candidates=(${(f)"$(${words[1]} --complete "${(@)words[2,CURRENT]}" 2>/dev/null)"})
  compadd -a candidates
}
if [[ $zsh_eval_context[-1] == loadautofunc ]]; then
  _ostrelcli "$@"
else
  compdef _ostrelcli ostrelcli
fi
)SH";

const char kFishScript[] = R"SH(# fish completion for ostrelcli, written by 'ostrelcli --completion fish'; the
# candidates come from the program itself, so they follow the plug-ins it loads.
function __ostrelcli_complete
    set -l words (commandline -opc)
    ostrelcli --complete $words[2..-1] (commandline -ct) 2>/dev/null
end
complete -c ostrelcli -f -a '(__ostrelcli_complete)'
)SH";

}  // namespace

std::vector<std::string> ParameterValues(const CallSpec::ParameterSpec& parameter) {
  std::vector<std::string> values;
  if (parameter.IsFlag()) {
    return values;
  }
  static const std::regex range(R"(\((\d{1,9})\.\.(\d{1,9})\))");
  static const std::regex quoted(R"('([^'\s]+)')");
  const std::string& text = parameter.GetDescription();
  std::smatch match;
  if (std::regex_search(text, match, range)) {
    const long from = std::stol(match[1]);
    const long to = std::stol(match[2]);
    for (long value = from; value <= to && value - from < kMaxRangeValues; ++value) {
      values.push_back(std::to_string(value));
    }
  }
  for (std::sregex_iterator at(text.begin(), text.end(), quoted), end; at != end; ++at) {
    values.push_back((*at)[1]);
  }
  return values;
}

std::vector<std::string> CompletionCandidates(const std::shared_ptr<NamespaceNode>& root,
                                              const Format::FormatterRegistry& formatters,
                                              const std::vector<std::string>& words) {
  const std::string typed = words.empty() ? std::string() : words.back();
  const std::size_t count = words.empty() ? 0 : words.size() - 1;
  std::size_t at = 0;
  for (; at < count && StartsWith(words[at], "-"); ++at) {
    if (!GlobalOptionTakesValue(words[at])) {
      continue;
    }
    if (at + 1 == count) {
      if (words[at] == "--formatter") {
        return Matching(formatters.Names(), typed);
      }
      return words[at] == "--completion" ? Matching(CompletionShells(), typed) : std::vector<std::string>();
    }
    ++at;
  }
  if (at == count && StartsWith(typed, "-")) {
    return Matching(GlobalOptionNames(), typed);
  }
  std::shared_ptr<NamespaceNode> node = root;
  for (; at < count && node->GetType() != NodeType::Command; ++at) {
    node = node->GetNamespaceNode(words[at]);
    if (!node) {
      return {};
    }
  }
  if (auto command = node->GetType() == NodeType::Command ? node->GetDispatcher() : nullptr) {
    return ParameterCandidates(*command, std::vector<std::string>(words.begin() + at, words.end() - 1),
                               typed);
  }
  if (at < count) {
    return {};
  }
  std::vector<std::string> names;
  for (const auto& child : node->GetChildren()) {
    names.push_back(child.first);
  }
  return Matching(names, typed);
}

const std::vector<std::string>& CompletionShells() {
  static const std::vector<std::string> shells = {"bash", "zsh", "fish"};
  return shells;
}

bool WriteCompletionScript(const std::string& shell, std::ostream& out) {
  const char* script = shell == "bash" ? kBashScript : shell == "zsh" ? kZshScript : nullptr;
  script = shell == "fish" ? kFishScript : script;
  if (!script) {
    return false;
  }
  out << script;
  return true;
}

}  // namespace Cli
}  // namespace Kelvo
