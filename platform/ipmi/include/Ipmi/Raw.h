#pragma once
// Raw requests to a node's BMC, for the host-control library and tools that
// need commands the Ipmi interface does not cover.

#include <Ipmi/Export.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace Ipmi {
namespace Raw {

struct Response {
  std::uint8_t completionCode = 0;
  std::vector<std::uint8_t> data;  // after the completion code
};

// A connection to one node's BMC for as long as the object lives. When the
// node is already open (IpmiIfcOpenIpmiOpen), its connection is shared.
// Callers hold Ipmi::IpmiDevGuard while they use it.
class IPMI_API Connection {
 public:
  class Impl;
  // Throws ostrelInt::CmpiStatus when the node cannot be reached.
  static std::unique_ptr<Connection> Open(int node);
  ~Connection();

  // Throws ostrelInt::CmpiStatus on a transport failure (timeout, broken
  // session); a completion code other than 0 is returned, not thrown.
  Response Send(std::uint8_t netFn, std::uint8_t command, const std::vector<std::uint8_t>& data);

 private:
  explicit Connection(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace Raw
}  // namespace Ipmi
