#pragma once
// What both transports share: a bounded window of requests in flight, a
// deadline per attempt, retransmission when it passes, a short back-off and
// a new attempt on "Node Busy", and the answers in request order.
//
// The transport supplies the wire (RequestPipeline::Wire): how a request
// goes out under a tag (the LAN request sequence number, the device msgid)
// and how arrivals are matched back to a tag.

#include "transport/message.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace marlek {

class RequestPipeline {
 public:
  using Clock = std::chrono::steady_clock;

  struct Entry {
    std::size_t index = 0;  // into the batch
    std::uint32_t tag = 0;
    int attemptsLeft = 0;
    Clock::time_point deadline;
    bool backingOff = false;        // Node Busy: send again at the deadline
    bool awaitingFollowUp = false;  // the wire expects a further message
  };

  class Wire {
   public:
    virtual ~Wire() = default;
    // A tag no entry in flight uses.
    virtual std::uint32_t NewTag(const RequestPipeline& pipeline) = 0;
    // Sends (or sends again) the entry's request.
    virtual void Transmit(const Request& request, const Entry& entry) = 0;
    // Waits until deadline for one arrival and hands it to the pipeline
    // (Find, Answer, Reject); false when nothing arrived in time. May
    // return early (an interrupted wait) without harm.
    virtual bool AwaitArrival(RequestPipeline& pipeline, Clock::time_point deadline) = 0;
  };

  RequestPipeline(Wire& wire, const TransportOptions& options, std::string peer, int maxWindow);

  // Sends every request, up to the window at a time; throws
  // ostrelInt::CmpiStatus for the first request (in request order) that got
  // no usable answer, once the requests before it are done.
  std::vector<Response> Run(const std::vector<Request>& requests);

  // For the wire while it handles an arrival.
  Entry* Find(std::uint32_t tag);
  bool InUse(std::uint32_t tag) const { return inFlight_.count(tag) != 0; }
  const Request& RequestOf(const Entry& entry) const { return (*requests_)[entry.index]; }
  // The entry's answer; Node Busy leads to a new attempt while any are left.
  void Answer(Entry& entry, Response response);
  // The entry's request was accepted and a further message will complete
  // it: wait for that one a full timeout.
  void ExpectFollowUp(Entry& entry);
  // Why an arrival was dropped; quoted when a request fails.
  void Reject(std::string why) { lastRejected_ = std::move(why); }

 private:
  void Start(std::size_t index);
  void Transmit(Entry& entry);
  void Expire(std::uint32_t tag);
  void ExpireOverdue();
  Clock::time_point EarliestDeadline() const;

  Wire& wire_;
  TransportOptions options_;
  std::string peer_;
  std::size_t window_;
  const std::vector<Request>* requests_ = nullptr;
  std::vector<std::optional<Response>> results_;
  std::map<std::uint32_t, Entry> inFlight_;
  std::optional<std::size_t> failedIndex_;
  std::string failure_;
  std::string lastRejected_;
};

// "netfn 0x06 command 0x01", with the target when bridged.
std::string DescribeRequest(const Request& request);

}  // namespace marlek
