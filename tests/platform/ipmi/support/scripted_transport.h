#pragma once
// A Transport whose answers a test scripts, for the readers above the wire.

#include "transport/message.h"

#include <functional>
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

}  // namespace marlek::testing
