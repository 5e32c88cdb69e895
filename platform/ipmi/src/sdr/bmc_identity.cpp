#include "sdr/bmc_identity.h"

#include "wire/device_id.h"
#include "wire/payload.h"

namespace marlek {

BmcIdentity DecodeDeviceIdIdentity(const Response& deviceId) {
  const DeviceId decoded = DecodeDeviceId(deviceId.data);
  BmcIdentity id;
  id.manufacturerId = decoded.manufacturerId;
  id.productId = decoded.productId;
  return id;
}

std::array<std::uint8_t, 16> DecodeDeviceGuid(const Response& guid) {
  PayloadReader r(guid.data, "Get Device GUID response");
  std::array<std::uint8_t, 16> out{};
  for (auto& b : out)
    b = r.U8();
  return out;
}

std::optional<BmcIdentity> ReadBmcIdentity(Transport& transport) {
  const std::vector<Response> answers =
      transport.SendPipelined({Request{netfn::kApp, app_cmd::kGetDeviceId, Target{}, {}},
                               Request{netfn::kApp, app_cmd::kGetDeviceGuid, Target{}, {}}});
  if (answers.size() != 2 || !answers[0].Ok())
    return std::nullopt;
  BmcIdentity id;
  try {
    id = DecodeDeviceIdIdentity(answers[0]);
  } catch (const TruncatedPayload&) {
    return std::nullopt;
  }
  try {
    if (answers[1].Ok())
      id.guid = DecodeDeviceGuid(answers[1]);
  } catch (const TruncatedPayload&) {
    // A short GUID is no GUID: the key falls back to manufacturer and product.
  }
  return id;
}

}  // namespace marlek
