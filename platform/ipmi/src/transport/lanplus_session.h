#pragma once
// Establishing an RMCP+ session: Get Channel Authentication Capabilities,
// Open Session, RAKP messages 1 to 4, and the keys the session then uses.

#include "transport/lanplus_config.h"
#include "transport/rmcpplus_session_packet.h"
#include "transport/udp_socket.h"

#include <cstdint>
#include <stdexcept>

namespace marlek {

struct EstablishedSession {
  std::uint32_t consoleSessionId = 0;
  std::uint32_t managedSessionId = 0;
  SessionKeys keys;
};

// Why a session could not be established.
class SessionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Runs the exchange on socket; throws SessionError with the reason.
EstablishedSession EstablishSession(UdpSocket& socket, const LanConfig& config);

}  // namespace marlek
