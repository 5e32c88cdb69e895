#include "transport/lan/session_sequence.h"

namespace marlek {

bool InboundSequenceWindow::Accept(std::uint32_t sequence) {
  if (!started_) {
    started_ = true;
    highest_ = sequence;
    seen_ = 1;
    return true;
  }
  const std::uint32_t ahead = sequence - highest_;
  if (ahead != 0 && ahead < 0x80000000u) {
    seen_ = ahead >= kWindow ? 1 : (seen_ << ahead) | 1;
    highest_ = sequence;
    return true;
  }
  const std::uint32_t behind = highest_ - sequence;
  if (behind >= kWindow)
    return false;
  const std::uint32_t bit = 1u << behind;
  if (seen_ & bit)
    return false;
  seen_ |= bit;
  return true;
}

}  // namespace marlek
