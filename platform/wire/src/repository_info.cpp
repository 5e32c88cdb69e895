#include "wire/repository_info.h"

#include "wire/payload.h"

namespace marlek {

RepositoryInfo DecodeRepositoryInfo(const std::vector<std::uint8_t>& data, const char* what) {
  PayloadReader in(data, what);
  RepositoryInfo info;
  info.version = in.U8();
  info.entries = in.U16le();
  info.freeSpace = in.U16le();
  info.mostRecentAddition = in.U32le();
  info.mostRecentErase = in.U32le();
  info.operationSupport = in.U8();
  return info;
}

}  // namespace marlek
