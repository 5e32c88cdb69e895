#include "sdr/ipmi_sdr_get.h"

#include "common/format.h"
#include "common/ipmi_exception.h"
#include "common/node_command.h"
#include "common/node_session.h"
#include "common/params.h"

#include <Ipmi/Ipmi.h>

#include <cstdio>

namespace OstrelCli {
namespace Hardware {

namespace {

using Kelvo::MetaObj::MetaList;
using Kelvo::MetaObj::MetaStruct;

std::string DumpRepositoryInfo(const Ipmi::SdrRepositoryInfo& info, DumpFunction dump) {
  return DumpToText(dump, &info, static_cast<int>(sizeof(info)));
}

std::string TimeText(std::uint32_t seconds) {
  char text[25] = {};
  TimeStamp(text, sizeof(text), static_cast<long>(seconds));
  return text;
}

// Reads one node's repository record into the header.
void ReadNode(int node, const std::shared_ptr<Kelvo::CallSpec::Input>& input, SdrHeader& header) {
  const bool includePrettyRaw = input->IsFlagSet("include-pretty-raw");
  const bool includeRaw = input->IsFlagSet("include-raw");
  NodeSession session(node);
  if (Ipmi::IpmiIfcSdrGetInfo(node) == -1) {
    throw IpmiException("Read SDR configuration failed for node: " + std::to_string(node));
  }
  const Ipmi::SdrRepositoryInfo info = Ipmi::IpmiIfc::getSdr(node);

  char version[20];
  header.version.push_back(VersionToString(version, sizeof(version), info.sdrVersion));
  header.totalRecords.push_back(static_cast<long>(info.recordCount));
  header.freeSpace.push_back(static_cast<long>(info.freeSpace));
  header.lastCleared.push_back(TimeText(info.mostRecentErase));
  header.lastAdded.push_back(TimeText(info.mostRecentAddition));
  char feature[8];
  std::snprintf(feature, sizeof(feature), "0x%02x", static_cast<unsigned>(info.operationSupport));
  header.feature.push_back(feature);
  if (includeRaw) {
    header.raw.push_back(DumpRepositoryInfo(info, DumpRecord));
  }
  if (includePrettyRaw) {
    header.formattedRaw.push_back(DumpRepositoryInfo(info, DumpRecordPretty));
  }
}

void StoreHeader(const SdrHeader& header, MetaStruct& result) {
  result.SetField("Version", header.version);
  result.SetField("Total Records", header.totalRecords);
  result.SetField("Free Space", header.freeSpace);
  result.SetField("Last Cleared", header.lastCleared);
  result.SetField("Last Added", header.lastAdded);
  result.SetField("Feature", header.feature);
  result.SetField("Raw", header.raw);
  result.SetField("Formatted-Raw", header.formattedRaw);
}

}  // namespace

IpmiSdrGet::IpmiSdrGet() {
  SetDescription("Get IPMI Sensor Data Repository (SDR) properties.");
  SetDefaultOutputFormatter("simple");
  SetDefaultOutputParameter("show-header", "false");
}

IpmiSdrGet::~IpmiSdrGet() = default;

std::shared_ptr<IpmiSdrGet> IpmiSdrGet::New() {
  return std::make_shared<IpmiSdrGet>();
}

std::shared_ptr<Kelvo::CallSpec::InputSpec> IpmiSdrGet::GetInputSpecInternal() {
  std::shared_ptr<Kelvo::CallSpec::InputSpec> spec = Kelvo::CallSpec::InputSpec::New();
  SetParams(spec);
  return spec;
}

std::shared_ptr<Kelvo::CallSpec::OutputSpec> IpmiSdrGet::GetOutputSpecInternal() {
  std::shared_ptr<Kelvo::CallSpec::OutputSpec> spec = Kelvo::CallSpec::OutputSpec::New();
  spec->SetRootObject(GetOutputStructure());
  return spec;
}

std::shared_ptr<MetaStruct> IpmiSdrGet::GetOutputStructure() {
  std::shared_ptr<MetaStruct> result = MetaStruct::New("IpmiSDRConfig");
  result->SetField("Version", MetaList::New(2));
  result->SetField("Total Records", MetaList::New(0));
  result->SetField("Free Space", MetaList::New(0));
  result->SetField("Last Cleared", MetaList::New(2));
  result->SetField("Last Added", MetaList::New(2));
  result->SetField("Feature", MetaList::New(2));
  result->SetField("Raw", MetaList::New(2));
  result->SetField("Formatted-Raw", MetaList::New(2));
  return result;
}

void IpmiSdrGet::ExecuteInternal(const std::shared_ptr<Kelvo::CallSpec::Input>& input,
                                 const std::shared_ptr<Kelvo::CallSpec::Output>& output) {
  const bool ignoreMissing = input->IsFlagSet("ignore-missing");
  std::shared_ptr<MetaStruct> result = GetOutputStructure();
  NodeCommandRun run{ignoreMissing, "Retrieve IPMI Sensor Data Respository Configuration failed : ",
                     [&](const std::vector<int>& nodes) {
                       SdrHeader header;
                       for (int node : nodes) {
                         ReadNode(node, input, header);
                       }
                       StoreHeader(header, *result);
                       output->SetRootObject(result);
                     },
                     [&]() { return result; }};
  RunNodeCommand(input, output, run);
}

}  // namespace Hardware
}  // namespace OstrelCli
