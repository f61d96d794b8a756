#include "vqframework/storage/ConvertUTF.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace VQ {

namespace {

// Continuation bytes announced by a lead byte; 4 and 5 mark forms that are never legal.
constexpr uint8_t kContinuationCount[256] = {
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
    2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 3, 3, 3, 3, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5,
};

// What the marker bits of a sequence with this many continuation bytes add to the summed value.
constexpr UTF32 kDecodeOffset[4] = {0x00000000UL, 0x00003080UL, 0x000E2080UL, 0x03C82080UL};

// Marker bits of the lead byte, by sequence length.
constexpr UTF8 kFirstByteMark[5] = {0x00, 0x00, 0xC0, 0xE0, 0xF0};

constexpr uint64_t kHighBitOfEachByte = 0x8080808080808080ULL;
constexpr uint64_t kNonASCIIBitsOfEachUnit = 0xFF80FF80FF80FF80ULL;

constexpr UTF32 kHighSurrogateStart = 0xD800;
constexpr UTF32 kHighSurrogateEnd = 0xDBFF;
constexpr UTF32 kLowSurrogateStart = 0xDC00;
constexpr UTF32 kLowSurrogateEnd = 0xDFFF;

// The UTF-8 decoder looks at a block of bytes at once to find where ASCII ends: one SSE2 register
// where the target has one, eight bytes one at a time elsewhere.
#if defined(__SSE2__)
using Block = __m128i;
constexpr ptrdiff_t kBlockBytes = 16;

inline Block LoadBlock(const UTF8* source)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(source));
}

// Bit i set when byte i is not ASCII.
inline uint32_t NonASCIIBits(Block block)
{
    return uint32_t(_mm_movemask_epi8(block));
}

