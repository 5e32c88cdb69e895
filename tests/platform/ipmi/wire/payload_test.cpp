#include "wire/payload.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>

namespace marlek {
namespace {

TEST(PayloadTest, ReadsEachWidthAndOrder) {
  const std::vector<std::uint8_t> bytes = {0x01, 0x34, 0x12, 0x56, 0x34, 0x12, 0x78, 0x56,
                                           0x34, 0x12, 0x12, 0x34, 0x12, 0x34, 0x56, 0x78};
  PayloadReader in(bytes);
  EXPECT_EQ(in.U8(), 0x01);
  EXPECT_EQ(in.U16le(), 0x1234);
  EXPECT_EQ(in.U24le(), 0x123456u);
  EXPECT_EQ(in.U32le(), 0x12345678u);
  EXPECT_EQ(in.U16be(), 0x1234);
  EXPECT_EQ(in.U32be(), 0x12345678u);
  EXPECT_TRUE(in.AtEnd());
  EXPECT_NO_THROW(in.ExpectEnd());

  PayloadWriter out;
  out.U8(0x01).U16le(0x1234).U8(0x56).U16le(0x1234).U32le(0x12345678).U16be(0x1234).U32be(0x12345678);
  EXPECT_EQ(out.Get(), bytes);
}

TEST(PayloadTest, NeverReadsPastTheEnd) {
  const std::vector<std::uint8_t> three = {1, 2, 3};
  struct Case {
    const char* name;
    std::function<void(PayloadReader&)> read;
  };
  const Case cases[] = {
      {"U32le", [](PayloadReader& in) { in.U32le(); }},
      {"U32be", [](PayloadReader& in) { in.U32be(); }},
      {"U16 after U16", [](PayloadReader& in) { in.U16le(), in.U16be(); }},
      {"Bytes", [](PayloadReader& in) { in.Bytes(4); }},
      {"Skip", [](PayloadReader& in) { in.Skip(2), in.U16le(); }},
      {"huge Bytes", [](PayloadReader& in) { in.Bytes(SIZE_MAX); }},
  };
  for (const Case& c : cases) {
    PayloadReader in(three, "test record");
    try {
      c.read(in);
      ADD_FAILURE() << c.name << " read past the end";
    } catch (const TruncatedPayload& e) {
      EXPECT_EQ(std::string(e.what()).rfind("test record: needs ", 0), 0u) << e.what();
    }
  }
  PayloadReader in(three, "test record");
  in.U8();
  EXPECT_THROW(in.ExpectEnd(), TruncatedPayload);
  EXPECT_EQ(in.Rest(), (std::vector<std::uint8_t>{2, 3}));
  EXPECT_TRUE(in.AtEnd());
  EXPECT_TRUE(in.Rest().empty());
}

}  // namespace
}  // namespace marlek
