#include "plugin/register_namespaces.h"

#include "bmc/ipmi_bmc_get.h"
#include "bmc/ipmi_bmc_set.h"
#include "fru/ipmi_fru_get.h"
#include "fru/ipmi_fru_list.h"
#include "sdr/ipmi_sdr_get.h"
#include "sdr/ipmi_sdr_list.h"
#include "sel/ipmi_sel_clear.h"
#include "sel/ipmi_sel_get.h"
#include "sel/ipmi_sel_list.h"

#include <utility>

namespace {

using Kelvo::AutoCli::Namespace;
using Kelvo::AutoCli::NamespaceNode;
using namespace OstrelCli::Hardware;

// Hands a new command over to its namespace at once.
template <typename CommandClass>
void RegisterCommand(NamespaceNode& parent, const char* name) {
  std::shared_ptr<NamespaceNode> node = CommandClass::New();
  parent.RegisterNamespaceNode(std::move(node), name);
}

std::shared_ptr<NamespaceNode> NewNamespace(const char* description) {
  std::shared_ptr<NamespaceNode> node = Namespace::New();
  node->SetDescription(description);
  return node;
}

}  // namespace

// Every namespace is filled before it is hung under its parent, and ipmi is
// attached to the framework's tree last, so the tree never shows a partly
// built subtree.
extern "C" void AutoCli_RegisterNamespaces(std::shared_ptr<NamespaceNode>& root) {
  std::shared_ptr<NamespaceNode> hardware = root->SubNamespace("hardware");
  std::shared_ptr<NamespaceNode> ipmi = NewNamespace("IPMI information.");

  std::shared_ptr<NamespaceNode> sel = NewNamespace("Information from IPMI System Event Log (SEL).");
  RegisterCommand<IpmiSelList>(*sel, "list");
  RegisterCommand<IpmiSelGet>(*sel, "get");
  RegisterCommand<IpmiSelClear>(*sel, "clear");
  ipmi->RegisterNamespaceNode(std::move(sel), "sel");

  std::shared_ptr<NamespaceNode> sdr = NewNamespace("Information from IPMI Sensor Data Respository (SDR).");
  RegisterCommand<IpmiSdrList>(*sdr, "list");
  RegisterCommand<IpmiSdrGet>(*sdr, "get");
  ipmi->RegisterNamespaceNode(std::move(sdr), "sdr");

  std::shared_ptr<NamespaceNode> fru =
      NewNamespace("Information from IPMI Field Replaceable Unit inventory (FRU).");
  RegisterCommand<IpmiFruList>(*fru, "list");
  RegisterCommand<IpmiFruGet>(*fru, "get");
  ipmi->RegisterNamespaceNode(std::move(fru), "fru");

  std::shared_ptr<NamespaceNode> bmc =
      NewNamespace("Manage information from IPMI for Baseboard Management Controller (BMC).");
  RegisterCommand<IpmiBmcGet>(*bmc, "get");
  RegisterCommand<IpmiBmcSet>(*bmc, "set");
  ipmi->RegisterNamespaceNode(std::move(bmc), "bmc");

  hardware->RegisterNamespaceNode(std::move(ipmi), "ipmi");
}
