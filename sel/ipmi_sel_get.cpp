#include "sel/ipmi_sel_get.h"

#include "common/format.h"
#include "common/ipmi_exception.h"
#include "common/node_session.h"
#include "common/params.h"

#include <HostCtl/Misc.h>
#include <Ipmi/Ipmi.h>

#include <cstdint>
#include <exception>

namespace OstrelCli {
namespace Hardware {

namespace {

using Kelvo::MetaObj::MetaList;
using Kelvo::MetaObj::MetaStruct;

// The dumps cover the Get SEL Info response, completion code first.
constexpr int kSelInfoSize = 15;

std::string DumpSelInfo(DumpFunction dump) {
  const Ipmi::SelInfoRecord record = Ipmi::IpmiIfc::getRawSelHeader();
  return DumpToText(dump, &record, kSelInfoSize);
}

void StoreHeader(const SelHeader& header, MetaStruct& result) {
  result.SetField("Version", header.version);
  result.SetField("Enabled", header.enabled);
  result.SetField("Sel-Clock", header.selClock);
  result.SetField("Total Records", header.totalRecords);
  result.SetField("Maximum Records", header.maxRecords);
  result.SetField("Overflow", header.overflow);
  result.SetField("Last Cleared", header.lastCleared);
  result.SetField("Last Added", header.lastAdded);
  result.SetField("Raw", header.raw);
  result.SetField("Formatted-Raw", header.formattedRaw);
}

}  // namespace

SelHeader LoadSelDetails(bool includeRaw, bool includePrettyRaw) {
  SelHeader header;
  const std::int32_t clock = Ipmi::IpmiIfc::GetSelClock();
  DevGuardLock lock;
  std::tr1::shared_ptr<Ipmi::IpmiSel> sel = Ipmi::GetSelInfo();
  if (!sel) {
    throw IpmiException("No SEL configuration was retrieved from IPMI controller.");
  }
  char time[25] = {};
  char version[20];
  header.enabled.push_back(sel->isEnabled());
  TimeStamp(time, sizeof(time), static_cast<long>(clock));
  header.selClock.push_back(time);
  header.version.push_back(VersionToString(version, sizeof(version), sel->version()));
  header.totalRecords.push_back(static_cast<long>(sel->getCurrentNumberOfRecords()));
  header.maxRecords.push_back(static_cast<long>(sel->getMaxNumberOfRecords()));
  header.overflow.push_back(sel->getOverFlowFlag());
  TimeStamp(time, sizeof(time), static_cast<long>(sel->getEraseTimeStampUnix()));
  header.lastCleared.push_back(time);
  TimeStamp(time, sizeof(time), static_cast<long>(sel->getAddTimeStampUnix()));
  header.lastAdded.push_back(time);
  if (includeRaw) {
    header.raw.push_back(DumpSelInfo(DumpRecord));
  }
  if (includePrettyRaw) {
    header.formattedRaw.push_back(DumpSelInfo(DumpRecordPretty));
  }
  sel.reset();
  lock.Unlock();
  return header;
}

IpmiSelGet::IpmiSelGet() {
  SetDescription("Get IPMI System Event Log (SEL) properties.");
  SetDefaultOutputFormatter("simple");
  SetDefaultOutputParameter("fields:IpmiSel",
                            "Enabled,Version,Total Records,Max Records,Overflow,Last Cleared");
  SetDefaultOutputParameter("show-header", "false");
}

IpmiSelGet::~IpmiSelGet() = default;

std::shared_ptr<IpmiSelGet> IpmiSelGet::New() {
  return std::make_shared<IpmiSelGet>();
}

std::shared_ptr<Kelvo::CallSpec::InputSpec> IpmiSelGet::GetInputSpecInternal() {
  std::shared_ptr<Kelvo::CallSpec::InputSpec> spec = Kelvo::CallSpec::InputSpec::New();
  SetParams(spec);
  return spec;
}

std::shared_ptr<Kelvo::CallSpec::OutputSpec> IpmiSelGet::GetOutputSpecInternal() {
  std::shared_ptr<Kelvo::CallSpec::OutputSpec> spec = Kelvo::CallSpec::OutputSpec::New();
  spec->SetRootObject(GetOutputStructure());
  return spec;
}

std::shared_ptr<MetaStruct> IpmiSelGet::GetOutputStructure() {
  std::shared_ptr<MetaStruct> result = MetaStruct::New("IpmiSELConfig");
  result->SetField("Enabled", MetaList::New(1));
  result->SetField("Sel-Clock", MetaList::New(2));
  result->SetField("Version", MetaList::New(2));
  result->SetField("Total Records", MetaList::New(0));
  result->SetField("Maximum Records", MetaList::New(0));
  result->SetField("Overflow", MetaList::New(1));
  result->SetField("Last Cleared", MetaList::New(2));
  result->SetField("Last Added", MetaList::New(2));
  result->SetField("Raw", MetaList::New(2));
  result->SetField("Formatted-Raw", MetaList::New(2));
  return result;
}

void IpmiSelGet::ExecuteInternal(const std::shared_ptr<Kelvo::CallSpec::Input>& input,
                                 const std::shared_ptr<Kelvo::CallSpec::Output>& output) {
  const bool ignoreMissing = input->IsFlagSet("ignore-missing");
  std::shared_ptr<MetaStruct> result = GetOutputStructure();
  try {
    const bool includePrettyRaw = input->IsFlagSet("include-pretty-raw");
    const bool includeRaw = input->IsFlagSet("include-raw");
    const SelHeader header = LoadSelDetails(includeRaw, includePrettyRaw);
    StoreHeader(header, *result);
    output->SetRootObject(result);
  } catch (const std::exception& e) {
    if (ignoreMissing) {
      output->SetRootObject(result);
    } else {
      output->AddErrorMessage(
          HostCtl::Misc::StrCat("Retrieve IPMI System Event Log Configuration failed: ", e.what()));
    }
  }
}

}  // namespace Hardware
}  // namespace OstrelCli
