// Reading and clearing the SEL against a scripted controller: partial
// reads, reservations, looping chains and the erasure poll.

#include "sel/sel_reader.h"
#include "support/scripted_transport.h"
#include "wire/completion_code.h"

#include <Ipmi/CmpiStatus.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace marlek::sel {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::Fail;
using testing::Ok;
using testing::ScriptedTransport;

// A SEL whose entry i has ID 0x10 + 3i and that ID in its data bytes.
struct FakeSel : testing::FakeRecords {
  explicit FakeSel(int entries) {
    maxCount = 16;
    for (int i = 0; i < entries; ++i)
      Log(static_cast<std::uint16_t>(0x10 + i * 3));
  }
  void Log(std::uint16_t id) {
    records.push_back(Bytes(16, static_cast<std::uint8_t>(id)));
    records.back()[1] = static_cast<std::uint8_t>(id >> 8);
    records.back()[2] = 0x02;
  }
  // Cancels the reservation at every n-th read.
  void CancelEvery(int n) {
    fault = [this, n, reads = 0](const Request&) mutable -> std::optional<Response> {
      if (++reads % n != 0)
        return std::nullopt;
      ++reservation;
      return Fail(0xc5);
    };
  }

  Response operator()(const Request& r) {
    if (r.command == cmd::kGetSelInfo)
      return Ok({0x51, static_cast<std::uint8_t>(records.size()), 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, support});
    if (r.command == cmd::kReserveSel)
      return Ok({++reservation, 0x00});
    if (r.command == cmd::kClearSel && r.data == Bytes{reservation, 0, 'C', 'L', 'R', 0xaa})
      records.clear();
    if (r.command == cmd::kClearSel)
      return r.data.at(0) == reservation ? Ok({static_cast<std::uint8_t>(erasePolls-- > 0 ? 0 : 1)})
                                         : Fail(0xc5);
    return Read(r);
  }

  std::uint8_t support = 0x0a;  // reserve and delete supported
  int erasePolls = 0;
};

TEST(SelReaderTest, EveryEntryOnceInChainOrder) {
  const struct {
    int entries, reads;
    std::uint8_t support, maxChunk;
    std::size_t transportRoom, loopFrom, loopTo, expected;
    int cancelEvery, reservations;
  } cases[] = {
      {5, 5, 0x0a, 16, 255, 99, 0, 5, 0, 1},  // whole entries
      {0, 0, 0x0a, 16, 255, 99, 0, 0, 0, 0},  // empty: nothing to ask for
      {3, 3, 0x00, 16, 255, 99, 0, 3, 0, 0},  // reservation unsupported
      {4, 10, 0x0a, 8, 255, 99, 0, 4, 0, 1},  // 0xCA: 16, then 8 from then on
      {4, 19, 0x0a, 4, 255, 99, 0, 4, 0, 1},  // 16, 8, 4
      {4, 8, 0x0a, 16, 12, 99, 0, 4, 0, 1},   // the transport carries 10 bytes
      {4, 4, 0x0a, 16, 255, 3, 1, 4, 0, 1},   // the last points back
      {2, 1, 0x0a, 16, 255, 0, 0, 1, 0, 1},   // the first names itself
      {6, 0, 0x0a, 8, 255, 99, 0, 6, 3, 0},   // cancelled reservations are renewed
  };
  for (const auto& c : cases) {
    FakeSel sel(c.entries);
    sel.support = c.support;
    sel.maxCount = c.maxChunk;
    if (c.loopFrom < 99)
      sel.nextOverride[c.loopFrom] = sel.Id(c.loopTo);
    if (c.cancelEvery)
      sel.CancelEvery(c.cancelEvery);
    ScriptedTransport transport(std::ref(sel), c.transportRoom);
    std::vector<Bytes> entries;
    for (const RawEntry& e : ReadSelEntries(transport))
      entries.emplace_back(e.begin(), e.end());
    EXPECT_EQ(entries, std::vector<Bytes>(sel.records.begin(), sel.records.begin() + c.expected));
    EXPECT_EQ(transport.Count(cmd::kReserveSel) > 2, c.cancelEvery > 0);
    EXPECT_EQ(c.cancelEvery ? 0 : transport.Count(cmd::kReserveSel), c.reservations);
    EXPECT_EQ(c.cancelEvery ? 0 : transport.Count(cmd::kGetSelEntry), c.reads) << c.maxChunk;
  }
}

