#pragma once
// Establishing an RMCP+ session: Get Channel Authentication Capabilities,
// Open Session, RAKP messages 1 to 4, and the keys the session then uses.

#include "transport/lan/lanplus_config.h"
#include "transport/lan/rmcpplus_session_packet.h"
#include "transport/lan/udp_socket.h"

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

// The BMC did not answer a step of the exchange at all.
class SessionTimeout : public SessionError {
 public:
  using SessionError::SessionError;
};

// Runs the exchange on socket; throws SessionError with the reason. The
// handshake's answers carry no integrity protection of their own, so a
// verdict drawn from one (a refusal, a proof that does not check out) is
// believed only when a second, fresh handshake reaches the same one: a
// datagram damaged on the way costs a new handshake, not the session. A
// lost answer likewise costs a new handshake, as many times as the
// configured retries allow.
EstablishedSession EstablishSession(UdpSocket& socket, const LanConfig& config);

}  // namespace marlek
