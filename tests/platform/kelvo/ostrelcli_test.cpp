// ostrelcli as a user meets it: help, usage errors, running commands and
// loading plug-ins, with a demo plug-in module.

#include "run_program.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

namespace {

using kelvo_test::RunResult;
using kelvo_test::TempDir;
using Words = std::vector<std::string>;
namespace fs = std::filesystem;

const std::string kProgram = OSTRELCLI_BINARY;

// A plug-in directory holding copies of modules with the modes asked for.
class PluginDir {
 public:
  PluginDir& Add(const std::string& source, const std::string& name, mode_t mode = 0755) {
    std::string target = dir_.Path() + "/" + name;
    fs::copy_file(source, target, fs::copy_options::overwrite_existing);
    chmod(target.c_str(), mode);
    return *this;
  }
  std::string Write(const std::string& name, const std::string& content, mode_t mode = 0644) {
    std::string path = dir_.Write(name, content);
    chmod(path.c_str(), mode);
    return path;
  }
  const std::string& Path() const { return dir_.Path(); }
  RunResult Run(const Words& args) const {
    Words all = {"--plugin-dir", Path()};
    all.insert(all.end(), args.begin(), args.end());
    return kelvo_test::Run(kProgram, all);
  }

 private:
  TempDir dir_;
};

class OstrelcliRun : public testing::Test {
 protected:
  void SetUp() override { plugins_.Add(DEMO_PLUGIN, "demo.so"); }
  RunResult RunDemo(const Words& args) const { return plugins_.Run(args); }
  PluginDir plugins_;
};

TEST_F(OstrelcliRun, NamespaceHelpListsChildrenAligned) {
  const std::string expected =
      "Usage: ostrelcli [GLOBAL OPTIONS] hardware demo COMMAND [PARAMETERS]\n"
      "\n"
      "Commands for testing the program.\n"
      "\n"
      "Commands:\n"
      "  sensors  List the sensors.\n"
      "  config   Show the configuration.\n"
      "  clear    Clear the log.\n"
      "  empty    List nothing.\n"
      "  echo     Echo the parameters.\n"
      "  partial  Report two errors after a partial result.\n"
      "  throw    Throw from the command.\n"
      "  panic    Call the host's fatal-error function.\n"
      "  badspec  Declare a parameter twice.\n"
      "\n"
      "Run 'ostrelcli hardware demo NAME --help' for more about one of them.\n";
  for (const Words& args : {Words{"hardware", "demo"}, Words{"hardware", "demo", "--help"},
                            Words{"hardware", "demo", "-h"}, Words{"--help", "hardware", "demo"}}) {
    RunResult result = RunDemo(args);
    EXPECT_EQ(result.exitStatus, 0) << testing::PrintToString(args);
    EXPECT_EQ(result.out, expected) << testing::PrintToString(args);
    EXPECT_EQ(result.err, "");
  }
  RunResult hardware = RunDemo({"hardware"});
  EXPECT_NE(hardware.out.find("Namespaces:\n  demo  Commands for testing the program.\n"), std::string::npos)
      << hardware.out;
}

TEST_F(OstrelcliRun, CommandHelpDescribesEveryParameter) {
  const std::string expected =
      "Usage: ostrelcli [GLOBAL OPTIONS] hardware demo echo [PARAMETERS]\n"
      "\n"
      "Echo the parameters.\n"
      "\n"
      "Parameters:\n"
      "  Name                  Short  Takes  Required  Description\n"
      "  --include-raw         -r     flag   no        Add the raw bytes\n"
      "  --include-pretty-raw  -p     flag   no        Add the raw bytes, spaced\n"
      "  --node                -n     VALUE  no        Which node\n"
      "  --name                       VALUE  yes       A name to echo\n"
      "\n"
      "Output: formatter 'simple'; choose another with 'ostrelcli --formatter NAME hardware demo echo'.\n";
  for (const Words& args :
       {Words{"hardware", "demo", "echo", "--help"}, Words{"hardware", "demo", "echo", "-h"},
        Words{"--help", "hardware", "demo", "echo"}}) {
    RunResult result = RunDemo(args);
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.out, expected) << testing::PrintToString(args);
  }
  RunResult sensors = RunDemo({"hardware", "demo", "sensors", "--help"});
  EXPECT_NE(sensors.out.find("Parameters: none.\n\nOutput: formatter 'table';"), std::string::npos)
      << sensors.out;
}

