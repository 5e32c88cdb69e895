// The library's FRU entry points, over the node's FRU inventory (read once
// per open node by IpmiIfcFruInstantiateAll).

#include "api/diagnostics.h"
#include "fru/fru_inventory.h"
#include "fru/fru_part.h"
#include "node/node_context.h"
#include "wire/completion_code.h"
#include "wire/payload.h"

#include <Ipmi/Ipmi.h>

#include <optional>

namespace marlek {
namespace fru {
namespace {

struct FruNodeState {
  std::optional<FruInventory> inventory;  // read once per open node
};

// The SDR records that locate FRU devices; without a readable repository
// only the BMC's device 0 is looked at.
std::vector<SdrRecord> LocatorRecords(NodeContext& node) {
  try {
    return LoadSdrRecords(node);
  } catch (const std::exception& e) {
    Diagnose("node " + std::to_string(node.index) + ": only FRU device 0 is read: " + e.what());
    return {};
  }
}

const FruInventory& LoadedInventory(NodeContext& node) {
  FruNodeState& state = node.State<FruNodeState>();
  if (!state.inventory) {
    state.inventory = ReadFruInventory(*node.transport, LocatorRecords(node));
    for (const std::string& device : state.inventory->unread)
      Diagnose("node " + std::to_string(node.index) + ": FRU device " + device);
  }
  return *state.inventory;
}

}  // namespace
}  // namespace fru
}  // namespace marlek

namespace Ipmi {

int IpmiIfcFruInstantiateAll(int node) {
  try {
    marlek::NodeContext& context = marlek::RequireOpenNode(node);
    context.State<marlek::fru::FruNodeState>() = {};  // read afresh
    return marlek::fru::LoadedInventory(context).anyData ? 0 : -1;
  } catch (const std::exception&) {
    return -1;
  }
}

std::vector<std::shared_ptr<IpmiFru>> IpmiIfc::getFrus(int node) {
  return marlek::fru::LoadedInventory(marlek::RequireOpenNode(node)).frus;
}

IpmiIfc::Part IpmiIfc::getFruPart(const std::tr1::shared_ptr<IpmiFruOptional>& optional) {
  if (!optional)
    return {};
  return marlek::fru::MakeFruPart(*optional);
}

FruDeviceHeaderInfo IpmiIfc::getFruDeviceHeader(int node) {
  marlek::NodeContext& context = marlek::RequireOpenNode(node);
  const marlek::Response response =
      context.transport->Send(marlek::fru::GetFruInventoryAreaInfoRequest(marlek::Target{}, 0));
  try {
    return marlek::fru::MakeDeviceHeader(0, response);
  } catch (const marlek::TruncatedPayload& e) {
    throw ostrelInt::CmpiStatus(
        marlek::FailureText("Get FRU Inventory Area Info", context.transport->Describe(), e.what()));
  }
}

}  // namespace Ipmi
