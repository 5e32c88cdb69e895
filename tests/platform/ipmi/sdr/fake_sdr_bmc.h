#pragma once
// A BMC for tests of the SDR and sensor layers: a repository of records
// served through Reserve SDR Repository and Get SDR, identity commands,
// and sensor readings, behind a ScriptedTransport. Tests change its state
// and inject faults between or during requests.

#include "../support/scripted_transport.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace marlek::testing {

// A full sensor record with the given fields; everything else zero.
struct FullRecordSpec {
  std::uint16_t recordId = 1;
  std::uint8_t owner = 0x20;
  std::uint8_t lunChannel = 0;
  std::uint8_t number = 1;
  std::uint8_t entityId = 7;
  std::uint8_t entityInstance = 1;
  std::uint8_t sensorType = 0x01;
  std::uint8_t readingType = 0x01;
  std::uint16_t readingMask = 0;
  std::uint8_t units1 = 0;
  std::uint8_t baseUnit = 1;
  std::uint8_t linearization = 0;
  std::uint8_t conversion[6] = {1, 0, 0, 0, 0, 0};  // M=1
  std::string id = "Sensor";
};

inline std::vector<std::uint8_t> FullRecord(const FullRecordSpec& s) {
  std::vector<std::uint8_t> r = {static_cast<std::uint8_t>(s.recordId & 0xff),
                                 static_cast<std::uint8_t>(s.recordId >> 8),
                                 0x51,
                                 0x01,
                                 0,
                                 s.owner,
                                 s.lunChannel,
                                 s.number,
                                 s.entityId,
                                 s.entityInstance,
                                 0x7f,
                                 0x68,
                                 s.sensorType,
                                 s.readingType,
                                 0,
                                 0,
                                 0,
                                 0,
                                 static_cast<std::uint8_t>(s.readingMask & 0xff),
                                 static_cast<std::uint8_t>(s.readingMask >> 8),
                                 s.units1,
                                 s.baseUnit,
                                 0,
                                 s.linearization};
  r.insert(r.end(), s.conversion, s.conversion + 6);
  r.resize(r.size() + 17, 0);
  r.push_back(static_cast<std::uint8_t>(0xc0 | s.id.size()));
  r.insert(r.end(), s.id.begin(), s.id.end());
  r[4] = static_cast<std::uint8_t>(r.size() - 5);
  return r;
}

// The scripted transport, counting pipelined batches, and able to stay
// silent for chosen requests as a BMC that drops them would.
class FakeTransport : public ScriptedTransport {
 public:
  using ScriptedTransport::ScriptedTransport;

  Response Send(const Request& request) override {
    if (failOn && failOn(request)) {
      ScriptedTransport::Send(request);  // counted as sent
      throw ostrelInt::CmpiStatus("no answer from scripted within 1000 ms");
    }
    return ScriptedTransport::Send(request);
  }
  std::vector<Response> SendPipelined(const std::vector<Request>& requests) override {
    ++batches_;
    return ScriptedTransport::SendPipelined(requests);
  }
  int PipelinedBatches() const { return batches_; }

  std::function<bool(const Request&)> failOn;

 private:
  int batches_ = 0;
};

class FakeSdrBmc {
 public:
  struct Reading {
    Response response;
  };

  FakeSdrBmc() {
    transport_ = std::make_shared<FakeTransport>([this](const Request& r) { return Handle(r); }, maxResponse);
  }

  // Rebuilds the transport with a different response size limit.
  void SetMaxResponseData(std::size_t max) {
    maxResponse = max;
    transport_ = std::make_shared<FakeTransport>([this](const Request& r) { return Handle(r); }, maxResponse);
  }

  void AddRecord(std::vector<std::uint8_t> bytes) { records.push_back(std::move(bytes)); }

  std::shared_ptr<FakeTransport> transport() { return transport_; }

  // Repository state.
  std::vector<std::vector<std::uint8_t>> records;
  std::uint8_t sdrVersion = 0x51;
  std::uint32_t lastAddition = 0x5f000000;
  std::uint32_t lastErase = 0x5e000000;
  std::size_t maxResponse = 255;
  // Largest Get SDR count honoured; larger ones get 0xCA (0 = any).
  std::size_t largestRead = 0;
  // Refuses (0xCA) reads that reach past the end of a record.
  bool strictEnd = false;
  // Next record IDs override (record index -> next ID), for broken chains.
  std::map<std::size_t, std::uint16_t> nextOverride;
  bool guid = true;