TEST(SelReaderTest, ALogChangedMeanwhileIsReadAgainOrRefused) {
  const struct {
    int changes;
    bool deletes;  // else an event is logged
    std::size_t expected;
  } cases[] = {{1, false, 5}, {1, true, 3}, {100, false, 0}};
  for (const auto& c : cases) {
    FakeSel sel(4);
    int left = c.changes;
    sel.fault = [&](const Request& r) -> std::optional<Response> {
      if (r.data.at(2) != 0x16 || left-- <= 0)
        return std::nullopt;  // others change the log as the third entry is asked for
      if (c.deletes)
        sel.records.erase(sel.records.begin() + 2);
      else
        sel.Log(static_cast<std::uint16_t>(sel.Id(sel.records.size() - 1) + 3));
      return std::nullopt;
    };
    ScriptedTransport transport(std::ref(sel));
    try {
      EXPECT_EQ(ReadSelEntries(transport).size(), c.expected);
    } catch (const ostrelInt::CmpiStatus& e) {
      EXPECT_EQ(c.expected, 0u);
      EXPECT_NE(std::string(e.what()).find("changed while it was read, 4 times"), std::string::npos)
          << e.what();
    }
  }
}

TEST(SelReaderTest, FailuresNameCommandAndCode) {
  FakeSel endless(2);
  endless.CancelEvery(1);
  const auto refuseEntries = [](const Request& r) {
    return r.command == cmd::kGetSelInfo ? Ok({0x51, 2, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}) : Fail(0xd5);
  };
  const auto shortInfo = [](const Request&) { return Ok({0x51, 0x02}); };
  const std::pair<std::function<Response(const Request&)>, const char*> cases[] = {
      {std::ref(endless), "reservation was cancelled"},
      {refuseEntries, "Get SEL Entry 0x0000"},
      {shortInfo, "Get SEL Info"},
  };
  for (const auto& [handler, expected] : cases) {
    ScriptedTransport transport(handler);
    EXPECT_THAT([&] { ReadSelEntries(transport); },
                ::testing::ThrowsMessage<ostrelInt::CmpiStatus>(
                    ::testing::AllOf(::testing::HasSubstr(expected), ::testing::HasSubstr("scripted"))));
  }
  EXPECT_EQ(endless.reservation, 18) << "renewed a bounded number of times";
}

// The readers' failure texts name a code outside the table by its range.
TEST(FailureTextTest, CodesOutsideTheTableAreNamedByTheirRange) {
  const std::pair<std::uint8_t, const char*> cases[] = {
      {0x01, "0x01 (Device specific (OEM)"}, {0x7e, "0x7e (Device specific (OEM)"}, {0x7f, "0x7f (Reserved"},
      {0x80, "0x80 (Command specific"},      {0xbe, "0xbe (Command specific"},      {0xbf, "0xbf (Reserved"}};
  for (const auto& [code, text] : cases)
    EXPECT_NE(FailureText("Get SEL Entry", "node 0", code).find(text), std::string::npos) << text;
}

TEST(SelClearTest, PollsUntilErasedOrTimeout) {
  for (int polls : {3, 1000}) {
    FakeSel sel(4);
    sel.erasePolls = polls;
    ScriptedTransport transport(std::ref(sel));
    int sleeps = 0;
    ClearOptions options{std::chrono::milliseconds(500), std::chrono::milliseconds(100),
                         [&](std::chrono::milliseconds) { ++sleeps; }};
    try {
      ClearSel(transport, options);
      EXPECT_TRUE(sel.records.empty());
    } catch (const ostrelInt::CmpiStatus&) {
      EXPECT_EQ(polls, 1000);
    }
    EXPECT_EQ(sleeps, std::min(polls, 5));
    EXPECT_EQ(transport.Count(cmd::kClearSel), std::min(polls, 5) + 1);
  }
}

}  // namespace
}  // namespace marlek::sel
