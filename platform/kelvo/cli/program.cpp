// Running a command: parse, execute, print the result and the errors.

#include "program.h"

#include "help.h"
#include "usage_error.h"

#include <sstream>

namespace Kelvo {
namespace Cli {

namespace {

using AutoCli::NamespaceNode;

constexpr const char kFallbackFormatter[] = "simple";

std::string JoinNames(const std::vector<std::string>& names) {
  std::string joined;
  for (const auto& name : names) {
    joined += (joined.empty() ? "" : ", ") + name;
  }
  return joined;
}

void ReportUsage(const UsageError& error, std::ostream& err) {
  std::string path = error.HelpPath().empty() ? "" : " " + error.HelpPath();
  err << kProgramName << ": " << error.what() << '\n'
      << "Try '" << kProgramName << path << " --help' for more information.\n";
}

}  // namespace

std::shared_ptr<NamespaceNode> MakeRootNamespace() {
  std::shared_ptr<NamespaceNode> root = AutoCli::Namespace::New();
  root->SubNamespace("hardware")->SetDescription("Hardware of this host.");
  return root;
}

int Program::Run(const GlobalOptions& options, const std::vector<std::string>& words) {
  try {
    CheckOutputOptions(options);
    Invocation invocation = ResolveInvocation(root_, words, options.help);
    if (options.help || invocation.help) {
      PrintHelp(invocation);
      return 0;
    }
    return Execute(options, invocation);
  } catch (const UsageError& error) {
    ReportUsage(error, err_);
    return kUsageStatus;
  } catch (const std::exception& error) {
    err_ << kProgramName << ": " << error.what() << '\n';
    return 1;
  }
}

void Program::CheckOutputOptions(const GlobalOptions& options) const {
  if (options.formatter && !formatters_.Find(*options.formatter)) {
    throw UsageError(
        "unknown formatter '" + *options.formatter + "'; choose one of: " + JoinNames(formatters_.Names()),
        "");
  }
  std::string problem = Format::OutputParameters(options.formatParameters).Problem();
  if (!problem.empty()) {
    throw UsageError(problem, "");
  }
}

void Program::PrintHelp(const Invocation& invocation) {
  auto command = invocation.node->GetDispatcher();
  if (command && invocation.inputSpec) {
    // The result's description is a help extra: a command that cannot
    // describe it still gets its help printed.
    std::shared_ptr<CallSpec::OutputSpec> outputSpec;
    try {
      outputSpec = command->GetOutputSpec();
    } catch (const std::exception&) {
    }
    const MetaObj::MetaValue* result = outputSpec ? outputSpec->GetRootObject().get() : nullptr;
    PrintCommandHelp(*command, *invocation.inputSpec, result, invocation.path, out_);
  } else if (invocation.path.empty()) {
    PrintProgramHelp(*root_, formatters_, out_);
  } else {
    PrintNamespaceHelp(*invocation.node, invocation.path, out_);
  }
}

const Format::Formatter& Program::ChooseFormatter(const GlobalOptions& options,
                                                  const AutoCli::CommandSpec& command) {
  if (options.formatter) {
    return *formatters_.Find(*options.formatter);
  }
  const std::string& name = command.GetDefaultOutputFormatter();
  if (name.empty()) {
    return *formatters_.Find(kFallbackFormatter);
  }
  if (const auto* formatter = formatters_.Find(name)) {
    return *formatter;
  }
  err_ << kProgramName << ": warning: the command's default formatter '" << name
       << "' does not exist; using '" << kFallbackFormatter << "'\n";
  return *formatters_.Find(kFallbackFormatter);
}

int Program::Execute(const GlobalOptions& options, const Invocation& invocation) {
  auto output = CallSpec::Output::New();
  try {
    // Commands are asked for both specifications before they run.
    invocation.command->GetOutputSpec();
  } catch (const std::exception& error) {
    err_ << kProgramName << ": '" << invocation.path << "' cannot declare its result: " << error.what()
         << '\n';
    return 1;
  }
  try {
    invocation.command->Execute(invocation.input, output);
  } catch (const std::exception& error) {
    err_ << kProgramName << ": '" << invocation.path << "' failed: " << error.what() << '\n';
    return 1;
  } catch (...) {
    err_ << kProgramName << ": '" << invocation.path << "' failed with an unknown exception\n";
    return 1;
  }
  if (const auto& root = output->GetRootObject()) {
    const Format::Formatter& formatter = ChooseFormatter(options, *invocation.command);
    Format::OutputParameters parameters(invocation.command->GetDefaultOutputParameters());
    for (const auto& entry : options.formatParameters) {
      parameters.Set(entry.first, entry.second);
    }
    if (options.debug) {
      err_ << kProgramName << ": formatter '" << formatter.Name() << "'";
      for (const auto& entry : parameters.Entries()) {
        err_ << ", " << entry.first << '=' << entry.second;
      }
      err_ << '\n';
    }
    // Formatted whole before anything is written, so a failure prints
    // nothing half done.
    std::ostringstream text;
    formatter.Print(*root, parameters, text);
    out_ << text.str() << std::flush;
  }
  for (const auto& message : output->GetErrorMessages()) {
    err_ << message << '\n';
  }
  return output->GetErrorMessages().empty() ? 0 : 1;
}

}  // namespace Cli
}  // namespace Kelvo
