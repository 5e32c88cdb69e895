#pragma once
// Network functions and the command numbers that more than one library of
// the project sends (IPMI v2.0 appendix G).

#include <cstdint>

namespace marlek {

// Network functions (requests; the response is netFn + 1).
namespace netfn {
constexpr std::uint8_t kChassis = 0x00;
constexpr std::uint8_t kSensorEvent = 0x04;
constexpr std::uint8_t kApp = 0x06;
constexpr std::uint8_t kStorage = 0x0a;
constexpr std::uint8_t kTransport = 0x0c;
}  // namespace netfn

// Application commands (netfn kApp) and the one transport command used.
namespace app_cmd {
constexpr std::uint8_t kGetDeviceId = 0x01;
constexpr std::uint8_t kGetDeviceGuid = 0x08;
constexpr std::uint8_t kGetChannelAccess = 0x41;
constexpr std::uint8_t kGetChannelInfo = 0x42;
constexpr std::uint8_t kSetSystemInfoParameters = 0x58;
constexpr std::uint8_t kGetSystemInfoParameters = 0x59;
constexpr std::uint8_t kGetLanConfigParameters = 0x02;  // netfn kTransport
}  // namespace app_cmd

}  // namespace marlek
