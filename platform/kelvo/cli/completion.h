#pragma once
// Shell completion from the command tree: the scripts that bash, zsh and
// fish load, and the candidates they ask the program for as the user types.

#include "formatter.h"

#include <Kelvo/AutoCli.h>
#include <Kelvo/CallSpec.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace Kelvo {
namespace Cli {

// The values a parameter offers, read from its description: the numbers of
// a range written "(N..M)", then every word written in single quotes. A flag
// offers none.
std::vector<std::string> ParameterValues(const CallSpec::ParameterSpec& parameter);

// What may stand in place of the last of words (the word being typed, maybe
// empty), given the words before it on the command line after the program
// name: global options and their values, namespaces and commands, a
// command's parameter names and the values of the one before the cursor.
// Only candidates that start with the word being typed are returned.
std::vector<std::string> CompletionCandidates(const std::shared_ptr<AutoCli::NamespaceNode>& root,
                                              const Format::FormatterRegistry& formatters,
                                              const std::vector<std::string>& words);

// Writes the completion script for shell ("bash", "zsh" or "fish"); the
// script runs "ostrelcli --complete WORDS..." for the candidates. Returns
// false, writing nothing, for another shell.
bool WriteCompletionScript(const std::string& shell, std::ostream& out);

// The shells WriteCompletionScript knows.
const std::vector<std::string>& CompletionShells();

}  // namespace Cli
}  // namespace Kelvo
