#include "bmc/bmc_data.h"

#include "bmc/bmc_commands.h"
#include "bmc/bmc_lan.h"
#include "bmc/manufacturers.h"
#include "bmc/system_info.h"
#include "wire/payload.h"

#include <cstdio>
#include <stdexcept>

namespace HostCtl {
namespace Bmc {
namespace {

DeviceId ReadDeviceId(Requester& bmc) {
  const Reply reply = bmc.Send(netfn::kApp, cmd::kGetDeviceId, {});
  if (!reply.Ok()) {
    char code[8];
    std::snprintf(code, sizeof code, "0x%02x", reply.completionCode);
    throw std::runtime_error(std::string("Get Device ID failed with completion code ") + code);
  }
  try {
    return DecodeDeviceId(reply.data);
  } catch (const marlek::TruncatedPayload& e) {
    throw std::runtime_error(std::string("Get Device ID: ") + e.what());
  }
}

}  // namespace

std::string FirmwareVersionText(std::uint8_t major, std::uint8_t minorBcd) {
  char text[16];
  std::snprintf(text, sizeof text, "%u.%02x", major, minorBcd);
  return text;
}

std::string IpmiVersionText(std::uint8_t version) {
  char text[8];
  std::snprintf(text, sizeof text, "%u.%u", version & 0x0f, version >> 4);
  return text;
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
