// The RMCP+ session packet: its crypto primitives against published
// vectors, the confidentiality and integrity steps against a fixture made
// independently with fixed keys and IV, and the faults a decoder must catch.

#include "transport/rmcpplus_session_packet.h"
#include "support/hex_bytes.h"
#include "transport/rmcpplus_crypto.h"
#include "transport/wire_error.h"

#include <gtest/gtest.h>

namespace marlek {
namespace {

using testing::HexBytes;

const char* const kK1 = "2e080ca23fb82e58048b7bdf2e3fcf3aba691f35";
const char* const kK2 = "4412682c591fda9e757f76d07659ed160f2cd367";
const char* const kIv = "000102030405060708090a0b0c0d0e0f";
const char* const kMessage = "811c63200801002001032602bf4c1c00423200000000f0";
const char* const kEncryptedPayload =
    "000102030405060708090a0b0c0d0e0f1d12e378d82dc46cbbd13cffcb16943cb7fccfa6d864a069a2f7a6cd5edb6996";
// Session 11223344h, sequence 7, cipher suite 3, with the keys above.
const char* const kDatagram =
    "0600ff0706c044332211070000003000000102030405060708090a0b0c0d0e0f1d12e378d82dc46cbbd13cffcb16943cb7fccfa6"
    "d864a069a2f7a6cd5edb6996ffff020755984f6785ea81613759ec63";

SessionKeys Suite3Keys() {
  SessionKeys keys;
  keys.integrity = IntegrityAlgorithm::kHmacSha1_96;
  keys.confidentiality = ConfidentialityAlgorithm::kAesCbc128;
  keys.k1 = HexBytes(kK1);
  keys.k2 = HexBytes(kK2);
  return keys;
}

TEST(RmcpPlusCryptoTest, PublishedVectors) {
  // RFC 2202 test case 2 and RFC 4231 test case 2.
  const Bytes key = {'J', 'e', 'f', 'e'};
  const std::string text = "what do ya want for nothing?";
  const Bytes data(text.begin(), text.end());
  EXPECT_EQ(Hmac(HashAlgorithm::kSha1, key, data), HexBytes("effcdf6ae5eb2fa2d27416d5f184df9c259a7c79"));
  EXPECT_EQ(Hmac(HashAlgorithm::kSha256, key, data),
            HexBytes("5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843"));
  // NIST SP 800-38A F.2.1, the first two blocks.
  const Bytes aesKey = HexBytes("2b7e151628aed2a6abf7158809cf4f3c");
  const Bytes plain = HexBytes("6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51");
  const Bytes cipher = HexBytes("7649abac8119b246cee98e9b12e9197d5086cb9b507219ee95db113a917678b2");
  EXPECT_EQ(AesCbc128Encrypt(aesKey, HexBytes(kIv), plain), cipher);
  EXPECT_EQ(AesCbc128Decrypt(aesKey, HexBytes(kIv), cipher), plain);
  EXPECT_THROW(AesCbc128Encrypt(aesKey, HexBytes(kIv), Bytes(15)), std::invalid_argument);

  EXPECT_EQ(RandomBytes(16).size(), 16u);
  EXPECT_NE(RandomBytes(16), RandomBytes(16));
  EXPECT_TRUE(ConstantTimeEqual(HexBytes("0102"), HexBytes("0102")));
  EXPECT_FALSE(ConstantTimeEqual(HexBytes("0102"), HexBytes("0103")));
  EXPECT_FALSE(ConstantTimeEqual(HexBytes("0102"), HexBytes("01")));
}

TEST(RmcpPlusSessionPacketTest, ConfidentialityStepKnownAnswer) {
  EXPECT_EQ(EncryptPayloadAesCbc128(HexBytes(kK2), HexBytes(kIv), HexBytes(kMessage)),
            HexBytes(kEncryptedPayload));
  EXPECT_EQ(DecryptPayloadAesCbc128(HexBytes(kK2), HexBytes(kEncryptedPayload)), HexBytes(kMessage));
}

TEST(RmcpPlusSessionPacketTest, ConfidentialityPadFillsWholeBlocks) {
  for (std::size_t length : {0u, 1u, 14u, 15u, 16u, 17u, 31u, 32u}) {
    const Bytes payload(length, 0xa5);
    const Bytes sealed = EncryptPayloadAesCbc128(HexBytes(kK2), HexBytes(kIv), payload);
    EXPECT_EQ((sealed.size() - 16) % 16, 0u) << length;
    EXPECT_GT(sealed.size() - 16, length) << length;
    EXPECT_EQ(DecryptPayloadAesCbc128(HexBytes(kK2), sealed), payload) << length;
  }
}

TEST(RmcpPlusSessionPacketTest, DecodesTheFixtureDatagram) {
  const SessionPacket p = DecodeSessionPacket(HexBytes(kDatagram), Suite3Keys());
  EXPECT_EQ(p.type, PayloadType::kIpmiMessage);
  EXPECT_TRUE(p.encrypted);
  EXPECT_TRUE(p.authenticated);
  EXPECT_EQ(p.sessionId, 0x11223344u);
  EXPECT_EQ(p.sequence, 7u);
  EXPECT_EQ(p.payload, HexBytes(kMessage));
}

TEST(RmcpPlusSessionPacketTest, IntegrityStepKnownAnswer) {
  const Bytes datagram = HexBytes(kDatagram);
  const Bytes covered(datagram.begin() + 4, datagram.end() - 12);
  EXPECT_EQ(IntegrityAuthCode(IntegrityAlgorithm::kHmacSha1_96, HexBytes(kK1), covered),
            HexBytes("55984f6785ea81613759ec63"));
}

TEST(RmcpPlusSessionPacketTest, RoundTripsForEachProtection) {
  const Bytes message = HexBytes(kMessage);
  for (int id : {0, 1, 2, 3, 16, 17}) {
    SCOPED_TRACE(id);
    const CipherSuite suite = *LookupCipherSuite(id);
    SessionKeys keys;
    keys.integrity = suite.integrity;
    keys.confidentiality = suite.confidentiality;
    keys.k1 = Bytes(32, 0x11);
    keys.k2 = Bytes(32, 0x22);
    const Bytes datagram = EncodeSessionPacket(PayloadType::kIpmiMessage, 0x01020304, 99, message, keys);
    if (keys.integrity != IntegrityAlgorithm::kNone) {
      EXPECT_EQ((datagram.size() - 4 - AuthCodeLength(keys.integrity)) % 4, 0u);
    }
    const SessionPacket p = DecodeSessionPacket(datagram, keys);
    EXPECT_EQ(p.payload, message);
    EXPECT_EQ(p.sequence, 99u);
    EXPECT_EQ(p.encrypted, keys.confidentiality != ConfidentialityAlgorithm::kNone);
  }
}

TEST(RmcpPlusSessionPacketTest, DamagedOrUnprotectedPacketsAreRejected) {
  struct Case {
    const char* name;
    std::function<Bytes(Bytes)> damage;
    SessionKeys keys;
    const char* expected;
  };
  SessionKeys wrongK1 = Suite3Keys();
  wrongK1.k1[0] ^= 1;
  SessionKeys wrongK2 = Suite3Keys();
  wrongK2.k1 = HexBytes(kK1);
  wrongK2.k2[0] ^= 1;
  const Case cases[] = {
      {"AuthCode bit", [](Bytes d) { return d.back() ^= 1, d; }, Suite3Keys(), "integrity check failed"},
      {"sequence number", [](Bytes d) { return d[10] ^= 1, d; }, Suite3Keys(), "integrity check failed"},
      {"cipher text", [](Bytes d) { return d[40] ^= 1, d; }, Suite3Keys(), "integrity check failed"},
      {"wrong K1", [](Bytes d) { return d; }, wrongK1, "integrity check failed"},
      {"wrong K2", [](Bytes d) { return d; }, wrongK2, "confidentiality pad"},
      {"payload length beyond the data", [](Bytes d) { return d[14] = 0xff, d; }, Suite3Keys(), "needs"},
      {"cut in the trailer", [](Bytes d) { return d.resize(d.size() - 13), d; }, Suite3Keys(), "AuthCode"},
      {"RMCP header only", [](Bytes d) { return d.resize(4), d; }, Suite3Keys(), "needs 1 more"},
      {"ASF class", [](Bytes d) { return d[3] = 0x06, d; }, Suite3Keys(), "not IPMI"},
      {"IPMI v1.5 format", [](Bytes d) { return d[4] = 0x00, d; }, Suite3Keys(), "v2.0 format"},
      {"authenticated bit cleared", [](Bytes d) { return d[5] &= 0xbf, d; }, Suite3Keys(),
       "not authenticated"},
      {"authenticated outside a session", [](Bytes d) { return d; }, SessionKeys{}, "outside a session"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      DecodeSessionPacket(c.damage(HexBytes(kDatagram)), c.keys);
      ADD_FAILURE() << "accepted";
    } catch (const std::exception& e) {
      EXPECT_NE(std::string(e.what()).find(c.expected), std::string::npos) << e.what();
    }
  }
}

TEST(RmcpPlusSessionPacketTest, BadConfidentialityPadIsRejected) {
  // A cipher text whose plain text ends in a pad that does not count 1, 2, ...
  const Bytes iv = HexBytes(kIv);
  const Bytes k2 = HexBytes(kK2);
  const Bytes key(k2.begin(), k2.begin() + 16);
  Bytes plain(16, 0x00);
  plain[13] = 0x07;  // should be 01h
  plain[14] = 0x02;
  plain[15] = 0x02;
  Bytes sealed = iv;
  const Bytes cipher = AesCbc128Encrypt(key, iv, plain);
  sealed.insert(sealed.end(), cipher.begin(), cipher.end());
  EXPECT_THROW(DecryptPayloadAesCbc128(HexBytes(kK2), sealed), WireFormatError);
  EXPECT_THROW(DecryptPayloadAesCbc128(HexBytes(kK2), Bytes(16 + 15)), WireFormatError);
  EXPECT_THROW(DecryptPayloadAesCbc128(HexBytes(kK2), Bytes(16)), WireFormatError);
  EXPECT_THROW(DecryptPayloadAesCbc128(HexBytes(kK2), Bytes(10)), TruncatedPayload);
}

TEST(RmcpPlusSessionPacketTest, V15WrapperForChannelCapabilities) {
  const Bytes message = HexBytes("20 18 c8 81 00 38 8e 04 b5");
  const Bytes datagram = EncodeV15UnauthenticatedPacket(message);
  EXPECT_EQ(datagram, HexBytes("0600ff07 00 00000000 00000000 09 20 18 c8 81 00 38 8e 04 b5"));
  EXPECT_EQ(DecodeV15UnauthenticatedPacket(datagram), message);
  Bytes authenticated = datagram;
  authenticated[4] = 0x02;  // MD5
  EXPECT_THROW(DecodeV15UnauthenticatedPacket(authenticated), WireFormatError);
  Bytes cut = datagram;
  cut.resize(cut.size() - 1);
  EXPECT_THROW(DecodeV15UnauthenticatedPacket(cut), TruncatedPayload);
}

}  // namespace
}  // namespace marlek
