// The RAKP exchange: message layouts and the key computations, checked
// against values computed independently for fixed inputs.

#include "transport/rakp_handshake.h"
#include "support/hex_bytes.h"
#include "wire/payload.h"

#include <gtest/gtest.h>

namespace marlek {
namespace {

using testing::HexBytes;

RakpExchange FixedExchange(AuthAlgorithm auth) {
  RakpExchange x;
  x.auth = auth;
  x.consoleSessionId = 0x11223344;
  x.managedSessionId = 0x0a0b0c0d;
  x.consoleRandom = HexBytes("101112131415161718191a1b1c1d1e1f");
  x.managedRandom = HexBytes("a0a1a2a3a4a5a6a7a8a9aaabacadaeaf");
  x.managedGuid = HexBytes("404142434445464748494a4b4c4d4e4f");
  x.role = 0x14;  // administrator, name-only lookup
  x.username = "admin";
  x.password = {'s', 'e', 'c', 'r', 'e', 't'};
  return x;
}

struct KnownAnswers {
  AuthAlgorithm auth;
  const char* rakp2;
  const char* rakp3;
  const char* sik;
  const char* icv;
  const char* k1;
  const char* k2;
};

const KnownAnswers kKnownAnswers[] = {
    {AuthAlgorithm::kHmacSha1, "7733114aad7b97e7a96dac320925cee45b43cd27",
     "4e266d5183be770f11957ceab4f5798bc44dd0c1", "5b5a8a067ca66246a694d1a1ba6a5cfc804d80ef",
     "60702a76b407973e590e7b52", "2e080ca23fb82e58048b7bdf2e3fcf3aba691f35",
     "4412682c591fda9e757f76d07659ed160f2cd367"},
    {AuthAlgorithm::kHmacSha256, "a98848ec8761c40c5aec8d1a90665e54558cf0dad4f3ee137c6d8ed6e87613d7",
     "6cb248dae3e790ee765369d71082365df47997204fd72b1071237fda8ab653bc",
     "1fb0b4c55504cbcfa13621b32bbbd1719f96e7115b576dbfc91ebd9dc184e7db", "0d7c7d04914333a9de3da7b2c7e536a6",
     "7f2ace86306739c711d2dd7cd778bc45973d7f15f7fb25671f46e16244def841",
     "46ca440775dd2945bc8fc2fddae68560edd42a0e05e28accccd88fc352a218c2"},
};

TEST(RakpKeyDerivationTest, KnownAnswersForSha1AndSha256) {
  for (const KnownAnswers& k : kKnownAnswers) {
    SCOPED_TRACE(static_cast<int>(k.auth));
    const RakpExchange x = FixedExchange(k.auth);
    EXPECT_EQ(Rakp2AuthCode(x), HexBytes(k.rakp2));
    EXPECT_EQ(Rakp3AuthCode(x), HexBytes(k.rakp3));
    const Bytes sik = SessionIntegrityKey(x);
    EXPECT_EQ(sik, HexBytes(k.sik));
    EXPECT_EQ(Rakp4IntegrityCheckValue(x, sik), HexBytes(k.icv));
    EXPECT_EQ(DerivedKey(k.auth, sik, 0x01), HexBytes(k.k1));
    EXPECT_EQ(DerivedKey(k.auth, sik, 0x02), HexBytes(k.k2));
  }
}

TEST(RakpKeyDerivationTest, EveryInputChangesTheAuthCode) {
  const Bytes reference = Rakp2AuthCode(FixedExchange(AuthAlgorithm::kHmacSha1));
  std::vector<std::function<void(RakpExchange&)>> changes = {
      [](RakpExchange& x) { x.consoleSessionId ^= 1; },  [](RakpExchange& x) { x.managedSessionId ^= 1; },
      [](RakpExchange& x) { x.consoleRandom[15] ^= 1; }, [](RakpExchange& x) { x.managedRandom[0] ^= 1; },
      [](RakpExchange& x) { x.managedGuid[7] ^= 1; },    [](RakpExchange& x) { x.role = 0x04; },
      [](RakpExchange& x) { x.username = "admi"; },      [](RakpExchange& x) { x.password.back() ^= 1; },
  };
  for (std::size_t i = 0; i < changes.size(); ++i) {
    RakpExchange x = FixedExchange(AuthAlgorithm::kHmacSha1);
    changes[i](x);
    EXPECT_NE(Rakp2AuthCode(x), reference) << "change " << i;
  }
  // A BMC key replaces the password in the SIK only.
  RakpExchange withKg = FixedExchange(AuthAlgorithm::kHmacSha1);
  withKg.kg = {'k', 'g'};
  EXPECT_EQ(Rakp3AuthCode(withKg), Rakp3AuthCode(FixedExchange(AuthAlgorithm::kHmacSha1)));
  EXPECT_NE(SessionIntegrityKey(withKg), SessionIntegrityKey(FixedExchange(AuthAlgorithm::kHmacSha1)));
}

TEST(RakpKeyDerivationTest, NoAuthenticationMeansNoCodesAndNoKeys) {
  const RakpExchange x = FixedExchange(AuthAlgorithm::kNone);
  EXPECT_TRUE(Rakp2AuthCode(x).empty());
  EXPECT_TRUE(Rakp3AuthCode(x).empty());
  EXPECT_TRUE(SessionIntegrityKey(x).empty());
  EXPECT_TRUE(DerivedKey(AuthAlgorithm::kNone, {}, 1).empty());
}

TEST(RakpMessagesTest, OpenSessionRequestLayout) {
  OpenSessionRequest r;
  r.messageTag = 0x21;
  r.maxPrivilege = 4;
  r.consoleSessionId = 0x11223344;
  r.suite = *LookupCipherSuite(17);
  EXPECT_EQ(EncodeOpenSessionRequest(r), HexBytes("21 04 0000 44332211"
                                                  "00 0000 08 03 000000"
                                                  "01 0000 08 04 000000"
                                                  "02 0000 08 01 000000"));
}

TEST(RakpMessagesTest, OpenSessionResponseDecodes) {
  const OpenSessionResponse r =
      DecodeOpenSessionResponse(HexBytes("21 00 04 00 44332211 0d0c0b0a"
                                         "00 0000 08 01 000000"
                                         "01 0000 08 01 000000"
                                         "02 0000 08 01 000000"));
  EXPECT_EQ(r.messageTag, 0x21);
  EXPECT_EQ(r.maxPrivilege, 4);
  EXPECT_EQ(r.consoleSessionId, 0x11223344u);
  EXPECT_EQ(r.managedSessionId, 0x0a0b0c0du);
  EXPECT_EQ(r.auth, AuthAlgorithm::kHmacSha1);
  EXPECT_EQ(r.integrity, IntegrityAlgorithm::kHmacSha1_96);
  EXPECT_EQ(r.confidentiality, ConfidentialityAlgorithm::kAesCbc128);

  // A refusal stops after the status; its text comes from the status table.
  const OpenSessionResponse refused = DecodeOpenSessionResponse(HexBytes("21 04"));
  EXPECT_EQ(refused.status, 0x04);
  EXPECT_STREQ(RmcpPlusStatusText(refused.status), "Invalid authentication algorithm");
  EXPECT_STREQ(RmcpPlusStatusText(0x12), "Illegal or Unrecognized parameter");
  EXPECT_STREQ(RmcpPlusStatusText(0x13), "Reserved status code");

  EXPECT_THROW(DecodeOpenSessionResponse(HexBytes("21 00 04 00 44332211 0d0c0b0a 00 0000 08 01")),
               TruncatedPayload);
}

TEST(RakpMessagesTest, Rakp1AndRakp3Layouts) {
  Rakp1 m1;
  m1.messageTag = 0x22;
  m1.managedSessionId = 0x0a0b0c0d;
  m1.consoleRandom = HexBytes("101112131415161718191a1b1c1d1e1f");
  m1.role = 0x14;
  m1.username = "admin";
  EXPECT_EQ(EncodeRakp1(m1),
            HexBytes("22 000000 0d0c0b0a 101112131415161718191a1b1c1d1e1f 14 0000 05 61646d696e"));
  m1.username = std::string(17, 'u');
  EXPECT_THROW(EncodeRakp1(m1), std::invalid_argument);

  Rakp3 m3{0x23, 0x00, 0x0a0b0c0d, HexBytes("aabb")};
  EXPECT_EQ(EncodeRakp3(m3), HexBytes("23 00 0000 0d0c0b0a aabb"));
}

TEST(RakpMessagesTest, Rakp2AndRakp4Decode) {
  const Rakp2 m2 =
      DecodeRakp2(HexBytes("22 00 0000 44332211 a0a1a2a3a4a5a6a7a8a9aaabacadaeaf"
                           "404142434445464748494a4b4c4d4e4f 7733114aad7b97e7a96dac320925cee45b43cd27"));
  EXPECT_EQ(m2.consoleSessionId, 0x11223344u);
  EXPECT_EQ(m2.managedRandom, HexBytes("a0a1a2a3a4a5a6a7a8a9aaabacadaeaf"));
  EXPECT_EQ(m2.managedGuid, HexBytes("404142434445464748494a4b4c4d4e4f"));
  EXPECT_EQ(m2.authCode, HexBytes(kKnownAnswers[0].rakp2));
  EXPECT_EQ(DecodeRakp2(HexBytes("22 0d")).status, 0x0d);
  EXPECT_THROW(DecodeRakp2(HexBytes("22 00 0000 44332211 a0a1a2")), TruncatedPayload);

  const Rakp4 m4 = DecodeRakp4(HexBytes("23 00 0000 44332211 60702a76b407973e590e7b52"));
  EXPECT_EQ(m4.messageTag, 0x23);
  EXPECT_EQ(m4.integrityCheckValue, HexBytes(kKnownAnswers[0].icv));
  EXPECT_EQ(DecodeRakp4(HexBytes("23 0f")).status, 0x0f);
}

TEST(CipherSuiteTest, SupportedSuitesAndTheirAlgorithms) {
  struct Case {
    int id;
    bool known;
    AuthAlgorithm auth;
    IntegrityAlgorithm integrity;
    ConfidentialityAlgorithm confidentiality;
  };
  const Case cases[] = {
      {0, true, AuthAlgorithm::kNone, IntegrityAlgorithm::kNone, ConfidentialityAlgorithm::kNone},
      {3, true, AuthAlgorithm::kHmacSha1, IntegrityAlgorithm::kHmacSha1_96,
       ConfidentialityAlgorithm::kAesCbc128},
      {17, true, AuthAlgorithm::kHmacSha256, IntegrityAlgorithm::kHmacSha256_128,
       ConfidentialityAlgorithm::kAesCbc128},
      {4, false, {}, {}, {}},   // RC4: not offered
      {6, false, {}, {}, {}},   // MD5: not offered
      {18, false, {}, {}, {}},  // undefined
  };
  for (const Case& c : cases) {
    const std::optional<CipherSuite> suite = LookupCipherSuite(c.id);
    ASSERT_EQ(suite.has_value(), c.known) << c.id;
    if (!suite)
      continue;
    EXPECT_EQ(suite->auth, c.auth) << c.id;
    EXPECT_EQ(suite->integrity, c.integrity) << c.id;
    EXPECT_EQ(suite->confidentiality, c.confidentiality) << c.id;
  }
  EXPECT_EQ(AuthCodeLength(IntegrityAlgorithm::kHmacSha1_96), 12u);
  EXPECT_EQ(AuthCodeLength(IntegrityAlgorithm::kHmacSha256_128), 16u);
}

}  // namespace
}  // namespace marlek
