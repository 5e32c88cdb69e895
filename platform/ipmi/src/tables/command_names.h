#pragma once

#include <cstdint>
#include <string>

namespace marlek {

// "Get SDR", or "netfn 0x2e command 0x01" for a command without a name here.
// The network function may be the request's or the response's.
std::string CommandName(std::uint8_t netFn, std::uint8_t command);

}  // namespace marlek
