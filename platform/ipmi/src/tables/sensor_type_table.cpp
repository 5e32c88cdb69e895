// Sensor types, IPMI v2.0 table 42-3, by code.
#include "tables/event_tables.h"
#include "tables/name_table.h"

#include <array>

namespace marlek {
namespace {

constexpr std::array<const char*, 0x2d> kSensorTypes = {
    nullptr,  // 0x00 reserved
    "Temperature",
    "Voltage",
    "Current",
    "Fan",
    "Physical Security",
    "Platform Security",
    "Processor",
    "Power Supply",
    "Power Unit",
    "Cooling Device",
    "Other Units-based Sensor",
    "Memory",
    "Drive Slot (Bay)",
    "POST Memory Resize",
    "System Firmware Progress",
    "Event Logging Disabled",
    "Watchdog 1",
    "System Event",
    "Critical Interrupt",
    "Button / Switch",
    "Module / Board",
    "Microcontroller / Coprocessor",
    "Add-in Card",
    "Chassis",
    "Chip Set",
    "Other FRU",
    "Cable / Interconnect",
    "Terminator",
    "System Boot / Restart Initiated",
    "Boot Error",
    "Base OS Boot / Installation Status",
    "OS Stop / Shutdown",
    "Slot / Connector",
    "System ACPI Power State",
    "Watchdog 2",
    "Platform Alert",
    "Entity Presence",
    "Monitor ASIC / IC",
    "LAN",
    "Management Subsystem Health",
    "Battery",
    "Session Audit",
    "Version Change",
    "FRU State",
};

}  // namespace

const char* SensorTypeName(std::uint8_t sensorType) {
  return NameAt(kSensorTypes, sensorType);
}

}  // namespace marlek
