// The engine against glibc's vsnprintf on generated conversions: flags,
// literal and '*' widths and precisions, every length modifier, the
// conversions d i o u x X c s e E f F g G %, each once as written and once
// rewritten with positional arguments, into buffers large and small.
//
// Where the engine deliberately differs from glibc, kDeliberateDifferences
// below lists the case with its reason, and the generator stays out of it.
#include <gtest/gtest.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "fuzz/string/printf_oracle.h"

namespace {

using ostrel_fuzz::Glibc;
using ostrel_fuzz::Ours;
using Outcome = ostrel_fuzz::Formatted;
using ostrel_fuzz::PrintfSpec;
constexpr size_t kBig = ostrel_fuzz::kOracleBufferSize;

// --- Values -----------------------------------------------------------------

enum class Kind { kNone, kInt, kInt64, kDouble, kLongDouble, kString, kWideString, kWideChar };

struct Value {
  Kind kind = Kind::kNone;
  long long i = 0;
  double d = 0;
  const char* s = nullptr;
  const wchar_t* ws = nullptr;
};

const long long kIntEdges[] = {0,         1,         -1,
                               7,         8,         9,
                               10,        15,        16,
                               99,        100,       127,
                               128,       255,       256,
                               999,       1000,      4095,
                               65535,     65536,     -128,
                               -129,      1234567,   -1234567,
                               INT_MAX,   INT_MIN,   static_cast<long long>(UINT_MAX),
                               LLONG_MAX, LLONG_MIN, 0x7fffffffffLL};
const double kDoubleEdges[] = {0.0,
                               -0.0,
                               1.0,
                               -1.0,
                               1.5,
                               2.5,
                               0.5,
                               0.1,
                               0.125,
                               1.0 / 3,
                               2.0 / 3,
                               9.5,
                               99.5,
                               0.05,
                               0.0001,
                               0.00001,
                               123456.789,
                               1e10,
                               1e15,
                               1e16,
                               1e17,
                               1e21,
                               1e100,
                               -1e-100,
                               1e300,
                               DBL_MAX,
                               DBL_MIN,
                               5e-324,
                               9.9999999,
                               0.99999,
                               999999.5,
                               HUGE_VAL,
                               -HUGE_VAL,
                               4503599627370496.5,
                               3.14159265358979};
const char* const kStrings[] = {"", "a", "hello", "hello world", "(null)", "%d", "0123456789abcdefghij"};
const wchar_t* const kWideStrings[] = {L"", L"w", L"wide text"};

// --- Generated conversions --------------------------------------------------

struct Spec : PrintfSpec {
  Value value;
};

class Generator {
 public:
  explicit Generator(uint32_t seed) : rng_(seed) {}

  int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  bool Chance(int percent) { return Uniform(1, 100) <= percent; }
  template <typename T, size_t N>
  const T& Pick(const T (&items)[N]) {
    return items[static_cast<size_t>(Uniform(0, static_cast<int>(N) - 1))];
  }

  Spec Next() {
    static const char kConvs[] = "diouxXcseEfFgG%";
    Spec s;
    s.conv = kConvs[Uniform(0, static_cast<int>(sizeof kConvs) - 2)];
    for (char flag : std::string("-+ #0'")) {
      if (Chance(25)) {
        s.flags += flag;
      }
    }
    if ((s.conv == 'c' || s.conv == 's') && s.flags.find('0') != std::string::npos) {
      s.flags.erase(s.flags.find('0'), 1);  // zero padding of text: a deliberate difference
    }
    bool isFloat = strchr("eEfFgG", s.conv) != nullptr;
    if (s.conv == '%') {
      s.flags.clear();  // plain "%%" only: padding it is a deliberate difference
      return s;
    }
    int widthChoice = Uniform(0, 3);
    if (widthChoice == 1) {
      s.width = Uniform(0, 25);
    } else if (widthChoice == 2) {
      s.widthStar = true;
      s.widthArg = Uniform(-25, 25);
    }
    int limit = PrecisionLimit(s.conv);
    int precChoice = Uniform(0, 4);
    if (precChoice == 1) {
      s.prec = Uniform(0, limit);
    } else if (precChoice == 2) {
      s.prec = -1;
    } else if (precChoice == 3 && s.conv != 'e' && s.conv != 'E' && s.conv != 'g' && s.conv != 'G') {
      s.precStar = true;
      s.precArg = Uniform(-3, limit);
    }
    if (isFloat && s.widthStar && s.widthArg < 0 && s.flags.find('0') != std::string::npos) {
      s.flags.erase(s.flags.find('0'), 1);  // glibc pads these with zeros on the right: see the table
    }
    ChooseLengthAndValue(&s);
    return s;
  }

