// Conversions between UTF-8, UTF-16 and UTF-32.
//
// Every conversion decodes one value from the source, then encodes it into
// the target; the decoders and encoders below are the only places that know
// an encoding. The order of the checks in each step decides the result when
// several apply: a UTF-8 sequence cut off by the source end (its length taken
// from the lead byte alone) is reported before its legality, legality before
// the room in the target. Lenient mode writes one U+FFFD for each maximal
// ill-formed subpart that strict mode stops at.
#include "lib/string/convert_utf.h"

#include <stddef.h>

#include <algorithm>
#include <type_traits>

namespace {

constexpr UTF32 kHighSurrogateStart = 0xD800;
constexpr UTF32 kHighSurrogateEnd = 0xDBFF;
constexpr UTF32 kLowSurrogateStart = 0xDC00;
constexpr UTF32 kLowSurrogateEnd = 0xDFFF;
constexpr UTF32 kSupplementaryStart = 0x10000;

enum class Decoded {
  kOk,         // *ch holds a scalar value, *used units were read
  kTruncated,  // the sequence starting here runs past the source end
  kIllegal,    // *used units form an ill-formed subpart
  kTooLarge,   // a UTF-32 value above U+10FFFF, *used is 1
};

bool IsSurrogate(UTF32 ch) {
  return ch >= kHighSurrogateStart && ch <= kLowSurrogateEnd;
}

// --- UTF-8 ---------------------------------------------------------------

// How many bytes a first byte announces, itself included. Continuation
// bytes count as one; the old five- and six-byte forms keep their lengths
// so that they, too, are cut off before they are judged.
ptrdiff_t AnnouncedLength(UTF8 b) {
  return b < 0xC0 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : b < 0xF8 ? 4 : b < 0xFC ? 5 : 6;
}

// The allowed range of the byte after a lead byte; empty (so that no byte
// fits) for bytes that cannot start a well-formed sequence of more than one
// byte.
struct SecondByte {
  UTF8 low;
  UTF8 high;
};

SecondByte SecondByteRange(UTF8 lead) {
  if (lead < 0xC2 || lead > 0xF4) {
    return {0xFF, 0};
  }
  if (lead == 0xE0) {
    return {0xA0, 0xBF};  // no overlong forms
  }
  if (lead == 0xED) {
    return {0x80, 0x9F};  // no surrogates
  }
  if (lead == 0xF0) {
    return {0x90, 0xBF};  // no overlong forms
  }
  if (lead == 0xF4) {
    return {0x80, 0x8F};  // nothing above U+10FFFF
  }
  return {0x80, 0xBF};
}

// How many of the `length` bytes at source, length being what the first of
// them announces, begin a well-formed sequence: all of them when they form
// one, otherwise the size of the ill-formed part that lenient mode replaces
// (one byte for a first byte that cannot begin a longer sequence, none for a
// lone byte that is not ASCII).
ptrdiff_t WellFormedPrefix(const UTF8* source, ptrdiff_t length) {
  if (length == 1) {
    return source[0] < 0x80 ? 1 : 0;
  }
  SecondByte second = SecondByteRange(source[0]);
  if (source[1] < second.low || source[1] > second.high) {
    return 1;
  }
  ptrdiff_t i = 2;
  while (i < length && source[i] >= 0x80 && source[i] <= 0xBF) {
    i++;
  }
  return i;
}

// True when the `length` bytes at source, length being what the first of
// them announces, form one well-formed sequence.
bool isLegalUTF8(const UTF8* source, ptrdiff_t length) {
  return WellFormedPrefix(source, length) == length;
}

Decoded DecodeUtf8(const UTF8* src, const UTF8* end, UTF32* ch, size_t* used) {
  ptrdiff_t length = AnnouncedLength(src[0]);
  if (end - src < length) {
    return Decoded::kTruncated;
  }
  if (!isLegalUTF8(src, length)) {
    ptrdiff_t prefix = WellFormedPrefix(src, length);
    *used = static_cast<size_t>(std::max<ptrdiff_t>(prefix, 1));
    return Decoded::kIllegal;
  }
  static const UTF8 kLeadMask[] = {0x7F, 0x1F, 0x0F, 0x07};
  UTF32 value = src[0] & kLeadMask[length - 1];
  for (ptrdiff_t i = 1; i < length; i++) {
    value = (value << 6) | (src[i] & 0x3F);
  }
  *ch = value;
  *used = static_cast<size_t>(length);
  return Decoded::kOk;
}

size_t Utf8Length(UTF32 ch) {
  if (ch < 0x80) {
    return 1;
  }
  if (ch < 0x800) {
    return 2;
  }
  return ch < kSupplementaryStart ? 3 : 4;
}

void EncodeUtf8(UTF32 ch, UTF8* dst) {
  switch (Utf8Length(ch)) {
    case 1:
      dst[0] = static_cast<UTF8>(ch);
      break;
    case 2:
      dst[0] = static_cast<UTF8>(0xC0 | (ch >> 6));
      dst[1] = static_cast<UTF8>(0x80 | (ch & 0x3F));
      break;
    case 3:
      dst[0] = static_cast<UTF8>(0xE0 | (ch >> 12));
      dst[1] = static_cast<UTF8>(0x80 | ((ch >> 6) & 0x3F));
      dst[2] = static_cast<UTF8>(0x80 | (ch & 0x3F));
      break;
    default:
      dst[0] = static_cast<UTF8>(0xF0 | (ch >> 18));
      dst[1] = static_cast<UTF8>(0x80 | ((ch >> 12) & 0x3F));
      dst[2] = static_cast<UTF8>(0x80 | ((ch >> 6) & 0x3F));
      dst[3] = static_cast<UTF8>(0x80 | (ch & 0x3F));
      break;
  }
}

// --- UTF-16 --------------------------------------------------------------

Decoded DecodeUtf16(const UTF16* src, const UTF16* end, UTF32* ch, size_t* used) {
  UTF32 first = src[0];
  *used = 1;
  if (first >= kHighSurrogateStart && first <= kHighSurrogateEnd) {
    if (src + 1 == end) {
      return Decoded::kTruncated;
    }
    UTF32 second = src[1];
    if (second < kLowSurrogateStart || second > kLowSurrogateEnd) {
      return Decoded::kIllegal;
    }
    *ch = ((first - kHighSurrogateStart) << 10) + (second - kLowSurrogateStart) + kSupplementaryStart;
    *used = 2;
    return Decoded::kOk;
  }
  if (first >= kLowSurrogateStart && first <= kLowSurrogateEnd) {
    return Decoded::kIllegal;
  }
  *ch = first;
  return Decoded::kOk;
}

size_t Utf16Length(UTF32 ch) {
  return ch < kSupplementaryStart ? 1 : 2;
}

void EncodeUtf16(UTF32 ch, UTF16* dst) {
  if (ch < kSupplementaryStart) {
    dst[0] = static_cast<UTF16>(ch);
    return;
  }
  ch -= kSupplementaryStart;
  dst[0] = static_cast<UTF16>(kHighSurrogateStart + (ch >> 10));
  dst[1] = static_cast<UTF16>(kLowSurrogateStart + (ch & 0x3FF));
}

// --- UTF-32 --------------------------------------------------------------

Decoded DecodeUtf32(const UTF32* src, const UTF32*, UTF32* ch, size_t* used) {
  *used = 1;
  *ch = *src;
  if (IsSurrogate(*src)) {
    return Decoded::kIllegal;
  }
  return *src > UNI_MAX_LEGAL_UTF32 ? Decoded::kTooLarge : Decoded::kOk;
}

size_t Utf32Length(UTF32) {
  return 1;
}

void EncodeUtf32(UTF32 ch, UTF32* dst) {
  *dst = ch;
}

// --- One loop for all six directions ------------------------------------

// A UTF-32 value above U+10FFFF does not stop a conversion: it makes the
// result sourceIllegal unless something else stops the conversion later.
// Towards UTF-8 it becomes U+FFFD in both modes; towards UTF-16 strict mode
// drops it and lenient mode writes U+FFFD without reporting it. From UTF-32
// to UTF-16 a full target is reported before the next value is looked at.
template <typename From, typename To, Decoded (*Decode)(const From*, const From*, UTF32*, size_t*),
          size_t (*Length)(UTF32), void (*Encode)(UTF32, To*)>
ConversionResult Convert(const From** sourceStart, const From* sourceEnd, To** targetStart, To* targetEnd,
                         ConversionFlags flags) {
  constexpr bool kToUtf16 = std::is_same<To, UTF16>::value;
  constexpr bool kRoomFirst = kToUtf16 && std::is_same<From, UTF32>::value;
  ConversionResult result = conversionOK;
  const From* src = *sourceStart;
  To* dst = *targetStart;
  while (src < sourceEnd) {
    if (kRoomFirst && dst == targetEnd) {
      result = targetExhausted;
      break;
    }
    UTF32 ch{};
    size_t used{};
    Decoded decoded = Decode(src, sourceEnd, &ch, &used);
    if (decoded == Decoded::kTruncated) {
      result = sourceExhausted;
      break;
    }
    if (decoded == Decoded::kIllegal) {
      if (flags == strictConversion) {
        result = sourceIllegal;
        break;
      }
      ch = UNI_REPLACEMENT_CHAR;
    }
    if (decoded == Decoded::kTooLarge) {
      if (!kToUtf16 || flags == strictConversion) {
        result = sourceIllegal;
      }
      if (kToUtf16 && flags == strictConversion) {
        src += used;
        continue;
      }
      ch = UNI_REPLACEMENT_CHAR;
    }
    size_t need = Length(ch);
    if (static_cast<size_t>(targetEnd - dst) < need) {
      result = targetExhausted;
      break;
    }
    Encode(ch, dst);
    dst += need;
    src += used;
  }
  *sourceStart = src;
  *targetStart = dst;
  return result;
}

}  // namespace

