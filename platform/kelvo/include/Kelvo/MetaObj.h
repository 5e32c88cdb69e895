#pragma once
// The framework's value model: what a command returns and the formatters print.

#include <Kelvo/Export.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace Kelvo {
namespace MetaObj {

// Element types of a list. A list of lists does not exist in the model.
enum MetaType : int {
  META_INT = 0,
  META_BOOL = 1,
  META_STRING = 2,
  META_STRUCT = 3,
};

// What a value is, for the formatters.
enum class MetaKind { Int, Bool, String, Struct, List };

class KELVO_API MetaValue {
 public:
  virtual ~MetaValue();
  virtual MetaKind GetKind() const = 0;
  // A fresh copy: structures and lists are copied deeply.
  virtual std::shared_ptr<MetaValue> Clone() const = 0;
};

// A scalar made with New() and never given a value has none: the formatters
// show it as null (json) or blank (simple, table).
class KELVO_API MetaInt : public MetaValue {
 public:
  static std::shared_ptr<MetaInt> New();
  static std::shared_ptr<MetaInt> New(long value);
  MetaKind GetKind() const override { return MetaKind::Int; }
  std::shared_ptr<MetaValue> Clone() const override;
  bool HasValue() const { return hasValue_; }
  long GetValue() const { return value_; }

 private:
  MetaInt() = default;
  bool hasValue_ = false;
  long value_ = 0;
};

class KELVO_API MetaBool : public MetaValue {
 public:
  static std::shared_ptr<MetaBool> New();
  static std::shared_ptr<MetaBool> New(bool value);
  MetaKind GetKind() const override { return MetaKind::Bool; }
  std::shared_ptr<MetaValue> Clone() const override;
  bool HasValue() const { return hasValue_; }
  bool GetValue() const { return value_; }

 private:
  MetaBool() = default;
  bool hasValue_ = false;
  bool value_ = false;
};

// An empty MetaString is the empty text, not a missing value.
class KELVO_API MetaString : public MetaValue {
 public:
  static std::shared_ptr<MetaString> New();
  static std::shared_ptr<MetaString> New(std::string value);
  MetaKind GetKind() const override { return MetaKind::String; }
  std::shared_ptr<MetaValue> Clone() const override;
  const std::string& GetValue() const { return value_; }

 private:
  MetaString() = default;
  std::string value_;
};

class MetaStruct;

class KELVO_API MetaList : public MetaValue {
 public:
  static std::shared_ptr<MetaList> New(MetaType elementType);
  static std::shared_ptr<MetaList> New(MetaType elementType, std::shared_ptr<MetaValue> prototype);
  // Alternative spelling with the integer codes used by the plug-in (0..3).
  static std::shared_ptr<MetaList> New(int elementType) { return New(static_cast<MetaType>(elementType)); }
  static std::shared_ptr<MetaList> New(int elementType, std::shared_ptr<MetaValue> prototype) {
    return New(static_cast<MetaType>(elementType), std::move(prototype));
  }

  MetaKind GetKind() const override { return MetaKind::List; }
  std::shared_ptr<MetaValue> Clone() const override;

  void Add(std::shared_ptr<MetaValue> item);

  MetaType GetElementType() const { return elementType_; }
  // The element prototype, or null when the list was made without one.
  const std::shared_ptr<MetaValue>& GetPrototype() const { return prototype_; }
  const std::vector<std::shared_ptr<MetaValue>>& GetItems() const { return items_; }
  std::size_t Size() const { return items_.size(); }

 private:
  explicit MetaList(MetaType elementType) : elementType_(elementType) {}
  MetaType elementType_;
  std::shared_ptr<MetaValue> prototype_;
  std::vector<std::shared_ptr<MetaValue>> items_;
};

// A named structure whose fields keep the order in which they were first set.
// Setting a field again replaces its value in place.
class KELVO_API MetaStruct : public MetaValue {
 public:
  using Field = std::pair<std::string, std::shared_ptr<MetaValue>>;

  static std::shared_ptr<MetaStruct> New(const std::string& typeName);
  MetaKind GetKind() const override { return MetaKind::Struct; }
  std::shared_ptr<MetaValue> Clone() const override;

  void SetField(const std::string& name, bool value);
  void SetField(const std::string& name, int value);
  void SetField(const std::string& name, long value);
  void SetField(const std::string& name, const char* value);
  void SetField(const std::string& name, std::string value);
  void SetField(const std::string& name, const std::vector<long>& values);
  void SetField(const std::string& name, const std::vector<bool>& values);
  void SetField(const std::string& name, const std::vector<std::string>& values);
  void SetField(const std::string& name, std::shared_ptr<MetaValue> value);

  const std::string& GetTypeName() const { return typeName_; }
  const std::vector<Field>& GetFields() const { return fields_; }
  // The field's value, or null when the structure has no such field.
  std::shared_ptr<MetaValue> GetField(const std::string& name) const;

 private:
  explicit MetaStruct(std::string typeName) : typeName_(std::move(typeName)) {}
  std::string typeName_;
  std::vector<Field> fields_;
};

}  // namespace MetaObj
}  // namespace Kelvo
