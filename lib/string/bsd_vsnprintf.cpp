// The formatting engine: parse each conversion, fetch its arguments, emit
// its text into one output object.
#include "lib/string/bsd_vsnprintf.h"

#include <limits.h>
#include <locale.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include "lib/string/bsd_fmt_internal.h"
#include "lib/string/bsd_fmt_spec.h"
#include "lib/string/convert_utf.h"
#include "lib/string/panic.h"
#include "lib/string/utf8_boundary.h"

namespace {

const char kSourceFile[] = "lib/string/bsd_vsnprintf";
constexpr int kWideConversionLine = 414;

constexpr int kDefaultPrecision = 6;
constexpr int kSignificantDigitsMode = 2;
constexpr int kFractionDigitsMode = 3;
// Decimal-point position that marks infinity and NaN.
constexpr int kInfNanDecpt = 9999;

// Decimal point and thousands grouping. The locale entry reads them from
// localeconv() when a conversion of the call first needs them.
class Locale {
 public:
  static Locale Given(const char* grouping, char separator, const char* decimalPoint) {
    Locale locale;
    locale.Set(grouping, separator, decimalPoint);
    return locale;
  }
  static Locale Current() { return Locale(); }

  const BSDFmt_Grouping& grouping() {
    Load();
    return grouping_;
  }
  char decimalPoint() {
    Load();
    return decimalPoint_;
  }

 private:
  void Load() {
    if (!loaded_) {
      const struct lconv* lc = localeconv();
      Set(lc->grouping, lc->thousands_sep[0], lc->decimal_point);
    }
  }
  void Set(const char* grouping, char separator, const char* decimalPoint) {
    grouping_.groups = grouping != nullptr && *grouping != '\0' ? grouping : nullptr;
    grouping_.separator = separator;
    decimalPoint_ = decimalPoint != nullptr && *decimalPoint != '\0' ? *decimalPoint : '.';
    loaded_ = true;
  }

  bool loaded_ = false;
  BSDFmt_Grouping grouping_{nullptr, '\0'};  // groups null: no grouping
  char decimalPoint_ = '.';
};

// Where arguments come from: the va_list in order until a conversion names
// one by position, the value table from then on.
class Arguments {
 public:
  Arguments(const char* fmt, va_list ap) : fmt_(fmt) {
    va_copy(ap_, ap);
    va_copy(start_, ap);
  }
  ~Arguments() {
    va_end(ap_);
    va_end(start_);
    if (table_ != nullptr && table_ != staticTable_) {
      free(table_);
    }
  }
  Arguments(const Arguments&) = delete;
  Arguments& operator=(const Arguments&) = delete;

  // Switches to the value table, scanning the format on first use. False
  // when a position is out of range.
  bool UsePositions() {
    if (table_ == nullptr) {
      count_ = BSDFmt_FindArguments(fmt_, start_, &table_, staticTable_);
      if (count_ < 0) {
        table_ = nullptr;
        return false;
      }
    }
    return true;
  }

  int Int(int index) { return table_ ? Slot(index).intArg : va_arg(ap_, int); }
  long long Int64(int index) { return table_ ? Slot(index).int64Arg : va_arg(ap_, long long); }
  void* Pointer(int index) { return table_ ? Slot(index).pointerArg : va_arg(ap_, void*); }
  double Double(int index) { return table_ ? Slot(index).doubleArg : va_arg(ap_, double); }
  long double LongDouble(int index) { return table_ ? Slot(index).longDoubleArg : va_arg(ap_, long double); }

 private:
  const BSDFmt_Arg& Slot(int index) const {
    static const BSDFmt_Arg kNone{};
    return index >= 1 && index <= count_ ? table_[index] : kNone;
  }

