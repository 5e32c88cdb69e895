#pragma once
// A connected UDP socket to one BMC.

#include "transport/unique_fd.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace marlek {

class UdpSocket {
 public:
  using Clock = std::chrono::steady_clock;

  // Resolves host (a name or a numeric address) and connects; throws
  // std::runtime_error naming host and port when that fails.
  static UdpSocket Connect(const std::string& host, std::uint16_t port);

  // Sends one datagram; throws std::runtime_error on failure.
  void Send(const std::vector<std::uint8_t>& datagram);

  // The next datagram, or nothing when none arrives before the deadline.
  // ICMP errors (port unreachable) are reported as nothing, like silence.
  std::optional<std::vector<std::uint8_t>> Receive(Clock::time_point deadline);

 private:
  explicit UdpSocket(UniqueFd fd) : fd_(std::move(fd)) {}
  UniqueFd fd_;
};

}  // namespace marlek
