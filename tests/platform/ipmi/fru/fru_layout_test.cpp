// FRU images as bytes: header, areas, fields and their encodings.

#include "fru/fru_layout.h"
#include "fru/fru_part.h"
#include "fru_image_builder.h"

#include <gtest/gtest.h>

namespace marlek::fru {
namespace {

using testing::AreaBuilder;
using testing::BuildImage;

// 2014-03-05T17:02:00Z in minutes since 1996-01-01.
const Bytes kMfgDate{0xbe, 0xde, 0x91};

Bytes Chassis() {
  return AreaBuilder({0x17}).Text("CH-PART").Text("CH-SERIAL").Text("rack 4").Text("row B").Build();
}
Bytes Board() {
  return AreaBuilder({0x19, 0xbe, 0xde, 0x91})
      .Text("Marlek")
      .Text("Board X")
      .Text("BSN001")
      .Text("BPN-7")
      .Text("")
      .Build();
}
Bytes Product() {
  return AreaBuilder({0x19})
      .Text("Marlek")
      .Text("Server 9")
      .Text("PPN-1")
      .Text("v2")
      .Text("PSN-5")
      .Text("asset-1")
      .Text("")
      .Build();
}

TEST(FruFieldEncoding, EveryTypeLengthEncoding) {
  struct Case {
    FieldEncoding encoding;
    Bytes bytes;
    std::string text;
  } cases[] = {
      {FieldEncoding::kBinary, {0x01, 0xab, 0x00}, "01ab00"},
      {FieldEncoding::kBcdPlus, {0x12, 0x3a, 0xbc, 0xde, 0xf0}, "123 -.:,_0"},
      // "IPMI" packed: I=0x29 P=0x30 M=0x2d I=0x29
      {FieldEncoding::kSixBitAscii, {0x29, 0xdc, 0xa6}, "IPMI"},
      {FieldEncoding::kSixBitAscii, {0x29, 0xdc, 0xa6, 0x21}, "IPMIA"},
      {FieldEncoding::kEightBit, {'C', 'a', 'f', 0xe9}, "Caf\xc3\xa9"},
      {FieldEncoding::kEightBit, {'A', 'B', 0x00, 'C'}, "AB"},
      {FieldEncoding::kEightBit, {}, ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(DecodeFieldText(c.encoding, c.bytes), c.text) << int(c.encoding);
}

TEST(FruLayout, WholeImageDecodes) {
  const Bytes image = BuildImage(Chassis(), Board(), Product());
  const ImageAreas areas = LocateAreas(image);
  EXPECT_TRUE(areas.problems.empty());
  ASSERT_TRUE(areas.chassis && areas.board && areas.product);
  EXPECT_TRUE(areas.board->checksumOk);
  EXPECT_EQ(areas.chassis->bytes, Chassis());

  std::vector<std::string> problems;
  const ChassisInfo chassis = DecodeChassisArea(areas.chassis->bytes, problems);
  EXPECT_EQ(chassis.chassisType, 0x17);
  EXPECT_EQ(chassis.partNumber, "CH-PART");
  EXPECT_EQ(chassis.serialNumber, "CH-SERIAL");
  EXPECT_EQ(chassis.custom, (std::vector<std::string>{"rack 4", "row B"}));

  const BoardInfo board = DecodeBoardArea(areas.board->bytes, problems);
  EXPECT_EQ(board.mfgMinutes, 0x91debeu);
  EXPECT_EQ(FruMfgTimeText(board.mfgMinutes), "2014-03-05T17:02:00");
  EXPECT_EQ(board.manufacturer, "Marlek");
  EXPECT_EQ(board.productName, "Board X");
  EXPECT_EQ(board.serialNumber, "BSN001");
  EXPECT_EQ(board.partNumber, "BPN-7");

  const ProductInfo product = DecodeProductArea(areas.product->bytes, problems);
  EXPECT_EQ(product.name, "Server 9");
  EXPECT_EQ(product.partNumber, "PPN-1");
  EXPECT_EQ(product.version, "v2");
  EXPECT_EQ(product.serialNumber, "PSN-5");
  EXPECT_EQ(product.assetTag, "asset-1");
  EXPECT_TRUE(problems.empty());
}

TEST(FruLayout, FieldsInEveryEncodingInsideAnArea) {
  const Bytes board = AreaBuilder({0x00, 0x00, 0x00, 0x00})
                          .Field(2, {0x29, 0xdc, 0xa6})  // 6-bit: IPMI
                          .Field(1, {0x20, 0x14, 0xa0})  // BCD plus
                          .Field(0, {0xde, 0xad})        // binary
                          .Field(3, {'P', 'N', 0xb5})    // Latin-1
                          .Build();
  std::vector<std::string> problems;
  const BoardInfo info = DecodeBoardArea(board, problems);
  EXPECT_EQ(info.manufacturer, "IPMI");
  EXPECT_EQ(info.productName, "2014 0");
  EXPECT_EQ(info.serialNumber, "dead");
  EXPECT_EQ(info.partNumber, "PN\xc2\xb5");
  EXPECT_EQ(FruMfgTimeText(info.mfgMinutes), "") << "0 means unspecified";
  EXPECT_TRUE(problems.empty());
}

TEST(FruLayout, BadChecksumStillShowsFields) {
  Bytes board = Board();
  board[5] ^= 0x01;  // one bit of the manufacturer's name
  const ImageAreas areas = LocateAreas(BuildImage(Chassis(), board, Product()));
  ASSERT_TRUE(areas.board);
  EXPECT_FALSE(areas.board->checksumOk);
  ASSERT_EQ(areas.problems.size(), 1u);
  EXPECT_NE(areas.problems[0].find("board area checksum"), std::string::npos);
  std::vector<std::string> problems;
  EXPECT_EQ(DecodeBoardArea(areas.board->bytes, problems).productName, "Board X");
  EXPECT_TRUE(areas.chassis && areas.product) << "the other areas are untouched";
}

TEST(FruLayout, AreaLongerThanTheImageIsLeftOut) {
  Bytes image = BuildImage(Chassis(), Board(), Product());
  const std::size_t productOffset = image[4] * 8;
  image[productOffset + 1] = 0x20;  // 256 bytes, far past the end
  const ImageAreas areas = LocateAreas(image);
  EXPECT_FALSE(areas.product);
  EXPECT_TRUE(areas.chassis && areas.board);
  ASSERT_EQ(areas.problems.size(), 1u);
  EXPECT_NE(areas.problems[0].find("runs past the end"), std::string::npos);

  // A cut image: the board area is whole, the product area is not.
  Bytes cut(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(productOffset + 4));
  const ImageAreas cutAreas = LocateAreas(cut);
  EXPECT_TRUE(cutAreas.board);
  EXPECT_FALSE(cutAreas.product);
}

TEST(FruLayout, BrokenHeaders) {
  const Bytes good = BuildImage({}, Board(), {});
  struct Case {
    Bytes image;
    const char* problem;
  } cases[] = {
      {Bytes(good.begin(), good.begin() + 5), "shorter than the common header"},
      {[&] {
         Bytes b = good;
         b[0] = 0x02;
         return b;
       }(),
       "unknown FRU header version 2"},
      {[&] {
         Bytes b = good;
         b[7] ^= 0x10;
         return b;
       }(),
       "common header checksum"},
      {[&] {
         Bytes b = good;
         b[3] = 0x40;  // board at 512, past the end
         b[7] = 0;
         b[7] = testing::ZeroChecksumOf(Bytes(b.begin(), b.begin() + 8));
         return b;
       }(),
       "starts past the end"},
  };
  for (const Case& c : cases) {
    const ImageAreas areas = LocateAreas(c.image);
    EXPECT_FALSE(areas.board);
    ASSERT_EQ(areas.problems.size(), 1u) << c.problem;
    EXPECT_NE(areas.problems[0].find(c.problem), std::string::npos) << areas.problems[0];
  }
}

TEST(FruLayout, EmptyAndMinimalAreas) {
  // No areas at all, an area with only its end marker, a multirecord area.
  const ImageAreas none = LocateAreas(BuildImage({}, {}, {}));
  EXPECT_FALSE(none.chassis || none.board || none.product);
  EXPECT_TRUE(none.problems.empty());

  const Bytes bare = AreaBuilder({0x19}).Build();
  const Bytes multiRecord{0x00, 0x82, 0x02, 0xaa, 0xd2, 0x01, 0x02};
  const ImageAreas areas = LocateAreas(BuildImage({}, {}, bare, multiRecord));
  ASSERT_TRUE(areas.product);
  EXPECT_TRUE(areas.problems.empty()) << "the multirecord area is not decoded";
  std::vector<std::string> problems;
  const ProductInfo product = DecodeProductArea(areas.product->bytes, problems);
  EXPECT_EQ(product.manufacturer, "");
  EXPECT_EQ(product.assetTag, "");
  EXPECT_TRUE(problems.empty());
}

TEST(FruLayout, FieldPastTheAreaStopsDecodingButKeepsEarlierFields) {
  const Bytes board = AreaBuilder({0x19, 0, 0, 0}).Text("Maker").Raw({0xdf, 'x'}).Build(false);
  std::vector<std::string> problems;
  const BoardInfo info = DecodeBoardArea(board, problems);
  EXPECT_EQ(info.manufacturer, "Maker");
  EXPECT_EQ(info.productName, "");
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].find("runs past the end of the area"), std::string::npos);

  const Bytes noEnd = AreaBuilder({0x19}).Text("MM").Build(false);  // one 8-bit char would be 0xC1, the end
  problems.clear();
  DecodeProductArea(noEnd, problems);
  EXPECT_FALSE(problems.empty());

  problems.clear();
  DecodeBoardArea(Bytes{0x01, 0x01}, problems);
  EXPECT_FALSE(problems.empty()) << "too short for the date";
  DecodeChassisArea(Bytes{}, problems);
  DecodeProductArea(Bytes{0x01}, problems);
  EXPECT_EQ(problems.size(), 3u);
}

TEST(FruPart, SixteenTextsFromTheAreas) {
  const ImageAreas areas = LocateAreas(BuildImage(Chassis(), Board(), Product()));
  Ipmi::IpmiFruOptional optional;
  optional.hasChassis = optional.hasBoard = optional.hasProduct = true;
  auto data = [](const std::optional<AreaSlice>& s) {
    return Ipmi::FruAreaData::FromBytes(std::vector<char>(s->bytes.begin(), s->bytes.end()));
  };
  optional.chassisArea = data(areas.chassis);
  optional.boardArea = data(areas.board);
  optional.productArea = data(areas.product);
  optional.deviceName = "Builtin FRU Device";
  const Ipmi::IpmiIfc::Part part = MakeFruPart(optional);
  const std::vector<std::string> texts{part.type,
                                       part.chassisName,
                                       part.chassisPartNumber,
                                       part.chassisSerialNumber,
                                       part.chassisCustom,
                                       part.boardProductName,
                                       part.boardManufacturer,
                                       part.boardMfgTimeStamp,
                                       part.boardSerialNumber,
                                       part.boardPartNumber,
                                       part.productName,
                                       part.productManufacturer,
                                       part.productPartNumber,
                                       part.productVersion,
                                       part.productSerialNumber,
                                       part.productAssetTag};
  const std::vector<std::string> expected{"Builtin FRU Device",
                                          "Rack Mount Chassis",
                                          "CH-PART",
                                          "CH-SERIAL",
                                          "rack 4; row B",
                                          "Board X",
                                          "Marlek",
                                          "2014-03-05T17:02:00",
                                          "BSN001",
                                          "BPN-7",
                                          "Server 9",
                                          "Marlek",
                                          "PPN-1",
                                          "v2",
                                          "PSN-5",
                                          "asset-1"};
  EXPECT_EQ(texts, expected);

  optional.hasChassis = false;
  EXPECT_EQ(MakeFruPart(optional).chassisName, "") << "absent areas give no text";
  EXPECT_EQ(ChassisTypeName(0x30), "Unknown (0x30)");
  EXPECT_EQ(ChassisTypeName(0x11), "Main Server Chassis");
}

}  // namespace
}  // namespace marlek::fru
