// The properties behind the string library's fuzz targets.
#include "fuzz/string/string_fuzz_checks.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <cmath>
#include <vector>

#include "fuzz/string/printf_oracle.h"
#include "lib/string/convert_utf.h"
#include "lib/string/str.h"

namespace ostrel_fuzz {
namespace {

// Reads the fuzz input front to back; past the end every read is 0.
class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  uint64_t Word() {
    uint64_t w = 0;
    for (int i = 0; i < 8; i++) {
      w = (w << 8) | Byte();
    }
    return w;
  }
  std::string Rest() {
    std::string rest(reinterpret_cast<const char*>(data_ + pos_), size_ - pos_);
    pos_ = size_;
    return rest;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

// --- Engine against glibc ----------------------------------------------------

PrintfSpec ReadConversion(Input* in) {
  static const char kConvs[] = "diouxXcseEfFgG%";
  PrintfSpec c;
  c.conv = kConvs[in->Byte() % (sizeof kConvs - 1)];
  uint8_t flagBits = in->Byte();
  for (int i = 0; i < 6; i++) {
    if (flagBits & (1u << i)) {
      c.flags += "-+ #0'"[i];
    }
  }
  if (c.conv == '%') {
    c.flags.clear();
    return c;
  }
  if ((c.conv == 'c' || c.conv == 's') && c.flags.find('0') != std::string::npos) {
    c.flags.erase(c.flags.find('0'), 1);
  }
  int limit = c.conv == 'e' || c.conv == 'E'   ? 14
              : c.conv == 'g' || c.conv == 'G' ? 15
              : c.conv == 'f' || c.conv == 'F' ? 17
                                               : 40;
  uint8_t w = in->Byte();
  if (w % 3 == 1) {
    c.width = (w >> 2) % 40;
  } else if (w % 3 == 2) {
    c.widthStar = true;
    c.widthArg = static_cast<int8_t>(in->Byte()) % 40;
  }
  uint8_t p = in->Byte();
  if (p % 4 == 1) {
    c.prec = (p >> 2) % (limit + 1);
  } else if (p % 4 == 2) {
    c.prec = -1;
  } else if (p % 4 == 3 && !IsExponentStyle(c.conv)) {
    c.precStar = true;
    c.precArg = static_cast<int>(in->Byte() % (limit + 4)) - 3;
  }
  if (IsFloatConversion(c.conv) && c.widthStar && c.widthArg < 0 && c.flags.find('0') != std::string::npos) {
    c.flags.erase(c.flags.find('0'), 1);  // glibc's positional path pads these on the right
  }
  static const char* const kIntLengths[] = {"", "hh", "h", "l", "ll", "L", "q", "j", "t", "z", "Z"};
  static const char* const kFloatLengths[] = {"", "l", "L", "ll", "q"};
  uint8_t l = in->Byte();
  if (IsFloatConversion(c.conv)) {
    c.length = kFloatLengths[l % 5];
  } else if (c.conv == 'c' || c.conv == 's') {
    c.length = l % 4 == 0 ? "l" : "";
  } else {
    c.length = kIntLengths[l % 11];
  }
  return c;
}

std::string Describe(const std::string& fmt, size_t size, const Formatted& ours, const Formatted& glibc) {
  return fmt + " size " + std::to_string(size) + ": ours [" + ours.text + "] " + std::to_string(ours.result) +
         ", glibc [" + glibc.text + "] " + std::to_string(glibc.result);
}

std::string CompareOne(const PrintfSpec& c, const std::string& fmt, size_t size, uint64_t bits,
                       const std::string& text, const std::wstring& wide) {
  Formatted ours;
  Formatted glibc;
  bool wideLength = c.length == "l";
  bool narrow = c.length.empty() || c.length == "hh" || c.length == "h";
  if (c.conv == '%') {
    ours = Ours()(fmt, size);
    glibc = Glibc()(fmt, size);
  } else if (c.conv == 'c') {
    int v = wideLength ? static_cast<int>(bits % 127) + 1 : static_cast<int>(bits & 0xFF);
    ours = WithStars(Ours(), c, fmt, size, false, v);
    glibc = WithStars(Glibc(), c, fmt, size, false, v);
  } else if (c.conv == 's' && wideLength) {
    ours = WithStars(Ours(), c, fmt, size, false, wide.c_str());
    glibc = WithStars(Glibc(), c, fmt, size, false, wide.c_str());
  } else if (c.conv == 's') {
    ours = WithStars(Ours(), c, fmt, size, false, text.c_str());
    glibc = WithStars(Glibc(), c, fmt, size, false, text.c_str());
  } else if (IsFloatConversion(c.conv)) {
    double d;
    memcpy(&d, &bits, sizeof d);
    if (std::isnan(d)) {
      d = static_cast<double>(bits >> 12);  // NaN signs differ on purpose
    }
    double forGlibc;
    if (!SameDigitsForGlibc(c, d, &forGlibc)) {
      return "";  // no way to show glibc the same digits
    }
    if (c.length == "L" || c.length == "ll" || c.length == "q") {
      ours = WithStars(Ours(), c, fmt, size, false, static_cast<long double>(d));
      glibc = WithStars(Glibc(), c, fmt, size, false, static_cast<long double>(forGlibc));
    } else {
      ours = WithStars(Ours(), c, fmt, size, false, d);
      glibc = WithStars(Glibc(), c, fmt, size, false, forGlibc);
    }
  } else if (narrow) {
    ours = WithStars(Ours(), c, fmt, size, false, static_cast<int>(bits));
    glibc = WithStars(Glibc(), c, fmt, size, false, static_cast<int>(bits));
  } else {
    ours = WithStars(Ours(), c, fmt, size, false, static_cast<long long>(bits));
    glibc = WithStars(Glibc(), c, fmt, size, false, static_cast<long long>(bits));
  }
  return ours == glibc ? "" : Describe(fmt, size, ours, glibc);
}

// --- UTF helpers ----------------------------------------------------------------

bool IsScalar(UTF32 c) {
  return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
}

template <typename From, typename To, typename Fn>
ConversionResult Run(Fn fn, const std::vector<From>& in, std::vector<To>* out, size_t room,
                     ConversionFlags flags, size_t* consumed) {
  out->assign(room, 0);
  const From* src = in.data();
  To* dst = out->data();
  ConversionResult r = fn(&src, in.data() + in.size(), &dst, out->data() + room, flags);
  out->resize(static_cast<size_t>(dst - out->data()));
  *consumed = static_cast<size_t>(src - in.data());
  return r;
}

template <typename T>
bool IsPrefix(const std::vector<T>& prefix, const std::vector<T>& whole) {
  return prefix.size() <= whole.size() && std::equal(prefix.begin(), prefix.end(), whole.begin());
}

std::string CheckUtf8View(const std::vector<UTF8>& bytes, uint8_t roomByte) {
  std::vector<UTF32> strict;
  std::vector<UTF32> lenient;
  size_t strictUsed = 0;
  size_t lenientUsed = 0;
  size_t room = bytes.size() + 1;
  ConversionResult rs =
      Run<UTF8, UTF32>(ConvertUTF8toUTF32, bytes, &strict, room, strictConversion, &strictUsed);
  ConversionResult rl =
      Run<UTF8, UTF32>(ConvertUTF8toUTF32, bytes, &lenient, room, lenientConversion, &lenientUsed);
  if (rl != conversionOK && rl != sourceExhausted) {
    return "UTF-8 lenient result " + std::to_string(rl);
  }
  for (UTF32 c : lenient) {
    if (!IsScalar(c)) {
      return "UTF-8 lenient output holds a non-scalar";
    }
  }
  if (!IsPrefix(strict, lenient)) {
    return "UTF-8 strict output is not a prefix of lenient output";
  }
  if (rs == conversionOK && (strict != lenient || strictUsed != bytes.size())) {
    return "UTF-8 well formed, yet strict and lenient differ";
  }
  if (rs == sourceIllegal &&
      (lenient.size() <= strict.size() || lenient[strict.size()] != UNI_REPLACEMENT_CHAR)) {
    return "UTF-8 lenient did not replace where strict stopped";
  }
  // isLegalUTF8Sequence agrees with decoding the first sequence.
  std::vector<UTF32> one;
  size_t oneUsed = 0;
  Run<UTF8, UTF32>(ConvertUTF8toUTF32, bytes, &one, 1, strictConversion, &oneUsed);
  if (isLegalUTF8Sequence(bytes.data(), bytes.data() + bytes.size()) != (oneUsed > 0)) {
    return "isLegalUTF8Sequence disagrees with the decoder";
  }
  // Lenient output re-encodes strictly, and well-formed input round-trips.
  std::vector<UTF8> again;
  size_t used = 0;
  if (Run<UTF32, UTF8>(ConvertUTF32toUTF8, lenient, &again, lenient.size() * 4, strictConversion, &used) !=
      conversionOK) {
    return "lenient UTF-8 output does not re-encode";
  }
  if (rs == conversionOK && again != bytes) {
    return "well-formed UTF-8 does not round-trip";
  }
  // Through UTF-16 the same scalar values come back.
  std::vector<UTF16> utf16;
  if (Run<UTF8, UTF16>(ConvertUTF8toUTF16, bytes, &utf16, room * 2, lenientConversion, &used) != rl) {
    return "UTF-8 to UTF-16 result differs from UTF-8 to UTF-32";
  }
  std::vector<UTF32> back;
  if (Run<UTF16, UTF32>(ConvertUTF16toUTF32, utf16, &back, utf16.size() + 1, strictConversion, &used) !=
          conversionOK ||
      back != lenient) {
    return "UTF-8 through UTF-16 changes the text";
  }
  // A short target gives a prefix, stopping before a character.
  size_t shortRoom = roomByte % (lenient.size() + 1);
  std::vector<UTF32> part;
  ConversionResult rp =
      Run<UTF8, UTF32>(ConvertUTF8toUTF32, bytes, &part, shortRoom, lenientConversion, &used);
  if (shortRoom < lenient.size() &&
      (rp != targetExhausted || part.size() != shortRoom || !IsPrefix(part, lenient))) {
    return "UTF-8 short target: not the expected prefix";
  }
  return "";
}

std::string CheckUtf16View(const std::vector<UTF16>& units) {
  std::vector<UTF8> strict;
  std::vector<UTF8> lenient;
  size_t strictUsed = 0;
  size_t used = 0;
  size_t room = units.size() * 3 + 4;
  ConversionResult rs =
      Run<UTF16, UTF8>(ConvertUTF16toUTF8, units, &strict, room, strictConversion, &strictUsed);
  ConversionResult rl = Run<UTF16, UTF8>(ConvertUTF16toUTF8, units, &lenient, room, lenientConversion, &used);
  if (rl != conversionOK && rl != sourceExhausted) {
    return "UTF-16 lenient result " + std::to_string(rl);
  }
  if (!IsPrefix(strict, lenient)) {
    return "UTF-16 strict output is not a prefix of lenient output";
  }
  std::vector<UTF16> back;
  if (Run<UTF8, UTF16>(ConvertUTF8toUTF16, lenient, &back, lenient.size() + 1, strictConversion, &used) !=
      conversionOK) {
    return "lenient UTF-16 output does not decode strictly";
  }
  if (rs == conversionOK && back != units) {
    return "well-formed UTF-16 does not round-trip";
  }
  return "";
}

std::string CheckUtf32View(const std::vector<UTF32>& values) {
  std::vector<UTF16> strict;
  std::vector<UTF16> lenient;
  size_t strictUsed = 0;
  size_t used = 0;
  size_t room = values.size() * 2 + 2;
  ConversionResult rs =
      Run<UTF32, UTF16>(ConvertUTF32toUTF16, values, &strict, room, strictConversion, &strictUsed);
  ConversionResult rl =
      Run<UTF32, UTF16>(ConvertUTF32toUTF16, values, &lenient, room, lenientConversion, &used);
  if (rl != conversionOK) {
    return "UTF-32 lenient result " + std::to_string(rl);
  }
  bool wellFormed = true;
  for (UTF32 c : values) {
    wellFormed = wellFormed && IsScalar(c);
  }
  if ((rs == conversionOK) != wellFormed) {
    return "UTF-32 strict result does not match the values' validity";
  }
  std::vector<UTF32> back;
  if (Run<UTF16, UTF32>(ConvertUTF16toUTF32, lenient, &back, lenient.size() + 1, strictConversion, &used) !=
      conversionOK) {
    return "lenient UTF-32 output does not decode strictly";
  }
  if (wellFormed && back != values) {
    return "well-formed UTF-32 does not round-trip";
  }
  return "";
}

// --- Truncation helpers ------------------------------------------------------------

// Character boundaries of well-formed UTF-8, or false when it is not.
bool Boundaries(const std::string& text, std::vector<size_t>* bounds) {
  std::vector<UTF8> bytes(text.begin(), text.end());
  bounds->assign(1, 0);
  const UTF8* p = bytes.data();
  const UTF8* end = p + bytes.size();
  while (p < end) {
    UTF32 c;
    UTF32* dst = &c;
    ConvertUTF8toUTF32(&p, end, &dst, &c + 1, strictConversion);
    if (dst == &c) {
      return false;  // ill-formed or cut off
    }
    bounds->push_back(static_cast<size_t>(p - bytes.data()));
  }
  return true;
}

size_t LastBoundaryWithin(const std::vector<size_t>& bounds, size_t limit) {
  size_t best = 0;
  for (size_t b : bounds) {
    if (b <= limit) {
      best = b;
    }
  }
  return best;
}

std::string CheckOneSize(const std::string& text, size_t size, bool wellFormed,
                         const std::vector<size_t>& bounds) {
  // A heap buffer of exactly `size` bytes, so that the sanitizer sees any
  // write past it; size 0 gets a guard byte that must stay untouched.
  size_t alloc = size == 0 ? 1 : size;
  char* buf = static_cast<char*>(malloc(alloc));
  memset(buf, 0x5A, alloc);
  int r = Str_Snprintf(buf, size, "%s", text.c_str());
  std::string failure;
  if (size == 0) {
    if (r != -1 || buf[0] != 0x5A) {
      failure = "size 0 wrote or did not report -1";
    }
  } else if (memchr(buf, '\0', size) == nullptr) {
    failure = "not NUL-terminated within the size";
  } else {
    std::string kept(buf);
    bool fits = text.size() < size;
    if (r != (fits ? static_cast<int>(text.size()) : -1)) {
      failure = "wrong result " + std::to_string(r);
    } else if (text.compare(0, kept.size(), kept) != 0) {
      failure = "kept text is not a prefix";
    } else if (fits && kept != text) {
      failure = "text that fits was changed";
    } else if (!fits && wellFormed && kept.size() != LastBoundaryWithin(bounds, size - 1)) {
      failure = "cut at " + std::to_string(kept.size()) + ", not at the last whole character";
    }
  }
  free(buf);
  return failure.empty() ? "" : failure + " (size " + std::to_string(size) + ")";
}

}  // namespace

std::string CheckEngineAgainstGlibc(const uint8_t* data, size_t size) {
  Input in(data, size);
  PrintfSpec c = ReadConversion(&in);
  static const size_t kSizes[] = {kOracleBufferSize, kOracleBufferSize, kOracleBufferSize, 0, 1, 2, 5, 16};
  size_t bufSize = kSizes[in.Byte() % 8];
  uint64_t bits = in.Word();
  // Text arguments: printable ASCII, where the C locale and UTF-8 agree.
  std::string text;
  for (char ch : in.Rest()) {
    if (text.size() < 60) {
      text += static_cast<char>(0x20 + (static_cast<unsigned char>(ch) % 0x5F));
    }
  }
  std::wstring wide(text.begin(), text.end());
  std::string failure = CompareOne(c, "<" + RenderSpec(c, false, false) + ">", bufSize, bits, text, wide);
  if (failure.empty()) {
    failure = CompareOne(c, "<" + RenderSpec(c, true, false) + ">", bufSize, bits, text, wide);
  }
  return failure;
}

std::string CheckUtfRoundTrip(const uint8_t* data, size_t size) {
  std::vector<UTF8> bytes(data, data + size);
  std::string failure = CheckUtf8View(bytes, size > 0 ? data[0] : 0);
  if (!failure.empty()) {
    return failure;
  }
  std::vector<UTF16> units(size / 2);
  if (!units.empty()) {
    memcpy(units.data(), data, units.size() * 2);
  }
  failure = CheckUtf16View(units);
  if (!failure.empty()) {
    return failure;
  }
  std::vector<UTF32> values(size / 4);
  if (!values.empty()) {
    memcpy(values.data(), data, values.size() * 4);
  }
  return CheckUtf32View(values);
}

std::string CheckSnprintfTruncation(const uint8_t* data, size_t size) {
  Input in(data, size);
  size_t extraSize = in.Byte();
  std::string text = in.Rest();
  text.resize(strnlen(text.c_str(), text.size()));
  std::vector<size_t> bounds;
  bool wellFormed = Boundaries(text, &bounds);
  for (size_t s = 0; s <= text.size() + 2 && s < 48; s++) {
    std::string failure = CheckOneSize(text, s, wellFormed, bounds);
    if (!failure.empty()) {
      return failure;
    }
  }
  std::string failure = CheckOneSize(text, extraSize, wellFormed, bounds);
  if (!failure.empty()) {
    return failure;
  }
  // A precision cuts the same way, in allocation mode.
  for (int prec = 0; prec <= static_cast<int>(text.size()) && prec < 48; prec++) {
    size_t length = 0;
    char* out = Str_Asprintf(&length, "%.*s", prec, text.c_str());
    if (out == nullptr) {
      return "allocation mode failed";
    }
    std::string kept(out, length);
    free(out);
    if (kept.size() > static_cast<size_t>(prec) || text.compare(0, kept.size(), kept) != 0) {
      return "%.*s kept more than the precision or not a prefix";
    }
    size_t expected = static_cast<size_t>(prec) >= text.size()
                          ? text.size()
                          : LastBoundaryWithin(bounds, static_cast<size_t>(prec));
    if (wellFormed && kept.size() != expected) {
      return "%.*s cut at " + std::to_string(kept.size()) + " for precision " + std::to_string(prec);
    }
  }
  return "";
}

}  // namespace ostrel_fuzz
