#pragma once

#include <cstdint>
#include <string>

namespace marlek {

// The IPMI completion code's meaning, e.g. 0xC1 "Invalid Command".
const char* CompletionCodeText(std::uint8_t code);

// "0xc1 (Invalid Command)"
std::string DescribeCompletionCode(std::uint8_t code);

}  // namespace marlek
