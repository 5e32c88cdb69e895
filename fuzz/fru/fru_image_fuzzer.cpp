// Arbitrary bytes as a FRU device image: areas must stay inside the image,
// every area must decode without reading past its bytes, and the texts of
// Ipmi::IpmiIfc::Part must come out whatever the bytes say.
#include "fru/fru_device.h"
#include "fru/fru_inventory.h"
#include "fru/fru_layout.h"
#include "fru/fru_part.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

void Check(bool condition) {
  if (!condition)
    std::abort();
}

void CheckArea(const std::optional<marlek::fru::AreaSlice>& area, std::size_t imageSize) {
  if (area)
    Check(!area->bytes.empty() && area->bytes.size() <= imageSize && area->bytes.size() % 8 == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const marlek::fru::Bytes image(data, data + size);
  const marlek::fru::ImageAreas areas = marlek::fru::LocateAreas(image);
  CheckArea(areas.chassis, size);
  CheckArea(areas.board, size);
  CheckArea(areas.product, size);

  // Each decoder also takes raw bytes that were never cut to an area.
  std::vector<std::string> problems;
  marlek::fru::DecodeChassisArea(image, problems);
  marlek::fru::DecodeBoardArea(image, problems);
  marlek::fru::DecodeProductArea(image, problems);

  marlek::fru::FruDeviceSpec device;
  device.name = "fuzz";
  std::vector<std::string> deviceProblems;
  const auto fru = marlek::fru::BuildFru(device, image, deviceProblems);
  for (const auto& optional : fru->getOptionalRefArray()) {
    const Ipmi::IpmiIfc::Part part = marlek::fru::MakeFruPart(*optional);
    Check(part.type == "fuzz");
  }
  return 0;
}
