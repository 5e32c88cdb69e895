// A node's link to its BMC: silence is learnt once, a LAN session is made again
// a bounded number of times, a silent controller behind the BMC silences only itself.

#include "node/node_link.h"
#include "support/scripted_transport.h"

#include <gtest/gtest.h>

#include <set>

namespace marlek {
namespace {

constexpr Target kSatellite{0, 0xc0, 0};

// Silent for the targets in `silent` (throws NoAnswer), else answers.
std::shared_ptr<testing::ScriptedTransport> Bmc(std::set<std::uint8_t> silent, int* calls) {
  return std::make_shared<testing::ScriptedTransport>([silent, calls](const Request& r) {
    ++*calls;
    if (silent.count(r.target.slaveAddress))
      throw NoAnswer("no answer from bmc " + std::to_string(*calls), r.target);
    return testing::Ok({0x01});
  });
}

TEST(NodeLinkTest, SilenceIsLearntOnceAndSessionsAreMadeAgainBoundedly) {
  const struct {
    const char* name;
    std::set<std::uint8_t> silentFirst, silentAfterReconnect;  // by slave address
    bool lan, reconnectFails;
    Target target;
    bool bmcAnswersAfter;  // a request to the BMC after the failure
    int reconnects;
  } cases[] = {
      {"device, BMC silent", {0x20}, {}, false, false, {}, false, 0},
      {"device, satellite silent", {0xc0}, {}, false, false, kSatellite, true, 0},
      {"LAN, session lost", {0x20}, {}, true, false, {}, true, 1},
      {"LAN, BMC gone", {0x20}, {}, true, true, {}, false, 1},
      {"LAN, BMC answers set-ups only", {0x20}, {0x20}, true, false, {}, false, 2},
      {"LAN, satellite silent", {0xc0}, {0xc0}, true, false, kSatellite, true, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    int calls = 0;
    NodeLink::Reconnect reconnect;
    if (c.lan)
      reconnect = [&]() -> std::shared_ptr<Transport> {
        if (c.reconnectFails)
          throw ostrelInt::CmpiStatus("no answer to Get Channel Authentication Capabilities");
        return Bmc(c.silentAfterReconnect, &calls);
      };
    NodeLink link(Bmc(c.silentFirst, &calls), reconnect);
    const Request request{netfn::kSensorEvent, 0x2d, c.target, {1}};
    const bool recovers = c.lan && !c.reconnectFails && !c.silentAfterReconnect.count(c.target.slaveAddress);
    std::string first;
    try {
      EXPECT_EQ(link.Send(request).data, std::vector<std::uint8_t>{0x01});
      EXPECT_TRUE(recovers);
    } catch (const NoAnswer& e) {
      EXPECT_FALSE(recovers);
      first = e.msg();
      const int before = calls;
      try {
        link.SendPipelined({request, request});
        ADD_FAILURE() << "a silent target answered";
      } catch (const NoAnswer& again) {
        EXPECT_EQ(again.msg(), first);  // at once, with the first reason
      }
      EXPECT_EQ(calls, before);
    }
    EXPECT_EQ(link.Reconnects(), c.reconnects);
    const bool bmcAnswers = [&] {
      try {
        return !link.Send(Request{netfn::kApp, 0x01, {}, {}}).data.empty();
      } catch (const NoAnswer&) {
        return false;
      }
    }();
    EXPECT_EQ(bmcAnswers, c.bmcAnswersAfter || recovers);
  }
}

}  // namespace
}  // namespace marlek
