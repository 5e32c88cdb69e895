// The hardware information object: one connection per query, always under
// the IPMI device guard.

#include "bmc/bmc_hardware_info.h"
#include "bmc/system_info.h"
#include "fake_bmc.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace HostCtl::Bmc {
namespace {

using testing::FakeBmc;

class HardwareInfoTest : public ::testing::Test {
 protected:
  std::unique_ptr<Hardware::HardwareInfo> Make(std::function<std::unique_ptr<Requester>()> opener) {
    return std::make_unique<BmcHardwareInfo>(std::move(opener), &guard_);
  }
  // A requester sharing one FakeBmc that checks the guard on every request.
  std::function<std::unique_ptr<Requester>()> Shared(FakeBmc& bmc) {
    return [this, &bmc] {
      struct Forward : Requester {
        Forward(FakeBmc& b, pthread_mutex_t* g) : bmc(b), guard(g) {}
        Reply Send(std::uint8_t n, std::uint8_t c, const Bytes& d) override {
          if (pthread_mutex_trylock(guard) == 0) {
            pthread_mutex_unlock(guard);
            ADD_FAILURE() << "request outside the guard";
          }
          return bmc.Send(n, c, d);
        }
        FakeBmc& bmc;
        pthread_mutex_t* guard;
      };
      return std::unique_ptr<Requester>(new Forward(bmc, &guard_));
    };
  }
  bool GuardFree() {
    if (pthread_mutex_trylock(&guard_) != 0)
      return false;
    pthread_mutex_unlock(&guard_);
    return true;
  }
  pthread_mutex_t guard_ = PTHREAD_MUTEX_INITIALIZER;
};

TEST_F(HardwareInfoTest, QueriesAndSettingsUnderTheGuard) {
  FakeBmc bmc;
  auto info = Make(Shared(bmc));
  EXPECT_EQ(info->Prepare(), 0);
  EXPECT_TRUE(info->HasBmc());
  EXPECT_EQ(info->GetBmcData().firmwareVersion, "1.17");
  EXPECT_TRUE(info->SetBmcOsHostname("db-3"));
  EXPECT_TRUE(info->SetBmcOsInfo("Debian", "12"));
  EXPECT_EQ(ReadSystemInfoText(bmc, system_info::kSystemName), "db-3");
  EXPECT_EQ(ReadSystemInfoText(bmc, system_info::kOsName), "Debian");
  EXPECT_EQ(ReadSystemInfoText(bmc, system_info::kOsVersion), "12");
  EXPECT_TRUE(GuardFree());

  bmc.rejectParameter = system_info::kOsVersion;
  EXPECT_FALSE(info->SetBmcOsInfo("Debian", "13"));
  EXPECT_TRUE(GuardFree());
}

TEST_F(HardwareInfoTest, UnreachableBmc) {
  int opens = 0;
  auto info = Make([&]() -> std::unique_ptr<Requester> {
    ++opens;
    throw std::runtime_error("node 0 is not configured");
  });
  EXPECT_FALSE(info->HasBmc());
  EXPECT_FALSE(info->HasBmc());
  EXPECT_EQ(opens, 1) << "looked for once";
  EXPECT_THROW(info->GetBmcData(), std::runtime_error);
  EXPECT_FALSE(info->SetBmcOsHostname("x"));
  EXPECT_FALSE(info->SetBmcOsInfo("x", "y"));
  EXPECT_TRUE(GuardFree()) << "released on every failure";

  FakeBmc silent;
  silent.deviceId = {0xff, {}};
  auto noAnswer = Make(Shared(silent));
  EXPECT_EQ(noAnswer->Prepare(), -1);
  EXPECT_FALSE(noAnswer->HasBmc());
}

}  // namespace
}  // namespace HostCtl::Bmc
