#include "fru/fru_inventory.h"

namespace marlek {
namespace fru {
namespace {

std::tr1::shared_ptr<Ipmi::FruAreaData> AreaData(const std::optional<AreaSlice>& slice) {
  if (!slice)
    return {};
  return Ipmi::FruAreaData::FromBytes(std::vector<char>(slice->bytes.begin(), slice->bytes.end()));
}

}  // namespace

std::shared_ptr<Ipmi::IpmiFru> BuildFru(const FruDeviceSpec& device, const Bytes& image,
                                        std::vector<std::string>& problems) {
  ImageAreas areas = LocateAreas(image);
  for (const std::string& problem : areas.problems)
    problems.push_back(device.name + " (" + DescribeDevice(device.address) + "): " + problem);
  std::vector<std::tr1::shared_ptr<Ipmi::IpmiFruOptional>> optionals;
  if (areas.chassis || areas.board || areas.product) {
    std::tr1::shared_ptr<Ipmi::IpmiFruOptional> optional(new Ipmi::IpmiFruOptional);
    optional->hasChassis = areas.chassis.has_value();
    optional->hasBoard = areas.board.has_value();
    optional->hasProduct = areas.product.has_value();
    optional->chassisArea = AreaData(areas.chassis);
    optional->boardArea = AreaData(areas.board);
    optional->productArea = AreaData(areas.product);
    optional->deviceName = device.name;
    optional->problems = areas.problems;
    optionals.push_back(optional);
  }
  return std::make_shared<Ipmi::IpmiFru>(device.entity, std::move(optionals));
}

FruInventory ReadFruInventory(Transport& transport, const std::vector<SdrRecord>& records,
                              const ReadOptions& options) {
  FruInventory inventory;
  std::map<std::pair<int, int>, std::size_t> learnt;
  ReadOptions shared = options;
  if (!shared.learnt)
    shared.learnt = &learnt;
  for (const FruDeviceSpec& device : FindFruDevices(records, &inventory.unread)) {
    const FruImage image = ReadFruImage(transport, device.address, shared);
    inventory.problems.insert(inventory.problems.end(), image.problems.begin(), image.problems.end());
    if (!image.complete)
      inventory.unread.push_back(
          "not read: " + device.name + " (" +
          (image.problems.empty() ? DescribeDevice(device.address) : image.problems.front()) + ")");
    if (image.bytes.empty())
      continue;
    inventory.anyData = true;
    inventory.frus.push_back(BuildFru(device, image.bytes, inventory.problems));
  }
  return inventory;
}

}  // namespace fru
}  // namespace marlek
