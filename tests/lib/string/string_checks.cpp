#include "tests/lib/string/string_checks.h"

#include <float.h>
#include <limits.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <cmath>

#include "lib/string/bsd_vsnprintf.h"
#include "lib/string/panic.h"
#include "lib/string/str.h"

// The fatal-error hook: the message (death tests match it), then abort.
extern "C" void Panic(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  vfprintf(stderr, fmt, ap);
  va_end(ap);
  fflush(stderr);
  abort();
}

namespace string_checks {

Formatted Format(bool ours, size_t size, const char* fmt, ...) {
  char buf[512];
  memset(buf, 'Z', sizeof buf);
  char* out = buf;
  va_list ap;
  va_start(ap, fmt);
  int r = ours ? bsd_vsnprintf(&out, size, fmt, ap) : vsnprintf(buf, size, fmt, ap);
  va_end(ap);
  // From the result where it is known: %c of 0 stores a NUL inside.
  size_t stored = size == 0 ? 0 : r >= 0 ? std::min<size_t>(r, size - 1) : strnlen(buf, size - 1);
  return {r, std::string(buf, stored)};
}

namespace {

// Reads the input front to back; past the end every read is 0.
struct Input {
  const uint8_t* p;
  const uint8_t* end;
  uint8_t Byte() { return p < end ? *p++ : 0; }
};

struct Spec {
  char conv;
  std::string flags;
  std::string length;
  bool widthStar = false;  // then width and prec are the '*' arguments
  bool precStar = false;
  int width = -1;  // -1: none
  int prec = -2;   // -2: none, -1: "." alone
};

bool IsFloat(char conv) {
  return strchr("eEfFgG", conv) != nullptr;
}

// As written, or with positions: "%3$-*1$.*2$d". glibc reads an int for
// positional L and q integers, so those are ll there.
std::string Render(const Spec& s, bool positional) {
  std::string out = "%";
  if (positional && s.conv != '%') {
    out += std::to_string(1 + s.widthStar + s.precStar) + "$";
  }
  out += s.flags;
  if (s.widthStar || s.width >= 0) {
    out += s.widthStar ? (positional ? "*1$" : "*") : std::to_string(s.width);
  }
  if (s.precStar || s.prec >= -1) {
    std::string star = positional ? "*" + std::to_string(1 + s.widthStar) + "$" : "*";
    out += "." + (s.precStar ? star : s.prec >= 0 ? std::to_string(s.prec) : "");
  }
  bool wideInt = strchr("diouxX", s.conv) != nullptr && (s.length == "L" || s.length == "q");
  return out + (positional && wideInt ? "ll" : s.length) + s.conv;
}

template <typename V>
Formatted Call(bool ours, const Spec& s, const std::string& fmt, size_t size, V v) {
  if (s.widthStar && s.precStar) {
    return Format(ours, size, fmt.c_str(), s.width, s.prec, v);
  }
  if (s.widthStar || s.precStar) {
    return Format(ours, size, fmt.c_str(), s.widthStar ? s.width : s.prec, v);
  }
  return Format(ours, size, fmt.c_str(), v);
}

Spec ReadSpec(Input* in) {
  Spec s;
  s.conv = "diouxXcseEfFgG%"[in->Byte() % 15];
  uint8_t flagBits = in->Byte();
  for (int i = 0; i < 6 && s.conv != '%'; i++) {
    if ((flagBits & (1u << i)) && (i != 4 || !strchr("cs", s.conv))) {
      s.flags += "-+ #0'"[i];  // zero padding of text and %%: deliberate differences
    }
  }
  if (s.conv == '%') {
    return s;
  }
  // e and g show at most 15 digits: past that the C library's digits differ.
  int limit = strchr("eE", s.conv) ? 14 : strchr("gG", s.conv) ? 15 : IsFloat(s.conv) ? 17 : 40;
  uint8_t w = in->Byte();
  s.widthStar = w % 3 == 2;
  s.width = s.widthStar ? static_cast<int8_t>(in->Byte()) % 40 : w % 3 == 1 ? (w >> 2) % 40 : -1;
  uint8_t p = in->Byte();
  s.precStar = p % 4 == 3;
  s.prec = s.precStar   ? in->Byte() % (limit + 4) - 3
           : p % 4 == 1 ? (p >> 2) % (limit + 1)
           : p % 4 == 2 ? -1
                        : -2;
  if (IsFloat(s.conv) && s.widthStar && s.width < 0 && s.flags.find('0') != std::string::npos) {
    s.flags.erase(s.flags.find('0'), 1);  // glibc's positional path pads these on the right
  }
  static const char* const kIntLengths[] = {"", "hh", "h", "l", "ll", "L", "q", "j", "t", "z", "Z"};
  static const char* const kFloatLengths[] = {"", "l", "L", "ll", "q"};
  uint8_t l = in->Byte();
  s.length = IsFloat(s.conv)        ? kFloatLengths[l % 5]
             : strchr("cs", s.conv) ? (l % 4 ? "" : "l")
                                    : kIntLengths[l % 11];
  return s;
}

// Whether ecvt_r (the engine's e and g digits) shows glibc's exactly rounded
// digits; not for a %#g whose rounding carries (glibc drops the '#' zeros).
bool SameDigits(double value, int ndigits, bool altG) {
  char digits[400];
  int decpt = 0;
  int sign = 0;
  if (ecvt_r(value, ndigits, &decpt, &sign, digits, sizeof digits) != 0 ||
      (altG && std::fabs(value) < std::pow(10.0, decpt - 1))) {
    return false;
  }
  char shown[400];
  snprintf(shown, sizeof shown, "%.*e", ndigits - 1, std::fabs(value));
  std::string exact(shown, strcspn(shown, "e"));
  exact.erase(std::remove(exact.begin(), exact.end(), '.'), exact.end());
  return exact == std::string(digits).substr(0, static_cast<size_t>(ndigits)) &&
         atoi(strchr(shown, 'e') + 1) == decpt - 1;
}

const long long kIntEdges[] = {0,    1,    -1,      7,       8,       9,        10,        15,       16,
                               99,   100,  127,     128,     255,     256,      999,       1000,     65535,
                               -128, -129, 1234567, INT_MAX, INT_MIN, UINT_MAX, LLONG_MAX, LLONG_MIN};
const double kDoubleEdges[] = {0.0,      -0.0,      1.0,        0.5,
                               1.5,      2.5,       0.1,        0.3333333333333333,
                               9.5,      99.5,      0.05,       0.0001,
                               1e-5,     1e15,      1e16,       1e17,
                               1e21,     1e100,     -1e-100,    DBL_MAX,
                               DBL_MIN,  5e-324,    9.9999999,  999999.5,
                               HUGE_VAL, -HUGE_VAL, 123456.789, 4503599627370496.5};

// mode: how the value is made of bits (0: as they are).
std::string Compare(const Spec& s, bool positional, size_t size, uint64_t bits, int mode,
                    const std::string& text) {
  std::string fmt = "<" + Render(s, positional) + ">";
  std::wstring wide(text.begin(), text.end());
  Formatted ours;
  Formatted glibc;
  auto both = [&](auto v) {
    ours = Call(true, s, fmt, size, v);
    glibc = Call(false, s, fmt, size, v);
  };
  if (s.conv == 'c') {
    both(s.length == "l" ? static_cast<int>(bits % 127) + 1 : static_cast<int>(bits & 0xFF));
  } else if (s.conv == 's' || s.conv == '%') {
    s.length == "l" ? both(wide.c_str()) : both(text.c_str());
  } else if (IsFloat(s.conv)) {
    double d;
    memcpy(&d, &bits, sizeof d);
    d = mode == 1   ? static_cast<int>(bits % 200001 - 100000) / static_cast<double>(1 << (bits >> 32) % 13)
        : mode == 2 ? kDoubleEdges[bits % (sizeof kDoubleEdges / sizeof(double))]
        : mode == 3 ? static_cast<int>(bits % 1999999 - 999999) * std::pow(10.0, (bits >> 32) % 41 - 20.0)
        : std::isnan(d) ? static_cast<double>(bits >> 12)  // NaN signs differ on purpose
                        : d;
    int prec = s.prec == -2 || (s.precStar && s.prec < 0) ? 6 : std::max(s.prec, 0);
    int ndigits = strchr("eE", s.conv) ? prec + 1 : std::max(prec, 1);
    bool altG = strchr("gG", s.conv) && s.flags.find('#') != std::string::npos;
    if (strchr("eEgG", s.conv) && std::isfinite(d) && d != 0 && !SameDigits(d, ndigits, altG)) {
      return "";
    }
    s.length == "L" || s.length == "ll" || s.length == "q" ? both(static_cast<long double>(d)) : both(d);
  } else {
    long long v = mode == 1   ? static_cast<int16_t>(bits)
                  : mode == 2 ? kIntEdges[bits % (sizeof kIntEdges / sizeof(long long))]
                  : mode == 3 ? static_cast<int32_t>(bits)
                              : static_cast<long long>(bits);
    s.length.empty() || s.length[0] == 'h' ? both(static_cast<int>(v)) : both(v);
  }
  auto show = [](const Formatted& f) { return "[" + f.text + "] " + std::to_string(f.result); };
  std::string where = fmt + " size " + std::to_string(size) + " bits " + std::to_string(bits);
  return ours == glibc ? "" : where + ": ours " + show(ours) + ", glibc " + show(glibc);
}

// Where well-formed UTF-8 must be cut to keep at most limit bytes.
size_t LastBoundaryWithin(const std::string& text, size_t limit) {
  limit = std::min(limit, text.size());
  while (limit > 0 && limit < text.size() && (text[limit] & 0xC0) == 0x80) {
    limit--;
  }
  return limit;
}

// Str_Snprintf into exactly size bytes on the heap, where a sanitizer sees overruns.
std::string CheckOneSize(const std::string& text, size_t size, bool wellFormed) {
  std::vector<char> buf(std::max<size_t>(size, 1), 0x5A);
  int r = Str_Snprintf(buf.data(), size, "%s", text.c_str());
  std::string kept(buf.data(), strnlen(buf.data(), size));
  bool fits = text.size() < size;
  bool ok = size == 0 ? r == -1 && buf[0] == 0x5A
                      : kept.size() < size && r == (fits ? static_cast<int>(text.size()) : -1) &&
                            text.compare(0, kept.size(), kept) == 0 && (!fits || text == kept) &&
                            (!wellFormed || kept.size() == LastBoundaryWithin(text, size - 1));
  return ok ? "" : "size " + std::to_string(size) + ": result " + std::to_string(r) + ", kept [" + kept + "]";
}

}  // namespace

std::string CheckEngineAgainstGlibc(const uint8_t* data, size_t size) {
  Input in{data, data + size};
  Spec s = ReadSpec(&in);
  static const size_t kSizes[] = {512, 512, 512, 0, 1, 2, 5, 16};
  uint8_t sizeByte = in.Byte();
  uint64_t bits = 0;
  for (int i = 0; i < 8; i++) {
    bits = bits << 8 | in.Byte();
  }
  std::string text;  // printable ASCII, where the C locale and UTF-8 agree
  for (; in.p < in.end && text.size() < 60; in.p++) {
    text += static_cast<char>(0x20 + *in.p % 0x5F);
  }
  std::string failure = Compare(s, false, kSizes[sizeByte % 8], bits, (sizeByte >> 3) % 4, text);
  return failure.empty() ? Compare(s, true, kSizes[sizeByte % 8], bits, (sizeByte >> 3) % 4, text) : failure;
}

std::string CheckUtfRoundTrip(const uint8_t* data, size_t size) {
  std::vector<UTF8> in(data, data + size);
  Converted<UTF32> strict = Convert(ConvertUTF8toUTF32, in, size, strictConversion);
  Converted<UTF32> lenient = Convert(ConvertUTF8toUTF32, in, size, lenientConversion);
  auto isScalar = [](UTF32 c) { return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF); };
  if ((lenient.result != conversionOK && lenient.result != sourceExhausted) ||
      !std::all_of(lenient.out.begin(), lenient.out.end(), isScalar) ||
      strict.out.size() > lenient.out.size() ||
      !std::equal(strict.out.begin(), strict.out.end(), lenient.out.begin())) {
    return "lenient result not OK, holds a non-scalar, or strict output is not its prefix";
  }
  if (strict.result == conversionOK && (strict.out != lenient.out || strict.used != size)) {
    return "well formed, yet strict and lenient differ";
  }
  if (strict.result == sourceIllegal &&
      (lenient.out.size() <= strict.out.size() || lenient.out[strict.out.size()] != UNI_REPLACEMENT_CHAR)) {
    return "lenient did not replace where strict stopped";
  }
  auto back = Convert(ConvertUTF32toUTF8, lenient.out, lenient.out.size() * 4, strictConversion);
  if (back.result != conversionOK || (strict.result == conversionOK && back.out != in)) {
    return "lenient output does not re-encode, or well-formed text does not round-trip";
  }
  bool legal = Convert(ConvertUTF8toUTF32, in, 1, strictConversion).used > 0;
  if (isLegalUTF8Sequence(in.data(), in.data() + size) != legal) {
    return "isLegalUTF8Sequence disagrees with the decoder";
  }
  return "";
}

std::string CheckSnprintfTruncation(const uint8_t* data, size_t size) {
  size_t extraSize = size > 0 ? data[0] : 0;
  std::string text(reinterpret_cast<const char*>(data) + (size > 0), size - (size > 0));
  text.resize(strnlen(text.c_str(), text.size()));
  std::vector<UTF8> bytes(text.begin(), text.end());
  bool wellFormed = Convert(ConvertUTF8toUTF32, bytes, text.size(), strictConversion).result == conversionOK;
  std::string failure;
  for (size_t s = 0; failure.empty() && s <= text.size() + 2 && s < 48; s++) {
    failure = CheckOneSize(text, s, wellFormed);
  }
  return failure.empty() ? CheckOneSize(text, extraSize, wellFormed) : failure;
}

}  // namespace string_checks