 private:
  // e and g show at most 15 significant digits here: where the C library's
  // digit conversion has more to say, see the differences table.
  static int PrecisionLimit(char conv) {
    switch (conv) {
      case 'e':
      case 'E':
        return 14;
      case 'g':
      case 'G':
        return 15;
      case 'f':
      case 'F':
        return 17;
      default:
        return 25;
    }
  }

  void ChooseLengthAndValue(Spec* s) {
    static const char* const kIntLengths[] = {"", "hh", "h", "l", "ll", "L", "q", "j", "t", "z", "Z"};
    static const char* const kFloatLengths[] = {"", "l", "L", "ll", "q"};
    switch (s->conv) {
      case 'c':
        if (Chance(30)) {
          s->length = "l";
          s->value.kind = Kind::kWideChar;
          s->value.i = Uniform(1, 127);  // the C locale converts ASCII only
        } else {
          s->length = Chance(20) ? (Chance(50) ? "h" : "hh") : "";
          s->value.kind = Kind::kInt;
          s->value.i = Uniform(0, 255);
        }
        return;
      case 's':
        if (Chance(20)) {
          s->length = "l";
          s->value.kind = Kind::kWideString;
          s->value.ws = Pick(kWideStrings);
        } else {
          s->value.kind = Kind::kString;
          s->value.s = Pick(kStrings);
        }
        return;
      case 'e':
      case 'E':
      case 'f':
      case 'F':
      case 'g':
      case 'G': {
        s->length = Pick(kFloatLengths);
        bool longDouble = s->length == "L" || s->length == "ll" || s->length == "q";
        s->value.kind = longDouble ? Kind::kLongDouble : Kind::kDouble;
        s->value.d = RandomDouble();
        return;
      }
      default: {
        s->length = Pick(kIntLengths);
        bool narrow = s->length.empty() || s->length == "hh" || s->length == "h";
        s->value.kind = narrow ? Kind::kInt : Kind::kInt64;
        s->value.i = Chance(50) ? Pick(kIntEdges) : static_cast<long long>(rng_());
        if (Chance(30)) {
          s->value.i = static_cast<long long>((static_cast<uint64_t>(rng_()) << 32) ^ rng_());
        }
        return;
      }
    }
  }

  double RandomDouble() {
    switch (Uniform(0, 4)) {
      case 0:
      case 1:
        return Pick(kDoubleEdges);
      case 2:
        return Uniform(-100000, 100000) / static_cast<double>(1 << Uniform(0, 12));
      case 3:
        return Uniform(-999999, 999999) * std::pow(10.0, Uniform(-20, 20));
      default: {
        uint64_t bits = (static_cast<uint64_t>(rng_()) << 32) ^ rng_();
        double d;
        memcpy(&d, &bits, sizeof d);
        return std::isnan(d) ? 1.0 : d;
      }
    }
  }

