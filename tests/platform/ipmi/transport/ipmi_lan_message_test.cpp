// The IPMI LAN/IPMB message, Send Message bridging, the RMCP header, the
// session commands and the inbound sequence window, on byte fixtures.

#include "transport/ipmi_lan_message.h"
#include "support/hex_bytes.h"
#include "transport/bridging.h"
#include "transport/rmcp_frame.h"
#include "transport/session_commands.h"
#include "transport/session_sequence.h"
#include "transport/wire_error.h"

#include <gtest/gtest.h>

namespace marlek {
namespace {

using testing::HexBytes;

// Get Device ID response from 20h to the remote console, sequence 2.
const char* const kDeviceIdResponse = "81 1c 63 20 08 01 00 20 01 03 26 02 bf 4c 1c 00 42 32 00 00 00 00 f0";

TEST(IpmiLanMessageTest, RequestCarriesBothChecksums) {
  IpmbRequestFrame frame;
  frame.netFn = netfn::kApp;
  frame.rqSeq = 1;
  frame.command = 0x01;
  EXPECT_EQ(EncodeIpmbRequest(frame), HexBytes("20 18 c8 81 04 01 7a"));

  frame.netFn = netfn::kSensorEvent;
  frame.rsLun = 1;
  frame.rqSeq = 0x3f;
  frame.command = 0x2d;
  frame.data = {0x30};
  EXPECT_EQ(EncodeIpmbRequest(frame), HexBytes("20 11 cf 81 fc 2d 30 26"));
}

TEST(IpmiLanMessageTest, ResponseDecodesIntoItsFields) {
  const IpmbResponseFrame f = DecodeIpmbResponse(HexBytes(kDeviceIdResponse));
  EXPECT_EQ(f.rqAddr, 0x81);
  EXPECT_EQ(f.netFn, 0x07);
  EXPECT_EQ(f.rsAddr, 0x20);
  EXPECT_EQ(f.rqSeq, 2);
  EXPECT_EQ(f.command, 0x01);
  EXPECT_EQ(f.completionCode, 0x00);
  EXPECT_EQ(f.data, HexBytes("20 01 03 26 02 bf 4c 1c 00 42 32 00 00 00 00"));
}

TEST(IpmiLanMessageTest, DamagedResponsesAreRejected) {
  struct Case {
    const char* name;
    std::string bytes;
    const char* expected;
  };
  const Case cases[] = {
      {"header checksum", "81 1c 64 20 08 01 00 20 f7", "header checksum"},
      {"data checksum", "81 1c 63 20 08 01 00 20 f8", "data checksum"},
      {"seven bytes", "81 1c 63 20 08 01 00", "7 bytes"},
      {"empty", "", "0 bytes"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      DecodeIpmbResponse(HexBytes(c.bytes));
      ADD_FAILURE() << "accepted";
    } catch (const std::exception& e) {
      EXPECT_NE(std::string(e.what()).find(c.expected), std::string::npos) << e.what();
    }
  }
  // The shortest valid response: completion code only.
  EXPECT_EQ(DecodeIpmbResponse(HexBytes("81 1c 63 20 08 01 c1 16")).completionCode, 0xc1);
}

TEST(BridgingTest, SendMessageCarriesTheTrackedIpmbRequest) {
  Request inner;
  inner.netFn = netfn::kSensorEvent;
  inner.command = 0x2d;
  inner.data = {0x05};
  inner.target = Target{6, 0x2c, 0};
  const Request outer = WrapInSendMessage(inner, 9);
  EXPECT_EQ(outer.netFn, netfn::kApp);
  EXPECT_EQ(outer.command, kCmdSendMessage);
  EXPECT_TRUE(outer.target.IsBmc());
  // Track request on channel 6; 2Ch, netFn 04h; from 20h, sequence 9.
  EXPECT_EQ(outer.data, HexBytes("46 2c 10 c4 20 24 2d 05 8a"));
  EXPECT_TRUE(NeedsBridging(inner.target));
  EXPECT_FALSE(NeedsBridging(Target{}));
  EXPECT_FALSE(NeedsBridging(Target{0, 0x20, 2}));
}

TEST(BridgingTest, BridgedAnswerMustAnswerTheRequest) {
  Request inner;
  inner.netFn = netfn::kApp;
  inner.command = 0x01;
  IpmbResponseFrame frame = DecodeIpmbResponse(HexBytes(kDeviceIdResponse));
  EXPECT_EQ(UnwrapBridgedResponse(inner, frame).data.size(), 15u);
  inner.command = 0x02;
  EXPECT_THROW(UnwrapBridgedResponse(inner, frame), WireFormatError);
}

TEST(RmcpFrameTest, HeaderRoundTripAndVersionCheck) {
  PayloadWriter w;
  EncodeRmcpHeader(w, RmcpHeader{});
  EXPECT_EQ(w.Get(), HexBytes("06 00 ff 07"));

  const std::vector<std::uint8_t> asfAck = HexBytes("06 00 05 86");
  PayloadReader in(asfAck);
  const RmcpHeader h = DecodeRmcpHeader(in);
  EXPECT_EQ(h.messageClass, rmcp::kClassAsf);
  EXPECT_TRUE(h.isAck);
  EXPECT_EQ(h.sequence, 5);

  const std::vector<std::uint8_t> v2 = HexBytes("07 00 ff 07");
  PayloadReader bad(v2);
  EXPECT_THROW(DecodeRmcpHeader(bad), WireFormatError);
  const std::vector<std::uint8_t> shortHeader = HexBytes("06 00");
  PayloadReader truncated(shortHeader);
  EXPECT_THROW(DecodeRmcpHeader(truncated), TruncatedPayload);
}

TEST(SessionCommandsTest, ChannelAuthenticationCapabilities) {
  const Request r = GetChannelAuthCapabilitiesRequest(Privilege::kAdministrator);
  EXPECT_EQ(r.command, 0x38);
  EXPECT_EQ(r.data, HexBytes("8e 04"));

  struct Case {
    const char* bytes;
    bool ipmi20;
  };
  const Case cases[] = {
      {"01 97 04 02 00 00 00 00", true},   // extended data, v2.0 supported
      {"01 17 04 02 00 00 00 00", false},  // no extended data: v1.5 only
      {"01 97 04 01 00 00 00 00", false},  // extended data, v1.5 only
  };
  for (const Case& c : cases)
    EXPECT_EQ(DecodeChannelAuthCapabilities(Response{0, HexBytes(c.bytes)}).supportsIpmi20, c.ipmi20)
        << c.bytes;
  EXPECT_THROW(DecodeChannelAuthCapabilities(Response{0, HexBytes("01 97 04")}), TruncatedPayload);

  EXPECT_EQ(CloseSessionRequest(0x0a0b0c0d).data, HexBytes("0d 0c 0b 0a"));
  EXPECT_EQ(SetSessionPrivilegeLevelRequest(Privilege::kOperator).data, HexBytes("03"));
}

TEST(SessionSequenceTest, InboundWindowAcceptsEachNumberOnceAndNothingTooOld) {
  InboundSequenceWindow w;
  struct Step {
    std::uint32_t sequence;
    bool accepted;
  };
  const Step steps[] = {
      {10, true},  {10, false}, {12, true}, {11, true}, {11, false}, {9, true}, {60, true},  // jump ahead
      {29, true},  {28, false},  // 60 - 31 is the oldest kept
      {12, false}, {60, false}, {61, true},
  };
  for (const Step& s : steps)
    EXPECT_EQ(w.Accept(s.sequence), s.accepted) << s.sequence;

  InboundSequenceWindow wrap;
  EXPECT_TRUE(wrap.Accept(0xfffffffe));
  EXPECT_TRUE(wrap.Accept(1));  // across the wrap
  EXPECT_TRUE(wrap.Accept(0xffffffff));
  EXPECT_FALSE(wrap.Accept(0xfffffffe));

  OutboundSequence out;
  EXPECT_EQ(out.Next(), 1u);
  EXPECT_EQ(out.Next(), 2u);
}

}  // namespace
}  // namespace marlek
