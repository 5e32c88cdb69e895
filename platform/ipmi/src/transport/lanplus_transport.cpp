#include "transport/lanplus_transport.h"

#include "transport/bridging.h"
#include "transport/completion_code.h"
#include "transport/wire_error.h"

#include <Ipmi/CmpiStatus.h>

#include <algorithm>
#include <cstdio>

namespace marlek {
namespace {

using Clock = UdpSocket::Clock;

constexpr std::uint8_t kNodeBusy = 0xc0;
constexpr std::size_t kMaxResponseData = 240;
constexpr int kMaxWindow = 32;  // well below the 64 request sequence numbers

std::string Hex(std::uint8_t v) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02x", v);
  return text;
}

std::string DescribeRequest(const Request& r) {
  std::string text = "netfn " + Hex(r.netFn) + " command " + Hex(r.command);
  if (!r.target.IsBmc())
    text += " to " + Hex(r.target.slaveAddress) + " on channel " + std::to_string(r.target.channel);
  return text;
}

Clock::duration BusyBackoff(const TransportOptions& options) {
  return std::min<Clock::duration>(options.timeout / 4, std::chrono::milliseconds(100));
}

}  // namespace

struct LanPlusTransport::InFlight {
  std::size_t index = 0;
  std::uint8_t rqSeq = 0;
  int attemptsLeft = 0;
  Clock::time_point deadline;
  bool backingOff = false;       // Node Busy: send again at the deadline
  bool awaitingBridged = false;  // Send Message accepted, answer to follow
};

struct LanPlusTransport::Batch {
  const std::vector<Request>* requests = nullptr;
  TransportOptions options;
  bool count = true;
  std::vector<std::optional<Response>> results;
  std::map<std::uint8_t, InFlight> inFlight;
  std::optional<std::size_t> failedIndex;
  std::string failure;
  std::string lastRejected;  // why the last unusable datagram was dropped
};

std::unique_ptr<LanPlusTransport> LanPlusTransport::Open(const LanConfig& config) {
  const std::string where = config.host + ":" + std::to_string(config.port);
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
    throw ostrelInt::CmpiStatus("cannot establish an RMCP+ session with " + where + ": " + e.msg());
  } catch (const std::exception& e) {
    throw ostrelInt::CmpiStatus("cannot establish an RMCP+ session with " + where + ": " + e.what());
  }
}

LanPlusTransport::LanPlusTransport(const LanConfig& config, UdpSocket socket,
                                   const EstablishedSession& session)
    : config_(config), socket_(std::move(socket)), session_(session) {}

LanPlusTransport::~LanPlusTransport() {
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
  Batch batch;
  batch.requests = &requests;
  batch.options = options;
  batch.count = count;
  batch.results.resize(requests.size());
  const std::size_t window = static_cast<std::size_t>(std::clamp(options.window, 1, kMaxWindow));
  std::size_t next = 0;
  for (;;) {
    while (!batch.failedIndex && next < requests.size() && batch.inFlight.size() < window)
      Start(batch, next++);
    if (batch.inFlight.empty())
      break;
    Clock::time_point deadline = Clock::time_point::max();
    for (const auto& [seq, entry] : batch.inFlight)
      deadline = std::min(deadline, entry.deadline);
    if (auto datagram = socket_.Receive(deadline)) {
      HandleDatagram(batch, *datagram);
      continue;
    }
    const Clock::time_point now = Clock::now();
    std::vector<std::uint8_t> expired;
    for (const auto& [seq, entry] : batch.inFlight) {
      if (entry.deadline <= now)
        expired.push_back(seq);
    }
    for (std::uint8_t seq : expired)
      Expire(batch, seq);
  }
  if (batch.failedIndex)
    throw ostrelInt::CmpiStatus(batch.failure);
  std::vector<Response> responses;
  responses.reserve(requests.size());
  for (std::optional<Response>& r : batch.results)
    responses.push_back(std::move(*r));
  return responses;
}

std::uint8_t LanPlusTransport::AllocateRqSeq(const Batch& batch) {
  for (;;) {
    const std::uint8_t seq = nextRqSeq_;
    nextRqSeq_ = static_cast<std::uint8_t>((nextRqSeq_ + 1) & 0x3f);
    if (!batch.inFlight.count(seq))
      return seq;
  }
}

void LanPlusTransport::Start(Batch& batch, std::size_t index) {
  InFlight entry;
  entry.index = index;
  entry.rqSeq = AllocateRqSeq(batch);
  entry.attemptsLeft = batch.options.retries;
  InFlight& stored = batch.inFlight[entry.rqSeq] = entry;
  Transmit(batch, stored);
}

