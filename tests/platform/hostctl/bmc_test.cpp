// What ipmi_sim cannot serve to the cross-checks (IPv6 LAN parameters, the
// text system info parameters) and the device guard around every query.

#include "bmc/bmc_hardware_info.h"
#include "bmc/bmc_lan.h"
#include "bmc/system_info.h"
#include "fake_bmc.h"

#include <gtest/gtest.h>

namespace HostCtl::Bmc {
namespace {

using testing::FakeBmc;

Bytes Ipv6Entry(std::uint8_t set, std::uint8_t source, Bytes address, std::uint8_t prefix) {
  Bytes entry{0x11, set, source};
  address.resize(16);
  entry.insert(entry.end(), address.begin(), address.end());
  entry.insert(entry.end(), {prefix, 0x00});  // active
  return entry;
}

TEST(BmcLanTest, Ipv6AddressesThatAreEnabledAndActive) {
  FakeBmc bmc;
  bmc.lan[{lan_param::kIpv6Status, 0}] = {0x11, 2, 2, 0x03};
  bmc.lan[{lan_param::kIpv6StaticAddress, 0}] =
      Ipv6Entry(0, 0x80, {0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5}, 64);
  bmc.lan[{lan_param::kIpv6StaticAddress, 1}] =
      Ipv6Entry(1, 0x00, {0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 6}, 64);
  bmc.lan[{lan_param::kIpv6DynamicAddress, 0}] =
      Ipv6Entry(0, 0x01, {0xfe, 0x80, 0, 0, 0, 0, 0, 0, 0x02, 0x5e, 0x0a, 0xff, 0xfe, 0xbc, 0xff, 0x01}, 64);
  bmc.lan[{lan_param::kIpv6DynamicAddress, 1}] = Ipv6Entry(1, 0x01, {}, 0);  // unspecified
  bmc.lan[{lan_param::kIpAddress, 0}] = {0x11, 10, 1};                       // too short
  const LanSettings lan = ReadLanSettings(bmc, 2);
  EXPECT_EQ(lan.ipv6Addresses, (std::vector<std::string>{"2001:db8::5/64", "fe80::25e:aff:febc:ff01/64"}));
  EXPECT_EQ(lan.ipv4Address, "");
}

TEST(SystemInfoTest, TextsAreWrittenInBlocksInsideSetInProgress) {
  for (const auto& [length, count] : {std::pair{14, 1}, {15, 2}, {30, 2}, {31, 3}, {255, 17}})
    EXPECT_EQ(TextBlocks(TextEncoding::kAsciiLatin1, std::string(length, 'x')).size(), std::size_t(count))
        << length;
  EXPECT_THROW(TextBlocks(TextEncoding::kAsciiLatin1, std::string(256, 'x')), std::length_error);

  const std::string texts[] = {"", "Debian GNU/Linux 12 (bookworm)", "h\xc3\xb4te", std::string(255, 'n')};
  for (const std::string& text : texts) {
    FakeBmc bmc;
    ASSERT_TRUE(WriteSystemInfoTexts(bmc, {{system_info::kOsName, text}, {system_info::kOsVersion, "12.4"}}));
    EXPECT_EQ(bmc.requests.front(), (Bytes{0x00, 0x01})) << "set in progress comes first";
    EXPECT_EQ(bmc.requests.back(), (Bytes{0x00, 0x00})) << "set complete comes last";
    EXPECT_EQ(ReadSystemInfoText(bmc, system_info::kOsName), text);
    EXPECT_EQ(ReadSystemInfoText(bmc, system_info::kOsVersion), "12.4");
    EXPECT_EQ(bmc.systemInfo.at({system_info::kOsName, 0})[1], text == "h\xc3\xb4te") << "UTF-8 encoding";
  }
}

TEST(SystemInfoTest, RefusedWritesAndDamagedReads) {
  const struct {
    std::uint8_t setInProgressCode, rejectParameter;
    std::string text;
    bool written;
    std::vector<std::uint8_t> setInProgress;
  } cases[] = {
      {0x00, system_info::kSystemName, "a", false, {0x01, 0x00}},  // always completed
      {0x81, 0xff, "a", false, {0x01}},                            // another set is in progress
      {0x80, 0xff, "a", true, {0x01}},                             // no set-in-progress parameter
      {0x00, 0xff, std::string(300, 'x'), false, {}},
  };
  for (const auto& c : cases) {
    FakeBmc bmc;
    bmc.setInProgressCode = c.setInProgressCode;
    bmc.rejectParameter = c.rejectParameter;
    EXPECT_EQ(WriteSystemInfoTexts(bmc, {{system_info::kSystemName, c.text}}), c.written);
    EXPECT_EQ(bmc.setInProgressLog, c.setInProgress);
    EXPECT_EQ(ReadSystemInfoText(bmc, system_info::kSystemName),
              c.written ? std::optional(c.text) : std::nullopt);
  }
  FakeBmc lost;
  lost.onSend = [&] {
    if (lost.requests.size() == 2)
      throw std::runtime_error("connection lost");
  };
  EXPECT_THROW(WriteSystemInfoTexts(lost, {{system_info::kSystemName, "host"}}), std::runtime_error);
  EXPECT_EQ(lost.setInProgressLog, (std::vector<std::uint8_t>{0x01, 0x00})) << "completed all the same";

  FakeBmc bmc;
  bmc.StoreText(system_info::kOsName, std::string("A\0\xe9\0\xac\x20", 6),
                2);  // UCS-2: one, two, three UTF-8 bytes
  EXPECT_EQ(ReadSystemInfoText(bmc, system_info::kOsName), "A\xc3\xa9\xe2\x82\xac");
  bmc.StoreText(system_info::kSystemName, std::string(40, 'z'));
  bmc.systemInfo.erase({system_info::kSystemName, 2});
  EXPECT_EQ(ReadSystemInfoText(bmc, system_info::kSystemName), std::string(30, 'z')) << "keeps what was read";
  bmc.systemInfo[{system_info::kSystemName, 0}] = {0x00, 0x00};
  EXPECT_EQ(ReadSystemInfoText(bmc, system_info::kSystemName), std::nullopt);
}

TEST(BmcHardwareInfoTest, EveryQueryHoldsTheGuardAndReleasesIt) {
  pthread_mutex_t guard = PTHREAD_MUTEX_INITIALIZER;
  const auto guardHeld = [&] {
    const bool free = pthread_mutex_trylock(&guard) == 0;
    if (free)
      pthread_mutex_unlock(&guard);
    return !free;
  };
  FakeBmc bmc;
  bmc.onSend = [&] { EXPECT_TRUE(guardHeld()) << "request outside the guard"; };
  struct Forward : Requester {
    explicit Forward(FakeBmc& b) : bmc(b) {}
    Reply Send(std::uint8_t n, std::uint8_t c, const Bytes& d) override { return bmc.Send(n, c, d); }
    FakeBmc& bmc;
  };
  BmcHardwareInfo info([&] { return std::make_unique<Forward>(bmc); }, &guard);
  EXPECT_EQ(info.Prepare(), 0);
  EXPECT_TRUE(info.HasBmc());
  EXPECT_EQ(info.GetBmcData().firmwareVersion, "1.17");
  EXPECT_TRUE(info.SetBmcOsHostname("db-3"));
  EXPECT_TRUE(info.SetBmcOsInfo("Debian", "12"));
  bmc.onSend = nullptr;
  EXPECT_EQ(ReadSystemInfoText(bmc, system_info::kOsVersion), "12");
  bmc.rejectParameter = system_info::kOsVersion;
  EXPECT_FALSE(info.SetBmcOsInfo("Debian", "13"));
  EXPECT_FALSE(guardHeld());

  int opens = 0;
  BmcHardwareInfo absent(
      [&]() -> std::unique_ptr<Requester> { throw std::runtime_error(std::to_string(++opens)); }, &guard);
  EXPECT_FALSE(absent.HasBmc() || absent.HasBmc() || absent.SetBmcOsHostname("x"));
  EXPECT_EQ(opens, 2) << "looked for once, then once for the setting";
  EXPECT_THROW(absent.GetBmcData(), std::runtime_error);
  EXPECT_FALSE(guardHeld()) << "released on every failure";
  bmc.deviceId = {0xff, {}};
  EXPECT_EQ(BmcHardwareInfo([&] { return std::make_unique<Forward>(bmc); }, &guard).Prepare(), -1);
}

}  // namespace
}  // namespace HostCtl::Bmc
