#include "node/node_link.h"

namespace marlek {
namespace {

constexpr int kReconnectsInARow = 2;
constexpr int kReconnectsPerNode = 8;

std::pair<std::uint8_t, std::uint8_t> KeyOf(const Target& target) {
  return {target.channel, target.slaveAddress};
}

}  // namespace

NodeLink::NodeLink(std::shared_ptr<Transport> transport, Reconnect reconnect)
    : transport_(std::move(transport)), reconnect_(std::move(reconnect)) {}

template <typename Call>
auto NodeLink::Guarded(const std::vector<Request>& requests, Call call) {
  for (;;) {
    ThrowIfSilent(requests);
    try {
      auto result = call();
      reconnectsInARow_ = 0;
      return result;
    } catch (const NoAnswer& e) {
      const Recovery recovery = Recover();
      if (recovery != Recovery::kRetry) {
        MarkSilent(e, recovery);
        throw;
      }
    }
  }
}

Response NodeLink::Send(const Request& request) {
  const std::vector<Request> one{request};
  return Guarded(one, [&] { return transport_->Send(request); });
}

std::vector<Response> NodeLink::SendPipelined(const std::vector<Request>& requests) {
  return Guarded(requests, [&] { return transport_->SendPipelined(requests); });
}

void NodeLink::ThrowIfSilent(const std::vector<Request>& requests) const {
  if (bmcSilent_)
    throw NoAnswer(*bmcSilent_, Target{});
  if (silentTargets_.empty())
    return;
  for (const Request& r : requests) {
    auto it = silentTargets_.find(KeyOf(r.target));
    if (it != silentTargets_.end())
      throw NoAnswer(it->second, r.target);
  }
}

NodeLink::Recovery NodeLink::Recover() {
  if (!reconnect_ || reconnectsInARow_ >= kReconnectsInARow || reconnects_ >= kReconnectsPerNode)
    return Recovery::kTargetSilent;
  ++reconnectsInARow_;
  ++reconnects_;
  transport_->Abandon();
  try {
    std::shared_ptr<Transport> fresh = reconnect_();
    earlierRequests_ += transport_->RequestCount();
    transport_ = std::move(fresh);
    return Recovery::kRetry;
  } catch (const ostrelInt::CmpiStatus&) {
    return Recovery::kBmcGone;
  }
}

void NodeLink::MarkSilent(const NoAnswer& e, Recovery recovery) {
  if (recovery == Recovery::kBmcGone || e.target().IsBmc()) {
    bmcSilent_ = e.msg();
    transport_->Abandon();
  } else {
    silentTargets_.emplace(KeyOf(e.target()), e.msg());
  }
}

}  // namespace marlek
