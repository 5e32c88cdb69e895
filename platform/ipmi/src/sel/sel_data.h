#pragma once
// What the library keeps for one SEL entry beyond its 16 bytes: the decoded
// entry, its severity and its readable line, fixed when it is read.

#include "sel/sel_entry.h"
#include "sel/sel_event_text.h"

#include <Ipmi/Sel.h>

#include <memory>
#include <string>
#include <tr1/memory>

namespace Ipmi {

class IpmiSelData::Impl {
 public:
  Impl(const marlek::sel::SelEntry& entry, int severity, std::string caption)
      : entry_(entry), severity_(severity), caption_(std::move(caption)) {}

  const marlek::sel::SelEntry& entry() const { return entry_; }
  int severity() const { return severity_; }
  const std::string& caption() const { return caption_; }

 private:
  marlek::sel::SelEntry entry_;
  int severity_;
  std::string caption_;
};

}  // namespace Ipmi

namespace marlek {
namespace sel {

// The library's record of one raw entry; converted holds the threshold
// event's reading and threshold when the sensor's SDR gave them.
std::tr1::shared_ptr<Ipmi::IpmiSelData> MakeSelData(const RawEntry& raw,
                                                    const ThresholdTexts& converted = {});

}  // namespace sel
}  // namespace marlek
