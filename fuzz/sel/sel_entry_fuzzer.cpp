// Arbitrary bytes as SEL entries: the first 16 are the entry, the rest an
// SDR full sensor record for the threshold conversion. Decoding must give
// a severity in range and a caption of the documented forms.
#include "sdr/sdr_repository.h"
#include "sel/sel_data.h"
#include "sel/sel_entry.h"
#include "sel/sel_event_text.h"
#include "sel/sel_severity.h"
#include "sel/sel_threshold.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

void Check(bool condition) {
  if (!condition)
    std::abort();
}

bool StartsWith(const std::string& text, const char* prefix) {
  return text.rfind(prefix, 0) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 16)
    return 0;
  marlek::sel::RawEntry raw{};
  std::copy_n(data, 16, raw.begin());
  const marlek::sel::SelEntry entry = marlek::sel::DecodeSelEntry(raw);
  const int severity = marlek::sel::SelSeverity(entry);
  Check(severity >= -1 && severity <= 7);

  marlek::SdrRecord record;
  record.bytes.assign(data + 16, data + size);
  if (record.bytes.size() > 3)
    record.recordType = record.bytes[3];
  const marlek::sel::ThresholdTexts converted = marlek::sel::ConvertThresholdData({record}, entry.system);
  const std::string caption = marlek::sel::SelCaption(entry, converted);
  Check(StartsWith(caption, "Assert + ") || StartsWith(caption, "Deassert + ") ||
        StartsWith(caption, "OEM record ") || StartsWith(caption, "Unknown record type "));

  const auto record16 = marlek::sel::MakeSelData(raw);
  Check(record16->recordId() == entry.recordId);
  Check(record16->eventType() == severity);
  return 0;
}
