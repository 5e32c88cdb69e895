// Finding FRU devices from SDR locator records and reading them from
// scripted controllers.

#include "fru/fru_device.h"
#include "fru/fru_inventory.h"
#include "fru/fru_part.h"
#include "fru_image_builder.h"
#include "sdr/sdr_record.h"
#include "support/scripted_transport.h"
#include "wire/payload.h"

#include <gtest/gtest.h>

#include <map>

namespace marlek::fru {
namespace {

using marlek::testing::Fail;
using marlek::testing::Ok;
using marlek::testing::ScriptedTransport;
using testing::AreaBuilder;
using testing::BuildImage;

SdrRecord Record(std::uint8_t type, Bytes body, const std::string& id) {
  body.push_back(static_cast<std::uint8_t>(0xc0 | id.size()));
  body.insert(body.end(), id.begin(), id.end());
  SdrRecord record;
  record.recordType = type;
  record.bytes = {0x01, 0x00, 0x51, type, static_cast<std::uint8_t>(body.size())};
  record.bytes.insert(record.bytes.end(), body.begin(), body.end());
  return record;
}

SdrRecord FruLocator(std::uint8_t address, std::uint8_t deviceId, bool logical, std::uint8_t channel,
                     std::uint8_t entityId, const std::string& id, std::uint8_t lun = 0) {
  const std::uint8_t access = static_cast<std::uint8_t>((logical ? 0x80 : 0x00) | lun << 3);
  return Record(sdr_type::kFruDeviceLocator,
                {address, deviceId, access, static_cast<std::uint8_t>(channel << 4), 0x00, 0x10, 0x00,
                 entityId, 0x01, 0x00},
                id);
}

SdrRecord McLocator(std::uint8_t address, std::uint8_t channel, bool fruInventory, std::uint8_t entityId,
                    const std::string& id) {
  return Record(sdr_type::kMcDeviceLocator,
                {address, channel, 0x00, static_cast<std::uint8_t>(fruInventory ? 0x29 : 0x21), 0, 0, 0,
                 entityId, 0x02, 0x00},
                id);
}

TEST(FruDiscovery, BuiltinLocatorsAndControllers) {
  const std::vector<SdrRecord> records{
      McLocator(0x20, 0, true, 0x06, "BMC"),
      FruLocator(0x20, 0, true, 0, 0x07, "Main board"),  // device 0 again: listed once
      FruLocator(0x20, 2, true, 0, 0x0a, "PSU 1"),
      FruLocator(0x20, 3, false, 0, 0x20, "DIMM A1"),  // physical: not read
      FruLocator(0xb2, 1, true, 6, 0x0b, "Riser", 1),
      McLocator(0x2c, 7, true, 0x15, "ME"),
      McLocator(0x2e, 7, false, 0x15, "no inventory"),
      FruLocator(0x20, 2, true, 0, 0x0a, "PSU 1 twice"),
  };
  const std::vector<FruDeviceSpec> devices = FindFruDevices(records);
  ASSERT_EQ(devices.size(), 4u);
  EXPECT_EQ(devices[0].name, "Builtin FRU Device");
  EXPECT_EQ(devices[0].entity.id, 0x06u) << "device 0 has the BMC's entity";
  EXPECT_EQ(devices[0].entity.instance, 0x02u);
  EXPECT_TRUE(devices[0].address.target.IsBmc());

  EXPECT_EQ(devices[1].name, "PSU 1");
  EXPECT_EQ(devices[1].address.deviceId, 2);
  EXPECT_TRUE(devices[1].address.target.IsBmc());
  EXPECT_EQ(devices[1].entity.id, 0x0au);

  EXPECT_EQ(devices[2].name, "Riser");
  EXPECT_EQ(devices[2].address.target.slaveAddress, 0xb2);
  EXPECT_EQ(devices[2].address.target.channel, 6);
  EXPECT_EQ(devices[2].address.target.lun, 1);

  EXPECT_EQ(devices[3].name, "ME");
  EXPECT_EQ(devices[3].address.target.slaveAddress, 0x2c);
  EXPECT_EQ(devices[3].address.target.channel, 7);
  EXPECT_EQ(devices[3].address.deviceId, 0);

  const std::vector<FruDeviceSpec> bare = FindFruDevices({});
  ASSERT_EQ(bare.size(), 1u);
  EXPECT_EQ(bare[0].name, "Builtin FRU Device");
}

// Controllers holding FRU images, answering the two FRU commands.
class FakeFruControllers {
 public:
  struct Device {
    Bytes image;
    bool wordAccess = false;
    std::size_t maxChunk = 255;  // larger reads answer refuseCode
    std::uint8_t refuseCode = 0xca;
    std::uint8_t infoCode = 0x00;
    std::size_t failAt = SIZE_MAX;  // reads from here answer 0xd5
    bool unreachable = false;
  };

