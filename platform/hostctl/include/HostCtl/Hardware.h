#pragma once
// libdravik.so: the host's hardware information, here its BMC.

#include <HostCtl/Export.h>

#include <memory>
#include <string>
#include <vector>

namespace HostCtl {
namespace Hardware {

// The BMC as the host sees it: identity, what it reports about the OS, and
// the settings of its first 802.3 LAN channel.
struct BmcData {
  std::string manufacturer;
  std::string firmwareVersion;
  std::string ipmiVersion;
  std::string osName;
  std::string hostName;
  std::string macAddress;
  std::string ipv4Address;
  std::string ipv4Subnet;
  std::string ipv4Gateway;
  std::vector<std::string> ipv6Addresses;
  bool lanAdminStatus = false;
};

// Something that gathers its data once before it is queried.
class HOSTCTL_API Preparable {
 public:
  virtual ~Preparable();
  virtual int Prepare() = 0;
};

class HOSTCTL_API HardwareInfo : public virtual Preparable {
 public:
  ~HardwareInfo() override;
  virtual bool HasBmc() = 0;
  virtual BmcData GetBmcData() = 0;
  // Sets the host name the BMC reports; false when the BMC rejects a step.
  virtual bool SetBmcOsHostname(const std::string& hostName) = 0;
  // Sets the OS name and version the BMC reports; false when it rejects a step.
  virtual bool SetBmcOsInfo(const std::string& osName, const std::string& osVersion) = 0;
};

}  // namespace Hardware

namespace Host {

// An owning handle to the host's hardware information.
HOSTCTL_API std::unique_ptr<Hardware::HardwareInfo> GetHardwareInfo();

}  // namespace Host
}  // namespace HostCtl
