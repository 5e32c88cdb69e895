#include <HostCtl/Hardware.h>

#include <stdexcept>

namespace HostCtl {
namespace Hardware {

Preparable::~Preparable() = default;
HardwareInfo::~HardwareInfo() = default;

namespace {

// Placeholder until the BMC queries are in: reports no BMC and rejects every
// change, so callers see an honest failure rather than invented data.
class PendingHardwareInfo final : public HardwareInfo {
 public:
  int Prepare() override { return 0; }
  bool HasBmc() override { return false; }
  BmcData GetBmcData() override { throw std::runtime_error("BMC data is not available yet"); }
  bool SetBmcOsHostname(const std::string&) override { return false; }
  bool SetBmcOsInfo(const std::string&, const std::string&) override { return false; }
};

}  // namespace
}  // namespace Hardware

namespace Host {

std::unique_ptr<Hardware::HardwareInfo> GetHardwareInfo() {
  return std::make_unique<Hardware::PendingHardwareInfo>();
}

}  // namespace Host
}  // namespace HostCtl