  Device& At(std::uint8_t address, std::uint8_t deviceId) { return devices_[{address, deviceId}]; }

  Response operator()(const Request& request) {
    auto it = devices_.find({request.target.slaveAddress, request.data.at(0)});
    if (it == devices_.end())
      return Fail(0xcb);
    Device& device = it->second;
    if (device.unreachable)
      throw ostrelInt::CmpiStatus("no answer from 0x" + std::to_string(request.target.slaveAddress));
    const std::size_t unit = device.wordAccess ? 2 : 1;
    if (request.command == cmd::kGetFruInventoryAreaInfo) {
      if (device.infoCode != 0)
        return Fail(device.infoCode);
      const std::size_t size = device.image.size();
      return Ok({static_cast<std::uint8_t>(size), static_cast<std::uint8_t>(size >> 8),
                 static_cast<std::uint8_t>(device.wordAccess ? 1 : 0)});
    }
    const std::size_t offset = (request.data[1] | request.data[2] << 8) * unit;
    const std::size_t count = request.data[3] * unit;
    counts.push_back(count);
    if (count > device.maxChunk)
      return Fail(device.refuseCode);
    if (offset >= device.failAt)
      return Fail(0xd5);
    Bytes out{0};
    for (std::size_t i = offset; i < offset + count && i < device.image.size(); ++i)
      out.push_back(device.image[i]);
    out[0] = static_cast<std::uint8_t>((out.size() - 1) / unit);
    return Ok(out);
  }

  std::vector<std::size_t> counts;

