#pragma once
// The help texts: what a namespace holds, what a command takes.

#include "formatter.h"

#include <Kelvo/AutoCli.h>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace Kelvo {
namespace Cli {

// The global options as the help lists them: spelling and what it does.
const std::vector<std::pair<std::string, std::string>>& GlobalOptionHelp();

// What a command returns, in words, from the prototype it declares: "a
// list of X records; fields: a, b".
std::string ResultShape(const MetaObj::MetaValue& prototype);

// The program's own help: usage, global options, formatters, then the
// top-level namespaces.
void PrintProgramHelp(const AutoCli::NamespaceNode& root, const Format::FormatterRegistry& formatters,
                      std::ostream& out);
// A namespace: its description and its children, aligned.
void PrintNamespaceHelp(const AutoCli::NamespaceNode& node, const std::string& path, std::ostream& out);
// A command: its description, its parameters, its default output and, when
// result is given (the prototype from its output specification), the shape
// and fields of what it returns.
void PrintCommandHelp(const AutoCli::CommandSpec& command, const CallSpec::InputSpec& spec,
                      const MetaObj::MetaValue* result, const std::string& path, std::ostream& out);

}  // namespace Cli
}  // namespace Kelvo
