// Entity ID codes, IPMI v2.0 table 43-13, by code.
#include "tables/event_tables.h"

#include <array>

namespace marlek {
namespace {

constexpr std::array<const char*, 0x43> kEntityIds = {
    "Unspecified",
    "Other",
    "Unknown",
    "Processor",
    "Disk or Disk Bay",
    "Peripheral Bay",
    "System Management Module",
    "System Board",
    "Memory Module",
    "Processor Module",
    "Power Supply",
    "Add-in Card",
    "Front Panel Board",
    "Back Panel Board",
    "Power System Board",
    "Drive Backplane",
    "System Internal Expansion Board",
    "Other System Board",
    "Processor Board",
    "Power Unit",
    "Power Module",
    "Power Management",
    "Chassis Back Panel Board",
    "System Chassis",
    "Sub-Chassis",
    "Other Chassis Board",
    "Disk Drive Bay",
    "Peripheral Bay",
    "Device Bay",
    "Fan Device",
    "Cooling Unit",
    "Cable/Interconnect",
    "Memory Device",
    "System Management Software",
    "System Firmware",
    "Operating System",
    "System Bus",
    "Group",
    "Remote Management Communication Device",
    "External Environment",
    "Battery",
    "Processing Blade",
    "Connectivity Switch",
    "Processor/Memory Module",
    "I/O Module",
    "Processor/IO Module",
    "Management Controller Firmware",
    "IPMI Channel",
    "PCI Bus",
    "PCI Express Bus",
    "SCSI Bus (parallel)",
    "SATA/SAS Bus",
    "Processor/Front-Side Bus",
    "Real Time Clock (RTC)",
    nullptr,  // 0x36 reserved
    "Air Inlet",
    nullptr,  // 0x38 reserved
    nullptr,  // 0x39 reserved
    nullptr,  // 0x3a reserved
    nullptr,  // 0x3b reserved
    nullptr,  // 0x3c reserved
    nullptr,  // 0x3d reserved
    nullptr,  // 0x3e reserved
    nullptr,  // 0x3f reserved
    "Air Inlet",
    "Processor",
    "Baseboard",
};

// Chassis-specific (0x90-0xAF), board-set specific (0xB0-0xCF) and OEM
// (0xD0-0xFF) ranges have no fixed names.
}  // namespace

const char* EntityIdName(std::uint8_t entityId) {
  return entityId < kEntityIds.size() ? kEntityIds[entityId] : nullptr;
}

}  // namespace marlek
