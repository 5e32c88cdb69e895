// libdravik.so's entry: the hardware information of this host, whose BMC is
// node 0 of the IPMI access library (its device or its configured LAN BMC).

#include "bmc/bmc_hardware_info.h"

#include <HostCtl/Hardware.h>
#include <Ipmi/Ipmi.h>
#include <Ipmi/Raw.h>

namespace HostCtl {
namespace {

constexpr int kBmcNode = 0;

class RawRequester final : public Bmc::Requester {
 public:
  explicit RawRequester(std::unique_ptr<Ipmi::Raw::Connection> connection)
      : connection_(std::move(connection)) {}

  Bmc::Reply Send(std::uint8_t netFn, std::uint8_t command, const std::vector<std::uint8_t>& data) override {
    Ipmi::Raw::Response response = connection_->Send(netFn, command, data);
    return Bmc::Reply{response.completionCode, std::move(response.data)};
  }

 private:
  std::unique_ptr<Ipmi::Raw::Connection> connection_;
};

std::unique_ptr<Bmc::Requester> OpenBmc() {
  return std::make_unique<RawRequester>(Ipmi::Raw::Connection::Open(kBmcNode));
}

}  // namespace

namespace Host {

std::unique_ptr<Hardware::HardwareInfo> GetHardwareInfo() {
  return std::make_unique<Bmc::BmcHardwareInfo>(OpenBmc, &Ipmi::IpmiDevGuard);
}

}  // namespace Host
}  // namespace HostCtl
