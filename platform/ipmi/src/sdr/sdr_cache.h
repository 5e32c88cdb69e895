#pragma once
// The on-disk SDR cache: the raw records of one BMC, kept while its
// repository is unchanged (same SDR version, record count, and last
// addition and erase timestamps).

#include "sdr/bmc_identity.h"
#include "sdr/sdr_repository.h"
#include "transport/unique_fd.h"

#include <optional>
#include <string>
#include <vector>

namespace marlek {

// /var/cache/marlek-ipmi when running as root; else
// $XDG_CACHE_HOME/marlek-ipmi, ~/.cache/marlek-ipmi or
// $XDG_RUNTIME_DIR/marlek-ipmi-cache, the first that can be named; empty
// when none can (never a name under /tmp that another user could take
// first).
std::string DefaultSdrCacheDirectory();

// Which BMC a cache file belongs to.
struct SdrCacheKey {
  std::string target;  // the transport's description: "/dev/ipmi0", "10.0.0.5:623"
  BmcIdentity identity;

  std::string Text() const;      // stored in the file and compared on load
  std::string FileName() const;  // "sdr-10.0.0.5_623-00157-0b2a-<guid>.cache"
};

// The cache directory and its files are ours alone: the directory is
// created 0700 and used only while it belongs to us and no one else can
// write to it; a file is read only when it is a regular file of ours, mode
// 0600, and not too large. Anything else at a file's name (a link, a FIFO,
// another user's file) is ignored and replaced. Every look is made on an
// open descriptor, not by name.
class SdrCache {
 public:
  // Opens directory, creating it when missing; see Usable().
  explicit SdrCache(std::string directory);

  // False when the directory cannot be used; Problem() then says why.
  bool Usable() const { return dir_.Valid(); }
  const std::string& Problem() const { return problem_; }

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
  UniqueFd dir_;
  std::string problem_;
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
