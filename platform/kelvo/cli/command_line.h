#pragma once
// Reading the command line:
//   ostrelcli [GLOBAL OPTIONS] NAMESPACE... COMMAND [PARAMETERS]

#include <Kelvo/AutoCli.h>
#include <Kelvo/CallSpec.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace Kelvo {
namespace Cli {

struct GlobalOptions {
  std::optional<std::string> formatter;
  std::vector<std::pair<std::string, std::string>> formatParameters;
  std::optional<std::string> pluginDirectory;
  bool debug = false;
  bool version = false;
  bool help = false;
  // --man: the manual page ostrelcli(1) of the loaded tree.
  bool man = false;
  // --completion SHELL: the completion script for that shell.
  std::optional<std::string> completion;
  // --complete: the words that follow are a partial command line (the last
  // one the word under the cursor) to offer completions for.
  bool complete = false;
};

// Reads the global options at the front of args into options and returns
// the words after them. Throws UsageError.
std::vector<std::string> ParseGlobalOptions(const std::vector<std::string>& args, GlobalOptions& options);

// Whether a word is one of the global options (used to explain a global
// option given after the path).
bool IsGlobalOption(const std::string& word);
// Every global option's spelling, and whether the word, spelled alone, is
// one that takes the next word as its value.
std::vector<std::string> GlobalOptionNames();
bool GlobalOptionTakesValue(const std::string& word);

// Reads a command's parameters into input. Returns false, with input
// partly filled, when the words ask for the command's help instead.
// commandPath names the command in messages. Throws UsageError.
bool ParseParameters(const CallSpec::InputSpec& spec, const std::vector<std::string>& words,
                     CallSpec::Input& input, const std::string& commandPath);

// Where the words lead in the tree.
struct Invocation {
  std::shared_ptr<AutoCli::NamespaceNode> node;
  std::string path;  // the names walked, joined by blanks
  // Set when node is a command to run (not its help).
  std::shared_ptr<AutoCli::Command> command;
  std::shared_ptr<CallSpec::InputSpec> inputSpec;
  std::shared_ptr<CallSpec::Input> input;
  bool help = false;
};

// Walks the path from root and, at a command, reads its parameters. A
// namespace path alone, or followed by --help, asks for help; with
// helpOnly (the global --help) the parameters are not read. Throws
// UsageError; exceptions from the command's own specification pass on.
Invocation ResolveInvocation(const std::shared_ptr<AutoCli::NamespaceNode>& root,
                             const std::vector<std::string>& words, bool helpOnly = false);

}  // namespace Cli
}  // namespace Kelvo
