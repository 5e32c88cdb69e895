// Arbitrary datagrams as a BMC's answers on the LAN: every decoder that
// reads what comes off the network either decodes or rejects with one of
// the library's wire errors, under each kind of session protection. The
// first byte picks the protection, the rest is the datagram.
#include "transport/lan/ipmi_lan_message.h"
#include "transport/lan/lanplus_session.h"
#include "transport/lan/rakp_handshake.h"
#include "transport/lan/rmcpplus_session_packet.h"
#include "transport/lan/session_commands.h"
#include "transport/wire_error.h"
#include "wire/payload.h"

#include <cstdint>
#include <cstdlib>
#include <functional>

namespace {

marlek::SessionKeys KeysFor(std::uint8_t choice) {
  marlek::SessionKeys keys;
  if (choice & 1) {
    keys.integrity =
        choice & 2 ? marlek::IntegrityAlgorithm::kHmacSha256_128 : marlek::IntegrityAlgorithm::kHmacSha1_96;
    keys.k1 = marlek::Bytes(32, 0x11);
  }
  if (choice & 4) {
    keys.confidentiality = marlek::ConfidentialityAlgorithm::kAesCbc128;
    keys.k2 = marlek::Bytes(32, 0x22);
  }
  return keys;
}

// Runs one decoder; anything but a wire error escaping it is a fault.
void Expect(const std::function<void()>& decode) {
  try {
    decode();
  } catch (const marlek::WireFormatError&) {
  } catch (const marlek::TruncatedPayload&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1)
    return 0;
  const marlek::SessionKeys keys = KeysFor(data[0]);
  const marlek::Bytes datagram(data + 1, data + size);
  Expect([&] {
    const marlek::SessionPacket packet = marlek::DecodeSessionPacket(datagram, keys);
    Expect([&] { marlek::DecodeIpmbResponse(packet.payload); });
    Expect([&] { marlek::DecodeOpenSessionResponse(packet.payload); });
    Expect([&] { marlek::DecodeRakp2(packet.payload); });
    Expect([&] { marlek::DecodeRakp4(packet.payload); });
  });
  Expect([&] {
    const marlek::Bytes message = marlek::DecodeV15UnauthenticatedPacket(datagram);
    const marlek::IpmbResponseFrame frame = marlek::DecodeIpmbResponse(message);
    marlek::DecodeChannelAuthCapabilities(marlek::Response{frame.completionCode, frame.data});
  });
  return 0;
}
