// The parser on its own: global options, paths and parameters.

#include "command_line.h"
#include "help.h"
#include "suggest.h"
#include "usage_error.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using Kelvo::Cli::GlobalOptions;
using Kelvo::Cli::ParseGlobalOptions;
using Kelvo::Cli::ParseParameters;
using Kelvo::Cli::UsageError;
namespace CallSpec = Kelvo::CallSpec;
using Words = std::vector<std::string>;

std::shared_ptr<CallSpec::InputSpec> EchoSpec() {
  auto spec = CallSpec::InputSpec::New();
  auto add = [&](const char* name, int type, const char* shortName, bool required) {
    auto parameter = CallSpec::ParameterSpec::New(name, type);
    parameter->SetShortName(shortName);
    parameter->SetRequired(required);
    spec->AddParameter(parameter);
  };
  add("include-raw", 3, "r", false);
  add("include-pretty-raw", 3, "p", false);
  add("node", 0, "n", false);
  add("name", 0, "", true);
  add("all", 3, "al", false);  // a short name longer than one letter
  return spec;
}

// The parsed input as one comparable text: "flags|name=value;..."
std::string Describe(const CallSpec::Input& input) {
  std::string text;
  for (const char* flag : {"include-raw", "include-pretty-raw", "all"}) {
    if (input.IsFlagSet(flag)) {
      text += std::string(flag) + " ";
    }
  }
  text += "|";
  for (const char* option : {"node", "name"}) {
    if (input.HasParameter(option)) {
      text += std::string(option) + "=" + input.GetParameter(option) + ";";
    }
  }
  return text;
}

TEST(KelvoParameters, AcceptedForms) {
  struct Case {
    Words words;
    std::string parsed;
  };
  const std::vector<Case> cases = {
      {{"--name", "x"}, "|name=x;"},
      {{"--name=x"}, "|name=x;"},
      {{"--name="}, "|name=;"},
      {{"--name", ""}, "|name=;"},
      {{"--name", "-r"}, "|name=-r;"},
      {{"--name", "--node"}, "|name=--node;"},
      {{"--name=a=b"}, "|name=a=b;"},
      {{"--name", "x", "-n", "2"}, "|node=2;name=x;"},
      {{"--name", "x", "-n", "-1"}, "|node=-1;name=x;"},
      {{"--name", "x", "-n2"}, "|node=2;name=x;"},
      {{"--name", "x", "-n=all"}, "|node=all;name=x;"},
      {{"-r", "--name", "x"}, "include-raw |name=x;"},
      {{"--name", "x", "-rp"}, "include-raw include-pretty-raw |name=x;"},
      {{"--name", "x", "-prn", "0"}, "include-raw include-pretty-raw |node=0;name=x;"},
      {{"--name", "x", "--include-pretty-raw", "--include-raw"}, "include-raw include-pretty-raw |name=x;"},
      {{"--name", "x", "-al"}, "all |name=x;"},
      {{"--name", "x", "--"}, "|name=x;"},
  };
  for (const auto& c : cases) {
    auto input = CallSpec::Input::New();
    bool run = false;
    EXPECT_NO_THROW(run = ParseParameters(*EchoSpec(), c.words, *input, "demo echo"))
        << testing::PrintToString(c.words);
    EXPECT_TRUE(run);
    EXPECT_EQ(Describe(*input), c.parsed) << testing::PrintToString(c.words);
  }
}

TEST(KelvoParameters, UsageErrors) {
  struct Case {
    Words words;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"--name", "x", "--bogus"}, "unknown parameter '--bogus' for 'demo echo'"},
      {{"--nmae", "x"}, "unknown parameter '--nmae' for 'demo echo'; did you mean '--name'?"},
      {{"--name", "x", "--debug"},
       "unknown parameter '--debug' for 'demo echo'; global options go before the namespace path"},
      {{"--name", "x", "-x"}, "unknown parameter '-x' for 'demo echo'"},
      {{"--name", "x", "-rx"}, "unknown parameter '-x' (in '-rx') for 'demo echo'"},
      {{"--name"}, "parameter '--name' needs a value"},
      {{"--name", "x", "-n"}, "parameter '-n' needs a value"},
      {{"--name", "x", "-rn"}, "parameter '-n' needs a value"},
      {{"--name", "x", "--include-raw=yes"}, "parameter '--include-raw' is a flag and takes no value"},
      {{"--name", "x", "--include-raw="}, "parameter '--include-raw' is a flag and takes no value"},
      {{"--name", "x", "-r=1"}, "parameter '-r' is a flag and takes no value"},
      {{"--name", "x", "-r", "--include-raw"}, "parameter '--include-raw' given twice"},
      {{"--name", "x", "-rr"}, "parameter '--include-raw' given twice"},
      {{"--name", "x", "--name", "y"}, "parameter '--name' given twice"},
      {{"-n", "1", "--node=1", "--name", "x"}, "parameter '--node' given twice"},
      {{}, "missing required parameter '--name' for 'demo echo'"},
      {{"-r"}, "missing required parameter '--name' for 'demo echo'"},
      {{"--name", "x", "extra"}, "unexpected argument 'extra' for 'demo echo'"},
      {{"--name", "x", "-"}, "unexpected argument '-' for 'demo echo'"},
      {{"--", "--name", "x"}, "unexpected argument '--name' for 'demo echo'"},
  };
  for (const auto& c : cases) {
    auto input = CallSpec::Input::New();
    try {
      ParseParameters(*EchoSpec(), c.words, *input, "demo echo");
      ADD_FAILURE() << "accepted " << testing::PrintToString(c.words);
    } catch (const UsageError& error) {
      EXPECT_EQ(error.what(), c.message) << testing::PrintToString(c.words);
      EXPECT_EQ(error.HelpPath(), "demo echo");
    }
  }
}