 private:
  std::map<std::pair<std::uint8_t, std::uint8_t>, Device> devices_;
};

Bytes SampleImage(const std::string& productName) {
  return BuildImage(
      {}, AreaBuilder({0x19, 0xbe, 0xde, 0x91}).Text("Maker").Text("Board").Text("SN").Text("PN").Build(),
      AreaBuilder({0x19}).Text("Maker").Text(productName).Text("P").Text("1").Text("S").Build());
}

TEST(FruRead, ChunksShrinkUntilTheDeviceAccepts) {
  struct Case {
    std::size_t maxChunk;
    std::uint8_t refuseCode;
    bool wordAccess;
  } cases[] = {
      {255, 0xca, false}, {24, 0xca, false}, {10, 0xc7, false}, {5, 0xc8, false},
      {1, 0xca, false},   {255, 0xca, true}, {8, 0xca, true},
  };
  for (const Case& c : cases) {
    FakeFruControllers controllers;
    auto& device = controllers.At(0x20, 0);
    device.image = SampleImage("Product");
    device.maxChunk = c.maxChunk;
    device.refuseCode = c.refuseCode;
    device.wordAccess = c.wordAccess;
    ScriptedTransport transport(std::ref(controllers));
    const FruImage image = ReadFruImage(transport, FruDeviceAddress{});
    SCOPED_TRACE(c.maxChunk);
    EXPECT_EQ(image.bytes, device.image);
    EXPECT_TRUE(image.problems.empty()) << image.problems[0];
    EXPECT_EQ(image.info.wordAccess, c.wordAccess);
    for (std::size_t count : controllers.counts) {
      if (c.wordAccess) {
        EXPECT_EQ(count % 2, 0u);
      }
    }
  }
}

TEST(FruRead, BridgedReadsAreSmallAndAddressed) {
  FakeFruControllers controllers;
  controllers.At(0xb2, 1).image = SampleImage("Riser");
  ScriptedTransport transport(std::ref(controllers));
  FruDeviceAddress address;
  address.target.channel = 6;
  address.target.slaveAddress = 0xb2;
  address.deviceId = 1;
  const FruImage image = ReadFruImage(transport, address);
  EXPECT_EQ(image.bytes.size(), controllers.At(0xb2, 1).image.size());
  for (const Request& r : transport.Sent()) {
    EXPECT_EQ(r.target.channel, 6);
    EXPECT_EQ(r.target.slaveAddress, 0xb2);
  }
  for (std::size_t count : controllers.counts)
    EXPECT_LE(count, 16u);
}

TEST(FruRead, FailuresBecomeProblemsAndKeepWhatWasRead) {
  FakeFruControllers controllers;
  controllers.At(0x20, 0).image = SampleImage("P");
  controllers.At(0x20, 0).failAt = 40;
  controllers.At(0x20, 0).maxChunk = 16;
  controllers.At(0x20, 1).infoCode = 0xc3;
  controllers.At(0x20, 2).unreachable = true;
  ScriptedTransport transport(std::ref(controllers));

  const FruImage partial = ReadFruImage(transport, FruDeviceAddress{});
  EXPECT_GE(partial.bytes.size(), 40u);
  EXPECT_LT(partial.bytes.size(), controllers.At(0x20, 0).image.size());
  ASSERT_EQ(partial.problems.size(), 1u);
  EXPECT_NE(partial.problems[0].find("0xd5"), std::string::npos) << partial.problems[0];

  FruDeviceAddress one;
  one.deviceId = 1;
  const FruImage refused = ReadFruImage(transport, one);
  EXPECT_TRUE(refused.bytes.empty());
  EXPECT_NE(refused.problems.at(0).find("FRU device 1 at 0x20"), std::string::npos) << refused.problems[0];

  FruDeviceAddress two;
  two.deviceId = 2;
  const FruImage silent = ReadFruImage(transport, two);
  EXPECT_TRUE(silent.bytes.empty());
  EXPECT_NE(silent.problems.at(0).find("no answer"), std::string::npos);
}

TEST(FruDeviceHeader, PackedFromTheAreaInfoAnswer) {
  auto bytes = [](const Ipmi::FruDeviceHeaderInfo& header) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(&header);
    return Bytes(p, p + sizeof header);
  };
  EXPECT_EQ(bytes(MakeDeviceHeader(0, Ok({0x00, 0x04, 0x01}))), (Bytes{0x00, 0x00, 0x04, 0x01, 0x00}));
  EXPECT_EQ(bytes(MakeDeviceHeader(3, Ok({0x2a, 0x01, 0x00, 0x99}))), (Bytes{0x00, 0x2a, 0x01, 0x00, 0x03}));
  EXPECT_EQ(bytes(MakeDeviceHeader(0, Fail(0xcb))), (Bytes{0xcb, 0x00, 0x00, 0x00, 0x00}));
  EXPECT_THROW(MakeDeviceHeader(0, Ok({0x00, 0x04})), TruncatedPayload);
}

TEST(FruInventory, OneBrokenDeviceNeverStopsTheOthers) {
  FakeFruControllers controllers;
  controllers.At(0x20, 0).image = SampleImage("Server");
  Bytes badHeader = SampleImage("Bad");
  badHeader[0] = 0x05;
  controllers.At(0x20, 2).image = badHeader;
  Bytes badChecksum = SampleImage("PSU");
  badChecksum[20] ^= 0xff;
  controllers.At(0x20, 3).image = badChecksum;
  controllers.At(0xb2, 0).unreachable = true;
  controllers.At(0x2c, 0).image = SampleImage("ME");
  ScriptedTransport transport(std::ref(controllers));

  const std::vector<SdrRecord> records{
      FruLocator(0x20, 2, true, 0, 0x0a, "Broken"), FruLocator(0x20, 3, true, 0, 0x0a, "PSU 1"),
      McLocator(0xb2, 6, true, 0x0b, "Gone"), McLocator(0x2c, 0, true, 0x15, "ME")};
  const FruInventory inventory = ReadFruInventory(transport, records);
  EXPECT_TRUE(inventory.anyData);
  ASSERT_EQ(inventory.frus.size(), 4u) << "every device that gave bytes";
  std::vector<std::string> names;
  for (const auto& fru : inventory.frus)
    for (const auto& optional : fru->getOptionalRefArray())
      names.push_back(optional->deviceName + "=" + Ipmi::IpmiIfc::Part(MakeFruPart(*optional)).productName);
  EXPECT_EQ(names, (std::vector<std::string>{"Builtin FRU Device=Server", "PSU 1=PSU", "ME=ME"}));
  EXPECT_TRUE(inventory.frus[1]->getOptionalRefArray().empty()) << "invalid header: no areas";
  const auto& psu = inventory.frus[2]->getOptionalRefArray().at(0);
  EXPECT_FALSE(psu->problems.empty()) << "the checksum fault is kept with the areas";
  EXPECT_EQ(inventory.problems.size(), 3u);

  FakeFruControllers nothing;
  ScriptedTransport empty(std::ref(nothing));
  EXPECT_FALSE(ReadFruInventory(empty, {}).anyData);
}

}  // namespace
}  // namespace marlek::fru
