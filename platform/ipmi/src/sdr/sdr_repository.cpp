#include "sdr/sdr_repository.h"

#include "api/diagnostics.h"
#include "sdr/sdr_cache.h"
#include "sdr/sdr_commands.h"
#include "sdr/sdr_reader.h"
#include "wire/completion_code.h"
#include "wire/payload.h"

#include <Ipmi/CmpiStatus.h>

namespace marlek {
namespace {

std::optional<SdrCacheKey> CacheKeyFor(NodeContext& node) {
  std::optional<BmcIdentity> identity = ReadBmcIdentity(*node.transport);
  if (!identity)
    return std::nullopt;
  return SdrCacheKey{node.transport->Describe(), *identity};
}

}  // namespace

std::string DescribeNode(const NodeContext& node) {
  std::string text = "node " + std::to_string(node.index);
  if (node.transport)
    text += " (" + node.transport->Describe() + ")";
  return text;
}

Ipmi::SdrRepositoryInfo ReadSdrRepositoryInfo(Transport& transport) {
  const Response r = transport.Send(MakeGetSdrRepositoryInfo());
  if (!r.Ok())
    throw ostrelInt::CmpiStatus(
        FailureText("Get SDR Repository Info", transport.Describe(), r.completionCode));
  try {
    return DecodeSdrRepositoryInfo(r);
  } catch (const TruncatedPayload& e) {
    throw ostrelInt::CmpiStatus("Get SDR Repository Info failed on " + transport.Describe() + ": " +
                                e.what());
  }
}

const Ipmi::SdrRepositoryInfo& RefreshSdrRepositoryInfo(NodeContext& node) {
  SdrRepositoryState& state = node.State<SdrRepositoryState>();
  Ipmi::SdrRepositoryInfo fresh;
  try {
    fresh = ReadSdrRepositoryInfo(*node.transport);
  } catch (const ostrelInt::CmpiStatus& e) {
    throw ostrelInt::CmpiStatus(DescribeNode(node) + ": " + e.msg());
  }
  if (state.info && !SameSdrRepositoryState(*state.info, fresh))
    state.records.reset();  // the repository changed while the node was open
  state.info = fresh;
  return *state.info;
}

const std::vector<SdrRecord>& LoadSdrRecords(NodeContext& node) {
  SdrRepositoryState& state = node.State<SdrRepositoryState>();
  if (state.records)
    return *state.records;
  const Ipmi::SdrRepositoryInfo info = state.info ? *state.info : RefreshSdrRepositoryInfo(node);
  if (info.recordCount == 0) {
    state.fromCache = false;
    return *(state.records = std::vector<SdrRecord>{});
  }

  const GlobalSettings& settings = node.settings;
  std::optional<SdrCacheKey> key;
  std::optional<SdrCache> cache;
  if (settings.sdrCache) {
    cache.emplace(settings.cacheDir.empty() ? DefaultSdrCacheDirectory() : settings.cacheDir);
    if (cache->Usable()) {
      key = CacheKeyFor(node);
    } else {
      Diagnose(DescribeNode(node) + ": SDR cache off for this run: " + cache->Problem());
      cache.reset();
    }
  }
  if (cache && key) {
    if (auto records = cache->Load(*key, info)) {
      state.fromCache = true;
      return *(state.records = std::move(records));
    }
  }
  std::vector<SdrRecord> records = ReadSdrRecords(*node.transport, DescribeNode(node));
  if (cache && key)
    cache->Store(*key, info, records);  // a cache that cannot be written only costs speed
  state.fromCache = false;
  return *(state.records = std::move(records));
}

}  // namespace marlek
