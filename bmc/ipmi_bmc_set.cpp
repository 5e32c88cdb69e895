#include "bmc/ipmi_bmc_set.h"

#include <HostCtl/Hardware.h>
#include <Kelvo/MetaObj.h>

#include <string>

namespace OstrelCli {
namespace Hardware {

namespace {

using Kelvo::MetaObj::MetaBool;

void AddTextParameter(const std::shared_ptr<Kelvo::CallSpec::InputSpec>& spec, const char* name,
                      const char* shortName, const char* description) {
  std::shared_ptr<Kelvo::CallSpec::ParameterSpec> parameter = Kelvo::CallSpec::ParameterSpec::New(name, 0);
  parameter->SetShortName(shortName);
  parameter->SetDescription(description);
  parameter->SetRequired(false);
  spec->AddParameter(parameter);
}

}  // namespace

IpmiBmcSet::IpmiBmcSet() {
  SetDescription(
      "Set IPMI Baseboard Management Controller (BMC) properties. Changes take effect immediately.");
}

IpmiBmcSet::~IpmiBmcSet() = default;

std::shared_ptr<IpmiBmcSet> IpmiBmcSet::New() {
  return std::make_shared<IpmiBmcSet>();
}

std::shared_ptr<Kelvo::CallSpec::InputSpec> IpmiBmcSet::GetInputSpecInternal() {
  std::shared_ptr<Kelvo::CallSpec::InputSpec> spec = Kelvo::CallSpec::InputSpec::New();
  AddTextParameter(spec, "os-name", "n", "OS name that BMC will report.");
  AddTextParameter(spec, "os-version", "v", "OS system version that BMC will report.");
  AddTextParameter(spec, "os-hostname", "H", "OS hostname that BMC will report.");
  return spec;
}

std::shared_ptr<Kelvo::CallSpec::OutputSpec> IpmiBmcSet::GetOutputSpecInternal() {
  std::shared_ptr<Kelvo::CallSpec::OutputSpec> spec = Kelvo::CallSpec::OutputSpec::New();
  spec->SetRootObject(MetaBool::New());
  return spec;
}

void IpmiBmcSet::ExecuteInternal(const std::shared_ptr<Kelvo::CallSpec::Input>& input,
                                 const std::shared_ptr<Kelvo::CallSpec::Output>& output) {
  std::unique_ptr<HostCtl::Hardware::HardwareInfo> hardware = HostCtl::Host::GetHardwareInfo();
  hardware->Prepare();
  if (!hardware->HasBmc()) {
    output->AddErrorMessage("No BMC device found");
    output->SetRootObject(MetaBool::New(false));
    return;
  }
  const std::string& osName = input->GetParameter("os-name");
  const std::string& osVersion = input->GetParameter("os-version");
  const std::string& osHostname = input->GetParameter("os-hostname");
  if (input->HasParameter("os-hostname")) {
    hardware->SetBmcOsHostname(osHostname);
  }
  const bool accepted = hardware->SetBmcOsInfo(osName, osVersion);
  output->SetRootObject(MetaBool::New(accepted));
  hardware.reset();
}

}  // namespace Hardware
}  // namespace OstrelCli
