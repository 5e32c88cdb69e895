#include "fru/ipmi_fru_get.h"

#include "common/format.h"
#include "common/ipmi_exception.h"
#include "common/node_command.h"
#include "common/node_session.h"
#include "common/params.h"

#include <Ipmi/Ipmi.h>

#include <sstream>

namespace OstrelCli {
namespace Hardware {

namespace {

using Kelvo::MetaObj::MetaList;
using Kelvo::MetaObj::MetaStruct;

std::string DumpHeader(const Ipmi::FruDeviceHeaderInfo& header, DumpFunction dump) {
  return DumpToText(dump, &header, static_cast<int>(sizeof(header)));
}

// Reads one node's FRU device header into the accumulator.
void ReadNode(int node, const std::shared_ptr<Kelvo::CallSpec::Input>& input, FruHeader& accumulator) {
  const bool includePrettyRaw = input->IsFlagSet("include-pretty-raw");
  const bool includeRaw = input->IsFlagSet("include-raw");
  NodeSession session(node);
  if (Ipmi::IpmiIfcSdrGetInfo(node) == -1) {
    throw IpmiException("No SDR records or incompatible version or read failed :");
  }
  if (Ipmi::IpmiIfcFruInstantiateAll(node) == -1) {
    throw IpmiException("Retrieve FRU data failed :");
  }
  const Ipmi::FruDeviceHeaderInfo header = Ipmi::IpmiIfc::getFruDeviceHeader(node);
  std::stringstream text;
  text << static_cast<unsigned>(header.deviceId);
  accumulator.deviceIds.push_back(TakeText(text));
  accumulator.sizes.push_back(static_cast<long>(header.areaSize));
  text << "0x" << std::hex << static_cast<unsigned>(header.accessByte);
  accumulator.features.push_back(TakeText(text));
  if (includeRaw) {
    accumulator.raw.push_back(DumpHeader(header, DumpRecord));
  }
  if (includePrettyRaw) {
    accumulator.formattedRaw.push_back(DumpHeader(header, DumpRecordPretty));
  }
}

void StoreHeader(const FruHeader& accumulator, MetaStruct& result) {
  result.SetField("Device IDs", accumulator.deviceIds);
  result.SetField("Size-bytes", accumulator.sizes);
  result.SetField("Features", accumulator.features);
  result.SetField("Raw", accumulator.raw);
  result.SetField("Formatted-Raw", accumulator.formattedRaw);
}

}  // namespace

IpmiFruGet::IpmiFruGet() {
  SetDescription("Get IPMI Field Replaceable Unit (FRU) device details.");
  SetDefaultOutputFormatter("simple");
  SetDefaultOutputParameter("show-header", "true");
}

IpmiFruGet::~IpmiFruGet() = default;

std::shared_ptr<IpmiFruGet> IpmiFruGet::New() {
  return std::make_shared<IpmiFruGet>();
}

std::shared_ptr<Kelvo::CallSpec::InputSpec> IpmiFruGet::GetInputSpecInternal() {
  std::shared_ptr<Kelvo::CallSpec::InputSpec> spec = Kelvo::CallSpec::InputSpec::New();
  SetParams(spec);
  return spec;
}

std::shared_ptr<Kelvo::CallSpec::OutputSpec> IpmiFruGet::GetOutputSpecInternal() {
  std::shared_ptr<Kelvo::CallSpec::OutputSpec> spec = Kelvo::CallSpec::OutputSpec::New();
  spec->SetRootObject(GetOutputStructure());
  return spec;
}

std::shared_ptr<MetaStruct> IpmiFruGet::GetOutputStructure() {
  std::shared_ptr<MetaStruct> result = MetaStruct::New("IpmiFRUConfig");
  result->SetField("Device IDs", MetaList::New(2));
  result->SetField("Size-bytes", MetaList::New(0));
  result->SetField("Features", MetaList::New(2));
  result->SetField("Raw", MetaList::New(2));
  result->SetField("Formatted-Raw", MetaList::New(2));
  return result;
}

void IpmiFruGet::ExecuteInternal(const std::shared_ptr<Kelvo::CallSpec::Input>& input,
                                 const std::shared_ptr<Kelvo::CallSpec::Output>& output) {
  const bool ignoreMissing = input->IsFlagSet("ignore-missing");
  std::shared_ptr<MetaStruct> result = GetOutputStructure();
  NodeCommandRun run{ignoreMissing, "Unable to get IPMI Field Replaceable Unit (FRU) device : ",
                     [&](const std::vector<int>& nodes) {
                       FruHeader accumulator;
                       for (int node : nodes) {
                         ReadNode(node, input, accumulator);
                       }
                       StoreHeader(accumulator, *result);
                       output->SetRootObject(result);
                     },
                     [&]() { return result; }};
  RunNodeCommand(input, output, run);
}

}  // namespace Hardware
}  // namespace OstrelCli
