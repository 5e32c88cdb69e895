// A plug-in module for testing the program: "hardware demo" with one
// command per result shape, plus commands that fail in each way a command
// can.

#include <Kelvo/AutoCli.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>

extern "C" [[noreturn]] void Panic(const char* fmt, ...);

namespace {

using Kelvo::AutoCli::Command;
using Kelvo::AutoCli::Namespace;
using Kelvo::AutoCli::NamespaceNode;
namespace CallSpec = Kelvo::CallSpec;
namespace MetaObj = Kelvo::MetaObj;

using Body = std::function<void(const CallSpec::Input&, CallSpec::Output&)>;
using Declare = std::function<void(CallSpec::InputSpec&)>;

class DemoCommand : public virtual Command {
 public:
  static std::shared_ptr<DemoCommand> New(const char* description, Body body, Declare declare = nullptr) {
    return std::shared_ptr<DemoCommand>(new DemoCommand(description, std::move(body), std::move(declare)));
  }

 protected:
  DemoCommand(const char* description, Body body, Declare declare)
      : body_(std::move(body)), declare_(std::move(declare)) {
    SetDescription(description);
  }
  std::shared_ptr<CallSpec::InputSpec> GetInputSpecInternal() override {
    auto spec = CallSpec::InputSpec::New();
    if (declare_) {
      declare_(*spec);
    }
    return spec;
  }
  std::shared_ptr<CallSpec::OutputSpec> GetOutputSpecInternal() override {
    return CallSpec::OutputSpec::New();
  }
  void ExecuteInternal(const std::shared_ptr<CallSpec::Input>& input,
                       const std::shared_ptr<CallSpec::Output>& output) override {
    body_(*input, *output);
  }

 private:
  Body body_;
  Declare declare_;
};

std::shared_ptr<CallSpec::ParameterSpec> Parameter(const char* name, int type, const char* shortName,
                                                   bool required, const char* description) {
  auto parameter = CallSpec::ParameterSpec::New(name, type);
  parameter->SetShortName(shortName);
  parameter->SetRequired(required);
  parameter->SetDescription(description);
  return parameter;
}

std::shared_ptr<MetaObj::MetaStruct> Sensor(int id, const char* name, const char* reading) {
  auto row = MetaObj::MetaStruct::New("DemoSensor");
  row->SetField("Id", id);
  row->SetField("Name", name);
  row->SetField("Reading", reading);
  row->SetField("Unit", MetaObj::MetaString::New());
  return row;
}

std::shared_ptr<MetaObj::MetaList> Sensors() {
  auto list = MetaObj::MetaList::New(3, Sensor(0, "", ""));
  list->Add(Sensor(1, "CPU Temp", "45.000"));
  list->Add(Sensor(12, "Fan 1", "3600"));
  return list;
}

void EchoParameters(const CallSpec::Input& input, CallSpec::Output& output) {
  auto echo = MetaObj::MetaStruct::New("Echo");
  echo->SetField("raw", input.IsFlagSet("include-raw"));
  echo->SetField("pretty", input.IsFlagSet("include-pretty-raw"));
  echo->SetField("node given", input.HasParameter("node"));
  echo->SetField("node", input.GetParameter("node"));
  echo->SetField("name", input.GetParameter("name"));
  output.SetRootObject(echo);
}

void DeclareEchoParameters(CallSpec::InputSpec& spec) {
  spec.AddParameter(Parameter("include-raw", 3, "r", false, "Add the raw bytes"));
  spec.AddParameter(Parameter("include-pretty-raw", 3, "p", false, "Add the raw bytes, spaced"));
  spec.AddParameter(Parameter("node", 0, "n", false, "Which node"));
  spec.AddParameter(Parameter("name", 0, "", true, "A name to echo"));
}

std::shared_ptr<NamespaceNode> MakeDemo() {
  auto demo = Namespace::New();
  demo->SetDescription("Commands for testing the program.");
  auto sensors = DemoCommand::New("List the sensors.", [](const CallSpec::Input&, CallSpec::Output& out) {
    out.SetRootObject(Sensors());
  });
  sensors->SetDefaultOutputFormatter("table");
  sensors->SetDefaultOutputParameter("fields:DemoSensor", "Name,Reading,Id");
  demo->RegisterNamespaceNode(sensors, "sensors");
  auto config =
      DemoCommand::New("Show the configuration.", [](const CallSpec::Input&, CallSpec::Output& out) {
        auto record = MetaObj::MetaStruct::New("DemoConfig");
        record->SetField("Version", std::vector<std::string>{"1.5", "2.0"});
        record->SetField("Records", std::vector<long>{10, 3});
        record->SetField("Enabled", std::vector<bool>{true, false});
        out.SetRootObject(record);
      });
  config->SetDefaultOutputFormatter("simple");
  config->SetDefaultOutputParameter("show-header", "false");
  demo->RegisterNamespaceNode(config, "config");
  demo->RegisterNamespaceNode(DemoCommand::New("Clear the log.",
                                               [](const CallSpec::Input&, CallSpec::Output& out) {
                                                 out.SetRootObject(MetaObj::MetaBool::New(true));
                                               }),
                              "clear");
  demo->RegisterNamespaceNode(
      DemoCommand::New("List nothing.",
                       [](const CallSpec::Input&, CallSpec::Output& out) {
                         out.SetRootObject(MetaObj::MetaList::New(3, Sensor(0, "", "")));
                       }),
      "empty");
  demo->RegisterNamespaceNode(DemoCommand::New("Echo the parameters.", EchoParameters, DeclareEchoParameters),
                              "echo");
  demo->RegisterNamespaceNode(DemoCommand::New("Report two errors after a partial result.",
                                               [](const CallSpec::Input&, CallSpec::Output& out) {
                                                 out.SetRootObject(Sensors());
                                                 out.AddErrorMessage("Unable to read node 1 : timed out");
                                                 out.AddErrorMessage(std::string("second: 100% failed"));
                                               }),
                              "partial");
  demo->RegisterNamespaceNode(DemoCommand::New("Throw from the command.",
                                               [](const CallSpec::Input&, CallSpec::Output&) {
                                                 throw std::runtime_error("device vanished");
                                               }),
                              "throw");
  demo->RegisterNamespaceNode(
      DemoCommand::New("Call the host's fatal-error function.",
                       [](const CallSpec::Input&, CallSpec::Output&) { Panic("demo panic %d", 7); }),
      "panic");
  demo->RegisterNamespaceNode(
      DemoCommand::New(
          "Declare a parameter twice.", [](const CallSpec::Input&, CallSpec::Output&) {},
          [](CallSpec::InputSpec& spec) {
            spec.AddParameter(Parameter("twice", 3, "", false, "first"));
            spec.AddParameter(Parameter("twice", 3, "", false, "second"));
          }),
      "badspec");
  return demo;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void AutoCli_RegisterNamespaces(
    std::shared_ptr<NamespaceNode>& root) {
  root->SubNamespace("hardware")->RegisterNamespaceNode(MakeDemo(), "demo");
}
