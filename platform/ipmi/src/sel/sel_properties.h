#pragma once
// The SEL as the library hands it out: its properties (Ipmi::IpmiSel), its
// raw information record, and its entries as Ipmi::IpmiSelData.

#include "sel/sel_commands.h"
#include "sel/sel_event_text.h"
#include "transport/message.h"

#include <Ipmi/Ipmi.h>

#include <functional>
#include <optional>
#include <tr1/memory>
#include <vector>

namespace marlek {
namespace sel {

// Get SEL Info and Get BMC Global Enables; null when the controller answers
// Get SEL Info with an error completion code.
std::tr1::shared_ptr<Ipmi::IpmiSel> ReadSelProperties(Transport& transport);

// Get SEL Info as the packed record, completion code first; the fields stay
// 0 when the completion code is not 0.
Ipmi::SelInfoRecord ReadRawSelHeader(Transport& transport);

// Converts a threshold event's trigger reading and threshold with the
// sensor's SDR; empty texts when the sensor's record is not known.
using ThresholdConverter = std::function<ThresholdTexts(const SystemEvent&)>;

// info: the log's info as just read, when the caller has it (saves asking
// again before the entries).
std::vector<std::tr1::shared_ptr<Ipmi::IpmiSelData>> ReadSelData(Transport& transport,
                                                                 const ThresholdConverter& convert = {},
                                                                 const std::optional<SelInfo>& info = {});

}  // namespace sel
}  // namespace marlek
