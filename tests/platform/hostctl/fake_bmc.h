#pragma once
// A BMC behind the request seam: Get Device ID, channels, LAN parameters and
// system info parameters held in memory, with switches for its refusals.

#include "bmc/bmc_commands.h"
#include "bmc/bmc_requester.h"

#include <pthread.h>

#include <functional>
#include <map>
#include <string>
#include <utility>

namespace HostCtl::Bmc::testing {

class FakeBmc : public Requester {
 public:
  FakeBmc() {
    channels[1] = 0x01;  // IPMB
    channels[2] = medium::kLan8023;
    channels[3] = medium::kLan8023;
    lan[{2, lan_param::kMacAddress}] = {0x11, 0x00, 0x5e, 0x0a, 0xbc, 0xff, 0x01};
    lan[{2, lan_param::kIpAddress}] = {0x11, 192, 168, 5, 20};
    lan[{2, lan_param::kSubnetMask}] = {0x11, 255, 255, 252, 0};
    lan[{2, lan_param::kDefaultGateway}] = {0x11, 192, 168, 4, 1};
    lan[{3, lan_param::kIpAddress}] = {0x11, 10, 0, 0, 9};
  }

  Reply Send(std::uint8_t netFn, std::uint8_t command, const Bytes& data) override {
    requests.push_back({netFn, command, data});
    if (onSend)
      onSend();
    if (netFn == netfn::kTransport && command == cmd::kGetLanConfigParameters)
      return Lan(data);
    if (netFn != netfn::kApp)
      return {0xc1, {}};
    switch (command) {
      case cmd::kGetDeviceId:
        return deviceId;
      case cmd::kGetChannelInfo: {
        auto it = channels.find(data.at(0));
        if (it == channels.end())
          return {0xcc, {}};
        return {0x00, {data[0], it->second, 0x01, 0x80, 0xf2, 0x1b, 0x00, 0x00, 0x00}};
      }
      case cmd::kGetChannelAccess:
        return {0x00, {accessByte, 0x04}};
      case cmd::kGetSystemInfoParameters:
        return GetSystemInfo(data);
      case cmd::kSetSystemInfoParameters:
        return SetSystemInfo(data);
    }
    return {0xc1, {}};
  }

  // Stores text as the BMC would: block 0 with encoding and length.
  void StoreText(std::uint8_t parameter, const std::string& text, std::uint8_t encoding = 0) {
    for (const Bytes& block : TextBlocks(static_cast<TextEncoding>(encoding), text))
      systemInfo[{parameter, block[0]}] = block;
  }

  struct Sent {
    std::uint8_t netFn;
    std::uint8_t command;
    Bytes data;
  };
  std::vector<Sent> requests;

  // Intel, device 0x21, firmware 1.17, IPMI 2.0, product 0x0b2b.
  Reply deviceId{0x00, {0x21, 0x01, 0x01, 0x17, 0x02, 0xbf, 0x57, 0x01, 0x00, 0x2b, 0x0b}};
  std::map<std::uint8_t, std::uint8_t> channels;  // channel -> medium
  std::map<std::pair<std::uint8_t, std::uint8_t>, Bytes> lan;
  std::map<std::pair<std::uint8_t, std::uint8_t>, Bytes> lanSets;  // (param, set) on channel 2
  std::uint8_t accessByte = 0x22;                                  // always available
  std::map<std::pair<std::uint8_t, std::uint8_t>, Bytes> systemInfo;
  std::uint8_t setInProgressCode = 0x00;  // answer to set-in-progress writes
  std::uint8_t rejectParameter = 0xff;    // writes of this parameter answer 0xcc
  std::vector<std::uint8_t> setInProgressLog;
  std::function<void()> onSend;

 private:
  Reply Lan(const Bytes& data) {
    const std::uint8_t channel = data.at(0), parameter = data.at(1), set = data.at(2);
    if (channel == 2) {
      auto it = lanSets.find({parameter, set});
      if (it != lanSets.end())
        return {0x00, it->second};
    }
    auto it = lan.find({channel, parameter});
    if (it == lan.end())
      return {0x80, {}};
    return {0x00, it->second};
  }

  Reply GetSystemInfo(const Bytes& data) {
    auto it = systemInfo.find({data.at(1), data.at(2)});
    if (it == systemInfo.end())
      return {0x80, {}};
    Bytes out{0x11};
    out.insert(out.end(), it->second.begin(), it->second.end());
    return {0x00, out};
  }

  Reply SetSystemInfo(const Bytes& data) {
    const std::uint8_t parameter = data.at(0);
    if (parameter == system_info::kSetInProgress) {
      setInProgressLog.push_back(data.at(1));
      return {setInProgressCode, {}};
    }
    if (parameter == rejectParameter)
      return {0xcc, {}};
    systemInfo[{parameter, data.at(1)}] = Bytes(data.begin() + 1, data.end());
    return {0x00, {}};
  }
};

}  // namespace HostCtl::Bmc::testing