  // Faults: called before each Get SDR; a non-zero return is answered as
  // that completion code instead.
  std::function<std::uint8_t(const Request&)> getSdrFault;
  // Sensor readings by (owner, sensor number).
  std::map<std::pair<std::uint8_t, std::uint8_t>, Response> readings;
  std::map<std::pair<std::uint8_t, std::uint8_t>, Response> factors;

  std::uint16_t reservation = 0;
  int reservations = 0;

  // Cancels the current reservation, as a repository change or another
  // reader would.
  void CancelReservation() { ++reservation; }

  int Count(std::uint8_t netFn, std::uint8_t cmd) const {
    int n = 0;
    for (const Request& r : transport_->Sent())
      n += r.netFn == netFn && r.command == cmd;
    return n;
  }

 private:
  Response Handle(const Request& r) {
    if (r.netFn == 0x0a && r.command == 0x20)
      return RepositoryInfo();
    if (r.netFn == 0x0a && r.command == 0x22) {
      ++reservations;
      ++reservation;
      return Ok({static_cast<std::uint8_t>(reservation & 0xff), static_cast<std::uint8_t>(reservation >> 8)});
    }
    if (r.netFn == 0x0a && r.command == 0x23)
      return GetSdr(r);
    if (r.netFn == 0x06 && r.command == 0x01)
      return Ok({0x20, 0x01, 0x02, 0x03, 0x02, 0xbf, 0x57, 0x01, 0x00, 0x34, 0x12});
    if (r.netFn == 0x06 && r.command == 0x08)
      return guid ? Ok(std::vector<std::uint8_t>(16, 0xab)) : Fail(0xc1);
    if (r.netFn == 0x04 && (r.command == 0x2d || r.command == 0x23)) {
      auto& table = r.command == 0x2d ? readings : factors;
      auto it = table.find({r.target.slaveAddress, r.data.at(0)});
      return it == table.end() ? Fail(0xcb) : it->second;
    }
    return Fail(0xc1);
  }

  Response RepositoryInfo() const {
    const auto n = static_cast<std::uint16_t>(records.size());
    return Ok({sdrVersion, static_cast<std::uint8_t>(n & 0xff), static_cast<std::uint8_t>(n >> 8), 0x00, 0x10,
               static_cast<std::uint8_t>(lastAddition), static_cast<std::uint8_t>(lastAddition >> 8),
               static_cast<std::uint8_t>(lastAddition >> 16), static_cast<std::uint8_t>(lastAddition >> 24),
               static_cast<std::uint8_t>(lastErase), static_cast<std::uint8_t>(lastErase >> 8),
               static_cast<std::uint8_t>(lastErase >> 16), static_cast<std::uint8_t>(lastErase >> 24), 0x6f});
  }

  Response GetSdr(const Request& r) {
    if (getSdrFault) {
      if (std::uint8_t code = getSdrFault(r))
        return Fail(code);
    }
    const std::uint16_t res = static_cast<std::uint16_t>(r.data.at(0) | (r.data.at(1) << 8));
    const std::uint16_t id = static_cast<std::uint16_t>(r.data.at(2) | (r.data.at(3) << 8));
    const std::size_t offset = r.data.at(4);
    const std::size_t count = r.data.at(5);
    if (offset != 0 && res != reservation)
      return Fail(0xc5);
    if (count + 2 > maxResponse || (largestRead && count > largestRead))
      return Fail(0xca);
    std::size_t index = 0;
    if (id != 0) {
      while (index < records.size() && (records[index][0] | (records[index][1] << 8)) != id)
        ++index;
    }
    if (index >= records.size())
      return Fail(0xcb);
    const auto& rec = records[index];
    std::uint16_t next = 0xffff;
    if (index + 1 < records.size())
      next = static_cast<std::uint16_t>(records[index + 1][0] | (records[index + 1][1] << 8));
    if (nextOverride.count(index))
      next = nextOverride[index];
    std::vector<std::uint8_t> data = {static_cast<std::uint8_t>(next & 0xff),
                                      static_cast<std::uint8_t>(next >> 8)};
    if (offset > rec.size())
      return Fail(0xc9);
    if (strictEnd && offset + count > rec.size())
      return Fail(0xca);
    const std::size_t n = std::min(count, rec.size() - offset);
    data.insert(data.end(), rec.begin() + offset, rec.begin() + offset + n);
    return Ok(data);
  }

  std::shared_ptr<FakeTransport> transport_;
};

}  // namespace marlek::testing
