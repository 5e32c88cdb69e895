// The library's SDR and sensor entry points against the project's simulated
// server over RMCP+: request counts of a cold and a warm listing, the
// repository record, and a server with an empty repository.
#include "support/peer_tools.h"
#include "support/simulated_bmc.h"

#include "node/node_context.h"

#include <Ipmi/Ipmi.h>
#include <gtest/gtest.h>

#include <cstdlib>

namespace marlek {
namespace {

using testing::HaveProgram;
using testing::SimulatedBmc;

struct Listing {
  std::size_t sensors = 0;
  std::uint64_t requests = 0;
  int sdrInfo = -1;
  Ipmi::SdrRepositoryInfo info{};
};

// One `sdr list` worth of library calls on a freshly opened node 0.
Listing ListOnce() {
  Listing l;
  EXPECT_EQ(Ipmi::IpmiIfcOpenIpmiOpen(0), 0);
  EXPECT_EQ(Ipmi::IpmiIfcInitForCLI(0), 0);
  NodeContext* node = FindOpenNode(0);
  if (!node)
    return l;
  const std::uint64_t before = node->transport->RequestCount();
  l.sdrInfo = Ipmi::IpmiIfcSdrGetInfo(0);
  l.info = Ipmi::IpmiIfc::getSdr(0);
  l.sensors = Ipmi::IpmiIfc::getSensors(0).size();
  l.requests = node->transport->RequestCount() - before;
  Ipmi::IpmiIfcOpenIpmiClose(0);
  Ipmi::IpmiIfcCloseForCLI(0);
  return l;
}

class SimulatedServer : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveProgram("ipmi_sim"))
      GTEST_SKIP() << "ipmi_sim is not installed";
  }
  // emu empty: the project's own simulated server. Call through
  // ASSERT_NO_FATAL_FAILURE.
  void Start(const std::string& emu) {
    sim_ = std::make_unique<SimulatedBmc>(emu.empty() ? std::vector<std::string>{}
                                                      : std::vector<std::string>{emu});
    ASSERT_TRUE(sim_->Started()) << sim_->StartLog();
    ::setenv("MARLEK_IPMI_CONF", sim_->ConfPath().c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("MARLEK_IPMI_CONF");
    sim_.reset();
  }
  std::unique_ptr<SimulatedBmc> sim_;
};

TEST_F(SimulatedServer, WarmListingNeedsAtMostThreeRequestsBeyondTheReadings) {
  ASSERT_NO_FATAL_FAILURE(Start(""));
  const Listing cold = ListOnce();
  ASSERT_GT(cold.sensors, 40u);
  EXPECT_EQ(cold.sdrInfo, cold.info.recordCount);
  EXPECT_EQ(cold.info.completionCode, 0);
  EXPECT_EQ(cold.info.sdrVersion, 0x51);
  // About one request per record plus one per sensor, and a few more.
  EXPECT_LE(cold.requests, cold.info.recordCount * 2u + cold.sensors + 4u);

  const Listing warm = ListOnce();
  EXPECT_EQ(warm.sensors, cold.sensors);
  EXPECT_LE(warm.requests, warm.sensors + 3u);

  // A damaged cache file is read past, the repository read again and the
  // file rewritten.
  testing::RunCommand("for f in '" + sim_->Dir() + "'/cache/*.cache; do printf garbage > \"$f\"; done");
  const Listing repaired = ListOnce();
  EXPECT_EQ(repaired.sensors, cold.sensors);
  EXPECT_GT(repaired.requests, repaired.sensors + 3u);
  EXPECT_LE(ListOnce().requests, warm.sensors + 3u);
  std::cout << "cold: " << cold.requests << " requests for " << cold.info.recordCount << " records and "
            << cold.sensors << " sensors; warm: " << warm.requests << " requests\n";
}

TEST_F(SimulatedServer, NodesThatAreNotOpenFailClearly) {
  EXPECT_EQ(Ipmi::IpmiIfcSdrGetInfo(0), -1);
  EXPECT_EQ(Ipmi::IpmiIfcSdrGetInfo(-1), -1);
  EXPECT_THROW(Ipmi::IpmiIfc::getSdr(0), ostrelInt::CmpiStatus);
  EXPECT_THROW(Ipmi::IpmiIfc::getSensors(0), ostrelInt::CmpiStatus);
}

TEST_F(SimulatedServer, EmptyRepositoryListsNoSensors) {
  ASSERT_NO_FATAL_FAILURE(Start(testing::SourceDir() + "/tests/sim/empty.emu"));
  const Listing l = ListOnce();
  EXPECT_EQ(l.sdrInfo, 0);
  EXPECT_EQ(l.sensors, 0u);
  EXPECT_LE(l.requests, 2u);
}

}  // namespace
}  // namespace marlek
