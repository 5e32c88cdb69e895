#include "sel/ipmi_sel_list.h"

#include "common/format.h"
#include "common/ipmi_exception.h"
#include "common/node_command.h"
#include "common/node_session.h"
#include "common/params.h"
#include "lib/string/str.h"

#include <Ipmi/Ipmi.h>

#include <cstring>
#include <string>
#include <vector>

namespace OstrelCli {
namespace Hardware {

namespace {

using Kelvo::MetaObj::MetaInt;
using Kelvo::MetaObj::MetaList;
using Kelvo::MetaObj::MetaString;
using Kelvo::MetaObj::MetaStruct;

// One SEL entry is 16 bytes.
constexpr int kSelEntrySize = 16;

std::string DumpEntry(const Ipmi::IpmiSelData& record, DumpFunction dump) {
  unsigned char entry[kSelEntrySize];
  std::memcpy(entry, record.raw, sizeof(entry));
  return DumpToText(dump, entry, kSelEntrySize);
}

void RenderRecord(const Ipmi::IpmiSelData& record, bool includeRaw, bool includePrettyRaw, MetaStruct& row) {
  char when[25] = {};
  TimeStamp(when, sizeof(when), static_cast<long>(record.messageTimeStamp()));
  row.SetField("When", when);
  row.SetField("Record Id", record.recordId());

  char eventType[64];
  const int severity = record.eventType();
  if (severity == -1) {
    row.SetField("Event Type", "N/A");
  } else {
    Str_Snprintf(eventType, sizeof(eventType), "%u (%s)", static_cast<unsigned>(severity),
                 SeverityToString(severity));
    row.SetField("Event Type", static_cast<const char*>(eventType));
  }

  char selType[64];
  Str_Snprintf(selType, sizeof(selType), "%u (%s)", static_cast<unsigned>(record.recordType()),
               RecordTypeToString(record.recordType()));
  row.SetField("SEL Type", static_cast<const char*>(selType));

  row.SetField("Message", record.caption());

  char sensorNumber[64];
  Str_Snprintf(sensorNumber, sizeof(sensorNumber), "%d", record.getSensorNumber());
  row.SetField("Sensor Number", static_cast<const char*>(sensorNumber));

  if (includeRaw) {
    row.SetField("Raw", DumpEntry(record, DumpRecord));
  }
  if (includePrettyRaw) {
    row.SetField("Formatted-Raw", DumpEntry(record, DumpRecordPretty));
  }
}

}  // namespace

IpmiSelList::IpmiSelList() {
  SetDescription("List IPMI System Event Log.");
  SetDefaultOutputFormatter("simple");
  SetDefaultOutputParameter("header:IpmiSEL", "Record:%Record Id%");
  SetDefaultOutputParameter("fields:IpmiSEL",
                            "Record Id,When,Event Type,SEL Type,Message,Sensor Number,Raw,Formatted-Raw");
}

IpmiSelList::~IpmiSelList() = default;

std::shared_ptr<IpmiSelList> IpmiSelList::New() {
  return std::make_shared<IpmiSelList>();
}

std::shared_ptr<Kelvo::CallSpec::InputSpec> IpmiSelList::GetInputSpecInternal() {
  std::shared_ptr<Kelvo::CallSpec::InputSpec> spec = Kelvo::CallSpec::InputSpec::New();
  SetParams(spec);
  return spec;
}

std::shared_ptr<Kelvo::CallSpec::OutputSpec> IpmiSelList::GetOutputSpecInternal() {
  std::shared_ptr<Kelvo::CallSpec::OutputSpec> spec = Kelvo::CallSpec::OutputSpec::New();
  spec->SetRootObject(MetaList::New(3, GetOutputStructure()));
  return spec;
}

std::shared_ptr<MetaStruct> IpmiSelList::GetOutputStructure() {
  std::shared_ptr<MetaStruct> row = MetaStruct::New("IpmiSEL");
  row->SetField("Record Id", MetaInt::New());
  for (const char* field :
       {"When", "Event Type", "SEL Type", "Message", "Sensor Number", "Raw", "Formatted-Raw"}) {
    row->SetField(field, MetaString::New());
  }
  return row;
}

void IpmiSelList::ExecuteInternal(const std::shared_ptr<Kelvo::CallSpec::Input>& input,
                                  const std::shared_ptr<Kelvo::CallSpec::Output>& output) {
  const bool ignoreMissing = input->IsFlagSet("ignore-missing");
  std::shared_ptr<MetaList> list = MetaList::New(3, GetOutputStructure());
  RunListCommand(input, output, ignoreMissing, "Unable to get IPMI System Event Log data : ", list,
                 [&](int node) {
                   const bool includePrettyRaw = input->IsFlagSet("include-pretty-raw");
                   const bool includeRaw = input->IsFlagSet("include-raw");
                   LoadSelDetails(node, list, includeRaw, includePrettyRaw);
                 });
}

void IpmiSelList::LoadSelDetails(int node, std::shared_ptr<MetaList> list, bool includeRaw,
                                 bool includePrettyRaw) {
  NodeSession session(node);
  unsigned short entries = 0;
  if (Ipmi::IpmiIfcSelGetInfo(node, &entries) == -1) {
    throw IpmiException("No records or incompatible version or read failed :");
  }
  const std::vector<std::tr1::shared_ptr<Ipmi::IpmiSelData>> records = Ipmi::IpmiIfc::getSelData();
  for (const std::tr1::shared_ptr<Ipmi::IpmiSelData>& record : records) {
    if (!record) {
      continue;
    }
    std::shared_ptr<MetaStruct> row = GetOutputStructure();
    RenderRecord(*record, includeRaw, includePrettyRaw, *row);
    list->Add(row);
  }
}

}  // namespace Hardware
}  // namespace OstrelCli
