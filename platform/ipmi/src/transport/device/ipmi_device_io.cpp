#include "transport/device/ipmi_device_io.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace marlek {
namespace {

class KernelIo final : public IpmiDeviceIo {
 public:
  // Only a character device that answers the driver's ioctls is the
  // device: a regular file left at the name would take every request and
  // answer none. ENOTTY says "not an IPMI device".
  int Open(const std::string& path) override {
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
      return fd;
    struct stat st {};
    unsigned int address = 0;
    if (::fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode) ||
        ::ioctl(fd, IPMICTL_GET_MY_ADDRESS_CMD, &address) != 0) {
      ::close(fd);
      errno = ENOTTY;
      return -1;
    }
    return fd;
  }
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
