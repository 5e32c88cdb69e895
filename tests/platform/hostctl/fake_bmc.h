#pragma once
// A BMC behind the request seam: Get Device ID, channels, LAN parameters and
// system info parameters held in memory, with switches for its refusals.

#include "bmc/bmc_commands.h"
#include "bmc/bmc_requester.h"

#include <functional>
#include <map>
#include <string>
#include <utility>

namespace HostCtl::Bmc::testing {

class FakeBmc : public Requester {
 public:
  Reply Send(std::uint8_t netFn, std::uint8_t command, const Bytes& data) override {
    requests.push_back(data);
    if (onSend)
      onSend();
    if (netFn == netfn::kTransport && command == cmd::kGetLanConfigParameters) {
      auto it = lan.find({data.at(1), data.at(2)});  // channel 2 only
      return it == lan.end() || data.at(0) != 2 ? Reply{0x80, {}} : Reply{0x00, it->second};
    }
    if (command == cmd::kGetDeviceId)
      return deviceId;
    if (command == cmd::kGetChannelInfo)
      return {
          0x00,
          {data.at(0), data.at(0) == 2 ? medium::kLan8023 : std::uint8_t{1}, 1, 0x80, 0xf2, 0x1b, 0, 0, 0}};
    if (command == cmd::kGetChannelAccess)
      return {0x00, {0x22, 0x04}};
    if (command == cmd::kGetSystemInfoParameters) {
      auto it = systemInfo.find({data.at(1), data.at(2)});
      if (it == systemInfo.end())
        return {0x80, {}};
      Bytes out{0x11};
      out.insert(out.end(), it->second.begin(), it->second.end());
      return {0x00, out};
    }
    if (command != cmd::kSetSystemInfoParameters)
      return {0xc1, {}};
    if (data.at(0) == system_info::kSetInProgress) {
      setInProgressLog.push_back(data.at(1));
      return {setInProgressCode, {}};
    }
    if (data.at(0) == rejectParameter)
      return {0xcc, {}};
    systemInfo[{data.at(0), data.at(1)}] = Bytes(data.begin() + 1, data.end());
    return {0x00, {}};
  }

  // Stores text as the BMC would: block 0 with encoding and length.
  void StoreText(std::uint8_t parameter, const std::string& text, std::uint8_t encoding = 0) {
    for (const Bytes& block : TextBlocks(static_cast<TextEncoding>(encoding), text))
      systemInfo[{parameter, block[0]}] = block;
  }

  std::vector<Bytes> requests;  // data of each request
  Reply deviceId{0x00, {0x21, 0x01, 0x01, 0x17, 0x02, 0xbf, 0x57, 0x01, 0x00, 0x2b, 0x0b}};
  std::map<std::pair<std::uint8_t, std::uint8_t>, Bytes> lan;         // (parameter, set) on channel 2
  std::map<std::pair<std::uint8_t, std::uint8_t>, Bytes> systemInfo;  // (parameter, set)
  std::uint8_t setInProgressCode = 0x00;                              // answer to set-in-progress writes
  std::uint8_t rejectParameter = 0xff;                                // writes of this parameter answer 0xcc
  std::vector<std::uint8_t> setInProgressLog;
  std::function<void()> onSend;
};

}  // namespace HostCtl::Bmc::testing
