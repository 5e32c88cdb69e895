#pragma once
// Requests and answers in the Linux IPMI driver's form: the address (the
// system interface, or an IPMB address the driver bridges to with Send
// Message), the message, and the msgid that matches an answer to its
// request.

#include "transport/message.h"

#include <linux/ipmi.h>

#include <array>
#include <cstdint>
#include <vector>

namespace marlek {

// A request ready for IPMICTL_SEND_COMMAND; owns the memory ipmi_req
// points into, so it must stay in place while the request is sent.
class DeviceRequest {
 public:
  DeviceRequest(const Request& request, long msgid);
  DeviceRequest(const DeviceRequest&) = delete;
  DeviceRequest& operator=(const DeviceRequest&) = delete;

  ipmi_req& Get() { return req_; }
  // The address the request went to, as the driver stores it.
  const ipmi_addr& Address() const { return address_; }

 private:
  ipmi_addr address_{};
  std::vector<std::uint8_t> data_;
  ipmi_req req_{};
};

// A buffer for IPMICTL_RECEIVE_MSG_TRUNC and the decoding of what it got.
class DeviceReceiveBuffer {
 public:
  DeviceReceiveBuffer();
  DeviceReceiveBuffer(const DeviceReceiveBuffer&) = delete;
  DeviceReceiveBuffer& operator=(const DeviceReceiveBuffer&) = delete;

  ipmi_recv& Get() { return recv_; }

  struct Received {
    int recvType = 0;
    long msgid = 0;
    std::uint8_t netFn = 0;
    std::uint8_t command = 0;
    Response response;
  };
  // After a successful receive: the answer (completion code first in the
  // driver's data). Throws TruncatedPayload for an answer without data.
  Received Decode() const;

 private:
  ipmi_addr address_{};
  std::array<std::uint8_t, IPMI_MAX_MSG_LENGTH> data_{};
  ipmi_recv recv_{};
};

}  // namespace marlek
