// Reading the SDR repository from a scripted controller (partial reads,
// reservations, busy and looping repositories), and the on-disk cache.

#include "sdr/sdr_reader.h"
#include "sdr/sdr_cache.h"
#include "sdr/sdr_repository.h"
#include "support/scripted_transport.h"
#include "support/temp_dir.h"

#include <Ipmi/CmpiStatus.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <set>

namespace marlek {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::Fail;
using testing::Fault;
using testing::Ok;
using testing::ScriptedTransport;

// A repository behind Get SDR Repository Info, Reserve SDR Repository and
// Get SDR, with the identity commands the cache keys on.
struct FakeSdr : testing::FakeRecords {
  FakeSdr() {
    for (std::uint16_t id : {0x10, 0x11, 0x20})
      Add(id, 40 + id);
  }
  void Add(std::uint16_t id, std::size_t body) {
    Bytes r{static_cast<std::uint8_t>(id), static_cast<std::uint8_t>(id >> 8), 0x51, 0x01,
            static_cast<std::uint8_t>(body)};
    for (std::size_t i = 0; i < body; ++i)
      r.push_back(static_cast<std::uint8_t>(id + i));
    records.push_back(r);
  }

  Response operator()(const Request& r) {
    if (r.netFn == netfn::kApp)
      return r.command == 0x01 ? Ok({0x20, 0x01, 0x02, 0x03, 0x02, 0xbf, 0x57, 0x01, 0x00, 0x34, 0x12})
                               : Ok(Bytes(16, 0xab));
    if (r.command == 0x20) {
      const auto n = static_cast<std::uint8_t>(records.size());
      return Ok({version, n, 0, 0, 0x10, 0, 0, 0, addition, 0, 0, 0, 0x5e, 0x6f});
    }
    return r.command == 0x22 ? Ok({++reservation, 0x00}) : Read(r);
  }

  std::uint8_t version = 0x51, addition = 0x5f;
};

// Larger reads get this answer, or none.
Fault Above(std::size_t limit, std::optional<Response> answer) {
  return [=](const Request& r) -> std::optional<Response> {
    if (r.data.at(5) > limit && !answer)
      throw ostrelInt::CmpiStatus("no answer from scripted within 1000 ms");
    return r.data.at(5) > limit ? answer : std::nullopt;
  };
}

// Answers the given Get SDR requests (counted from 1) so.
Fault OnRequests(std::set<int> which, Response answer) {
  auto n = std::make_shared<int>(0);
  return [=](const Request&) { return which.count(++*n) ? std::optional(answer) : std::nullopt; };
}

TEST(SdrReaderTest, EveryRecordOnceInChunksThatFitOrABoundedFailure) {
  const Fault cancelAfterHeader = [](const Request& r) {
    return r.data[4] ? std::optional(Fail(0xc5)) : std::nullopt;
  };
  const struct {
    std::size_t max;
    Fault fault;
    std::pair<std::size_t, std::uint16_t> next;  // a record's next ID, for looping chains
    std::size_t records, getSdr;
    int reservations;
    const char* failure;  // null: all records read
  } cases[] = {
      {255, nullptr, {9, 0}, 3, 3, 1, nullptr},
      {12, nullptr, {9, 0}, 3, 7 + 7 + 8, 1, nullptr},         // 10 record bytes a read
      {255, Above(16, Fail(0xca)), {9, 0}, 3, 0, 1, nullptr},  // the limit is searched for, then kept
      {255, Above(16, Fail(0xff)), {9, 0}, 3, 0, 1, nullptr},
      {12, OnRequests({4, 9}, Fail(0xc5)), {9, 0}, 3, 0, 3, nullptr},   // restarts the record
      {255, OnRequests({1, 2}, Fail(0xc0)), {9, 0}, 3, 5, 1, nullptr},  // busy, asked again
      {255, nullptr, {2, 0x0011}, 3, 3, 1, nullptr},
      {255, nullptr, {0, 0x0010}, 1, 1, 1, nullptr},
      {255, nullptr, {9, 0}, 0, 1, 1, nullptr},  // empty
      {255, OnRequests({1, 2, 3, 4, 5}, Fail(0xc0)), {9, 0}, 0, 4, 1, "0xc0"},
      {12, cancelAfterHeader, {9, 0}, 0, 14, 8, "cancelled"},
      {255, OnRequests({1}, Fail(0xcc)), {9, 0}, 0, 1, 1, "completion code 0xcc"},
      {255, OnRequests({2}, Fail(0xcb)), {9, 0}, 0, 2, 1, "Get SDR (record 0x0011) failed"},
      {255, OnRequests({1}, Ok({0xff, 0xff, 0x01, 0x00})), {9, 0}, 0, 1, 1, "record 0x0000"},
      {255, Above(16, std::nullopt), {9, 0}, 0, 1, 1, "no answer"},  // silence is no reason to read less
  };
  for (const auto& c : cases) {
    FakeSdr sdr;
    sdr.maxCount = c.max - 2;
    sdr.fault = c.fault;
    sdr.nextOverride[c.next.first] = c.next.second;
    if (!c.records && !c.failure)
      sdr.records.clear();
    ScriptedTransport transport(std::ref(sdr), c.max);
    try {
      std::vector<Bytes> records;
      for (const SdrRecord& r : ReadSdrRecords(transport, "node 1 (scripted)"))
        records.push_back(r.bytes);
      EXPECT_EQ(records, std::vector<Bytes>(sdr.records.begin(), sdr.records.begin() + c.records)) << c.max;
      EXPECT_FALSE(c.failure) << c.failure;
    } catch (const ostrelInt::CmpiStatus& e) {
      EXPECT_NE(e.msg().find(c.failure ? c.failure : "no failure"), std::string::npos) << e.msg();
      EXPECT_NE(e.msg().find("scripted"), std::string::npos) << e.msg();
    }
    std::vector<int> counts;
    for (const Request& r : transport.Sent())
      if (r.command == 0x23)
        counts.push_back(r.data.at(5));
    for (int count : counts)
      EXPECT_LE(count + 2u, c.max);
    EXPECT_LE(std::count_if(counts.begin(), counts.end(), [](int n) { return n > 16; }), 8);
    EXPECT_EQ(c.getSdr ? counts.size() : 0, c.getSdr) << c.max;
    EXPECT_EQ(transport.Count(0x22), c.reservations);
  }
}

struct Cached {
  FakeSdr sdr;
  testing::TempDir dir;
  ScriptedTransport transport{std::ref(sdr)};

