#include "bmc/bmc_hardware_info.h"

#include "bmc/bmc_commands.h"
#include "bmc/bmc_data.h"
#include "bmc/system_info.h"

#include <stdexcept>

namespace HostCtl {
namespace Hardware {

Preparable::~Preparable() = default;
HardwareInfo::~HardwareInfo() = default;

}  // namespace Hardware

namespace Bmc {
namespace {

// The IPMI device guard, held for one query.
class GuardLock {
 public:
  explicit GuardLock(pthread_mutex_t* guard) : guard_(guard) {
    if (pthread_mutex_lock(guard_) != 0)
      throw std::runtime_error("cannot take the IPMI device guard");
  }
  ~GuardLock() { pthread_mutex_unlock(guard_); }
  GuardLock(const GuardLock&) = delete;
  GuardLock& operator=(const GuardLock&) = delete;

 private:
  pthread_mutex_t* guard_;
};

}  // namespace

BmcHardwareInfo::BmcHardwareInfo(Opener opener, pthread_mutex_t* guard)
    : opener_(std::move(opener)), guard_(guard) {}

template <typename Work>
auto BmcHardwareInfo::WithBmc(Work work) {
  GuardLock lock(guard_);
  std::unique_ptr<Requester> bmc = opener_();
  if (!bmc)
    throw std::runtime_error("no connection to the BMC");
  return work(*bmc);
}

int BmcHardwareInfo::Prepare() {
  try {
    hasBmc_ = WithBmc([](Requester& bmc) { return ProbeBmc(bmc); });
  } catch (const std::exception&) {
    hasBmc_ = false;
  }
  return *hasBmc_ ? 0 : -1;
}

bool BmcHardwareInfo::HasBmc() {
  if (!hasBmc_)
    Prepare();
  return *hasBmc_;
}

Hardware::BmcData BmcHardwareInfo::GetBmcData() {
  return WithBmc([](Requester& bmc) { return GatherBmcData(bmc); });
}

bool BmcHardwareInfo::SetBmcOsHostname(const std::string& hostName) {
  try {
    return WithBmc([&](Requester& bmc) {
      return WriteSystemInfoTexts(bmc, {{system_info::kSystemName, hostName}});
    });
  } catch (const std::exception&) {
    return false;
  }
}

bool BmcHardwareInfo::SetBmcOsInfo(const std::string& osName, const std::string& osVersion) {
  try {
    return WithBmc([&](Requester& bmc) {
      return WriteSystemInfoTexts(bmc,
                                  {{system_info::kOsName, osName}, {system_info::kOsVersion, osVersion}});
    });
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace Bmc
}  // namespace HostCtl