// Writes every byte of the block as one unit.
inline void StoreWidened(UTF16* target, Block block)
{
    const __m128i zero = _mm_setzero_si128();
    _mm_storeu_si128(reinterpret_cast<__m128i*>(target), _mm_unpacklo_epi8(block, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(target + 8), _mm_unpackhi_epi8(block, zero));
}
#else
struct Block {
    UTF8 bytes[8];
};
constexpr ptrdiff_t kBlockBytes = 8;

inline Block LoadBlock(const UTF8* source)
{
    Block block;
    std::memcpy(block.bytes, source, sizeof block.bytes);
    return block;
}

inline uint32_t NonASCIIBits(const Block& block)
{
    uint32_t bits = 0;
    for (int i = 0; i < kBlockBytes; ++i)
        bits |= uint32_t(block.bytes[i] >> 7) << i;
    return bits;
}

inline void StoreWidened(UTF16* target, const Block& block)
{
    for (int i = 0; i < kBlockBytes; ++i)
        target[i] = block.bytes[i];
}
#endif

// Source bytes one pass through the staging buffer covers at most.
constexpr ptrdiff_t kStagingBytes = 512;

// Bytes in little-endian order whatever the machine's: byte 0 in the low bits. Compilers make one load
// of this where they can.
inline uint32_t LoadLittle32(const UTF8* bytes)
{
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
}

inline uint64_t LoadLittle64(const UTF8* bytes)
{
    return uint64_t(LoadLittle32(bytes)) | uint64_t(LoadLittle32(bytes + 4)) << 32;
}

// The value of a three-byte form in the low 24 bits, its marker bits already checked.
inline UTF32 ThreeByteValue(uint32_t bytes)
{
    return ((bytes & 0x0F) << 12) | ((bytes & 0x3F00) >> 2) | ((bytes >> 16) & 0x3F);
}

// Below U+0800 the form is overlong; the surrogates have no encoding of their own.
inline bool IsThreeByteScalar(UTF32 c)
{
    return (c >= 0x800) & ((c & 0xF800) != kHighSurrogateStart);
}

// Decodes two three-byte forms in a row, the usual case in CJK text, and returns false, moving nothing,
// when the next six bytes are anything else. Reads eight bytes.
inline bool DecodeTwoThreeByteForms(const UTF8*& source, UTF16*& out)
{
    const uint64_t bytes = LoadLittle64(source);
    if ((bytes & 0xC0C0F0C0C0F0ULL) != 0x8080E08080E0ULL)
        return false;
    const UTF32 first = ThreeByteValue(uint32_t(bytes));
    const UTF32 second = ThreeByteValue(uint32_t(bytes >> 24));
    if (!IsThreeByteScalar(first) || !IsThreeByteScalar(second))
        return false;
    out[0] = static_cast<UTF16>(first);
    out[1] = static_cast<UTF16>(second);
    out += 2;
    source += 6;
    return true;
}

// Decodes the well-formed sequence of two to four bytes at `source`, whose lead byte is not ASCII, and
// returns false, moving nothing, when it is ill-formed. Reads four bytes whatever its length.
inline bool DecodeMultiByte(const UTF8*& source, UTF16*& out)
{
    const uint32_t bytes = LoadLittle32(source);
    const UTF32 lead = bytes & 0xFF;
    if (lead < 0xE0) {
        // C0 and C1 only start overlong forms.
        if (((bytes & 0xC0E0) != 0x80C0) | (lead < 0xC2))
            return false;
        *out++ = static_cast<UTF16>(((lead & 0x1F) << 6) | ((bytes >> 8) & 0x3F));
        source += 2;
        return true;
    }
    if (lead < 0xF0) {
        const UTF32 c = ThreeByteValue(bytes);
        if (((bytes & 0xC0C0F0) != 0x8080E0) | !IsThreeByteScalar(c))
            return false;
        *out++ = static_cast<UTF16>(c);
        source += 3;
        return true;
    }
    const UTF32 c = ((bytes & 0x07) << 18) | ((bytes & 0x3F00) << 4) | ((bytes & 0x3F0000) >> 10) |
                    ((bytes >> 24) & 0x3F);
    // F5 to F7 lead to values past U+10FFFF, F8 and above to no four-byte form.
    if (((bytes & 0xC0C0C0F8) != 0x808080F0) | (c < 0x10000) | (c > 0x10FFFF))
        return false;
    out[0] = static_cast<UTF16>(kHighSurrogateStart + ((c - 0x10000) >> 10));
    out[1] = static_cast<UTF16>(kLowSurrogateStart + ((c - 0x10000) & 0x3FF));
    out += 2;
    source += 4;
    return true;
}

// Decodes well-formed text from `source` until it reaches `limit`, stopping early before the first
// sequence that is ill-formed or runs into bytes that cannot continue it. Reads and consumes up to
// kBlockBytes - 1 bytes past `limit`; writes no more units than bytes consumed, plus up to kBlockBytes
// units of scratch after the last.
inline void DecodeToStaging(const UTF8*& source, const UTF8* limit, UTF16*& out)
{
    const UTF8* s = source;
    UTF16* o = out;
    while (s < limit) {
        // Every byte of the block goes out as a unit; what follows the ASCII run is overwritten.
        const Block block = LoadBlock(s);
        StoreWidened(o, block);
        const uint32_t nonASCII = NonASCIIBits(block);
        if (nonASCII == 0) {
            s += kBlockBytes;
            o += kBlockBytes;
            continue;
        }
        const int ascii = std::countr_zero(nonASCII);
        s += ascii;
        o += ascii;
        // The ASCII run may have ended past the limit, where no more is read.
        while (s < limit && *s >= 0x80) {
            if (!DecodeTwoThreeByteForms(s, o) && !DecodeMultiByte(s, o)) {
                source = s;
                out = o;
                return;
            }
        }
    }
    source = s;
    out = o;
}

// Decodes well-formed text as far as it goes and leaves the rest to the character steps: the last bytes
// (less than a block, or than the target has room for) and ill-formed bytes. Nothing is written past
// the units decoded: ASCII blocks go straight to the target, everything else through a staging buffer
// that the block steps may overrun.
inline void DecodeWellFormedRun(const UTF8*& sourceStart, const UTF8* sourceEnd, UTF16*& targetStart,
                                UTF16* targetEnd)
{
    const UTF8* source = sourceStart;
    UTF16* target = targetStart;
    UTF16 staging[kStagingBytes + 2 * kBlockBytes];
    for (;;) {
        const ptrdiff_t sourceLeft = sourceEnd - source;
        const ptrdiff_t targetLeft = targetEnd - target;
        if (sourceLeft >= kBlockBytes && targetLeft >= kBlockBytes) {
            const Block block = LoadBlock(source);
            if (NonASCIIBits(block) == 0) {
                StoreWidened(target, block);
                source += kBlockBytes;
                target += kBlockBytes;
                continue;
            }
        }

        // The staging steps read and consume up to a block past their limit: leave that much of the
        // source and of the target.
        const ptrdiff_t span = std::min({kStagingBytes, sourceLeft, targetLeft}) - (kBlockBytes - 1);
        if (span <= 0)
            break;
        const UTF8* const limit = source + span;
        UTF16* out = staging;
        DecodeToStaging(source, limit, out);
        std::memcpy(target, staging, size_t(out - staging) * sizeof(UTF16));
        target += out - staging;
        // Stopped short of the limit: ill-formed bytes are next.
        if (source < limit) {
            sourceStart = source;
            targetStart = target;
            return;
        }
    }
    // Short texts are often ASCII: less than a block of it still goes eight bytes at a time.
    while (sourceEnd - source >= 8 && targetEnd - target >= 8) {
        uint64_t bytes;
        std::memcpy(&bytes, source, sizeof bytes);
        if (bytes & kHighBitOfEachByte)
            break;
        for (int i = 0; i < 8; ++i)
            target[i] = source[i];
        source += 8;
        target += 8;
    }
    sourceStart = source;
    targetStart = target;
}

} // namespace

