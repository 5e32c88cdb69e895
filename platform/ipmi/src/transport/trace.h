#pragma once
// The protocol trace, for the cases no message explains: with
// MARLEK_IPMI_DEBUG=1 in the environment, or "debug = on" in the
// configuration, every request and answer of a node goes to standard error,
// by name, with the time since the node was opened, the target of bridged
// requests, the tag that matches answers to requests, retransmissions and
// the data in hex; for LAN sessions also each step of the session set-up.
// Never a password, key or integrity code: the set-up's secret-bearing
// bytes show as "**".

#include "transport/message.h"

#include <chrono>
#include <string>

namespace marlek {

class Trace {
 public:
  explicit Trace(std::string node);

  // A request going out under tag; attempt 0 is the first send.
  void Request(const marlek::Request& request, std::uint32_t tag, int attempt) const;
  // Its answer, or that it got none.
  void Answer(const marlek::Request& request, std::uint32_t tag, const Response& response) const;
  void NoAnswer(const marlek::Request& request, std::uint32_t tag) const;
  // A step of the session set-up, the datagrams' secrets masked.
  void Step(const std::string& text) const;

 private:
  void Line(const std::string& text) const;

  std::string node_;
  std::chrono::steady_clock::time_point start_;
};

// Whether MARLEK_IPMI_DEBUG asks for the trace (1, on, yes).
bool TraceWanted();

}  // namespace marlek
