#include "sel/sel_data.h"

#include "sel/sel_severity.h"

#include <algorithm>

namespace Ipmi {

IpmiSelData::IpmiSelData(const unsigned char (&entry)[16], std::unique_ptr<Impl> impl)
    : impl_(std::move(impl)) {
  std::copy(std::begin(entry), std::end(entry), std::begin(raw));
}

IpmiSelData::~IpmiSelData() = default;

int IpmiSelData::recordId() const {
  return impl_->entry().recordId;
}

int IpmiSelData::recordType() const {
  return impl_->entry().recordType;
}

std::uint32_t IpmiSelData::messageTimeStamp() const {
  return impl_->entry().timestamp;
}

int IpmiSelData::eventType() const {
  return impl_->severity();
}

std::string IpmiSelData::caption() const {
  return impl_->caption();
}

// OEM records name no sensor: -1.
int IpmiSelData::getSensorNumber() const {
  const marlek::sel::SelEntry& entry = impl_->entry();
  return entry.kind == marlek::sel::RecordKind::kSystemEvent ? entry.system.sensorNumber : -1;
}

}  // namespace Ipmi

namespace marlek {
namespace sel {

std::tr1::shared_ptr<Ipmi::IpmiSelData> MakeSelData(const RawEntry& raw, const ThresholdTexts& converted) {
  const SelEntry entry = DecodeSelEntry(raw);
  unsigned char bytes[std::tuple_size<RawEntry>::value];
  std::copy(raw.begin(), raw.end(), std::begin(bytes));
  auto impl =
      std::make_unique<Ipmi::IpmiSelData::Impl>(entry, SelSeverity(entry), SelCaption(entry, converted));
  return std::tr1::shared_ptr<Ipmi::IpmiSelData>(new Ipmi::IpmiSelData(bytes, std::move(impl)));
}

}  // namespace sel
}  // namespace marlek
