// Writing and reading the BMC's text system info parameters.

#include "bmc/system_info.h"
#include "fake_bmc.h"

#include <gtest/gtest.h>

namespace HostCtl::Bmc {
namespace {

using testing::FakeBmc;

TEST(SystemInfoBlocks, FirstBlockCarriesEncodingAndLength) {
  struct Case {
    std::size_t length;
    std::size_t blocks;
  } cases[] = {{0, 1}, {1, 1}, {14, 1}, {15, 2}, {30, 2}, {31, 3}, {254, 16}, {255, 17}};
  for (const Case& c : cases) {
    const std::string text(c.length, 'x');
    const std::vector<Bytes> blocks = TextBlocks(TextEncoding::kAsciiLatin1, text);
    ASSERT_EQ(blocks.size(), c.blocks) << c.length;
    EXPECT_EQ(blocks[0].size(), 17u);
    EXPECT_EQ(blocks[0][0], 0) << "set selector";
    EXPECT_EQ(blocks[0][2], c.length);
    for (std::size_t i = 1; i < blocks.size(); ++i) {
      EXPECT_EQ(blocks[i].size(), 17u);
      EXPECT_EQ(blocks[i][0], i);
    }
  }
  const std::vector<Bytes> short_ = TextBlocks(TextEncoding::kUtf8, "ab");
  EXPECT_EQ(short_[0], (Bytes{0x00, 0x01, 0x02, 'a', 'b', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_THROW(TextBlocks(TextEncoding::kAsciiLatin1, std::string(256, 'x')), std::length_error);
}

TEST(SystemInfoWrite, InsideSetInProgressAndReadBack) {
  const std::string texts[] = {"", "db", "Debian GNU/Linux 12 (bookworm)", "h\xc3\xb4te",
                               std::string(255, 'n')};
  for (const std::string& text : texts) {
    FakeBmc bmc;
    ASSERT_TRUE(WriteSystemInfoTexts(bmc, {{system_info::kOsName, text}, {system_info::kOsVersion, "12.4"}}));
    EXPECT_EQ(bmc.setInProgressLog, (std::vector<std::uint8_t>{0x01, 0x00}));
    EXPECT_EQ(bmc.requests.front().data, (Bytes{0x00, 0x01})) << "set in progress comes first";
    EXPECT_EQ(bmc.requests.back().data, (Bytes{0x00, 0x00})) << "set complete comes last";
    EXPECT_EQ(ReadSystemInfoText(bmc, system_info::kOsName), text);
    EXPECT_EQ(ReadSystemInfoText(bmc, system_info::kOsVersion), "12.4");
    EXPECT_EQ(bmc.systemInfo.at({system_info::kOsName, 0})[1], text == "h\xc3\xb4te" ? 1 : 0) << "encoding";
  }
}

TEST(SystemInfoWrite, RejectedStepsGiveFalse) {
  FakeBmc rejectsBlock;
  rejectsBlock.rejectParameter = system_info::kOsVersion;
  EXPECT_FALSE(
      WriteSystemInfoTexts(rejectsBlock, {{system_info::kOsName, "a"}, {system_info::kOsVersion, "b"}}));
  EXPECT_EQ(rejectsBlock.setInProgressLog, (std::vector<std::uint8_t>{0x01, 0x00})) << "always completed";

  FakeBmc busy;
  busy.setInProgressCode = 0x81;  // another set is in progress
  EXPECT_FALSE(WriteSystemInfoTexts(busy, {{system_info::kSystemName, "x"}}));
  EXPECT_EQ(busy.systemInfo.count({system_info::kSystemName, 0}), 0u) << "nothing written";

  FakeBmc withoutMarker;
  withoutMarker.setInProgressCode = 0x80;  // parameter not supported
  EXPECT_TRUE(WriteSystemInfoTexts(withoutMarker, {{system_info::kSystemName, "host"}}));
  EXPECT_EQ(ReadSystemInfoText(withoutMarker, system_info::kSystemName), "host");

  FakeBmc tooLong;
  EXPECT_FALSE(WriteSystemInfoTexts(tooLong, {{system_info::kSystemName, std::string(300, 'x')}}));
  EXPECT_TRUE(tooLong.requests.empty());
}

TEST(SystemInfoWrite, FailedConnectionStillCompletesTheSet) {
  FakeBmc bmc;
  int sends = 0;
  bmc.onSend = [&] {
    if (++sends == 2)
      throw std::runtime_error("connection lost");
  };
  EXPECT_THROW(WriteSystemInfoTexts(bmc, {{system_info::kSystemName, "host"}}), std::runtime_error);
  EXPECT_EQ(bmc.setInProgressLog, (std::vector<std::uint8_t>{0x01, 0x00}));
}

TEST(SystemInfoRead, EncodingsAndDamagedAnswers) {
  FakeBmc bmc;
  bmc.StoreText(system_info::kOsName, "Caf\xe9", 0);  // Latin-1
  EXPECT_EQ(ReadSystemInfoText(bmc, system_info::kOsName), "Caf\xc3\xa9");
  bmc.StoreText(system_info::kOsName, std::string("A\0\xe9\0", 4), 2);  // UCS-2
  EXPECT_EQ(ReadSystemInfoText(bmc, system_info::kOsName), "A\xc3\xa9");
  EXPECT_EQ(ReadSystemInfoText(bmc, system_info::kSystemName), std::nullopt) << "not set";

  FakeBmc cut;
  cut.StoreText(system_info::kSystemName, std::string(40, 'z'));
  cut.systemInfo.erase({system_info::kSystemName, 2});
  EXPECT_EQ(ReadSystemInfoText(cut, system_info::kSystemName), std::string(30, 'z')) << "keeps what was read";
  cut.systemInfo[{system_info::kSystemName, 0}] = {0x00, 0x00};
  EXPECT_EQ(ReadSystemInfoText(cut, system_info::kSystemName), std::nullopt) << "block 0 too short";
}

}  // namespace
}  // namespace HostCtl::Bmc
