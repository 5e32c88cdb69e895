#include "transport/request_pipeline.h"

#include "transport/no_answer.h"
#include "transport/trace.h"
#include "wire/completion_code.h"
#include "wire/hex_text.h"

#include <Ipmi/CmpiStatus.h>

#include <algorithm>

namespace marlek {

std::string DescribeRequest(const Request& r) {
  std::string text = "netfn " + Hex(r.netFn) + " command " + Hex(r.command);
  if (!r.target.IsBmc())
    text += " to " + Hex(r.target.slaveAddress) + " on channel " + std::to_string(r.target.channel);
  return text;
}

RequestPipeline::RequestPipeline(Wire& wire, const TransportOptions& options, std::string peer, int maxWindow)
    : wire_(wire),
      options_(options),
      peer_(std::move(peer)),
      window_(static_cast<std::size_t>(std::clamp(options.window, 1, maxWindow))) {}

std::vector<Response> RequestPipeline::Run(const std::vector<Request>& requests) {
  requests_ = &requests;
  results_.assign(requests.size(), std::nullopt);
  std::size_t next = 0;
  for (;;) {
    while (!failedIndex_ && next < requests.size() && inFlight_.size() < window_)
      Start(next++);
    if (inFlight_.empty())
      break;
    // Deadlines are checked after every arrival too: a stream of unusable
    // datagrams must not hold a request past its timeout.
    wire_.AwaitArrival(*this, EarliestDeadline());
    ExpireOverdue();
  }
  if (failedIndex_)
    throw NoAnswer(failure_, (*requests_)[*failedIndex_].target);
  std::vector<Response> responses;
  responses.reserve(requests.size());
  for (std::optional<Response>& r : results_)
    responses.push_back(std::move(*r));
  return responses;
}

RequestPipeline::Entry* RequestPipeline::Find(std::uint32_t tag) {
  auto it = inFlight_.find(tag);
  return it == inFlight_.end() || it->second.backingOff ? nullptr : &it->second;
}

void RequestPipeline::Answer(Entry& entry, Response response) {
  if (options_.trace)
    options_.trace->Answer(RequestOf(entry), entry.tag, response);
  if (response.completionCode == cc::kNodeBusy && entry.attemptsLeft > 0) {
    --entry.attemptsLeft;
    entry.backingOff = true;
    entry.deadline =
        Clock::now() + std::min<Clock::duration>(options_.timeout / 4, std::chrono::milliseconds(100));
    return;
  }
  response.receivedUsec = static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                                         std::chrono::system_clock::now().time_since_epoch())
                                                         .count());
  results_[entry.index] = std::move(response);
  inFlight_.erase(entry.tag);
}

void RequestPipeline::ExpectFollowUp(Entry& entry) {
  entry.awaitingFollowUp = true;
  entry.deadline = Clock::now() + options_.timeout;
}

void RequestPipeline::Start(std::size_t index) {
  Entry entry;
  entry.index = index;
  entry.tag = wire_.NewTag(*this);
  entry.attemptsLeft = options_.retries;
  Transmit(inFlight_[entry.tag] = entry);
}

void RequestPipeline::Transmit(Entry& entry) {
  entry.backingOff = false;
  entry.awaitingFollowUp = false;
  entry.deadline = Clock::now() + options_.timeout;
  if (options_.trace)
    options_.trace->Request(RequestOf(entry), entry.tag, options_.retries - entry.attemptsLeft);
  wire_.Transmit(RequestOf(entry), entry);
}

void RequestPipeline::Expire(std::uint32_t tag) {
  Entry& entry = inFlight_.at(tag);
  if (entry.backingOff) {
    Transmit(entry);
    return;
  }
  if (entry.attemptsLeft > 0) {
    --entry.attemptsLeft;
    Transmit(entry);
    return;
  }
  if (options_.trace)
    options_.trace->NoAnswer(RequestOf(entry), entry.tag);
  if (!failedIndex_ || entry.index < *failedIndex_) {
    failedIndex_ = entry.index;
    failure_ = "no answer from " + peer_ + " to " + DescribeRequest(RequestOf(entry)) + " after " +
               std::to_string(options_.retries + 1) + " attempts of " +
               std::to_string(options_.timeout.count()) + " ms";
    if (!lastRejected_.empty())
      failure_ += " (last packet rejected: " + lastRejected_ + ")";
  }
  inFlight_.erase(tag);
}

void RequestPipeline::ExpireOverdue() {
  const Clock::time_point now = Clock::now();
  std::vector<std::uint32_t> overdue;
  for (const auto& [tag, entry] : inFlight_) {
    if (entry.deadline <= now)
      overdue.push_back(tag);
  }
  for (std::uint32_t tag : overdue)
    Expire(tag);
}

RequestPipeline::Clock::time_point RequestPipeline::EarliestDeadline() const {
  Clock::time_point earliest = Clock::time_point::max();
  for (const auto& [tag, entry] : inFlight_)
    earliest = std::min(earliest, entry.deadline);
  return earliest;
}

}  // namespace marlek
