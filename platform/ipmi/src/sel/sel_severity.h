#pragma once
// The CIM PerceivedSeverity of a SEL entry (docs/sel.md has the mapping).

#include "sel/sel_entry.h"

namespace marlek {
namespace sel {

namespace severity {
constexpr int kNone = -1;  // OEM records and OEM event types
constexpr int kUnknown = 0;
constexpr int kOther = 1;  // deassertions
constexpr int kInformation = 2;
constexpr int kDegradedWarning = 3;
constexpr int kMinor = 4;
constexpr int kMajor = 5;
constexpr int kCritical = 6;
constexpr int kFatal = 7;
}  // namespace severity

int SelSeverity(const SelEntry& entry);

}  // namespace sel
}  // namespace marlek
