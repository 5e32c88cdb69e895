#include "fru/fru_device.h"

#include "sdr/sdr_record.h"
#include "transport/completion_code.h"
#include "wire/payload.h"

#include <Ipmi/CmpiStatus.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <set>
#include <tuple>

namespace marlek {
namespace fru {
namespace {

Target TargetAt(std::uint8_t channel, std::uint8_t slaveAddress, std::uint8_t lun) {
  Target target;
  target.channel = channel;
  target.slaveAddress = slaveAddress;
  target.lun = lun;
  return target;
}

bool IsBuiltinDevice(const FruDeviceAddress& address) {
  return address.target.IsBmc() && address.target.lun == 0 && address.deviceId == 0;
}

// The entity of the BMC: its own MC locator, else a FRU locator naming its
// device 0.
Ipmi::Entity BmcEntity(const std::vector<SdrRecord>& records) {
  for (const SdrRecord& record : records) {
    if (auto mc = DecodeMcDeviceLocator(record); mc && mc->slaveAddress == kBmcSlaveAddress)
      return mc->entity;
  }
  for (const SdrRecord& record : records) {
    auto locator = DecodeFruDeviceLocator(record);
    if (locator && locator->logical && locator->accessAddress == kBmcSlaveAddress &&
        locator->fruDeviceId == 0 && locator->accessLun == 0)
      return locator->entity;
  }
  return {};
}

// Each device once: a second record naming the same device (the BMC's own
// device 0 is the usual case) adds nothing to read, and is noted when it is
// not the built-in device.
class DeviceList {
 public:
  void Add(FruDeviceSpec spec, std::vector<std::string>* notes) {
    const FruDeviceAddress& a = spec.address;
    if (seen_.insert(std::make_tuple(a.target.channel, a.target.slaveAddress, a.target.lun, a.deviceId))
            .second)
      devices_.push_back(std::move(spec));
    else if (notes && !IsBuiltinDevice(a))
      notes->push_back(spec.name + " (" + DescribeDevice(a) +
                       ") is named by more than one locator record; read once");
  }
  std::vector<FruDeviceSpec> Take() { return std::move(devices_); }

 private:
  std::set<std::tuple<int, int, int, int>> seen_;
  std::vector<FruDeviceSpec> devices_;
};

std::optional<FruDeviceSpec> FromFruLocator(const SdrRecord& record) {
  const auto locator = DecodeFruDeviceLocator(record);
  if (!locator || !locator->logical)
    return std::nullopt;  // physical devices sit on private buses, not behind Read FRU Data
  FruDeviceSpec spec;
  const std::uint8_t channel = locator->accessAddress == kBmcSlaveAddress ? 0 : locator->channel;
  spec.address.target = TargetAt(channel, locator->accessAddress, locator->accessLun);
  spec.address.deviceId = locator->fruDeviceId;
  spec.name = locator->idString;
  spec.entity = locator->entity;
  return spec;
}

std::optional<FruDeviceSpec> FromMcLocator(const SdrRecord& record) {
  const auto mc = DecodeMcDeviceLocator(record);
  if (!mc || !mc->fruInventoryDevice)
    return std::nullopt;
  FruDeviceSpec spec;
  const std::uint8_t channel = mc->slaveAddress == kBmcSlaveAddress ? 0 : mc->channel;
  spec.address.target = TargetAt(channel, mc->slaveAddress, 0);
  spec.name = mc->idString;
  spec.entity = mc->entity;
  return spec;
}

// Reads one device after its inventory area info is known.
class ImageReader {
 public:
  ImageReader(Transport& transport, const FruDeviceAddress& address, const ReadOptions& options,
              FruImage& image)
      : transport_(transport), address_(address), image_(image) {
    const std::size_t room = transport.MaxResponseData() > 1 ? transport.MaxResponseData() - 1 : 1;
    const std::size_t limit = address.target.IsBmc() ? options.maxChunk : options.maxBridgedChunk;
    unit_ = image.info.wordAccess ? 2 : 1;
    chunk_ = std::max(unit_, std::min({room, limit, std::size_t(255) * unit_}) / unit_ * unit_);
  }

