#pragma once
// Names of server and BMC makers by their IANA private enterprise number.

#include <cstdint>
#include <string>

namespace HostCtl {
namespace Bmc {

// The maker's name; the number in decimal when the table does not know it.
std::string ManufacturerName(std::uint32_t ianaNumber);

}  // namespace Bmc
}  // namespace HostCtl
