#pragma once
// Node 0 of the library opened for the CLI through a simulator's
// configuration, as the plug-in opens it; closed when the object goes away.

#include "support/simulated_bmc.h"
#include "support/temp_dir.h"

#include <Ipmi/Ipmi.h>

#include <gtest/gtest.h>

namespace marlek::testing {

class CliNode {
 public:
  explicit CliNode(const SimulatedBmc& sim) : env_("MARLEK_IPMI_CONF", sim.ConfPath()) {}
  ~CliNode() { Close(); }
  CliNode(const CliNode&) = delete;
  CliNode& operator=(const CliNode&) = delete;

  // Call through ASSERT_NO_FATAL_FAILURE.
  void Open() {
    ASSERT_NE(Ipmi::IpmiIfcOpenIpmiOpen(0), -1);
    opened_ = true;
    ASSERT_EQ(Ipmi::IpmiIfcInitForCLI(0), 0);
  }
  void Close() {
    if (!opened_)
      return;
    Ipmi::IpmiIfcOpenIpmiClose(0);
    Ipmi::IpmiIfcCloseForCLI(0);
    opened_ = false;
  }

 private:
  ScopedEnv env_;
  bool opened_ = false;
};

}  // namespace marlek::testing
