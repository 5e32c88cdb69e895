#pragma once
// Session sequence numbers of an RMCP+ session: the outbound counter and
// the sliding window that accepts each inbound number at most once and
// drops those too far behind the highest seen.

#include <cstdint>

namespace marlek {

class OutboundSequence {
 public:
  // 1, 2, 3, ...; 0 is skipped on wrap (it marks packets outside a session).
  std::uint32_t Next() {
    if (++last_ == 0)
      ++last_;
    return last_;
  }

 private:
  std::uint32_t last_ = 0;
};

class InboundSequenceWindow {
 public:
  static constexpr std::uint32_t kWindow = 32;

  // True the first time a number within the window is seen.
  bool Accept(std::uint32_t sequence);

 private:
  bool started_ = false;
  std::uint32_t highest_ = 0;
  std::uint32_t seen_ = 0;  // bit i: highest_ - i has been seen
};

}  // namespace marlek
