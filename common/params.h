#pragma once
// The parameters shared by the node commands, and the choice of nodes.

#include <Kelvo/CallSpec.h>

#include <memory>
#include <vector>

namespace OstrelCli {
namespace Hardware {

// The highest node index the plug-in knows; nodes are /dev/ipmi0 to /dev/ipmi3.
constexpr int kMaxIpmiNode = 3;

// Adds include-raw, include-pretty-raw, include-all-sensors, ignore-missing
// and node, in that order.
void SetParams(std::shared_ptr<Kelvo::CallSpec::InputSpec> spec);

// Appends every N from 0 to kMaxIpmiNode whose /dev/ipmiN exists.
void LoadIpmiDevices(std::vector<int>& nodes);

// Appends the nodes the "node" parameter names: every present device when it
// is absent or "all" (any case), else the one number it starts with. Throws
// IpmiException when it holds no number that fits an int.
void LoadIpmiNodes(const std::shared_ptr<Kelvo::CallSpec::Input>& input, std::vector<int>& nodes);

}  // namespace Hardware
}  // namespace OstrelCli
