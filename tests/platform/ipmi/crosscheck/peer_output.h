#pragma once
// What the peer tools print about sensors, parsed: ipmitool's `sdr elist
// all` and `sensor list`, and FreeIPMI's `ipmi-sensors` comma-separated
// output (with the sensor state and the event bitmask).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace marlek::crosscheck {

struct IpmitoolElistRow {
  std::string name;
  std::uint8_t number = 0;
  std::string status;  // "ok", "ns", "cr", ...
  std::string entity;  // "7.1"
  std::string value;   // "12.12 Volts", "Presence detected", "Event-Only", ...
};

struct IpmitoolSensorRow {
  std::string name;
  std::string value;  // "12.120", "0x0", "na"
  std::string unit;   // "Volts", "discrete"
  std::string status;
};

struct FreeIpmiRow {
  std::uint16_t recordId = 0;
  std::string name;
  std::string type;
  std::string state;    // "Nominal", "Warning", "Critical", "N/A"
  std::string reading;  // "12.12" or "N/A"
  std::string units;
  std::optional<std::uint16_t> eventBitmask;  // nothing for "N/A"
};

std::vector<IpmitoolElistRow> ParseIpmitoolElist(const std::string& text);
std::vector<IpmitoolSensorRow> ParseIpmitoolSensorList(const std::string& text);
std::vector<FreeIpmiRow> ParseFreeIpmiSensors(const std::string& text);

// Decimal places of a printed number ("12.12" -> 2, "25" -> 0).
int DecimalPlaces(const std::string& number);

// Lower case, letters and digits only: "Button / Switch" -> "buttonswitch".
std::string Normalize(const std::string& text);

}  // namespace marlek::crosscheck
