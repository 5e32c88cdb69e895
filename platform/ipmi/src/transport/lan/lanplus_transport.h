#pragma once
// The Transport over an IPMI v2.0 RMCP+ session (lanplus): requests go out
// as IPMI LAN messages inside authenticated and encrypted session packets,
// up to options.window at a time, matched to their answers by the 6-bit
// request sequence number, retransmitted on timeout and on "Node Busy".
// Requests to controllers behind the BMC travel in Send Message.

#include "transport/lan/ipmi_lan_message.h"
#include "transport/lan/lanplus_config.h"
#include "transport/lan/lanplus_session.h"
#include "transport/lan/session_sequence.h"
#include "transport/lan/udp_socket.h"
#include "transport/message.h"

#include <cstdint>
#include <memory>
#include <string>

namespace marlek {

class LanPlusTransport final : public Transport {
 public:
  // Connects and establishes the session; throws ostrelInt::CmpiStatus
  // saying why when that fails.
  static std::unique_ptr<LanPlusTransport> Open(const LanConfig& config);
  // Closes the session (one attempt, errors ignored).
  ~LanPlusTransport() override;

  Response Send(const Request& request) override;
  std::vector<Response> SendPipelined(const std::vector<Request>& requests) override;
  std::size_t MaxResponseData() const override;
  std::string Describe() const override;
  // The requests of Send and SendPipelined, each attempt counted; the
  // session's own set-up and Close Session are not.
  std::uint64_t RequestCount() const override { return requestCount_; }
  void Abandon() override { abandoned_ = true; }

 private:
  class Wire;
  friend class Wire;

  LanPlusTransport(const LanConfig& config, UdpSocket socket, const EstablishedSession& session);
  std::vector<Response> Run(const std::vector<Request>& requests, const TransportOptions& options,
                            bool count);

  LanConfig config_;
  UdpSocket socket_;
  EstablishedSession session_;
  OutboundSequence outbound_;
  InboundSequenceWindow inbound_;
  std::uint8_t nextRqSeq_ = 1;
  std::uint64_t requestCount_ = 0;
  bool abandoned_ = false;  // no Close Session when going away
};

}  // namespace marlek
