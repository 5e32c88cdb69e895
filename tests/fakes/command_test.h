#pragma once
// The fixture of the command tests: a fresh script per test, and after every
// test the device lock must be free again.

#include "command_harness.h"
#include "fake_ipmi.h"

#include <gtest/gtest.h>

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
};

}  // namespace FakeIpmi
