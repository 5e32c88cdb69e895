// FRU device locator (type 0x11) and management controller device locator
// (type 0x12) records, IPMI v2.0 sections 43.7 and 43.9.
#include "sdr/sdr_record.h"
#include "wire/payload.h"

namespace marlek {
namespace {

constexpr std::size_t kHeaderSize = 5;

// The body after the 5-byte header, or nothing when the record is not of
// the wanted type.
std::optional<PayloadReader> BodyOf(const SdrRecord& record, std::uint8_t type) {
  if (record.bytes.size() < kHeaderSize)
    return std::nullopt;
  PayloadReader header(record.bytes, "SDR header");
  header.Skip(3);
  if (header.U8() != type)
    return std::nullopt;
  PayloadReader body(record.bytes.data() + kHeaderSize, record.bytes.size() - kHeaderSize, "SDR record");
  return body;
}

std::string ReadIdString(PayloadReader& body) {
  if (body.AtEnd())
    return {};
  const std::uint8_t typeLength = body.U8();
  const std::vector<std::uint8_t> rest = body.Rest();
  return DecodeIdString(typeLength, rest.data(), rest.size());
}

}  // namespace

std::optional<FruDeviceLocator> DecodeFruDeviceLocator(const SdrRecord& record) {
  auto body = BodyOf(record, sdr_type::kFruDeviceLocator);
  if (!body)
    return std::nullopt;
  try {
    FruDeviceLocator fru;
    // Taken as it stands, as sensor owner IDs are: clearing bit 0 would
    // merge controllers at 01h and 00h, 03h and 02h into one.
    fru.accessAddress = body->U8();
    const std::uint8_t deviceId = body->U8();
    const std::uint8_t access = body->U8();
    fru.logical = (access & 0x80) != 0;
    fru.accessLun = (access >> 3) & 0x03;
    fru.privateBusId = access & 0x07;
    fru.fruDeviceId = fru.logical ? deviceId : static_cast<std::uint8_t>(deviceId >> 1);
    fru.channel = body->U8() >> 4;
    body->Skip(1);  // reserved
    fru.deviceType = body->U8();
    fru.deviceTypeModifier = body->U8();
    fru.entity.id = body->U8();
    fru.entity.instance = body->U8();
    body->Skip(1);  // OEM
    fru.idString = ReadIdString(*body);
    return fru;
  } catch (const TruncatedPayload&) {
    return std::nullopt;
  }
}

std::optional<McDeviceLocator> DecodeMcDeviceLocator(const SdrRecord& record) {
  auto body = BodyOf(record, sdr_type::kMcDeviceLocator);
  if (!body)
    return std::nullopt;
  try {
    McDeviceLocator mc;
    mc.slaveAddress = body->U8();
    mc.channel = body->U8() & 0x0f;
    body->Skip(1);  // power state notification, global initialisation
    mc.fruInventoryDevice = (body->U8() & 0x08) != 0;
    body->Skip(3);  // reserved
    mc.entity.id = body->U8();
    mc.entity.instance = body->U8();
    body->Skip(1);  // OEM
    mc.idString = ReadIdString(*body);
    return mc;
  } catch (const TruncatedPayload&) {
    return std::nullopt;
  }
}

}  // namespace marlek