  const char* fmt_;
  va_list ap_;
  va_list start_;
  BSDFmt_Arg staticTable_[kBSDFmtStaticArgs];
  BSDFmt_Arg* table_ = nullptr;
  int count_ = 0;
};

// One conversion after its arguments are fetched: the flags, and width and
// precision resolved (-1: none).
struct Field {
  unsigned flags;
  int width;
  int prec;
};

class Formatter {
 public:
  Formatter(BSDFmt_Output* out, const Locale& locale, const char* fmt, va_list ap)
      : out_(out), locale_(locale), fmt_(fmt), args_(fmt, ap) {}

  // Formats the whole format; the total length, or -1.
  int Run();

 private:
  bool Convert(const BSDFmt_Spec& spec);
  bool ResolveField(const BSDFmt_Spec& spec, const BSDFmt_ArgIndices& idx, Field* field);

  bool EmitSigned(const BSDFmt_Spec& spec, const Field& f, int index);
  bool EmitUnsigned(const BSDFmt_Spec& spec, const Field& f, int index);
  bool EmitInteger(Field f, uintmax_t magnitude, char sign, int base, const char* xdigs, bool hexPrefix);
  bool EmitString(const Field& f, const char* s);
  bool EmitWideString(const Field& f, const wchar_t* ws);
  bool EmitWideChar(const Field& f, wint_t wc);
  bool EmitFloat(const BSDFmt_Spec& spec, Field f, int index);
  bool EmitInfNan(Field f, bool isNan, bool negative, bool upper);
  void StoreCount(const BSDFmt_Spec& spec, void* where);

  // Emits lead (sign and prefix), `zeros` precision zeros and a body of
  // bodySize bytes queued by putBody, padded to the field width.
  template <typename PutBody>
  bool EmitPadded(const Field& f, size_t leadLen, long long zeros, long long bodySize, PutBody putBody);
  bool EmitText(const Field& f, const char* text, size_t len) {
    return EmitPadded(f, 0, 0, static_cast<long long>(len), [&] { BSDFmt_Put(out_, text, len); });
  }

  // Adds n bytes to the total; false when it would exceed the largest int.
  bool Count(long long n) {
    total_ += n;
    return total_ <= INT_MAX;
  }
  char SignFor(unsigned flags, bool negative) const {
    if (negative) {
      return '-';
    }
    return (flags & kFmtPlus) ? '+' : (flags & kFmtSpace) ? ' ' : '\0';
  }
  void SetLead(char sign, const char* prefix) {
    leadLen_ = 0;
    if (sign != '\0') {
      lead_[leadLen_++] = sign;
    }
    for (; prefix != nullptr && *prefix != '\0'; prefix++) {
      lead_[leadLen_++] = *prefix;
    }
  }

  BSDFmt_Output* out_;
  Locale locale_;
  const char* fmt_;
  Arguments args_;
  int next_ = 1;         // number of the next argument taken in order
  long long total_ = 0;  // bytes of output so far, stored or dropped

