#pragma once
// The node's Sensor Data Repository: every record, read once per open node
// (or taken from the on-disk cache while the repository is unchanged).

#include "node/node_context.h"

#include <Ipmi/Ipmi.h>

#include <cstdint>
#include <optional>
#include <string>
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

// What the node knows of its repository while it is open. The repository
// state read by IpmiIfcSdrGetInfo is reused by LoadSdrRecords to check the
// cache, so a warm listing asks for it once.
struct SdrRepositoryState {
  std::optional<Ipmi::SdrRepositoryInfo> info;
  std::optional<std::vector<SdrRecord>> records;
  bool fromCache = false;
};

// Get SDR Repository Info for an open node, remembered in its state.
const Ipmi::SdrRepositoryInfo& RefreshSdrRepositoryInfo(NodeContext& node);

// Every record of the node's repository, in repository order. Throws
// ostrelInt::CmpiStatus when the repository cannot be read. The on-disk
// cache follows the node's settings (sdr-cache, cache-dir).
const std::vector<SdrRecord>& LoadSdrRecords(NodeContext& node);

// "node 0 (127.0.0.1:623)", for error texts.
std::string DescribeNode(const NodeContext& node);

}  // namespace marlek
