// ostrelcli: loads the plug-ins and runs one command.

#include "command_line.h"
#include "completion.h"
#include "formatter.h"
#include "man_page.h"
#include "plugin_loader.h"
#include "program.h"
#include "usage_error.h"

#include <cstdlib>
#include <iostream>
#include <sstream>

#ifndef OSTRELCLI_VERSION
#define OSTRELCLI_VERSION "unknown"
#endif

namespace {

using Kelvo::Cli::kProgramName;

std::string PluginDirectory(const Kelvo::Cli::GlobalOptions& options, bool& chosen) {
  chosen = true;
  if (options.pluginDirectory) {
    return *options.pluginDirectory;
  }
  const char* fromEnvironment = std::getenv("OSTRELCLI_PLUGIN_DIR");
  if (fromEnvironment && *fromEnvironment) {
    return fromEnvironment;
  }
  chosen = false;
  return Kelvo::Cli::DefaultPluginDirectory();
}

int Main(const std::vector<std::string>& args) {
  Kelvo::Cli::GlobalOptions options;
  std::vector<std::string> words;
  try {
    words = Kelvo::Cli::ParseGlobalOptions(args, options);
  } catch (const Kelvo::Cli::UsageError& error) {
    std::cerr << kProgramName << ": " << error.what() << '\n'
              << "Try '" << kProgramName << " --help' for more information.\n";
    return Kelvo::Cli::kUsageStatus;
  }
  if (options.completion) {
    if (Kelvo::Cli::WriteCompletionScript(*options.completion, std::cout)) {
      return 0;
    }
    std::cerr << kProgramName << ": no completion for the shell '" << *options.completion
              << "'; choose one of: bash, zsh, fish\n";
    return Kelvo::Cli::kUsageStatus;
  }
  const auto formatters = Kelvo::Format::FormatterRegistry::WithBuiltins();
  // Declared before the tree so that the tree, which holds objects made by
  // the modules' code, is destroyed first.
  std::vector<std::unique_ptr<Kelvo::Cli::PluginModule>> modules;
  auto root = Kelvo::Cli::MakeRootNamespace();
  bool chosen = false;
  std::string directory = PluginDirectory(options, chosen);
  // Completion runs at every key press: it reports nothing.
  std::ostringstream quiet;
  modules =
      Kelvo::Cli::LoadPlugins(directory, root, options.complete ? quiet : std::cerr, options.debug, chosen);
  if (options.complete) {
    for (const auto& candidate : Kelvo::Cli::CompletionCandidates(root, formatters, words)) {
      std::cout << candidate << '\n';
    }
    return 0;
  }
  std::vector<Kelvo::Cli::PluginIdentity> plugins;
  for (const auto& module : modules) {
    plugins.emplace_back(module->Name(), module->Version());
  }
  if (options.version) {
    std::cout << kProgramName << ' ' << OSTRELCLI_VERSION << '\n';
    for (const auto& plugin : plugins) {
      std::cout << "plug-in " << plugin.first << ' '
                << (plugin.second.empty() ? "(no version)" : plugin.second) << '\n';
    }
    return 0;
  }
  if (options.man) {
    Kelvo::Cli::WriteManPage(root, formatters, plugins, OSTRELCLI_VERSION, std::cout);
    return 0;
  }
  Kelvo::Cli::Program program(root, formatters, std::cout, std::cerr);
  int status = program.Run(options, words);
  std::cout.flush();
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Main(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::exception& error) {
    std::cerr << kProgramName << ": " << error.what() << '\n';
  } catch (...) {
    std::cerr << kProgramName << ": unknown failure\n";
  }
  return 1;
}
