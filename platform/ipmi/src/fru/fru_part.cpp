#include "fru/fru_part.h"

#include "fru/fru_layout.h"

#include <ctime>

namespace marlek {
namespace fru {
namespace {

constexpr std::time_t kFruEpoch = 820454400;  // 1996-01-01T00:00:00Z

Bytes AreaBytes(const std::tr1::shared_ptr<Ipmi::FruAreaData>& area) {
  if (!area || area->data == nullptr || area->length <= 0)
    return {};
  const auto* begin = reinterpret_cast<const std::uint8_t*>(area->data);
  return Bytes(begin, begin + area->length);
}

std::string Join(const std::vector<std::string>& texts, const char* separator) {
  std::string joined;
  for (const std::string& text : texts)
    joined += (joined.empty() ? "" : separator) + text;
  return joined;
}

}  // namespace

std::string FruMfgTimeText(std::uint32_t minutes) {
  if (minutes == 0)
    return {};
  const std::time_t seconds = kFruEpoch + static_cast<std::time_t>(minutes) * 60;
  std::tm utc{};
  if (gmtime_r(&seconds, &utc) == nullptr)
    return {};
  char text[32];
  return std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc) ? text : "";
}

Ipmi::IpmiIfc::Part MakeFruPart(const Ipmi::IpmiFruOptional& optional) {
  Ipmi::IpmiIfc::Part part;
  part.type = optional.deviceName;
  std::vector<std::string> problems;
  if (optional.hasChassis) {
    const ChassisInfo chassis = DecodeChassisArea(AreaBytes(optional.chassisArea), problems);
    part.chassisName = ChassisTypeName(chassis.chassisType);
    part.chassisPartNumber = chassis.partNumber;
    part.chassisSerialNumber = chassis.serialNumber;
    part.chassisCustom = Join(chassis.custom, "; ");
  }
  if (optional.hasBoard) {
    const BoardInfo board = DecodeBoardArea(AreaBytes(optional.boardArea), problems);
    part.boardProductName = board.productName;
    part.boardManufacturer = board.manufacturer;
    part.boardMfgTimeStamp = FruMfgTimeText(board.mfgMinutes);
    part.boardSerialNumber = board.serialNumber;
    part.boardPartNumber = board.partNumber;
  }
  if (optional.hasProduct) {
    const ProductInfo product = DecodeProductArea(AreaBytes(optional.productArea), problems);
    part.productName = product.name;
    part.productManufacturer = product.manufacturer;
    part.productPartNumber = product.partNumber;
    part.productVersion = product.version;
    part.productSerialNumber = product.serialNumber;
    part.productAssetTag = product.assetTag;
  }
  return part;
}

}  // namespace fru
}  // namespace marlek
