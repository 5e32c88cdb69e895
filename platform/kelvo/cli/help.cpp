// Help texts, laid out in aligned columns.

#include "help.h"

#include "usage_error.h"
#include "value_text.h"

#include <algorithm>
#include <vector>

namespace Kelvo {
namespace Cli {

namespace {

using AutoCli::NamespaceNode;
using AutoCli::NodeType;
using Format::DisplayWidth;
using Format::PadRight;

using Rows = std::vector<std::vector<std::string>>;

std::string TrimRight(std::string text) {
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

// Rows of cells, each column as wide as its widest cell, indented by two.
void PrintColumns(const Rows& rows, std::ostream& out) {
  std::vector<std::size_t> widths;
  for (const auto& row : rows) {
    widths.resize(std::max(widths.size(), row.size()), 0);
    auto width = widths.begin();
    for (const std::string& cell : row) {
      *width = std::max(*width, DisplayWidth(cell));
      ++width;
    }
  }
  for (const auto& row : rows) {
    std::string line = " ";
    auto width = widths.begin();
    for (const std::string& cell : row) {
      line += " " + PadRight(cell, *width++) + " ";
    }
    out << TrimRight(line) << '\n';
  }
}

std::string WithPath(const std::string& path) {
  return path.empty() ? "" : " " + path;
}

// Namespaces and commands listed together so that their descriptions line
// up; the first column is padded to the widest name of both sections.
void PrintChildren(const NamespaceNode& node, const std::string& path, std::ostream& out) {
  Rows namespaces;
  Rows commands;
  std::size_t width = 0;
  for (const auto& child : node.GetChildren()) {
    width = std::max(width, DisplayWidth(child.first));
  }
  for (const auto& child : node.GetChildren()) {
    Rows& section = child.second->GetType() == NodeType::Command ? commands : namespaces;
    section.push_back({PadRight(child.first, width), child.second->GetDescription()});
  }
  if (namespaces.empty() && commands.empty()) {
    out << "Nothing is registered here.\n";
    return;
  }
  if (!namespaces.empty()) {
    out << "Namespaces:\n";
    PrintColumns(namespaces, out);
  }
  if (!commands.empty()) {
    out << (namespaces.empty() ? "" : "\n") << "Commands:\n";
    PrintColumns(commands, out);
  }
  out << "\nRun '" << kProgramName << WithPath(path) << " NAME --help' for more about one of them.\n";
}

std::string UsageTail(const NamespaceNode& node) {
  bool hasNamespaces = false;
  for (const auto& child : node.GetChildren()) {
    hasNamespaces = hasNamespaces || child.second->GetType() == NodeType::Namespace;
  }
  return hasNamespaces ? "NAMESPACE... COMMAND [PARAMETERS]" : "COMMAND [PARAMETERS]";
}

}  // namespace

const std::vector<std::pair<std::string, std::string>>& GlobalOptionHelp() {
  static const std::vector<std::pair<std::string, std::string>> options = {
      {"--formatter NAME", "print the result with this formatter instead of the command's default"},
      {"--format-param KEY=VALUE", "set an output parameter; repeatable; overrides the command's"},
      {"--plugin-dir DIR",
       "load plug-ins from DIR (also: environment variable OSTRELCLI_PLUGIN_DIR); DIR, the directories "
       "above it and each plug-in must be root's or yours and writable by their owner alone (a sticky "
       "directory such as /tmp may stand above)"},
      {"--debug", "report plug-in loading and the output settings on stderr"},
      {"--version", "print the version and the loaded plug-ins with theirs, and exit"},
      {"--man", "write the manual page ostrelcli(1) of the loaded plug-ins' commands, and exit"},
      {"--completion SHELL", "print the completion script for bash, zsh or fish, and exit"},
      {"-h, --help", "print this help, or the help of the path that follows"}};
  return options;
}

void PrintProgramHelp(const NamespaceNode& root, const Format::FormatterRegistry& formatters,
                      std::ostream& out) {
  out << "Usage: " << kProgramName << " [GLOBAL OPTIONS] NAMESPACE... COMMAND [PARAMETERS]\n\n"
      << "Runs the commands that plug-ins register under their namespaces.\n\n"
      << "Global options (before the namespace path):\n";
  Rows options;
  for (const auto& option : GlobalOptionHelp()) {
    options.push_back({option.first, option.second});
  }
  PrintColumns(options, out);
  out << "\nFormatters:\n";
  Rows rows;
  for (const auto& name : formatters.Names()) {
    rows.push_back({name, formatters.Find(name)->Summary()});
  }
  PrintColumns(rows, out);
  out << "\nExit status: 0 on success, 1 when the command reports an error, 2 for a usage error.\n\n";
  PrintChildren(root, "", out);
}

void PrintNamespaceHelp(const NamespaceNode& node, const std::string& path, std::ostream& out) {
  out << "Usage: " << kProgramName << " [GLOBAL OPTIONS]" << WithPath(path) << ' ' << UsageTail(node)
      << "\n\n";
  if (!node.GetDescription().empty()) {
    out << node.GetDescription() << "\n\n";
  }
  PrintChildren(node, path, out);
}

std::string ResultShape(const MetaObj::MetaValue& prototype) {
  using MetaObj::MetaKind;
  auto fieldsOf = [](const MetaObj::MetaStruct& record) {
    std::string names;
    for (const auto& field : record.GetFields()) {
      names += (names.empty() ? "" : ", ") + field.first;
    }
    return names.empty() ? std::string("no fields") : "fields: " + names;
  };
  switch (prototype.GetKind()) {
    case MetaKind::Struct: {
      const auto& record = static_cast<const MetaObj::MetaStruct&>(prototype);
      return "one " + record.GetTypeName() + " record; " + fieldsOf(record);
    }
    case MetaKind::List: {
      const auto& list = static_cast<const MetaObj::MetaList&>(prototype);
      const auto* record = Format::RepresentativeRecord(list);
      return record ? "a list of " + record->GetTypeName() + " records; " + fieldsOf(*record) : "a list";
    }
    case MetaKind::Bool:
      return "true or false";
    case MetaKind::Int:
      return "a number";
    case MetaKind::String:
      break;
  }
  return "a text";
}

void PrintCommandHelp(const AutoCli::CommandSpec& command, const CallSpec::InputSpec& spec,
                      const MetaObj::MetaValue* result, const std::string& path, std::ostream& out) {
  out << "Usage: " << kProgramName << " [GLOBAL OPTIONS]" << WithPath(path) << " [PARAMETERS]\n\n";
  if (!command.GetDescription().empty()) {
    out << command.GetDescription() << "\n\n";
  }
  if (spec.GetParameters().empty()) {
    out << "Parameters: none.\n";
  } else {
    out << "Parameters:\n";
    Rows rows = {{"Name", "Short", "Takes", "Required", "Description"}};
    for (const auto& parameter : spec.GetParameters()) {
      rows.push_back({"--" + parameter->GetName(),
                      parameter->GetShortName().empty() ? "" : "-" + parameter->GetShortName(),
                      parameter->IsFlag() ? "flag" : "VALUE", parameter->IsRequired() ? "yes" : "no",
                      parameter->GetDescription()});
    }
    PrintColumns(rows, out);
  }
  const std::string& formatter = command.GetDefaultOutputFormatter();
  out << "\nOutput: formatter '" << (formatter.empty() ? "simple" : formatter) << "'; choose another with '"
      << kProgramName << " --formatter NAME" << WithPath(path) << "'.\n";
  if (!command.GetDefaultOutputParameters().empty()) {
    out << "Output parameters (change with '--format-param KEY=VALUE'):\n";
    Rows rows;
    for (const auto& parameter : command.GetDefaultOutputParameters()) {
      rows.push_back({parameter.first, parameter.second});
    }
    PrintColumns(rows, out);
  }
  if (result) {
    out << "Result: " << ResultShape(*result) << ".\n";
  }
}

}  // namespace Cli
}  // namespace Kelvo
