// A module whose code leaves a mark as soon as it runs at all, even before
// any entry point is looked for: the loader's rules are tested by playing
// another user who would like to see it run as root. It has no entry
// point, so a run that loads it also says so.
#include <cstdio>
#include <cstdlib>

namespace {

__attribute__((constructor)) void LeaveMark() {
  if (const char* path = std::getenv("OSTREL_TEST_MARK")) {
    if (std::FILE* f = std::fopen(path, "a")) {
      std::fputs("ran\n", f);
      std::fclose(f);
    }
  }
}

}  // namespace
