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

// The library's fatal-error hook in the test and fuzz programs: the message
// on standard error (death tests match it), then abort (libFuzzer keeps the
// input).
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
  size_t stored = size == 0 ? 0 : strnlen(buf, size - 1);
  if (size > 0 && r >= 0) {
    stored = std::min(static_cast<size_t>(r), size - 1);  // %c of 0 stores a NUL inside
  }
  return {r, std::string(buf, stored)};
}

namespace {

// --- Engine against glibc ----------------------------------------------------

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
  int width = -1;  // -1: none
  int prec = -2;   // -2: none, -1: "." alone
  bool widthStar = false;
  bool precStar = false;
  int widthArg = 0;
  int precArg = 0;
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
    return Format(ours, size, fmt.c_str(), s.widthArg, s.precArg, v);
  }
  if (s.widthStar || s.precStar) {
    return Format(ours, size, fmt.c_str(), s.widthStar ? s.widthArg : s.precArg, v);
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
  s.width = w % 3 == 1 ? (w >> 2) % 40 : -1;
  s.widthStar = w % 3 == 2;
  s.widthArg = s.widthStar ? static_cast<int8_t>(in->Byte()) % 40 : 0;
  uint8_t p = in->Byte();
  s.prec = p % 4 == 1 ? (p >> 2) % (limit + 1) : p % 4 == 2 ? -1 : -2;
  s.precStar = p % 4 == 3;
  s.precArg = s.precStar ? in->Byte() % (limit + 4) - 3 : 0;
  if (IsFloat(s.conv) && s.widthArg < 0 && s.flags.find('0') != std::string::npos) {
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

// The engine takes e and g digits from ecvt_r, which rounds after scaling
// where glibc rounds exactly: true when both show the same digits. glibc's
// %#g drops the zeros '#' keeps when rounding carries (999999.5): false then.
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
    int prec = s.precStar ? (s.precArg < 0 ? 6 : s.precArg) : s.prec == -2 ? 6 : std::max(s.prec, 0);
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

// --- UTF -----------------------------------------------------------------------

bool IsScalar(UTF32 c) {
  return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
}

template <typename T>
bool IsPrefix(const std::vector<T>& prefix, const std::vector<T>& whole) {
  return prefix.size() <= whole.size() && std::equal(prefix.begin(), prefix.end(), whole.begin());
}

// UTF-8 or UTF-16 input decoded strictly and leniently, re-encoded, and
// taken through the other of the two (Mid).
template <typename From, typename To32, typename From32, typename ToMid, typename MidTo32>
std::string CheckView(const std::vector<From>& in, To32 to32, From32 from32, ToMid toMid, MidTo32 midTo32,
                      uint8_t roomByte) {
  size_t room = in.size() + 1;
  Converted<UTF32> strict = Convert(to32, in, room, strictConversion);
  Converted<UTF32> lenient = Convert(to32, in, room, lenientConversion);
  if ((lenient.result != conversionOK && lenient.result != sourceExhausted) ||
      !std::all_of(lenient.out.begin(), lenient.out.end(), IsScalar) || !IsPrefix(strict.out, lenient.out)) {
    return "lenient result not OK, holds a non-scalar, or strict output is not its prefix";
  }
  if (strict.result == conversionOK && (strict.out != lenient.out || strict.used != in.size())) {
    return "well formed, yet strict and lenient differ";
  }
  if (strict.result == sourceIllegal &&
      (lenient.out.size() <= strict.out.size() || lenient.out[strict.out.size()] != UNI_REPLACEMENT_CHAR)) {
    return "lenient did not replace where strict stopped";
  }
  auto back = Convert(from32, lenient.out, lenient.out.size() * 4, strictConversion);
  if (back.result != conversionOK || (strict.result == conversionOK && back.out != in)) {
    return "lenient output does not re-encode, or well-formed text does not round-trip";
  }
  auto mid = Convert(toMid, in, room * 3, lenientConversion);
  if (mid.result != lenient.result || mid.used != lenient.used ||
      Convert(midTo32, mid.out, mid.out.size() + 1, strictConversion).out != lenient.out) {
    return "through the other encoding the text changes";
  }
  size_t shortRoom = roomByte % (lenient.out.size() + 1);
  Converted<UTF32> part = Convert(to32, in, shortRoom, lenientConversion);
  if (shortRoom < lenient.out.size() &&
      (part.result != targetExhausted || part.out.size() != shortRoom || !IsPrefix(part.out, lenient.out))) {
    return "short target: not the expected prefix";
  }
  return "";
}

// --- Truncation ------------------------------------------------------------------

// Where well-formed UTF-8 must be cut to keep at most limit bytes.
size_t LastBoundaryWithin(const std::string& text, size_t limit) {
  limit = std::min(limit, text.size());
  while (limit > 0 && limit < text.size() && (text[limit] & 0xC0) == 0x80) {
    limit--;
  }
  return limit;
}

std::string CheckOneSize(const std::string& text, size_t size, bool wellFormed) {
  // Exactly size bytes on the heap, so that a sanitizer sees a write past
  // them; size 0 gets a guard byte that must stay untouched.
  char* buf = static_cast<char*>(malloc(std::max<size_t>(size, 1)));
  memset(buf, 0x5A, std::max<size_t>(size, 1));
  int r = Str_Snprintf(buf, size, "%s", text.c_str());
  bool fits = text.size() < size;
  std::string failure;
  if (size == 0 ? r != -1 || buf[0] != 0x5A : memchr(buf, '\0', size) == nullptr) {
    failure = "wrote past the size, or no NUL within it";
  } else if (size > 0 && r != (fits ? static_cast<int>(text.size()) : -1)) {
    failure = "wrong result " + std::to_string(r);
  } else if (size > 0 && (text.compare(0, strlen(buf), buf) != 0 || (fits && text != buf) ||
                          (wellFormed && strlen(buf) != LastBoundaryWithin(text, size - 1)))) {
    failure = "kept [" + std::string(buf) + "]";
  }
  free(buf);
  return failure.empty() ? "" : failure + " (size " + std::to_string(size) + ")";
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
  std::vector<UTF8> bytes(data, data + size);
  uint8_t roomByte = size > 0 ? data[0] : 0;
  std::string failure = CheckView(bytes, ConvertUTF8toUTF32, ConvertUTF32toUTF8, ConvertUTF8toUTF16,
                                  ConvertUTF16toUTF32, roomByte);
  if (failure.empty() && isLegalUTF8Sequence(bytes.data(), bytes.data() + size) !=
                             (Convert(ConvertUTF8toUTF32, bytes, 1, strictConversion).used > 0)) {
    failure = "isLegalUTF8Sequence disagrees with the decoder";
  }
  std::vector<UTF16> units(size / 2);
  std::copy_n(data, units.size() * 2, reinterpret_cast<uint8_t*>(units.data()));
  if (failure.empty()) {
    failure = CheckView(units, ConvertUTF16toUTF32, ConvertUTF32toUTF16, ConvertUTF16toUTF8,
                        ConvertUTF8toUTF32, roomByte);
  }
  // As UTF-32: strict stops at the first surrogate and passes over values
  // above U+10FFFF, reporting them at the end; lenient replaces both.
  std::vector<UTF32> values(size / 4);
  std::copy_n(data, values.size() * 4, reinterpret_cast<uint8_t*>(values.data()));
  std::vector<UTF32> expected;
  for (UTF32 v : values) {
    expected.push_back(IsScalar(v) ? v : UNI_REPLACEMENT_CHAR);
  }
  auto tooLarge = [](UTF32 v) { return v > 0x10FFFF; };
  auto firstSurrogate =
      std::find_if(values.begin(), values.end(), [](UTF32 v) { return v >= 0xD800 && v <= 0xDFFF; });
  bool strictIllegal =
      firstSurrogate != values.end() || std::any_of(values.begin(), firstSurrogate, tooLarge);
  auto strict = Convert(ConvertUTF32toUTF16, values, values.size() * 2, strictConversion);
  auto lenient = Convert(ConvertUTF32toUTF8, values, values.size() * 4, lenientConversion);
  if (failure.empty() &&
      (strict.used != static_cast<size_t>(firstSurrogate - values.begin()) ||
       strict.result != (strictIllegal ? sourceIllegal : conversionOK) ||
       lenient.result !=
           (std::any_of(values.begin(), values.end(), tooLarge) ? sourceIllegal : conversionOK) ||
       Convert(ConvertUTF8toUTF32, lenient.out, values.size(), strictConversion).out != expected)) {
    failure = "UTF-32: strict did not stop at the first surrogate or lenient did not replace each";
  }
  return failure;
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
  failure = failure.empty() ? CheckOneSize(text, extraSize, wellFormed) : failure;
  // A precision cuts the same way, in allocation mode.
  for (size_t prec = 0; failure.empty() && prec <= text.size() && prec < 48; prec++) {
    size_t length = 0;
    char* out = Str_Asprintf(&length, "%.*s", static_cast<int>(prec), text.c_str());
    std::string kept = out != nullptr ? std::string(out, length) : "<null>";
    free(out);
    if (kept.size() > prec || text.compare(0, kept.size(), kept) != 0 ||
        (wellFormed && kept.size() != LastBoundaryWithin(text, prec))) {
      failure = "%.*s kept [" + kept + "] for precision " + std::to_string(prec);
    }
  }
  return failure;
}

}  // namespace string_checks
