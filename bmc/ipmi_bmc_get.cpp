#include "bmc/ipmi_bmc_get.h"

#include "common/ipmi_exception.h"

#include <HostCtl/Hardware.h>
#include <HostCtl/Misc.h>

#include <utility>

namespace OstrelCli {
namespace Hardware {

namespace {

using Kelvo::MetaObj::MetaBool;
using Kelvo::MetaObj::MetaList;
using Kelvo::MetaObj::MetaString;
using Kelvo::MetaObj::MetaStruct;

// The BMC record, after the host-control object is gone.
HostCtl::Hardware::BmcData ReadBmcData() {
  std::unique_ptr<HostCtl::Hardware::HardwareInfo> hardware = HostCtl::Host::GetHardwareInfo();
  hardware->Prepare();
  if (!hardware->HasBmc()) {
    throw IpmiException("No BMC Device found");
  }
  HostCtl::Hardware::BmcData data = hardware->GetBmcData();
  hardware.reset();
  return data;
}

void StoreBmcData(HostCtl::Hardware::BmcData& data, MetaStruct& result) {
  result.SetField("Manufacturer", std::move(data.manufacturer));
  result.SetField("BMC Firmware Version", std::move(data.firmwareVersion));
  result.SetField("IPMI Version", std::move(data.ipmiVersion));
  result.SetField("OS Name Reported", std::move(data.osName));
  result.SetField("Hostname Reported", std::move(data.hostName));
  result.SetField("MAC Address", std::move(data.macAddress));
  result.SetField("LAN ifAdminStatus", data.lanAdminStatus);
  result.SetField("IPv4 Address", std::move(data.ipv4Address));
  result.SetField("IPv4 Subnet", std::move(data.ipv4Subnet));
  result.SetField("IPv4 Gateway", std::move(data.ipv4Gateway));
  result.SetField("IPv6 Addresses", data.ipv6Addresses);
}

}  // namespace

IpmiBmcGet::IpmiBmcGet() {
  SetDescription("Get IPMI Baseboard Management Controller (BMC) properties.");
  SetDefaultOutputFormatter("simple");
  SetDefaultOutputParameter(
      "fields:IpmiBmc",
      "Manufacturer,BMC Firmware Version,IPMI Version,OS Name Reported,Hostname Reported,"
      "MAC Address,LAN ifAdminStatus,IPv4 Address,IPv4 Subnet,IPv4 Gateway,IPv6 Addresses");
  SetDefaultOutputParameter("show-header", "false");
}

IpmiBmcGet::~IpmiBmcGet() = default;

std::shared_ptr<IpmiBmcGet> IpmiBmcGet::New() {
  return std::make_shared<IpmiBmcGet>();
}

std::shared_ptr<Kelvo::CallSpec::InputSpec> IpmiBmcGet::GetInputSpecInternal() {
  return Kelvo::CallSpec::InputSpec::New();
}

std::shared_ptr<Kelvo::CallSpec::OutputSpec> IpmiBmcGet::GetOutputSpecInternal() {
  std::shared_ptr<Kelvo::CallSpec::OutputSpec> spec = Kelvo::CallSpec::OutputSpec::New();
  spec->SetRootObject(GetOutputStructure());
  return spec;
}

std::shared_ptr<MetaStruct> IpmiBmcGet::GetOutputStructure() {
  std::shared_ptr<MetaStruct> result = MetaStruct::New("IpmiBmcConfig");
  for (const char* field : {"Manufacturer", "BMC Firmware Version", "IPMI Version", "OS Name Reported",
                            "Hostname Reported", "MAC Address"}) {
    result->SetField(field, MetaString::New());
  }
  result->SetField("LAN ifAdminStatus", MetaBool::New());
  for (const char* field : {"IPv4 Address", "IPv4 Subnet", "IPv4 Gateway"}) {
    result->SetField(field, MetaString::New());
  }
  result->SetField("IPv6 Addresses", MetaList::New(2));
  return result;
}

void IpmiBmcGet::ExecuteInternal(const std::shared_ptr<Kelvo::CallSpec::Input>& /*input*/,
                                 const std::shared_ptr<Kelvo::CallSpec::Output>& output) {
  std::shared_ptr<MetaStruct> result = GetOutputStructure();
  try {
    HostCtl::Hardware::BmcData data = ReadBmcData();
    StoreBmcData(data, *result);
    output->SetRootObject(result);
  } catch (const IpmiException& e) {
    output->SetRootObject(result);
    output->AddErrorMessage(
        HostCtl::Misc::StrCat("Retrieve IPMI Baseboard Management Configuration failed : ", e.what()));
  }
}

}  // namespace Hardware
}  // namespace OstrelCli
