#pragma once
// A node's FRU devices: where they are (device 0 of the BMC, the logical
// devices of FRU Device Locator records, device 0 of controllers whose
// Management Controller Device Locator says they hold FRU inventory), and
// reading one whole device image.

#include "fru/fru_commands.h"
#include "fru/fru_layout.h"
#include "sdr/sdr_repository.h"
#include "transport/message.h"

#include <Ipmi/Entity.h>
#include <Ipmi/Ipmi.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace marlek {
namespace fru {

inline constexpr char kBuiltinDeviceName[] = "Builtin FRU Device";

struct FruDeviceAddress {
  Target target;  // the BMC, or a controller reached bridged
  std::uint8_t deviceId = 0;
};

struct FruDeviceSpec {
  FruDeviceAddress address;
  std::string name;  // the locator's ID string, or kBuiltinDeviceName
  Ipmi::Entity entity;
};

// Device 0 of the BMC first, then the locators' devices in SDR order, each
// device once.
// notes (when given) gets a line for each device named twice.
std::vector<FruDeviceSpec> FindFruDevices(const std::vector<SdrRecord>& records,
                                          std::vector<std::string>* notes = nullptr);

struct FruImage {
  InventoryAreaInfo info;
  // The common header and the chassis, board and product areas at their
  // offsets; bytes between them that nothing reads are zero.
  Bytes bytes;
  bool complete = false;  // every byte wanted was read
  std::vector<std::string> problems;
};

struct ReadOptions {
  std::size_t maxChunk = 128;        // bytes per Read FRU Data to the BMC
  std::size_t maxBridgedChunk = 16;  // through IPMB the messages are smaller
  // The largest read each controller accepted, learnt by the reads before;
  // shared by the devices of one controller when given.
  std::map<std::pair<int, int>, std::size_t>* learnt = nullptr;
};

// Reads what the device holds, not its whole inventory area: the common
// header, then each information area it names, from its length byte. Reads
// shrink when the device refuses their size (0xCA, 0xC7, 0xC8), and go in
// words when it asks for word access. Never throws for the device's faults:
// they become problems, and bytes holds what was read before them.
FruImage ReadFruImage(Transport& transport, const FruDeviceAddress& address, const ReadOptions& options = {});

// The requests ReadFruImage will make first, for fetching them ahead of it
// for many devices at once: the common header's read once the area info is
// known, then the first read of each area the header names.
Request HeaderRead(const FruDeviceAddress& address, const InventoryAreaInfo& info);
std::vector<Request> FirstAreaReads(const Transport& transport, const FruDeviceAddress& address,
                                    const ReadOptions& options, const InventoryAreaInfo& info,
                                    const Bytes& header);

// The packed header of a device from its Get FRU Inventory Area Info
// response: completion code, area size, access byte, device ID. After an
// error code only the code is set; a short answer throws TruncatedPayload.
Ipmi::FruDeviceHeaderInfo MakeDeviceHeader(std::uint8_t deviceId, const Response& response);

// "FRU device 3 at 0x20" or "FRU device 0 at 0xb2 on channel 7".
std::string DescribeDevice(const FruDeviceAddress& address);

}  // namespace fru
}  // namespace marlek
