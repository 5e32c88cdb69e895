// Conversions between UTF-8, UTF-16 and UTF-32.
//
// Every conversion decodes one scalar value from the source, then encodes it
// into the target; the decoders and encoders below are the only places that
// know an encoding. Ill-formed input is recognised as Unicode's Table 3-7
// (well-formed UTF-8 byte sequences) and section 3.9 describe it: each
// maximal ill-formed subpart counts as one error, replaced by one U+FFFD in
// lenient mode.
#include "lib/string/convert_utf.h"

#include <stddef.h>

namespace {

constexpr UTF32 kHighSurrogateStart = 0xD800;
constexpr UTF32 kHighSurrogateEnd = 0xDBFF;
constexpr UTF32 kLowSurrogateStart = 0xDC00;
constexpr UTF32 kLowSurrogateEnd = 0xDFFF;
constexpr UTF32 kSupplementaryStart = 0x10000;

enum class Decoded {
  kOk,         // *ch holds a scalar value, *used units were read
  kTruncated,  // the units up to the source end start a valid sequence
  kIllegal,    // *used units form an ill-formed subpart
};

bool IsSurrogate(UTF32 ch) {
  return ch >= kHighSurrogateStart && ch <= kLowSurrogateEnd;
}

// --- UTF-8 ---------------------------------------------------------------

// Length of the sequence a lead byte starts and the allowed range of the
// byte after it; 0 for bytes that cannot start a sequence.
struct Utf8Lead {
  int length;
  UTF8 secondLow;
  UTF8 secondHigh;
};

Utf8Lead LeadInfo(UTF8 b) {
  if (b < 0x80) {
    return {1, 0, 0};
  }
  if (b >= 0xC2 && b <= 0xDF) {
    return {2, 0x80, 0xBF};
  }
  if (b == 0xE0) {
    return {3, 0xA0, 0xBF};  // no overlong forms
  }
  if (b == 0xED) {
    return {3, 0x80, 0x9F};  // no surrogates
  }
  if (b >= 0xE1 && b <= 0xEF) {
    return {3, 0x80, 0xBF};
  }
  if (b == 0xF0) {
    return {4, 0x90, 0xBF};  // no overlong forms
  }
  if (b >= 0xF1 && b <= 0xF3) {
    return {4, 0x80, 0xBF};
  }
  if (b == 0xF4) {
    return {4, 0x80, 0x8F};  // nothing above U+10FFFF
  }
  return {0, 0, 0};
}

Decoded DecodeUtf8(const UTF8* src, const UTF8* end, UTF32* ch, size_t* used) {
  Utf8Lead lead = LeadInfo(src[0]);
  if (lead.length == 0) {
    *used = 1;
    return Decoded::kIllegal;
  }
  static const UTF8 kLeadMask[5] = {0, 0x7F, 0x1F, 0x0F, 0x07};
  UTF32 value = src[0] & kLeadMask[lead.length];
  for (int i = 1; i < lead.length; i++) {
    if (src + i == end) {
      return Decoded::kTruncated;
    }
    UTF8 low = i == 1 ? lead.secondLow : 0x80;
    UTF8 high = i == 1 ? lead.secondHigh : 0xBF;
    if (src[i] < low || src[i] > high) {
      *used = static_cast<size_t>(i);
      return Decoded::kIllegal;
    }
    value = (value << 6) | (src[i] & 0x3F);
  }
  *ch = value;
  *used = static_cast<size_t>(lead.length);
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

// True when the `length` bytes at source form one well-formed sequence of
// exactly that length.
bool isLegalUTF8(const UTF8* source, ptrdiff_t length) {
  UTF32 ch = 0;
  size_t used = 0;
  return DecodeUtf8(source, source + length, &ch, &used) == Decoded::kOk &&
         used == static_cast<size_t>(length);
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
  if (IsSurrogate(*src) || *src > UNI_MAX_LEGAL_UTF32) {
    return Decoded::kIllegal;
  }
  *ch = *src;
  return Decoded::kOk;
}

size_t Utf32Length(UTF32) {
  return 1;
}

void EncodeUtf32(UTF32 ch, UTF32* dst) {
  *dst = ch;
}

// --- One loop for all six directions ------------------------------------

template <typename From, typename To, Decoded (*Decode)(const From*, const From*, UTF32*, size_t*),
          size_t (*Length)(UTF32), void (*Encode)(UTF32, To*)>
ConversionResult Convert(const From** sourceStart, const From* sourceEnd, To** targetStart, To* targetEnd,
                         ConversionFlags flags) {
  ConversionResult result = conversionOK;
  const From* src = *sourceStart;
  To* dst = *targetStart;
  while (src < sourceEnd) {
    UTF32 ch = 0;
    size_t used = 0;
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
  if (source == nullptr || source >= sourceEnd) {
    return false;
  }
  // The length a first byte announces, as the classic trailing-bytes table
  // has it: 5- and 6-byte forms are never legal.
  UTF8 first = source[0];
  ptrdiff_t length = first < 0xC0 ? 1 : first < 0xE0 ? 2 : first < 0xF0 ? 3 : first < 0xF8 ? 4 : 5;
  return length <= sourceEnd - source && isLegalUTF8(source, length);
}

}  // extern "C"
