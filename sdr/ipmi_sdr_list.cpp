#include "sdr/ipmi_sdr_list.h"

#include "common/format.h"
#include "common/ipmi_exception.h"
#include "common/node_command.h"
#include "common/node_session.h"
#include "common/params.h"

#include <Ipmi/Ipmi.h>

#include <sstream>
#include <string>
#include <vector>

namespace OstrelCli {
namespace Hardware {

namespace {

using Kelvo::MetaObj::MetaList;
using Kelvo::MetaObj::MetaString;
using Kelvo::MetaObj::MetaStruct;

const char* const kRowFields[] = {"Node-Sensor", "Description",  "Entity-Instance", "Computed Reading",
                                  "Base Unit",   "Raw Reading",  "Sensor Type",     "Timestamp/Comment",
                                  "Raw",         "Formatted-Raw"};

// Whether the sensor gets a row. The health query is made for every sensor
// that passes the first two filters, also when all sensors are shown.
bool IsShown(const Ipmi::IpmiSensor& sensor, bool includeAllSensors) {
  if (!includeAllSensors) {
    if (sensor.scanningDisabled()) {
      return false;
    }
    if (sensor.readingStateUnavailable()) {
      return false;
    }
  }
  int healthState = 0;
  const bool hasHealthState = sensor.getHealthState(healthState);
  return includeAllSensors || hasHealthState;
}

// Fills the reading fields in order. A library failure on one sensor ends
// its rendering: the fields set so far stay, and the comment says why.
void RenderSensor(int node, const Ipmi::IpmiSensor& sensor, MetaStruct& row) {
  std::stringstream text;
  try {
    text << node << "." << sensor.getSensorNumber();
    row.SetField("Node-Sensor", TakeText(text));
    text << sensor.getDescription();
    row.SetField("Description", TakeText(text));
    const Ipmi::Entity entity = sensor.getEntity();
    text << entity.id << "." << entity.instance;
    row.SetField("Entity-Instance", TakeText(text));
    const std::uint32_t raw = sensor.getReading();
    if (sensor.isDiscrete()) {
      text << sensor.convertToEnumeration();
    } else {
      text << sensor.convertRawValue(raw);
    }
    row.SetField("Computed Reading", TakeText(text));
    text << sensor.getBaseUnitString();
    row.SetField("Base Unit", TakeText(text));
    text << raw;
    row.SetField("Raw Reading", TakeText(text));
    text << sensor.getSensorTypeString();
    row.SetField("Sensor Type", TakeText(text));
    char when[25] = {};
    TimeStamp(when, sizeof(when), static_cast<long>(sensor.readingTimeUsec / 1000000));
    row.SetField("Timestamp/Comment", when);
  } catch (const ostrelInt::CmpiStatus& status) {
    row.SetField("Timestamp/Comment", "Error: " + status.msg());
  }
}

// The sensor's SDR record as one dump, or "N/A" when it has none.
std::string DumpRawRecord(const Ipmi::IpmiSensor& sensor, DumpFunction dump) {
  const char* data = nullptr;
  int length = 0;
  sensor.RawRecord(data, length);
  if (data == nullptr) {
    return "N/A";
  }
  return DumpToText(dump, data, length);
}

}  // namespace

IpmiSdrList::IpmiSdrList() {
  SetDescription("List IPMI Sensor Data Repository.");
  SetDefaultOutputFormatter("table");
  SetDefaultOutputParameter("fields:IpmiSDR",
                            "Node-Sensor,Description,Entity-Instance,Computed Reading,Base Unit,Raw Reading,"
                            "Sensor Type,Timestamp/Comment,Raw,Formatted-Raw");
}

IpmiSdrList::~IpmiSdrList() = default;

std::shared_ptr<IpmiSdrList> IpmiSdrList::New() {
  return std::make_shared<IpmiSdrList>();
}

std::shared_ptr<Kelvo::CallSpec::InputSpec> IpmiSdrList::GetInputSpecInternal() {
  std::shared_ptr<Kelvo::CallSpec::InputSpec> spec = Kelvo::CallSpec::InputSpec::New();
  SetParams(spec);
  std::shared_ptr<Kelvo::CallSpec::ParameterSpec> formatter =
      Kelvo::CallSpec::ParameterSpec::New("formatter", 0);
  formatter->SetShortName("f");
  formatter->SetRequired(false);
  formatter->SetDescription(
      "Override the formatter to use for a given command. Available formatter: simple ,table.");
  spec->AddParameter(formatter);
  return spec;
}

std::shared_ptr<Kelvo::CallSpec::OutputSpec> IpmiSdrList::GetOutputSpecInternal() {
  std::shared_ptr<Kelvo::CallSpec::OutputSpec> spec = Kelvo::CallSpec::OutputSpec::New();
  spec->SetRootObject(MetaList::New(3, GetOutputStructure()));
  return spec;
}

std::shared_ptr<MetaStruct> IpmiSdrList::GetOutputStructure() {
  std::shared_ptr<MetaStruct> row = MetaStruct::New("IpmiSDR");
  for (const char* field : kRowFields) {
    row->SetField(field, MetaString::New());
  }
  return row;
}

void IpmiSdrList::ApplyFormatter(const std::shared_ptr<Kelvo::CallSpec::Input>& input,
                                 const std::shared_ptr<Kelvo::CallSpec::Output>& output) {
  if (!input->HasParameter("formatter")) {
    return;
  }
  const std::string& formatter = input->GetParameter("formatter");
  if (formatter == "simple" || formatter == "table") {
    SetDefaultOutputFormatter(formatter);
  } else {
    output->AddErrorMessage("Invalid formatter: " + formatter + ", please set formatter to simple|table");
  }
}

void IpmiSdrList::ExecuteInternal(const std::shared_ptr<Kelvo::CallSpec::Input>& input,
                                  const std::shared_ptr<Kelvo::CallSpec::Output>& output) {
  const bool ignoreMissing = input->IsFlagSet("ignore-missing");
  ApplyFormatter(input, output);
  std::shared_ptr<MetaList> list = MetaList::New(3, GetOutputStructure());
  RunListCommand(input, output, ignoreMissing, "Unable to get IPMI Sensor data : ", list, [&](int node) {
    const bool includeAllSensors = input->IsFlagSet("include-all-sensors");
    const bool includePrettyRaw = input->IsFlagSet("include-pretty-raw");
    const bool includeRaw = input->IsFlagSet("include-raw");
    LoadSdrDetails(node, list, includeRaw, includePrettyRaw, includeAllSensors);
  });
}

void IpmiSdrList::LoadSdrDetails(int node, std::shared_ptr<MetaList> list, bool includeRaw,
                                 bool includePrettyRaw, bool includeAllSensors) {
  NodeSession session(node);
  if (Ipmi::IpmiIfcSdrGetInfo(node) == -1) {
    throw IpmiException("No records or incompatible version or read failed :");
  }
  const std::vector<std::shared_ptr<Ipmi::IpmiSensor>> sensors = Ipmi::IpmiIfc::getSensors(node);
  for (auto it = sensors.rbegin(); it != sensors.rend(); ++it) {
    const std::shared_ptr<Ipmi::IpmiSensor>& sensor = *it;
    if (!sensor || !IsShown(*sensor, includeAllSensors)) {
      continue;
    }
    std::shared_ptr<MetaStruct> row = GetOutputStructure();
    RenderSensor(node, *sensor, *row);
    if (includePrettyRaw) {
      row->SetField("Formatted-Raw", DumpRawRecord(*sensor, DumpRecordPretty));
    }
    if (includeRaw) {
      row->SetField("Raw", DumpRawRecord(*sensor, DumpRecord));
    }
    list->Add(row);
  }
}

}  // namespace Hardware
}  // namespace OstrelCli
