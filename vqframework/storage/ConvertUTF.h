// Conversion between UTF-16 and UTF-8 over pointer ranges, the only place where text changes width.
#pragma once

#include <cstdint>

namespace VQ {

using UTF8 = uint8_t;
using UTF16 = char16_t;
using UTF32 = uint32_t;

enum ConversionResult : int32_t {
    ConversionOK = 0,
    SourceExhausted = 1,
    TargetExhausted = 2,
    SourceIllegal = 3,
};

// Only UTF-16 to UTF-8 differs between the modes: lenient writes unpaired surrogates as they stand.
enum ConversionFlags : int32_t {
    StrictConversion = 0,
    LenientConversion = 1,
};

// Both converters advance the cursors past the last character converted completely; when they stop
// early, *sourceStart is on the first unit of the character that stopped them and nothing of it has
// been written. The target is never terminated.
ConversionResult ConvertUTF16ToUTF8(const UTF16** sourceStart, const UTF16* sourceEnd, UTF8** targetStart,
                                    UTF8* targetEnd, ConversionFlags flags);

// Accepts well-formed UTF-8 only, in both modes, and never writes U+FFFD.
ConversionResult ConvertUTF8ToUTF16(const UTF8** sourceStart, const UTF8* sourceEnd, UTF16** targetStart,
                                    UTF16* targetEnd, ConversionFlags flags);

// True when [source, source + length) is one well-formed UTF-8 sequence, length being what its lead
// byte announces.
bool IsLegalUTF8(const UTF8* source, int32_t length);

// The narrow strings hold UTF-8 in plain chars.
inline ConversionResult ConvertUTF16ToUTF8(const UTF16** sourceStart, const UTF16* sourceEnd, char** targetStart,
                                           char* targetEnd, ConversionFlags flags)
{
    UTF8* target = reinterpret_cast<UTF8*>(*targetStart);
    ConversionResult result =
        ConvertUTF16ToUTF8(sourceStart, sourceEnd, &target, reinterpret_cast<UTF8*>(targetEnd), flags);
    *targetStart = reinterpret_cast<char*>(target);
    return result;
}

inline ConversionResult ConvertUTF8ToUTF16(const char** sourceStart, const char* sourceEnd, UTF16** targetStart,
                                           UTF16* targetEnd, ConversionFlags flags)
{
    const UTF8* source = reinterpret_cast<const UTF8*>(*sourceStart);
    ConversionResult result =
        ConvertUTF8ToUTF16(&source, reinterpret_cast<const UTF8*>(sourceEnd), targetStart, targetEnd, flags);
    *sourceStart = reinterpret_cast<const char*>(source);
    return result;
}

inline bool IsLegalUTF8(const char* source, int32_t length)
{
    return IsLegalUTF8(reinterpret_cast<const UTF8*>(source), length);
}

} // namespace VQ
