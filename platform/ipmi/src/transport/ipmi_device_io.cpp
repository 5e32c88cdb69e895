#include "transport/ipmi_device_io.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace marlek {
namespace {

class KernelIo final : public IpmiDeviceIo {
 public:
  int Open(const std::string& path) override { return ::open(path.c_str(), O_RDWR | O_CLOEXEC); }
  void Close(int fd) override { ::close(fd); }
  int SendCommand(int fd, ipmi_req& request) override { return ::ioctl(fd, IPMICTL_SEND_COMMAND, &request); }
  int ReceiveMessage(int fd, ipmi_recv& message) override {
    return ::ioctl(fd, IPMICTL_RECEIVE_MSG_TRUNC, &message);
  }
  int WaitReadable(int fd, std::chrono::milliseconds timeout) override {
    pollfd pfd{fd, POLLIN, 0};
    return ::poll(&pfd, 1, static_cast<int>(timeout.count()));
  }
};

}  // namespace

std::shared_ptr<IpmiDeviceIo> KernelIpmiDeviceIo() {
  static const std::shared_ptr<IpmiDeviceIo> io = std::make_shared<KernelIo>();
  return io;
}

}  // namespace marlek
