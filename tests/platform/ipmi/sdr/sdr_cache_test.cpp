#include "sdr/sdr_cache.h"
#include "sdr/sdr_repository.h"

#include "fake_sdr_bmc.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace marlek {
namespace {

using testing::FakeSdrBmc;
using testing::FullRecord;
using testing::FullRecordSpec;

class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/marlek-sdr-cache-XXXXXX";
    path_ = ::mkdtemp(pattern);
  }
  ~TempDir() { std::system(("rm -rf '" + path_ + "'").c_str()); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

std::vector<std::uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

struct Fixture {
  FakeSdrBmc bmc;
  TempDir dir;

  Fixture() {
    for (std::uint8_t i = 1; i <= 4; ++i) {
      FullRecordSpec s;
      s.recordId = i;
      s.number = i;
      s.id = "Temp " + std::to_string(i);
      bmc.AddRecord(FullRecord(s));
    }
  }

  // A node opened afresh, as each listing does.
  std::vector<SdrRecord> Load(std::uint64_t* requests = nullptr, bool* fromCache = nullptr) {
    NodeContext node;
    node.index = 0;
    node.transport = bmc.transport();
    node.State<SdrCacheSettings>().directory = dir.path();
    const std::uint64_t before = bmc.transport()->RequestCount();
    std::vector<SdrRecord> records = LoadSdrRecords(node);
    if (requests)
      *requests = bmc.transport()->RequestCount() - before;
    if (fromCache)
      *fromCache = node.State<SdrRepositoryState>().fromCache;
    return records;
  }

  std::string CacheFile() {
    SdrCacheKey key{"scripted", BmcIdentity{0x157, 0x1234, std::array<std::uint8_t, 16>{}}};
    key.identity.guid->fill(0xab);
    return SdrCache(dir.path()).PathFor(key);
  }
};

TEST(SdrCache, WarmLoadUsesThreeRequestsAndGivesTheSameRecords) {
  Fixture f;
  std::uint64_t cold = 0, warm = 0;
  bool fromCache = true;
  const auto first = f.Load(&cold, &fromCache);
  EXPECT_FALSE(fromCache);
  // Info, identity (2), reservation, one Get SDR per record.
  EXPECT_EQ(cold, 3u + 1u + 4u);
  const auto second = f.Load(&warm, &fromCache);
  EXPECT_TRUE(fromCache);
  EXPECT_EQ(warm, 3u);
  ASSERT_EQ(first.size(), second.size());
  for (std::size_t i = 0; i < first.size(); ++i) {
    EXPECT_EQ(first[i].bytes, second[i].bytes);
    EXPECT_EQ(first[i].recordId, second[i].recordId);
  }
  struct stat st {};
  ASSERT_EQ(::stat(f.CacheFile().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(SdrCache, RepositoryChangesInvalidateTheCache) {
  struct Case {
    const char* name;
    std::function<void(FakeSdrBmc&)> change;
  };
  const Case cases[] = {
      {"record added",
       [](FakeSdrBmc& b) {
         b.AddRecord(FullRecord(FullRecordSpec{9, 0x20, 0, 9}));
       }},
      {"addition time", [](FakeSdrBmc& b) { b.lastAddition += 1; }},
      {"erase time", [](FakeSdrBmc& b) { b.lastErase += 1; }},
      {"SDR version", [](FakeSdrBmc& b) { b.sdrVersion = 0x02; }},
  };
  for (const Case& c : cases) {
    Fixture f;
    f.Load();
    c.change(f.bmc);
    bool fromCache = true;
    const auto records = f.Load(nullptr, &fromCache);
    EXPECT_FALSE(fromCache) << c.name;
    EXPECT_EQ(records.size(), f.bmc.records.size()) << c.name;
    // The file was rewritten for the new state.
    f.Load(nullptr, &fromCache);
    EXPECT_TRUE(fromCache) << c.name;
  }
}

TEST(SdrCache, CorruptOrForeignFilesAreIgnoredAndRewritten) {
  struct Case {
    const char* name;
    std::function<std::vector<std::uint8_t>(std::vector<std::uint8_t>)> damage;
  };
  const Case cases[] = {
      {"flipped byte", [](auto b) { return b[b.size() / 2] ^= 0x01, b; }},
      {"truncated", [](auto b) { return b.resize(b.size() - 7), b; }},
      {"empty", [](auto) { return std::vector<std::uint8_t>{}; }},
      {"garbage", [](auto b) { return std::vector<std::uint8_t>(b.size(), 0x5a); }},
      {"another BMC's file",
       [](auto) {
         SdrCacheKey other{"scripted", BmcIdentity{0x157, 0x3401, std::nullopt}};
         Ipmi::SdrRepositoryInfo info{};
         return EncodeSdrCache(other, info, {});
       }},
  };
  for (const Case& c : cases) {
    Fixture f;
    const auto expected = f.Load();
    const std::string path = f.CacheFile();
    WriteAll(path, c.damage(ReadAll(path)));
    bool fromCache = true;
    const auto records = f.Load(nullptr, &fromCache);
    EXPECT_FALSE(fromCache) << c.name;
    ASSERT_EQ(records.size(), expected.size()) << c.name;
    for (std::size_t i = 0; i < records.size(); ++i)
      EXPECT_EQ(records[i].bytes, expected[i].bytes) << c.name;
    f.Load(nullptr, &fromCache);
    EXPECT_TRUE(fromCache) << c.name << ": the file should have been rewritten";
  }
}

TEST(SdrCache, KeysSeparateBmcsAndDisabledCacheWritesNothing) {
  SdrCacheKey a{"10.0.0.5:623", BmcIdentity{0x157, 0x3400, std::nullopt}};
  SdrCacheKey b = a;
  b.identity.productId = 0x3401;
  SdrCacheKey c = a;
  c.target = "10.0.0.6:623";
  SdrCacheKey d = a;
  d.identity.guid = std::array<std::uint8_t, 16>{};
  EXPECT_NE(a.FileName(), b.FileName());
  EXPECT_NE(a.FileName(), c.FileName());
  EXPECT_NE(a.FileName(), d.FileName());
  EXPECT_EQ(a.FileName().find('/'), std::string::npos);
  EXPECT_EQ(a.FileName().find(':'), std::string::npos);

  Fixture f;
  NodeContext node;
  node.transport = f.bmc.transport();
  node.State<SdrCacheSettings>() = SdrCacheSettings{false, f.dir.path()};
  EXPECT_EQ(LoadSdrRecords(node).size(), 4u);
  EXPECT_NE(::access(f.CacheFile().c_str(), F_OK), 0);
}

TEST(SdrCache, UnwritableDirectoryOnlyCostsSpeed) {
  Fixture f;
  NodeContext node;
  node.transport = f.bmc.transport();
  node.State<SdrCacheSettings>().directory = "/proc/marlek-no-such-dir";
  EXPECT_EQ(LoadSdrRecords(node).size(), 4u);
}

TEST(SdrCache, DefaultDirectoryFollowsXdgForUsers) {
  if (::geteuid() == 0) {
    EXPECT_EQ(DefaultSdrCacheDirectory(), "/var/cache/marlek-ipmi");
    return;
  }
  ::setenv("XDG_CACHE_HOME", "/x/cache", 1);
  EXPECT_EQ(DefaultSdrCacheDirectory(), "/x/cache/marlek-ipmi");
}

}  // namespace
}  // namespace marlek
