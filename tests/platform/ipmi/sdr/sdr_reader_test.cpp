#include "sdr/sdr_reader.h"

#include "fake_sdr_bmc.h"

#include <Ipmi/CmpiStatus.h>
#include <gtest/gtest.h>

namespace marlek {
namespace {

using testing::FakeSdrBmc;
using testing::FullRecord;
using testing::FullRecordSpec;

// Three records of different lengths, IDs 0x0010, 0x0011, 0x0020.
void AddThree(FakeSdrBmc& bmc) {
  for (auto [id, name] : {std::pair<std::uint16_t, const char*>{0x10, "CPU1 Temp"},
                          {0x11, "A rather long sensor name"},
                          {0x20, "X"}}) {
    FullRecordSpec s;
    s.recordId = id;
    s.number = static_cast<std::uint8_t>(id);
    s.id = std::string(name).substr(0, 16);
    bmc.AddRecord(FullRecord(s));
  }
}

std::vector<std::vector<std::uint8_t>> Bytes(const std::vector<SdrRecord>& records) {
  std::vector<std::vector<std::uint8_t>> out;
  for (const auto& r : records)
    out.push_back(r.bytes);
  return out;
}

std::size_t GetSdrCount(FakeSdrBmc& bmc) {
  return static_cast<std::size_t>(bmc.Count(0x0a, 0x23));
}

TEST(ReadSdrRecords, OneRequestPerRecordWhenResponsesAreLarge) {
  FakeSdrBmc bmc;
  AddThree(bmc);
  const auto records = ReadSdrRecords(*bmc.transport(), "node 0");
  EXPECT_EQ(Bytes(records), bmc.records);
  EXPECT_EQ(records[1].recordId, 0x11);
  EXPECT_EQ(records[1].recordType, 0x01);
  EXPECT_EQ(GetSdrCount(bmc), 3u);
  EXPECT_EQ(bmc.reservations, 1);
}

TEST(ReadSdrRecords, ChunksNeverExceedTheTransportLimit) {
  for (std::size_t max : {64u, 34u, 20u, 12u}) {
    FakeSdrBmc bmc;
    bmc.SetMaxResponseData(max);
    AddThree(bmc);
    const auto records = ReadSdrRecords(*bmc.transport(), "node 0");
    EXPECT_EQ(Bytes(records), bmc.records) << "max " << max;
    for (const Request& r : bmc.transport()->Sent()) {
      if (r.command == 0x23) {
        EXPECT_LE(r.data.at(5) + 2u, max);
      }
    }
    // Every record is read in as few pieces as the limit allows.
    std::size_t expected = 0;
    for (const auto& rec : bmc.records)
      expected += (rec.size() + (max - 2) - 1) / (max - 2);
    EXPECT_EQ(GetSdrCount(bmc), expected) << "max " << max;
  }
}

TEST(ReadSdrRecords, OversizedReadsShrinkTheChunk) {
  struct Case {
    const char* name;
    std::uint8_t code;
  };
  for (Case c : {Case{"0xCA", 0xca}, Case{"0xFF", 0xff}}) {
    FakeSdrBmc bmc;
    AddThree(bmc);
    // The controller answers at most 16 bytes per read.
    bmc.getSdrFault = [&](const Request& r) -> std::uint8_t { return r.data.at(5) > 16 ? c.code : 0; };
    const auto records = ReadSdrRecords(*bmc.transport(), "node 0");
    EXPECT_EQ(Bytes(records), bmc.records) << c.name;
    // The limit is found by halving, then searched between the largest count
    // answered and the smallest refused; after that reads stay within it.
    std::size_t tooLarge = 0;
    for (const Request& r : bmc.transport()->Sent())
      tooLarge += r.command == 0x23 && r.data.at(5) > 16;
    EXPECT_LE(tooLarge, 8u) << c.name;
    const auto& sent = bmc.transport()->Sent();
    EXPECT_LE(sent.back().data.at(5), 16) << c.name;
    EXPECT_GE(sent.back().data.at(5) + 0u,
              std::min<std::size_t>(16, bmc.records.back().size() - sent.back().data.at(4)))
        << c.name;
  }
}

TEST(ReadSdrRecords, ControllersThatRefuseReadingPastTheEndAreReadHeaderFirst) {
  FakeSdrBmc bmc;
  bmc.strictEnd = true;
  AddThree(bmc);
  for (int i = 0; i < 10; ++i) {
    FullRecordSpec s;
    s.recordId = static_cast<std::uint16_t>(0x30 + i);
    s.id = "Sensor " + std::to_string(i);
    bmc.AddRecord(FullRecord(s));
  }
  EXPECT_EQ(Bytes(ReadSdrRecords(*bmc.transport(), "node 0")), bmc.records);
  // Once learned, each record costs a header read and one body read.
  EXPECT_LE(GetSdrCount(bmc), 2 * bmc.records.size() + 10);
}

TEST(ReadSdrRecords, SilenceShrinksTheChunk) {
  FakeSdrBmc bmc;
  AddThree(bmc);
  bmc.getSdrFault = [](const Request& r) -> std::uint8_t {
    if (r.data.at(5) > 20)
      throw ostrelInt::CmpiStatus("no answer from scripted within 1000 ms");
    return 0;
  };
  EXPECT_EQ(Bytes(ReadSdrRecords(*bmc.transport(), "node 0")), bmc.records);
}

TEST(ReadSdrRecords, CancelledReservationRestartsTheRecordWithTheSameResult) {
  FakeSdrBmc bmc;
  bmc.SetMaxResponseData(12);  // every record needs several partial reads
  AddThree(bmc);
  int getSdr = 0;
  bmc.getSdrFault = [&](const Request&) -> std::uint8_t {
    if (++getSdr == 4 || getSdr == 9)
      bmc.CancelReservation();
    return 0;
  };
  const auto records = ReadSdrRecords(*bmc.transport(), "node 0");
  EXPECT_EQ(Bytes(records), bmc.records);
  EXPECT_EQ(bmc.reservations, 3);
}

TEST(ReadSdrRecords, BusyControllerIsAskedAgainBoundedly) {
  FakeSdrBmc bmc;
  AddThree(bmc);
  int busy = 2;
  bmc.getSdrFault = [&](const Request&) -> std::uint8_t { return busy-- > 0 ? 0xc0 : 0; };
  EXPECT_EQ(Bytes(ReadSdrRecords(*bmc.transport(), "node 0")), bmc.records);

  FakeSdrBmc always;
  AddThree(always);
  always.getSdrFault = [](const Request&) -> std::uint8_t { return 0xc0; };
  try {
    ReadSdrRecords(*always.transport(), "node 0");
    FAIL() << "expected an error";
  } catch (const ostrelInt::CmpiStatus& e) {
    EXPECT_NE(e.msg().find("0xc0"), std::string::npos) << e.msg();
  }
  EXPECT_EQ(GetSdrCount(always), 4u);  // the first attempt and three more
}

TEST(ReadSdrRecords, EndlessCancellationIsABoundedError) {
  FakeSdrBmc bmc;
  bmc.SetMaxResponseData(12);
  AddThree(bmc);
  bmc.getSdrFault = [&](const Request& r) -> std::uint8_t { return r.data.at(4) > 0 ? 0xc5 : 0; };
  try {
    ReadSdrRecords(*bmc.transport(), "node 3 (scripted)");
    FAIL() << "expected an error";
  } catch (const ostrelInt::CmpiStatus& e) {
    EXPECT_NE(e.msg().find("Get SDR (record 0x0000)"), std::string::npos) << e.msg();
    EXPECT_NE(e.msg().find("node 3 (scripted)"), std::string::npos) << e.msg();
    EXPECT_NE(e.msg().find("cancelled"), std::string::npos) << e.msg();
  }
  EXPECT_LE(bmc.reservations, 8);
}

TEST(ReadSdrRecords, ChainLoopsEndAtTheFirstRepeatedRecord) {
  FakeSdrBmc bmc;
  AddThree(bmc);
  bmc.nextOverride[2] = 0x0011;  // the last record points back to the second
  const auto records = ReadSdrRecords(*bmc.transport(), "node 0");
  EXPECT_EQ(Bytes(records), bmc.records);
  EXPECT_EQ(GetSdrCount(bmc), 3u);

  FakeSdrBmc self;
  AddThree(self);
  self.nextOverride[0] = 0x0010;  // the first names itself as next
  EXPECT_EQ(ReadSdrRecords(*self.transport(), "node 0").size(), 1u);
}

TEST(ReadSdrRecords, FailuresNameTheCommandNodeAndCode) {
  struct Case {
    const char* name;
    std::function<std::uint8_t(const Request&)> fault;
    const char* expected;
  };
  const Case cases[] = {
      {"invalid data", [](const Request&) -> std::uint8_t { return 0xcc; }, "completion code 0xcc"},
      {"record missing", [](const Request& r) -> std::uint8_t { return r.data.at(2) == 0x11 ? 0xcb : 0; },
       "Get SDR (record 0x0011) failed"},
  };
  for (const Case& c : cases) {
    FakeSdrBmc bmc;
    AddThree(bmc);
    bmc.getSdrFault = c.fault;
    try {
      ReadSdrRecords(*bmc.transport(), "node 1 (scripted)");
      ADD_FAILURE() << c.name << ": expected an error";
    } catch (const ostrelInt::CmpiStatus& e) {
      EXPECT_NE(e.msg().find(c.expected), std::string::npos) << c.name << ": " << e.msg();
      EXPECT_NE(e.msg().find("node 1"), std::string::npos) << e.msg();
    }
  }
}

TEST(ReadSdrRecords, ShortAnswersAreClearErrors) {
  FakeSdrBmc bmc;
  auto transport = std::make_shared<testing::ScriptedTransport>([](const Request& r) {
    if (r.command == 0x22)
      return testing::Ok({0x01, 0x00});
    return testing::Ok({0xff, 0xff, 0x01, 0x00});  // next ID and two bytes: no header
  });
  EXPECT_THROW(ReadSdrRecords(*transport, "node 0"), ostrelInt::CmpiStatus);
  auto noReservation =
      std::make_shared<testing::ScriptedTransport>([](const Request&) { return testing::Ok({0x01}); });
  EXPECT_THROW(ReadSdrRecords(*noReservation, "node 0"), ostrelInt::CmpiStatus);
}

TEST(ReadSdrRecords, RecordsLongerThanOneByteOffsetsAreAClearError) {
  FakeSdrBmc bmc;
  bmc.SetMaxResponseData(34);
  std::vector<std::uint8_t> huge(5 + 255, 0x41);
  huge[0] = 0x01;
  huge[1] = 0x00;
  huge[3] = 0xc0;
  huge[4] = 255;
  bmc.AddRecord(huge);
  try {
    ReadSdrRecords(*bmc.transport(), "node 0");
    FAIL() << "expected an error";
  } catch (const ostrelInt::CmpiStatus& e) {
    EXPECT_NE(e.msg().find("260 bytes"), std::string::npos) << e.msg();
  }
  for (const Request& r : bmc.transport()->Sent()) {
    if (r.command == 0x23) {
      EXPECT_LE(r.data.at(4) + r.data.at(5), 260);
    }
  }
}

TEST(ReadSdrRecords, EmptyRepositoryHasNoRecords) {
  FakeSdrBmc bmc;
  EXPECT_TRUE(ReadSdrRecords(*bmc.transport(), "node 0").empty());
  EXPECT_EQ(GetSdrCount(bmc), 1u);
}

}  // namespace
}  // namespace marlek
