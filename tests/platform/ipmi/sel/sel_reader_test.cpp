// Reading and clearing the SEL against a scripted controller.

#include "sel/sel_reader.h"
#include "sel/sel_properties.h"
#include "support/scripted_transport.h"

#include <Ipmi/CmpiStatus.h>

#include <gtest/gtest.h>

#include <map>

namespace marlek::sel {
namespace {

using testing::Fail;
using testing::Ok;
using testing::ScriptedTransport;

// A controller's SEL as the storage commands see it.
class FakeSel {
 public:
  explicit FakeSel(int entries) {
    for (int i = 0; i < entries; ++i)
      Add(static_cast<std::uint16_t>(0x10 + i * 3));
  }

  void Add(std::uint16_t id) {
    RawEntry raw{};
    raw[0] = id & 0xff;
    raw[1] = id >> 8;
    raw[2] = 0x02;
    raw[3] = static_cast<std::uint8_t>(id);  // time stamp
    raw[6] = 0x40;
    raw[7] = 0x20;
    raw[9] = 0x04;
    raw[10] = 0x10;  // event logging disabled
    raw[11] = static_cast<std::uint8_t>(id);
    raw[12] = 0x6f;
    raw[13] = 0x02;
    order_.push_back(id);
    entries_[id] = raw;
  }

  Response operator()(const Request& request) {
    if (request.netFn == netfn::kApp && request.command == cmd::kGetBmcGlobalEnables)
      return globalEnables;
    EXPECT_EQ(request.netFn, netfn::kStorage);
    switch (request.command) {
      case cmd::kGetSelInfo:
        return Ok({0x51, static_cast<std::uint8_t>(order_.size()), 0x00, 0x00, 0x02, 0x78, 0x56, 0x34, 0x12,
                   0xff, 0xff, 0xff, 0xff, supportByte});
      case cmd::kReserveSel:
        ++reservation_;
        return Ok({static_cast<std::uint8_t>(reservation_), 0x00});
      case cmd::kGetSelEntry:
        return GetEntry(request.data);
      case cmd::kClearSel:
        return Clear(request.data);
      case cmd::kGetSelTime:
        return Ok({0x00, 0x00, 0x00, 0x53});
    }
    return Fail(0xc1);
  }

  std::uint8_t supportByte = 0x0a;  // reserve and delete supported
  Response globalEnables = Ok({0x0f});
  std::size_t maxChunk = 16;   // larger partial reads answer 0xCA
  int cancelEveryNthRead = 0;  // 0xC5 on every nth Get SEL Entry
  std::map<std::uint16_t, std::uint16_t> nextOverride;
  int erasePollsUntilDone = 0;
  bool eraseNeverCompletes = false;
  std::vector<std::uint16_t> order_;

 private:
  Response GetEntry(const std::vector<std::uint8_t>& data) {
    ++reads_;
    const std::uint16_t reservation = data[0] | (data[1] << 8);
    std::uint16_t id = data[2] | (data[3] << 8);
    const std::uint8_t offset = data[4];
    std::uint8_t count = data[5];
    if (cancelEveryNthRead != 0 && reads_ % cancelEveryNthRead == 0) {
      ++reservation_;
      return Fail(0xc5);
    }
    if ((offset != 0 || count != 0xff) && reservation != reservation_)
      return Fail(0xc5);
    if (count == 0xff)
      count = 16;
    if (count > maxChunk)
      return Fail(0xca);
    if (id == 0x0000 && !order_.empty())
      id = order_.front();
    auto it = entries_.find(id);
    if (it == entries_.end())
      return Fail(0xcb);
    std::uint16_t next = 0xffff;
    for (std::size_t i = 0; i + 1 < order_.size(); ++i)
      if (order_[i] == id)
        next = order_[i + 1];
    if (nextOverride.count(id))
      next = nextOverride[id];
    std::vector<std::uint8_t> out{static_cast<std::uint8_t>(next), static_cast<std::uint8_t>(next >> 8)};
    for (std::size_t i = offset; i < 16u && i < std::size_t(offset) + count; ++i)
      out.push_back(it->second[i]);
    return Ok(out);
  }

  Response Clear(const std::vector<std::uint8_t>& data) {
    const std::uint16_t reservation = data[0] | (data[1] << 8);
    if (reservation != reservation_ || data[2] != 'C' || data[3] != 'L' || data[4] != 'R')
      return Fail(0xc5);
    if (data[5] == 0xaa) {
      order_.clear();
      entries_.clear();
      pollsLeft_ = erasePollsUntilDone;
      return Ok({static_cast<std::uint8_t>(pollsLeft_ == 0 && !eraseNeverCompletes ? 0x01 : 0x00)});
    }
    if (pollsLeft_ > 0)
      --pollsLeft_;
    return Ok({static_cast<std::uint8_t>(pollsLeft_ == 0 && !eraseNeverCompletes ? 0x01 : 0x00)});
  }

