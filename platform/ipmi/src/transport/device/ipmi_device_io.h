#pragma once
// The Linux IPMI driver's character device as the device transport uses it:
// open, IPMICTL_SEND_COMMAND, poll, IPMICTL_RECEIVE_MSG_TRUNC. The kernel
// implementation is the default; tests put a scripted one in its place.

#include <linux/ipmi.h>

#include <chrono>
#include <memory>
#include <string>

namespace marlek {

class IpmiDeviceIo {
 public:
  virtual ~IpmiDeviceIo() = default;
  // A file descriptor, or -1 with errno set.
  virtual int Open(const std::string& path) = 0;
  virtual void Close(int fd) = 0;
  // ioctl(IPMICTL_SEND_COMMAND); 0, or -1 with errno set.
  virtual int SendCommand(int fd, ipmi_req& request) = 0;
  // ioctl(IPMICTL_RECEIVE_MSG_TRUNC); 0, or -1 with errno set (EMSGSIZE:
  // received, data truncated to the buffer).
  virtual int ReceiveMessage(int fd, ipmi_recv& message) = 0;
  // poll for input: >0 readable, 0 timed out, -1 with errno set.
  virtual int WaitReadable(int fd, std::chrono::milliseconds timeout) = 0;
};

// The real device.
std::shared_ptr<IpmiDeviceIo> KernelIpmiDeviceIo();

}  // namespace marlek
