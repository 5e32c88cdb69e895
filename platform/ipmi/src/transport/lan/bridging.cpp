#include "transport/lan/bridging.h"

#include "transport/wire_error.h"

namespace marlek {
namespace {

constexpr std::uint8_t kTrackRequest = 0x40;

}  // namespace

Request WrapInSendMessage(const Request& request, std::uint8_t seq) {
  IpmbRequestFrame inner;
  inner.rsAddr = request.target.slaveAddress;
  inner.netFn = request.netFn;
  inner.rsLun = request.target.lun;
  inner.rqAddr = kBmcSlaveAddress;
  inner.rqSeq = seq & 0x3f;
  inner.rqLun = 0;
  inner.command = request.command;
  inner.data = request.data;

  Request outer;
  outer.netFn = netfn::kApp;
  outer.command = kCmdSendMessage;
  outer.data.push_back(static_cast<std::uint8_t>(kTrackRequest | (request.target.channel & 0x0f)));
  const std::vector<std::uint8_t> frame = EncodeIpmbRequest(inner);
  outer.data.insert(outer.data.end(), frame.begin(), frame.end());
  return outer;
}

Response UnwrapBridgedResponse(const Request& request, const IpmbResponseFrame& frame) {
  if (frame.netFn != (request.netFn | 1) || frame.command != request.command)
    throw WireFormatError("bridged response answers another request");
  return Response{frame.completionCode, frame.data};
}

}  // namespace marlek
