#pragma once

#include <Ipmi/Export.h>

#include <cstdint>
#include <memory>
#include <string>

namespace Ipmi {

// One SEL entry. Its leading member is the entry's 16 bytes as the SEL holds
// them; callers may copy them from there.
class IPMI_API IpmiSelData {
 public:
  unsigned char raw[16];

  class Impl;  // what the library knows beyond the bytes; defined by it
  IpmiSelData(const unsigned char (&entry)[16], std::unique_ptr<Impl> impl);
  ~IpmiSelData();
  IpmiSelData(const IpmiSelData&) = delete;
  IpmiSelData& operator=(const IpmiSelData&) = delete;

  int recordId() const;
  int recordType() const;
  // Seconds since 1970 (or since controller start for small values); 0 for
  // OEM records without a time stamp (types 0xE0-0xFF).
  std::uint32_t messageTimeStamp() const;
  // A CIM PerceivedSeverity code 0-7, or -1 when the record has none.
  int eventType() const;
  // One readable line: "Assert + <sensor type> <event text>" and the like.
  std::string caption() const;
  int getSensorNumber() const;

  Impl& impl() { return *impl_; }
  const Impl& impl() const { return *impl_; }

 private:
  std::unique_ptr<Impl> impl_;
};

// The SEL's properties, as Get SEL Info and Get BMC Global Enables report them.
class IPMI_API IpmiSel {
 public:
  struct Fields {
    bool enabled = false;
    int version = 0;  // BCD: low nibble major, high nibble minor
    int currentRecords = 0;
    int maxRecords = 0;  // entries plus free space / 16
    bool overflow = false;
    std::int64_t eraseTimeStamp = 0;
    std::int64_t addTimeStamp = 0;
  };

  explicit IpmiSel(const Fields& fields) : fields_(fields) {}

  bool isEnabled() const { return fields_.enabled; }
  int version() const { return fields_.version; }
  int getCurrentNumberOfRecords() const { return fields_.currentRecords; }
  int getMaxNumberOfRecords() const { return fields_.maxRecords; }
  bool getOverFlowFlag() const { return fields_.overflow; }
  std::int64_t getEraseTimeStampUnix() const { return fields_.eraseTimeStamp; }
  std::int64_t getAddTimeStampUnix() const { return fields_.addTimeStamp; }

 private:
  Fields fields_;
};

}  // namespace Ipmi
