// Opening, initialising and closing nodes, the node-less default node and
// raw connections, against a simulated BMC mapped by the configuration.

#include "node/node_context.h"
#include "node/node_registry.h"
#include "support/simulated_bmc.h"
#include "support/temp_dir.h"
#include "wire/payload.h"

#include <Ipmi/CmpiStatus.h>
#include <Ipmi/Ipmi.h>
#include <Ipmi/Raw.h>

#include <gtest/gtest.h>

#include <fstream>

namespace marlek {
namespace {

using testing::ScopedEnv;
using testing::ServerCapture;
using testing::SimulatedBmc;
using testing::TempDir;

Request GetDeviceId() {
  Request r;
  r.netFn = netfn::kApp;
  r.command = 0x01;
  return r;
}

class NodeApiTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (testing::HaveProgram("ipmi_sim"))
      sim_ = new SimulatedBmc({ServerCapture("quanta_d51.emu"), ServerCapture("s2600wtt.emu")});
  }
  static void TearDownTestSuite() {
    delete sim_;
    sim_ = nullptr;
  }
  void SetUp() override {
    if (!sim_)
      GTEST_SKIP() << "ipmi_sim is not installed";
    ASSERT_TRUE(sim_->Started()) << sim_->StartLog();
    env_ = std::make_unique<ScopedEnv>("MARLEK_IPMI_CONF", sim_->ConfPath());
  }
  void TearDown() override {
    for (int node = 0; node < 8; ++node) {
      Ipmi::IpmiIfcOpenIpmiClose(node);
      Ipmi::IpmiIfcCloseForCLI(node);
    }
    env_.reset();
  }

  static std::uint16_t ManufacturerOf(Transport& transport) {
    const Response r = transport.Send(GetDeviceId());
    PayloadReader in(r.data, "Get Device ID response");
    in.Skip(6);
    return static_cast<std::uint16_t>(in.U24le());
  }

  static SimulatedBmc* sim_;
  std::unique_ptr<ScopedEnv> env_;
};

SimulatedBmc* NodeApiTest::sim_ = nullptr;

TEST_F(NodeApiTest, OpenInitCloseSequence) {
  ASSERT_EQ(Ipmi::IpmiIfcOpenIpmiOpen(1), 0);
  EXPECT_NE(FindOpenNode(1), nullptr);
  EXPECT_EQ(CurrentNode(), nullptr);
  ASSERT_EQ(Ipmi::IpmiIfcInitForCLI(1), 0);
  ASSERT_NE(CurrentNode(), nullptr);
  EXPECT_EQ(CurrentNode()->index, 1);
  EXPECT_EQ(ManufacturerOf(*RequireOpenNode(1).transport), 0x0157);  // the S2600WTT capture
  EXPECT_EQ(CurrentOrDefaultNode().get(), CurrentNode());

  EXPECT_EQ(Ipmi::IpmiIfcOpenIpmiClose(1), 0);
  EXPECT_EQ(Ipmi::IpmiIfcCloseForCLI(1), 0);
  EXPECT_EQ(FindOpenNode(1), nullptr);
  EXPECT_EQ(CurrentNode(), nullptr);
  EXPECT_THROW(RequireOpenNode(1), ostrelInt::CmpiStatus);
  EXPECT_EQ(Ipmi::IpmiIfcInitForCLI(1), -1);
}

