#include "wire/device_id.h"

#include "wire/payload.h"

namespace marlek {

DeviceId DecodeDeviceId(const std::vector<std::uint8_t>& data) {
  PayloadReader in(data, "Get Device ID response");
  DeviceId id;
  id.deviceId = in.U8();
  in.Skip(1);  // device revision
  id.firmwareMajor = in.U8() & 0x7f;
  id.firmwareMinor = in.U8();
  id.ipmiVersion = in.U8();
  in.Skip(1);  // additional device support
  id.manufacturerId = in.U24le() & 0x0fffff;
  id.productId = in.U16le();
  return id;
}

}  // namespace marlek
