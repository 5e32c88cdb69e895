#pragma once
// The IPMI access library (libmarlek-ipmi.so.1): nodes, and the SDR, sensor,
// SEL and FRU data of the controllers behind them.
//
// Node N is the Linux IPMI device /dev/ipmiN unless the library's
// configuration maps it to a LAN BMC (see docs/configuration.md).

#include <Ipmi/CmpiStatus.h>
#include <Ipmi/Export.h>
#include <Ipmi/Fru.h>
#include <Ipmi/Sel.h>
#include <Ipmi/Sensor.h>

#include <pthread.h>

#include <cstdint>
#include <memory>
#include <string>
#include <tr1/memory>
#include <vector>

namespace Ipmi {

// Held by callers around all device work; the library's own calls never take it.
extern IPMI_API pthread_mutex_t IpmiDevGuard;

// Opens node N: -1 when the device cannot be opened or the session cannot be
// established (also for negative nodes and nodes that are not configured).
IPMI_API int IpmiIfcOpenIpmiOpen(int node);
// 0 when the library is initialised for the node; the node then becomes the
// current one for the calls that name none.
IPMI_API int IpmiIfcInitForCLI(int node);
IPMI_API int IpmiIfcOpenIpmiClose(int node);
IPMI_API int IpmiIfcCloseForCLI(int node);

// Get SDR Repository Info; -1 on failure.
IPMI_API int IpmiIfcSdrGetInfo(int node);
// Finds and reads every FRU device of the node; -1 when no FRU data can be read.
IPMI_API int IpmiIfcFruInstantiateAll(int node);
// Get SEL Info; -1 on failure. The number of entries goes to *entries when
// entries is not null.
IPMI_API int IpmiIfcSelGetInfo(int node, unsigned short* entries);

// The SEL properties of the current node (node 0 when none is open); null
// when the controller gives none.
IPMI_API std::tr1::shared_ptr<IpmiSel> GetSelInfo();

// The Get SDR Repository Info response, completion code first.
struct __attribute__((packed)) SdrRepositoryInfo {
  std::uint8_t completionCode;
  std::uint8_t sdrVersion;
  std::uint16_t recordCount;
  std::uint16_t freeSpace;
  std::uint32_t mostRecentAddition;
  std::uint32_t mostRecentErase;
  std::uint8_t operationSupport;
};
static_assert(sizeof(SdrRepositoryInfo) == 15, "Get SDR Repository Info response is 15 bytes");

// The Get SEL Info response, completion code first.
struct __attribute__((packed)) SelInfoRecord {
  std::uint8_t completionCode;
  std::uint8_t selVersion;
  std::uint16_t entries;
  std::uint16_t freeSpace;
  std::uint32_t mostRecentAddition;
  std::uint32_t mostRecentErase;
  std::uint8_t operationSupport;
};
static_assert(sizeof(SelInfoRecord) == 15, "Get SEL Info response is 15 bytes");

// The header of a node's FRU inventory device 0.
struct __attribute__((packed)) FruDeviceHeaderInfo {
  std::uint8_t statusByte;  // completion code of Get FRU Inventory Area Info
  std::uint16_t areaSize;   // little-endian, bytes
  std::uint8_t accessByte;  // bit 0: accessed by words
  std::uint8_t deviceId;
};
static_assert(sizeof(FruDeviceHeaderInfo) == 5, "FRU device header is 5 bytes");

class IPMI_API IpmiIfc {
 public:
  // The texts of one set of FRU information areas.
  struct Part {
    std::string type;         // the FRU device's name
    std::string chassisName;  // the chassis type's name
    std::string chassisPartNumber;
    std::string chassisSerialNumber;
    std::string chassisCustom;  // custom fields, joined by "; "
    std::string boardProductName;
    std::string boardManufacturer;
    std::string boardMfgTimeStamp;  // UTC, 2014-03-05T17:02:00
    std::string boardSerialNumber;
    std::string boardPartNumber;
    std::string productName;
    std::string productManufacturer;
    std::string productPartNumber;
    std::string productVersion;
    std::string productSerialNumber;
    std::string productAssetTag;
  };

  static std::vector<std::shared_ptr<IpmiSensor>> getSensors(int node);
  static SdrRepositoryInfo getSdr(int node);

  static std::vector<std::shared_ptr<IpmiFru>> getFrus(int node);
  static Part getFruPart(const std::tr1::shared_ptr<IpmiFruOptional>& optional);
  static FruDeviceHeaderInfo getFruDeviceHeader(int node);

  // Every SEL entry of the current node, in SEL order.
  static std::vector<std::tr1::shared_ptr<IpmiSelData>> getSelData();
  // Get SEL Time of the current node (node 0 when none is open).
  static std::int32_t GetSelClock();
  // Get SEL Info of the current node (node 0 when none is open).
  static SelInfoRecord getRawSelHeader();
  // Reserve SEL, Clear SEL, and wait until the erase has completed.
  static int clearSel(int node);
};

}  // namespace Ipmi
