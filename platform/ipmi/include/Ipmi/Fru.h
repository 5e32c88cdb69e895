#pragma once

#include <Ipmi/Entity.h>
#include <Ipmi/Export.h>

#include <cstdint>
#include <string>
#include <tr1/memory>
#include <utility>
#include <vector>

namespace Ipmi {

// The raw bytes of one FRU information area. data points into the object's
// own storage, so the object is not copied.
struct IPMI_API FruAreaData {
  std::int32_t length = 0;
  const char* data = nullptr;

  static std::tr1::shared_ptr<FruAreaData> FromBytes(std::vector<char> bytes) {
    std::tr1::shared_ptr<FruAreaData> area(new FruAreaData);
    area->storage_ = std::move(bytes);
    area->length = static_cast<std::int32_t>(area->storage_.size());
    area->data = area->storage_.empty() ? nullptr : area->storage_.data();
    return area;
  }
  FruAreaData() = default;
  FruAreaData(const FruAreaData&) = delete;
  FruAreaData& operator=(const FruAreaData&) = delete;

 private:
  std::vector<char> storage_;
};

// One set of FRU information areas of a FRU device. Fields after the area
// handles are the library's own.
struct IPMI_API IpmiFruOptional {
  bool hasBoard = false;
  bool hasProduct = false;
  bool hasChassis = false;
  std::tr1::shared_ptr<FruAreaData> boardArea;
  std::tr1::shared_ptr<FruAreaData> productArea;
  std::tr1::shared_ptr<FruAreaData> chassisArea;

  std::string deviceName;  // names the FRU device in Part::type
  // What was wrong with the device's areas: an area left out (bad length,
  // unknown version) or shown despite a wrong checksum.
  std::vector<std::string> problems;
};

// One FRU device of a node.
class IPMI_API IpmiFru {
 public:
  IpmiFru(Entity entity, std::vector<std::tr1::shared_ptr<IpmiFruOptional>> optionals)
      : entity_(entity), optionals_(std::move(optionals)) {}

  Entity getEntity() const { return entity_; }
  const std::vector<std::tr1::shared_ptr<IpmiFruOptional>>& getOptionalRefArray() const { return optionals_; }

 private:
  Entity entity_;
  std::vector<std::tr1::shared_ptr<IpmiFruOptional>> optionals_;
};

}  // namespace Ipmi