bool IsLegalUTF8(const UTF8* source, int32_t length)
{
    if (length < 1 || length > 4)
        return false;
    UTF8 byte;
    switch (length) {
    case 4:
        byte = source[3];
        if (byte < 0x80 || byte > 0xBF)
            return false;
        [[fallthrough]];
    case 3:
        byte = source[2];
        if (byte < 0x80 || byte > 0xBF)
            return false;
        [[fallthrough]];
    case 2:
        byte = source[1];
        if (byte > 0xBF)
            return false;
        switch (source[0]) {
        case 0xE0:
            if (byte < 0xA0)
                return false;
            break;
        // The upper bounds alone would let an ASCII byte pass as a continuation byte.
        case 0xED:
            if (byte < 0x80 || byte > 0x9F)
                return false;
            break;
        case 0xF0:
            if (byte < 0x90)
                return false;
            break;
        case 0xF4:
            if (byte < 0x80 || byte > 0x8F)
                return false;
            break;
        default:
            if (byte < 0x80)
                return false;
        }
        [[fallthrough]];
    default:
        if (source[0] >= 0x80 && source[0] < 0xC2)
            return false;
    }
    return source[0] <= 0xF4;
}

ConversionResult ConvertUTF16ToUTF8(const UTF16** sourceStart, const UTF16* sourceEnd, UTF8** targetStart,
                                    UTF8* targetEnd, ConversionFlags flags)
{
    ConversionResult result = ConversionOK;
    const UTF16* source = *sourceStart;
    UTF8* target = *targetStart;
    while (source < sourceEnd) {
        UTF32 c = *source;
        if (c < 0x80) {
            // Most text is ASCII: after one unit, copy runs of it four units at a time.
            if (target >= targetEnd) {
                result = TargetExhausted;
                break;
            }
            *target++ = static_cast<UTF8>(c);
            ++source;
            while (sourceEnd - source >= 4 && targetEnd - target >= 4) {
                uint64_t units;
                std::memcpy(&units, source, sizeof units);
                if (units & kNonASCIIBitsOfEachUnit)
                    break;
                target[0] = static_cast<UTF8>(source[0]);
                target[1] = static_cast<UTF8>(source[1]);
                target[2] = static_cast<UTF8>(source[2]);
                target[3] = static_cast<UTF8>(source[3]);
                source += 4;
                target += 4;
            }
            continue;
        }

        // Units outside the surrogate range take the short way; the general steps below give the same bytes.
        if (c < 0x800) {
            if (targetEnd - target < 2) {
                result = TargetExhausted;
                break;
            }
            target[0] = static_cast<UTF8>(0xC0 | (c >> 6));
            target[1] = static_cast<UTF8>(0x80 | (c & 0x3F));
            target += 2;
            ++source;
            continue;
        }
        if (c < kHighSurrogateStart || c > kLowSurrogateEnd) {
            if (targetEnd - target < 3) {
                result = TargetExhausted;
                break;
            }
            target[0] = static_cast<UTF8>(0xE0 | (c >> 12));
            target[1] = static_cast<UTF8>(0x80 | ((c >> 6) & 0x3F));
            target[2] = static_cast<UTF8>(0x80 | (c & 0x3F));
            target += 3;
            ++source;
            continue;
        }

        const UTF16* characterStart = source;
        ++source;
        if (c >= kHighSurrogateStart && c <= kHighSurrogateEnd) {
            if (source >= sourceEnd) {
                source = characterStart;
                result = SourceExhausted;
                break;
            }
            const UTF32 next = *source;
            if (next >= kLowSurrogateStart && next <= kLowSurrogateEnd) {
                c = ((c - kHighSurrogateStart) << 10) + (next - kLowSurrogateStart) + 0x10000;
                ++source;
            } else if (flags == StrictConversion) {
                source = characterStart;
                result = SourceIllegal;
                break;
            }
        } else if (flags == StrictConversion && c >= kLowSurrogateStart && c <= kLowSurrogateEnd) {
            source = characterStart;
            result = SourceIllegal;
            break;
        }

        const int byteCount = c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
        if (targetEnd - target < byteCount) {
            source = characterStart;
            result = TargetExhausted;
            break;
        }
        target += byteCount;
        switch (byteCount) {
        case 4:
            *--target = static_cast<UTF8>((c & 0x3F) | 0x80);
            c >>= 6;
            [[fallthrough]];
        case 3:
            *--target = static_cast<UTF8>((c & 0x3F) | 0x80);
            c >>= 6;
            [[fallthrough]];
        default:
            *--target = static_cast<UTF8>((c & 0x3F) | 0x80);
            c >>= 6;
            *--target = static_cast<UTF8>(c | kFirstByteMark[byteCount]);
        }
        target += byteCount;
    }
    *sourceStart = source;
    *targetStart = target;
    return result;
}