  std::mt19937 rng_;
};

std::string Render(const Spec& s, bool positional, bool valueFirst) {
  return ostrel_fuzz::RenderSpec(s, positional, valueFirst);
}

struct Mismatch {
  std::string format;
  size_t size;
  Outcome ours;
  Outcome glibc;
};

class DifferentialRun {
 public:
  void Check(const Spec& s, bool positional, bool valueFirst, size_t size) {
    std::string fmt = "<" + Render(s, positional, valueFirst) + ">";
    Outcome ours;
    Outcome glibc;
    switch (s.value.kind) {
      case Kind::kNone:
        ours = Ours()(fmt, size);
        glibc = Glibc()(fmt, size);
        break;
      case Kind::kInt:
      case Kind::kWideChar:
        Both(s, fmt, size, valueFirst, static_cast<int>(s.value.i), static_cast<int>(s.value.i), &ours,
             &glibc);
        break;
      case Kind::kInt64:
        Both(s, fmt, size, valueFirst, s.value.i, s.value.i, &ours, &glibc);
        break;
      case Kind::kDouble: {
        double forGlibc = s.value.d;
        if (ostrel_fuzz::IsExponentStyle(s.conv) &&
            !ostrel_fuzz::SameDigitsForGlibc(s, s.value.d, &forGlibc)) {
          return;
        }
        Both(s, fmt, size, valueFirst, s.value.d, forGlibc, &ours, &glibc);
        break;
      }
      case Kind::kLongDouble: {
        double forGlibc = s.value.d;
        if (ostrel_fuzz::IsExponentStyle(s.conv) &&
            !ostrel_fuzz::SameDigitsForGlibc(s, s.value.d, &forGlibc)) {
          return;
        }
        Both(s, fmt, size, valueFirst, static_cast<long double>(s.value.d),
             static_cast<long double>(forGlibc), &ours, &glibc);
        break;
      }
      case Kind::kString:
        Both(s, fmt, size, valueFirst, s.value.s, s.value.s, &ours, &glibc);
        break;
      case Kind::kWideString:
        Both(s, fmt, size, valueFirst, s.value.ws, s.value.ws, &ours, &glibc);
        break;
    }
    cases_++;
    if (!(ours == glibc) && mismatches_.size() < 25) {
      char value[64];
      snprintf(value, sizeof value, " (%lld, %.17g, w %d, p %d)", s.value.i, s.value.d, s.widthArg,
               s.precArg);
      mismatches_.push_back({fmt + value, size, ours, glibc});
    }
    if (!(ours == glibc)) {
      failures_++;
    }
  }

  long cases() const { return cases_; }
  long failures() const { return failures_; }
  std::string Report() const {
    std::string out;
    for (const Mismatch& m : mismatches_) {
      out += m.format + " size " + std::to_string(m.size) + ": ours [" + m.ours.text + "] " +
             std::to_string(m.ours.result) + ", glibc [" + m.glibc.text + "] " +
             std::to_string(m.glibc.result) + "\n";
    }
    return out;
  }

 private:
  template <typename V>
  static void Both(const Spec& s, const std::string& fmt, size_t size, bool valueFirst, V ourValue,
                   V glibcValue, Outcome* ours, Outcome* glibc) {
    *ours = ostrel_fuzz::WithStars(Ours(), s, fmt, size, valueFirst, ourValue);
    *glibc = ostrel_fuzz::WithStars(Glibc(), s, fmt, size, valueFirst, glibcValue);
  }

