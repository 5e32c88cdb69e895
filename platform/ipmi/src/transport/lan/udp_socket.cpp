#include "transport/lan/udp_socket.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/types.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace marlek {
namespace {

constexpr std::size_t kMaxDatagram = 4096;  // far above the largest RMCP+ packet

struct AddrInfoDeleter {
  void operator()(addrinfo* info) const { freeaddrinfo(info); }
};

// Whether the socket is still good after a failed receive: nothing has
// come yet (EWOULDBLOCK is EAGAIN here), a signal came first, or the
// refusal of an earlier datagram was reported (the BMC may still come up).
bool Transient(int error) {
  switch (error) {
    case EAGAIN:
    case EINTR:
    case ECONNREFUSED:
      return true;
    default:
      return false;
  }
}

std::string Where(const std::string& host, std::uint16_t port) {
  return host + ":" + std::to_string(port);
}

}  // namespace

UdpSocket UdpSocket::Connect(const std::string& host, std::uint16_t port) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* found = nullptr;
  const int rc = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
  if (rc != 0)
    throw std::runtime_error("cannot resolve " + Where(host, port) + ": " + gai_strerror(rc));
  std::unique_ptr<addrinfo, AddrInfoDeleter> list(found);
  std::string lastError = "no address";
  for (addrinfo* ai = list.get(); ai; ai = ai->ai_next) {
    UniqueFd fd(::socket(ai->ai_family, ai->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, ai->ai_protocol));
    if (!fd.Valid() || ::connect(fd.Get(), ai->ai_addr, ai->ai_addrlen) != 0) {
      lastError = std::strerror(errno);
      continue;
    }
    return UdpSocket(std::move(fd));
  }
  throw std::runtime_error("cannot connect to " + Where(host, port) + ": " + lastError);
}

void UdpSocket::Send(const std::vector<std::uint8_t>& datagram) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    const ssize_t sent = ::send(fd_.Get(), datagram.data(), datagram.size(), MSG_NOSIGNAL);
    if (sent == static_cast<ssize_t>(datagram.size()))
      return;
    // A refused earlier datagram is reported on a later call; the BMC may
    // still come up, so it counts as a lost packet, not as a failure.
    if (sent < 0 && (errno == EINTR || errno == ECONNREFUSED))
      continue;
    if (sent < 0 && errno == EAGAIN)  // a full send buffer (EWOULDBLOCK is EAGAIN)
      return;                         // dropped like any lost datagram; the retry logic covers it
    throw std::runtime_error(std::string("UDP send failed: ") + std::strerror(errno));
  }
  // Still refused: the request is lost like any datagram; retries cover it.
}

std::optional<std::vector<std::uint8_t>> UdpSocket::Receive(Clock::time_point deadline) {
  std::vector<std::uint8_t> buffer(kMaxDatagram);
  for (;;) {
    const ssize_t got = ::recv(fd_.Get(), buffer.data(), buffer.size(), 0);
    if (got >= 0) {
      buffer.resize(static_cast<std::size_t>(got));
      return buffer;
    }
    if (!Transient(errno))
      throw std::runtime_error(std::string("UDP receive failed: ") + std::strerror(errno));
    const auto now = Clock::now();
    if (now >= deadline)
      return std::nullopt;
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count() + 1;
    pollfd pfd{fd_.Get(), POLLIN, 0};
    const int ready = ::poll(&pfd, 1, static_cast<int>(wait));
    if (ready < 0 && errno != EINTR)
      throw std::runtime_error(std::string("poll failed: ") + std::strerror(errno));
  }
}

}  // namespace marlek
