#pragma once
// The BMC record of the host-control library, gathered from the BMC.

#include "bmc/bmc_requester.h"

#include <HostCtl/Hardware.h>

#include <optional>

namespace HostCtl {
namespace Bmc {

// "1.17": the major revision, a dot, and the BCD minor revision's two digits.
std::string FirmwareVersionText(std::uint8_t major, std::uint8_t minorBcd);
// "2.0" from the BCD IPMI version byte.
std::string IpmiVersionText(std::uint8_t version);

// True when the BMC answers Get Device ID.
bool ProbeBmc(Requester& bmc);

// Identity from Get Device ID (throws std::runtime_error when it fails),
// the reported OS and host names, and the first LAN channel's settings.
Hardware::BmcData GatherBmcData(Requester& bmc);

}  // namespace Bmc
}  // namespace HostCtl