  long cases_ = 0;
  long failures_ = 0;
  std::vector<Mismatch> mismatches_;
};

size_t PickSize(Generator* gen) {
  static const size_t kSizes[] = {kBig, kBig, kBig, kBig, 0, 1, 2, 6, 12};
  return gen->Pick(kSizes);
}

TEST(PrintfDifferential, SingleConversionsAsWrittenAndPositional) {
  Generator gen(20261205);
  DifferentialRun run;
  for (int i = 0; i < 60000; i++) {
    Spec s = gen.Next();
    size_t size = PickSize(&gen);
    run.Check(s, false, false, size);
    run.Check(s, true, gen.Chance(50), size);
  }
  EXPECT_GE(run.cases(), 100000);
  EXPECT_EQ(0, run.failures()) << run.Report();
}

// --- Several conversions in one format --------------------------------------

constexpr int kSlots = 3;

struct MultiCase {
  Spec slot[kSlots];
  std::string literal[kSlots + 1];
};

// Calls engine with the slots' values in order, or in reverse order for the
// positional form that names the last argument first.
template <bool Reverse, int N = 0, typename Engine, typename... Acc>
Outcome CallMulti(Engine engine, const std::string& fmt, const MultiCase& c, Acc... acc) {
  if constexpr (N == kSlots) {
    return engine(fmt, kBig, acc...);
  } else {
    const Value& v = c.slot[Reverse ? kSlots - 1 - N : N].value;
    switch (v.kind) {
      case Kind::kInt:
        return CallMulti<Reverse, N + 1>(engine, fmt, c, acc..., static_cast<int>(v.i));
      case Kind::kInt64:
        return CallMulti<Reverse, N + 1>(engine, fmt, c, acc..., v.i);
      case Kind::kString:
        return CallMulti<Reverse, N + 1>(engine, fmt, c, acc..., v.s);
      default:
        return CallMulti<Reverse, N + 1>(engine, fmt, c, acc..., v.d);
    }
  }
}

TEST(PrintfDifferential, SeveralConversionsAsWrittenAndReversedByPosition) {
  Generator gen(4242);
  static const char* const kLiterals[] = {"", " ", "x=", ", ", "%%", " (", ")"};
  long cases = 0;
  std::string report;
  for (int i = 0; i < 10000; i++) {
    MultiCase c;
    for (auto& slot : c.slot) {
      do {
        slot = gen.Next();
      } while (slot.widthStar || slot.precStar || slot.conv == '%' || slot.conv == 'c' ||
               slot.value.kind == Kind::kWideString || slot.value.kind == Kind::kLongDouble ||
               slot.conv == 'e' || slot.conv == 'E' || slot.conv == 'g' || slot.conv == 'G');
    }
    for (auto& lit : c.literal) {
      lit = gen.Pick(kLiterals);
    }
    std::string sequential = c.literal[0];
    std::string reversed = c.literal[0];
    for (int k = 0; k < kSlots; k++) {
      sequential += Render(c.slot[k], false, false) + c.literal[k + 1];
      std::string pos = Render(c.slot[k], true, true).substr(3);
      reversed += "%" + std::to_string(kSlots - k) + "$" + pos + c.literal[k + 1];
    }
    Outcome ours = CallMulti<false>(Ours(), sequential, c);
    Outcome glibc = CallMulti<false>(Glibc(), sequential, c);
    Outcome oursPos = CallMulti<true>(Ours(), reversed, c);
    Outcome glibcPos = CallMulti<true>(Glibc(), reversed, c);
    cases += 2;
    if (!(ours == glibc) && report.size() < 4000) {
      report += sequential + ": [" + ours.text + "] vs [" + glibc.text + "]\n";
    }
    if (!(oursPos == glibcPos) && report.size() < 4000) {
      report += reversed + ": [" + oursPos.text + "] vs [" + glibcPos.text + "]\n";
    }
  }
  EXPECT_EQ(20000, cases);
  EXPECT_EQ("", report);
}

// --- Deliberate differences ---------------------------------------------------

struct Difference {
  const char* format;
  Value arg;
  const char* ours;  // what the engine prints; glibc prints something else
  const char* reason;
  int starWidth = 0;  // passed before the value when the format has a '*'
};

Value DoubleArg(double d) {
  Value v;
  v.kind = Kind::kDouble;
  v.d = d;
  return v;
}
Value StringArg(const char* s) {
  Value v;
  v.kind = Kind::kString;
  v.s = s;
  return v;
}
Value WideArg(const wchar_t* ws) {
  Value v;
  v.kind = Kind::kWideString;
  v.ws = ws;
  return v;
}
Value PointerArg(uintptr_t p) {
  Value v;
  v.kind = Kind::kInt64;
  v.i = static_cast<long long>(p);
  return v;
}

const Difference kDeliberateDifferences[] = {
    {"%p", PointerArg(0x1f), "1F", "pointers print as bare upper-case hexadecimal, without 0x"},
    {"%p", PointerArg(0), "0", "a null pointer prints as 0, not (nil)"},
    {"%ls", WideArg(L"\u00e9t\u00e9"), "\xc3\xa9t\xc3\xa9",
     "wide strings are always converted to UTF-8, whatever the locale"},
    {"%y", Value{}, "y", "an unknown conversion prints its character and takes no argument"},
    {"%5%", Value{}, "    %", "width and flags apply to %% and unknown conversions as to any character"},
    {"%05s", StringArg("ab"), "000ab", "the 0 flag pads strings and characters with zeros too"},
    {"%2$0*1$.1f", DoubleArg(1.0), "1.0  ",
     "a negative '*' width means '-', which overrides '0' (glibc's positional path zero-pads floats on the"
     " right)",
     -5},
    {"%I64d", PointerArg(1), "1", "I64, I32 and I are length modifiers, not glibc's locale-digits flag"},
    {"%.2s", StringArg("x\xc3\xa9"), "x", "a precision never cuts a UTF-8 character in half"},
    {"%.3s", StringArg(nullptr), "(nu", "a null string is \"(null)\" cut to the precision, never empty"},
    {"%1$qd", PointerArg(0x10000000000), "1099511627776",
     "q and L mean 64 bits with positional arguments too (glibc reads an int there)"},
    {"%f", DoubleArg(-NAN), "nan", "NaN never shows a sign"},
    {"%+e", DoubleArg(NAN), "nan", "NaN never shows a sign"},
    {"%.20f", DoubleArg(0.1), "0.10000000000000001000",
     "digits come from fcvt_r/ecvt_r, which give at most 17 digits; the rest are zeros"},
    {"%.4e", DoubleArg(53.9375), "5.3937e+01", "e and g digits come from ecvt_r, which rounds after scaling"},
    {"%Lf", Value{Kind::kLongDouble, 0, 0, nullptr, nullptr}, "inf",
     "long double is narrowed to double first (the argument here is 1e600L)"},
};

Outcome FormatDifference(bool ours, const Difference& d) {
  std::string fmt = d.format;
  size_t size = kBig;
  auto run = [&](auto... args) {
    if (fmt.find('*') != std::string::npos) {
      return ours ? Ours()(fmt, size, d.starWidth, args...) : Glibc()(fmt, size, d.starWidth, args...);
    }
    return ours ? Ours()(fmt, size, args...) : Glibc()(fmt, size, args...);
  };
  switch (d.arg.kind) {
    case Kind::kNone:
      return run();
    case Kind::kInt:
      return run(static_cast<int>(d.arg.i));
    case Kind::kInt64:
      return run(reinterpret_cast<void*>(static_cast<uintptr_t>(d.arg.i)));
    case Kind::kDouble:
      return run(d.arg.d);
    case Kind::kLongDouble:
      return run(static_cast<long double>(1e300) * 1e300L);
    case Kind::kString:
      return run(d.arg.s);
    case Kind::kWideString:
      return run(d.arg.ws);
    default:
      return run();
  }
}

TEST(PrintfDifferential, DeliberateDifferencesHoldAndDiffer) {
  for (const Difference& d : kDeliberateDifferences) {
    SCOPED_TRACE(std::string(d.format) + ": " + d.reason);
    Outcome ours = FormatDifference(true, d);
    Outcome glibc = FormatDifference(false, d);
    EXPECT_EQ(d.ours, ours.text);
    EXPECT_NE(glibc.text, ours.text) << "no longer a difference";
  }
}

}  // namespace
