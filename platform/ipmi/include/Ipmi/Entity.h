#pragma once

#include <cstdint>

namespace Ipmi {

// An IPMI entity: what a sensor or FRU belongs to (processor 3.1, ...).
struct Entity {
  std::uint32_t id = 0;
  std::uint32_t instance = 0;
};

}  // namespace Ipmi
