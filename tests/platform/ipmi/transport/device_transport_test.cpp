// The Linux IPMI device transport against a scripted driver: how requests
// are addressed, matched by msgid, retried and given up, and cut answers.

#include "transport/device/device_transport.h"

#include <Ipmi/CmpiStatus.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <functional>
#include <set>
#include <thread>

namespace marlek {
namespace {

struct Message {
  int recvType = IPMI_RESPONSE_RECV_TYPE;
  long msgid = 0;
  std::uint8_t netFn = 0, command = 0;
  std::vector<std::uint8_t> data;  // of answers: completion code first
  ipmi_ipmb_addr address{};        // of requests; a system interface address shares its first fields
};

// Plays the driver: answer() turns each request into the answers it
// queues; the queue is read oldest first or, with reverseOrder, newest first.
struct ScriptedDriver : IpmiDeviceIo {
  int Open(const std::string&) override { return 9; }
  void Close(int) override {}
  int SendCommand(int, ipmi_req& req) override {
    errno = sendErrno;
    if (sendErrno)
      return -1;
    Message m{0, req.msgid, req.msg.netfn, req.msg.cmd, {req.msg.data, req.msg.data + req.msg.data_len}};
    std::memcpy(&m.address, req.addr, std::min<std::size_t>(req.addr_len, sizeof m.address));
    sent.push_back(m);
    for (Message& a : answer(m))
      queue.insert(reverseOrder ? queue.begin() : queue.end(), a);
    pending.insert(m.msgid);
    maxOutstanding = std::max(maxOutstanding, pending.size());
    return 0;
  }
  int ReceiveMessage(int, ipmi_recv& recv) override {
    const Message a = queue.front();
    queue.pop_front();
    pending.erase(a.recvType == IPMI_RESPONSE_RECV_TYPE ? a.msgid : -1);
    recv.recv_type = a.recvType;
    recv.msgid = a.msgid;
    recv.msg.netfn = a.netFn;
    recv.msg.cmd = a.command;
    recv.msg.data_len = static_cast<unsigned short>(std::min<std::size_t>(a.data.size(), recv.msg.data_len));
    std::copy_n(a.data.begin(), recv.msg.data_len, recv.msg.data);
    errno = EMSGSIZE;
    return recv.msg.data_len < a.data.size() ? -1 : 0;
  }
  int WaitReadable(int, std::chrono::milliseconds timeout) override {
    if (eventsLeft > 0) {  // an event arrives whenever the transport waits
      --eventsLeft;
      queue.push_front(Message{IPMI_ASYNC_EVENT_RECV_TYPE, 0, 0, 0, {0x00}});
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (queue.empty())
      std::this_thread::sleep_for(timeout);
    return queue.empty() ? 0 : 1;
  }

  // The answer echoing the request's data after completion code 0.
  static Message Echo(const Message& m) {
    Message a{IPMI_RESPONSE_RECV_TYPE, m.msgid, static_cast<std::uint8_t>(m.netFn | 1), m.command, {0x00}};
    a.data.insert(a.data.end(), m.data.begin(), m.data.end());
    return a;
  }
  std::function<std::vector<Message>(const Message&)> answer = [](const Message& m) {
    return std::vector<Message>{Echo(m)};
  };
  std::vector<Message> sent;
  std::deque<Message> queue;
  std::set<long> pending;  // msgids sent and not yet answered
  std::size_t maxOutstanding = 0;
  bool reverseOrder = false;
  int eventsLeft = 0, sendErrno = 0;
};

Request Reading(std::uint8_t sensor, Target target = {}) {
  return Request{netfn::kSensorEvent, 0x2d, target, {sensor}};
}

std::unique_ptr<DeviceTransport> Open(std::shared_ptr<ScriptedDriver> driver, int window = 8) {
  TransportOptions o;
  o.timeout = std::chrono::milliseconds(30);
  o.window = window;
  return DeviceTransport::Open("/dev/ipmi0", o, driver);
}

TEST(DeviceTransportTest, AnswersAreMatchedByMsgidAmongOtherMessages) {
  for (bool reverse : {false, true}) {
    auto driver = std::make_shared<ScriptedDriver>();
    driver->reverseOrder = reverse;
    driver->answer = [](const Message& m) {
      Message stale = ScriptedDriver::Echo(m), other = stale;
      stale.msgid += 1000;
      other.command ^= 1;
      other.msgid = 0;
      return std::vector<Message>{stale, Message{IPMI_ASYNC_EVENT_RECV_TYPE, 0, 0, 0, {0}}, other,
                                  ScriptedDriver::Echo(m)};
    };
    auto transport = Open(driver, 5);
    std::vector<Request> requests;
    for (int i = 0; i < 40; ++i)
      requests.push_back(Reading(static_cast<std::uint8_t>(i), i % 3 ? Target{} : Target{6, 0x2c, 2}));
    const std::vector<Response> answers = transport->SendPipelined(requests);
    ASSERT_EQ(answers.size(), 40u);
    for (int i = 0; i < 40; ++i)
      EXPECT_EQ(answers[i].data, std::vector<std::uint8_t>{static_cast<std::uint8_t>(i)}) << reverse;
    EXPECT_LE(driver->maxOutstanding, 5u);
    EXPECT_EQ(transport->RequestCount(), 40u);
    for (const Message& s : driver->sent) {
      const bool ipmb = s.data[0] % 3 == 0;
      EXPECT_EQ(s.address.addr_type, ipmb ? IPMI_IPMB_ADDR_TYPE : IPMI_SYSTEM_INTERFACE_ADDR_TYPE);
      EXPECT_EQ(s.address.channel, ipmb ? 6 : IPMI_BMC_CHANNEL);
      EXPECT_EQ(s.address.lun, ipmb ? 2 : 0);
      EXPECT_EQ(s.address.slave_addr, ipmb ? 0x2c : s.address.slave_addr);
    }
  }
}

TEST(DeviceTransportTest, RetriesTimeoutsAndBadAnswers) {
  const struct {
    int silent, busy, events, sendErrno;  // silent attempts, then 0xC0 answers
    std::function<void(Message&)> damage;
    const char* failure;  // null: answered
    std::size_t sends;
  } cases[] = {
      {0, 0, 0, 0, nullptr, nullptr, 1},
      {2, 0, 0, 0, nullptr, nullptr, 3},
      {0, 2, 0, 0, nullptr, nullptr, 3},
      {3, 0, 0, 0, nullptr, "no answer from /dev/ipmi0 to netfn 0x04 command 0x2d after 3 attempts of 30 ms",
       3},
      {3, 0, 5000, 0, nullptr, "after 3 attempts", 3},  // events do not hold the request past its deadline
      {0, 0, 0, ENXIO, nullptr, "IPMICTL_SEND_COMMAND on /dev/ipmi0: No such device or address", 0},
      {0, 0, 0, 0, [](Message& a) { a.data.clear(); }, "IPMI device answer: needs 1", 3},
      {0, 0, 0, 0, [](Message& a) { a.command ^= 1; }, "another command", 3},
      {0, 0, 0, 0, [](Message& a) { a.data.assign(IPMI_MAX_MSG_LENGTH + 20, 0); }, nullptr, 1},
  };
  for (const auto& c : cases) {
    auto driver = std::make_shared<ScriptedDriver>();
    int silent = c.silent, busy = c.busy;
    driver->answer = [&](const Message& m) {
      Message a = ScriptedDriver::Echo(m);
      if (busy-- > 0)
        a.data = {0xc0};
      if (c.damage)
        c.damage(a);
      return silent-- > 0 ? std::vector<Message>{} : std::vector<Message>{a};
    };
    driver->eventsLeft = c.events;
    driver->sendErrno = c.sendErrno;
    auto transport = Open(driver);
    try {
      const Response r = transport->Send(Reading(1));
      EXPECT_EQ(c.failure, nullptr);
      EXPECT_EQ(r.data.size(), c.damage ? IPMI_MAX_MSG_LENGTH - 1u : 1u) << "cut to the buffer, not lost";
    } catch (const ostrelInt::CmpiStatus& e) {
      EXPECT_NE(e.msg().find(c.failure ? c.failure : "no failure"), std::string::npos) << e.msg();
    }
    EXPECT_EQ(driver->sent.size(), c.sends);
    if (c.events) {
      EXPECT_GT(driver->eventsLeft, 0) << "gave up while the events kept coming";
    }
  }
}

// Only the driver's character device opens: a regular file left at the
// name, or a device that does not answer the driver's ioctls, does not.
TEST(DeviceTransportTest, WhatIsNotTheIpmiDriversDeviceDoesNotOpen) {
  char file[] = "/tmp/ostrel-not-ipmi-XXXXXX";
  const int made = mkstemp(file);
  ASSERT_GE(made, 0);
  close(made);
  for (const char* path : {static_cast<const char*>(file), "/dev/null"}) {
    errno = 0;
    EXPECT_EQ(KernelIpmiDeviceIo()->Open(path), -1) << path;
    EXPECT_EQ(errno, ENOTTY) << path;
  }
  unlink(file);
}

}  // namespace
}  // namespace marlek