TEST(KelvoParameters, HelpIsAskedForUnlessTheCommandDeclaresIt) {
  for (const Words& words : {Words{"--help"}, Words{"-h"}, Words{"-r", "--help", "--bogus"}}) {
    auto input = CallSpec::Input::New();
    EXPECT_FALSE(ParseParameters(*EchoSpec(), words, *input, "demo echo")) << testing::PrintToString(words);
  }
  // A value that reads "--help" is a value.
  auto input = CallSpec::Input::New();
  EXPECT_TRUE(ParseParameters(*EchoSpec(), {"--name", "--help"}, *input, "demo echo"));
  EXPECT_EQ(input->GetParameter("name"), "--help");
  // A command may declare its own "help" parameter.
  auto spec = CallSpec::InputSpec::New();
  spec->AddParameter(CallSpec::ParameterSpec::New("help", 3));
  input = CallSpec::Input::New();
  EXPECT_TRUE(ParseParameters(*spec, {"--help"}, *input, "x"));
  EXPECT_TRUE(input->IsFlagSet("help"));
}

TEST(KelvoGlobalOptions, ReadUntilThePath) {
  GlobalOptions options;
  Words rest = ParseGlobalOptions({"--formatter", "json", "--format-param", "show-header=false", "--debug",
                                   "--format-param=fields:T=A,B=C", "--plugin-dir=/p", "hardware", "--debug"},
                                  options);
  EXPECT_EQ(rest, (Words{"hardware", "--debug"}));
  EXPECT_EQ(options.formatter, "json");
  EXPECT_EQ(options.pluginDirectory, "/p");
  EXPECT_TRUE(options.debug);
  EXPECT_FALSE(options.help);
  using Pairs = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(options.formatParameters, (Pairs{{"show-header", "false"}, {"fields:T", "A,B=C"}}));

  GlobalOptions other;
  EXPECT_EQ(ParseGlobalOptions({"-h", "--version", "--", "--x"}, other), (Words{"--x"}));
  EXPECT_TRUE(other.help);
  EXPECT_TRUE(other.version);
}

TEST(KelvoGlobalOptions, UsageErrors) {
  const std::vector<std::pair<Words, std::string>> cases = {
      {{"--bogus"}, "unknown global option '--bogus'"},
      {{"-x", "hardware"}, "unknown global option '-x'"},
      {{"--formatter"}, "global option '--formatter' needs a value"},
      {{"--plugin-dir"}, "global option '--plugin-dir' needs a value"},
      {{"--format-param", "show-header"},
       "global option '--format-param' needs KEY=VALUE, not 'show-header'"},
      {{"--format-param", "=x"}, "global option '--format-param' needs KEY=VALUE, not '=x'"},
  };
  for (const auto& c : cases) {
    GlobalOptions options;
    try {
      ParseGlobalOptions(c.first, options);
      ADD_FAILURE() << "accepted " << testing::PrintToString(c.first);
    } catch (const UsageError& error) {
      EXPECT_EQ(error.what(), c.second);
    }
  }
}

TEST(KelvoSuggestions, ClosestNameByEditDistance) {
  const Words names = {"sel", "sdr", "fru", "bmc"};
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"sdx", "sdr"}, {"SEL", "sel"}, {"fr", "fru"}, {"bmcc", "bmc"}, {"sd", "sdr"}, {"zzzzzz", "sel"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Kelvo::Cli::ClosestName(c.first, names), c.second) << c.first;
  }
  EXPECT_EQ(Kelvo::Cli::ClosestName("x", {}), "");
  EXPECT_EQ(Kelvo::Cli::EditDistance("kitten", "sitting"), 3u);
  EXPECT_EQ(Kelvo::Cli::EditDistance("nmae", "name"), 1u);
  EXPECT_EQ(Kelvo::Cli::EditDistance("", "abc"), 3u);
}

}  // namespace

