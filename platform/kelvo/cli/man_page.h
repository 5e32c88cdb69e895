#pragma once
// The manual page ostrelcli(1), written from the command tree the loaded
// plug-ins built.

#include "formatter.h"

#include <Kelvo/AutoCli.h>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace Kelvo {
namespace Cli {

// A loaded plug-in as the page names it: its name and version.
using PluginIdentity = std::pair<std::string, std::string>;

// Writes the page in man(7) markup: the global options, the formatters,
// then every namespace and every command of the tree with its parameters,
// the values they offer, its default output and the fields of its result,
// and the plug-ins with their versions.
void WriteManPage(const std::shared_ptr<AutoCli::NamespaceNode>& root,
                  const Format::FormatterRegistry& formatters, const std::vector<PluginIdentity>& plugins,
                  const std::string& version, std::ostream& out);

// Text made safe for man(7) markup: backslashes escaped, and a leading
// period or apostrophe kept from starting a request.
std::string RoffText(const std::string& text);

}  // namespace Cli
}  // namespace Kelvo
