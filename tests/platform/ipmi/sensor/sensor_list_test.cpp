#include "sensor/sensor_list.h"

#include "../sdr/fake_sdr_bmc.h"
#include "sdr/sdr_cache.h"

#include <Ipmi/CmpiStatus.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>

namespace marlek {
namespace {

using testing::FakeSdrBmc;
using testing::FullRecord;
using testing::FullRecordSpec;
using testing::Ok;

std::vector<std::uint8_t> CompactRecord(std::uint16_t id, std::uint8_t owner, std::uint8_t lunChannel,
                                        std::uint8_t number, std::uint8_t sensorType,
                                        std::uint8_t readingType, std::uint8_t share,
                                        const std::string& name) {
  std::vector<std::uint8_t> r = {static_cast<std::uint8_t>(id),
                                 static_cast<std::uint8_t>(id >> 8),
                                 0x51,
                                 0x02,
                                 0,
                                 owner,
                                 lunChannel,
                                 number,
                                 0x03,
                                 0x01,
                                 0x7f,
                                 0x40,
                                 sensorType,
                                 readingType,
                                 0,
                                 0,
                                 0,
                                 0,
                                 0,
                                 0,
                                 0xc0,
                                 0,
                                 0,
                                 share,
                                 0x01,
                                 0,
                                 0,
                                 0,
                                 0,
                                 0,
                                 0};
  r.push_back(static_cast<std::uint8_t>(0xc0 | name.size()));
  r.insert(r.end(), name.begin(), name.end());
  r[4] = static_cast<std::uint8_t>(r.size() - 5);
  return r;
}

std::vector<std::uint8_t> EventOnlyRecord(std::uint16_t id, std::uint8_t number, const std::string& name) {
  // header; owner, LUN, number, entity 7.1; type, reading type; sharing; reserved, OEM
  std::vector<std::uint8_t> r = {static_cast<std::uint8_t>(id),
                                 0,
                                 0x51,
                                 0x03,
                                 0,
                                 0x20,
                                 0x00,
                                 number,
                                 0x07,
                                 0x01,
                                 0x07,
                                 0x6f,
                                 0x01,
                                 0x00,
                                 0x00,
                                 0x00};
  r.push_back(static_cast<std::uint8_t>(0xc0 | name.size()));
  r.insert(r.end(), name.begin(), name.end());
  r[4] = static_cast<std::uint8_t>(r.size() - 5);
  return r;
}

Response Reading(std::vector<std::uint8_t> bytes, std::uint64_t at = 0) {
  Response r = Ok(std::move(bytes));
  r.receivedUsec = at;
  return r;
}

// A small server: a threshold temperature at a critical threshold, a
// 1's-complement current, a processor sensor behind a satellite controller
// shared by two sensors, an event-only record, a sensor that is not
// present, one whose reading fails, one with scanning disabled, one whose
// reading is unavailable, and a non-linear sensor.
struct Server {
  FakeSdrBmc bmc;
  std::string cacheDir;

  Server() {
    char pattern[] = "/tmp/marlek-sensor-XXXXXX";
    cacheDir = ::mkdtemp(pattern);
    FullRecordSpec temp;
    temp.recordId = 1;
    temp.number = 0x30;
    temp.id = "CPU1 Temp";
    bmc.AddRecord(FullRecord(temp));
    FullRecordSpec current;
    current.recordId = 2;
    current.number = 0x31;
    current.units1 = 0x40;  // 1's complement
    current.baseUnit = 5;   // Amps
    current.conversion[0] = 5;
    current.conversion[5] = 0xe0;  // K2 = -2
    current.id = "Current";
    bmc.AddRecord(FullRecord(current));
    bmc.AddRecord(CompactRecord(3, 0x2c, 0x60, 0x40, 0x07, 0x6f, 0x02, "CPU"));
    bmc.AddRecord(EventOnlyRecord(4, 0x50, "CPU Event"));
    FullRecordSpec absent = temp;
    absent.recordId = 5;
    absent.number = 0x33;
    absent.id = "Absent";
    bmc.AddRecord(FullRecord(absent));
    FullRecordSpec broken = temp;
    broken.recordId = 6;
    broken.number = 0x34;
    broken.id = "Broken";
    bmc.AddRecord(FullRecord(broken));
    FullRecordSpec idle = temp;
    idle.recordId = 7;
    idle.number = 0x35;
    idle.id = "Idle";
    bmc.AddRecord(FullRecord(idle));
    FullRecordSpec gone = temp;
    gone.recordId = 8;
    gone.number = 0x36;
    gone.id = "Unavailable";
    bmc.AddRecord(FullRecord(gone));
    FullRecordSpec nonLinear = temp;
    nonLinear.recordId = 9;
    nonLinear.number = 0x37;
    nonLinear.linearization = 0x71;
    nonLinear.id = "Airflow";
    bmc.AddRecord(FullRecord(nonLinear));

    bmc.readings[{0x20, 0x30}] = Reading({0x5a, 0xc0, 0x18}, 1700000000123456ull);
    bmc.readings[{0x20, 0x31}] = Reading({0xfe, 0xc0, 0x00});
    bmc.readings[{0x2c, 0x40}] = Reading({0x00, 0xc0, 0x81, 0x00});
    bmc.readings[{0x2c, 0x41}] = Reading({0x00, 0xc0, 0x80, 0x00});
    bmc.readings[{0x20, 0x34}] = testing::Fail(0xd5);
    bmc.readings[{0x20, 0x35}] = Reading({0x10, 0x80, 0x00});
    bmc.readings[{0x20, 0x36}] = Reading({0x00, 0xe0, 0x00});
    bmc.readings[{0x20, 0x37}] = Reading({0x20, 0xc0, 0x00});
    // M=3, K2=-1 for raw 0x20.
    bmc.factors[{0x20, 0x37}] = Ok({0x21, 0x03, 0x00, 0x00, 0x00, 0x00, 0xf0});
  }
  ~Server() { std::system(("rm -rf '" + cacheDir + "'").c_str()); }

