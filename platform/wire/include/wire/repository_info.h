#pragma once
// The answer Get SDR Repository Info and Get SEL Info share (IPMI v2.0
// sections 33.9 and 31.2): one layout, decoded once.

#include <cstdint>
#include <vector>

namespace marlek {

struct RepositoryInfo {
  std::uint8_t version = 0;  // 51h: IPMI v1.5 / v2.0 format
  std::uint16_t entries = 0;
  std::uint16_t freeSpace = 0;  // bytes
  std::uint32_t mostRecentAddition = 0;
  std::uint32_t mostRecentErase = 0;
  std::uint8_t operationSupport = 0;  // bit meanings differ: the caller's
};

// The data after the completion code; what names the command in the
// TruncatedPayload a short answer throws.
RepositoryInfo DecodeRepositoryInfo(const std::vector<std::uint8_t>& data, const char* what);

}  // namespace marlek
