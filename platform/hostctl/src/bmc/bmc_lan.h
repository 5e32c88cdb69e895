#pragma once
// The BMC's first 802.3 LAN channel and its settings.

#include "bmc/bmc_requester.h"

#include <optional>
#include <string>
#include <vector>

namespace HostCtl {
namespace Bmc {

struct LanSettings {
  std::uint8_t channel = 0;
  std::string macAddress;  // aa:bb:cc:dd:ee:ff
  std::string ipv4Address;
  std::string ipv4Subnet;
  std::string ipv4Gateway;
  std::vector<std::string> ipv6Addresses;
  bool adminStatus = false;  // access mode other than "disabled"
};

// The lowest-numbered channel whose medium is 802.3 LAN (channels 1-11).
std::optional<std::uint8_t> FindLanChannel(Requester& bmc);

// The channel's settings; a parameter the BMC does not give stays empty.
LanSettings ReadLanSettings(Requester& bmc, std::uint8_t channel);

}  // namespace Bmc
}  // namespace HostCtl