  // Text of the current conversion; it stays here until the pieces that
  // point into it are written.
  char lead_[4];
  size_t leadLen_ = 0;
  char one_[MB_LEN_MAX > 4 ? MB_LEN_MAX : 4];
  char intDigits_[80];
  char digits_[kBSDFmtDigitBufferSize];
  char grouped_[2 * kBSDFmtDigitBufferSize];
  char exponent_[16];
};

int Formatter::Run() {
  const char* p = fmt_;
  for (;;) {
    const char* literal = p;
    while (*p != '%' && *p != '\0') {
      p++;
    }
    if (p > literal) {
      if (!Count(p - literal)) {
        return -1;
      }
      BSDFmt_Put(out_, literal, static_cast<size_t>(p - literal));
    }
    if (*p == '\0') {
      break;
    }
    BSDFmt_Spec spec;
    p = BSDFmt_ParseSpec(p + 1, &spec);
    if (spec.conv == '\0') {
      break;  // a '%' at the end of the format ends the output
    }
    if (spec.tooLarge || !Convert(spec)) {
      return -1;
    }
    BSDFmt_SPrint(out_);
  }
  return static_cast<int>(total_);
}

bool Formatter::ResolveField(const BSDFmt_Spec& spec, const BSDFmt_ArgIndices& idx, Field* field) {
  field->flags = spec.flags;
  field->width = spec.width;
  field->prec = spec.prec;
  if (spec.widthStar) {
    long long width = args_.Int(idx.width);
    if (width < 0) {
      field->flags |= kFmtLeft;
      width = -width;
    }
    if (width > INT_MAX) {
      return false;
    }
    field->width = static_cast<int>(width);
  }
  if (spec.precStar) {
    int prec = args_.Int(idx.prec);
    field->prec = prec < 0 ? -1 : prec;
  }
  return true;
}

bool Formatter::Convert(const BSDFmt_Spec& spec) {
  if (BSDFmt_IsPositional(spec) && !args_.UsePositions()) {
    return false;
  }
  BSDFmt_ArgIndices idx = BSDFmt_AssignArgs(spec, &next_);
  Field f;
  if (!ResolveField(spec, idx, &f)) {
    return false;
  }
  bool wide = spec.length == BSDFmt_Length::kLong;
  switch (spec.conv) {
    case 'd':
    case 'i':
    case 'D':
      return EmitSigned(spec, f, idx.value);
    case 'o':
    case 'O':
    case 'u':
    case 'U':
    case 'x':
    case 'X':
      return EmitUnsigned(spec, f, idx.value);
    case 'p': {
      uintptr_t address = reinterpret_cast<uintptr_t>(args_.Pointer(idx.value));
      f.flags &= ~kFmtAlt;
      return EmitInteger(f, address, '\0', 16, xdigs_upper, false);
    }
    case 'c':
      if (wide) {
        return EmitWideChar(f, static_cast<wint_t>(args_.Int(idx.value)));
      }
      one_[0] = static_cast<char>(args_.Int(idx.value));
      return EmitText(f, one_, 1);
    case 'C':
      return EmitWideChar(f, static_cast<wint_t>(args_.Int(idx.value)));
    case 's':
      if (wide) {
        return EmitWideString(f, static_cast<const wchar_t*>(args_.Pointer(idx.value)));
      }
      return EmitString(f, static_cast<const char*>(args_.Pointer(idx.value)));
    case 'S':
      return EmitWideString(f, static_cast<const wchar_t*>(args_.Pointer(idx.value)));
    case 'n':
      StoreCount(spec, args_.Pointer(idx.value));
      return true;
    case 'e':
    case 'E':
    case 'f':
    case 'F':
    case 'g':
    case 'G':
      return EmitFloat(spec, f, idx.value);
    default:
      // '%' and unknown conversion characters print themselves.
      one_[0] = spec.conv;
      return EmitText(f, one_, 1);
  }
}

template <typename PutBody>
bool Formatter::EmitPadded(const Field& f, size_t leadLen, long long zeros, long long bodySize,
                           PutBody putBody) {
  if (zeros < 0) {
    zeros = 0;
  }
  long long realSize = static_cast<long long>(leadLen) + zeros + bodySize;
  long long padding = f.width > realSize ? f.width - realSize : 0;
  if (!Count(realSize + padding)) {
    return false;
  }
  bool left = (f.flags & kFmtLeft) != 0;
  bool zeroPad = !left && (f.flags & kFmtZero) != 0;
  if (!left && !zeroPad) {
    BSDFmt_Pad(out_, padding, false);
  }
  BSDFmt_Put(out_, lead_, leadLen);
  if (zeroPad) {
    BSDFmt_Pad(out_, padding, true);
  }
  BSDFmt_Pad(out_, zeros, true);
  putBody();
  if (left) {
    BSDFmt_Pad(out_, padding, false);
  }
  return true;
}

bool Formatter::EmitSigned(const BSDFmt_Spec& spec, const Field& f, int index) {
  long long value;
  BSDFmt_Length length = spec.conv == 'D' ? BSDFmt_Length::kLong : spec.length;
  switch (length) {
    case BSDFmt_Length::kNone:
      value = args_.Int(index);
      break;
    case BSDFmt_Length::kChar:
      value = static_cast<signed char>(args_.Int(index));
      break;
    case BSDFmt_Length::kShort:
      value = static_cast<short>(args_.Int(index));
      break;
    default:
      value = args_.Int64(index);
      break;
  }
  bool negative = value < 0;
  uintmax_t magnitude = negative ? 0 - static_cast<uintmax_t>(value) : static_cast<uintmax_t>(value);
  return EmitInteger(f, magnitude, SignFor(f.flags, negative), 10, xdigs_lower, false);
}

bool Formatter::EmitUnsigned(const BSDFmt_Spec& spec, const Field& f, int index) {
  uintmax_t value;
  char conv = spec.conv;
  BSDFmt_Length length = spec.length;
  if (conv == 'O' || conv == 'U') {
    length = BSDFmt_Length::kLong;
    conv = static_cast<char>(conv - 'A' + 'a');
  }
  switch (length) {
    case BSDFmt_Length::kNone:
      value = static_cast<unsigned>(args_.Int(index));
      break;
    case BSDFmt_Length::kChar:
      value = static_cast<unsigned char>(args_.Int(index));
      break;
    case BSDFmt_Length::kShort:
      value = static_cast<unsigned short>(args_.Int(index));
      break;
    default:
      value = static_cast<unsigned long long>(args_.Int64(index));
      break;
  }
  switch (conv) {
    case 'o':
      return EmitInteger(f, value, '\0', 8, xdigs_lower, false);
    case 'u':
      return EmitInteger(f, value, '\0', 10, xdigs_lower, false);
    case 'x':
      return EmitInteger(f, value, '\0', 16, xdigs_lower, true);
    default:
      return EmitInteger(f, value, '\0', 16, xdigs_upper, true);
  }
}

bool Formatter::EmitInteger(Field f, uintmax_t magnitude, char sign, int base, const char* xdigs,
                            bool hexPrefix) {
  if (f.prec >= 0) {
    f.flags &= ~kFmtZero;
  }
  bool alt = (f.flags & kFmtAlt) != 0;
  char* end = intDigits_ + sizeof intDigits_;
  char* cp = end;
  if (magnitude != 0 || f.prec != 0) {
    bool group = base == 10 && (f.flags & kFmtGroup) != 0;
    cp = BSDFmt_UJToA(magnitude, end, base, alt && base == 8, xdigs, group ? &locale_.grouping() : nullptr);
  } else if (alt && base == 8) {
    *--cp = '0';
  }
  const char* prefix = nullptr;
  if (hexPrefix && alt && magnitude != 0) {
    prefix = xdigs == xdigs_upper ? "0X" : "0x";
  }
  SetLead(sign, prefix);
  long long size = end - cp;
  return EmitPadded(f, leadLen_, f.prec - size, size,
                    [&] { BSDFmt_Put(out_, cp, static_cast<size_t>(size)); });
}

bool Formatter::EmitString(const Field& f, const char* s) {
  if (s == nullptr) {
    s = "(null)";
  }
  size_t len;
  if (f.prec >= 0) {
    size_t limit = static_cast<size_t>(f.prec);
    len = strnlen(s, limit);
    if (len == limit) {
      len = Utf8SafeCut(s, limit + 1);
    }
  } else {
    len = strlen(s);
  }
  SetLead('\0', nullptr);
  return EmitText(f, s, len);
}

bool Formatter::EmitWideString(const Field& f, const wchar_t* ws) {
  if (ws == nullptr) {
    return EmitString(f, nullptr);
  }
  char* utf8 = BSDFmt_WCharToUTF8(ws, f.prec);
  if (utf8 == nullptr) {
    return false;
  }
  SetLead('\0', nullptr);
  bool ok = EmitText(f, utf8, strlen(utf8));
  BSDFmt_SPrint(out_);  // the text must be written before it is freed
  free(utf8);
  return ok;
}

bool Formatter::EmitWideChar(const Field& f, wint_t wc) {
  mbstate_t state;
  memset(&state, 0, sizeof state);
  size_t len = wcrtomb(one_, static_cast<wchar_t>(wc), &state);
  if (len == static_cast<size_t>(-1)) {
    return false;
  }
  SetLead('\0', nullptr);
  return EmitText(f, one_, len);
}

void Formatter::StoreCount(const BSDFmt_Spec& spec, void* where) {
  if (where == nullptr) {
    return;
  }
  switch (spec.length) {
    case BSDFmt_Length::kChar:
      *static_cast<signed char*>(where) = static_cast<signed char>(total_);
      break;
    case BSDFmt_Length::kShort:
      *static_cast<short*>(where) = static_cast<short>(total_);
      break;
    case BSDFmt_Length::kLong:
      *static_cast<long*>(where) = static_cast<long>(total_);
      break;
    case BSDFmt_Length::kLongLong:
      *static_cast<long long*>(where) = total_;
      break;
    case BSDFmt_Length::kIntMax:
      *static_cast<intmax_t*>(where) = total_;
      break;
    case BSDFmt_Length::kPtrDiff:
      *static_cast<ptrdiff_t*>(where) = static_cast<ptrdiff_t>(total_);
      break;
    case BSDFmt_Length::kSize:
      *static_cast<size_t*>(where) = static_cast<size_t>(total_);
      break;
    case BSDFmt_Length::kNone:
      *static_cast<int*>(where) = static_cast<int>(total_);
      break;
  }
}

bool Formatter::EmitInfNan(Field f, bool isNan, bool negative, bool upper) {
  f.flags &= ~kFmtZero;
  const char* text = isNan ? (upper ? "NAN" : "nan") : (upper ? "INF" : "inf");
  SetLead(isNan ? '\0' : SignFor(f.flags, negative), nullptr);
  return EmitPadded(f, leadLen_, 0, 3, [&] { BSDFmt_Put(out_, text, 3); });
}

bool Formatter::EmitFloat(const BSDFmt_Spec& spec, Field f, int index) {
  char conv = spec.conv;
  bool upper = conv == 'E' || conv == 'F' || conv == 'G';
  char lower = static_cast<char>(upper ? conv - 'A' + 'a' : conv);
  bool alt = (f.flags & kFmtAlt) != 0;
  double value = spec.longDouble ? static_cast<double>(args_.LongDouble(index)) : args_.Double(index);

  // Significant digits (e, g) or digits after the point (f).
  int prec = f.prec < 0 ? kDefaultPrecision : f.prec;
  int wanted = prec;
  if (lower == 'e') {
    wanted = prec + 1;
  } else if (lower == 'g' && prec == 0) {
    prec = wanted = 1;
  }
  int mode = lower == 'f' ? kFractionDigitsMode : kSignificantDigitsMode;
  int ndigits = wanted < kBSDFmtMaxFloatDigits ? wanted : kBSDFmtMaxFloatDigits;
  int decpt = 0;
  int signFlag = 0;
  char* rve = nullptr;
  if (!BSDFmt_DigitsInto(value, mode, ndigits, digits_, sizeof digits_, &decpt, &signFlag, &rve)) {
    return false;
  }

  const char* text = digits_;
  bool negative = signFlag != 0;
  if (*text == '-') {
    negative = true;
    text++;
  }
  bool letters = (*text | 0x20) == 'i' || (*text | 0x20) == 'n';
  if (decpt == kInfNanDecpt || (letters && (strcasecmp(text, "inf") == 0 || strcasecmp(text, "nan") == 0))) {
    return EmitInfNan(f, *text == 'n' || *text == 'N', negative, upper);
  }

  long long ndig = rve - digits_;
  if (mode == kSignificantDigitsMode && ndig > ndigits) {
    ndig = ndigits;  // a carry can leave one digit too many
  }
  long long expt = decpt;
  bool expForm = lower == 'e';
  long long sig = wanted;  // digits shown in exponent form
  long long frac = prec;   // digits after the point in fixed form
  if (lower == 'g') {
    if (expt > -4 && expt <= prec) {
      frac = alt ? prec - expt : ndig - expt;
      if (frac < 0) {
        frac = 0;
      }
    } else {
      expForm = true;
      sig = alt ? prec : ndig;
    }
  }

  SetLead(SignFor(f.flags, negative), nullptr);
  one_[0] = locale_.decimalPoint();
  if (expForm) {
    // d.ddde+xx
    if (ndig == 0) {
      digits_[0] = '0';
      ndig = 1;
    }
    size_t expLen =
        static_cast<size_t>(BSDFmt_Exponent(exponent_, static_cast<int>(expt - 1), upper ? 'E' : 'e'));
    bool point = sig > 1 || alt;
    long long shown = ndig < sig ? ndig : sig;
    long long bodySize = 1 + (point ? 1 : 0) + (sig - 1) + static_cast<long long>(expLen);
    return EmitPadded(f, leadLen_, 0, bodySize, [&] {
      BSDFmt_Put(out_, digits_, 1);
      if (point) {
        BSDFmt_Put(out_, one_, 1);
      }
      BSDFmt_Put(out_, digits_ + 1, static_cast<size_t>(shown - 1));
      BSDFmt_Pad(out_, sig - shown, true);
      BSDFmt_Put(out_, exponent_, expLen);
    });
  }

  // ddd.ddd: the integer part, grouped when asked.
  const char* intText = "0";
  long long intShown = 1;
  long long intZeros = 0;
  if (expt > 0) {
    intShown = ndig < expt ? ndig : expt;
    intZeros = expt - intShown;
    intText = digits_;
    if ((f.flags & kFmtGroup) && locale_.grouping().groups != nullptr) {
      char whole[kBSDFmtDigitBufferSize];
      memcpy(whole, digits_, static_cast<size_t>(intShown));
      memset(whole + intShown, '0', static_cast<size_t>(intZeros));
      char* end = grouped_ + sizeof grouped_;
      char* start = BSDFmt_GroupDigits(whole, static_cast<size_t>(expt), end, &locale_.grouping());
      intText = start;
      intShown = end - start;
      intZeros = 0;
    }
  }
  bool point = frac > 0 || alt;
  long long leadZeros = expt < 0 ? (-expt < frac ? -expt : frac) : 0;
  long long fracStart = expt > 0 ? expt : 0;
  long long fracShown = ndig - fracStart;
  if (fracShown > frac - leadZeros) {
    fracShown = frac - leadZeros;
  }
  if (fracShown < 0) {
    fracShown = 0;
  }
  long long bodySize = intShown + intZeros + (point ? 1 : 0) + frac;
  return EmitPadded(f, leadLen_, 0, bodySize, [&] {
    BSDFmt_Put(out_, intText, static_cast<size_t>(intShown));
    BSDFmt_Pad(out_, intZeros, true);
    if (point) {
      BSDFmt_Put(out_, one_, 1);
    }
    BSDFmt_Pad(out_, leadZeros, true);
    BSDFmt_Put(out_, digits_ + fracStart, static_cast<size_t>(fracShown));
    BSDFmt_Pad(out_, frac - leadZeros - fracShown, true);
  });
}

}  // namespace

