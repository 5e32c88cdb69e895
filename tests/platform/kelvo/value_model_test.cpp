// The value model and the call objects as commands use them.

#include <Kelvo/CallSpec.h>
#include <Kelvo/MetaObj.h>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using namespace Kelvo::MetaObj;
namespace CallSpec = Kelvo::CallSpec;

std::vector<std::string> FieldNames(const MetaStruct& record) {
  std::vector<std::string> names;
  for (const auto& field : record.GetFields()) {
    names.push_back(field.first);
  }
  return names;
}

TEST(KelvoMetaStruct, SetFieldMakesTheRightKindForEveryType) {
  auto record = MetaStruct::New("T");
  record->SetField("bool", true);
  record->SetField("int", 7);
  record->SetField("long", -5L);
  record->SetField("chars", "text");
  record->SetField("null chars", static_cast<const char*>(nullptr));
  record->SetField("string", std::string("more"));
  record->SetField("longs", std::vector<long>{1, 2});
  record->SetField("bools", std::vector<bool>{false});
  record->SetField("strings", std::vector<std::string>{});
  record->SetField("value", MetaInt::New());
  struct Expect {
    const char* name;
    MetaKind kind;
    std::string text;  // scalar value, or element type and size for lists
  };
  const std::vector<Expect> expected = {
      {"bool", MetaKind::Bool, "1"},        {"int", MetaKind::Int, "7"},
      {"long", MetaKind::Int, "-5"},        {"chars", MetaKind::String, "text"},
      {"null chars", MetaKind::String, ""}, {"string", MetaKind::String, "more"},
      {"longs", MetaKind::List, "0:2"},     {"bools", MetaKind::List, "1:1"},
      {"strings", MetaKind::List, "2:0"},   {"value", MetaKind::Int, "none"},
  };
  ASSERT_EQ(record->GetFields().size(), expected.size());
  for (const auto& e : expected) {
    auto value = record->GetField(e.name);
    ASSERT_NE(value, nullptr) << e.name;
    ASSERT_EQ(value->GetKind(), e.kind) << e.name;
    std::string text;
    if (auto number = std::dynamic_pointer_cast<MetaInt>(value)) {
      text = number->HasValue() ? std::to_string(number->GetValue()) : "none";
    } else if (auto flag = std::dynamic_pointer_cast<MetaBool>(value)) {
      text = std::to_string(flag->GetValue());
    } else if (auto string = std::dynamic_pointer_cast<MetaString>(value)) {
      text = string->GetValue();
    } else if (auto list = std::dynamic_pointer_cast<MetaList>(value)) {
      text = std::to_string(list->GetElementType()) + ":" + std::to_string(list->Size());
    }
    EXPECT_EQ(text, e.text) << e.name;
  }
}

TEST(KelvoMetaStruct, FieldsKeepFirstOrderAndAreReplacedInPlace) {
  auto record = MetaStruct::New("IpmiSEL");
  record->SetField("Record Id", MetaInt::New());
  record->SetField("When", MetaString::New());
  record->SetField("Raw", MetaString::New());
  record->SetField("When", "2024-01-01T00:00:00");
  record->SetField("Record Id", 5);
  EXPECT_EQ(FieldNames(*record), (std::vector<std::string>{"Record Id", "When", "Raw"}));
  EXPECT_EQ(std::static_pointer_cast<MetaInt>(record->GetField("Record Id"))->GetValue(), 5);
  EXPECT_EQ(record->GetField("Nope"), nullptr);
  EXPECT_THROW(record->SetField("x", std::shared_ptr<MetaValue>()), std::invalid_argument);
}