  void ReadAll() {
    const std::size_t size = image_.info.size;
    while (image_.bytes.size() < size) {
      const std::size_t offset = image_.bytes.size();
      const std::size_t want = std::min(chunk_, size - offset);
      const std::size_t units = std::max<std::size_t>(1, want / unit_);
      const Response response = transport_.Send(ReadFruDataRequest(address_.target, address_.deviceId,
                                                                   static_cast<std::uint16_t>(offset / unit_),
                                                                   static_cast<std::uint8_t>(units)));
      if (NeedsSmallerReads(response.completionCode)) {
        if (!Shrink(offset))
          return;
        continue;
      }
      if (!response.Ok())
        return Problem("Read FRU Data at offset " + std::to_string(offset) +
                       " failed: " + DescribeCompletionCode(response.completionCode));
      const FruDataChunk chunk = DecodeFruDataChunk(response.data);
      if (chunk.data.empty())
        return Problem("Read FRU Data at offset " + std::to_string(offset) + " returned no data");
      const std::size_t take = std::min(chunk.data.size(), size - offset);
      image_.bytes.insert(image_.bytes.end(), chunk.data.begin(),
                          chunk.data.begin() + static_cast<std::ptrdiff_t>(take));
    }
  }

 private:
  bool Shrink(std::size_t offset) {
    if (chunk_ <= unit_) {
      Problem("Read FRU Data at offset " + std::to_string(offset) + " is refused even for the smallest read");
      return false;
    }
    chunk_ = std::max(unit_, chunk_ / 2 / unit_ * unit_);
    return true;
  }

  void Problem(const std::string& text) { image_.problems.push_back(DescribeDevice(address_) + ": " + text); }

  Transport& transport_;
  const FruDeviceAddress& address_;
  FruImage& image_;
  std::size_t unit_ = 1;
  std::size_t chunk_ = 16;
};

}  // namespace

std::string DescribeDevice(const FruDeviceAddress& address) {
  char text[64];
  if (address.target.channel == 0)
    std::snprintf(text, sizeof text, "FRU device %u at 0x%02x", address.deviceId,
                  address.target.slaveAddress);
  else
    std::snprintf(text, sizeof text, "FRU device %u at 0x%02x on channel %u", address.deviceId,
                  address.target.slaveAddress, address.target.channel);
  return text;
}

Ipmi::FruDeviceHeaderInfo MakeDeviceHeader(std::uint8_t deviceId, const Response& response) {
  Ipmi::FruDeviceHeaderInfo header{};
  header.statusByte = response.completionCode;
  header.deviceId = deviceId;
  if (response.Ok()) {
    const InventoryAreaInfo info = DecodeInventoryAreaInfo(response.data);
    header.areaSize = info.size;
    header.accessByte = info.accessByte;
  }
  return header;
}

std::vector<FruDeviceSpec> FindFruDevices(const std::vector<SdrRecord>& records,
                                          std::vector<std::string>* notes) {
  DeviceList devices;
  FruDeviceSpec builtin;
  builtin.name = kBuiltinDeviceName;
  builtin.entity = BmcEntity(records);
  devices.Add(builtin, notes);
  for (const SdrRecord& record : records) {
    std::optional<FruDeviceSpec> spec = FromFruLocator(record);
    if (!spec)
      spec = FromMcLocator(record);
    if (spec && !IsBuiltinDevice(spec->address))
      devices.Add(std::move(*spec), notes);
  }
  return devices.Take();
}

FruImage ReadFruImage(Transport& transport, const FruDeviceAddress& address, const ReadOptions& options) {
  FruImage image;
  try {
    const Response response =
        transport.Send(GetFruInventoryAreaInfoRequest(address.target, address.deviceId));
    if (!response.Ok()) {
      image.problems.push_back(DescribeDevice(address) + ": Get FRU Inventory Area Info failed: " +
                               DescribeCompletionCode(response.completionCode));
      return image;
    }
    image.info = DecodeInventoryAreaInfo(response.data);
    if (image.info.size == 0) {
      image.problems.push_back(DescribeDevice(address) + ": the inventory area is empty");
      return image;
    }
    ImageReader(transport, address, options, image).ReadAll();
  } catch (const ostrelInt::CmpiStatus& e) {
    image.problems.push_back(DescribeDevice(address) + ": " + e.msg());
  } catch (const TruncatedPayload& e) {
    image.problems.push_back(DescribeDevice(address) + ": " + e.what());
  }
  return image;
}

}  // namespace fru
}  // namespace marlek
