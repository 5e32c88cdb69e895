#pragma once
// Reading every record of an SDR repository over Get SDR: reservation,
// chunked reads sized to the transport, recovery from cancelled
// reservations and oversized reads, and the record chain to 0xFFFF.

#include "sdr/sdr_repository.h"
#include "transport/message.h"

#include <string>
#include <vector>

namespace marlek {

struct SdrReadLimits {
  int restartsPerRecord = 6;  // Reserve again after 0xC5, then restart the record
  int busyRetries = 3;        // attempts after a 0xC0 answer
  std::size_t minChunk = 5;   // never shrink a read below a record header
};

// Every record in chain order. `where` names the node in error texts.
// Throws ostrelInt::CmpiStatus when the repository cannot be read.
std::vector<SdrRecord> ReadSdrRecords(Transport& transport, const std::string& where,
                                      const SdrReadLimits& limits = {});

}  // namespace marlek
