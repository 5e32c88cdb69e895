// The Linux IPMI device transport against a scripted driver: how requests
// are addressed, matched by msgid, pipelined, retried and given up.

#include "transport/device_transport.h"
#include "transport/ipmi_device_message.h"

#include <Ipmi/CmpiStatus.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <functional>
#include <optional>
#include <thread>

namespace marlek {
namespace {

struct SentRequest {
  ipmi_addr address{};
  long msgid = 0;
  std::uint8_t netFn = 0;
  std::uint8_t command = 0;
  std::vector<std::uint8_t> data;
};

struct DriverAnswer {
  int recvType = IPMI_RESPONSE_RECV_TYPE;
  long msgid = 0;
  std::uint8_t netFn = 0;
  std::uint8_t command = 0;
  std::vector<std::uint8_t> data;  // completion code first
};

// Plays the driver: each sent request may produce an answer; answers wait
// in a queue until the transport reads them. The answer order is the
// test's to choose.
class ScriptedDriver : public IpmiDeviceIo {
 public:
  using Answerer = std::function<std::optional<DriverAnswer>(const SentRequest&)>;

  explicit ScriptedDriver(Answerer answerer) : answerer_(std::move(answerer)) {}

  int Open(const std::string& path) override {
    if (path != "/dev/ipmi0") {
      errno = ENOENT;
      return -1;
    }
    ++opened;
    return 9;
  }
  void Close(int fd) override {
    EXPECT_EQ(fd, 9);
    ++closed;
  }
  int SendCommand(int fd, ipmi_req& req) override {
    EXPECT_EQ(fd, 9);
    if (sendErrno) {
      errno = sendErrno;
      return -1;
    }
    SentRequest s;
    std::memcpy(&s.address, req.addr, std::min<std::size_t>(req.addr_len, sizeof s.address));
    s.msgid = req.msgid;
    s.netFn = req.msg.netfn;
    s.command = req.msg.cmd;
    s.data.assign(req.msg.data, req.msg.data + req.msg.data_len);
    sent.push_back(s);
    if (std::optional<DriverAnswer> a = answerer_(s))
      queue.push_back(*a);
    const std::size_t outstanding = sent.size() - received;
    maxOutstanding = std::max(maxOutstanding, outstanding);
    if (reverseOrder)
      std::reverse(queue.begin(), queue.end());
    return 0;
  }
  int ReceiveMessage(int, ipmi_recv& recv) override {
    if (queue.empty()) {
      errno = EAGAIN;
      return -1;
    }
    const DriverAnswer a = queue.front();
    queue.pop_front();
    ++received;
    recv.recv_type = a.recvType;
    recv.msgid = a.msgid;
    recv.msg.netfn = a.netFn;
    recv.msg.cmd = a.command;
    const std::size_t n = std::min<std::size_t>(a.data.size(), recv.msg.data_len);
    if (n)
      std::memcpy(recv.msg.data, a.data.data(), n);
    recv.msg.data_len = static_cast<unsigned short>(n);
    if (n < a.data.size()) {
      errno = EMSGSIZE;
      return -1;
    }
    return 0;
  }
  int WaitReadable(int, std::chrono::milliseconds timeout) override {
    if (floodUntil > std::chrono::steady_clock::now()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      DriverAnswer event;
      event.recvType = IPMI_ASYNC_EVENT_RECV_TYPE;
      event.data = {0x00};
      queue.push_front(event);
    }
    if (!queue.empty())
      return 1;
    std::this_thread::sleep_for(timeout);
    return 0;
  }

  std::vector<SentRequest> sent;
  std::deque<DriverAnswer> queue;
  std::size_t received = 0;
  std::size_t maxOutstanding = 0;
  bool reverseOrder = false;
  std::chrono::steady_clock::time_point floodUntil;  // events keep coming until then
  int sendErrno = 0;
  int opened = 0;
  int closed = 0;

