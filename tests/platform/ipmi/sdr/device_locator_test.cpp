#include "sdr/sdr_record.h"

#include <gtest/gtest.h>

#include <vector>

namespace marlek {
namespace {

SdrRecord Record(std::vector<std::uint8_t> bytes) {
  SdrRecord r;
  r.recordId = static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
  r.sdrVersion = bytes[2];
  r.recordType = bytes[3];
  r.bytes = std::move(bytes);
  return r;
}

// Logical FRU device 1 behind the BMC, "FP_FRU" (from a Quanta D51 capture).
const std::vector<std::uint8_t> kLogicalFru = {0x6b, 0x00, 0x51, 0x11, 0x11, 0x20, 0x01, 0x80,
                                               0x00, 0x00, 0x10, 0x00, 0x07, 0x02, 0x00, 0xc6,
                                               'F',  'P',  '_',  'F',  'R',  'U'};

TEST(DecodeFruDeviceLocator, LogicalAndPhysicalDevices) {
  auto fru = DecodeFruDeviceLocator(Record(kLogicalFru));
  ASSERT_TRUE(fru);
  EXPECT_TRUE(fru->logical);
  EXPECT_EQ(fru->accessAddress, 0x20);
  EXPECT_EQ(fru->fruDeviceId, 1);
  EXPECT_EQ(fru->deviceType, 0x10);
  EXPECT_EQ(fru->entity.id, 7u);
  EXPECT_EQ(fru->entity.instance, 2u);
  EXPECT_EQ(fru->idString, "FP_FRU");

  // A SEEPROM at 7-bit address 0x50 on private bus 2, LUN 1, channel 3.
  auto physical = kLogicalFru;
  physical[5] = 0x41;  // reserved bit 0 set: ignored
  physical[6] = 0xa0;
  physical[7] = 0x0a;
  physical[8] = 0x30;
  auto p = DecodeFruDeviceLocator(Record(physical));
  ASSERT_TRUE(p);
  EXPECT_FALSE(p->logical);
  EXPECT_EQ(p->accessAddress, 0x40);
  EXPECT_EQ(p->fruDeviceId, 0x50);
  EXPECT_EQ(p->accessLun, 1);
  EXPECT_EQ(p->privateBusId, 2);
  EXPECT_EQ(p->channel, 3);
}

TEST(DecodeMcDeviceLocator, ControllerFields) {
  // The ME at 0x2C on channel 6, no FRU inventory, "ME".
  const std::vector<std::uint8_t> me = {0x70, 0x00, 0x51, 0x12, 0x0d, 0x2c, 0x06, 0x00, 0x29,
                                        0x00, 0x00, 0x00, 0x2e, 0x01, 0x00, 0xc2, 'M',  'E'};
  auto mc = DecodeMcDeviceLocator(Record(me));
  ASSERT_TRUE(mc);
  EXPECT_EQ(mc->slaveAddress, 0x2c);
  EXPECT_EQ(mc->channel, 6);
  EXPECT_TRUE(mc->fruInventoryDevice);
  EXPECT_EQ(mc->entity.id, 0x2eu);
  EXPECT_EQ(mc->idString, "ME");

  auto noFru = me;
  noFru[8] = 0x21;
  EXPECT_FALSE(DecodeMcDeviceLocator(Record(noFru))->fruInventoryDevice);
}

TEST(DeviceLocators, WrongTypeOrTruncatedRecordsAreRejected) {
  EXPECT_FALSE(DecodeMcDeviceLocator(Record(kLogicalFru)));
  for (std::size_t n : {0u, 4u, 5u, 10u, 14u}) {
    std::vector<std::uint8_t> cut(kLogicalFru.begin(), kLogicalFru.begin() + n);
    SdrRecord r;
    r.bytes = cut;
    EXPECT_FALSE(DecodeFruDeviceLocator(r)) << n << " bytes";
  }
  // Without its ID string the record still decodes.
  std::vector<std::uint8_t> noId(kLogicalFru.begin(), kLogicalFru.begin() + 15);
  SdrRecord r;
  r.bytes = noId;
  auto fru = DecodeFruDeviceLocator(r);
  ASSERT_TRUE(fru);
  EXPECT_EQ(fru->idString, "");
}

}  // namespace
}  // namespace marlek