extern "C" {

ConversionResult ConvertUTF8toUTF16(const UTF8** sourceStart, const UTF8* sourceEnd, UTF16** targetStart,
                                    UTF16* targetEnd, ConversionFlags flags) {
  return Convert<UTF8, UTF16, DecodeUtf8, Utf16Length, EncodeUtf16>(sourceStart, sourceEnd, targetStart,
                                                                    targetEnd, flags);
}

ConversionResult ConvertUTF16toUTF8(const UTF16** sourceStart, const UTF16* sourceEnd, UTF8** targetStart,
                                    UTF8* targetEnd, ConversionFlags flags) {
  return Convert<UTF16, UTF8, DecodeUtf16, Utf8Length, EncodeUtf8>(sourceStart, sourceEnd, targetStart,
                                                                   targetEnd, flags);
}

ConversionResult ConvertUTF8toUTF32(const UTF8** sourceStart, const UTF8* sourceEnd, UTF32** targetStart,
                                    UTF32* targetEnd, ConversionFlags flags) {
  return Convert<UTF8, UTF32, DecodeUtf8, Utf32Length, EncodeUtf32>(sourceStart, sourceEnd, targetStart,
                                                                    targetEnd, flags);
}

ConversionResult ConvertUTF32toUTF8(const UTF32** sourceStart, const UTF32* sourceEnd, UTF8** targetStart,
                                    UTF8* targetEnd, ConversionFlags flags) {
  return Convert<UTF32, UTF8, DecodeUtf32, Utf8Length, EncodeUtf8>(sourceStart, sourceEnd, targetStart,
                                                                   targetEnd, flags);
}

ConversionResult ConvertUTF16toUTF32(const UTF16** sourceStart, const UTF16* sourceEnd, UTF32** targetStart,
                                     UTF32* targetEnd, ConversionFlags flags) {
  return Convert<UTF16, UTF32, DecodeUtf16, Utf32Length, EncodeUtf32>(sourceStart, sourceEnd, targetStart,
                                                                      targetEnd, flags);
}

ConversionResult ConvertUTF32toUTF16(const UTF32** sourceStart, const UTF32* sourceEnd, UTF16** targetStart,
                                     UTF16* targetEnd, ConversionFlags flags) {
  return Convert<UTF32, UTF16, DecodeUtf32, Utf16Length, EncodeUtf16>(sourceStart, sourceEnd, targetStart,
                                                                      targetEnd, flags);
}

bool isLegalUTF8Sequence(const UTF8* source, const UTF8* sourceEnd) {
  if (source >= sourceEnd) {
    return false;
  }
  ptrdiff_t length = AnnouncedLength(source[0]);
  return length <= sourceEnd - source && isLegalUTF8(source, length);
}

}  // extern "C"
