#pragma once
// A node's FRU inventory: every FRU device found, read and cut into its
// information areas, as the library hands them out.

#include "fru/fru_device.h"

#include <Ipmi/Fru.h>

#include <memory>
#include <string>
#include <vector>

namespace marlek {
namespace fru {

struct FruInventory {
  std::vector<std::shared_ptr<Ipmi::IpmiFru>> frus;  // devices that gave data, in device order
  std::vector<std::string> problems;                 // per device and area, for diagnostics
  std::vector<std::string> unread;  // one per device not read in full (or named twice), with why
  bool anyData = false;
};

// One device's record: its entity and one set of information areas holding
// every area that fits in the image (none when the header is not valid).
std::shared_ptr<Ipmi::IpmiFru> BuildFru(const FruDeviceSpec& device, const Bytes& image,
                                        std::vector<std::string>& problems);

// Finds the devices from the SDR records and reads each; one device's
// failure never stops the others.
FruInventory ReadFruInventory(Transport& transport, const std::vector<SdrRecord>& records,
                              const ReadOptions& options = {});

}  // namespace fru
}  // namespace marlek
