#include "sdr/sdr_record.h"

#include <gtest/gtest.h>

#include <vector>

namespace marlek {
namespace {

// The decoders read only the bytes; the other fields stay zero.
SdrRecord Record(std::vector<std::uint8_t> bytes) {
  SdrRecord r;
  r.bytes = std::move(bytes);
  return r;
}

// Captured from real servers' repositories.
const std::vector<std::uint8_t> kVoltP12V = {
    0x52, 0x00, 0x51, 0x01, 0x34, 0x20, 0x00, 0xd2, 0x07, 0x01, 0x77, 0x48, 0x02, 0x01, 0x04,
    0x22, 0x04, 0x22, 0x12, 0x12, 0x00, 0x04, 0x00, 0x00, 0x3c, 0x00, 0x00, 0x00, 0x00, 0xd0,
    0x00, 0xc8, 0xd1, 0xbf, 0xff, 0x00, 0x00, 0xd2, 0x00, 0x00, 0xbe, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0xc9, 'V',  'o',  'l',  't',  '_',  'P',  '1',  '2',  'V'};
const std::vector<std::uint8_t> kThermMargin = {
    0x3a, 0x00, 0x51, 0x01, 0x3a, 0x20, 0x00, 0x74, 0x03, 0x01, 0x7f, 0x68, 0x01, 0x01, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x80, 0x01, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x07, 0xf1,
    0x00, 0xba, 0x7f, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x02, 0x00, 0x00, 0x00, 0xcf,
    'P',  '1',  ' ',  'T',  'h',  'e',  'r',  'm',  ' ',  'M',  'a',  'r',  'g',  'i',  'n'};
const std::vector<std::uint8_t> kDrives = {0x8a, 0x00, 0x51, 0x02, 0x22, 0x20, 0x00, 0xa0, 0x07, 0x01,
                                           0x6f, 0xc0, 0x0d, 0x6f, 0x03, 0x00, 0x03, 0x00, 0xff, 0x01,
                                           0xc0, 0x00, 0x00, 0x0f, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                           0x00, 0xc7, 'D',  'r',  'i',  'v',  'e',  ' ',  '0'};
const std::vector<std::uint8_t> kNmCapabilities = {
    0x25, 0x00, 0x51, 0x03, 0x1b, 0x2c, 0x60, 0x1a, 0x2e, 0x01, 0xdc, 0x74, 0x01, 0x00, 0x00, 0x00,
    0xcf, 'N',  'M',  ' ',  'C',  'a',  'p',  'a',  'b',  'i',  'l',  'i',  't',  'i',  'e',  's'};

TEST(DecodeSensorRecord, FullRecord) {
  auto s = DecodeSensorRecord(Record(kVoltP12V));
  ASSERT_TRUE(s);
  EXPECT_EQ(s->recordId, 0x52);
  EXPECT_EQ(s->ownerId, 0x20);
  EXPECT_EQ(s->sensorNumber, 0xd2);
  EXPECT_EQ(s->entity.id, 7u);
  EXPECT_EQ(s->entity.instance, 1u);
  EXPECT_EQ(s->sensorType, 0x02);
  EXPECT_TRUE(s->IsThreshold());
  EXPECT_EQ(s->units.base, 4);  // Volts
  EXPECT_EQ(s->factors.m, 60);
  EXPECT_EQ(s->factors.rExp, -3);
  EXPECT_EQ(s->idString, "Volt_P12V");
  EXPECT_NEAR(ConvertRawValue(s->factors, 0xca), 12.12, 1e-9);

  auto t = DecodeSensorRecord(Record(kThermMargin));
  ASSERT_TRUE(t);
  EXPECT_EQ(t->units.format, AnalogFormat::kTwosComplement);
  EXPECT_EQ(t->factors.format, AnalogFormat::kTwosComplement);
  EXPECT_EQ(t->idString, "P1 Therm Margin");
  EXPECT_NEAR(ConvertRawValue(t->factors, 0xc5), -59, 1e-9);
}

TEST(DecodeSensorRecord, CompactAndEventOnlyRecords) {
  auto d = DecodeSensorRecord(Record(kDrives));
  ASSERT_TRUE(d);
  EXPECT_EQ(d->recordType, 0x02);
  EXPECT_EQ(d->sensorType, 0x0d);
  EXPECT_EQ(d->eventReadingType, 0x6f);
  EXPECT_EQ(d->readingMask, 0x01ff);
  EXPECT_EQ(d->sharing.count, 15);
  EXPECT_FALSE(d->sharing.alphaModifier);
  EXPECT_EQ(d->idString, "Drive 0");
  EXPECT_EQ(d->factors.m, 1);  // compact records convert as they read

  auto e = DecodeSensorRecord(Record(kNmCapabilities));
  ASSERT_TRUE(e);
  EXPECT_TRUE(e->IsEventOnly());
  EXPECT_EQ(e->ownerId, 0x2c);
  EXPECT_EQ(e->channel, 6);
  EXPECT_EQ(e->ownerLun, 0);
  EXPECT_EQ(e->sensorNumber, 0x1a);
  EXPECT_EQ(e->sensorType, 0xdc);
  EXPECT_EQ(e->eventReadingType, 0x74);
  EXPECT_EQ(e->idString, "NM Capabilities");
}

TEST(DecodeSensorRecord, RejectsOtherTypesAndTruncation) {
  auto fru = kNmCapabilities;
  fru[3] = 0x11;
  EXPECT_FALSE(DecodeSensorRecord(Record(fru)));
  for (const auto* full : {&kVoltP12V, &kDrives, &kNmCapabilities}) {
    // Cut inside the fixed fields: rejected. A missing ID string is fine.
    std::vector<std::uint8_t> cut(full->begin(), full->begin() + 12);
    cut[4] = 7;
    EXPECT_FALSE(DecodeSensorRecord(Record(cut))) << "type " << int((*full)[3]);
  }
  // A length byte larger than the bytes held never reads past them.
  auto lying = kVoltP12V;
  lying[4] = 0xff;
  auto s = DecodeSensorRecord(Record(lying));
  ASSERT_TRUE(s);
  EXPECT_EQ(s->idString, "Volt_P12V");
  EXPECT_FALSE(DecodeSensorRecord(Record({0x01, 0x00, 0x51})));
}

TEST(ExpandSharedSensors, NumericAndAlphaModifiers) {
  auto drives = DecodeSensorRecord(Record(kDrives));
  const auto all = ExpandSharedSensors(*drives);
  ASSERT_EQ(all.size(), 15u);
  EXPECT_EQ(all[0].sensorNumber, 0xa0);
  EXPECT_EQ(all[0].idString, "Drive 00");
  EXPECT_EQ(all[14].sensorNumber, 0xae);
  EXPECT_EQ(all[14].idString, "Drive 014");
  EXPECT_EQ(all[14].entity.instance, 1u);  // instance does not increment
  for (const auto& s : all)
    EXPECT_EQ(s.sharing.count, 1);

  // Alphabetic from offset 25 with incrementing entity instances.
  auto alpha = kDrives;
  alpha[23] = 0x13;  // alpha modifier, 3 sensors
  alpha[24] = 0x99;  // instance increments, offset 25
  auto a = ExpandSharedSensors(*DecodeSensorRecord(Record(alpha)));
  ASSERT_EQ(a.size(), 3u);
  EXPECT_EQ(a[0].idString, "Drive 0Z");
  EXPECT_EQ(a[1].idString, "Drive 0AA");
  EXPECT_EQ(a[2].idString, "Drive 0AB");
  EXPECT_EQ(a[2].entity.instance, 3u);
  EXPECT_EQ(a[2].sensorNumber, 0xa2);

  auto single = DecodeSensorRecord(Record(kVoltP12V));
  ASSERT_EQ(ExpandSharedSensors(*single).size(), 1u);
  EXPECT_EQ(ExpandSharedSensors(*single)[0].idString, "Volt_P12V");
}

TEST(ExpandSharedSensors, TheSpecificationsWorkedExamples) {
  // "Temp " shared by 3 sensors: numeric modifier from 5 gives Temp 5..7,
  // alphabetic from 26 gives Temp AA..AC.
  SensorRecord temp;
  temp.recordType = 0x02;
  temp.sensorNumber = 0x10;
  temp.idString = "Temp ";
  temp.sharing.count = 3;
  temp.sharing.modifierOffset = 5;
  std::vector<std::string> names;
  for (const auto& s : ExpandSharedSensors(temp))
    names.push_back(s.idString);
  EXPECT_EQ(names, (std::vector<std::string>{"Temp 5", "Temp 6", "Temp 7"}));

  temp.sharing.alphaModifier = true;
  temp.sharing.modifierOffset = 26;
  names.clear();
  for (const auto& s : ExpandSharedSensors(temp))
    names.push_back(s.idString);
  EXPECT_EQ(names, (std::vector<std::string>{"Temp AA", "Temp AB", "Temp AC"}));
}

}  // namespace
}  // namespace marlek
