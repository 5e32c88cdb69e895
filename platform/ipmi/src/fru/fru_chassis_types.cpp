// Chassis type names of the FRU chassis information area (the SMBIOS
// system enclosure types), as data.
#include "fru/fru_part.h"

#include "tables/name_table.h"
#include "wire/hex_text.h"

namespace marlek {
namespace fru {
namespace {

constexpr const char* kChassisTypes[] = {
    "Unspecified",            // 0x00
    "Other",                  // 0x01
    "Unknown",                // 0x02
    "Desktop",                // 0x03
    "Low Profile Desktop",    // 0x04
    "Pizza Box",              // 0x05
    "Mini Tower",             // 0x06
    "Tower",                  // 0x07
    "Portable",               // 0x08
    "LapTop",                 // 0x09
    "Notebook",               // 0x0a
    "Hand Held",              // 0x0b
    "Docking Station",        // 0x0c
    "All in One",             // 0x0d
    "Sub Notebook",           // 0x0e
    "Space-saving",           // 0x0f
    "Lunch Box",              // 0x10
    "Main Server Chassis",    // 0x11
    "Expansion Chassis",      // 0x12
    "SubChassis",             // 0x13
    "Bus Expansion Chassis",  // 0x14
    "Peripheral Chassis",     // 0x15
    "RAID Chassis",           // 0x16
    "Rack Mount Chassis",     // 0x17
    "Sealed-case PC",         // 0x18
    "Multi-system Chassis",   // 0x19
    "Compact PCI",            // 0x1a
    "Advanced TCA",           // 0x1b
    "Blade",                  // 0x1c
    "Blade Enclosure",        // 0x1d
    "Tablet",                 // 0x1e
    "Convertible",            // 0x1f
    "Detachable",             // 0x20
    "IoT Gateway",            // 0x21
    "Embedded PC",            // 0x22
    "Mini PC",                // 0x23
    "Stick PC",               // 0x24
};

}  // namespace

std::string ChassisTypeName(std::uint8_t chassisType) {
  if (const char* name = NameAt(kChassisTypes, chassisType))
    return name;
  return "Unknown (" + Hex(chassisType) + ")";
}

}  // namespace fru
}  // namespace marlek
