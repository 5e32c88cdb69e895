// The library's SDR repository entry points.
#include "node/node_context.h"
#include "sdr/sdr_repository.h"

#include <Ipmi/Ipmi.h>

namespace Ipmi {

int IpmiIfcSdrGetInfo(int node) {
  try {
    const SdrRepositoryInfo& info = marlek::RefreshSdrRepositoryInfo(marlek::RequireOpenNode(node));
    return info.recordCount;
  } catch (const std::exception&) {
    return -1;
  }
}

SdrRepositoryInfo IpmiIfc::getSdr(int node) {
  marlek::NodeContext& context = marlek::RequireOpenNode(node);
  marlek::SdrRepositoryState& state = context.State<marlek::SdrRepositoryState>();
  return state.info ? *state.info : marlek::RefreshSdrRepositoryInfo(context);
}

}  // namespace Ipmi