TEST_F(OstrelcliRun, ProgramHelpAndVersion) {
  RunResult help = RunDemo({"--help"});
  EXPECT_EQ(help.exitStatus, 0);
  for (const char* part : {"Usage: ostrelcli [GLOBAL OPTIONS] NAMESPACE... COMMAND [PARAMETERS]\n",
                           "  --format-param KEY=VALUE  ", "  keyvalue  ", "Namespaces:\n  hardware  "}) {
    EXPECT_NE(help.out.find(part), std::string::npos) << part;
  }
  EXPECT_EQ(RunDemo({}).out, help.out);
  RunResult version = RunDemo({"--version"});
  EXPECT_EQ(version.exitStatus, 0);
  EXPECT_EQ(version.out.rfind("ostrelcli ", 0), 0u) << version.out;
}

TEST_F(OstrelcliRun, UsageErrorsExitTwoWithOneLineAndAPointerToHelp) {
  struct Case {
    Words args;
    std::string line;
    std::string help;  // the path whose help is suggested
  };
  const std::vector<Case> cases = {
      {{"hardwre"}, "'hardwre' is not a namespace or command at the top level; did you mean 'hardware'?", ""},
      {{"hardware", "dmo"},
       "'dmo' is not a namespace or command in 'hardware'; did you mean 'demo'?",
       " hardware"},
      {{"hardware", "demo", "sensor"},
       "'sensor' is not a namespace or command in 'hardware demo'; did you mean 'sensors'?",
       " hardware demo"},
      {{"hardware", "demo", "--debug"},
       "unknown option '--debug' in 'hardware demo'; global options go before the namespace path",
       " hardware demo"},
      {{"hardware", "demo", "echo", "--name", "x", "--bogus"},
       "unknown parameter '--bogus' for 'hardware demo echo'",
       " hardware demo echo"},
      {{"hardware", "demo", "echo", "--name"}, "parameter '--name' needs a value", " hardware demo echo"},
      {{"hardware", "demo", "echo", "--name", "x", "-r=1"},
       "parameter '-r' is a flag and takes no value",
       " hardware demo echo"},
      {{"hardware", "demo", "echo", "--name", "x", "-rr"},
       "parameter '--include-raw' given twice",
       " hardware demo echo"},
      {{"hardware", "demo", "echo", "-r"},
       "missing required parameter '--name' for 'hardware demo echo'",
       " hardware demo echo"},
      {{"hardware", "demo", "clear", "now"},
       "unexpected argument 'now' for 'hardware demo clear'",
       " hardware demo clear"},
      {{"--formatter", "yaml", "hardware", "demo", "clear"},
       "unknown formatter 'yaml'; choose one of: csv, json, keyvalue, simple, table, xml",
       ""},
      {{"--format-param", "show-header=maybe", "hardware", "demo", "clear"},
       "output parameter 'show-header' must be true or false, not 'maybe'",
       ""},
      {{"--format-param", "fields"}, "global option '--format-param' needs KEY=VALUE, not 'fields'", ""},
      {{"--verbose", "hardware"}, "unknown global option '--verbose'", ""},
  };
  for (const auto& c : cases) {
    RunResult result = RunDemo(c.args);
    EXPECT_EQ(result.exitStatus, 2) << testing::PrintToString(c.args);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err,
              "ostrelcli: " + c.line + "\nTry 'ostrelcli" + c.help + " --help' for more information.\n");
  }
}

TEST_F(OstrelcliRun, RunsCommandsAndPrintsWithTheDefaultFormatter) {
  struct Case {
    Words args;
    std::string out;
  };
  const std::vector<Case> cases = {
      {{"hardware", "demo", "sensors"},
       "Name      Reading  Id\n--------  -------  --\nCPU Temp  45.000   1\nFan 1     3600     12\n"},
      {{"hardware", "demo", "config"}, "Version: 1.5, 2.0\nRecords: 10, 3\nEnabled: true, false\n"},
      {{"hardware", "demo", "clear"}, "true\n"},
      {{"hardware", "demo", "empty"}, ""},
      {{"--formatter", "simple", "--format-param", "header:DemoSensor=Sensor %Id%", "hardware", "demo",
        "sensors"},
       "Sensor 1\n  Name:    CPU Temp\n  Reading: 45.000\n  Id:      1\n\n"
       "Sensor 12\n  Name:    Fan 1\n  Reading: 3600\n  Id:      12\n"},
      {{"--format-param", "fields:DemoSensor=Id,Unit", "--format-param", "show-header=false", "hardware",
        "demo", "sensors"},
       "Id  Unit\n--  ----\n1\n12\n"},
      {{"--formatter", "csv", "hardware", "demo", "sensors"},
       "Id,Name,Reading,Unit\r\n1,CPU Temp,45.000,\r\n12,Fan 1,3600,\r\n"},
      {{"--formatter", "keyvalue", "hardware", "demo", "echo", "--name=", "-rn", "-3"},
       "raw=true\npretty=false\nnode given=true\nnode=-3\nname=\n"},
      {{"--formatter", "keyvalue", "hardware", "demo", "echo", "--name", "-p"},
       "raw=false\npretty=false\nnode given=false\nnode=\nname=-p\n"},
  };
  for (const auto& c : cases) {
    RunResult result = RunDemo(c.args);
    EXPECT_EQ(result.exitStatus, 0) << testing::PrintToString(c.args) << result.err;
    EXPECT_EQ(result.out, c.out) << testing::PrintToString(c.args);
    EXPECT_EQ(result.err, "");
  }
}

