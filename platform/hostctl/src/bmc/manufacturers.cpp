// IANA private enterprise numbers of common server and BMC makers, as data.
#include "bmc/manufacturers.h"

#include <algorithm>
#include <iterator>

namespace HostCtl {
namespace Bmc {
namespace {

struct Maker {
  std::uint32_t number;
  const char* name;
};

constexpr Maker kMakers[] = {
    {2, "IBM"},
    {11, "Hewlett-Packard"},
    {42, "Sun Microsystems"},
    {111, "Oracle"},
    {119, "NEC"},
    {311, "Microsoft"},
    {343, "Intel Corporation"},
    {674, "Dell Inc."},
    {2011, "Huawei Technologies"},
    {2623, "ASUSTeK Computer"},
    {5771, "Cisco Systems"},
    {6653, "Tyan Computer"},
    {7244, "Quanta Computer"},
    {10368, "Fujitsu Siemens Computers"},
    {10876, "Super Micro Computer"},
    {11129, "Google"},
    {15370, "GIGA-BYTE Technology"},
    {19046, "Lenovo"},
    {20301, "IBM"},
    {20974, "American Megatrends"},
    {37945, "Inspur"},
    {47196, "Hewlett Packard Enterprise"},
};

}  // namespace

std::string ManufacturerName(std::uint32_t ianaNumber) {
  auto it = std::find_if(std::begin(kMakers), std::end(kMakers),
                         [&](const Maker& maker) { return maker.number == ianaNumber; });
  return it == std::end(kMakers) ? std::to_string(ianaNumber) : it->name;
}

}  // namespace Bmc
}  // namespace HostCtl
