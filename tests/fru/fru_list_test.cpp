// hardware ipmi fru list against the scripted IPMI library.

#include "command_test.h"
#include "fru/ipmi_fru_list.h"

#include <stdexcept>

namespace {

using FakeIpmi::CallTexts;
using FakeIpmi::Invocation;
using FakeIpmi::RenderRoot;
using FakeIpmi::RunCommand;
using FakeIpmi::state;
using OstrelCli::Hardware::IpmiFruList;
using Optional = std::tr1::shared_ptr<Ipmi::IpmiFruOptional>;

Ipmi::IpmiIfc::Part FullPart(const std::string& type) {
  Ipmi::IpmiIfc::Part part;
  part.type = type;
  part.chassisName = "Rack Mount Chassis";
  part.chassisPartNumber = "unused-cpn";
  part.chassisSerialNumber = "unused-csn";
  part.chassisCustom = "unused-custom";
  part.boardProductName = "Board Name";
  part.boardManufacturer = "Board Maker";
  part.boardMfgTimeStamp = "2014-03-05T17:02:00";
  part.boardSerialNumber = "BSN1";
  part.boardPartNumber = "BPN1";
  part.productName = "Product Name";
  part.productManufacturer = "Product Maker";
  part.productPartNumber = "PPN1";
  part.productVersion = "1.0";
  part.productSerialNumber = "PSN1";
  part.productAssetTag = "TAG1";
  return part;
}

// A descriptor with the given areas present, each holding one distinct byte.
Optional Areas(bool chassis, bool board, bool product, const std::string& type = "Builtin FRU") {
  Optional optional(new Ipmi::IpmiFruOptional);
  optional->hasChassis = chassis;
  optional->hasBoard = board;
  optional->hasProduct = product;
  optional->chassisArea = Ipmi::FruAreaData::FromBytes({0x0c, 0x01});
  optional->boardArea = Ipmi::FruAreaData::FromBytes({0x0b});
  optional->productArea = Ipmi::FruAreaData::FromBytes({0x0a, static_cast<char>(0xff)});
  state().parts[optional.get()] = FullPart(type);
  return optional;
}

std::shared_ptr<Ipmi::IpmiFru> Fru(std::uint32_t id, std::uint32_t instance,
                                   std::vector<Optional> optionals) {
  return std::make_shared<Ipmi::IpmiFru>(Ipmi::Entity{id, instance}, std::move(optionals));
}

// Fields in structure order: Entity-Instance, Type, Part Name, Part Number,
// Version, Manufacturer Name, Serial Number, Asset Tag, Manufacturer
// TimeStamp, Raw, Formatted-Raw, Chassis Name, Board Serial Number.
std::string Record(const std::vector<std::string>& values) {
  static const char* const kFields[] = {"Entity-Instance",
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
  std::string text = "IpmiFRU{";
  for (std::size_t i = 0; i < 13; ++i) {
    text += std::string(i ? ", " : "") + kFields[i] + "=\"" + (i < values.size() ? values[i] : "") + "\"";
  }
  return text + "}";
}

class FruList : public FakeIpmi::CommandTest {
 protected:
  std::shared_ptr<IpmiFruList> command = IpmiFruList::New();
};

TEST_F(FruList, AreaCombinations) {
  struct Case {
    bool chassis, board, product;
    std::vector<std::string> values;
  };
  const Case cases[] = {
      {true,
       true,
       true,
       {"7.1", "Builtin FRU", "Board Name", "BPN1", "1.0", "Board Maker", "PSN1", "TAG1",
        "2014-03-05T17:02:00", "0c010b0aff", "0c 01 0b 0a ff ", "Rack Mount Chassis", "BSN1"}},
      {true,
       false,
       false,
       {"7.1", "Builtin FRU", "", "", "", "", "", "", "", "0c01", "0c 01 ", "Rack Mount Chassis"}},
      {false,
       true,
       false,
       {"7.1", "Builtin FRU", "Board Name", "BPN1", "", "Board Maker", "", "", "2014-03-05T17:02:00", "0b",
        "0b ", "", "BSN1"}},
      {false,
       false,
       true,
       {"7.1", "Builtin FRU", "Product Name", "PPN1", "1.0", "Product Maker", "PSN1", "TAG1", "", "0aff",
        "0a ff "}},
      {false, false, false, {"7.1", "Builtin FRU"}},
  };
  for (const Case& c : cases) {
    FakeIpmi::Reset();
    state().nodes[0].frus = {Fru(7, 1, {Areas(c.chassis, c.board, c.product)})};
    auto output = RunCommand(*command, {{"include-raw", "include-pretty-raw"}, {{"node", "0"}}});
    EXPECT_TRUE(Errors(*output).empty());
    EXPECT_EQ(RenderRoot(*output), "[" + Record(c.values) + "]") << c.chassis << c.board << c.product;
  }
}

TEST_F(FruList, OneRecordPerDescriptorSkippingEmptyPointers) {
  state().devices = {0, 2};
  state().nodes[0].frus = {
      nullptr, Fru(10, 3, {Areas(true, false, false, "A"), Optional(), Areas(true, false, false, "B")}),
      Fru(11, 0, {})};
  state().nodes[2].frus = {Fru(3, 250, {Areas(true, false, false, "C")})};
  auto output = RunCommand(*command);
  EXPECT_EQ(RenderRoot(*output),
            "[" + Record({"10.3", "A", "", "", "", "", "", "", "", "", "", "Rack Mount Chassis"}) + ", " +
                Record({"10.3", "B", "", "", "", "", "", "", "", "", "", "Rack Mount Chassis"}) + ", " +
                Record({"3.250", "C", "", "", "", "", "", "", "", "", "", "Rack Mount Chassis"}) + "]");
  EXPECT_EQ(CallTexts("IpmiIfc").size(), 12u);
  EXPECT_TRUE(CallsWithoutLock().empty());
}

TEST_F(FruList, RawDumpsOnlyWhenAskedAndOnlyOfBytesThatExist) {
  Optional optional = Areas(true, true, true);
  optional->chassisArea = Ipmi::FruAreaData::FromBytes({});
  optional->boardArea.reset();
  optional->productArea = Ipmi::FruAreaData::FromBytes({});
  state().nodes[0].frus = {Fru(1, 1, {optional, Areas(true, true, false)})};
  auto output = RunCommand(*command, {{"include-raw"}, {{"node", "0"}}});
  auto& records = static_cast<const Kelvo::MetaObj::MetaList&>(*output->GetRootObject()).GetItems();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(FakeIpmi::RenderField(records[0], "Raw"), "\"\"");
  EXPECT_EQ(FakeIpmi::RenderField(records[1], "Raw"), "\"0c010b\"");
  EXPECT_EQ(FakeIpmi::RenderField(records[1], "Formatted-Raw"), "\"\"");

  output = RunCommand(*command, {{}, {{"node", "0"}}});
  auto& plain = static_cast<const Kelvo::MetaObj::MetaList&>(*output->GetRootObject()).GetItems();
  EXPECT_EQ(FakeIpmi::RenderField(plain[1], "Raw"), "\"\"");
}

TEST_F(FruList, CallsTheLibraryInOrder) {
  state().nodes[1].frus = {Fru(1, 1, {Areas(true, false, false)})};
  RunCommand(*command, {{}, {{"node", "1"}}});
  EXPECT_EQ(CallTexts(),
            (std::vector<std::string>{"IpmiIfcOpenIpmiOpen(1)", "IpmiIfcInitForCLI(1)",
                                      "IpmiIfcSdrGetInfo(1)", "IpmiIfcFruInstantiateAll(1)", "getFrus(1)",
                                      "getFruPart()", "IpmiIfcOpenIpmiClose(1)", "IpmiIfcCloseForCLI(1)"}));
}

// Nodes 0, 1 and 2; node 1 fails.
TEST_F(FruList, FailureOfTheSecondNode) {
  const std::string first =
      "[" + Record({"1.0", "N0", "", "", "", "", "", "", "", "", "", "Rack Mount Chassis"}) + "]";
  ExpectFailures(
      *command,
      [] {
        state().nodes[0].frus = {Fru(1, 0, {Areas(true, false, false, "N0")})};
        state().nodes[1].frus = {Fru(2, 0, {Areas(true, false, false, "N1")})};
        state().nodes[2].frus = {Fru(3, 0, {Areas(true, false, false, "N2")})};
      },
      {}, "Unable to get IPMI Field Replaceable Unit (FRU) : ",
      {
          {"open", [] { state().nodes[1].openResult = -1; }, "Access device /dev/ipmi1 failed", first},
          {"sdr", [] { state().nodes[1].sdrInfoResult = -1; },
           "No SDR records or incompatible version or read failed :", first},
          {"instantiate", [] { state().nodes[1].fruInstantiateResult = -1; },
           "Retrieve FRU data from driver failed :", first},
          {"frus", [] { state().throws["getFrus(1)"] = [] { throw ostrelInt::CmpiStatus("no frus"); }; },
           "no frus", first},
      });
}

TEST_F(FruList, PartialRecordsOfTheFailingNodeStayWithIgnoreMissing) {
  Optional first = Areas(true, false, false, "first");
  Optional second = Areas(true, false, false, "second");
  state().nodes[0].frus = {Fru(4, 4, {first, second})};
  int parts = 0;
  state().throws["getFruPart()"] = [&parts] {
    if (++parts == 2) {
      throw std::runtime_error("FRU read failed");
    }
  };
  auto output = RunCommand(*command, {{"ignore-missing"}, {{"node", "0"}}});
  EXPECT_EQ(RenderRoot(*output),
            "[" + Record({"4.4", "first", "", "", "", "", "", "", "", "", "", "Rack Mount Chassis"}) + "]");
  EXPECT_EQ(CallTexts("IpmiIfcCloseForCLI"), (std::vector<std::string>{"IpmiIfcCloseForCLI(0)"}));

  state().nodes[12].openResult = -1;
  output = RunCommand(*command, {{}, {{"node", "12"}}});
  EXPECT_EQ(Errors(*output),
            (std::vector<std::string>{"Unable to get IPMI Field Replaceable Unit (FRU) : Access "
                                      "device /dev/ipmi12 failed"}));
}

TEST_F(FruList, ForeignExceptionsPassOutAfterCloseAndUnlock) {
  state().throws["getFrus(0)"] = [] { throw FakeIpmi::ForeignError{"x"}; };
  EXPECT_THROW(RunCommand(*command, {{"ignore-missing"}, {{"node", "0"}}}), FakeIpmi::ForeignError);
  EXPECT_EQ(CallTexts("IpmiIfcCloseForCLI"), (std::vector<std::string>{"IpmiIfcCloseForCLI(0)"}));
}

}  // namespace
