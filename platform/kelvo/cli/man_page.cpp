// ostrelcli(1) in man(7) markup.

#include "man_page.h"

#include "completion.h"
#include "help.h"
#include "plugin_loader.h"

#include <sstream>

namespace Kelvo {
namespace Cli {

namespace {

using AutoCli::NamespaceNode;
using AutoCli::NodeType;

// An option's spelling as the help shows it ("--formatter NAME", "-h,
// --help"): the option names in bold, the placeholders in italics.
std::string OptionMarkup(const std::string& spelling) {
  std::istringstream words(spelling);
  std::string markup;
  for (std::string word; words >> word;) {
    std::string tail;
    if (word.back() == ',') {
      word.pop_back();
      tail = ",";
    }
    std::string escaped;
    for (char c : RoffText(word)) {
      escaped += c == '-' ? std::string("\\-") : std::string(1, c);
    }
    markup +=
        (markup.empty() ? "" : " ") + std::string(word[0] == '-' ? "\\fB" : "\\fI") + escaped + "\\fR" + tail;
  }
  return markup;
}

std::string Joined(const std::vector<std::string>& items) {
  std::string joined;
  for (const auto& item : items) {
    joined += (joined.empty() ? "" : ", ") + item;
  }
  return joined;
}

void WriteCommand(AutoCli::Command& command, std::ostream& out) {
  std::shared_ptr<CallSpec::InputSpec> input;
  std::shared_ptr<CallSpec::OutputSpec> output;
  try {
    input = command.GetInputSpec();
    output = command.GetOutputSpec();
  } catch (const std::exception&) {
  }
  if (input && !input->GetParameters().empty()) {
    out << ".PP\nParameters:\n";
    for (const auto& parameter : input->GetParameters()) {
      std::string spelling = "--" + parameter->GetName();
      if (!parameter->GetShortName().empty()) {
        spelling += ", -" + parameter->GetShortName();
      }
      out << ".TP\n"
          << OptionMarkup(spelling + (parameter->IsFlag() ? "" : " VALUE")) << '\n'
          << RoffText(parameter->GetDescription()) << '\n';
      const auto values = ParameterValues(*parameter);
      if (!values.empty()) {
        out << ".br\nValues: " << RoffText(Joined(values)) << ".\n";
      }
      if (parameter->IsRequired()) {
        out << ".br\nRequired.\n";
      }
    }
  }
  const std::string& formatter = command.GetDefaultOutputFormatter();
  out << ".PP\nDefault output: the \\fB" << RoffText(formatter.empty() ? "simple" : formatter)
      << "\\fR formatter";
  for (const auto& parameter : command.GetDefaultOutputParameters()) {
    out << ";\n.br\n\\fI" << RoffText(parameter.first) << "\\fR=" << RoffText(parameter.second);
  }
  out << ".\n";
  if (output && output->GetRootObject()) {
    out << ".PP\nResult: " << RoffText(ResultShape(*output->GetRootObject())) << ".\n";
  }
}

// Every namespace and command below node, depth first, in registration order.
void WriteTree(const NamespaceNode& node, const std::string& path, std::ostream& out) {
  for (const auto& child : node.GetChildren()) {
    const std::string childPath = path.empty() ? child.first : path + " " + child.first;
    out << ".SS \"" << RoffText(childPath) << "\"\n";
    if (!child.second->GetDescription().empty()) {
      out << RoffText(child.second->GetDescription()) << '\n';
    }
    auto command = child.second->GetType() == NodeType::Command ? child.second->GetDispatcher() : nullptr;
    if (command) {
      WriteCommand(*command, out);
    } else {
      WriteTree(*child.second, childPath, out);
    }
  }
}

}  // namespace

std::string RoffText(const std::string& text) {
  std::string escaped;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool lineStart = i == 0 || text[i - 1] == '\n';
    if (lineStart && (text[i] == '.' || text[i] == '\'')) {
      escaped += "\\&";
    }
    escaped += text[i] == '\\' ? std::string("\\e") : std::string(1, text[i]);
  }
  return escaped;
}

void WriteManPage(const std::shared_ptr<NamespaceNode>& root, const Format::FormatterRegistry& formatters,
                  const std::vector<PluginIdentity>& plugins, const std::string& version, std::ostream& out) {
  out << ".TH OSTRELCLI 1 \"\" \"ostrelcli " << RoffText(version) << "\" \"User Commands\"\n.nh\n"
      << ".SH NAME\nostrelcli \\- run the commands that plug-ins provide\n"
      << ".SH SYNOPSIS\n\\fBostrelcli\\fR [\\fIGLOBAL OPTIONS\\fR] \\fINAMESPACE\\fR... \\fICOMMAND\\fR "
         "[\\fIPARAMETERS\\fR]\n"
      << ".SH DESCRIPTION\n"
      << "\\fBostrelcli\\fR loads its plug-ins, each of which registers namespaces and commands, and runs "
         "the command that the namespace path names with the parameters that follow it. The result is "
         "printed with the command's default formatter or the one chosen with \\fB\\-\\-formatter\\fR; "
         "errors go to standard error, one per line.\n"
      << ".PP\nGlobal options go before the namespace path. \\fB\\-\\-help\\fR after any path prints "
         "the help of what it names.\n"
      << ".SH GLOBAL OPTIONS\n";
  for (const auto& option : GlobalOptionHelp()) {
    out << ".TP\n" << OptionMarkup(option.first) << '\n' << RoffText(option.second) << '\n';
  }
  out << ".SH FORMATTERS\n";
  for (const auto& name : formatters.Names()) {
    out << ".TP\n\\fB" << RoffText(name) << "\\fR\n" << RoffText(formatters.Find(name)->Summary()) << '\n';
  }
  out << ".SH COMMANDS\n";
  WriteTree(*root, "", out);
  out << ".SH PLUG-INS\n";
  if (plugins.empty()) {
    out << "None was loaded when this page was written.\n";
  }
  for (const auto& plugin : plugins) {
    out << ".TP\n\\fB" << RoffText(plugin.first) << "\\fR\nversion "
        << RoffText(plugin.second.empty() ? "unknown" : plugin.second) << '\n';
  }
  out << ".SH EXIT STATUS\n0 on success, 1 when the command reports an error, 2 for a usage error.\n"
      << ".SH ENVIRONMENT\n.TP\n\\fBOSTRELCLI_PLUGIN_DIR\\fR\n"
      << "the plug-in directory, when \\fB\\-\\-plugin\\-dir\\fR is not given.\n"
      << ".SH FILES\n.TP\n\\fILIBDIR\\fR/" << RoffText(PluginSubdirectory()) << '\n'
      << "the plug-in directory: every \\fI*.so\\fR file in it is loaded, in name order. \\fILIBDIR\\fR is "
         "the directory of the framework library \\fBlibkelvo.so\\fR.\n";
}

}  // namespace Cli
}  // namespace Kelvo
