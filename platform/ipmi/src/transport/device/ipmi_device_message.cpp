#include "transport/device/ipmi_device_message.h"

#include "wire/payload.h"

#include <algorithm>
#include <cstring>

namespace marlek {

DeviceRequest::DeviceRequest(const Request& request, long msgid) : data_(request.data) {
  if (request.target.IsBmc()) {
    ipmi_system_interface_addr si{};
    si.addr_type = IPMI_SYSTEM_INTERFACE_ADDR_TYPE;
    si.channel = IPMI_BMC_CHANNEL;
    si.lun = request.target.lun;
    std::memcpy(&address_, &si, sizeof si);
    req_.addr_len = sizeof si;
  } else {
    ipmi_ipmb_addr ipmb{};
    ipmb.addr_type = IPMI_IPMB_ADDR_TYPE;
    ipmb.channel = request.target.channel;
    ipmb.slave_addr = request.target.slaveAddress;
    ipmb.lun = request.target.lun;
    std::memcpy(&address_, &ipmb, sizeof ipmb);
    req_.addr_len = sizeof ipmb;
  }
  req_.addr = reinterpret_cast<unsigned char*>(&address_);
  req_.msgid = msgid;
  req_.msg.netfn = request.netFn;
  req_.msg.cmd = request.command;
  req_.msg.data_len = static_cast<unsigned short>(data_.size());
  req_.msg.data = data_.empty() ? nullptr : data_.data();
}

DeviceReceiveBuffer::DeviceReceiveBuffer() {
  recv_.addr = reinterpret_cast<unsigned char*>(&address_);
  recv_.addr_len = sizeof address_;
  recv_.msg.data = data_.data();
  recv_.msg.data_len = static_cast<unsigned short>(data_.size());
}

DeviceReceiveBuffer::Received DeviceReceiveBuffer::Decode() const {
  Received r;
  r.recvType = recv_.recv_type;
  r.msgid = recv_.msgid;
  r.netFn = recv_.msg.netfn;
  r.command = recv_.msg.cmd;
  const std::size_t length = std::min<std::size_t>(recv_.msg.data_len, data_.size());
  PayloadReader in(data_.data(), length, "IPMI device answer");
  r.response.completionCode = in.U8();
  r.response.data = in.Rest();
  return r;
}

}  // namespace marlek
