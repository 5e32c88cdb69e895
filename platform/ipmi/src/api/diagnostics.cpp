#include "api/diagnostics.h"

#include <unistd.h>

#include <cerrno>

namespace marlek {

void Diagnose(const std::string& line) {
  // One write, so that lines of several processes on one terminal stay whole.
  const std::string text = "marlek-ipmi: " + line + "\n";
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(STDERR_FILENO, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return;  // nowhere to say it
    done += static_cast<std::size_t>(n);
  }
}

}  // namespace marlek