  // Loads as a freshly opened node; counts the requests it took.
  std::vector<Bytes> Load(bool* fromCache, std::uint64_t* requests = nullptr) {
    NodeContext node;
    node.transport = std::shared_ptr<Transport>(&transport, [](Transport*) {});
    node.settings.cacheDir = dir.Path();
    const std::uint64_t before = transport.RequestCount();
    std::vector<Bytes> out;
    for (const SdrRecord& r : LoadSdrRecords(node))
      out.push_back(r.bytes);
    *fromCache = node.State<SdrRepositoryState>().fromCache;
    if (requests)
      *requests = transport.RequestCount() - before;
    return out;
  }
  std::string File() const {
    SdrCacheKey key{"scripted", BmcIdentity{0x157, 0x1234, std::array<std::uint8_t, 16>{}}};
    key.identity.guid->fill(0xab);
    return SdrCache(dir.Path()).PathFor(key);
  }
};

TEST(SdrCacheTest, ChangedRepositoryOrDamagedFileIsReadAgainAndRewritten) {
  const auto file = [](const std::function<void(Bytes&)>& damage) {
    return [damage](Cached& c) {
      std::ifstream in(c.File(), std::ios::binary);
      Bytes bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
      damage(bytes);
      std::ofstream(c.File(), std::ios::binary | std::ios::trunc)
          .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    };
  };
  const std::function<void(Cached&)> changes[] = {
      [](Cached& c) { c.sdr.Add(0x40, 10); },
      [](Cached& c) { ++c.sdr.addition; },
      [](Cached& c) { c.sdr.version = 0x02; },
      file([](Bytes& b) { b[b.size() / 2] ^= 0x01; }),
      file([](Bytes& b) { b.clear(); }),
      file([](Bytes& b) {
        b = EncodeSdrCache({"scripted", BmcIdentity{0x157, 0x3401, std::nullopt}}, Ipmi::SdrRepositoryInfo{},
                           {});
      }),
  };
  for (const auto& change : changes) {
    Cached c;
    bool fromCache = true;
    std::uint64_t requests = 0;
    c.Load(&fromCache);
    EXPECT_FALSE(fromCache);
    EXPECT_EQ(c.Load(&fromCache, &requests), c.sdr.records);
    EXPECT_TRUE(fromCache);
    EXPECT_EQ(requests, 3u);
    change(c);
    EXPECT_EQ(c.Load(&fromCache), c.sdr.records);
    EXPECT_FALSE(fromCache);
    c.Load(&fromCache);
    EXPECT_TRUE(fromCache) << "rewritten";
  }
}

}  // namespace
}  // namespace marlek
