#include "sensor/sensor_list.h"

#include "api/diagnostics.h"
#include "sdr/sdr_commands.h"
#include "sdr/sdr_repository.h"
#include "wire/completion_code.h"
#include "wire/payload.h"

#include <Ipmi/CmpiStatus.h>

#include <chrono>

namespace marlek {
namespace {

using Impl = Ipmi::IpmiSensor::Impl;
using Outcome = Impl::ReadOutcome;

std::uint64_t NowUsec() {
  return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                        std::chrono::system_clock::now().time_since_epoch())
                                        .count());
}

std::uint64_t ArrivalUsec(const Response& r) {
  return r.receivedUsec ? r.receivedUsec : NowUsec();
}

void Record(Impl& s, const Response& r) {
  // Answers that say the owner has no such sensor: "not present", and
  // "invalid data field" for a request whose only field is the sensor number.
  if (r.completionCode == cc::kNotPresent || r.completionCode == cc::kInvalidDataField) {
    s.outcome = Outcome::kNotPresent;
    return;
  }
  if (!r.Ok()) {
    s.outcome = Outcome::kFailed;
    s.failure = FailureText("Get Sensor Reading", s.Label(), r.completionCode);
    return;
  }
  try {
    s.reading = DecodeSensorReading(r);
    s.outcome = Outcome::kRead;
  } catch (const TruncatedPayload& e) {
    s.outcome = Outcome::kFailed;
    s.failure = "Get Sensor Reading failed for " + s.Label() + ": " + e.what();
  }
}

// Sends the requests pipelined; when the transport gives up on one of them,
// each is sent on its own so that one silent sensor costs only itself.
// Every entry of the result is either a response or the transport's error.
struct Answer {
  Response response;
  std::string transportError;
};

std::vector<Answer> SendAll(Transport& transport, const std::vector<Request>& requests) {
  std::vector<Answer> answers(requests.size());
  try {
    std::vector<Response> responses = transport.SendPipelined(requests);
    if (responses.size() == requests.size()) {
      for (std::size_t i = 0; i < responses.size(); ++i)
        answers[i].response = std::move(responses[i]);
      return answers;
    }
  } catch (const ostrelInt::CmpiStatus&) {
    // fall through to one request at a time
  }
  for (std::size_t i = 0; i < requests.size(); ++i) {
    try {
      answers[i].response = transport.Send(requests[i]);
    } catch (const ostrelInt::CmpiStatus& e) {
      answers[i].transportError = e.msg();
    }
  }
  return answers;
}

void ReadNonLinearFactors(Transport& transport, std::vector<std::unique_ptr<Impl>>& sensors) {
  std::vector<Impl*> wanted;
  std::vector<Request> requests;
  for (auto& s : sensors) {
    if (s->Readable() && s->record.factors.NonLinear()) {
      wanted.push_back(s.get());
      requests.push_back(MakeGetSensorReadingFactors(s->Owner(), s->record.sensorNumber, s->reading.raw));
    }
  }
  if (requests.empty())
    return;
  const std::vector<Answer> answers = SendAll(transport, requests);
  for (std::size_t i = 0; i < wanted.size(); ++i) {
    const Response& r = answers[i].response;
    if (!answers[i].transportError.empty() || !r.Ok())
      continue;  // convertRawValue asks again and reports the failure
    try {
      wanted[i]->readingFactors[wanted[i]->reading.raw] =
          DecodeSensorReadingFactors(r, wanted[i]->record.factors);
    } catch (const TruncatedPayload&) {
      // likewise left to convertRawValue
    }
  }
}

}  // namespace

std::vector<std::unique_ptr<Impl>> BuildSensors(const std::vector<SdrRecord>& records,
                                                const std::string& where) {
  std::vector<std::unique_ptr<Impl>> sensors;
  for (const SdrRecord& raw : records) {
    const std::optional<SensorRecord> record = DecodeSensorRecord(raw);
    if (!record)
      continue;
    for (SensorRecord& one : ExpandSharedSensors(*record)) {
      auto s = std::make_unique<Impl>();
      s->record = std::move(one);
      s->rawRecord = raw.bytes;
      s->where = where;
      if (s->record.IsEventOnly())
        s->outcome = Outcome::kEventOnly;
      sensors.push_back(std::move(s));
    }
  }
  return sensors;
}

void ReadSensors(const std::shared_ptr<Transport>& transport, std::vector<std::unique_ptr<Impl>>& sensors,
                 std::vector<std::uint64_t>& readAtUsec) {
  readAtUsec.assign(sensors.size(), 0);
  std::vector<std::size_t> index;
  std::vector<Request> requests;
  for (std::size_t i = 0; i < sensors.size(); ++i) {
    sensors[i]->transport = transport;
    if (sensors[i]->outcome == Outcome::kEventOnly)
      continue;
    index.push_back(i);
    requests.push_back(MakeGetSensorReading(sensors[i]->Owner(), sensors[i]->record.sensorNumber));
  }
  const std::vector<Answer> answers = SendAll(*transport, requests);
  std::size_t unanswered = 0;
  std::string firstReason;
  for (std::size_t k = 0; k < index.size(); ++k) {
    Impl& s = *sensors[index[k]];
    if (!answers[k].transportError.empty()) {
      s.outcome = Outcome::kFailed;
      s.failure = "Get Sensor Reading failed for " + s.Label() + ": " + answers[k].transportError;
      if (unanswered++ == 0)
        firstReason = answers[k].transportError;
      continue;
    }
    Record(s, answers[k].response);
    readAtUsec[index[k]] = ArrivalUsec(answers[k].response);
  }
  if (unanswered != 0)
    Diagnose(transport->Describe() + ": " + std::to_string(unanswered) + " of " +
             std::to_string(index.size()) + " sensor readings failed: " + firstReason);
  ReadNonLinearFactors(*transport, sensors);
}

std::vector<std::shared_ptr<Ipmi::IpmiSensor>> LoadSensors(NodeContext& node) {
  if (!node.transport)
    throw ostrelInt::CmpiStatus("Reading sensors impossible on " + DescribeNode(node) + ": no transport");
  std::vector<std::unique_ptr<Impl>> impls = BuildSensors(LoadSdrRecords(node), DescribeNode(node));
  std::vector<std::uint64_t> readAt;
  ReadSensors(node.transport, impls, readAt);
  std::vector<std::shared_ptr<Ipmi::IpmiSensor>> sensors;
  sensors.reserve(impls.size());
  for (std::size_t i = 0; i < impls.size(); ++i) {
    auto sensor = std::make_shared<Ipmi::IpmiSensor>(std::move(impls[i]));
    sensor->readingTimeUsec = readAt[i];
    sensors.push_back(std::move(sensor));
  }
  return sensors;
}

}  // namespace marlek
