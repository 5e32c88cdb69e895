// The node parameter, device discovery, and opening and closing one node.

#include "command_harness.h"
#include "common/ipmi_exception.h"
#include "common/node_session.h"
#include "common/params.h"
#include "fake_ipmi.h"

#include <gtest/gtest.h>

#include <climits>

#include <string>
#include <vector>

namespace {

using namespace OstrelCli::Hardware;

class NodeSelection : public ::testing::Test {
 protected:
  void SetUp() override { FakeIpmi::Reset(); }
};

std::vector<int> Select(const FakeIpmi::Invocation& invocation) {
  std::vector<int> nodes{9};  // entries already present stay
  LoadIpmiNodes(FakeIpmi::MakeInput(invocation), nodes);
  nodes.erase(nodes.begin());
  return nodes;
}

TEST_F(NodeSelection, DiscoveryTriesEverySlotInOrder) {
  FakeIpmi::state().devices = {0, 2};
  EXPECT_EQ(Select({}), (std::vector<int>{0, 2}));
  EXPECT_EQ(FakeIpmi::CallTexts("access"),
            (std::vector<std::string>{"access(/dev/ipmi0,0)", "access(/dev/ipmi1,0)", "access(/dev/ipmi2,0)",
                                      "access(/dev/ipmi3,0)"}));
}

TEST_F(NodeSelection, NodeValues) {
  FakeIpmi::state().devices = {1, 3};
  struct Case {
    const char* value;
    std::vector<int> nodes;
  };
  const Case cases[] = {
      {"all", {1, 3}},
      {"ALL", {1, 3}},
      {"aLl", {1, 3}},
      {"3", {3}},
      {" 3", {3}},
      {"1x", {1}},
      {"7", {7}},
      {"-2", {-2}},
      {"+2", {2}},
      {"\t\n 0 trailing", {0}},
      {"2147483647", {INT_MAX}},
      {"-2147483648", {INT_MIN}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Select({{}, {{"node", c.value}}}), c.nodes) << "'" << c.value << "'";
  }
}

TEST_F(NodeSelection, UnreadableValuesNameTheValue) {
  FakeIpmi::state().devices = {0};
  for (const char* value : {"", "x1", "all ", " all", "al", "alll", "2147483648", "-2147483649",
                            "99999999999999999999", "+", "-", " "}) {
    try {
      Select({{}, {{"node", value}}});
      ADD_FAILURE() << "no exception for '" << value << "'";
    } catch (const IpmiException& e) {
      EXPECT_EQ(std::string(e.what()),
                std::string("Expected an ordinal number in the range of 0 - 3, argument: '") + value + "'");
    }
  }
  EXPECT_TRUE(FakeIpmi::CallTexts("access").empty());
}

TEST_F(NodeSelection, SessionOpensInitialisesAndCloses) {
  struct Case {
    const char* name;
    int openResult;
    int initResult;
    bool throwInside;
    std::vector<std::string> calls;
    std::string error;
  };
  const Case cases[] = {
      {"success",
       0,
       0,
       false,
       {"IpmiIfcOpenIpmiOpen(2)", "IpmiIfcInitForCLI(2)", "inside", "IpmiIfcOpenIpmiClose(2)",
        "IpmiIfcCloseForCLI(2)"},
       ""},
      {"open fails", -1, 0, false, {"IpmiIfcOpenIpmiOpen(2)"}, "Access device /dev/ipmi2 failed"},
      {"init fails",
       0,
       1,
       false,
       {"IpmiIfcOpenIpmiOpen(2)", "IpmiIfcInitForCLI(2)", "IpmiIfcOpenIpmiClose(2)", "inside"},
       ""},
      {"init fails with -1",
       0,
       -1,
       false,
       {"IpmiIfcOpenIpmiOpen(2)", "IpmiIfcInitForCLI(2)", "IpmiIfcOpenIpmiClose(2)", "inside"},
       ""},
      {"work throws",
       0,
       0,
       true,
       {"IpmiIfcOpenIpmiOpen(2)", "IpmiIfcInitForCLI(2)", "inside", "IpmiIfcOpenIpmiClose(2)",
        "IpmiIfcCloseForCLI(2)"},
       "thrown inside"},
      {"open returns another failure value",
       5,
       0,
       false,
       {"IpmiIfcOpenIpmiOpen(2)", "IpmiIfcInitForCLI(2)", "inside", "IpmiIfcOpenIpmiClose(2)",
        "IpmiIfcCloseForCLI(2)"},
       ""},
  };
  for (const Case& c : cases) {
    FakeIpmi::Reset();
    FakeIpmi::state().nodes[2].openResult = c.openResult;
    FakeIpmi::state().nodes[2].initResult = c.initResult;
    std::string error;
    try {
      NodeSession session(2);
      FakeIpmi::Record("inside");
      if (c.throwInside) {
        throw IpmiException("thrown inside");
      }
    } catch (const IpmiException& e) {
      error = e.what();
    }
    EXPECT_EQ(FakeIpmi::CallTexts(), c.calls) << c.name;
    EXPECT_EQ(error, c.error) << c.name;
  }
}

TEST_F(NodeSelection, DeviceLockIsScoped) {
  {
    DevGuardLock lock;
    EXPECT_TRUE(FakeIpmi::DevGuardHeld());
    lock.Unlock();
    EXPECT_FALSE(FakeIpmi::DevGuardHeld());
    lock.Unlock();  // a second unlock does nothing
  }
  EXPECT_FALSE(FakeIpmi::DevGuardHeld());
  try {
    DevGuardLock lock;
    throw FakeIpmi::ForeignError{"x"};
  } catch (const FakeIpmi::ForeignError&) {
  }
  EXPECT_FALSE(FakeIpmi::DevGuardHeld());
}

}  // namespace