char* BSDFmt_WCharToUTF8(const wchar_t* wcsarg, int prec) {
  size_t wideLen = wcslen(wcsarg);
  size_t room = 4 * wideLen;
  bool limited = prec >= 0;
  if (limited && static_cast<size_t>(prec) < room) {
    room = static_cast<size_t>(prec);
  }
  char* buf = static_cast<char*>(malloc(room + 4));
  if (buf == nullptr) {
    return nullptr;
  }
  const UTF32* src = reinterpret_cast<const UTF32*>(wcsarg);
  const UTF32* srcEnd = src + wideLen;
  UTF8* dst = reinterpret_cast<UTF8*>(buf);
  for (;;) {
    UTF8* dstEnd = reinterpret_cast<UTF8*>(buf) + room;
    ConversionResult result = ConvertUTF32toUTF8(&src, srcEnd, &dst, dstEnd, lenientConversion);
    if (result == conversionOK || result == sourceExhausted || result == sourceIllegal) {
      break;
    }
    if (result != targetExhausted) {
      Panic("NOT_IMPLEMENTED %s:%d\n", kSourceFile, kWideConversionLine);
    }
    size_t grown = room * 2;
    if (limited && grown > static_cast<size_t>(prec)) {
      grown = static_cast<size_t>(prec);
    }
    if ((limited && room == static_cast<size_t>(prec)) || grown <= room) {
      break;
    }
    size_t used = static_cast<size_t>(dst - reinterpret_cast<UTF8*>(buf));
    char* bigger = static_cast<char*>(realloc(buf, grown + 4));
    if (bigger == nullptr) {
      free(buf);
      return nullptr;
    }
    buf = bigger;
    room = grown;
    dst = reinterpret_cast<UTF8*>(buf) + used;
  }
  *dst = '\0';
  return buf;
}

