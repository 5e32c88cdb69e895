// The value model that commands return and formatters print.

#include <Kelvo/MetaObj.h>

#include <stdexcept>

namespace Kelvo {
namespace MetaObj {

namespace {

bool IsKnownType(MetaType type) {
  return type == META_INT || type == META_BOOL || type == META_STRING || type == META_STRUCT;
}

MetaKind KindOf(MetaType type) {
  switch (type) {
    case META_INT:
      return MetaKind::Int;
    case META_BOOL:
      return MetaKind::Bool;
    case META_STRING:
      return MetaKind::String;
    case META_STRUCT:
      break;
  }
  return MetaKind::Struct;
}

std::shared_ptr<MetaValue> CloneOrNull(const std::shared_ptr<MetaValue>& value) {
  return value ? value->Clone() : nullptr;
}

template <typename Element, typename Value>
std::shared_ptr<MetaList> ListOf(MetaType type, const std::vector<Value>& values) {
  auto list = MetaList::New(type);
  for (const auto& value : values) {
    list->Add(Element::New(value));
  }
  return list;
}

}  // namespace

MetaValue::~MetaValue() = default;

std::shared_ptr<MetaInt> MetaInt::New() {
  return std::shared_ptr<MetaInt>(new MetaInt());
}

std::shared_ptr<MetaInt> MetaInt::New(long value) {
  auto result = New();
  result->hasValue_ = true;
  result->value_ = value;
  return result;
}

std::shared_ptr<MetaValue> MetaInt::Clone() const {
  return std::shared_ptr<MetaInt>(new MetaInt(*this));
}

std::shared_ptr<MetaBool> MetaBool::New() {
  return std::shared_ptr<MetaBool>(new MetaBool());
}

std::shared_ptr<MetaBool> MetaBool::New(bool value) {
  auto result = New();
  result->hasValue_ = true;
  result->value_ = value;
  return result;
}

std::shared_ptr<MetaValue> MetaBool::Clone() const {
  return std::shared_ptr<MetaBool>(new MetaBool(*this));
}

std::shared_ptr<MetaString> MetaString::New() {
  return std::shared_ptr<MetaString>(new MetaString());
}

std::shared_ptr<MetaString> MetaString::New(std::string value) {
  auto result = New();
  result->value_ = std::move(value);
  return result;
}

std::shared_ptr<MetaValue> MetaString::Clone() const {
  return std::shared_ptr<MetaString>(new MetaString(*this));
}

std::shared_ptr<MetaList> MetaList::New(MetaType elementType) {
  if (!IsKnownType(elementType)) {
    throw std::invalid_argument("MetaList: unknown element type " + std::to_string(elementType));
  }
  return std::shared_ptr<MetaList>(new MetaList(elementType));
}

std::shared_ptr<MetaList> MetaList::New(MetaType elementType, std::shared_ptr<MetaValue> prototype) {
  auto list = New(elementType);
  if (prototype && prototype->GetKind() != KindOf(elementType)) {
    throw std::invalid_argument("MetaList: the prototype does not match the element type");
  }
  list->prototype_ = std::move(prototype);
  return list;
}

std::shared_ptr<MetaValue> MetaList::Clone() const {
  auto copy = std::shared_ptr<MetaList>(new MetaList(elementType_));
  copy->prototype_ = CloneOrNull(prototype_);
  copy->items_.reserve(items_.size());
  for (const auto& item : items_) {
    copy->items_.push_back(item->Clone());
  }
  return copy;
}

void MetaList::Add(std::shared_ptr<MetaValue> item) {
  if (!item) {
    throw std::invalid_argument("MetaList: cannot add a null item");
  }
  if (item->GetKind() != KindOf(elementType_)) {
    throw std::invalid_argument("MetaList: the item does not match the element type");
  }
  items_.push_back(std::move(item));
}

std::shared_ptr<MetaStruct> MetaStruct::New(const std::string& typeName) {
  return std::shared_ptr<MetaStruct>(new MetaStruct(typeName));
}

std::shared_ptr<MetaValue> MetaStruct::Clone() const {
  auto copy = New(typeName_);
  copy->fields_.reserve(fields_.size());
  for (const auto& field : fields_) {
    copy->fields_.emplace_back(field.first, field.second->Clone());
  }
  return copy;
}

void MetaStruct::SetField(const std::string& name, bool value) {
  SetField(name, MetaBool::New(value));
}

void MetaStruct::SetField(const std::string& name, int value) {
  SetField(name, MetaInt::New(static_cast<long>(value)));
}

void MetaStruct::SetField(const std::string& name, long value) {
  SetField(name, MetaInt::New(value));
}

void MetaStruct::SetField(const std::string& name, const char* value) {
  SetField(name, MetaString::New(value ? std::string(value) : std::string()));
}

void MetaStruct::SetField(const std::string& name, std::string value) {
  SetField(name, MetaString::New(std::move(value)));
}

void MetaStruct::SetField(const std::string& name, const std::vector<long>& values) {
  SetField(name, ListOf<MetaInt>(META_INT, values));
}

void MetaStruct::SetField(const std::string& name, const std::vector<bool>& values) {
  auto list = MetaList::New(META_BOOL);
  for (bool value : values) {
    list->Add(MetaBool::New(value));
  }
  SetField(name, list);
}

void MetaStruct::SetField(const std::string& name, const std::vector<std::string>& values) {
  SetField(name, ListOf<MetaString>(META_STRING, values));
}

void MetaStruct::SetField(const std::string& name, std::shared_ptr<MetaValue> value) {
  if (!value) {
    throw std::invalid_argument("MetaStruct " + typeName_ + ": field '" + name + "' set to null");
  }
  for (auto& field : fields_) {
    if (field.first == name) {
      field.second = std::move(value);
      return;
    }
  }
  fields_.emplace_back(name, std::move(value));
}

std::shared_ptr<MetaValue> MetaStruct::GetField(const std::string& name) const {
  for (const auto& field : fields_) {
    if (field.first == name) {
      return field.second;
    }
  }
  return nullptr;
}

}  // namespace MetaObj
}  // namespace Kelvo
