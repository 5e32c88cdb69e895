// Replays kept fuzz inputs for ctest: each file (but dotfiles) of the folders
// given, its path printed first as a failing input aborts; none at all fails.
#include <stdint.h>
#include <stdio.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  int count = 0;
  for (int i = 1; i < argc; i++) {
    std::error_code missing;
    for (const auto& entry : std::filesystem::directory_iterator(argv[i], missing)) {
      if (entry.path().filename().string()[0] != '.') {
        fprintf(stderr, "%s\n", entry.path().c_str());
        std::ifstream file(entry.path(), std::ios::binary);
        std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        count++;
      }
    }
  }
  printf("%d inputs replayed\n", count);
  return count > 0 ? 0 : 1;
}