TEST_F(NodeApiTest, NodesThatCannotBeOpenedLeaveNothingOpen) {
  TempDir dir;
  const std::string wrongPassword = dir.Write("pw", "wrong", 0600);
  const std::string exposedPassword = dir.Write("pw-exposed", sim_->Password(), 0644);
  std::ifstream in(sim_->ConfPath());
  std::string conf((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  conf += "\n[node 5]\ntransport = lan\nhost = 127.0.0.1\nport = " + std::to_string(sim_->Port(0)) +
          "\nusername = admin\npassword-file = " + wrongPassword + "\ntimeout-ms = 200\nretries = 0\n";
  conf += "\n[node 6]\ntransport = lan\nhost = 127.0.0.1\nport = " + std::to_string(sim_->Port(0)) +
          "\nusername = admin\npassword-file = " + exposedPassword + "\n";
  ScopedEnv env("MARLEK_IPMI_CONF", dir.Write("lib.conf", conf));

  for (int node : {-1, -7, 5, 6, 7}) {
    SCOPED_TRACE(node);
    EXPECT_EQ(Ipmi::IpmiIfcOpenIpmiOpen(node), -1);
    EXPECT_EQ(FindOpenNode(node), nullptr);
    EXPECT_EQ(Ipmi::IpmiIfcInitForCLI(node), -1);
  }
  // The reasons, as a raw connection reports them.
  const std::pair<int, const char*> reasons[] = {
      {-1, "IPMI node -1 does not exist"},
      {5, "IPMI node 5: cannot establish an RMCP+ session"},
      {6, "must be readable by its owner only"},
      {7, "IPMI node 7: cannot open /dev/ipmi7"},
  };
  for (const auto& [node, text] : reasons) {
    try {
      Ipmi::Raw::Connection::Open(node);
      ADD_FAILURE() << "node " << node << " opened";
    } catch (const ostrelInt::CmpiStatus& e) {
      EXPECT_NE(e.msg().find(text), std::string::npos) << e.msg();
    }
  }
}

TEST_F(NodeApiTest, MalformedConfigurationFailsTheOpen) {
  TempDir dir;
  ScopedEnv env("MARLEK_IPMI_CONF", dir.Write("bad.conf", "[node 0]\ntransport = lan\nhots = x\n"));
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(Ipmi::IpmiIfcOpenIpmiOpen(0), -1);
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find(dir.Path() + "/bad.conf:3: unknown key 'hots' in [node 0]"), std::string::npos) << said;
  EXPECT_EQ(FindOpenNode(0), nullptr);
}

TEST_F(NodeApiTest, DefaultNodeIsOpenedForOneUseWhenNoneIsCurrent) {
  std::shared_ptr<NodeContext> node = CurrentOrDefaultNode();
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->index, 0);
  EXPECT_EQ(FindOpenNode(0), nullptr);  // not registered as open
  EXPECT_EQ(ManufacturerOf(*node->transport), 0x1c4c);
  node.reset();

  // With a current node, that one serves.
  ASSERT_EQ(Ipmi::IpmiIfcOpenIpmiOpen(1), 0);
  ASSERT_EQ(Ipmi::IpmiIfcInitForCLI(1), 0);
  EXPECT_EQ(CurrentOrDefaultNode()->index, 1);
}

TEST_F(NodeApiTest, RawConnectionSharesTheOpenNodesTransport) {
  ASSERT_EQ(Ipmi::IpmiIfcOpenIpmiOpen(0), 0);
  Transport& transport = *RequireOpenNode(0).transport;
  const std::uint64_t before = transport.RequestCount();
  {
    std::unique_ptr<Ipmi::Raw::Connection> raw = Ipmi::Raw::Connection::Open(0);
    const Ipmi::Raw::Response r = raw->Send(netfn::kApp, 0x01, {});
    EXPECT_EQ(r.completionCode, 0);
    EXPECT_EQ(r.data.size(), 15u);
    const Ipmi::Raw::Response bad = raw->Send(netfn::kApp, 0x7f, {});
    EXPECT_EQ(bad.completionCode, 0xc1);
  }
  EXPECT_EQ(transport.RequestCount() - before, 2u);
  // Without an open node it has a session of its own.
  std::unique_ptr<Ipmi::Raw::Connection> own = Ipmi::Raw::Connection::Open(1);
  EXPECT_EQ(own->Send(netfn::kApp, 0x01, {}).completionCode, 0);
  EXPECT_EQ(FindOpenNode(1), nullptr);
}

TEST_F(NodeApiTest, SessionsAreClosedWithTheirNodes) {
  // More sessions than the simulator can hold at once: each close must end
  // its session at the BMC.
  for (int i = 0; i < 80; ++i) {
    ASSERT_EQ(Ipmi::IpmiIfcOpenIpmiOpen(0), 0) << "open " << i;
    ASSERT_EQ(Ipmi::IpmiIfcOpenIpmiClose(0), 0);
  }
}

TEST_F(NodeApiTest, NodeLeftOpenAtExitClosesCleanly) {
  // The session is closed while the process exits, after main returns.
  EXPECT_EXIT(
      {
        if (Ipmi::IpmiIfcOpenIpmiOpen(0) != 0 || Ipmi::IpmiIfcInitForCLI(0) != 0)
          std::_Exit(3);
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace marlek
