#pragma once
// The readable line of a SEL entry: "Assert + Fan Lower Non-critical going
// low", "OEM record 0xc0 + Manufacturer ID 0x000157 + Data ...".

#include "sel/sel_entry.h"

#include <optional>
#include <string>

namespace marlek {
namespace sel {

// A threshold event's trigger reading and threshold, converted with the
// sensor's SDR ("480 RPM").
struct ThresholdTexts {
  std::optional<std::string> reading;
  std::optional<std::string> threshold;
};

// "Fan"; "OEM sensor type 0xc0" or "Unknown sensor type 0x2d" for codes the
// sensor type table does not name.
std::string SensorTypeText(std::uint8_t sensorType);

// "Lower Non-critical going low"; a description of the offset when the
// tables do not name it.
std::string EventText(const SystemEvent& event);

std::string SelCaption(const SelEntry& entry, const ThresholdTexts& converted = {});

}  // namespace sel
}  // namespace marlek
