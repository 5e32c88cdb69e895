// libFuzzer entry of the string library's targets: STRING_CHECK names the
// property of tests/lib/string/string_checks.h that the target checks.
#include <stdio.h>
#include <stdlib.h>

#include "tests/lib/string/string_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string failure = string_checks::STRING_CHECK(data, size);
  if (!failure.empty()) {
    fprintf(stderr, "%s\n", failure.c_str());
    abort();
  }
  return 0;
}
