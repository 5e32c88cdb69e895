#pragma once

#include <cstdint>
#include <string>

namespace marlek {

// The completion codes decoders act on.
namespace cc {
constexpr std::uint8_t kNodeBusy = 0xc0;
constexpr std::uint8_t kInvalidCommand = 0xc1;
constexpr std::uint8_t kReservationCancelled = 0xc5;
constexpr std::uint8_t kRequestLengthInvalid = 0xc7;
constexpr std::uint8_t kFieldLengthExceeded = 0xc8;
constexpr std::uint8_t kCannotReturnBytes = 0xca;
constexpr std::uint8_t kNotPresent = 0xcb;
constexpr std::uint8_t kInvalidDataField = 0xcc;  // e.g. no such sensor
constexpr std::uint8_t kUnspecified = 0xff;
}  // namespace cc

// Whether a partial read failed because it asked for more bytes at once
// than the device answers with: a smaller count may succeed.
inline bool NeedsSmallerReads(std::uint8_t code) {
  return code == cc::kCannotReturnBytes || code == cc::kRequestLengthInvalid ||
         code == cc::kFieldLengthExceeded;
}

// The IPMI completion code's meaning, e.g. 0xC1 "Invalid Command".
const char* CompletionCodeText(std::uint8_t code);

// "0xc1 (Invalid Command)"
std::string DescribeCompletionCode(std::uint8_t code);

// Every failure text of the library has this form:
// "Get SDR (record 0x0011) failed on node 0 (10.0.0.5:623): why".
std::string FailureText(const std::string& what, const std::string& where, const std::string& why);
// ... with why "completion code 0xc1 (Invalid Command)".
std::string FailureText(const std::string& what, const std::string& where, std::uint8_t completionCode);

}  // namespace marlek
