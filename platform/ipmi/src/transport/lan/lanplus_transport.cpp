#include "transport/lan/lanplus_transport.h"

#include "transport/lan/bridging.h"
#include "transport/request_pipeline.h"
#include "transport/wire_error.h"
#include "wire/completion_code.h"

#include <Ipmi/CmpiStatus.h>

#include <algorithm>

namespace marlek {
namespace {

// Enough for any SDR record in one read; larger reads are where BMCs most
// often fail (or go silent), so readers start here and adapt.
constexpr std::size_t kMaxResponseData = 128;
constexpr int kMaxWindow = 32;  // well below the 64 request sequence numbers

}  // namespace

// Requests as IPMI LAN messages in session packets, tagged by the request
// sequence number.
class LanPlusTransport::Wire final : public RequestPipeline::Wire {
 public:
  Wire(LanPlusTransport& owner, bool count) : owner_(owner), count_(count) {}

  // Sequence numbers go round in order, so one comes back only after 63
  // others. A late answer to its earlier use is then older than the
  // session sequence window and is dropped before it could be matched.
  std::uint32_t NewTag(const RequestPipeline& pipeline) override {
    for (;;) {
      const std::uint8_t seq = owner_.nextRqSeq_;
      owner_.nextRqSeq_ = static_cast<std::uint8_t>((seq + 1) & 0x3f);
      if (!pipeline.InUse(seq))
        return seq;
    }
  }

  void Transmit(const Request& request, const RequestPipeline::Entry& entry) override {
    const std::uint8_t rqSeq = static_cast<std::uint8_t>(entry.tag);
    const bool bridged = NeedsBridging(request.target);
    const Request outer = bridged ? WrapInSendMessage(request, rqSeq) : request;
    IpmbRequestFrame frame;
    frame.netFn = outer.netFn;
    frame.rsLun = bridged ? 0 : request.target.lun;
    frame.rqSeq = rqSeq;
    frame.command = outer.command;
    frame.data = outer.data;
    owner_.socket_.Send(EncodeSessionPacket(PayloadType::kIpmiMessage, owner_.session_.managedSessionId,
                                            owner_.outbound_.Next(), EncodeIpmbRequest(frame),
                                            owner_.session_.keys));
    if (count_)
      ++owner_.requestCount_;
  }

  bool AwaitArrival(RequestPipeline& pipeline, RequestPipeline::Clock::time_point deadline) override {
    const std::optional<Bytes> datagram = owner_.socket_.Receive(deadline);
    if (!datagram)
      return false;
    IpmbResponseFrame frame;
    try {
      frame = Decode(*datagram);
    } catch (const std::exception& e) {
      pipeline.Reject(e.what());
      return true;
    }
    // Nothing waits for it: a late answer to a request already done or
    // about to be sent again.
    if (RequestPipeline::Entry* entry = pipeline.Find(frame.rqSeq))
      Match(pipeline, *entry, frame);
    return true;
  }

 private:
  IpmbResponseFrame Decode(const Bytes& datagram) {
    const SessionPacket packet = DecodeSessionPacket(datagram, owner_.session_.keys);
    if (packet.type != PayloadType::kIpmiMessage || packet.sessionId != owner_.session_.consoleSessionId)
      throw WireFormatError("packet of another payload type or session");
    IpmbResponseFrame frame = DecodeIpmbResponse(packet.payload);
    if (packet.sequence != 0 && !owner_.inbound_.Accept(packet.sequence))
      throw WireFormatError("session sequence number outside the window or repeated");
    return frame;
  }

  static void Match(RequestPipeline& pipeline, RequestPipeline::Entry& entry,
                    const IpmbResponseFrame& frame) {
    const Request& request = pipeline.RequestOf(entry);
    const bool isSendMessage = frame.netFn == (netfn::kApp | 1) && frame.command == kCmdSendMessage;
    if (NeedsBridging(request.target) && isSendMessage) {
      if (frame.completionCode != 0) {
        pipeline.Answer(entry, Response{frame.completionCode, {}});
      } else if (frame.data.empty()) {
        pipeline.ExpectFollowUp(entry);  // the bridged answer comes on its own
      } else {
        try {
          pipeline.Answer(entry, UnwrapBridgedResponse(request, DecodeIpmbResponse(frame.data)));
        } catch (const std::exception& e) {
          pipeline.Reject(e.what());
        }
      }
    } else if (frame.netFn == (request.netFn | 1) && frame.command == request.command) {
      pipeline.Answer(entry, Response{frame.completionCode, frame.data});
    } else {
      pipeline.Reject("answer to another command than the request's");
    }
  }

  LanPlusTransport& owner_;
  bool count_;
};

std::unique_ptr<LanPlusTransport> LanPlusTransport::Open(const LanConfig& config) {
  try {
    UdpSocket socket = UdpSocket::Connect(config.host, config.port);
    const EstablishedSession session = EstablishSession(socket, config);
    std::unique_ptr<LanPlusTransport> transport(new LanPlusTransport(config, std::move(socket), session));
    const std::vector<Response> set =
        transport->Run({SetSessionPrivilegeLevelRequest(config.privilege)}, config.options, false);
    if (!set.front().Ok())
      throw SessionError("Set Session Privilege Level failed: " +
                         DescribeCompletionCode(set.front().completionCode));
    return transport;
  } catch (const ostrelInt::CmpiStatus& e) {
    throw ostrelInt::CmpiStatus("RMCP+ session set-up failed: " + e.msg());
  } catch (const std::exception& e) {
    throw ostrelInt::CmpiStatus(std::string("RMCP+ session set-up failed: ") + e.what());
  }
}

LanPlusTransport::LanPlusTransport(const LanConfig& config, UdpSocket socket,
                                   const EstablishedSession& session)
    : config_(config), socket_(std::move(socket)), session_(session) {}

LanPlusTransport::~LanPlusTransport() {
  if (abandoned_)
    return;
  TransportOptions once = config_.options;
  once.retries = 0;
  once.timeout = std::min<std::chrono::milliseconds>(once.timeout, std::chrono::milliseconds(500));
  try {
    Run({CloseSessionRequest(session_.managedSessionId)}, once, false);
  } catch (const std::exception&) {
    // The BMC drops the session on its own timeout.
  }
}

Response LanPlusTransport::Send(const Request& request) {
  return SendPipelined({request}).front();
}

std::vector<Response> LanPlusTransport::SendPipelined(const std::vector<Request>& requests) {
  return Run(requests, config_.options, true);
}

std::size_t LanPlusTransport::MaxResponseData() const {
  return kMaxResponseData;
}

std::string LanPlusTransport::Describe() const {
  return config_.host + ":" + std::to_string(config_.port);
}

std::vector<Response> LanPlusTransport::Run(const std::vector<Request>& requests,
                                            const TransportOptions& options, bool count) {
  Wire wire(*this, count);
  return RequestPipeline(wire, options, Describe(), kMaxWindow).Run(requests);
}

}  // namespace marlek
