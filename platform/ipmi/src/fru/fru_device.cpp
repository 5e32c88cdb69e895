#include "fru/fru_device.h"

#include "sdr/sdr_record.h"
#include "wire/completion_code.h"
#include "wire/hex_text.h"
#include "wire/payload.h"

#include <Ipmi/CmpiStatus.h>

#include <algorithm>
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

std::pair<int, int> ControllerOf(const FruDeviceAddress& address) {
  return {address.target.channel, address.target.slaveAddress};
}

// The largest read to try first: what the transport and the way to the
// controller carry, or less where the controller has refused more.
std::size_t FirstChunk(const Transport& transport, const FruDeviceAddress& address,
                       const ReadOptions& options, std::size_t unit) {
  const std::size_t room = transport.MaxResponseData() > 1 ? transport.MaxResponseData() - 1 : 1;
  const std::size_t limit = address.target.IsBmc() ? options.maxChunk : options.maxBridgedChunk;
  std::size_t chunk = std::max(unit, std::min({room, limit, std::size_t(255) * unit}) / unit * unit);
  if (options.learnt) {
    auto known = options.learnt->find(ControllerOf(address));
    if (known != options.learnt->end())
      chunk = std::max(unit, std::min(chunk, known->second) / unit * unit);
  }
  return chunk;
}

Request ReadRequest(const FruDeviceAddress& address, std::size_t offset, std::size_t bytes,
                    std::size_t unit) {
  const std::size_t units = std::max<std::size_t>(1, (bytes + unit - 1) / unit);
  return ReadFruDataRequest(address.target, address.deviceId, static_cast<std::uint16_t>(offset / unit),
                            static_cast<std::uint8_t>(units));
}

// Reads ranges of one device after its inventory area info is known.
class ImageReader {
 public:
  ImageReader(Transport& transport, const FruDeviceAddress& address, const ReadOptions& options,
              FruImage& image)
      : transport_(transport),
        address_(address),
        options_(options),
        image_(image),
        unit_(image.info.wordAccess ? 2 : 1),
        chunk_(FirstChunk(transport, address, options, unit_)) {}

  ~ImageReader() {
    if (options_.learnt)
      (*options_.learnt)[ControllerOf(address_)] = chunk_;
  }

  std::size_t Chunk() const { return chunk_; }

  // Reads [offset, offset + length) into the image, cut at the device's
  // size; false (with a problem) when the device did not give it all.
  bool Read(std::size_t offset, std::size_t length) {
    const std::size_t end = std::min(offset + length, std::size_t{image_.info.size});
    if (image_.bytes.size() < end)
      image_.bytes.resize(end);
    while (offset < end) {
      const Response response =
          transport_.Send(ReadRequest(address_, offset, std::min(chunk_, end - offset), unit_));
      if (NeedsSmallerReads(response.completionCode)) {
        if (!Shrink(offset))
          return false;
        continue;
      }
      if (!response.Ok())
        return Problem("Read FRU Data at offset " + std::to_string(offset) +
                       " failed: " + DescribeCompletionCode(response.completionCode));
      const FruDataChunk chunk = DecodeFruDataChunk(response.data);
      if (chunk.data.empty())
        return Problem("Read FRU Data at offset " + std::to_string(offset) + " returned no data");
      const std::size_t take = std::min(chunk.data.size(), end - offset);
      std::copy_n(chunk.data.begin(), take, image_.bytes.begin() + static_cast<std::ptrdiff_t>(offset));
      offset += take;
    }
    return true;
  }

 private:
  bool Shrink(std::size_t offset) {
    if (chunk_ <= unit_)
      return Problem("Read FRU Data at offset " + std::to_string(offset) +
                     " is refused even for the smallest read");
    chunk_ = std::max(unit_, chunk_ / 2 / unit_ * unit_);
    return true;
  }

  bool Problem(const std::string& text) {
    image_.problems.push_back(DescribeDevice(address_) + ": " + text);
    return false;
  }

  Transport& transport_;
  const FruDeviceAddress& address_;
  const ReadOptions& options_;
  FruImage& image_;
  std::size_t unit_;
  std::size_t chunk_;
};

// The header, then each area it names: a first read that usually holds the
// whole area, and the rest when its length byte asks for more.
bool ReadAreas(ImageReader& reader, FruImage& image) {
  if (!reader.Read(0, kCommonHeaderSize))
    return false;
  const HeaderResult header = DecodeCommonHeader(image.bytes);
  if (!header.header)
    return true;  // read as far as it goes; the header's fault is reported with the areas
  for (std::size_t offset :
       {header.header->chassisOffset, header.header->boardOffset, header.header->productOffset}) {
    if (offset == 0 || offset >= image.info.size)
      continue;
    const std::size_t first = std::max<std::size_t>(2, reader.Chunk());
    if (!reader.Read(offset, first))
      return false;
    if (offset + 2 > image.bytes.size())
      continue;  // cut by the device's size: the area's check says so
    const std::size_t length = std::size_t{image.bytes[offset + 1]} * kMultiple;
    if (length > first && !reader.Read(offset + first, length - first))
      return false;
  }
  return true;
}

}  // namespace

std::string DescribeDevice(const FruDeviceAddress& address) {
  std::string text =
      "FRU device " + std::to_string(address.deviceId) + " at " + Hex(address.target.slaveAddress);
  if (address.target.channel != 0)
    text += " on channel " + std::to_string(address.target.channel);
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

Request HeaderRead(const FruDeviceAddress& address, const InventoryAreaInfo& info) {
  return ReadRequest(address, 0, kCommonHeaderSize, info.wordAccess ? 2 : 1);
}

std::vector<Request> FirstAreaReads(const Transport& transport, const FruDeviceAddress& address,
                                    const ReadOptions& options, const InventoryAreaInfo& info,
                                    const Bytes& header) {
  std::vector<Request> reads;
  const HeaderResult decoded = DecodeCommonHeader(header);
  if (!decoded.header)
    return reads;
  const std::size_t unit = info.wordAccess ? 2 : 1;
  const std::size_t chunk = FirstChunk(transport, address, options, unit);
  for (std::size_t offset :
       {decoded.header->chassisOffset, decoded.header->boardOffset, decoded.header->productOffset}) {
    if (offset != 0 && offset < info.size)
      reads.push_back(ReadRequest(address, offset, std::min<std::size_t>(chunk, info.size - offset), unit));
  }
  return reads;
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
    ImageReader reader(transport, address, options, image);
    image.complete = ReadAreas(reader, image);
  } catch (const ostrelInt::CmpiStatus& e) {
    image.problems.push_back(DescribeDevice(address) + ": " + e.msg());
  } catch (const TruncatedPayload& e) {
    image.problems.push_back(DescribeDevice(address) + ": " + e.what());
  }
  return image;
}

}  // namespace fru
}  // namespace marlek
