#pragma once

#include <stdexcept>

namespace marlek {

// Bytes from the wire that do not form the message they claim to be: a bad
// checksum, an unknown format, a failed integrity check.
class WireFormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace marlek