TEST_F(OstrelcliRun, JsonOutputParses) {
  for (const char* command : {"sensors", "config", "clear", "empty"}) {
    RunResult result = RunDemo({"--formatter", "json", "hardware", "demo", command});
    ASSERT_EQ(result.exitStatus, 0);
    auto check = kelvo_test::CheckWithJsonTool(result.out);
    EXPECT_EQ(check.first, 0) << command << ":\n" << result.out << check.second;
  }
}

TEST_F(OstrelcliRun, ErrorMessagesGoToStderrAsAddedAndExitOne) {
  RunResult result = RunDemo({"hardware", "demo", "partial"});
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(result.out,
            "Id:      1\nName:    CPU Temp\nReading: 45.000\nUnit:\n\n"
            "Id:      12\nName:    Fan 1\nReading: 3600\nUnit:\n");
  EXPECT_EQ(result.err, "Unable to read node 1 : timed out\nsecond: 100% failed\n");
}

TEST_F(OstrelcliRun, FailuresInsideACommandNeverCrashTheProgram) {
  RunResult thrown = RunDemo({"hardware", "demo", "throw"});
  EXPECT_EQ(thrown.exitStatus, 1);
  EXPECT_EQ(thrown.out, "");
  EXPECT_EQ(thrown.err, "ostrelcli: 'hardware demo throw' failed: device vanished\n");

  RunResult badSpec = RunDemo({"hardware", "demo", "badspec"});
  EXPECT_EQ(badSpec.exitStatus, 1);
  EXPECT_EQ(badSpec.err,
            "ostrelcli: 'hardware demo badspec' cannot declare its parameters: "
            "InputSpec: parameter 'twice' declared twice\n");

  // Panic is the program's own, found by the module at load time.
  RunResult panic = RunDemo({"hardware", "demo", "panic"});
  EXPECT_EQ(panic.signal, SIGABRT);
  EXPECT_EQ(panic.err.rfind("demo panic 7\n", 0), 0u) << panic.err;
}

TEST(OstrelcliPlugins, RefusedFilesAreReportedAndSkipped) {
  struct Case {
    const char* name;
    std::function<std::string(PluginDir&)> prepare;  // returns the path refused
    std::string reason;
  };
  const std::vector<Case> cases = {
      {"world-writable",
       [](PluginDir& dir) {
         dir.Add(DEMO_PLUGIN, "demo.so", 0666);
         return dir.Path() + "/demo.so";
       },
       "it is world-writable (mode 0666)"},
      {"group-writable",
       [](PluginDir& dir) {
         dir.Add(DEMO_PLUGIN, "demo.so", 0775);
         return dir.Path() + "/demo.so";
       },
       "it is group-writable (mode 0775)"},
      {"no entry point",
       [](PluginDir& dir) {
         dir.Add(NO_ENTRY_PLUGIN, "other.so");
         return dir.Path() + "/other.so";
       },
       "it has no entry point AutoCli_RegisterNamespaces"},
      {"not a shared object",
       [](PluginDir& dir) { return dir.Write("notes.so", "this is text, not a module\n"); },
       "it cannot be loaded: "},
      {"a directory",
       [](PluginDir& dir) {
         fs::create_directory(dir.Path() + "/sub.so");
         return dir.Path() + "/sub.so";
       },
       "it is not a regular file"},
  };
  for (const auto& c : cases) {
    PluginDir dir;
    std::string refused = c.prepare(dir);
    // A good module beside it still loads (unless it is the refused one).
    bool demoRefused = refused == dir.Path() + "/demo.so";
    if (!demoRefused) {
      dir.Add(DEMO_PLUGIN, "zz-demo.so");
    }
    RunResult result = dir.Run({"hardware", "demo", "clear"});
    std::string line = "ostrelcli: skipping plug-in '" + refused + "': " + c.reason;
    EXPECT_EQ(result.err.rfind(line, 0), 0u) << c.name << ": " << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), demoRefused ? 3 : 1) << c.name;
    EXPECT_EQ(result.exitStatus, demoRefused ? 2 : 0) << c.name;
    EXPECT_EQ(result.out, demoRefused ? "" : "true\n") << c.name;
  }
}