ConversionResult ConvertUTF8ToUTF16(const UTF8** sourceStart, const UTF8* sourceEnd, UTF16** targetStart,
                                    UTF16* targetEnd, ConversionFlags)
{
    ConversionResult result = ConversionOK;
    const UTF8* source = *sourceStart;
    UTF16* target = *targetStart;
    DecodeWellFormedRun(source, sourceEnd, target, targetEnd);
    // The steps for one character at a time, where the run decoder stopped: near either end or at
    // ill-formed bytes.
    while (source < sourceEnd) {
        const UTF8 lead = *source;
        if (lead < 0x80) {
            if (target >= targetEnd) {
                result = TargetExhausted;
                break;
            }
            *target++ = lead;
            ++source;
            continue;
        }
        if (sourceEnd - source >= 4 && targetEnd - target >= 2 && DecodeMultiByte(source, target))
            continue;

        // A sequence cut off by the end of the range counts as exhausted, even when it is also
        // ill-formed.
        const int continuationCount = kContinuationCount[lead];
        if (continuationCount >= sourceEnd - source) {
            result = SourceExhausted;
            break;
        }
        if (!IsLegalUTF8(source, continuationCount + 1)) {
            result = SourceIllegal;
            break;
        }
        if (target >= targetEnd) {
            result = TargetExhausted;
            break;
        }
        UTF32 c = 0;
        switch (continuationCount) {
        case 3:
            c = (c + source[0]) << 6;
            ++source;
            [[fallthrough]];
        case 2:
            c = (c + source[0]) << 6;
            ++source;
            [[fallthrough]];
        default:
            c = (c + source[0]) << 6;
            c += source[1];
            source += 2;
        }
        c -= kDecodeOffset[continuationCount];
        if (c <= 0xFFFF) {
            *target++ = static_cast<UTF16>(c);
        } else {
            if (targetEnd - target < 2) {
                source -= continuationCount + 1;
                result = TargetExhausted;
                break;
            }
            c -= 0x10000;
            *target++ = static_cast<UTF16>(kHighSurrogateStart + (c >> 10));
            *target++ = static_cast<UTF16>(kLowSurrogateStart + (c & 0x3FF));
        }
    }
    *sourceStart = source;
    *targetStart = target;
    return result;
}

} // namespace VQ
