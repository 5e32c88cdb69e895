#include "sdr/sdr_cache.h"

#include "node/checked_file.h"
#include "sdr/sdr_commands.h"
#include "wire/hex_text.h"
#include "wire/payload.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <random>

namespace marlek {
namespace {

// File layout, little-endian: magic, key text, the repository state it
// was read in, the records (length-prefixed, header included), and an
// FNV-1a checksum of everything before it.
constexpr char kMagic[8] = {'M', 'R', 'K', 'S', 'D', 'R', 'C', '1'};
constexpr std::size_t kMaxFileSize = 16u << 20;

std::uint32_t Fnv1a(const std::uint8_t* data, std::size_t size) {
  std::uint32_t h = 2166136261u;
  for (std::size_t i = 0; i < size; ++i)
    h = (h ^ data[i]) * 16777619u;
  return h;
}

std::string SafeFileComponent(const std::string& s) {
  std::string out;
  for (char c : s) {
    const bool keep =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-';
    out.push_back(keep ? c : '_');
  }
  return out;
}

bool MakeDirectories(const std::string& path) {
  std::size_t pos = 0;
  while (pos != std::string::npos) {
    pos = path.find('/', pos + 1);
    const std::string partial = path.substr(0, pos);
    if (!partial.empty() && ::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST)
      return false;
  }
  return true;
}

bool WriteAll(int fd, const std::vector<std::uint8_t>& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// The file at name when it is a regular file of ours, mode 0600, of at
// most kMaxFileSize bytes.
std::optional<std::vector<std::uint8_t>> ReadOwnFile(int dir, const std::string& name) {
  UniqueFd fd(::openat(dir, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  struct stat st {};
  if (!fd.Valid() || ::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid() ||
      (st.st_mode & 07777) != 0600 || static_cast<std::size_t>(st.st_size) > kMaxFileSize)
    return std::nullopt;
  const std::optional<std::string> text = ReadAllBounded(fd.Get(), kMaxFileSize);
  if (!text)
    return std::nullopt;
  return std::vector<std::uint8_t>(text->begin(), text->end());
}

// A new file of ours, 0600, under a name no one can have guessed.
UniqueFd CreateTemporary(int dir, const std::string& base, std::string& name) {
  std::random_device entropy;
  for (int attempt = 0; attempt < 16; ++attempt) {
    name = base + "." + HexDigits(entropy(), 8);
    UniqueFd fd(::openat(dir, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (fd.Valid() || errno != EEXIST)
      return fd;
  }
  return UniqueFd();
}

}  // namespace

bool SameSdrRepositoryState(const Ipmi::SdrRepositoryInfo& a, const Ipmi::SdrRepositoryInfo& b) {
  return a.sdrVersion == b.sdrVersion && a.recordCount == b.recordCount &&
         a.mostRecentAddition == b.mostRecentAddition && a.mostRecentErase == b.mostRecentErase;
}

std::string DefaultSdrCacheDirectory() {
  if (::geteuid() == 0)
    return "/var/cache/marlek-ipmi";
  const char* xdg = std::getenv("XDG_CACHE_HOME");
  if (xdg && xdg[0] == '/')
    return std::string(xdg) + "/marlek-ipmi";
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/')
    return std::string(home) + "/.cache/marlek-ipmi";
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && runtime[0] == '/')
    return std::string(runtime) + "/marlek-ipmi-cache";
  return "";
}

std::string SdrCacheKey::Text() const {
  std::string text =
      target + "|" + HexDigits(identity.manufacturerId, 5) + "|" + HexDigits(identity.productId, 4);
  if (identity.guid) {
    text += "|";
    for (std::uint8_t b : *identity.guid)
      text += HexDigits(b, 2);
  }
  return text;
}

std::string SdrCacheKey::FileName() const {
  std::string name = "sdr-" + SafeFileComponent(target) + "-" + HexDigits(identity.manufacturerId, 5) + "-" +
                     HexDigits(identity.productId, 4);
  if (identity.guid) {
    name += "-";
    for (std::uint8_t b : *identity.guid)
      name += HexDigits(b, 2);
  }
  return name + ".cache";
}

std::vector<std::uint8_t> EncodeSdrCache(const SdrCacheKey& key, const Ipmi::SdrRepositoryInfo& info,
                                         const std::vector<SdrRecord>& records) {
  PayloadWriter w;
  for (char c : kMagic)
    w.U8(static_cast<std::uint8_t>(c));
  const std::string text = key.Text();
  w.U16le(static_cast<std::uint16_t>(text.size()));
  w.Bytes(std::vector<std::uint8_t>(text.begin(), text.end()));
  w.U8(info.sdrVersion).U16le(info.recordCount).U32le(info.mostRecentAddition).U32le(info.mostRecentErase);
  w.U32le(static_cast<std::uint32_t>(records.size()));
  for (const SdrRecord& r : records)
    w.U16le(static_cast<std::uint16_t>(r.bytes.size())).Bytes(r.bytes);
  const std::vector<std::uint8_t>& body = w.Get();
  w.U32le(Fnv1a(body.data(), body.size()));
  return w.Take();
}

std::optional<std::vector<SdrRecord>> DecodeSdrCache(const std::vector<std::uint8_t>& file,
                                                     const SdrCacheKey& key,
                                                     const Ipmi::SdrRepositoryInfo& info) {
  if (file.size() < sizeof kMagic + 4)
    return std::nullopt;
  const std::size_t bodySize = file.size() - 4;
  PayloadReader sum(file.data() + bodySize, 4, "SDR cache checksum");
  if (sum.U32le() != Fnv1a(file.data(), bodySize))
    return std::nullopt;
  try {
    PayloadReader r(file.data(), bodySize, "SDR cache");
    for (char c : kMagic) {
      if (r.U8() != static_cast<std::uint8_t>(c))
        return std::nullopt;
    }
    const std::vector<std::uint8_t> text = r.Bytes(r.U16le());
    if (std::string(text.begin(), text.end()) != key.Text())
      return std::nullopt;
    Ipmi::SdrRepositoryInfo stored{};
    stored.sdrVersion = r.U8();
    stored.recordCount = r.U16le();
    stored.mostRecentAddition = r.U32le();
    stored.mostRecentErase = r.U32le();
    if (!SameSdrRepositoryState(stored, info))
      return std::nullopt;
    const std::uint32_t count = r.U32le();
    std::vector<SdrRecord> records;
    for (std::uint32_t i = 0; i < count; ++i) {
      std::vector<std::uint8_t> bytes = r.Bytes(r.U16le());
      if (bytes.size() < kSdrHeaderSize)
        return std::nullopt;
      const SdrHeader h = DecodeSdrHeader(bytes);
      if (bytes.size() != kSdrHeaderSize + h.bodyLength)
        return std::nullopt;
      records.push_back(SdrRecord{h.recordId, h.sdrVersion, h.recordType, std::move(bytes)});
    }
    r.ExpectEnd();
    return records;
  } catch (const TruncatedPayload&) {
    return std::nullopt;
  }
}

SdrCache::SdrCache(std::string directory) : directory_(std::move(directory)) {
  if (directory_.empty()) {
    problem_ = "no directory for it: none of HOME, XDG_CACHE_HOME and XDG_RUNTIME_DIR is set";
    return;
  }
  UniqueFd dir;
  if (MakeDirectories(directory_))
    dir = UniqueFd(::open(directory_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!dir.Valid()) {
    problem_ = directory_ + ": " + std::strerror(errno);
    return;
  }
  const std::string why = DirectoryProblem(dir.Get());
  if (!why.empty()) {
    problem_ = directory_ + " is not used: " + why;
    return;
  }
  dir_ = std::move(dir);
}

std::string SdrCache::PathFor(const SdrCacheKey& key) const {
  return directory_ + "/" + key.FileName();
}

std::optional<std::vector<SdrRecord>> SdrCache::Load(const SdrCacheKey& key,
                                                     const Ipmi::SdrRepositoryInfo& info) const {
  if (!Usable())
    return std::nullopt;
  const auto file = ReadOwnFile(dir_.Get(), key.FileName());
  if (!file)
    return std::nullopt;
  return DecodeSdrCache(*file, key, info);
}

bool SdrCache::Store(const SdrCacheKey& key, const Ipmi::SdrRepositoryInfo& info,
                     const std::vector<SdrRecord>& records) const {
  if (!Usable())
    return false;
  const std::string name = key.FileName();
  std::string temp;
  UniqueFd fd = CreateTemporary(dir_.Get(), name, temp);
  if (!fd.Valid())
    return false;
  const bool written = WriteAll(fd.Get(), EncodeSdrCache(key, info, records)) && ::fsync(fd.Get()) == 0;
  fd.Reset();
  // The rename replaces whatever stood at the name, a link or FIFO included.
  if (!written || ::renameat(dir_.Get(), temp.c_str(), dir_.Get(), name.c_str()) != 0) {
    ::unlinkat(dir_.Get(), temp.c_str(), 0);
    return false;
  }
  return true;
}

}  // namespace marlek