namespace {

TEST(KelvoHelp, NamespacesAndCommandsShareOneAlignment) {
  std::shared_ptr<Kelvo::AutoCli::NamespaceNode> root = Kelvo::AutoCli::Namespace::New();
  auto area = root->SubNamespace("area");
  area->SetDescription("An area.");
  area->SubNamespace("sel")->SetDescription("Event log.");
  struct Leaf : public virtual Kelvo::AutoCli::Command {
    std::shared_ptr<CallSpec::InputSpec> GetInputSpecInternal() override {
      return CallSpec::InputSpec::New();
    }
    std::shared_ptr<CallSpec::OutputSpec> GetOutputSpecInternal() override {
      return CallSpec::OutputSpec::New();
    }
    void ExecuteInternal(const std::shared_ptr<CallSpec::Input>&,
                         const std::shared_ptr<CallSpec::Output>&) override {}
  };
  auto leaf = std::make_shared<Leaf>();
  leaf->SetDescription("Long-named command.");
  area->RegisterNamespaceNode(leaf, "show-everything");
  area->SubNamespace("x");
  std::ostringstream out;
  Kelvo::Cli::PrintNamespaceHelp(*area, "area", out);
  EXPECT_EQ(out.str(),
            "Usage: ostrelcli [GLOBAL OPTIONS] area NAMESPACE... COMMAND [PARAMETERS]\n"
            "\n"
            "An area.\n"
            "\n"
            "Namespaces:\n"
            "  sel              Event log.\n"
            "  x\n"
            "\n"
            "Commands:\n"
            "  show-everything  Long-named command.\n"
            "\n"
            "Run 'ostrelcli area NAME --help' for more about one of them.\n");
  std::ostringstream empty;
  Kelvo::Cli::PrintNamespaceHelp(*area->GetNamespaceNode("x"), "area x", empty);
  EXPECT_EQ(empty.str(),
            "Usage: ostrelcli [GLOBAL OPTIONS] area x COMMAND [PARAMETERS]\n\nNothing is registered here.\n");
}

}  // namespace

namespace {

TEST(KelvoHelp, CommandHelpDescribesTheResultShape) {
  struct Plain : public Kelvo::AutoCli::Command {
    std::shared_ptr<CallSpec::InputSpec> GetInputSpecInternal() override {
      return CallSpec::InputSpec::New();
    }
    std::shared_ptr<CallSpec::OutputSpec> GetOutputSpecInternal() override {
      return CallSpec::OutputSpec::New();
    }
    void ExecuteInternal(const std::shared_ptr<CallSpec::Input>&,
                         const std::shared_ptr<CallSpec::Output>&) override {}
  };
  auto record = Kelvo::MetaObj::MetaStruct::New("IpmiSEL");
  record->SetField("Record Id", Kelvo::MetaObj::MetaInt::New());
  record->SetField("When", Kelvo::MetaObj::MetaString::New());
  const std::vector<std::pair<std::shared_ptr<Kelvo::MetaObj::MetaValue>, std::string>> cases = {
      {Kelvo::MetaObj::MetaList::New(3, record),
       "Result: a list of IpmiSEL records; fields: Record Id, When.\n"},
      {record, "Result: one IpmiSEL record; fields: Record Id, When.\n"},
      {Kelvo::MetaObj::MetaStruct::New("Empty"), "Result: one Empty record; no fields.\n"},
      {Kelvo::MetaObj::MetaBool::New(), "Result: true or false.\n"},
      {Kelvo::MetaObj::MetaList::New(3), "Result: a list.\n"},
      {nullptr, ""},
  };
  Plain command;
  command.SetDescription("Does it.");
  command.SetDefaultOutputFormatter("table");
  for (const auto& c : cases) {
    std::ostringstream out;
    Kelvo::Cli::PrintCommandHelp(command, *CallSpec::InputSpec::New(), c.first.get(), "a b", out);
    EXPECT_EQ(out.str(),
              "Usage: ostrelcli [GLOBAL OPTIONS] a b [PARAMETERS]\n\nDoes it.\n\nParameters: none.\n\n"
              "Output: formatter 'table'; choose another with 'ostrelcli --formatter NAME a b'.\n" +
                  c.second);
  }
  command.SetDefaultOutputParameter("header:IpmiSEL", "Record:%Record Id%");
  command.SetDefaultOutputParameter("show-header", "true");
  std::ostringstream out;
  Kelvo::Cli::PrintCommandHelp(command, *CallSpec::InputSpec::New(), nullptr, "a b", out);
  EXPECT_NE(out.str().find("'.\nOutput parameters (change with '--format-param KEY=VALUE'):\n"
                           "  header:IpmiSEL  Record:%Record Id%\n"
                           "  show-header     true\n"),
            std::string::npos)
      << out.str();
}

}  // namespace
