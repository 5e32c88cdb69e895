// Reading and clearing the SEL against a scripted controller: partial
// reads, reservations, looping chains and the erasure poll.

#include "sel/sel_reader.h"
#include "support/scripted_transport.h"

#include <Ipmi/CmpiStatus.h>

#include <gtest/gtest.h>

namespace marlek::sel {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::Fail;
using testing::Ok;
using testing::ScriptedTransport;

// A SEL whose entry i has ID 0x10 + 3i and that ID in its data bytes.
struct FakeSel {
  Response operator()(const Request& r) {
    if (r.command == cmd::kGetSelInfo)
      return Ok({0x51, static_cast<std::uint8_t>(order.size()), 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, support});
    if (r.command == cmd::kReserveSel)
      return Ok({++reservation, 0x00});
    if (r.command == cmd::kClearSel && r.data == Bytes{reservation, 0, 'C', 'L', 'R', 0xaa})
      order.clear();
    if (r.command == cmd::kClearSel)
      return r.data.at(0) == reservation ? Ok({static_cast<std::uint8_t>(erasePolls-- > 0 ? 0 : 1)})
                                         : Fail(0xc5);
    if (cancelEvery && ++reads % cancelEvery == 0) {
      ++reservation;
      return Fail(0xc5);
    }
    const std::uint8_t offset = r.data.at(4), count = r.data.at(5) == 0xff ? 16 : r.data.at(5);
    if ((offset != 0 || count != 16) && r.data[0] != reservation)
      return Fail(0xc5);
    const std::uint16_t id = r.data[2] | r.data[3] << 8;
    auto it = std::find(order.begin(), order.end(), id == 0 && !order.empty() ? order[0] : id);
    if (count > maxChunk || it == order.end())
      return Fail(it == order.end() ? 0xcb : 0xca);
    std::uint16_t next = it + 1 == order.end() ? 0xffff : it[1];
    if (std::size_t(it - order.begin()) == loopFrom)
      next = order.at(loopTo);
    Bytes out{static_cast<std::uint8_t>(next), static_cast<std::uint8_t>(next >> 8)};
    for (int i = offset; i < 16 && i < offset + count; ++i)
      out.push_back(static_cast<std::uint8_t>(i == 1 ? *it >> 8 : i == 2 ? 0x02 : *it));
    if (meanwhile)
      meanwhile(*this, id);
    return Ok(out);
  }

  std::vector<std::uint16_t> order;
  std::uint8_t support = 0x0a;                  // reserve and delete supported
  std::uint8_t reservation = 0, maxChunk = 16;  // larger reads answer 0xCA
  int cancelEvery = 0, reads = 0, erasePolls = 0;
  std::size_t loopFrom = 99, loopTo = 0;                   // entry loopFrom names entry loopTo as next
  std::function<void(FakeSel&, std::uint16_t)> meanwhile;  // after each entry read: others change the log
};

FakeSel Sel(int entries) {
  FakeSel sel;
  for (int i = 0; i < entries; ++i)
    sel.order.push_back(static_cast<std::uint16_t>(0x10 + i * 3));
  return sel;
}

int Count(const ScriptedTransport& transport, std::uint8_t command) {
  return static_cast<int>(std::count_if(transport.Sent().begin(), transport.Sent().end(),
                                        [&](const Request& r) { return r.command == command; }));
}

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
    FakeSel sel = Sel(c.entries);
    sel.support = c.support;
    sel.maxChunk = c.maxChunk;
    sel.loopFrom = c.loopFrom;
    sel.loopTo = c.loopTo;
    sel.cancelEvery = c.cancelEvery;
    ScriptedTransport transport(std::ref(sel), c.transportRoom);
    std::vector<std::uint16_t> ids;
    for (const RawEntry& e : ReadSelEntries(transport)) {
      EXPECT_EQ(e[15], e[0]) << "every byte read";
      ids.push_back(static_cast<std::uint16_t>(e[0] | e[1] << 8));
    }
    EXPECT_EQ(ids, std::vector<std::uint16_t>(sel.order.begin(), sel.order.begin() + c.expected));
    EXPECT_EQ(Count(transport, cmd::kReserveSel) > 2, c.cancelEvery > 0);
    EXPECT_EQ(c.cancelEvery ? 0 : Count(transport, cmd::kReserveSel), c.reservations);
    EXPECT_EQ(c.cancelEvery ? 0 : Count(transport, cmd::kGetSelEntry), c.reads) << c.maxChunk;
  }
}

TEST(SelReaderTest, ALogChangedMeanwhileIsReadAgainOrRefused) {
  const struct {
    int changes;
    bool deletes;  // else an event is logged
    std::size_t expected;
  } cases[] = {{1, false, 5}, {1, true, 3}, {100, false, 0}};
  for (const auto& c : cases) {
    FakeSel sel = Sel(4);
    int left = c.changes;
    sel.meanwhile = [&](FakeSel& s, std::uint16_t id) {
      if (id != s.order.at(1) || left-- <= 0)
        return;
      if (c.deletes)
        s.order.erase(s.order.begin() + 2);  // the next one read is gone
      else
        s.order.push_back(static_cast<std::uint16_t>(s.order.back() + 3));
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
  FakeSel endless = Sel(2);
  endless.cancelEvery = 1;
  const auto refuseEntries = [](const Request& r) {
    return r.command == cmd::kGetSelInfo ? Ok({0x51, 2, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}) : Fail(0xd5);
  };
  const std::pair<std::function<Response(const Request&)>, const char*> cases[] = {
      {std::ref(endless), "reservation was cancelled"},
      {refuseEntries, "Get SEL Entry 0x0000"},
      {refuseEntries, "0xd5"},
      {[](const Request&) {
         return Ok({0x51, 0x02});
       },
       "Get SEL Info"},
  };
  for (const auto& [handler, expected] : cases) {
    ScriptedTransport transport(handler);
    try {
      ReadSelEntries(transport);
      ADD_FAILURE() << "no failure; expected " << expected;
    } catch (const ostrelInt::CmpiStatus& e) {
      EXPECT_NE(std::string(e.what()).find(expected), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find("scripted"), std::string::npos) << e.what();
    }
  }
  EXPECT_EQ(endless.reservation, 18) << "renewed a bounded number of times";
}

TEST(SelClearTest, PollsUntilErasedOrTimeout) {
  for (int polls : {3, 1000}) {
    FakeSel sel = Sel(4);
    sel.erasePolls = polls;
    ScriptedTransport transport(std::ref(sel));
    int sleeps = 0;
    ClearOptions options{std::chrono::milliseconds(500), std::chrono::milliseconds(100),
                         [&](std::chrono::milliseconds) { ++sleeps; }};
    try {
      ClearSel(transport, options);
      EXPECT_TRUE(sel.order.empty());
    } catch (const ostrelInt::CmpiStatus&) {
      EXPECT_EQ(polls, 1000);
    }
    EXPECT_EQ(sleeps, std::min(polls, 5));
    EXPECT_EQ(Count(transport, cmd::kClearSel), std::min(polls, 5) + 1);
  }
  ScriptedTransport refusing([](const Request& r) {
    return r.command == cmd::kReserveSel ? Ok({7, 0}) : Fail(0xd4);
  });
  EXPECT_THROW(ClearSel(refusing), ostrelInt::CmpiStatus);
}

}  // namespace
}  // namespace marlek::sel
