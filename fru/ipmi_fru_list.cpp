#include "fru/ipmi_fru_list.h"

#include "common/format.h"
#include "common/ipmi_exception.h"
#include "common/node_command.h"
#include "common/node_session.h"
#include "common/params.h"

#include <Ipmi/Ipmi.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace OstrelCli {
namespace Hardware {

namespace {

using Kelvo::MetaObj::MetaList;
using Kelvo::MetaObj::MetaString;
using Kelvo::MetaObj::MetaStruct;

const char* const kRecordFields[] = {"Entity-Instance",
                                     "Type",
                                     "Part Name",
                                     "Part Number",
                                     "Version",
                                     "Manufacturer Name",
                                     "Serial Number",
                                     "Asset Tag",
                                     "Manufacturer TimeStamp",
                                     "Raw",
                                     "Formatted-Raw",
                                     "Chassis Name",
                                     "Board Serial Number"};

void DumpArea(std::stringstream& stream, bool present, const std::tr1::shared_ptr<Ipmi::FruAreaData>& area,
              DumpFunction dump) {
  if (present && area && area->length > 0 && area->data != nullptr) {
    dump(stream, area->data, area->length);
  }
}

// The present areas' bytes, chassis then board then product, in one text.
std::string DumpAreas(const Ipmi::IpmiFruOptional& optional, DumpFunction dump) {
  std::stringstream stream;
  DumpArea(stream, optional.hasChassis, optional.chassisArea, dump);
  DumpArea(stream, optional.hasBoard, optional.boardArea, dump);
  DumpArea(stream, optional.hasProduct, optional.productArea, dump);
  return stream.str();
}

void FillRecord(const Ipmi::IpmiFruOptional& optional, Ipmi::IpmiIfc::Part& part, MetaStruct& record) {
  if (optional.hasChassis) {
    record.SetField("Chassis Name", std::move(part.chassisName));
  }
  if (optional.hasBoard) {
    record.SetField("Part Name", std::move(part.boardProductName));
    record.SetField("Part Number", std::move(part.boardPartNumber));
    record.SetField("Manufacturer Name", std::move(part.boardManufacturer));
    record.SetField("Manufacturer TimeStamp", std::move(part.boardMfgTimeStamp));
    record.SetField("Board Serial Number", std::move(part.boardSerialNumber));
  }
  if (optional.hasProduct) {
    if (!optional.hasBoard) {
      record.SetField("Part Name", std::move(part.productName));
      record.SetField("Part Number", std::move(part.productPartNumber));
      record.SetField("Manufacturer Name", std::move(part.productManufacturer));
    }
    record.SetField("Version", std::move(part.productVersion));
    record.SetField("Serial Number", std::move(part.productSerialNumber));
    record.SetField("Asset Tag", std::move(part.productAssetTag));
  }
}

}  // namespace

IpmiFruList::IpmiFruList() {
  SetDescription("List IPMI Field Replaceable Unit (FRU) inventory.");
  SetDefaultOutputFormatter("simple");
  SetDefaultOutputParameter("header:IpmiFRU", "Record:%Type%");
  SetDefaultOutputParameter(
      "fields:IpmiFRU",
      "Type,Entity-Instance,Part Name,Version,Manufacturer Name,Part Number,Serial Number,"
      "Asset Tag,Manufacturer TimeStamp,Chassis Name,Board Serial Number,Raw,Formatted-Raw");
}

IpmiFruList::~IpmiFruList() = default;

std::shared_ptr<IpmiFruList> IpmiFruList::New() {
  return std::make_shared<IpmiFruList>();
}

std::shared_ptr<Kelvo::CallSpec::InputSpec> IpmiFruList::GetInputSpecInternal() {
  std::shared_ptr<Kelvo::CallSpec::InputSpec> spec = Kelvo::CallSpec::InputSpec::New();
  SetParams(spec);
  return spec;
}

std::shared_ptr<Kelvo::CallSpec::OutputSpec> IpmiFruList::GetOutputSpecInternal() {
  std::shared_ptr<Kelvo::CallSpec::OutputSpec> spec = Kelvo::CallSpec::OutputSpec::New();
  spec->SetRootObject(MetaList::New(3, GetOutputStructure()));
  return spec;
}

std::shared_ptr<MetaStruct> IpmiFruList::GetOutputStructure() {
  std::shared_ptr<MetaStruct> record = MetaStruct::New("IpmiFRU");
  for (const char* field : kRecordFields) {
    record->SetField(field, MetaString::New());
  }
  return record;
}

void IpmiFruList::ExecuteInternal(const std::shared_ptr<Kelvo::CallSpec::Input>& input,
                                  const std::shared_ptr<Kelvo::CallSpec::Output>& output) {
  const bool ignoreMissing = input->IsFlagSet("ignore-missing");
  std::shared_ptr<MetaList> list = MetaList::New(3, GetOutputStructure());
  RunListCommand(input, output, ignoreMissing, "Unable to get IPMI Field Replaceable Unit (FRU) : ", list,
                 [&](int node) {
                   const bool includePrettyRaw = input->IsFlagSet("include-pretty-raw");
                   const bool includeRaw = input->IsFlagSet("include-raw");
                   LoadFruDetails(node, list, includeRaw, includePrettyRaw);
                 });
}

void IpmiFruList::LoadFruDetails(int node, std::shared_ptr<MetaList> list, bool includeRaw,
                                 bool includePrettyRaw) {
  NodeSession session(node);
  if (Ipmi::IpmiIfcSdrGetInfo(node) == -1) {
    throw IpmiException("No SDR records or incompatible version or read failed :");
  }
  if (Ipmi::IpmiIfcFruInstantiateAll(node) == -1) {
    throw IpmiException("Retrieve FRU data from driver failed :");
  }
  const std::vector<std::shared_ptr<Ipmi::IpmiFru>> frus = Ipmi::IpmiIfc::getFrus(node);
  for (const std::shared_ptr<Ipmi::IpmiFru>& fru : frus) {
    if (!fru) {
      continue;
    }
    const Ipmi::Entity entity = fru->getEntity();
    std::ostringstream entityText;
    entityText << entity.id << "." << entity.instance;
    const std::vector<std::tr1::shared_ptr<Ipmi::IpmiFruOptional>> optionals = fru->getOptionalRefArray();
    for (const std::tr1::shared_ptr<Ipmi::IpmiFruOptional>& optional : optionals) {
      if (!optional) {
        continue;
      }
      std::shared_ptr<MetaStruct> record = GetOutputStructure();
      Ipmi::IpmiIfc::Part part = Ipmi::IpmiIfc::getFruPart(optional);
      record->SetField("Type", std::move(part.type));
      record->SetField("Entity-Instance", entityText.str());
      FillRecord(*optional, part, *record);
      if (includeRaw) {
        record->SetField("Raw", DumpAreas(*optional, DumpRecord));
      }
      if (includePrettyRaw) {
        record->SetField("Formatted-Raw", DumpAreas(*optional, DumpRecordPretty));
      }
      list->Add(record);
    }
  }
}

}  // namespace Hardware
}  // namespace OstrelCli
