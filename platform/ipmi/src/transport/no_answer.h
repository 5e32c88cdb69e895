#pragma once
// The failure of a request that got no usable answer within its attempts:
// the controller it went to, or the way to it, is silent. Every other
// transport failure stays a plain ostrelInt::CmpiStatus.

#include "transport/message.h"

#include <Ipmi/CmpiStatus.h>

#include <string>

namespace marlek {

class NoAnswer : public ostrelInt::CmpiStatus {
 public:
  NoAnswer(std::string message, const Target& target) : CmpiStatus(std::move(message)), target_(target) {}
  // Where the unanswered request went.
  const Target& target() const { return target_; }

 private:
  Target target_;
};

}  // namespace marlek
