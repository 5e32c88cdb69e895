#include "api/diagnostics.h"

#include <unistd.h>

namespace marlek {

void Diagnose(const std::string& line) {
  // One write, so that lines of several processes on one terminal stay
  // whole; if standard error cannot take it, there is nowhere to say so.
  const std::string text = "marlek-ipmi: " + line + "\n";
  const ssize_t written = ::write(STDERR_FILENO, text.data(), text.size());
  static_cast<void>(written);
}

}  // namespace marlek
