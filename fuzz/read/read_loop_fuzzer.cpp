// Arbitrary BMC answers fed to the readers that loop over many requests:
// the SDR repository, the SEL and a FRU device. Each request takes its
// answer from the input (a length byte, then completion code and data);
// once the input runs out the BMC is silent. Every reader must end, within
// a number of requests bounded by the input, and fail only with the
// library's exception.
#include "fru/fru_device.h"
#include "sdr/sdr_reader.h"
#include "sel/sel_reader.h"
#include "transport/no_answer.h"

#include <Ipmi/CmpiStatus.h>

#include <cstdint>
#include <cstdlib>

namespace {

class InputTransport final : public marlek::Transport {
 public:
  InputTransport(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  marlek::Response Send(const marlek::Request& request) override {
    if (++sent_ > 4 * size_ + 64)
      std::abort();  // a reader that keeps asking without end
    if (at_ >= size_)
      throw marlek::NoAnswer("silent", request.target);
    const std::size_t declared = data_[at_++];
    const std::size_t length = std::min(declared, size_ - at_);
    marlek::Response r;
    if (length > 0) {
      r.completionCode = data_[at_];
      r.data.assign(data_ + at_ + 1, data_ + at_ + length);
    }
    at_ += length;
    return r;
  }
  std::vector<marlek::Response> SendPipelined(const std::vector<marlek::Request>& requests) override {
    std::vector<marlek::Response> out;
    for (const marlek::Request& r : requests)
      out.push_back(Send(r));
    return out;
  }
  std::size_t MaxResponseData() const override { return 64; }
  std::string Describe() const override { return "fuzz"; }
  std::uint64_t RequestCount() const override { return sent_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
  std::size_t sent_ = 0;
};

template <typename Read>
void Run(const std::uint8_t* data, std::size_t size, Read read) {
  InputTransport transport(data, size);
  try {
    read(transport);
  } catch (const ostrelInt::CmpiStatus&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > 4096)
    return 0;
  marlek::SdrReadLimits sdrLimits;
  sdrLimits.busyRetries = 0;  // no waiting: the answers say nothing about time
  switch (data[0] % 3) {
    case 0:
      Run(data + 1, size - 1, [&](marlek::Transport& t) { marlek::ReadSdrRecords(t, "fuzz", sdrLimits); });
      break;
    case 1:
      Run(data + 1, size - 1, [](marlek::Transport& t) { marlek::sel::ReadSelEntries(t); });
      break;
    default:
      Run(data + 1, size - 1,
          [](marlek::Transport& t) { marlek::fru::ReadFruImage(t, marlek::fru::FruDeviceAddress{}); });
      break;
  }
  return 0;
}
