// Replays the fuzz targets' kept inputs (seed corpus and the inputs that once
// failed) through the same checks the fuzzers run, so that every build
// checks them.
#include <dirent.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/string/string_fuzz_checks.h"

namespace {

using Check = std::string (*)(const uint8_t*, size_t);

std::vector<std::string> FilesIn(const std::string& dir) {
  std::vector<std::string> files;
  DIR* d = opendir(dir.c_str());
  if (d == nullptr) {
    return files;
  }
  while (dirent* entry = readdir(d)) {
    if (entry->d_name[0] != '.') {
      files.push_back(dir + "/" + entry->d_name);
    }
  }
  closedir(d);
  return files;
}

// Runs check on every kept input of the target; returns how many there were.
size_t Replay(const std::string& target, Check check) {
  size_t count = 0;
  for (const char* kind : {"corpus", "regressions"}) {
    for (const std::string& path : FilesIn(std::string(OSTREL_FUZZ_STRING_DIR) + "/" + kind + "/" + target)) {
      std::ifstream in(path, std::ios::binary);
      std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      EXPECT_EQ("", check(reinterpret_cast<const uint8_t*>(data.data()), data.size())) << path;
      count++;
    }
  }
  return count;
}

TEST(FuzzReplay, EngineAgainstGlibc) {
  EXPECT_GT(Replay("engine_vs_glibc", ostrel_fuzz::CheckEngineAgainstGlibc), 0u);
}

TEST(FuzzReplay, UtfRoundTrip) {
  EXPECT_GT(Replay("utf_roundtrip", ostrel_fuzz::CheckUtfRoundTrip), 0u);
}

TEST(FuzzReplay, SnprintfTruncation) {
  EXPECT_GT(Replay("snprintf_truncation", ostrel_fuzz::CheckSnprintfTruncation), 0u);
}

}  // namespace
