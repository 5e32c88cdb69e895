#pragma once
// The one way the host-control library asks the BMC anything: a request by
// network function and command, answered with a completion code and data.
// The library's own requester goes through the IPMI access library's raw
// connection; tests script the answers.

#include <cstdint>
#include <vector>

namespace HostCtl {
namespace Bmc {

struct Reply {
  std::uint8_t completionCode = 0;
  std::vector<std::uint8_t> data;  // after the completion code

  bool Ok() const { return completionCode == 0; }
};

class Requester {
 public:
  virtual ~Requester() = default;
  // Throws when the BMC cannot be reached; a completion code is returned.
  virtual Reply Send(std::uint8_t netFn, std::uint8_t command, const std::vector<std::uint8_t>& data) = 0;
};

}  // namespace Bmc
}  // namespace HostCtl
