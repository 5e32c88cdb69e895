// A plug-in module for driving the program: "hardware demo" with a command
// per result shape the formatters meet, and "echo", which describes what the
// parser handed it or fails as --node asks.

#include <Kelvo/AutoCli.h>

#include <stdexcept>
#include <tuple>

extern "C" [[noreturn]] void Panic(const char* fmt, ...);

namespace {

using namespace Kelvo::MetaObj;
namespace CallSpec = Kelvo::CallSpec;

// Returns its value; without one it is "echo".
class Demo : public virtual Kelvo::AutoCli::Command {
 public:
  Demo(const char* description, std::shared_ptr<MetaValue> value) : value_(std::move(value)) {
    SetDescription(description);
  }

 protected:
  std::shared_ptr<CallSpec::InputSpec> GetInputSpecInternal() override {
    auto declared = CallSpec::InputSpec::New();
    using Row = std::tuple<const char*, int, const char*, bool, const char*>;
    for (const auto& [name, type, shortName, required, text] :
         value_ ? std::vector<Row>{}
                : std::vector<Row>{{"include-raw", 3, "r", false, "Add the raw bytes"},
                                   {"node", 0, "n", false, "Which node"},
                                   {"name", 0, "", true, "A name to echo"}}) {
      auto parameter = CallSpec::ParameterSpec::New(name, type);
      parameter->SetShortName(shortName);
      parameter->SetRequired(required);
      parameter->SetDescription(text);
      declared->AddParameter(parameter);
    }
    return declared;
  }
  std::shared_ptr<CallSpec::OutputSpec> GetOutputSpecInternal() override {
    auto result = CallSpec::OutputSpec::New();
    result->SetRootObject(value_ ? value_ : MetaString::New());
    return result;
  }
  void ExecuteInternal(const std::shared_ptr<CallSpec::Input>& in,
                       const std::shared_ptr<CallSpec::Output>& out) override {
    std::string text;
    text += in->IsFlagSet("include-raw") ? "include-raw;" : "";
    for (const char* option : {"node", "name"}) {
      text += in->HasParameter(option) ? std::string(option) + "=" + in->GetParameter(option) + ";" : "";
    }
    const std::string& node = in->GetParameter("node");
    if (node == "throw") {
      throw std::runtime_error("device vanished");
    } else if (node == "foreign") {
      throw 7;
    } else if (node == "panic") {
      Panic("demo panic %d", 7);
    } else if (node == "partial") {
      out->AddErrorMessage("Unable to read node 1 : timed out");
      out->AddErrorMessage(std::string("second: 100% failed"));
    }
    out->SetRootObject(value_ ? value_ : MetaString::New(text));
  }

 private:
  std::shared_ptr<MetaValue> value_;
};

std::shared_ptr<MetaStruct> Struct(const char* type, const char* field, std::shared_ptr<MetaValue> value) {
  auto record = MetaStruct::New(type);
  record->SetField(field, std::move(value));
  return record;
}

std::shared_ptr<MetaStruct> Sensor(long id, const char* name, const char* reading) {
  auto record = Struct("DemoSensor", "Id", MetaInt::New(id));
  record->SetField("Name", name);
  record->SetField("Reading", reading);
  return record;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void AutoCli_RegisterNamespaces(
    std::shared_ptr<Kelvo::AutoCli::NamespaceNode>& root) {
  std::shared_ptr<Kelvo::AutoCli::NamespaceNode> demo = Kelvo::AutoCli::Namespace::New();
  demo->SetDescription("Commands for testing the program.");
  auto sensors = MetaList::New(3, Struct("DemoSensor", "Id", MetaInt::New()));
  sensors->Add(Sensor(1, "CPU Temp", "45.000"));
  sensors->Add(Sensor(12, "Fan <left> & \302\253right\302\273", ""));
  auto command = std::make_shared<Demo>("List the sensors.", sensors);
  command->SetDefaultOutputFormatter("table");
  command->SetDefaultOutputParameter("fields:DemoSensor", "Id");
  command->SetDefaultOutputParameter("show-header", "false");
  command->SetDefaultOutputParameter("fields:DemoSensor", "Name,Reading,Id");
  demo->RegisterNamespaceNode(command, "sensors");
  // A structure of lists, one entry per node, of unequal lengths.
  auto config = Struct("DemoConfig", "Version", MetaList::New(META_STRING));
  config->SetField("Version", std::vector<std::string>{"1.5", "2.0"});
  config->SetField("Records", std::vector<long>{10, 3, 7});
  config->SetField("Enabled", std::vector<bool>{true, false});
  demo->RegisterNamespaceNode(std::make_shared<Demo>("Show the configuration.", config), "config");
  // A structure holding a structure and a list of structures.
  auto channels = MetaList::New(META_STRUCT);
  channels->Add(Struct("Channel", "Number", MetaInt::New(1)));
  channels->Add(Struct("Channel", "Number", MetaInt::New(2)));
  auto bmc = Struct("Bmc", "Name", MetaString::New("bmc0"));
  bmc->SetField("Lan", Struct("Lan", "Address", MetaString::New("192.0.2.1")));
  bmc->SetField("Channels", channels);
  bmc->SetField("Location", "Rack 4\nrow 2");
  bmc->SetField("Port", MetaInt::New());
  demo->RegisterNamespaceNode(std::make_shared<Demo>("Show the controller.", bmc), "bmc");
  // Readings as a monitoring export meets them: numbers, states, failures.
  auto readings = MetaList::New(META_STRUCT);
  const char* rows[][3] = {{"CPU \"0\"", " 45.500 ", ""},
                           {"Amps", "+1.5e3", "Error"},
                           {"Volt", "inf", ""},
                           {"Bay\\1\nfront \xff", "Drive Present", ""},
                           {"Fan", "12", "Error: timed out"},
                           {"PSU", "", ""}};
  for (const auto& row : rows) {
    auto record = Struct("DemoReading", "Sensor Name", MetaString::New(row[0]));
    record->SetField("Reading", row[1]);
    record->SetField("Error", row[2]);
    readings->Add(record);
  }
  demo->RegisterNamespaceNode(std::make_shared<Demo>("List the gauges.", readings), "gauges");
  demo->RegisterNamespaceNode(std::make_shared<Demo>("Clear the log.", MetaBool::New(true)), "clear");
  demo->RegisterNamespaceNode(std::make_shared<Demo>("Echo the parameters.", nullptr), "echo");
  root->SubNamespace("hardware")->RegisterNamespaceNode(demo, "demo");
}
