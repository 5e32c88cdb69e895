#pragma once
// One run of the program over a command tree that is already built.

#include "command_line.h"
#include "formatter.h"

#include <Kelvo/AutoCli.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace Kelvo {
namespace Cli {

// The root of the program's tree, holding the framework's own "hardware"
// namespace.
std::shared_ptr<AutoCli::NamespaceNode> MakeRootNamespace();

class Program {
 public:
  Program(std::shared_ptr<AutoCli::NamespaceNode> root, const Format::FormatterRegistry& formatters,
          std::ostream& out, std::ostream& err)
      : root_(std::move(root)), formatters_(formatters), out_(out), err_(err) {}

  // Runs the words that follow the global options and returns the exit
  // status: 0 done, 1 the command reported errors or failed, 2 usage error.
  int Run(const GlobalOptions& options, const std::vector<std::string>& words);

 private:
  int Execute(const GlobalOptions& options, const Invocation& invocation);
  void CheckOutputOptions(const GlobalOptions& options) const;
  const Format::Formatter& ChooseFormatter(const GlobalOptions& options, const AutoCli::CommandSpec& command);
  void PrintHelp(const Invocation& invocation);

  std::shared_ptr<AutoCli::NamespaceNode> root_;
  const Format::FormatterRegistry& formatters_;
  std::ostream& out_;
  std::ostream& err_;
};

}  // namespace Cli
}  // namespace Kelvo
