#pragma once
// The result shapes commands produce, built the way commands build them.

#include <Kelvo/MetaObj.h>

#include <memory>
#include <string>
#include <vector>

namespace kelvo_test {

namespace MetaObj = Kelvo::MetaObj;

// One record of a list: an integer, texts (one empty) and a boolean never set.
inline std::shared_ptr<MetaObj::MetaStruct> SensorPrototype() {
  auto record = MetaObj::MetaStruct::New("Sensor");
  record->SetField("Id", MetaObj::MetaInt::New());
  record->SetField("Name", MetaObj::MetaString::New());
  record->SetField("Reading", MetaObj::MetaString::New());
  record->SetField("Unit", MetaObj::MetaString::New());
  record->SetField("Present", MetaObj::MetaBool::New());
  return record;
}

inline std::shared_ptr<MetaObj::MetaStruct> Sensor(long id, const std::string& name,
                                                   const std::string& reading, const std::string& unit) {
  auto record = std::static_pointer_cast<MetaObj::MetaStruct>(SensorPrototype()->Clone());
  record->SetField("Id", id);
  record->SetField("Name", name);
  record->SetField("Reading", reading);
  record->SetField("Unit", unit);
  return record;
}

// A list of structures, with texts that need quoting in every script format.
inline std::shared_ptr<MetaObj::MetaValue> ListOfStructs() {
  auto list = MetaObj::MetaList::New(MetaObj::META_STRUCT, SensorPrototype());
  list->Add(Sensor(1, "CPU Temp", "45.000", "degrees C"));
  list->Add(Sensor(12, "Fan \"A\", <left> & right", "", ""));
  return list;
}

// A structure of lists: one entry per node in each field.
inline std::shared_ptr<MetaObj::MetaValue> StructOfLists() {
  auto record = MetaObj::MetaStruct::New("Config");
  record->SetField("Version", std::vector<std::string>{"1.5", "2.0"});
  record->SetField("Records", std::vector<long>{10, 3});
  record->SetField("Enabled", std::vector<bool>{true, false});
  return record;
}

// A structure with one list field and an integer never set.
inline std::shared_ptr<MetaObj::MetaValue> StructWithListField() {
  auto record = MetaObj::MetaStruct::New("Bmc");
  record->SetField("Manufacturer", "Acme");
  record->SetField("Firmware Version", "1.02");
  record->SetField("Addresses", std::vector<std::string>{"fe80::1", "2001:db8::7"});
  record->SetField("Port", MetaObj::MetaInt::New());
  return record;
}

inline std::shared_ptr<MetaObj::MetaValue> LoneBoolean() {
  return MetaObj::MetaBool::New(true);
}

inline std::shared_ptr<MetaObj::MetaValue> EmptyList() {
  return MetaObj::MetaList::New(MetaObj::META_STRUCT, SensorPrototype());
}

}  // namespace kelvo_test
