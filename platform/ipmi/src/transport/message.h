#pragma once
// One IPMI request and its response, independent of the transport that
// carries them.

#include "wire/commands.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace marlek {

constexpr std::uint8_t kBmcSlaveAddress = 0x20;

// Where a request goes: the BMC itself, or a controller on an IPMB channel
// behind it (bridged).
struct Target {
  std::uint8_t channel = 0;
  std::uint8_t slaveAddress = kBmcSlaveAddress;
  std::uint8_t lun = 0;

  bool IsBmc() const { return channel == 0 && slaveAddress == kBmcSlaveAddress; }
};

struct Request {
  std::uint8_t netFn = 0;
  std::uint8_t command = 0;
  Target target;
  std::vector<std::uint8_t> data;
};

struct Response {
  std::uint8_t completionCode = 0;
  std::vector<std::uint8_t> data;  // after the completion code
  // When the answer arrived, microseconds since 1970 (system clock); 0 when
  // the transport does not record it.
  std::uint64_t receivedUsec = 0;

  bool Ok() const { return completionCode == 0; }
};

class Trace;

struct TransportOptions {
  std::chrono::milliseconds timeout{2000};  // per attempt
  int retries = 2;                          // further attempts after the first
  int window = 8;                           // requests in flight when pipelining
  std::shared_ptr<const Trace> trace;       // null: no protocol trace
};

// A way to reach one node's BMC. Transport failures (no answer within the
// timeout and retries, a broken session, a malformed response) throw
// ostrelInt::CmpiStatus; a completion code is returned in the Response.
class Transport {
 public:
  virtual ~Transport() = default;

  virtual Response Send(const Request& request) = 0;

  // Sends every request with up to options().window in flight and returns
  // the responses in request order. A request that fails at the transport
  // level throws after the ones before it have completed.
  virtual std::vector<Response> SendPipelined(const std::vector<Request>& requests) = 0;

  // Largest response data (after the completion code) one request may ask
  // for, e.g. for Get SDR and Read FRU Data chunk sizes.
  virtual std::size_t MaxResponseData() const = 0;

  // A short name for error texts: "/dev/ipmi0", "127.0.0.1:6230".
  virtual std::string Describe() const = 0;

  // How many requests went out (retries included); for tests and benchmarks.
  virtual std::uint64_t RequestCount() const = 0;

  // The peer stopped answering: let go of it without a farewell that would
  // only wait for another timeout.
  virtual void Abandon() {}
};

}  // namespace marlek