  std::map<std::uint16_t, RawEntry> entries_;
  int reservation_ = 0;
  int reads_ = 0;
  int pollsLeft_ = 0;
};

std::vector<std::uint16_t> Ids(const std::vector<RawEntry>& entries) {
  std::vector<std::uint16_t> ids;
  for (const RawEntry& e : entries)
    ids.push_back(DecodeSelEntry(e).recordId);
  return ids;
}

int CountCommand(const ScriptedTransport& transport, std::uint8_t command) {
  int n = 0;
  for (const Request& r : transport.Sent())
    n += r.command == command;
  return n;
}

TEST(SelReader, ReadsEveryEntryInChainOrder) {
  FakeSel sel(5);
  ScriptedTransport transport(std::ref(sel));
  EXPECT_EQ(Ids(ReadSelEntries(transport)), sel.order_);
  EXPECT_EQ(CountCommand(transport, cmd::kReserveSel), 1);
  EXPECT_EQ(CountCommand(transport, cmd::kGetSelEntry), 5) << "whole-record reads when the transport allows";
}

TEST(SelReader, EmptySelAsksForNoEntry) {
  FakeSel sel(0);
  ScriptedTransport transport(std::ref(sel));
  EXPECT_TRUE(ReadSelEntries(transport).empty());
  EXPECT_EQ(CountCommand(transport, cmd::kGetSelEntry), 0);
}

TEST(SelReader, NoReservationWhenUnsupported) {
  FakeSel sel(3);
  sel.supportByte = 0x00;
  ScriptedTransport transport(std::ref(sel));
  EXPECT_EQ(Ids(ReadSelEntries(transport)).size(), 3u);
  EXPECT_EQ(CountCommand(transport, cmd::kReserveSel), 0);
}

TEST(SelReader, PartialReadsWhenControllerOrTransportIsSmall) {
  struct Case {
    std::size_t maxChunk;
    std::size_t transportRoom;
    int readsPerEntry;
  } cases[] = {
      {8, 255, 2},  // 0xCA on whole reads: shrink to 16, then 8
      {4, 255, 4},
      {16, 12, 2},  // the transport carries 10 record bytes at a time
  };
  for (const Case& c : cases) {
    FakeSel sel(4);
    sel.maxChunk = c.maxChunk;
    ScriptedTransport transport(std::ref(sel), c.transportRoom);
    const auto entries = ReadSelEntries(transport);
    ASSERT_EQ(Ids(entries), sel.order_) << "chunk " << c.maxChunk;
    EXPECT_EQ(DecodeSelEntry(entries[2]).system.sensorNumber, static_cast<std::uint8_t>(sel.order_[2]));
    int accepted = 0;
    for (const Request& r : transport.Sent())
      accepted += r.command == cmd::kGetSelEntry && r.data[5] != 0xff && r.data[5] <= c.maxChunk;
    EXPECT_EQ(accepted, 4 * c.readsPerEntry) << "chunk " << c.maxChunk;
  }
}

TEST(SelReader, CancelledReservationIsRenewedAndTheReadResumes) {
  FakeSel sel(6);
  sel.maxChunk = 8;
  sel.cancelEveryNthRead = 3;
  ScriptedTransport transport(std::ref(sel));
  EXPECT_EQ(Ids(ReadSelEntries(transport)), sel.order_);
  EXPECT_GT(CountCommand(transport, cmd::kReserveSel), 2);
}

TEST(SelReader, EndlessCancellationGivesUp) {
  FakeSel sel(2);
  sel.cancelEveryNthRead = 1;
  ScriptedTransport transport(std::ref(sel));
  try {
    ReadSelEntries(transport);
    FAIL() << "expected a failure";
  } catch (const ostrelInt::CmpiStatus& e) {
    EXPECT_NE(std::string(e.what()).find("reservation was cancelled"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("scripted"), std::string::npos) << e.what();
  }
}

TEST(SelReader, LoopingChainEndsAfterEachRecordOnce) {
  FakeSel sel(4);
  sel.nextOverride[sel.order_[3]] = sel.order_[1];  // last points back
  ScriptedTransport transport(std::ref(sel));
  EXPECT_EQ(Ids(ReadSelEntries(transport)), sel.order_);

  FakeSel self(2);
  self.nextOverride[self.order_[0]] = self.order_[0];
  ScriptedTransport selfTransport(std::ref(self));
  EXPECT_EQ(Ids(ReadSelEntries(selfTransport)).size(), 1u);
}

TEST(SelReader, ErrorsNameCommandAndCode) {
  ScriptedTransport transport([](const Request& r) {
    if (r.command == cmd::kGetSelInfo)
      return Ok({0x51, 0x02, 0x00, 0x00, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0x00});
    return Fail(0xd5);
  });
  try {
    ReadSelEntries(transport);
    FAIL() << "expected a failure";
  } catch (const ostrelInt::CmpiStatus& e) {
    EXPECT_NE(std::string(e.what()).find("Get SEL Entry 0x0000"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("0xd5"), std::string::npos) << e.what();
  }
  ScriptedTransport shortInfo([](const Request&) { return Ok({0x51, 0x02}); });
  EXPECT_THROW(ReadSelEntries(shortInfo), ostrelInt::CmpiStatus);
}

TEST(SelProperties, FromSelInfoAndGlobalEnables) {
  FakeSel sel(3);
  sel.supportByte = 0x8a;
  ScriptedTransport transport(std::ref(sel));
  auto props = ReadSelProperties(transport);
  ASSERT_TRUE(props);
  EXPECT_TRUE(props->isEnabled());
  EXPECT_EQ(props->version(), 0x51);
  EXPECT_EQ(props->getCurrentNumberOfRecords(), 3);
  EXPECT_EQ(props->getMaxNumberOfRecords(), 3 + 0x200 / 16);
  EXPECT_TRUE(props->getOverFlowFlag());
  EXPECT_EQ(props->getAddTimeStampUnix(), 0x12345678);
  EXPECT_EQ(props->getEraseTimeStampUnix(), 0) << "0xFFFFFFFF means never";

  sel.globalEnables = Ok({0x07});
  EXPECT_FALSE(ReadSelProperties(transport)->isEnabled());
  sel.globalEnables = Fail(0xc1);
  EXPECT_TRUE(ReadSelProperties(transport)->isEnabled());

  ScriptedTransport refusing([](const Request&) { return Fail(0xc1); });
  EXPECT_FALSE(ReadSelProperties(refusing));
}

TEST(SelProperties, RawHeaderKeepsCompletionCodeFirst) {
  FakeSel sel(2);
  ScriptedTransport transport(std::ref(sel));
  const Ipmi::SelInfoRecord record = ReadRawSelHeader(transport);
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(&record);
  const std::vector<std::uint8_t> expected{0x00, 0x51, 0x02, 0x00, 0x00, 0x02, 0x78, 0x56,
                                           0x34, 0x12, 0xff, 0xff, 0xff, 0xff, 0x0a};
  EXPECT_EQ(std::vector<std::uint8_t>(bytes, bytes + 15), expected);

  ScriptedTransport refusing([](const Request&) { return Fail(0xd4); });
  const Ipmi::SelInfoRecord refused = ReadRawSelHeader(refusing);
  EXPECT_EQ(refused.completionCode, 0xd4);
  EXPECT_EQ(refused.entries, 0);
}

TEST(SelData, RecordsCarryCaptionsAndThresholdConversion) {
  FakeSel sel(2);
  ScriptedTransport transport(std::ref(sel));
  int conversions = 0;
  auto records = ReadSelData(transport, [&](const SystemEvent&) {
    ++conversions;
    return ThresholdTexts{};
  });
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1]->recordId(), sel.order_[1]);
  EXPECT_EQ(records[0]->caption(), "Assert + Event Logging Disabled Log area reset/cleared");
  EXPECT_EQ(conversions, 0) << "only threshold events with reading data are converted";
  EXPECT_EQ(ReadSelTime(transport), 0x53000000u);
}

TEST(SelClear, WaitsForErasureToComplete) {
  FakeSel sel(4);
  sel.erasePollsUntilDone = 3;
  ScriptedTransport transport(std::ref(sel));
  int sleeps = 0;
  ClearOptions options;
  options.sleep = [&](std::chrono::milliseconds) { ++sleeps; };
  ClearSel(transport, options);
  EXPECT_EQ(sleeps, 3);
  EXPECT_EQ(CountCommand(transport, cmd::kClearSel), 4);
  EXPECT_TRUE(ReadSelEntries(transport).empty());
  const Request& initiate = transport.Sent()[1];
  EXPECT_EQ(initiate.data, (std::vector<std::uint8_t>{0x01, 0x00, 'C', 'L', 'R', 0xaa}));
}

TEST(SelClear, GivesUpAfterTimeout) {
  FakeSel sel(1);
  sel.eraseNeverCompletes = true;
  ScriptedTransport transport(std::ref(sel));
  int sleeps = 0;
  ClearOptions options;
  options.timeout = std::chrono::milliseconds(500);
  options.pollInterval = std::chrono::milliseconds(100);
  options.sleep = [&](std::chrono::milliseconds) { ++sleeps; };
  EXPECT_THROW(ClearSel(transport, options), ostrelInt::CmpiStatus);
  EXPECT_EQ(sleeps, 5);
}

TEST(SelClear, RefusedClearIsAnError) {
  ScriptedTransport transport([](const Request& r) {
    if (r.command == cmd::kReserveSel)
      return Ok({0x07, 0x00});
    return Fail(0xd4);
  });
  EXPECT_THROW(ClearSel(transport), ostrelInt::CmpiStatus);
}

}  // namespace
}  // namespace marlek::sel
