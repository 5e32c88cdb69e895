// Conversions between UTF-8, UTF-16 and UTF-32.
//
// Each function converts from *sourceStart up to sourceEnd into the target
// from *targetStart up to targetEnd, advances both start pointers past what
// was converted, and tells why it stopped. strictConversion stops at
// ill-formed input (sourceIllegal, pointers before it); lenientConversion
// writes U+FFFD in its place and goes on. A UTF-8 sequence that the source
// end cuts off, by the length its first byte announces, is sourceExhausted
// in both modes, even when the bytes present are already ill-formed. A
// UTF-32 value above U+10FFFF is passed over (towards UTF-8 as U+FFFD,
// towards UTF-16 leniently as U+FFFD, strictly as nothing) and the
// conversion goes on, ending in sourceIllegal where it would have been
// conversionOK; only a lenient conversion to UTF-16 ends in conversionOK.
#ifndef OSTREL_LIB_STRING_CONVERT_UTF_H
#define OSTREL_LIB_STRING_CONVERT_UTF_H

#include <stdint.h>
#ifndef __cplusplus
#include <stdbool.h>
#endif

#include "lib/string/export.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef uint32_t UTF32;
typedef uint16_t UTF16;
typedef uint8_t UTF8;

#define UNI_REPLACEMENT_CHAR ((UTF32)0x0000FFFD)
#define UNI_MAX_BMP ((UTF32)0x0000FFFF)
#define UNI_MAX_UTF16 ((UTF32)0x0010FFFF)
#define UNI_MAX_LEGAL_UTF32 ((UTF32)0x0010FFFF)

typedef enum {
  conversionOK = 0,     // the whole source was converted
  sourceExhausted = 1,  // a sequence is cut off by the source end
  targetExhausted = 2,  // the next character does not fit in the target
  sourceIllegal = 3     // ill-formed source (strict mode)
} ConversionResult;

typedef enum { strictConversion = 0, lenientConversion = 1 } ConversionFlags;

OSTREL_STRING_API ConversionResult ConvertUTF8toUTF16(const UTF8** sourceStart, const UTF8* sourceEnd,
                                                      UTF16** targetStart, UTF16* targetEnd,
                                                      ConversionFlags flags);
OSTREL_STRING_API ConversionResult ConvertUTF16toUTF8(const UTF16** sourceStart, const UTF16* sourceEnd,
                                                      UTF8** targetStart, UTF8* targetEnd,
                                                      ConversionFlags flags);
OSTREL_STRING_API ConversionResult ConvertUTF8toUTF32(const UTF8** sourceStart, const UTF8* sourceEnd,
                                                      UTF32** targetStart, UTF32* targetEnd,
                                                      ConversionFlags flags);
OSTREL_STRING_API ConversionResult ConvertUTF32toUTF8(const UTF32** sourceStart, const UTF32* sourceEnd,
                                                      UTF8** targetStart, UTF8* targetEnd,
                                                      ConversionFlags flags);
OSTREL_STRING_API ConversionResult ConvertUTF16toUTF32(const UTF16** sourceStart, const UTF16* sourceEnd,
                                                       UTF32** targetStart, UTF32* targetEnd,
                                                       ConversionFlags flags);
OSTREL_STRING_API ConversionResult ConvertUTF32toUTF16(const UTF32** sourceStart, const UTF32* sourceEnd,
                                                       UTF16** targetStart, UTF16* targetEnd,
                                                       ConversionFlags flags);

// True when the bytes at source form one well-formed UTF-8 sequence whose
// length, taken from its first byte, fits before sourceEnd.
OSTREL_STRING_API bool isLegalUTF8Sequence(const UTF8* source, const UTF8* sourceEnd);

#ifdef __cplusplus
}
#endif

#endif  // OSTREL_LIB_STRING_CONVERT_UTF_H
