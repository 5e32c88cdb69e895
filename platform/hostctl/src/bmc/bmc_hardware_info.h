#pragma once
// The host's hardware information as the host-control library knows it:
// its BMC, asked through a requester opened for each query while the IPMI
// device guard is held.

#include "bmc/bmc_requester.h"

#include <HostCtl/Hardware.h>

#include <pthread.h>

#include <functional>
#include <memory>
#include <optional>

namespace HostCtl {
namespace Bmc {

class BmcHardwareInfo final : public Hardware::HardwareInfo {
 public:
  // opener connects to the BMC (it may throw); guard serialises the
  // library's BMC work with every other user of the IPMI devices.
  using Opener = std::function<std::unique_ptr<Requester>()>;
  BmcHardwareInfo(Opener opener, pthread_mutex_t* guard);

  // Looks for the BMC once; 0 when one answers, -1 otherwise.
  int Prepare() override;
  bool HasBmc() override;
  // Throws std::runtime_error (or the IPMI library's error) when the BMC
  // cannot be asked.
  Hardware::BmcData GetBmcData() override;
  bool SetBmcOsHostname(const std::string& hostName) override;
  bool SetBmcOsInfo(const std::string& osName, const std::string& osVersion) override;

 private:
  template <typename Work>
  auto WithBmc(Work work);

  Opener opener_;
  pthread_mutex_t* guard_;
  std::optional<bool> hasBmc_;
};

}  // namespace Bmc
}  // namespace HostCtl
