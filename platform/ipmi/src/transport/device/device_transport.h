#pragma once
// The Transport over the Linux IPMI driver (/dev/ipmiN): requests go to the
// system interface, or to an IPMB address that the driver reaches with
// Send Message; several are outstanding at once, each matched to its answer
// by msgid, with a deadline per attempt and bounded retries.

#include "transport/device/ipmi_device_io.h"
#include "transport/message.h"

#include <memory>
#include <string>

namespace marlek {

class DeviceTransport final : public Transport {
 public:
  // Opens the device; throws ostrelInt::CmpiStatus naming it and the reason.
  static std::unique_ptr<DeviceTransport> Open(const std::string& path, const TransportOptions& options,
                                               std::shared_ptr<IpmiDeviceIo> io = KernelIpmiDeviceIo());

  Response Send(const Request& request) override;
  std::vector<Response> SendPipelined(const std::vector<Request>& requests) override;
  std::size_t MaxResponseData() const override;
  std::string Describe() const override { return path_; }
  std::uint64_t RequestCount() const override { return requestCount_; }

 private:
  class Wire;
  friend class Wire;

  // The open device, closed through the io that opened it.
  class DeviceFd {
   public:
    DeviceFd(std::shared_ptr<IpmiDeviceIo> io, int fd) : io_(std::move(io)), fd_(fd) {}
    ~DeviceFd() { io_->Close(fd_); }
    DeviceFd(const DeviceFd&) = delete;
    DeviceFd& operator=(const DeviceFd&) = delete;
    IpmiDeviceIo& Io() const { return *io_; }
    int Get() const { return fd_; }

   private:
    std::shared_ptr<IpmiDeviceIo> io_;
    int fd_;
  };

  DeviceTransport(std::string path, const TransportOptions& options, std::unique_ptr<DeviceFd> device);

  std::string path_;
  TransportOptions options_;
  std::unique_ptr<DeviceFd> device_;
  long nextMsgid_ = 1;
  std::uint64_t requestCount_ = 0;
};

}  // namespace marlek
