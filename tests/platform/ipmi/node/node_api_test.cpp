// The C entry points answer exactly -1 for a node that is not open: that is
// the value the plug-in tests for.

#include <Ipmi/Ipmi.h>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

TEST(NodeApiTest, EveryCallOnANodeThatIsNotOpenAnswersMinusOne) {
  setenv("MARLEK_IPMI_CONF", "/nonexistent/marlek-ipmi.conf", 1);
  constexpr int kNode = 61;  // no /dev/ipmi61 here
  unsigned short entries = 7;
  EXPECT_EQ(Ipmi::IpmiIfcSdrGetInfo(kNode), -1);
  EXPECT_EQ(Ipmi::IpmiIfcFruInstantiateAll(kNode), -1);
  EXPECT_EQ(Ipmi::IpmiIfcSelGetInfo(kNode, &entries), -1);
  EXPECT_EQ(entries, 7);
  EXPECT_EQ(Ipmi::IpmiIfcInitForCLI(kNode), -1);
  EXPECT_EQ(Ipmi::IpmiIfcOpenIpmiClose(kNode), -1);
  EXPECT_EQ(Ipmi::IpmiIfcOpenIpmiOpen(kNode), -1);
  unsetenv("MARLEK_IPMI_CONF");
}

}  // namespace
