// The host-control library as the BMC commands see it, answering from
// FakeIpmi::state().host and recording into the same call log.
#include "fake_ipmi.h"

#include <HostCtl/Misc.h>

namespace HostCtl {
namespace Hardware {

Preparable::~Preparable() = default;
HardwareInfo::~HardwareInfo() = default;

namespace {

class FakeHardwareInfo final : public HardwareInfo {
 public:
  ~FakeHardwareInfo() override {
    FakeIpmi::state().calls.push_back({"~HardwareInfo()", FakeIpmi::DevGuardHeld()});
  }
  int Prepare() override {
    FakeIpmi::Record("Prepare()");
    return 0;
  }
  bool HasBmc() override {
    FakeIpmi::Record("HasBmc()");
    return FakeIpmi::state().host.hasBmc;
  }
  BmcData GetBmcData() override {
    FakeIpmi::Record("GetBmcData()");
    return FakeIpmi::state().host.bmc;
  }
  bool SetBmcOsHostname(const std::string& hostName) override {
    FakeIpmi::Record("SetBmcOsHostname(" + hostName + ")");
    return FakeIpmi::state().host.hostnameResult;
  }
  bool SetBmcOsInfo(const std::string& osName, const std::string& osVersion) override {
    FakeIpmi::Record("SetBmcOsInfo(" + osName + "," + osVersion + ")");
    return FakeIpmi::state().host.osInfoResult;
  }
};

}  // namespace
}  // namespace Hardware

namespace Host {

std::unique_ptr<Hardware::HardwareInfo> GetHardwareInfo() {
  FakeIpmi::Record("GetHardwareInfo()");
  return std::make_unique<Hardware::FakeHardwareInfo>();
}

}  // namespace Host

namespace Misc {

std::string StrCat(std::string_view a, std::string_view b) {
  std::string joined(a);
  joined.append(b);
  return joined;
}

}  // namespace Misc
}  // namespace HostCtl