 private:
  Answerer answerer_;
};

// Answers every request with its own first data byte echoed after cc 0.
std::optional<DriverAnswer> Echo(const SentRequest& s) {
  DriverAnswer a;
  a.msgid = s.msgid;
  a.netFn = static_cast<std::uint8_t>(s.netFn | 1);
  a.command = s.command;
  a.data = {0x00};
  a.data.insert(a.data.end(), s.data.begin(), s.data.end());
  return a;
}

Request Reading(std::uint8_t sensor, Target target = {}) {
  Request r;
  r.netFn = netfn::kSensorEvent;
  r.command = 0x2d;
  r.target = target;
  r.data = {sensor};
  return r;
}

TransportOptions Fast(int window = 8) {
  TransportOptions o;
  o.timeout = std::chrono::milliseconds(30);
  o.retries = 2;
  o.window = window;
  return o;
}

TEST(DeviceRequestTest, SystemInterfaceOrIpmbAddress) {
  Request r = Reading(0x31);
  r.target.lun = 1;
  DeviceRequest local(r, 77);
  ipmi_system_interface_addr si;
  std::memcpy(&si, &local.Address(), sizeof si);
  EXPECT_EQ(si.addr_type, IPMI_SYSTEM_INTERFACE_ADDR_TYPE);
  EXPECT_EQ(si.channel, IPMI_BMC_CHANNEL);
  EXPECT_EQ(si.lun, 1);
  EXPECT_EQ(local.Get().addr_len, sizeof si);
  EXPECT_EQ(local.Get().msgid, 77);
  EXPECT_EQ(local.Get().msg.netfn, netfn::kSensorEvent);
  EXPECT_EQ(local.Get().msg.cmd, 0x2d);
  ASSERT_EQ(local.Get().msg.data_len, 1);
  EXPECT_EQ(local.Get().msg.data[0], 0x31);

  DeviceRequest bridged(Reading(0x05, Target{6, 0x2c, 2}), 78);
  ipmi_ipmb_addr ipmb;
  std::memcpy(&ipmb, &bridged.Address(), sizeof ipmb);
  EXPECT_EQ(ipmb.addr_type, IPMI_IPMB_ADDR_TYPE);
  EXPECT_EQ(ipmb.channel, 6);
  EXPECT_EQ(ipmb.slave_addr, 0x2c);
  EXPECT_EQ(ipmb.lun, 2);
  EXPECT_EQ(bridged.Get().addr_len, sizeof ipmb);
}

TEST(DeviceTransportTest, OpenFailureNamesTheDeviceAndNothingStaysOpen) {
  auto driver = std::make_shared<ScriptedDriver>(Echo);
  try {
    DeviceTransport::Open("/dev/ipmi3", Fast(), driver);
    FAIL() << "opened";
  } catch (const ostrelInt::CmpiStatus& e) {
    EXPECT_EQ(e.msg(), "cannot open /dev/ipmi3: No such file or directory");
  }
  {
    auto transport = DeviceTransport::Open("/dev/ipmi0", Fast(), driver);
    EXPECT_EQ(transport->Describe(), "/dev/ipmi0");
  }
  EXPECT_EQ(driver->opened, 1);
  EXPECT_EQ(driver->closed, 1);
}

TEST(DeviceTransportTest, PipelinedAnswersComeBackInRequestOrderWithinTheWindow) {
  for (bool reverse : {false, true}) {
    SCOPED_TRACE(reverse);
    auto driver = std::make_shared<ScriptedDriver>(Echo);
    driver->reverseOrder = reverse;
    auto transport = DeviceTransport::Open("/dev/ipmi0", Fast(5), driver);
    std::vector<Request> requests;
    for (int i = 0; i < 40; ++i)
      requests.push_back(Reading(static_cast<std::uint8_t>(i), i % 3 ? Target{} : Target{0, 0x2c, 0}));
    const std::vector<Response> answers = transport->SendPipelined(requests);
    ASSERT_EQ(answers.size(), requests.size());
    for (int i = 0; i < 40; ++i) {
      ASSERT_TRUE(answers[i].Ok());
      EXPECT_EQ(answers[i].data, std::vector<std::uint8_t>{static_cast<std::uint8_t>(i)});
      EXPECT_GT(answers[i].receivedUsec, 0u);
    }
    EXPECT_LE(driver->maxOutstanding, 5u);
    EXPECT_EQ(transport->RequestCount(), 40u);
  }
}

TEST(DeviceTransportTest, UnrelatedMessagesAreSkipped) {
  auto driver = std::make_shared<ScriptedDriver>(
      [](const SentRequest& s) -> std::optional<DriverAnswer> { return Echo(s); });
  auto transport = DeviceTransport::Open("/dev/ipmi0", Fast(), driver);
  // An event, a stale answer and an answer of another command arrive first.
  DriverAnswer event;
  event.recvType = IPMI_ASYNC_EVENT_RECV_TYPE;
  event.data = {0x00, 0x01};
  DriverAnswer stale = *Echo({{}, 9999, netfn::kApp, 0x01, {}});
  driver->queue = {event, stale};
  driver->reverseOrder = true;  // our answer lands behind them
  const Response r = transport->Send(Reading(0x44));
  EXPECT_EQ(r.data, std::vector<std::uint8_t>{0x44});
  EXPECT_EQ(driver->sent.size(), 1u);
}

TEST(DeviceTransportTest, RetriesAndTimeouts) {
  struct Case {
    const char* name;
    int silentAttempts;  // attempts that get no answer
    std::uint8_t busyAnswers;
    bool succeeds;
    std::size_t expectedSends;
  };
  const Case cases[] = {
      {"answered at once", 0, 0, true, 1},
      {"answered on the last retry", 2, 0, true, 3},
      {"silent", 3, 0, false, 3},
      {"busy twice", 0, 2, true, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int silent = c.silentAttempts;
    int busy = c.busyAnswers;
    auto driver = std::make_shared<ScriptedDriver>([&](const SentRequest& s) -> std::optional<DriverAnswer> {
      if (silent > 0 && silent--)
        return std::nullopt;
      std::optional<DriverAnswer> a = Echo(s);
      if (busy > 0 && busy--)
        a->data = {0xc0};
      return a;
    });
    auto transport = DeviceTransport::Open("/dev/ipmi0", Fast(), driver);
    if (c.succeeds) {
      EXPECT_TRUE(transport->Send(Reading(1)).Ok());
    } else {
      try {
        transport->Send(Reading(1));
        ADD_FAILURE() << "no failure";
      } catch (const ostrelInt::CmpiStatus& e) {
        EXPECT_EQ(e.msg(), "no answer from /dev/ipmi0 to netfn 0x04 command 0x2d after 3 attempts of 30 ms");
      }
    }
    EXPECT_EQ(driver->sent.size(), c.expectedSends);
    EXPECT_EQ(transport->RequestCount(), c.expectedSends);
  }
}

TEST(DeviceTransportTest, StreamOfEventsDoesNotHoldARequestPastItsTimeout) {
  auto driver = std::make_shared<ScriptedDriver>([](const SentRequest&) { return std::nullopt; });
  driver->floodUntil = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  auto transport = DeviceTransport::Open("/dev/ipmi0", Fast(), driver);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_THROW(transport->Send(Reading(1)), ostrelInt::CmpiStatus);
  // Three attempts of 30 ms; the flood lasts far longer.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_EQ(driver->sent.size(), 3u);
}

TEST(DeviceTransportTest, FailureIsReportedAfterTheRequestsBeforeIt) {
  auto driver = std::make_shared<ScriptedDriver>([](const SentRequest& s) -> std::optional<DriverAnswer> {
    if (s.data.at(0) == 3)
      return std::nullopt;
    return Echo(s);
  });
  auto transport = DeviceTransport::Open("/dev/ipmi0", Fast(4), driver);
  std::vector<Request> requests;
  for (int i = 0; i < 10; ++i)
    requests.push_back(Reading(static_cast<std::uint8_t>(i)));
  EXPECT_THROW(transport->SendPipelined(requests), ostrelInt::CmpiStatus);
  // The silent request held one slot of the window through its attempts
  // while the others went on; every request before it was answered.
  std::vector<int> sentSensors;
  for (const SentRequest& s : driver->sent)
    sentSensors.push_back(s.data.at(0));
  EXPECT_EQ(std::count(sentSensors.begin(), sentSensors.end(), 3), 3);
  EXPECT_EQ(driver->received, driver->sent.size() - 3);
  // The transport is usable afterwards.
  EXPECT_TRUE(transport->Send(Reading(4)).Ok());
}

TEST(DeviceTransportTest, BadAnswersGiveClearErrors) {
  struct Case {
    const char* name;
    std::function<void(DriverAnswer&)> damage;
    std::optional<int> sendErrno;
    const char* expected;
  };
  const Case cases[] = {
      {"no completion code", [](DriverAnswer& a) { a.data.clear(); }, std::nullopt,
       "IPMI device answer: needs 1"},
      {"another command", [](DriverAnswer& a) { a.command ^= 1; }, std::nullopt, "another command"},
      {"send refused", [](DriverAnswer&) {}, ENXIO,
       "IPMICTL_SEND_COMMAND on /dev/ipmi0: No such device or address"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto driver = std::make_shared<ScriptedDriver>([&](const SentRequest& s) {
      std::optional<DriverAnswer> a = Echo(s);
      c.damage(*a);
      return a;
    });
    driver->sendErrno = c.sendErrno.value_or(0);
    auto transport = DeviceTransport::Open("/dev/ipmi0", Fast(), driver);
    try {
      transport->Send(Reading(1));
      ADD_FAILURE() << "no failure";
    } catch (const ostrelInt::CmpiStatus& e) {
      EXPECT_NE(e.msg().find(c.expected), std::string::npos) << e.msg();
    }
  }
}

TEST(DeviceTransportTest, OversizedAnswerIsTruncatedNotLost) {
  auto driver = std::make_shared<ScriptedDriver>([](const SentRequest& s) {
    std::optional<DriverAnswer> a = Echo(s);
    a->data.assign(IPMI_MAX_MSG_LENGTH + 20, 0x00);
    return a;
  });
  auto transport = DeviceTransport::Open("/dev/ipmi0", Fast(), driver);
  const Response r = transport->Send(Reading(1));
  EXPECT_TRUE(r.Ok());
  EXPECT_EQ(r.data.size(), IPMI_MAX_MSG_LENGTH - 1u);
}

}  // namespace
}  // namespace marlek
