#include "sel/ipmi_sel_clear.h"

#include "common/ipmi_exception.h"
#include "common/node_command.h"
#include "common/node_session.h"
#include "common/params.h"

#include <Ipmi/Ipmi.h>
#include <Kelvo/MetaObj.h>
#include <syslog.h>

#include <vector>

namespace OstrelCli {
namespace Hardware {

namespace {

using Kelvo::MetaObj::MetaBool;

void ClearNode(int node) {
  NodeSession session(node);
  if (Ipmi::IpmiIfcSelGetInfo(node, nullptr) == -1) {
    throw IpmiException("No records or incompatible version or read failed :");
  }
  Ipmi::IpmiIfc::clearSel(node);
}

}  // namespace

IpmiSelClear::IpmiSelClear() {
  SetDescription("Clear IPMI System Event Log.");
}

IpmiSelClear::~IpmiSelClear() = default;

std::shared_ptr<IpmiSelClear> IpmiSelClear::New() {
  return std::make_shared<IpmiSelClear>();
}

std::shared_ptr<Kelvo::CallSpec::InputSpec> IpmiSelClear::GetInputSpecInternal() {
  std::shared_ptr<Kelvo::CallSpec::InputSpec> spec = Kelvo::CallSpec::InputSpec::New();
  SetParams(spec);
  return spec;
}

std::shared_ptr<Kelvo::CallSpec::OutputSpec> IpmiSelClear::GetOutputSpecInternal() {
  std::shared_ptr<Kelvo::CallSpec::OutputSpec> spec = Kelvo::CallSpec::OutputSpec::New();
  spec->SetRootObject(MetaBool::New());
  return spec;
}

void IpmiSelClear::ExecuteInternal(const std::shared_ptr<Kelvo::CallSpec::Input>& input,
                                   const std::shared_ptr<Kelvo::CallSpec::Output>& output) {
  const bool ignoreMissing = input->IsFlagSet("ignore-missing");
  NodeCommandRun run{ignoreMissing, "Unable to clear IPMI System Event Log : ",
                     [&](const std::vector<int>& nodes) {
                       for (int node : nodes) {
                         ClearNode(node);
                       }
                       syslog(LOG_WARNING, "IPMI SEL Cleared by CLI command");
                       output->SetRootObject(MetaBool::New(true));
                     },
                     []() { return MetaBool::New(true); }};
  RunNodeCommand(input, output, run);
}

}  // namespace Hardware
}  // namespace OstrelCli
