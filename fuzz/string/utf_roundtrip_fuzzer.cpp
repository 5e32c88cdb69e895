// libFuzzer entry: CheckUtfRoundTrip, see string_fuzz_checks.h.
#include <stdio.h>
#include <stdlib.h>

#include "fuzz/string/string_fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string failure = ostrel_fuzz::CheckUtfRoundTrip(data, size);
  if (!failure.empty()) {
    fprintf(stderr, "%s\n", failure.c_str());
    abort();
  }
  return 0;
}
