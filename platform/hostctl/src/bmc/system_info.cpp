#include "bmc/system_info.h"

#include "wire/completion_code.h"
#include "wire/payload.h"
#include "wire/type_length_text.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace HostCtl {
namespace Bmc {
namespace {

constexpr std::uint8_t kParameterNotSupported = 0x80;

// UCS-2, least significant byte first, as UTF-8.
std::string Ucs2ToUtf8(const Bytes& bytes) {
  std::string out;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const unsigned c = bytes[i] | bytes[i + 1] << 8;
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xc0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3f)));
    } else {
      out.push_back(static_cast<char>(0xe0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3f)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3f)));
    }
  }
  return out;
}

// Drops the NUL padding some BMCs count in the length: whole zero units.
void DropPadding(TextEncoding encoding, Bytes& bytes) {
  const std::size_t unit = encoding == TextEncoding::kUnicode ? 2 : 1;
  bytes.resize(bytes.size() / unit * unit);
  while (bytes.size() >= unit && std::all_of(bytes.end() - static_cast<std::ptrdiff_t>(unit), bytes.end(),
                                             [](std::uint8_t b) { return b == 0; }))
    bytes.resize(bytes.size() - unit);
}

std::string TextOf(TextEncoding encoding, Bytes bytes) {
  DropPadding(encoding, bytes);
  switch (encoding) {
    case TextEncoding::kUtf8:
      return std::string(bytes.begin(), bytes.end());
    case TextEncoding::kUnicode:
      return Ucs2ToUtf8(bytes);
    case TextEncoding::kAsciiLatin1:
      break;
  }
  return marlek::Latin1ToUtf8(bytes.data(), bytes.size());
}

bool IsAscii(const std::string& text) {
  for (unsigned char c : text)
    if (c >= 0x80)
      return false;
  return true;
}

const char* ParameterName(std::uint8_t parameter) {
  switch (parameter) {
    case system_info::kSystemName:
      return "host name";
    case system_info::kOsName:
      return "OS name";
    case system_info::kOsVersion:
      return "OS version";
  }
  return "parameter";
}

// The caller's answer is a bare false: say on standard error what the BMC
// refused and why.
void SayRefused(std::uint8_t parameter, std::uint8_t code) {
  const bool notStored = code == 0xc1 || code == kParameterNotSupported;
  std::fprintf(stderr, "dravik: Set System Info Parameters: %s (%02Xh)%s%s\n",
               marlek::CompletionCodeText(code), code, notStored ? ": this BMC does not store the " : "",
               notStored ? ParameterName(parameter) : "");
}

// subject: the text parameter the write is for (for "set in progress", the
// first one to be written).
Reply SetParameter(Requester& bmc, std::uint8_t parameter, const Bytes& value, std::uint8_t subject) {
  Reply reply = bmc.Send(netfn::kApp, cmd::kSetSystemInfoParameters, SetSystemInfoRequest(parameter, value));
  // A BMC without "set in progress" is written without it: not worth a word.
  if (!reply.Ok() &&
      !(parameter == system_info::kSetInProgress && reply.completionCode == kParameterNotSupported))
    SayRefused(subject, reply.completionCode);
  return reply;
}

// "Set in progress" for as long as the object lives: "set complete" is sent
// on every way out once the BMC accepted the start, also when a block was
// rejected or the connection failed.
class SetInProgress {
 public:
  SetInProgress(Requester& bmc, std::uint8_t subject) : bmc_(bmc), subject_(subject) {}
  ~SetInProgress() {
    if (!marked_)
      return;
    try {
      Complete();
    } catch (...) {
      // the BMC is gone; its own timeout ends the set
    }
  }
  SetInProgress(const SetInProgress&) = delete;
  SetInProgress& operator=(const SetInProgress&) = delete;

  // False when the BMC refuses; a BMC without the parameter is written
  // without it.
  bool Begin() {
    const Reply reply = SetParameter(bmc_, system_info::kSetInProgress, {system_info::kInProgress}, subject_);
    marked_ = reply.Ok();
    return reply.Ok() || reply.completionCode == kParameterNotSupported;
  }

  bool Complete() {
    if (!marked_)
      return true;
    marked_ = false;
    return SetParameter(bmc_, system_info::kSetInProgress, {system_info::kSetComplete}, subject_).Ok();
  }

 private:
  Requester& bmc_;
  std::uint8_t subject_;
  bool marked_ = false;
};

}  // namespace

std::optional<std::string> ReadSystemInfoText(Requester& bmc, std::uint8_t parameter) {
  try {
    const Reply first =
        bmc.Send(netfn::kApp, cmd::kGetSystemInfoParameters, GetSystemInfoRequest(parameter, 0));
    if (!first.Ok())
      return std::nullopt;
    const FirstTextBlock block = DecodeFirstTextBlock(first.data);
    Bytes text = block.text;
    for (std::uint8_t set = 1; text.size() < block.length; ++set) {
      const Reply next =
          bmc.Send(netfn::kApp, cmd::kGetSystemInfoParameters, GetSystemInfoRequest(parameter, set));
      if (!next.Ok())
        break;  // keep what was read
      const Bytes more = DecodeTextBlock(next.data, set);
      if (more.empty())
        break;
      text.insert(text.end(), more.begin(), more.end());
    }
    if (text.size() > block.length)
      text.resize(block.length);
    return TextOf(block.encoding, std::move(text));
  } catch (const marlek::TruncatedPayload&) {
    return std::nullopt;
  }
}

bool WriteSystemInfoTexts(Requester& bmc, const std::vector<std::pair<std::uint8_t, std::string>>& texts) {
  std::vector<std::pair<std::uint8_t, std::vector<Bytes>>> planned;
  try {
    for (const auto& [parameter, text] : texts)
      planned.emplace_back(
          parameter, TextBlocks(IsAscii(text) ? TextEncoding::kAsciiLatin1 : TextEncoding::kUtf8, text));
  } catch (const std::length_error&) {
    return false;
  }
  if (planned.empty())
    return true;
  SetInProgress transaction(bmc, planned.front().first);
  if (!transaction.Begin())
    return false;
  for (const auto& [parameter, blocks] : planned) {
    for (const Bytes& block : blocks) {
      if (!SetParameter(bmc, parameter, block, parameter).Ok())
        return false;  // the transaction still ends with "set complete"
    }
  }
  return transaction.Complete();
}

}  // namespace Bmc
}  // namespace HostCtl
