#pragma once
// The texts of one set of FRU information areas (Ipmi::IpmiIfc::Part).

#include <Ipmi/Ipmi.h>

#include <cstdint>
#include <string>

namespace marlek {
namespace fru {

// "Rack Mount Chassis"; "Unknown (0x30)" beyond the table.
std::string ChassisTypeName(std::uint8_t chassisType);

// Minutes since 1996-01-01 00:00 UTC as "2014-03-05T17:02:00"; empty for 0,
// which the FRU format reserves for "unspecified".
std::string FruMfgTimeText(std::uint32_t minutes);

Ipmi::IpmiIfc::Part MakeFruPart(const Ipmi::IpmiFruOptional& optional);

}  // namespace fru
}  // namespace marlek