namespace {

// The engine: output mode, then the whole format, then the NUL.
int FormatWithLocale(char** outbuf, const Locale& locale, size_t size, const char* fmt, va_list ap) {
  BSDFmt_Output out;  // the pending pieces need no clearing
  out.error = false;
  out.stored = 0;
  out.pendingCount = 0;
  out.pendingLen = 0;
  out.allocMode = false;
  if (*outbuf == nullptr) {
    size_t fmtLen = strlen(fmt);
    out.allocMode = true;
    out.size = fmtLen == 0 ? 1 : (fmtLen / 64 + 1) * 64;
    out.buf = static_cast<char*>(malloc(out.size));
    if (out.buf == nullptr) {
      return -1;
    }
  } else {
    out.buf = *outbuf;
    out.size = size;
  }

  int result;
  {
    Formatter formatter(&out, locale, fmt, ap);
    result = formatter.Run();
  }
  BSDFmt_SPrint(&out);
  if (out.error) {
    result = -1;
  }
  if (out.allocMode) {
    if (result < 0) {
      free(out.buf);
      return -1;
    }
    out.buf[out.stored] = '\0';
    *outbuf = out.buf;
  } else if (out.size > 0) {
    out.buf[out.stored] = '\0';
  }
  return result;
}

}  // namespace

extern "C" {

int bsd_vsnprintf_core(char** outbuf, const char* grouping, char thousandsSep, const char* decimalPoint,
                       size_t size, const char* fmt, va_list ap) {
  return FormatWithLocale(outbuf, Locale::Given(grouping, thousandsSep, decimalPoint), size, fmt, ap);
}

int bsd_vsnprintf(char** outbuf, size_t size, const char* fmt, va_list ap) {
  return FormatWithLocale(outbuf, Locale::Current(), size, fmt, ap);
}

int bsd_vsnprintf_c_locale(char** outbuf, size_t size, const char* fmt, va_list ap) {
  return bsd_vsnprintf_core(outbuf, nullptr, ',', ".", size, fmt, ap);
}

wint_t bsd_btowc(int c) {
  if (c == EOF) {
    return WEOF;
  }
  char byte = static_cast<char>(c);
  wchar_t wc = 0;
  mbstate_t state;
  memset(&state, 0, sizeof state);
  size_t n = mbrtowc(&wc, &byte, 1, &state);
  if (n > 1) {
    return WEOF;  // invalid, or only the start of a longer character
  }
  return static_cast<wint_t>(wc);
}

}  // extern "C"
