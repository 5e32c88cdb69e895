// The library's SEL entry points. The node-less calls use the current node,
// else node 0 through a connection of their own; none takes IpmiDevGuard.

#include "api/diagnostics.h"
#include "node/node_context.h"
#include "sel/sel_properties.h"
#include "sel/sel_reader.h"
#include "sel/sel_threshold.h"

#include <Ipmi/Ipmi.h>

#include <optional>

namespace Ipmi {
namespace {

marlek::NodeContext& RequireCurrentNode() {
  marlek::NodeContext* node = marlek::CurrentNode();
  if (node == nullptr)
    throw ostrelInt::CmpiStatus("SEL: no IPMI node is initialised (IpmiIfcInitForCLI)");
  return *node;
}

// The info a caller just asked for is where the entries' read starts.
struct LastSelInfo {
  std::optional<marlek::sel::SelInfo> info;
};

}  // namespace

int IpmiIfcSelGetInfo(int node, unsigned short* entries) {
  try {
    marlek::NodeContext& context = marlek::RequireOpenNode(node);
    const marlek::sel::SelInfo info = marlek::sel::ReadSelInfo(*context.transport);
    context.State<LastSelInfo>().info = info;
    if (entries != nullptr)
      *entries = info.entries;
    return 0;
  } catch (const std::exception&) {
    return -1;
  }
}

std::tr1::shared_ptr<IpmiSel> GetSelInfo() {
  const std::shared_ptr<marlek::NodeContext> node = marlek::CurrentOrDefaultNode();
  return marlek::sel::ReadSelProperties(*node->transport);
}

std::vector<std::tr1::shared_ptr<IpmiSelData>> IpmiIfc::getSelData() {
  marlek::NodeContext& node = RequireCurrentNode();
  // The repository is read only when a threshold event carries data.
  std::optional<std::vector<marlek::SdrRecord>> records;
  auto convert = [&](const marlek::sel::SystemEvent& event) {
    if (!records) {
      try {
        records = marlek::LoadSdrRecords(node);
      } catch (const std::exception& e) {
        records.emplace();  // no repository: no conversion
        marlek::Diagnose("node " + std::to_string(node.index) +
                         ": threshold event readings left out: " + e.what());
      }
    }
    return marlek::sel::ConvertThresholdData(*records, event);
  };
  std::optional<marlek::sel::SelInfo> info;
  std::swap(info, node.State<LastSelInfo>().info);  // good for one read only
  return marlek::sel::ReadSelData(*node.transport, convert, info);
}

std::int32_t IpmiIfc::GetSelClock() {
  const std::shared_ptr<marlek::NodeContext> node = marlek::CurrentOrDefaultNode();
  return static_cast<std::int32_t>(marlek::sel::ReadSelTime(*node->transport));
}

SelInfoRecord IpmiIfc::getRawSelHeader() {
  const std::shared_ptr<marlek::NodeContext> node = marlek::CurrentOrDefaultNode();
  return marlek::sel::ReadRawSelHeader(*node->transport);
}

int IpmiIfc::clearSel(int node) {
  marlek::sel::ClearSel(*marlek::RequireOpenNode(node).transport);
  return 0;
}

}  // namespace Ipmi
