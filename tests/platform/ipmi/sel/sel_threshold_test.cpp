// Threshold event data converted with the sensor's full SDR record.

#include "sel/sel_threshold.h"
#include "sdr/sdr_record.h"

#include <gtest/gtest.h>

namespace marlek::sel {
namespace {

// A full sensor record: owner 0x20 LUN 0, the given sensor number, RPM,
// y = M * x * 10^rExp.
SdrRecord FanRecord(std::uint8_t sensorNumber, std::uint8_t m, std::uint8_t rExp,
                    std::uint8_t linearization = 0) {
  std::vector<std::uint8_t> b{0x07,
                              0x00,
                              0x51,
                              0x01,
                              0x00,  // header, length set below
                              0x20,
                              0x00,
                              sensorNumber,
                              0x1d,
                              0x01,
                              0x7f,
                              0x68,
                              0x04,
                              0x01,
                              0x95,
                              0x7a,
                              0x95,
                              0x7a,
                              0x3f,
                              0x3f,
                              0x00,
                              18,
                              0x00,
                              linearization,
                              m,
                              0x00,
                              0x00,
                              0x00,
                              0x00,
                              static_cast<std::uint8_t>(rExp << 4),
                              0x00,
                              0x00,
                              0x00,
                              0x00,
                              0xff,
                              0x00,
                              0,
                              0,
                              0,
                              0,
                              5,
                              2,
                              0x00,
                              0x00,
                              0x00,
                              0x00,
                              0x00,
                              0xc4,
                              'F',
                              'a',
                              'n',
                              '1'};
  b[4] = static_cast<std::uint8_t>(b.size() - 5);
  SdrRecord record;
  record.recordId = 7;
  record.recordType = 0x01;
  record.bytes = b;
  return record;
}

SystemEvent ThresholdEvent(std::uint8_t sensorNumber, std::uint8_t data1, std::uint8_t reading,
                           std::uint8_t threshold) {
  SystemEvent event;
  event.generatorAddress = 0x10;  // 0x20 as an 8-bit address
  event.sensorType = 0x04;
  event.sensorNumber = sensorNumber;
  event.eventReadingType = 0x01;
  event.offset = data1 & 0x0f;
  event.data2Usage = static_cast<EventDataUsage>(data1 >> 6);
  event.data3Usage = static_cast<EventDataUsage>((data1 >> 4) & 3);
  event.eventData = {data1, reading, threshold};
  return event;
}

TEST(SelThreshold, ConvertsWithTheMatchingFullRecord) {
  const std::vector<SdrRecord> records{FanRecord(0x31, 10, 0), FanRecord(0x30, 40, 0)};
  const ThresholdTexts texts = ConvertThresholdData(records, ThresholdEvent(0x30, 0x50, 12, 13));
  EXPECT_EQ(texts.reading, std::optional<std::string>("480 RPM"));
  EXPECT_EQ(texts.threshold, std::optional<std::string>("520 RPM"));

  const ThresholdTexts readingOnly = ConvertThresholdData(records, ThresholdEvent(0x31, 0x40, 12, 13));
  EXPECT_EQ(readingOnly.reading, std::optional<std::string>("120 RPM"));
  EXPECT_FALSE(readingOnly.threshold);

  // 10^-2: 0.25 per count.
  const ThresholdTexts scaled =
      ConvertThresholdData({FanRecord(0x32, 25, 0x0e)}, ThresholdEvent(0x32, 0x50, 5, 7));
  EXPECT_EQ(scaled.reading, std::optional<std::string>("1.25 RPM"));
  EXPECT_EQ(scaled.threshold, std::optional<std::string>("1.75 RPM"));
}

TEST(SelThreshold, NothingWithoutAUsableRecord) {
  const SystemEvent event = ThresholdEvent(0x30, 0x50, 12, 13);
  EXPECT_FALSE(ConvertThresholdData({}, event).reading);
  EXPECT_FALSE(ConvertThresholdData({FanRecord(0x99, 40, 0)}, event).reading) << "other sensor";
  EXPECT_FALSE(ConvertThresholdData({FanRecord(0x30, 40, 0, 0x70)}, event).reading) << "non-linear";
  SystemEvent otherOwner = event;
  otherOwner.generatorAddress = 0x41;
  EXPECT_FALSE(ConvertThresholdData({FanRecord(0x30, 40, 0)}, otherOwner).reading);
}

}  // namespace
}  // namespace marlek::sel