TEST(KelvoMetaValue, CloneIsDeep) {
  auto prototype = MetaStruct::New("Row");
  prototype->SetField("Name", MetaString::New());
  prototype->SetField("Tags", MetaList::New(META_STRING));
  auto list = MetaList::New(META_STRUCT, prototype);
  auto row = std::static_pointer_cast<MetaStruct>(prototype->Clone());
  row->SetField("Name", "a");
  std::static_pointer_cast<MetaList>(row->GetField("Tags"))->Add(MetaString::New("t"));
  list->Add(row);

  // The fresh copy did not touch the prototype.
  EXPECT_EQ(std::static_pointer_cast<MetaString>(prototype->GetField("Name"))->GetValue(), "");
  EXPECT_EQ(std::static_pointer_cast<MetaList>(prototype->GetField("Tags"))->Size(), 0u);

  auto copy = std::static_pointer_cast<MetaList>(list->Clone());
  row->SetField("Name", "changed");
  auto copiedRow = std::static_pointer_cast<MetaStruct>(copy->GetItems().at(0));
  EXPECT_NE(copiedRow, row);
  EXPECT_EQ(std::static_pointer_cast<MetaString>(copiedRow->GetField("Name"))->GetValue(), "a");
  EXPECT_NE(copy->GetPrototype(), list->GetPrototype());
  EXPECT_EQ(copy->GetElementType(), META_STRUCT);
  EXPECT_FALSE(std::static_pointer_cast<MetaInt>(MetaInt::New()->Clone())->HasValue());
  EXPECT_TRUE(std::static_pointer_cast<MetaBool>(MetaBool::New(false)->Clone())->HasValue());
}

TEST(KelvoMetaList, ItemsMustMatchTheElementType) {
  auto list = MetaList::New(3);  // the plug-in's integer spelling
  EXPECT_EQ(list->GetElementType(), META_STRUCT);
  EXPECT_THROW(list->Add(MetaString::New("x")), std::invalid_argument);
  EXPECT_THROW(list->Add(nullptr), std::invalid_argument);
  list->Add(MetaStruct::New("Row"));
  EXPECT_EQ(list->Size(), 1u);
  EXPECT_THROW(MetaList::New(7), std::invalid_argument);
  EXPECT_THROW(MetaList::New(META_INT, MetaString::New()), std::invalid_argument);
  EXPECT_EQ(MetaList::New(META_INT)->GetPrototype(), nullptr);
}

TEST(KelvoCallSpec, InputAnswersForAbsentParameters) {
  auto input = CallSpec::Input::New();
  input->SetFlag("include-raw");
  input->SetParameter("node", "");
  EXPECT_TRUE(input->IsFlagSet("include-raw"));
  EXPECT_FALSE(input->IsFlagSet("ignore-missing"));
  EXPECT_TRUE(input->HasParameter("node"));
  EXPECT_EQ(input->GetParameter("node"), "");
  EXPECT_FALSE(input->HasParameter("os-name"));
  const std::string& absent = input->GetParameter("os-name");
  EXPECT_EQ(absent, "");
  EXPECT_FALSE(input->IsFlagSet(static_cast<const char*>(nullptr)));
  EXPECT_EQ(input->GetParameter(static_cast<const char*>(nullptr)), "");
}

TEST(KelvoCallSpec, InputSpecRejectsWhatCannotBeParsed) {
  auto spec = CallSpec::InputSpec::New();
  auto node = CallSpec::ParameterSpec::New("node", 0);
  node->SetShortName("n");
  spec->AddParameter(node);
  auto again = CallSpec::ParameterSpec::New("node", 3);
  EXPECT_THROW(spec->AddParameter(again), std::invalid_argument);
  auto sameShort = CallSpec::ParameterSpec::New("name", 0);
  sameShort->SetShortName("n");
  EXPECT_THROW(spec->AddParameter(sameShort), std::invalid_argument);
  EXPECT_THROW(CallSpec::ParameterSpec::New("", 0), std::invalid_argument);
  EXPECT_THROW(CallSpec::ParameterSpec::New("x", 1), std::invalid_argument);
  EXPECT_EQ(spec->Find("node"), node);
  EXPECT_EQ(spec->FindShort("n"), node);
  EXPECT_EQ(spec->FindShort(""), nullptr);
  EXPECT_FALSE(node->IsFlag());
  EXPECT_TRUE(CallSpec::ParameterSpec::New("f", 3)->IsFlag());
}

TEST(KelvoCallSpec, OutputKeepsErrorsInOrderExactlyAsAdded) {
  auto output = CallSpec::Output::New();
  std::string moved = "Unable to get IPMI System Event Log data : Access device /dev/ipmi2 failed";
  output->AddErrorMessage(std::move(moved));
  output->AddErrorMessage("  second, with blanks  ");
  output->AddErrorMessage(static_cast<const char*>(nullptr));
  EXPECT_EQ(
      output->GetErrorMessages(),
      (std::vector<std::string>{"Unable to get IPMI System Event Log data : Access device /dev/ipmi2 failed",
                                "  second, with blanks  ", ""}));
  EXPECT_EQ(output->GetRootObject(), nullptr);
}

}  // namespace
