#pragma once
// The fixture of the command tests: a fresh script per test, and after every
// test the device lock must be free again.

#include "command_harness.h"
#include "fake_ipmi.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace FakeIpmi {

class CommandTest : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override { EXPECT_FALSE(DevGuardHeld()) << "Ipmi::IpmiDevGuard left locked"; }

  // Recorded calls made without the device lock, apart from those listed.
  static std::vector<std::string> CallsWithoutLock() {
    std::vector<std::string> texts;
    for (const Call& call : state().calls) {
      if (!call.lockHeld) {
        texts.push_back(call.text);
      }
    }
    return texts;
  }

  static std::vector<std::string> Errors(const Kelvo::CallSpec::Output& output) {
    return output.GetErrorMessages();
  }

  // One way a run over nodes 0, 1 and 2 fails at node 1.
  struct FailurePoint {
    const char* name;
    std::function<void()> script;  // applied after the common set-up
    std::string message;           // the text after the command's prefix
    std::string partialRoot;       // what ignore-missing leaves
  };

  // Runs the command for every failure point, once without and once with
  // ignore-missing: the first gives exactly the prefixed message and no
  // result, the second exactly the partial result and no message. Node 2 is
  // never opened, and whatever was initialised is closed again.
  static void ExpectFailures(Kelvo::AutoCli::Command& command, const std::function<void()>& setUp,
                             const Invocation& invocation, const std::string& prefix,
                             const std::vector<FailurePoint>& points) {
    for (const FailurePoint& point : points) {
      for (bool ignoreMissing : {false, true}) {
        Reset();
        state().devices = {0, 1, 2};
        setUp();
        point.script();
        Invocation run = invocation;
        if (ignoreMissing) {
          run.flags.insert("ignore-missing");
        }
        auto output = RunCommand(command, run);
        const std::string where = std::string(point.name) + (ignoreMissing ? " with ignore-missing" : "");
        if (ignoreMissing) {
          EXPECT_TRUE(output->GetErrorMessages().empty()) << where;
          EXPECT_EQ(RenderRoot(*output), point.partialRoot) << where;
        } else {
          EXPECT_EQ(output->GetErrorMessages(), std::vector<std::string>{prefix + point.message}) << where;
          EXPECT_EQ(RenderRoot(*output), "(none)") << where;
        }
        EXPECT_TRUE(CallTexts("IpmiIfcOpenIpmiOpen(2)").empty()) << where;
        EXPECT_EQ(CallTexts("IpmiIfcInitForCLI(1)").size(), CallTexts("IpmiIfcCloseForCLI(1)").size())
            << where;
        EXPECT_FALSE(DevGuardHeld()) << where;
      }
    }
  }
};

}  // namespace FakeIpmi
