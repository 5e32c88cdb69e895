// RMCP+ pieces the sessions with ipmi_sim do not reach: packets to refuse,
// the sequence window, bridged answers to another request, and the
// HMAC-SHA256 keys and integrity (cipher suites 15 to 17) against
// independently computed values.

#include "transport/lan/bridging.h"
#include "transport/lan/rakp_handshake.h"
#include "transport/lan/rmcpplus_session_packet.h"
#include "transport/lan/session_sequence.h"
#include "transport/wire_error.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

namespace marlek {
namespace {

Bytes HexBytes(std::string text) {
  Bytes out;
  for (std::size_t i = 0; i + 1 < text.size(); i += 2)
    out.push_back(static_cast<std::uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
  return out;
}

// Session 11223344h, sequence 7, cipher suite 3, keys K1 and K2 below,
// carrying a Get Device ID response.
const char* const kDatagram =
    "0600ff0706c044332211070000003000000102030405060708090a0b0c0d0e0f1d12e378d82dc46cbbd13cffcb16943cb7fccfa6"
    "d864a069a2f7a6cd5edb6996ffff020755984f6785ea81613759ec63";

SessionKeys Suite3Keys() {
  SessionKeys keys;
  keys.integrity = IntegrityAlgorithm::kHmacSha1_96;
  keys.confidentiality = ConfidentialityAlgorithm::kAesCbc128;
  keys.k1 = HexBytes("2e080ca23fb82e58048b7bdf2e3fcf3aba691f35");
  keys.k2 = HexBytes("4412682c591fda9e757f76d07659ed160f2cd367");
  return keys;
}

TEST(SessionPacketTest, DamagedOrUnprotectedPacketsAreRefused) {
  EXPECT_EQ(DecodeSessionPacket(HexBytes(kDatagram), Suite3Keys()).payload,
            HexBytes("811c63200801002001032602bf4c1c00423200000000f0"));
  SessionKeys wrongK2 = Suite3Keys();
  wrongK2.k2[0] ^= 1;
  const struct {
    std::function<void(Bytes&)> damage;
    SessionKeys keys;
    const char* expected;
  } cases[] = {
      {[](Bytes& d) { d[10] ^= 1; }, Suite3Keys(), "integrity check failed"},  // sequence number
      {[](Bytes&) {}, wrongK2, "confidentiality pad"},
      {[](Bytes& d) { d[14] = 0xff; }, Suite3Keys(), "needs"},  // payload length
      {[](Bytes& d) { d.resize(d.size() - 13); }, Suite3Keys(), "AuthCode"},
      {[](Bytes& d) { d[3] = 0x06; }, Suite3Keys(), "not IPMI"},
      {[](Bytes& d) { d[4] = 0x00; }, Suite3Keys(), "v2.0 format"},
      {[](Bytes& d) { d[5] &= 0xbf; }, Suite3Keys(), "not authenticated"},
      {[](Bytes&) {}, SessionKeys{}, "outside a session"},
  };
  for (const auto& c : cases) {
    Bytes datagram = HexBytes(kDatagram);
    c.damage(datagram);
    EXPECT_THAT([&] { DecodeSessionPacket(datagram, c.keys); },
                ::testing::ThrowsMessage<std::exception>(::testing::HasSubstr(c.expected)));
  }
  EXPECT_THROW(DecryptPayloadAesCbc128(Suite3Keys().k2, Bytes(16 + 15)), std::exception);
  EXPECT_THROW(DecryptPayloadAesCbc128(Suite3Keys().k2, Bytes(16)), std::exception);
}

TEST(SessionPacketTest, InboundWindowAcceptsEachNumberOnceAndNothingTooOld) {
  InboundSequenceWindow w;
  const std::pair<std::uint32_t, bool> steps[] = {
      {10, true}, {10, false}, {12, true},  {11, true},  {11, false}, {9, true},
      {60, true}, {29, true},  {28, false}, {12, false}, {60, false}, {61, true},
  };
  for (const auto& [sequence, accepted] : steps)
    EXPECT_EQ(w.Accept(sequence), accepted) << sequence;
}

TEST(BridgingTest, OnlyTheAnswerToTheRequestIsTaken) {
  Request request;
  request.netFn = 0x0a;
  request.command = 0x11;
  const auto answer = [](std::uint8_t netFn, std::uint8_t command) {
    IpmbResponseFrame frame;
    frame.netFn = netFn;
    frame.command = command;
    frame.data = {0x42};
    return frame;
  };
  EXPECT_EQ(UnwrapBridgedResponse(request, answer(0x0b, 0x11)).data, Bytes{0x42});
  EXPECT_THROW(UnwrapBridgedResponse(request, answer(0x0a, 0x11)), WireFormatError);
  EXPECT_THROW(UnwrapBridgedResponse(request, answer(0x0b, 0x12)), WireFormatError);
}

TEST(RakpTest, HmacSha256KnownAnswers) {
  RakpExchange x;
  x.auth = AuthAlgorithm::kHmacSha256;
  x.consoleSessionId = 0x11223344;
  x.managedSessionId = 0x0a0b0c0d;
  x.consoleRandom = HexBytes("101112131415161718191a1b1c1d1e1f");
  x.managedRandom = HexBytes("a0a1a2a3a4a5a6a7a8a9aaabacadaeaf");
  x.managedGuid = HexBytes("404142434445464748494a4b4c4d4e4f");
  x.role = 0x14;
  x.username = "admin";
  x.password = {'s', 'e', 'c', 'r', 'e', 't'};
  EXPECT_EQ(Rakp2AuthCode(x), HexBytes("a98848ec8761c40c5aec8d1a90665e54558cf0dad4f3ee137c6d8ed6e87613d7"));
  EXPECT_EQ(Rakp3AuthCode(x), HexBytes("6cb248dae3e790ee765369d71082365df47997204fd72b1071237fda8ab653bc"));
  const Bytes sik = SessionIntegrityKey(x);
  EXPECT_EQ(sik, HexBytes("1fb0b4c55504cbcfa13621b32bbbd1719f96e7115b576dbfc91ebd9dc184e7db"));
  EXPECT_EQ(Rakp4IntegrityCheckValue(x, sik), HexBytes("0d7c7d04914333a9de3da7b2c7e536a6"));
  EXPECT_EQ(DerivedKey(x.auth, sik, 0x01),
            HexBytes("7f2ace86306739c711d2dd7cd778bc45973d7f15f7fb25671f46e16244def841"));
  EXPECT_EQ(DerivedKey(x.auth, sik, 0x02),
            HexBytes("46ca440775dd2945bc8fc2fddae68560edd42a0e05e28accccd88fc352a218c2"));

  // HMAC-SHA256-128 integrity with that K1 (cipher suite 16), in both directions.
  SessionKeys keys;
  keys.integrity = IntegrityAlgorithm::kHmacSha256_128;
  keys.k1 = DerivedKey(x.auth, sik, 0x01);
  const std::string message = "811c63200801002001032602bf4c1c00423200000000f0";
  const Bytes payload = HexBytes(message);
  const Bytes datagram =
      HexBytes("0600ff07064044332211070000001700" + message + "ffffff0307ba61b07ec70be9522679dc74469aa8fa");
  EXPECT_EQ(EncodeSessionPacket(PayloadType::kIpmiMessage, 0x11223344, 7, payload, keys), datagram);
  EXPECT_EQ(DecodeSessionPacket(datagram, keys).payload, payload);
}

}  // namespace
}  // namespace marlek
