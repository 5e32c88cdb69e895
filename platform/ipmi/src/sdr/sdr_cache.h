#pragma once
// The on-disk SDR cache: the raw records of one BMC, kept while its
// repository is unchanged (same SDR version, record count, and last
// addition and erase timestamps).

#include "sdr/bmc_identity.h"
#include "sdr/sdr_repository.h"

#include <optional>
#include <string>
#include <vector>

namespace marlek {

// How a node's SDR cache is configured (global keys cache-dir and
// sdr-cache of the library configuration).
struct SdrCacheSettings {
  bool enabled = true;
  std::string directory;  // empty: DefaultSdrCacheDirectory()
};

// $XDG_CACHE_HOME/marlek-ipmi (else ~/.cache/marlek-ipmi), or
// /var/cache/marlek-ipmi when running as root.
std::string DefaultSdrCacheDirectory();

// Which BMC a cache file belongs to.
struct SdrCacheKey {
  std::string target;  // the transport's description: "/dev/ipmi0", "10.0.0.5:623"
  BmcIdentity identity;

  std::string Text() const;      // stored in the file and compared on load
  std::string FileName() const;  // "sdr-10.0.0.5_623-00157-0b2a-<guid>.cache"
};

class SdrCache {
 public:
  explicit SdrCache(std::string directory);

  // The records stored for key, when the file is intact, belongs to key,
  // and was written for a repository in the state info describes.
  std::optional<std::vector<SdrRecord>> Load(const SdrCacheKey& key,
                                             const Ipmi::SdrRepositoryInfo& info) const;

  // Replaces the file atomically; false (and no partial file) on failure.
  bool Store(const SdrCacheKey& key, const Ipmi::SdrRepositoryInfo& info,
             const std::vector<SdrRecord>& records) const;

  std::string PathFor(const SdrCacheKey& key) const;

 private:
  std::string directory_;
};

// Same SDR version, record count, and last addition and erase timestamps.
bool SameSdrRepositoryState(const Ipmi::SdrRepositoryInfo& a, const Ipmi::SdrRepositoryInfo& b);

// The file format, apart from the file system.
std::vector<std::uint8_t> EncodeSdrCache(const SdrCacheKey& key, const Ipmi::SdrRepositoryInfo& info,
                                         const std::vector<SdrRecord>& records);
std::optional<std::vector<SdrRecord>> DecodeSdrCache(const std::vector<std::uint8_t>& file,
                                                     const SdrCacheKey& key,
                                                     const Ipmi::SdrRepositoryInfo& info);

}  // namespace marlek
