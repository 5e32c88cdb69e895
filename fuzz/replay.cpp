// Replays kept fuzz inputs without libFuzzer, for ctest: each file of the
// folders given (missing folders and names starting with '.' skipped) goes
// to LLVMFuzzerTestOneInput, its path printed first, since a failing input
// aborts. Finding no input at all fails too.
#include <dirent.h>
#include <stdint.h>
#include <stdio.h>

#include <fstream>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  int count = 0;
  for (int i = 1; i < argc; i++) {
    DIR* dir = opendir(argv[i]);
    for (dirent* entry = dir ? readdir(dir) : nullptr; entry != nullptr; entry = readdir(dir)) {
      std::string path = std::string(argv[i]) + "/" + entry->d_name;
      if (entry->d_name[0] != '.') {
        fprintf(stderr, "%s\n", path.c_str());
        std::ostringstream data;
        data << std::ifstream(path, std::ios::binary).rdbuf();
        std::string bytes = data.str();
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        count++;
      }
    }
    if (dir != nullptr) {
      closedir(dir);
    }
  }
  printf("%d inputs replayed\n", count);
  return count > 0 ? 0 : 1;
}
