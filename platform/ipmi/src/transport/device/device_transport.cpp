#include "transport/device/device_transport.h"

#include "transport/no_answer.h"

#include "transport/device/ipmi_device_message.h"
#include "transport/request_pipeline.h"

#include <Ipmi/CmpiStatus.h>

#include <cerrno>
#include <cstring>

namespace marlek {
namespace {

using Clock = RequestPipeline::Clock;

// System interfaces (KCS, BT) commonly carry 64 bytes or a little more;
// readers start here and adapt.
constexpr std::size_t kMaxResponseData = 64;
constexpr int kMaxWindow = 32;

std::string SystemError(const std::string& what) {
  return what + ": " + std::strerror(errno);
}

}  // namespace

class DeviceTransport::Wire final : public RequestPipeline::Wire {
 public:
  explicit Wire(DeviceTransport& owner) : owner_(owner) {}

  std::uint32_t NewTag(const RequestPipeline& pipeline) override {
    for (;;) {
      const long msgid = owner_.nextMsgid_;
      owner_.nextMsgid_ = msgid >= 0x7fffffff ? 1 : msgid + 1;
      if (!pipeline.InUse(static_cast<std::uint32_t>(msgid)))
        return static_cast<std::uint32_t>(msgid);
    }
  }

  void Transmit(const Request& request, const RequestPipeline::Entry& entry) override {
    DeviceRequest message(request, static_cast<long>(entry.tag));
    int rc;
    do {
      rc = owner_.device_->Io().SendCommand(owner_.device_->Get(), message.Get());
    } while (rc < 0 && errno == EINTR);
    // A refused send is not retried here: the pipeline's deadline and
    // retries treat it like a lost request.
    if (rc < 0)
      lastSendError_ = SystemError("IPMICTL_SEND_COMMAND on " + owner_.path_);
    ++owner_.requestCount_;
  }

  bool AwaitArrival(RequestPipeline& pipeline, Clock::time_point deadline) override {
    const Clock::time_point now = Clock::now();
    if (now >= deadline)
      return false;
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
    const int ready = owner_.device_->Io().WaitReadable(owner_.device_->Get(), wait);
    if (ready == 0)
      return false;
    if (ready < 0) {
      if (errno == EINTR)
        return true;
      throw ostrelInt::CmpiStatus(SystemError("poll on " + owner_.path_));
    }
    DeviceReceiveBuffer buffer;
    if (owner_.device_->Io().ReceiveMessage(owner_.device_->Get(), buffer.Get()) < 0 && errno != EMSGSIZE) {
      if (errno == EAGAIN || errno == EINTR)
        return true;
      throw ostrelInt::CmpiStatus(SystemError("IPMICTL_RECEIVE_MSG_TRUNC on " + owner_.path_));
    }
    Deliver(pipeline, buffer);
    return true;
  }

  const std::string& LastSendError() const { return lastSendError_; }

 private:
  static void Deliver(RequestPipeline& pipeline, const DeviceReceiveBuffer& buffer) {
    DeviceReceiveBuffer::Received received;
    try {
      received = buffer.Decode();
    } catch (const std::exception& e) {
      pipeline.Reject(e.what());
      return;
    }
    if (received.recvType != IPMI_RESPONSE_RECV_TYPE)
      return;  // events and commands addressed to us are not answers
    RequestPipeline::Entry* entry = pipeline.Find(static_cast<std::uint32_t>(received.msgid));
    if (!entry)
      return;  // late answer to an attempt already given up
    const Request& request = pipeline.RequestOf(*entry);
    if (received.netFn != (request.netFn | 1) || received.command != request.command) {
      pipeline.Reject("answer to another command than the request's");
      return;
    }
    pipeline.Answer(*entry, std::move(received.response));
  }

  DeviceTransport& owner_;
  std::string lastSendError_;
};

std::unique_ptr<DeviceTransport> DeviceTransport::Open(const std::string& path,
                                                       const TransportOptions& options,
                                                       std::shared_ptr<IpmiDeviceIo> io) {
  const int fd = io->Open(path);
  if (fd < 0 && errno == ENOTTY)
    throw ostrelInt::CmpiStatus(path + " is not an IPMI device: not a character device of the IPMI driver");
  if (fd < 0)
    throw ostrelInt::CmpiStatus(SystemError("cannot open " + path));
  auto device = std::make_unique<DeviceFd>(std::move(io), fd);
  return std::unique_ptr<DeviceTransport>(new DeviceTransport(path, options, std::move(device)));
}

DeviceTransport::DeviceTransport(std::string path, const TransportOptions& options,
                                 std::unique_ptr<DeviceFd> device)
    : path_(std::move(path)), options_(options), device_(std::move(device)) {}

Response DeviceTransport::Send(const Request& request) {
  return SendPipelined({request}).front();
}

std::vector<Response> DeviceTransport::SendPipelined(const std::vector<Request>& requests) {
  Wire wire(*this);
  RequestPipeline pipeline(wire, options_, path_, kMaxWindow);
  try {
    return pipeline.Run(requests);
  } catch (const NoAnswer& e) {
    if (wire.LastSendError().empty())
      throw;
    throw NoAnswer(e.msg() + " (" + wire.LastSendError() + ")", e.target());
  }
}

std::size_t DeviceTransport::MaxResponseData() const {
  return kMaxResponseData;
}

}  // namespace marlek
