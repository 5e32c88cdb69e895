#pragma once
// A Transport whose answers a test scripts, for the readers above the wire,
// and a controller's records read in parts (the SDR repository, the SEL).

#include "transport/message.h"

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace marlek::testing {

class ScriptedTransport : public Transport {
 public:
  using Handler = std::function<Response(const Request&)>;
  explicit ScriptedTransport(Handler handler, std::size_t maxResponseData = 255)
      : handler_(std::move(handler)), maxResponseData_(maxResponseData) {}

  Response Send(const Request& request) override {
    sent_.push_back(request);
    return handler_(request);
  }
  std::vector<Response> SendPipelined(const std::vector<Request>& requests) override {
    std::vector<Response> responses;
    for (const Request& r : requests)
      responses.push_back(Send(r));
    return responses;
  }
  std::size_t MaxResponseData() const override { return maxResponseData_; }
  std::string Describe() const override { return "scripted"; }
  std::uint64_t RequestCount() const override { return sent_.size(); }
  const std::vector<Request>& Sent() const { return sent_; }  // in the order sent
  int Count(std::uint8_t command) const {
    return static_cast<int>(
        std::count_if(sent_.begin(), sent_.end(), [&](const Request& r) { return r.command == command; }));
  }

 private:
  Handler handler_;
  std::size_t maxResponseData_;
  std::vector<Request> sent_;
};

inline Response Ok(std::vector<std::uint8_t> data = {}) {
  return Response{0x00, std::move(data)};
}
inline Response Fail(std::uint8_t completionCode) {
  return Response{completionCode, {}};
}

// Answers a request in place of the controller, or leaves it to it.
using Fault = std::function<std::optional<Response>(const Request&)>;

// Records, each starting with its ID, read as Get SDR and Get SEL Entry ask:
// reservation, record ID (0: the first), offset, count (0xFF: all). A part
// of a record needs the current reservation (else 0xC5); counts above
// maxCount answer 0xCA, unknown IDs 0xCB.
struct FakeRecords {
  Response Read(const Request& r) {
    if (fault)
      if (std::optional<Response> answer = fault(r))
        return *answer;
    const std::uint16_t id = r.data.at(2) | r.data.at(3) << 8;
    std::size_t i = 0;
    while (id != 0 && i < records.size() && Id(i) != id)
      ++i;
    if (i >= records.size())
      return Fail(0xcb);
    const std::size_t offset = r.data.at(4), count = r.data.at(5) == 0xff ? records[i].size() : r.data.at(5);
    if ((offset != 0 || count < records[i].size()) && r.data.at(0) != reservation)
      return Fail(0xc5);
    if (count > maxCount)
      return Fail(0xca);
    const std::uint16_t next = nextOverride.count(i)    ? nextOverride[i]
                               : i + 1 < records.size() ? Id(i + 1)
                                                        : 0xffff;
    std::vector<std::uint8_t> out{static_cast<std::uint8_t>(next), static_cast<std::uint8_t>(next >> 8)};
    for (std::size_t k = offset; k < offset + count && k < records[i].size(); ++k)
      out.push_back(records[i][k]);
    return Ok(out);
  }
  std::uint16_t Id(std::size_t i) const {
    return static_cast<std::uint16_t>(records[i][0] | records[i][1] << 8);
  }

  std::vector<std::vector<std::uint8_t>> records;
  std::map<std::size_t, std::uint16_t> nextOverride;  // record index -> the next ID it names
  Fault fault;                                        // before each read
  std::size_t maxCount = 255;
  std::uint8_t reservation = 0;  // the current one; a test renews it with ++
};

}  // namespace marlek::testing
