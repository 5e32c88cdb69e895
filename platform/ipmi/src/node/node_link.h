#pragma once
// A node's way to its BMC, and what the node has learnt about it on the way.
//
// A request that used up its attempts means its controller is silent: every
// later request to it fails at once with that first reason, instead of
// waiting out timeouts of its own. Over a LAN the BMC may only have dropped
// our session (lost packets can push our sequence numbers out of its
// window, and BMCs end idle sessions), so a silent BMC first gets a new
// session, a bounded number of times; one that cannot be established
// means the BMC is gone. A controller behind the BMC that stays silent
// while the BMC answers is silent alone.

#include "transport/message.h"
#include "transport/no_answer.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace marlek {

class NodeLink final : public Transport {
 public:
  // A new connection to the same BMC; throws ostrelInt::CmpiStatus when
  // it cannot be made.
  using Reconnect = std::function<std::shared_ptr<Transport>()>;

  // reconnect is empty where there is nothing to connect again (a device).
  NodeLink(std::shared_ptr<Transport> transport, Reconnect reconnect);

  Response Send(const Request& request) override;
  std::vector<Response> SendPipelined(const std::vector<Request>& requests) override;
  std::size_t MaxResponseData() const override { return transport_->MaxResponseData(); }
  std::string Describe() const override { return transport_->Describe(); }
  std::uint64_t RequestCount() const override { return earlierRequests_ + transport_->RequestCount(); }
  void Abandon() override { transport_->Abandon(); }

  // How many times the connection was made again; for tests.
  int Reconnects() const { return reconnects_; }

 private:
  enum class Recovery { kRetry, kTargetSilent, kBmcGone };

  template <typename Call>
  auto Guarded(const std::vector<Request>& requests, Call call);
  void ThrowIfSilent(const std::vector<Request>& requests) const;
  Recovery Recover();
  void MarkSilent(const NoAnswer& e, Recovery recovery);

  std::shared_ptr<Transport> transport_;
  Reconnect reconnect_;
  std::uint64_t earlierRequests_ = 0;
  int reconnects_ = 0;
  int reconnectsInARow_ = 0;  // with no answered call between them
  std::optional<std::string> bmcSilent_;
  std::map<std::pair<std::uint8_t, std::uint8_t>, std::string> silentTargets_;  // (channel, address)
};

}  // namespace marlek
