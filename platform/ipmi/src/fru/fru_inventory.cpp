#include "fru/fru_inventory.h"

#include "wire/payload.h"

#include <Ipmi/CmpiStatus.h>

#include <map>
#include <tuple>

namespace marlek {
namespace fru {
namespace {

// Answers fetched ahead, in pipelined batches, for the requests the device
// readers are about to make; each is handed out once, and anything else
// goes to the BMC when it is asked.
class Prefetched final : public Transport {
 public:
  explicit Prefetched(Transport& inner) : inner_(inner) {}

  // A batch that fails is simply not kept: each request is then sent on its
  // own when its reader comes to it.
  void Fetch(const std::vector<Request>& requests) {
    if (requests.empty())
      return;
    try {
      const std::vector<Response> answers = inner_.SendPipelined(requests);
      for (std::size_t i = 0; i < answers.size() && i < requests.size(); ++i)
        answers_[KeyOf(requests[i])] = answers[i];
    } catch (const ostrelInt::CmpiStatus&) {
    }
  }

  const Response* Peek(const Request& request) const {
    auto it = answers_.find(KeyOf(request));
    return it == answers_.end() ? nullptr : &it->second;
  }

  Response Send(const Request& request) override {
    auto it = answers_.find(KeyOf(request));
    if (it == answers_.end())
      return inner_.Send(request);
    Response answer = std::move(it->second);
    answers_.erase(it);
    return answer;
  }
  std::vector<Response> SendPipelined(const std::vector<Request>& requests) override {
    std::vector<Response> answers;
    for (const Request& r : requests)
      answers.push_back(Send(r));
    return answers;
  }
  std::size_t MaxResponseData() const override { return inner_.MaxResponseData(); }
  std::string Describe() const override { return inner_.Describe(); }
  std::uint64_t RequestCount() const override { return inner_.RequestCount(); }

 private:
  using Key = std::tuple<int, int, int, int, int, std::vector<std::uint8_t>>;
  static Key KeyOf(const Request& r) {
    return {r.netFn, r.command, r.target.channel, r.target.slaveAddress, r.target.lun, r.data};
  }

  Transport& inner_;
  std::map<Key, Response> answers_;
};

// The first requests of every device, fetched in three pipelined batches:
// the area info, then the common headers, then the first read of each area.
void FetchAhead(Prefetched& transport, const std::vector<FruDeviceSpec>& devices,
                const ReadOptions& options) {
  std::vector<Request> batch;
  for (const FruDeviceSpec& d : devices)
    batch.push_back(GetFruInventoryAreaInfoRequest(d.address.target, d.address.deviceId));
  transport.Fetch(batch);
  std::vector<std::pair<const FruDeviceSpec*, InventoryAreaInfo>> sized;
  batch.clear();
  for (const FruDeviceSpec& d : devices) {
    const Response* info =
        transport.Peek(GetFruInventoryAreaInfoRequest(d.address.target, d.address.deviceId));
    if (!info || !info->Ok())
      continue;
    try {
      const InventoryAreaInfo decoded = DecodeInventoryAreaInfo(info->data);
      if (decoded.size != 0) {
        sized.emplace_back(&d, decoded);
        batch.push_back(HeaderRead(d.address, decoded));
      }
    } catch (const TruncatedPayload&) {
    }
  }
  transport.Fetch(batch);
  batch.clear();
  for (const auto& [device, info] : sized) {
    const Response* header = transport.Peek(HeaderRead(device->address, info));
    if (!header || !header->Ok())
      continue;
    try {
      const Bytes bytes = DecodeFruDataChunk(header->data).data;
      for (Request& r : FirstAreaReads(transport, device->address, options, info, bytes))
        batch.push_back(std::move(r));
    } catch (const TruncatedPayload&) {
    }
  }
  transport.Fetch(batch);
}

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
  const std::vector<FruDeviceSpec> devices = FindFruDevices(records, &inventory.unread);
  Prefetched ahead(transport);
  FetchAhead(ahead, devices, shared);
  for (const FruDeviceSpec& device : devices) {
    const FruImage image = ReadFruImage(ahead, device.address, shared);
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
