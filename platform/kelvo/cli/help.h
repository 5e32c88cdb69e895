#pragma once
// The help texts: what a namespace holds, what a command takes.

#include "formatter.h"

#include <Kelvo/AutoCli.h>

#include <ostream>
#include <string>

namespace Kelvo {
namespace Cli {

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
