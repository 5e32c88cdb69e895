#include "wire/completion_code.h"

#include "wire/hex_text.h"

namespace marlek {
namespace {

struct CompletionCodeEntry {
  std::uint8_t code;
  const char* text;
};

// The generic completion codes of IPMI v2.0, table 5-2.
constexpr CompletionCodeEntry kCompletionCodes[] = {
    {0x00, "Command Completed Normally"},
    {0xC0, "Node Busy"},
    {0xC1, "Invalid Command"},
    {0xC2, "Command invalid for given LUN"},
    {0xC3, "Timeout while processing command"},
    {0xC4, "Out of space"},
    {0xC5, "Reservation Canceled or Invalid Reservation ID"},
    {0xC6, "Request data truncated"},
    {0xC7, "Request data length invalid"},
    {0xC8, "Request data field length limit exceeded"},
    {0xC9, "Parameter out of range"},
    {0xCA, "Cannot return number of requested data bytes"},
    {0xCB, "Requested Sensor, data, or record not present"},
    {0xCC, "Invalid data field in Request"},
    {0xCD, "Command illegal for specified sensor or record type"},
    {0xCE, "Command response could not be provided"},
    {0xCF, "Cannot execute duplicated request"},
    {0xD0, "Command response could not be provided. SDR Repository in update mode"},
    {0xD1, "Command response could not be provided. Device in firmware update mode"},
    {0xD2, "Command response could not be provided. BMC initialization or initialization agent in progress"},
    {0xD3, "Destination unavailable"},
    {0xD4, "Cannot execute command due to insufficient privilege level"},
    {0xD5, "Command, or request parameter(s), not supported in present state"},
    {0xD6,
     "Cannot execute command. Parameter is illegal because command sub-function has been disabled or is "
     "unavailable"},
    {0xFF, "Unspecified error"},
};

}  // namespace

const char* CompletionCodeText(std::uint8_t code) {
  for (const CompletionCodeEntry& entry : kCompletionCodes) {
    if (entry.code == code)
      return entry.text;
  }
  if (code >= 0x01 && code <= 0x7E)
    return "Device specific (OEM) completion code";
  if (code >= 0x80 && code <= 0xBE)
    return "Command specific completion code";
  return "Reserved completion code";
}

std::string FailureText(const std::string& what, const std::string& where, const std::string& why) {
  return what + " failed on " + where + ": " + why;
}

std::string FailureText(const std::string& what, const std::string& where, std::uint8_t completionCode) {
  return FailureText(what, where, "completion code " + DescribeCompletionCode(completionCode));
}

std::string DescribeCompletionCode(std::uint8_t code) {
  return Hex(code) + " (" + CompletionCodeText(code) + ")";
}

}  // namespace marlek