  std::vector<std::shared_ptr<Ipmi::IpmiSensor>> List(std::uint64_t* requests = nullptr) {
    NodeContext node;
    node.index = 2;
    node.transport = bmc.transport();
    node.State<SdrCacheSettings>().directory = cacheDir;
    const std::uint64_t before = bmc.transport()->RequestCount();
    auto sensors = LoadSensors(node);
    if (requests)
      *requests = bmc.transport()->RequestCount() - before;
    return sensors;
  }
};

const Ipmi::IpmiSensor& Named(const std::vector<std::shared_ptr<Ipmi::IpmiSensor>>& sensors,
                              const std::string& name) {
  for (const auto& s : sensors) {
    if (s->getDescription() == name)
      return *s;
  }
  throw std::runtime_error("no sensor " + name);
}

TEST(LoadSensors, OneSensorPerRecordAndPerSharedSensor) {
  Server server;
  const auto sensors = server.List();
  std::vector<std::string> names;
  std::vector<std::uint32_t> numbers;
  for (const auto& s : sensors) {
    names.push_back(s->getDescription());
    numbers.push_back(s->getSensorNumber());
  }
  EXPECT_EQ(names, (std::vector<std::string>{"CPU1 Temp", "Current", "CPU1", "CPU2", "CPU Event", "Absent",
                                             "Broken", "Idle", "Unavailable", "Airflow"}));
  EXPECT_EQ(numbers[2], 0x40u);
  EXPECT_EQ(numbers[3], 0x41u);
  EXPECT_EQ(Named(sensors, "CPU2").getEntity().id, 3u);
}

TEST(LoadSensors, ReadingsAreAddressedToTheirOwnerAndPipelined) {
  Server server;
  server.List();
  std::vector<Target> readingTargets;
  for (const Request& r : server.bmc.transport()->Sent()) {
    if (r.netFn == 0x04 && r.command == 0x2d)
      readingTargets.push_back(r.target);
  }
  ASSERT_EQ(readingTargets.size(), 9u);  // every sensor but the event-only one
  EXPECT_TRUE(readingTargets[0].IsBmc());
  EXPECT_EQ(readingTargets[2].channel, 6);
  EXPECT_EQ(readingTargets[2].slaveAddress, 0x2c);
  EXPECT_EQ(readingTargets[3].slaveAddress, 0x2c);
  EXPECT_GE(server.bmc.transport()->PipelinedBatches(), 1);
}

TEST(LoadSensors, RequestCountsColdAndWarm) {
  Server server;
  std::uint64_t cold = 0, warm = 0;
  const std::size_t records = server.bmc.records.size();
  const auto sensors = server.List(&cold);
  // info + identity (2) + reservation + one Get SDR per record + one
  // reading per readable sensor + one factors request (non-linear sensor).
  EXPECT_EQ(cold, 1u + 2u + 1u + records + 9u + 1u);
  server.List(&warm);
  const std::uint64_t readable = 9;
  EXPECT_LE(warm, readable + 3u + 1u);
  EXPECT_EQ(warm, 3u + readable + 1u);
}

TEST(LoadSensors, ValuesStatesAndHealth) {
  Server server;
  const auto sensors = server.List();
  const Ipmi::IpmiSensor& temp = Named(sensors, "CPU1 Temp");
  EXPECT_FALSE(temp.isDiscrete());
  EXPECT_EQ(temp.getReading(), 0x5au);
  EXPECT_DOUBLE_EQ(temp.convertRawValue(temp.getReading()), 90.0);
  EXPECT_EQ(temp.getBaseUnitString(), "degrees C");
  EXPECT_EQ(temp.getSensorTypeString(), "Temperature");
  EXPECT_EQ(temp.readingTimeUsec, 1700000000123456ull);
  int health = 0;
  EXPECT_TRUE(temp.getHealthState(health));
  EXPECT_EQ(health, 25);

  const Ipmi::IpmiSensor& current = Named(sensors, "Current");
  EXPECT_NEAR(current.convertRawValue(current.getReading()), -0.05, 1e-12);
  EXPECT_EQ(current.getBaseUnitString(), "Amps");
  EXPECT_GT(current.readingTimeUsec, 1700000000000000ull);  // taken from the clock

  const Ipmi::IpmiSensor& cpu1 = Named(sensors, "CPU1");
  EXPECT_TRUE(cpu1.isDiscrete());
  EXPECT_EQ(cpu1.convertToEnumeration(), "IERR, Presence detected");
  EXPECT_EQ(cpu1.getSensorTypeString(), "Processor");
  EXPECT_TRUE(cpu1.getHealthState(health));
  EXPECT_EQ(health, 25);
  EXPECT_TRUE(Named(sensors, "CPU2").getHealthState(health));
  EXPECT_EQ(health, 5);

  const Ipmi::IpmiSensor& airflow = Named(sensors, "Airflow");
  EXPECT_NEAR(airflow.convertRawValue(airflow.getReading()), 9.6, 1e-9);
}

TEST(LoadSensors, SensorsWithoutAReading) {
  Server server;
  const auto sensors = server.List();
  int health = 0;
  struct Case {
    const char* name;
    bool scanningDisabled;
    bool unavailable;
    bool health;
  };
  const Case cases[] = {
      {"CPU Event", false, true, false},    // event-only
      {"Absent", false, true, false},       // 0xCB: not present
      {"Broken", false, false, false},      // failed: shown as an error with all sensors
      {"Idle", true, false, false},         // scanning disabled
      {"Unavailable", false, true, false},  // byte 2 bit 5
  };
  for (const Case& c : cases) {
    const Ipmi::IpmiSensor& s = Named(sensors, c.name);
    EXPECT_EQ(s.scanningDisabled(), c.scanningDisabled) << c.name;
    EXPECT_EQ(s.readingStateUnavailable(), c.unavailable) << c.name;
    EXPECT_EQ(s.getHealthState(health), c.health) << c.name;
  }
  EXPECT_EQ(Named(sensors, "CPU Event").readingTimeUsec, 0u);
  EXPECT_EQ(Named(sensors, "CPU Event").getReading(), 0u);
  try {
    Named(sensors, "Broken").getReading();
    FAIL() << "expected the reading failure";
  } catch (const ostrelInt::CmpiStatus& e) {
    for (const char* part : {"Get Sensor Reading", "0x34", "Broken", "node 2", "0xd5"})
      EXPECT_NE(e.msg().find(part), std::string::npos) << part << " in " << e.msg();
  }
}

TEST(LoadSensors, RawRecordIsTheWholeSdrRecord) {
  Server server;
  const auto sensors = server.List();
  const char* data = nullptr;
  int length = 0;
  sensors[3]->RawRecord(data, length);
  ASSERT_NE(data, nullptr);
  const std::vector<std::uint8_t>& record = server.bmc.records[2];  // the shared compact record
  ASSERT_EQ(length, static_cast<int>(record.size()));
  EXPECT_EQ(std::vector<std::uint8_t>(data, data + length), record);
}

TEST(LoadSensors, OneSilentSensorDoesNotCostTheOthers) {
  Server server;
  server.bmc.readings.erase({0x20, 0x31});
  auto transport = server.bmc.transport();
  transport->failOn = [](const Request& r) { return r.command == 0x2d && r.data.at(0) == 0x31; };
  const auto sensors = server.List();
  EXPECT_EQ(Named(sensors, "CPU1 Temp").getReading(), 0x5au);
  EXPECT_THROW(Named(sensors, "Current").getReading(), ostrelInt::CmpiStatus);
  EXPECT_EQ(Named(sensors, "CPU1").convertToEnumeration(), "IERR, Presence detected");
}

TEST(LoadSensors, NonLinearFactorsForOtherReadingsNeedTheOpenNode) {
  Server server;
  auto sensors = server.List();
  const Ipmi::IpmiSensor& airflow = Named(sensors, "Airflow");
  server.bmc.factors[{0x20, 0x37}] = Ok({0x41, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00});
  EXPECT_NEAR(airflow.convertRawValue(0x40), 128, 1e-9);  // asks the node, which is still reachable
}

}  // namespace
}  // namespace marlek
