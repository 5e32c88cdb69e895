#pragma once
// A UDP proxy on 127.0.0.1 between a client and a simulated BMC whose
// behaviour a test controls: each datagram passes, is dropped, or is
// replaced, as the test's filter decides.

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace marlek::testing {

class UdpProxy {
 public:
  enum class Direction { kToBmc, kToClient };
  // Returns the datagrams to forward in place of the one seen: none drops
  // it, several duplicate it.
  using Filter =
      std::function<std::vector<std::vector<std::uint8_t>>(Direction, const std::vector<std::uint8_t>&)>;

  explicit UdpProxy(std::uint16_t bmcPort) {
    listen_ = Bind(0);
    upstream_ = Bind(0);
    bmc_.sin_family = AF_INET;
    bmc_.sin_port = htons(bmcPort);
    bmc_.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sockaddr_in self{};
    socklen_t length = sizeof self;
    getsockname(listen_, reinterpret_cast<sockaddr*>(&self), &length);
    port_ = ntohs(self.sin_port);
    thread_ = std::thread([this] { Loop(); });
  }
  ~UdpProxy() {
    stop_ = true;
    thread_.join();
    close(listen_);
    close(upstream_);
  }
  UdpProxy(const UdpProxy&) = delete;
  UdpProxy& operator=(const UdpProxy&) = delete;

  std::uint16_t Port() const { return port_; }

  void SetFilter(Filter filter) {
    std::lock_guard<std::mutex> lock(mutex_);
    filter_ = std::move(filter);
  }
  // Datagrams seen from the client so far.
  int ClientDatagrams() const { return clientDatagrams_; }

 private:
  static int Bind(std::uint16_t port) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    return fd;
  }

  std::vector<std::vector<std::uint8_t>> Apply(Direction direction,
                                               const std::vector<std::uint8_t>& datagram) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!filter_)
      return {datagram};
    return filter_(direction, datagram);
  }

  void Loop() {
    std::vector<std::uint8_t> buffer(2048);
    while (!stop_) {
      pollfd fds[2] = {{listen_, POLLIN, 0}, {upstream_, POLLIN, 0}};
      if (poll(fds, 2, 20) <= 0)
        continue;
      if (fds[0].revents & POLLIN) {
        sockaddr_in from{};
        socklen_t length = sizeof from;
        const ssize_t got =
            recvfrom(listen_, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&from), &length);
        if (got > 0) {
          client_ = from;
          ++clientDatagrams_;
          for (const auto& out : Apply(Direction::kToBmc, {buffer.begin(), buffer.begin() + got}))
            sendto(upstream_, out.data(), out.size(), 0, reinterpret_cast<sockaddr*>(&bmc_), sizeof bmc_);
        }
      }
      if (fds[1].revents & POLLIN) {
        const ssize_t got = recv(upstream_, buffer.data(), buffer.size(), 0);
        if (got > 0 && client_) {
          for (const auto& out : Apply(Direction::kToClient, {buffer.begin(), buffer.begin() + got}))
            sendto(listen_, out.data(), out.size(), 0, reinterpret_cast<sockaddr*>(&*client_),
                   sizeof *client_);
        }
      }
    }
  }

  int listen_ = -1;
  int upstream_ = -1;
  sockaddr_in bmc_{};
  std::optional<sockaddr_in> client_;
  std::uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> clientDatagrams_{0};
  std::mutex mutex_;
  Filter filter_;
  std::thread thread_;
};

}  // namespace marlek::testing
