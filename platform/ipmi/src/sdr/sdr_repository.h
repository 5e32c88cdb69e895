#pragma once
// The node's Sensor Data Repository: every record, read once per open node
// (or taken from the on-disk cache while the repository is unchanged).

#include "node/node_context.h"

#include <Ipmi/Ipmi.h>

#include <cstdint>
#include <vector>

namespace marlek {

// One SDR record as the repository holds it, 5-byte header included.
struct SdrRecord {
  std::uint16_t recordId = 0;
  std::uint8_t sdrVersion = 0;
  std::uint8_t recordType = 0;
  std::vector<std::uint8_t> bytes;
};

// Get SDR Repository Info; throws ostrelInt::CmpiStatus on failure.
Ipmi::SdrRepositoryInfo ReadSdrRepositoryInfo(Transport& transport);

// Every record of the node's repository, in repository order. Throws
// ostrelInt::CmpiStatus when the repository cannot be read.
const std::vector<SdrRecord>& LoadSdrRecords(NodeContext& node);

}  // namespace marlek