TEST(OstrelcliPlugins, AFailedRegistrationIsReportedAndTheRestStillWorks) {
  PluginDir dir;
  dir.Add(FAILING_PLUGIN, "a-failing.so").Add(DEMO_PLUGIN, "b-demo.so");
  RunResult result = dir.Run({"--debug", "hardware"});
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.err, "ostrelcli: plug-in directory '" + dir.Path() + "'\n" + "ostrelcli: plug-in '" +
                            dir.Path() + "/a-failing.so' failed while registering: out of sensors\n" +
                            "ostrelcli: loaded plug-in '" + dir.Path() + "/b-demo.so'\n");
  // What was hung before the failure stays usable, and so does the next module.
  EXPECT_NE(result.out.find("  half  Registered before the failure.\n"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("  demo  Commands for testing the program.\n"), std::string::npos) << result.out;
}

TEST(OstrelcliPlugins, FilesOwnedBySomeoneElseAreRefused) {
  if (geteuid() != 0) {
    GTEST_SKIP() << "giving a file to another owner needs root";
  }
  PluginDir dir;
  dir.Add(DEMO_PLUGIN, "demo.so");
  std::string path = dir.Path() + "/demo.so";
  ASSERT_EQ(chown(path.c_str(), 4321, 4321), 0);
  RunResult result = dir.Run({"hardware"});
  EXPECT_EQ(result.err, "ostrelcli: skipping plug-in '" + path +
                            "': it is owned by user id 4321, neither root nor the invoking user\n");
  EXPECT_EQ(result.exitStatus, 0);
}

TEST(OstrelcliPlugins, DirectoryComesFromOptionEnvironmentOrBesideTheProgram) {
  PluginDir fromEnvironment;
  fromEnvironment.Add(DEMO_PLUGIN, "demo.so");
  RunResult viaEnvironment = kelvo_test::Run(kProgram, {"hardware", "demo", "clear"},
                                             {"OSTRELCLI_PLUGIN_DIR=" + fromEnvironment.Path()});
  EXPECT_EQ(viaEnvironment.out, "true\n");
  EXPECT_EQ(viaEnvironment.exitStatus, 0);

  // The option wins over the environment.
  TempDir empty;
  RunResult optionWins =
      kelvo_test::Run(kProgram, {"--plugin-dir", empty.Path(), "hardware", "demo", "clear"},
                      {"OSTRELCLI_PLUGIN_DIR=" + fromEnvironment.Path()});
  EXPECT_EQ(optionWins.exitStatus, 2);

  // An installed layout, moved anywhere: bin/, lib/, lib/ostrelcli/plugins/.
  TempDir prefix;
  fs::create_directories(prefix.Path() + "/bin");
  fs::create_directories(prefix.Path() + "/lib/ostrelcli/plugins");
  fs::copy_file(kProgram, prefix.Path() + "/bin/ostrelcli");
  fs::copy_file(KELVO_LIBRARY, prefix.Path() + "/lib/libkelvo.so");
  fs::copy_file(DEMO_PLUGIN, prefix.Path() + "/lib/ostrelcli/plugins/demo.so");
  RunResult installed = kelvo_test::Run(prefix.Path() + "/bin/ostrelcli", {"hardware", "demo", "clear"});
  EXPECT_EQ(installed.out, "true\n") << installed.err;

  RunResult missing = kelvo_test::Run(kProgram, {"--plugin-dir", "/nonexistent/plugins", "hardware"});
  EXPECT_EQ(missing.exitStatus, 0);
  EXPECT_EQ(missing.err.rfind("ostrelcli: cannot read the plug-in directory '/nonexistent/plugins': ", 0), 0u)
      << missing.err;
}

}  // namespace
