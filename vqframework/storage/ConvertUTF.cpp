#include "vqframework/storage/ConvertUTF.h"

#include <array>
#include <cstddef>
#include <cstring>

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

// Range of the second byte of a three-byte sequence, by the low four bits of its lead byte (E0 to EF):
// E0 excludes overlong forms, ED the encoded surrogates.
constexpr UTF8 kSecondByteLow[16] = {0xA0, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80,
                                     0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80};
constexpr UTF8 kSecondByteHigh[16] = {0xBF, 0xBF, 0xBF, 0xBF, 0xBF, 0xBF, 0xBF, 0xBF,
                                      0xBF, 0xBF, 0xBF, 0xBF, 0xBF, 0x9F, 0xBF, 0xBF};

constexpr uint64_t kHighBitOfEachByte = 0x8080808080808080ULL;
constexpr uint64_t kNonASCIIBitsOfEachUnit = 0xFF80FF80FF80FF80ULL;

constexpr UTF32 kHighSurrogateStart = 0xD800;
constexpr UTF32 kHighSurrogateEnd = 0xDBFF;
constexpr UTF32 kLowSurrogateStart = 0xDC00;
constexpr UTF32 kLowSurrogateEnd = 0xDFFF;

// What a lead byte allows, for the run decoder: sequence length (0 for a byte that cannot lead),
// the range of the second byte, and the value bits of the lead.
struct LeadByte {
    uint8_t length;
    uint8_t secondLow;
    uint8_t secondHigh;
    uint8_t valueBits;
};

constexpr std::array<LeadByte, 256> MakeLeadBytes()
{
    std::array<LeadByte, 256> table{};
    for (int lead = 0; lead < 256; ++lead) {
        LeadByte info = {0, 1, 0, 0};
        if (lead < 0x80)
            info = {1, 0x00, 0xFF, 0x7F};
        else if (lead >= 0xC2 && lead <= 0xDF)
            info = {2, 0x80, 0xBF, 0x1F};
        else if (lead >= 0xE0 && lead <= 0xEF)
            info = {3, kSecondByteLow[lead & 0x0F], kSecondByteHigh[lead & 0x0F], 0x0F};
        else if (lead >= 0xF0 && lead <= 0xF4)
            info = {4, uint8_t(lead == 0xF0 ? 0x90 : 0x80), uint8_t(lead == 0xF4 ? 0x8F : 0xBF), 0x07};
        table[size_t(lead)] = info;
    }
    return table;
}

constexpr std::array<LeadByte, 256> kLeadBytes = MakeLeadBytes();

// Third and fourth byte, as (third << 8 | fourth), must be continuation bytes as far as the length goes.
constexpr uint32_t kTailMask[5] = {0, 0, 0, 0xC000, 0xC0C0};
constexpr uint32_t kTailValue[5] = {0, 0, 0, 0x8000, 0x8080};

// Decodes well-formed text while at least eight bytes and eight units remain, without a branch that
// depends on the sequence lengths; it leaves everything else, ill-formed bytes included, to the
// character-by-character steps.
inline void DecodeWellFormedRun(const UTF8*& source, const UTF8* sourceEnd, UTF16*& target, UTF16* targetEnd)
{
    while (sourceEnd - source >= 8 && targetEnd - target >= 8) {
        uint64_t bytes;
        std::memcpy(&bytes, source, sizeof bytes);
        if ((bytes & kHighBitOfEachByte) == 0) {
            for (int i = 0; i < 8; ++i)
                target[i] = source[i];
            source += 8;
            target += 8;
            continue;
        }
        const LeadByte lead = kLeadBytes[source[0]];
        const UTF8 second = source[1];
        const uint32_t tail = (uint32_t(source[2]) << 8) | source[3];
        const bool legal = (lead.length != 0) & (second >= lead.secondLow) & (second <= lead.secondHigh) &
                           ((tail & kTailMask[lead.length]) == kTailValue[lead.length]);
        if (!legal)
            return;
        const UTF32 bits = (UTF32(source[0] & lead.valueBits) << 18) | (UTF32(second & 0x3F) << 12) |
                           ((tail & 0x3F00) >> 2) | (tail & 0x3F);
        const UTF32 c = bits >> (6 * (4 - lead.length));
        const bool pair = c > 0xFFFF;
        const UTF32 offset = c - 0x10000;
        // Both stores land on the first unit unless the character needs a pair.
        target[0] = static_cast<UTF16>(pair ? kHighSurrogateStart + (offset >> 10) : c);
        target[pair] = static_cast<UTF16>(pair ? kLowSurrogateStart + (offset & 0x3FF) : c);
        target += 1 + pair;
        source += lead.length;
    }
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
    while (source < sourceEnd) {
        DecodeWellFormedRun(source, sourceEnd, target, targetEnd);
        if (source >= sourceEnd)
            break;
        // The steps for one character, where the run decoder stopped: near either end or at
        // ill-formed bytes.
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
