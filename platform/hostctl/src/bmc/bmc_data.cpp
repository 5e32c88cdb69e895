#include "bmc/bmc_data.h"

#include "bmc/bmc_commands.h"
#include "bmc/bmc_lan.h"
#include "bmc/manufacturers.h"
#include "bmc/system_info.h"
#include "wire/completion_code.h"
#include "wire/hex_text.h"
#include "wire/payload.h"

#include <stdexcept>

namespace HostCtl {
namespace Bmc {
namespace {

DeviceId ReadDeviceId(Requester& bmc) {
  const Reply reply = bmc.Send(netfn::kApp, cmd::kGetDeviceId, {});
  if (!reply.Ok()) {
    throw std::runtime_error("Get Device ID failed with completion code " +
                             marlek::DescribeCompletionCode(reply.completionCode));
  }
  try {
    return DecodeDeviceId(reply.data);
  } catch (const marlek::TruncatedPayload& e) {
    throw std::runtime_error(std::string("Get Device ID: ") + e.what());
  }
}

}  // namespace

std::string FirmwareVersionText(std::uint8_t major, std::uint8_t minorBcd) {
  return std::to_string(major) + "." + marlek::HexDigits(minorBcd, 2);
}

std::string IpmiVersionText(std::uint8_t version) {
  return std::to_string(version & 0x0f) + "." + std::to_string(version >> 4);
}

bool ProbeBmc(Requester& bmc) {
  try {
    ReadDeviceId(bmc);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

Hardware::BmcData GatherBmcData(Requester& bmc) {
  Hardware::BmcData data;
  const DeviceId id = ReadDeviceId(bmc);
  data.manufacturer = ManufacturerName(id.manufacturerId);
  data.firmwareVersion = FirmwareVersionText(id.firmwareMajor, id.firmwareMinor);
  data.ipmiVersion = IpmiVersionText(id.ipmiVersion);
  data.osName = ReadSystemInfoText(bmc, system_info::kOsName).value_or("");
  data.hostName = ReadSystemInfoText(bmc, system_info::kSystemName).value_or("");
  if (const std::optional<std::uint8_t> channel = FindLanChannel(bmc)) {
    LanSettings lan = ReadLanSettings(bmc, *channel);
    data.macAddress = std::move(lan.macAddress);
    data.ipv4Address = std::move(lan.ipv4Address);
    data.ipv4Subnet = std::move(lan.ipv4Subnet);
    data.ipv4Gateway = std::move(lan.ipv4Gateway);
    data.ipv6Addresses = std::move(lan.ipv6Addresses);
    data.lanAdminStatus = lan.adminStatus;
  }
  return data;
}

}  // namespace Bmc
}  // namespace HostCtl