void LanPlusTransport::Transmit(Batch& batch, InFlight& entry) {
  const Request& request = (*batch.requests)[entry.index];
  const bool bridged = NeedsBridging(request.target);
  const Request outer = bridged ? WrapInSendMessage(request, entry.rqSeq) : request;
  IpmbRequestFrame frame;
  frame.rsAddr = kBmcSlaveAddress;
  frame.netFn = outer.netFn;
  frame.rsLun = bridged ? 0 : request.target.lun;
  frame.rqAddr = kRemoteConsoleSwid;
  frame.rqSeq = entry.rqSeq;
  frame.command = outer.command;
  frame.data = outer.data;
  socket_.Send(EncodeSessionPacket(PayloadType::kIpmiMessage, session_.managedSessionId, outbound_.Next(),
                                   EncodeIpmbRequest(frame), session_.keys));
  if (batch.count)
    ++requestCount_;
  entry.deadline = Clock::now() + batch.options.timeout;
  entry.awaitingBridged = false;
  entry.backingOff = false;
}

void LanPlusTransport::HandleDatagram(Batch& batch, const std::vector<std::uint8_t>& datagram) {
  IpmbResponseFrame frame;
  try {
    const SessionPacket packet = DecodeSessionPacket(datagram, session_.keys);
    if (packet.type != PayloadType::kIpmiMessage || packet.sessionId != session_.consoleSessionId)
      throw WireFormatError("packet of another payload type or session");
    frame = DecodeIpmbResponse(packet.payload);
    if (packet.sequence != 0 && !inbound_.Accept(packet.sequence))
      throw WireFormatError("session sequence number outside the window or repeated");
  } catch (const WireFormatError& e) {
    batch.lastRejected = e.what();
    return;
  } catch (const TruncatedPayload& e) {
    batch.lastRejected = e.what();
    return;
  }
  auto it = batch.inFlight.find(frame.rqSeq);
  if (it == batch.inFlight.end() || it->second.backingOff)
    return;  // a late answer to a request already done or about to be sent again
  HandleAnswer(batch, it->second, frame);
}

void LanPlusTransport::HandleAnswer(Batch& batch, InFlight& entry, const IpmbResponseFrame& frame) {
  const Request& request = (*batch.requests)[entry.index];
  const bool bridged = NeedsBridging(request.target);
  const bool isSendMessage = frame.netFn == (netfn::kApp | 1) && frame.command == kCmdSendMessage;
  Response response;
  if (bridged && isSendMessage) {
    if (frame.completionCode == 0 && frame.data.empty()) {
      // Accepted; the bridged answer follows as a message of its own.
      entry.awaitingBridged = true;
      entry.deadline = Clock::now() + batch.options.timeout;
      return;
    }
    try {
      response = frame.completionCode != 0 ? Response{frame.completionCode, {}}
                                           : UnwrapBridgedResponse(request, DecodeIpmbResponse(frame.data));
    } catch (const std::exception& e) {
      batch.lastRejected = e.what();
      return;
    }
  } else if (frame.netFn == (request.netFn | 1) && frame.command == request.command) {
    response = Response{frame.completionCode, frame.data};
  } else {
    batch.lastRejected = "answer with another command than the request's";
    return;
  }
  if (response.completionCode == kNodeBusy && entry.attemptsLeft > 0) {
    --entry.attemptsLeft;
    entry.backingOff = true;
    entry.deadline = Clock::now() + BusyBackoff(batch.options);
    return;
  }
  Complete(batch, entry.rqSeq, std::move(response));
}

void LanPlusTransport::Complete(Batch& batch, std::uint8_t rqSeq, Response response) {
  auto it = batch.inFlight.find(rqSeq);
  batch.results[it->second.index] = std::move(response);
  batch.inFlight.erase(it);
}

void LanPlusTransport::Expire(Batch& batch, std::uint8_t rqSeq) {
  InFlight& entry = batch.inFlight.at(rqSeq);
  if (entry.backingOff) {
    Transmit(batch, entry);
    return;
  }
  if (entry.attemptsLeft > 0) {
    --entry.attemptsLeft;
    Transmit(batch, entry);
    return;
  }
  const Request& request = (*batch.requests)[entry.index];
  if (!batch.failedIndex || entry.index < *batch.failedIndex) {
    batch.failedIndex = entry.index;
    batch.failure = "no answer from " + Describe() + " to " + DescribeRequest(request) + " after " +
                    std::to_string(batch.options.retries + 1) + " attempts of " +
                    std::to_string(batch.options.timeout.count()) + " ms";
    if (!batch.lastRejected.empty())
      batch.failure += " (last packet rejected: " + batch.lastRejected + ")";
  }
  batch.inFlight.erase(rqSeq);
}

}  // namespace marlek
