#pragma once
// What it takes to reach one BMC over RMCP+.

#include "transport/lan/session_commands.h"
#include "transport/message.h"

#include <cstdint>
#include <optional>
#include <string>

namespace marlek {

struct LanConfig {
  std::string host;
  std::uint16_t port = 623;
  std::string username;
  std::string password;  // K_UID; never logged
  std::string kg;        // the BMC key K_G; empty: none
  int cipherSuite = 3;
  // Cipher suite 0 (no authentication, no integrity, no confidentiality)
  // is used only when the configuration names it.
  bool cipherSuiteZeroAllowed = false;
  Privilege privilege = Privilege::kAdministrator;
  TransportOptions options;
  // For the session's first exchange, when it should fail sooner than the
  // requests: a session opened again to learn whether the BMC is still there.
  std::optional<TransportOptions> firstContact;
};

}  // namespace marlek
