// The names of the IPMI commands the library sends, for the protocol trace
// (IPMI v2.0 appendix G, command assignments).
#include "tables/command_names.h"

#include "wire/hex_text.h"

namespace marlek {
namespace {

struct CommandName {
  std::uint8_t netFn;
  std::uint8_t command;
  const char* name;
};

constexpr CommandName kNames[] = {
    {0x00, 0x01, "Get Chassis Status"},
    {0x04, 0x23, "Get Sensor Reading Factors"},
    {0x04, 0x27, "Get Sensor Thresholds"},
    {0x04, 0x2d, "Get Sensor Reading"},
    {0x04, 0x2f, "Get Sensor Type"},
    {0x06, 0x01, "Get Device ID"},
    {0x06, 0x2f, "Get BMC Global Enables"},
    {0x06, 0x34, "Send Message"},
    {0x06, 0x37, "Get System GUID"},
    {0x06, 0x38, "Get Channel Authentication Capabilities"},
    {0x06, 0x3b, "Set Session Privilege Level"},
    {0x06, 0x3c, "Close Session"},
    {0x06, 0x41, "Get Channel Access"},
    {0x06, 0x42, "Get Channel Info"},
    {0x06, 0x58, "Set System Info Parameters"},
    {0x06, 0x59, "Get System Info Parameters"},
    {0x0a, 0x10, "Get FRU Inventory Area Info"},
    {0x0a, 0x11, "Read FRU Data"},
    {0x0a, 0x20, "Get SDR Repository Info"},
    {0x0a, 0x22, "Reserve SDR Repository"},
    {0x0a, 0x23, "Get SDR"},
    {0x0a, 0x40, "Get SEL Info"},
    {0x0a, 0x42, "Reserve SEL"},
    {0x0a, 0x43, "Get SEL Entry"},
    {0x0a, 0x47, "Clear SEL"},
    {0x0a, 0x48, "Get SEL Time"},
    {0x0c, 0x02, "Get LAN Configuration Parameters"},
};

}  // namespace

std::string CommandName(std::uint8_t netFn, std::uint8_t command) {
  const std::uint8_t request = netFn & 0xfe;
  for (const auto& entry : kNames) {
    if (entry.netFn == request && entry.command == command)
      return entry.name;
  }
  return "netfn " + Hex(request) + " command " + Hex(command);
}

}  // namespace marlek
