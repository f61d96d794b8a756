#include "vqframework/storage/ConvertUTF.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace VQ {
namespace {

using Bytes = std::vector<UTF8>;
using Units = std::u16string;

// Well-formed byte sequences as the Unicode Standard tabulates them, written independently of the
// converter: per lead byte, the allowed range of the second byte.
bool IsWellFormedSequence(const UTF8* s, size_t size)
{
    const UTF8 lead = s[0];
    size_t length;
    UTF8 low = 0x80;
    UTF8 high = 0xBF;
    if (lead <= 0x7F)
        length = 1;
    else if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F;
    } else
        return false;
    if (size != length)
        return false;
    if (length > 1 && (s[1] < low || s[1] > high))
        return false;
    for (size_t i = 2; i < length; ++i)
        if (s[i] < 0x80 || s[i] > 0xBF)
            return false;
    return true;
}

bool IsWellFormedSequence(const Bytes& s)
{
    return IsWellFormedSequence(s.data(), s.size());
}

size_t AnnouncedLength(UTF8 lead)
{
    if (lead < 0xC0)
        return 1;
    if (lead < 0xE0)
        return 2;
    if (lead < 0xF0)
        return 3;
    if (lead < 0xF8)
        return 4;
    return lead < 0xFC ? 5 : 6;
}

Bytes EncodeOracle(UTF32 c)
{
    if (c < 0x80)
        return {UTF8(c)};
    if (c < 0x800)
        return {UTF8(0xC0 | (c >> 6)), UTF8(0x80 | (c & 0x3F))};
    if (c < 0x10000)
        return {UTF8(0xE0 | (c >> 12)), UTF8(0x80 | ((c >> 6) & 0x3F)), UTF8(0x80 | (c & 0x3F))};
    return {UTF8(0xF0 | (c >> 18)), UTF8(0x80 | ((c >> 12) & 0x3F)), UTF8(0x80 | ((c >> 6) & 0x3F)),
            UTF8(0x80 | (c & 0x3F))};
}

std::string Hex(const Bytes& bytes)
{
    std::string text;
    char item[4];
    for (UTF8 b : bytes) {
        std::snprintf(item, sizeof item, "%02X ", b);
        text += item;
    }
    return text;
}

struct Utf8Run {
    ConversionResult result;
    size_t consumed;
    Units output;
};

Utf8Run RunUTF8ToUTF16(const Bytes& input, size_t targetUnits, ConversionFlags flags = LenientConversion)
{
    // Guard units after the target catch writes beyond its end.
    std::vector<UTF16> target(targetUnits + 4, u'\xAAAA');
    const UTF8* source = input.data();
    UTF16* out = target.data();
    ConversionResult result =
        ConvertUTF8ToUTF16(&source, input.data() + input.size(), &out, target.data() + targetUnits, flags);
    for (size_t i = targetUnits; i < target.size(); ++i)
        EXPECT_EQ(target[i], u'\xAAAA') << "written past the target end";
    for (size_t i = size_t(out - target.data()); i < targetUnits; ++i)
        EXPECT_EQ(target[i], u'\xAAAA') << "written past the target cursor";
    return {result, size_t(source - input.data()), Units(target.data(), out)};
}

Utf8Run RunUTF8ToUTF16(const Bytes& input)
{
    return RunUTF8ToUTF16(input, input.size());
}

struct Utf16Run {
    ConversionResult result;
    size_t consumed;
    Bytes output;
};

Utf16Run RunUTF16ToUTF8(const Units& input, size_t targetBytes, ConversionFlags flags)
{
    Bytes target(targetBytes + 4, 0xAA);
    const UTF16* source = input.data();
    UTF8* out = target.data();
    ConversionResult result =
        ConvertUTF16ToUTF8(&source, input.data() + input.size(), &out, target.data() + targetBytes, flags);
    for (size_t i = size_t(out - target.data()); i < target.size(); ++i)
        EXPECT_EQ(target[i], 0xAA) << "written past the target cursor";
    return {result, size_t(source - input.data()), Bytes(target.data(), out)};
}

Utf16Run RunUTF16ToUTF8(const Units& input, ConversionFlags flags = LenientConversion)
{
    return RunUTF16ToUTF8(input, input.size() * 3, flags);
}

TEST(IsLegalUTF8Test, AcceptsExactlyWellFormedSequencesOfTheAnnouncedLength)
{
    const UTF8 boundaries[] = {0x00, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xFF};
    for (int lead = 0; lead < 256; ++lead) {
        const size_t length = AnnouncedLength(UTF8(lead));
        for (int second = 0; second < 256; ++second)
            for (UTF8 third : boundaries)
                for (UTF8 fourth : boundaries) {
                    Bytes s = {UTF8(lead), UTF8(second), third, fourth, 0x80, 0x80};
                    s.resize(length);
                    ASSERT_EQ(IsLegalUTF8(s.data(), int32_t(length)), IsWellFormedSequence(s)) << Hex(s);
                }
    }
}

TEST(IsLegalUTF8Test, RejectsLengthsOutsideOneToFour)
{
    const UTF8 bytes[6] = {0x41, 0x80, 0x80, 0x80, 0x80, 0x80};
    EXPECT_FALSE(IsLegalUTF8(bytes, 0));
    EXPECT_FALSE(IsLegalUTF8(bytes, -1));
    EXPECT_FALSE(IsLegalUTF8(bytes, 5));
    EXPECT_TRUE(IsLegalUTF8(bytes, 1));
    const char narrow[] = "\xF0\x9F\x98\x80";
    EXPECT_TRUE(IsLegalUTF8(narrow, 4));
}

struct Utf8Case {
    const char* name;
    Bytes input;
    ConversionResult result;
    size_t consumed;
    Units output;
};

class UTF8ToUTF16CaseTest : public testing::TestWithParam<Utf8Case> {};

TEST_P(UTF8ToUTF16CaseTest, GivesResultCursorAndPrefix)
{
    const Utf8Case& c = GetParam();
    for (ConversionFlags flags : {StrictConversion, LenientConversion}) {
        Utf8Run run = RunUTF8ToUTF16(c.input, c.input.size() + 1, flags);
        EXPECT_EQ(run.result, c.result) << Hex(c.input);
        EXPECT_EQ(run.consumed, c.consumed) << Hex(c.input);
        EXPECT_EQ(run.output, c.output) << Hex(c.input);
        EXPECT_EQ(run.output.find(u'\xFFFD'), Units::npos);
    }
}

const Utf8Case kUtf8Cases[] = {
    {"Empty", {}, ConversionOK, 0, u""},
    {"Ascii", {0x41, 0x42, 0x00, 0x7F}, ConversionOK, 4, Units(u"AB\0\x7F", 4)},
    {"TwoThreeFourBytes",
     {0xC2, 0x80, 0xDF, 0xBF, 0xE0, 0xA0, 0x80, 0xEF, 0xBF, 0xBF, 0xF0, 0x90, 0x80, 0x80, 0xF4, 0x8F, 0xBF, 0xBF},
     ConversionOK, 18, u"\x0080\x07FF\x0800\xFFFF\U00010000\U0010FFFF"},
    {"EmojiToSurrogatePair", {0xF0, 0x9F, 0x98, 0x80}, ConversionOK, 4, u"\U0001F600"},
    {"LastScalarsAroundSurrogates", {0xED, 0x9F, 0xBF, 0xEE, 0x80, 0x80}, ConversionOK, 6, u"\xD7FF\xE000"},
    {"IllFormedSecondByte", {0x41, 0x42, 0xC3, 0x28, 0x43, 0x44}, SourceIllegal, 2, u"AB"},
    {"OverlongTwoByteC0", {0x41, 0xC0, 0x80, 0x42}, SourceIllegal, 1, u"A"},
    {"OverlongTwoByteC1", {0x41, 0xC1, 0xBF, 0x42}, SourceIllegal, 1, u"A"},
    {"OverlongThreeByte", {0x41, 0xE0, 0x80, 0x80, 0x42}, SourceIllegal, 1, u"A"},
    {"OverlongThreeByteHighest", {0x41, 0xE0, 0x9F, 0xBF, 0x42}, SourceIllegal, 1, u"A"},
    {"OverlongFourByte", {0x41, 0xF0, 0x80, 0x80, 0x80, 0x42}, SourceIllegal, 1, u"A"},
    {"OverlongFourByteHighest", {0x41, 0xF0, 0x8F, 0xBF, 0xBF, 0x42}, SourceIllegal, 1, u"A"},
    {"EncodedHighSurrogate", {0x41, 0xED, 0xA0, 0x80, 0x42}, SourceIllegal, 1, u"A"},
    {"EncodedLowSurrogate", {0x41, 0xED, 0xBF, 0xBF, 0x42}, SourceIllegal, 1, u"A"},
    {"LeadEDWithAsciiSecondByte", {0x41, 0xED, 0x28, 0x80, 0x42}, SourceIllegal, 1, u"A"},
    {"LeadF4WithNulSecondByte", {0x41, 0xF4, 0x00, 0x80, 0x80, 0x42}, SourceIllegal, 1, u"A"},
    {"AboveLastScalar", {0x41, 0xF4, 0x90, 0x80, 0x80, 0x42}, SourceIllegal, 1, u"A"},
    {"LeadF5", {0x41, 0xF5, 0x80, 0x80, 0x80, 0x42}, SourceIllegal, 1, u"A"},
    {"LeadF7", {0x41, 0xF7, 0xBF, 0xBF, 0xBF, 0x42}, SourceIllegal, 1, u"A"},
    {"LeadF8FiveByteForm", {0x41, 0xF8, 0x88, 0x80, 0x80, 0x80, 0x42}, SourceIllegal, 1, u"A"},
    {"LeadFCSixByteForm", {0x41, 0xFC, 0x84, 0x80, 0x80, 0x80, 0x80, 0x42}, SourceIllegal, 1, u"A"},
    {"LeadFF", {0x41, 0xFF, 0x80, 0x80, 0x80, 0x80, 0x80, 0x42}, SourceIllegal, 1, u"A"},
    {"StrayContinuation80", {0x41, 0x80, 0x42}, SourceIllegal, 1, u"A"},
    {"StrayContinuationBF", {0x41, 0xBF, 0x42}, SourceIllegal, 1, u"A"},
    {"ContinuationAfterComplete", {0xC3, 0xA9, 0x80}, SourceIllegal, 2, u"\x00E9"},
    {"ThreeByteCutAtRangeEnd", {0x41, 0xE2, 0x82}, SourceExhausted, 1, u"A"},
    {"FourByteCutAtRangeEnd", {0x41, 0xF0, 0x9F, 0x98}, SourceExhausted, 1, u"A"},
    {"LeadAloneAtRangeEnd", {0x41, 0xC3}, SourceExhausted, 1, u"A"},
    {"ThreeByteCutByTerminator", {0x41, 0xE2, 0x82, 0x00}, SourceIllegal, 1, u"A"},
    {"LeadAnnouncesMoreThanRemainWithTerminator", {0x41, 0xF0, 0x9F, 0x00}, SourceExhausted, 1, u"A"},
    {"CutIllFormedCountsAsExhausted", {0x41, 0xE2, 0x28}, SourceExhausted, 1, u"A"},
    {"FiveByteLeadAtRangeEnd", {0x41, 0xFF}, SourceExhausted, 1, u"A"},
};

INSTANTIATE_TEST_SUITE_P(Cases, UTF8ToUTF16CaseTest, testing::ValuesIn(kUtf8Cases),
                         [](const testing::TestParamInfo<Utf8Case>& info) { return std::string(info.param.name); });

TEST(ConvertUTF8ToUTF16Test, StopsAtEveryIllFormedSequenceAsTheStandardDefines)
{
    const UTF8 boundaries[] = {0x00, 0x41, 0x7F, 0x80, 0xBF, 0xC0, 0xFF};
    const UTF8 plain[] = {0x7A};
    for (int lead = 0x80; lead < 256; ++lead) {
        const size_t length = AnnouncedLength(UTF8(lead));
        for (int second = 0; second < 256; ++second)
            for (UTF8 third : boundaries)
                for (UTF8 fourth : lead >= 0xF0 ? std::vector<UTF8>(std::begin(boundaries), std::end(boundaries))
                                                : std::vector<UTF8>(std::begin(plain), std::end(plain))) {
                    const Bytes sequence = {UTF8(lead), UTF8(second), third, fourth};
                    const Bytes announced(sequence.begin(), sequence.begin() + std::min<size_t>(length, 4));
                    const bool wellFormed = length <= 4 && IsWellFormedSequence(announced);
                    // Ten ASCII bytes in front; a long tail lets the sequence be decoded in a run of
                    // well-formed text, a short one character by character.
                    for (size_t tail : {3, 12}) {
                        Bytes input(10 + sequence.size() + tail, 0x7A);
                        std::fill_n(input.begin(), 10, 0x61);
                        std::copy(sequence.begin(), sequence.end(), input.begin() + 10);
                        const Utf8Run run = RunUTF8ToUTF16(input);
                        if (wellFormed) {
                            ASSERT_GE(run.consumed, 10 + length) << Hex(sequence);
                        } else {
                            const bool cut = 10 + length > input.size();
                            ASSERT_EQ(run.result, cut ? SourceExhausted : SourceIllegal) << Hex(sequence);
                            ASSERT_EQ(run.consumed, 10u) << Hex(sequence);
                            ASSERT_EQ(run.output, u"aaaaaaaaaa") << Hex(sequence);
                        }
                    }
                }
    }
}

TEST(ConvertUTF8ToUTF16Test, RoundTripsEveryScalarValueThroughBothConverters)
{
    Units wide;
    Bytes expected;
    for (UTF32 c = 0; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        if (c < 0x10000) {
            wide += char16_t(c);
        } else {
            wide += char16_t(0xD800 + ((c - 0x10000) >> 10));
            wide += char16_t(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
        const Bytes encoded = EncodeOracle(c);
        expected.insert(expected.end(), encoded.begin(), encoded.end());
    }
    const Utf16Run narrow = RunUTF16ToUTF8(wide, StrictConversion);
    ASSERT_EQ(narrow.result, ConversionOK);
    ASSERT_EQ(narrow.consumed, wide.size());
    ASSERT_TRUE(narrow.output == expected);

    const Utf8Run back = RunUTF8ToUTF16(narrow.output);
    ASSERT_EQ(back.result, ConversionOK);
    ASSERT_EQ(back.consumed, narrow.output.size());
    ASSERT_TRUE(back.output == wide);
}

TEST(ConvertUTF8ToUTF16Test, StopsExactlyAtAnIllFormedByteAtAnyOffsetOfAnAsciiRun)
{
    for (size_t at = 0; at < 40; ++at)
        for (UTF8 bad : {UTF8(0x80), UTF8(0xC0), UTF8(0xFF)}) {
            Bytes input(48, 0x41);
            input[at] = bad;
            const Utf8Run run = RunUTF8ToUTF16(input);
            EXPECT_EQ(run.result, SourceIllegal) << at;
            EXPECT_EQ(run.consumed, at);
            EXPECT_EQ(run.output, Units(at, u'A'));
        }
}

struct TargetCase {
    const char* name;
    Bytes input;
    size_t targetUnits;
    ConversionResult result;
    size_t consumed;
    Units output;
};

TEST(ConvertUTF8ToUTF16Test, StopsBeforeACharacterThatDoesNotFitTheTarget)
{
    const TargetCase cases[] = {
        {"PairOneUnitShort", {0x41, 0xF0, 0x9F, 0x98, 0x80}, 2, TargetExhausted, 1, u"A"},
        {"PairNoRoom", {0x41, 0xF0, 0x9F, 0x98, 0x80}, 1, TargetExhausted, 1, u"A"},
        {"PairFitsExactly", {0x41, 0xF0, 0x9F, 0x98, 0x80}, 3, ConversionOK, 5, u"A\U0001F600"},
        {"TwoByteNoRoom", {0x41, 0xC3, 0xA9}, 1, TargetExhausted, 1, u"A"},
        {"ThreeByteNoRoom", {0x41, 0xE2, 0x82, 0xAC}, 1, TargetExhausted, 1, u"A"},
        {"IllFormedTwoByteReportedBeforeFullTarget", {0x41, 0xC3, 0x28}, 1, SourceIllegal, 1, u"A"},
        {"AsciiRunLongerThanTarget", Bytes(40, 0x62), 13, TargetExhausted, 13, Units(13, u'b')},
        {"EmptyTarget", {0x41}, 0, TargetExhausted, 0, u""},
        {"IllegalReportedBeforeFullTarget", {0x41, 0x80}, 1, SourceIllegal, 1, u"A"},
        {"CutReportedBeforeFullTarget", {0x41, 0xE2, 0x82}, 1, SourceExhausted, 1, u"A"},
    };
    for (const TargetCase& c : cases) {
        const Utf8Run run = RunUTF8ToUTF16(c.input, c.targetUnits);
        EXPECT_EQ(run.result, c.result) << c.name;
        EXPECT_EQ(run.consumed, c.consumed) << c.name;
        EXPECT_EQ(run.output, c.output) << c.name;
    }
}

// The converters' steps, one character at a time, without any fast path.
Utf8Run ReferenceUTF8ToUTF16(const Bytes& input, size_t targetUnits)
{
    Utf8Run run{ConversionOK, 0, u""};
    size_t i = 0;
    while (i < input.size()) {
        const size_t length = AnnouncedLength(input[i]);
        if (i + length - 1 >= input.size()) {
            run.result = SourceExhausted;
            break;
        }
        const UTF8* sequence = input.data() + i;
        if (!IsWellFormedSequence(sequence, length)) {
            run.result = SourceIllegal;
            break;
        }
        UTF32 c = length == 1 ? sequence[0] : sequence[0] & (0x7F >> length);
        for (size_t k = 1; k < length; ++k)
            c = (c << 6) | (sequence[k] & 0x3F);
        if (run.output.size() + (c < 0x10000 ? 1 : 2) > targetUnits) {
            run.result = TargetExhausted;
            break;
        }
        if (c < 0x10000)
            run.output += char16_t(c);
        else {
            run.output += char16_t(0xD800 + ((c - 0x10000) >> 10));
            run.output += char16_t(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
        i += length;
    }
    run.consumed = i;
    return run;
}

TEST(ConvertUTF8ToUTF16Test, AgreesWithTheCharacterByCharacterStepsOnRandomTexts)
{
    const std::vector<Bytes> pieces = {
        {0x41}, {0x42}, {0x00}, {0x7F}, {0xC3, 0xA9}, {0xDF, 0xBF}, {0xE2, 0x82, 0xAC}, {0xED, 0x9F, 0xBF},
        {0xF0, 0x9F, 0x98, 0x80}, {0xF4, 0x8F, 0xBF, 0xBF}, {0x80}, {0xC0}, {0xE0, 0x80}, {0xED, 0xA0},
        {0xF4, 0x90}, {0xF5}, {0xFF}, {0xE2}, {0xF0, 0x9F}, {0xE2, 0x82}, {0xF0, 0x9F, 0x98}};
    std::mt19937 random(20261210);
    for (int round = 0; round < 20000; ++round) {
        Bytes input;
        const size_t count = random() % 48;
        for (size_t i = 0; i < count; ++i) {
            // Mostly ASCII and whole sequences, so that the stops land deep inside the text.
            const size_t pick = random() % 40;
            const Bytes& piece = pick < 20 ? pieces[0] : pieces[pick < 30 ? 4 + pick % 6 : pick % pieces.size()];
            input.insert(input.end(), piece.begin(), piece.end());
        }
        const size_t targetUnits = random() % (input.size() + 3);
        const Utf8Run expected = ReferenceUTF8ToUTF16(input, targetUnits);
        const Utf8Run actual = RunUTF8ToUTF16(input, targetUnits);
        ASSERT_EQ(actual.result, expected.result) << Hex(input) << " target " << targetUnits;
        ASSERT_EQ(actual.consumed, expected.consumed) << Hex(input) << " target " << targetUnits;
        ASSERT_TRUE(actual.output == expected.output) << Hex(input) << " target " << targetUnits;
    }
}

// Long texts in the shapes real text has, so that conversions cross many block and staging boundaries of
// the fast paths: European prose is ASCII with two-byte forms, CJK prose three-byte forms with some ASCII.
enum class TextStyle { Ascii, European, Cjk, Mixed };

const char* StyleName(TextStyle style)
{
    switch (style) {
    case TextStyle::Ascii:
        return "ascii";
    case TextStyle::European:
        return "european";
    case TextStyle::Cjk:
        return "cjk";
    default:
        return "mixed";
    }
}

UTF32 RandomScalar(TextStyle style, std::mt19937& random)
{
    // The ends of every length's range and of the surrogate gap.
    static const UTF32 edges[] = {0x00,  0x7F,   0x80,    0x7FF,   0x800,   0xFFF,    0x1000,
                                  0xD7FF, 0xE000, 0xFFFD, 0xFFFF, 0x10000, 0x1F600, 0x10FFFF};
    const uint32_t pick = random() % 16;
    switch (style) {
    case TextStyle::Ascii:
        return 0x20 + random() % 0x5F;
    case TextStyle::European:
        if (pick < 13)
            return pick < 2 ? u' ' : 'a' + random() % 26;
        return pick < 15 ? 0xC0 + random() % 0x180 : 0x2010 + random() % 0x20;
    case TextStyle::Cjk:
        if (pick < 12)
            return 0x4E00 + random() % 0x5200;
        return pick < 15 ? 0x20 + random() % 0x5F : 0x3000 + random() % 0x100;
    default:
        if (pick < 4)
            return edges[random() % std::size(edges)];
        if (pick < 8)
            return random() % 0x80;
        if (pick < 11)
            return 0x80 + random() % 0x780;
        if (pick < 14) {
            const UTF32 c = 0x800 + random() % 0xF800;
            return c >= 0xD800 && c <= 0xDFFF ? c + 0x800 : c;
        }
        return 0x10000 + random() % 0x100000;
    }
}

Bytes MakeText(TextStyle style, size_t minBytes, uint32_t seed)
{
    std::mt19937 random(seed);
    Bytes text;
    while (text.size() < minBytes) {
        const Bytes encoded = EncodeOracle(RandomScalar(style, random));
        text.insert(text.end(), encoded.begin(), encoded.end());
    }
    return text;
}

constexpr TextStyle kStyles[] = {TextStyle::Ascii, TextStyle::European, TextStyle::Cjk, TextStyle::Mixed};

// Where a fault or a cut goes in a long text: every offset within the first blocks, around the end of
// the first staging pass, and within the last blocks, where the character steps take over.
std::vector<size_t> PositionsAcross(size_t size)
{
    std::vector<size_t> positions;
    for (size_t at = 0; at < 48; ++at)
        positions.push_back(at);
    for (size_t at = 496; at < 560; ++at)
        positions.push_back(at);
    for (size_t at = size - 48; at <= size; ++at)
        positions.push_back(at);
    return positions;
}

void ExpectSameAsReference(const Bytes& input, size_t targetUnits, const std::string& context)
{
    const Utf8Run expected = ReferenceUTF8ToUTF16(input, targetUnits);
    for (ConversionFlags flags : {StrictConversion, LenientConversion}) {
        const Utf8Run actual = RunUTF8ToUTF16(input, targetUnits, flags);
        ASSERT_EQ(actual.result, expected.result) << context;
        ASSERT_EQ(actual.consumed, expected.consumed) << context;
        ASSERT_TRUE(actual.output == expected.output) << context;
    }
}

TEST(ConvertUTF8ToUTF16LongTextTest, StopsAtAnIllFormedSequenceWhereverItLies)
{
    const struct {
        const char* name;
        Bytes bytes;
    } faults[] = {
        {"StrayContinuation80", {0x80}},
        {"StrayContinuationBF", {0xBF}},
        {"OverlongC0", {0xC0, 0x80}},
        {"OverlongC1", {0xC1, 0xBF}},
        {"TwoByteLeadBeforeAscii", {0xC3, 0x41}},
        {"OverlongThreeByte", {0xE0, 0x9F, 0xBF}},
        {"EncodedSurrogate", {0xED, 0xA0, 0x80}},
        {"ThreeByteLastIsAscii", {0xE2, 0x82, 0x41}},
        {"ThreeByteSecondIsAscii", {0xE2, 0x28, 0xAC}},
        {"OverlongFourByte", {0xF0, 0x8F, 0xBF, 0xBF}},
        {"AboveLastScalar", {0xF4, 0x90, 0x80, 0x80}},
        {"FourByteLastIsAscii", {0xF0, 0x9F, 0x98, 0x41}},
        {"LeadF5", {0xF5, 0x80, 0x80, 0x80}},
        {"FiveByteForm", {0xF8, 0x88, 0x80, 0x80, 0x80}},
        {"LeadFF", {0xFF}},
    };
    for (TextStyle style : kStyles) {
        const Bytes text = MakeText(style, 1200, 7 + uint32_t(style));
        for (const auto& fault : faults)
            for (size_t at : PositionsAcross(text.size())) {
                Bytes input = text;
                input.insert(input.begin() + ptrdiff_t(at), fault.bytes.begin(), fault.bytes.end());
                ExpectSameAsReference(input, input.size() + 1,
                                      std::string(StyleName(style)) + " " + fault.name + " at " + std::to_string(at));
            }
    }
}

TEST(ConvertUTF8ToUTF16LongTextTest, CutTextsStopBeforeTheCutSequence)
{
    for (TextStyle style : kStyles) {
        const Bytes text = MakeText(style, 1200, 11 + uint32_t(style));
        std::vector<size_t> cuts = PositionsAcross(text.size());
        for (size_t at = 48; at < text.size(); at += 7)
            cuts.push_back(at);
        for (size_t at : cuts) {
            const Bytes input(text.begin(), text.begin() + ptrdiff_t(at));
            ExpectSameAsReference(input, input.size(), std::string(StyleName(style)) + " cut at " + std::to_string(at));
        }
    }
}

TEST(ConvertUTF8ToUTF16LongTextTest, ShortTargetsStopBeforeTheCharacterThatDoesNotFit)
{
    for (TextStyle style : kStyles) {
        const Bytes text = MakeText(style, 1200, 13 + uint32_t(style));
        const size_t units = ReferenceUTF8ToUTF16(text, text.size()).output.size();
        std::vector<size_t> targets = PositionsAcross(units + 2);
        for (size_t at = 48; at < units; at += 5)
            targets.push_back(at);
        for (size_t targetUnits : targets)
            ExpectSameAsReference(text, targetUnits,
                                  std::string(StyleName(style)) + " target " + std::to_string(targetUnits));
    }
}

struct Utf16Case {
    const char* name;
    Units input;
    ConversionFlags flags;
    ConversionResult result;
    size_t consumed;
    Bytes output;
};

class UTF16ToUTF8CaseTest : public testing::TestWithParam<Utf16Case> {};

TEST_P(UTF16ToUTF8CaseTest, GivesResultCursorAndPrefix)
{
    const Utf16Case& c = GetParam();
    const Utf16Run run = RunUTF16ToUTF8(c.input, c.flags);
    EXPECT_EQ(run.result, c.result);
    EXPECT_EQ(run.consumed, c.consumed);
    EXPECT_EQ(Hex(run.output), Hex(c.output));
}

const Utf16Case kUtf16Cases[] = {
    {"Ascii", Units(u"Ab\0\x7F", 4), StrictConversion, ConversionOK, 4, {0x41, 0x62, 0x00, 0x7F}},
    {"ByteCountBoundaries", u"\x0080\x07FF\x0800\xFFFF", StrictConversion, ConversionOK, 4,
     {0xC2, 0x80, 0xDF, 0xBF, 0xE0, 0xA0, 0x80, 0xEF, 0xBF, 0xBF}},
    {"PairToFourBytes", u"\U0001F600", StrictConversion, ConversionOK, 2, {0xF0, 0x9F, 0x98, 0x80}},
    {"LastScalar", u"\U0010FFFF", StrictConversion, ConversionOK, 2, {0xF4, 0x8F, 0xBF, 0xBF}},
    {"LenientUnpairedHigh", u"\xD800" u"A", LenientConversion, ConversionOK, 2, {0xED, 0xA0, 0x80, 0x41}},
    {"LenientUnpairedLow", u"A\xDFFF", LenientConversion, ConversionOK, 2, {0x41, 0xED, 0xBF, 0xBF}},
    {"LenientReversedPair", u"\xDC00\xD800" u"B", LenientConversion, ConversionOK, 3,
     {0xED, 0xB0, 0x80, 0xED, 0xA0, 0x80, 0x42}},
    {"LenientHighBeforeHigh", u"\xDBFF\xDBFF\xDC00", LenientConversion, ConversionOK, 3,
     {0xED, 0xAF, 0xBF, 0xF4, 0x8F, 0xB0, 0x80}},
    {"StrictUnpairedHigh", u"A\xD800" u"B", StrictConversion, SourceIllegal, 1, {0x41}},
    {"StrictUnpairedLow", u"A\xDC00", StrictConversion, SourceIllegal, 1, {0x41}},
    {"HighAtRangeEndLenient", u"A\xD83D", LenientConversion, SourceExhausted, 1, {0x41}},
    {"HighAtRangeEndStrict", u"A\xD83D", StrictConversion, SourceExhausted, 1, {0x41}},
    {"HighBeforeTerminator", Units(u"A\xD83D\0", 3), LenientConversion, ConversionOK, 3,
     {0x41, 0xED, 0xA0, 0xBD, 0x00}},
};

INSTANTIATE_TEST_SUITE_P(Cases, UTF16ToUTF8CaseTest, testing::ValuesIn(kUtf16Cases),
                         [](const testing::TestParamInfo<Utf16Case>& info) { return std::string(info.param.name); });

TEST(ConvertUTF16ToUTF8Test, RestoresTheWholeCharacterWhenTheTargetIsTooShort)
{
    struct Case {
        Units input;
        size_t targetBytes;
        ConversionResult result;
        size_t consumed;
        Bytes output;
    } cases[] = {
        {u"A\U0001F600", 4, TargetExhausted, 1, {0x41}},
        {u"A\U0001F600", 5, ConversionOK, 3, {0x41, 0xF0, 0x9F, 0x98, 0x80}},
        {u"A\x20AC", 3, TargetExhausted, 1, {0x41}},
        {u"A\x00E9", 2, TargetExhausted, 1, {0x41}},
        {u"\xD800" u"A", 2, TargetExhausted, 0, {}},
        {Units(30, u'c'), 9, TargetExhausted, 9, Bytes(9, 0x63)},
        {u"A", 0, TargetExhausted, 0, {}},
    };
    for (const Case& c : cases) {
        const Utf16Run run = RunUTF16ToUTF8(c.input, c.targetBytes, LenientConversion);
        EXPECT_EQ(run.result, c.result) << c.targetBytes;
        EXPECT_EQ(run.consumed, c.consumed) << c.targetBytes;
        EXPECT_EQ(Hex(run.output), Hex(c.output));
    }
}

TEST(ConvertUTF16ToUTF8Test, StopsExactlyAtANonAsciiUnitAtAnyOffsetOfAnAsciiRun)
{
    for (size_t at = 0; at < 24; ++at) {
        Units input(32, u'x');
        input[at] = u'\xDC01';
        const Utf16Run strict = RunUTF16ToUTF8(input, StrictConversion);
        EXPECT_EQ(strict.result, SourceIllegal);
        EXPECT_EQ(strict.consumed, at);
        EXPECT_EQ(strict.output, Bytes(at, 0x78));

        input[at] = u'\x00FF';
        const Utf16Run wide = RunUTF16ToUTF8(input, StrictConversion);
        Bytes expected(32, 0x78);
        expected[at] = 0xBF;
        expected.insert(expected.begin() + at, 0xC3);
        EXPECT_EQ(wide.result, ConversionOK);
        EXPECT_EQ(Hex(wide.output), Hex(expected));
    }
}

Utf16Run ReferenceUTF16ToUTF8(const Units& input, size_t targetBytes, ConversionFlags flags)
{
    Utf16Run run{ConversionOK, 0, {}};
    size_t i = 0;
    while (i < input.size()) {
        UTF32 c = input[i];
        size_t used = 1;
        const bool high = c >= 0xD800 && c <= 0xDBFF;
        const bool low = c >= 0xDC00 && c <= 0xDFFF;
        if (high && i + 1 == input.size()) {
            run.result = SourceExhausted;
            break;
        }
        if (high && input[i + 1] >= 0xDC00 && input[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (input[i + 1] - 0xDC00);
            used = 2;
        } else if ((high || low) && flags == StrictConversion) {
            run.result = SourceIllegal;
            break;
        }
        const Bytes encoded = EncodeOracle(c);
        if (run.output.size() + encoded.size() > targetBytes) {
            run.result = TargetExhausted;
            break;
        }
        run.output.insert(run.output.end(), encoded.begin(), encoded.end());
        i += used;
    }
    run.consumed = i;
    return run;
}

TEST(ConvertUTF16ToUTF8Test, AgreesWithTheCharacterByCharacterStepsOnRandomTexts)
{
    const char16_t units[] = {u'a', u'b', 0, 0x7F, 0x80, 0x7FF, 0x800, 0x20AC, 0xD7FF, 0xE000, 0xFFFF,
                              0xD800, 0xDBFF, 0xDC00, 0xDFFF, 0xD83D, 0xDE00};
    std::mt19937 random(1210);
    for (int round = 0; round < 20000; ++round) {
        Units input;
        const size_t count = random() % 24;
        for (size_t i = 0; i < count; ++i) {
            const size_t pick = random() % 34;
            input += pick < 17 ? u'x' : units[pick - 17];
        }
        const size_t targetBytes = random() % (input.size() * 3 + 3);
        for (ConversionFlags flags : {StrictConversion, LenientConversion}) {
            const Utf16Run expected = ReferenceUTF16ToUTF8(input, targetBytes, flags);
            const Utf16Run actual = RunUTF16ToUTF8(input, targetBytes, flags);
            ASSERT_EQ(actual.result, expected.result) << round;
            ASSERT_EQ(actual.consumed, expected.consumed) << round;
            ASSERT_EQ(Hex(actual.output), Hex(expected.output)) << round;
        }
    }
}

TEST(ConvertUTF16ToUTF8Test, LenientSurrogateBytesAreRejectedOnTheWayBack)
{
    const Units input = u"ab\xD800" u"cd";
    const Utf16Run narrow = RunUTF16ToUTF8(input, LenientConversion);
    ASSERT_EQ(narrow.result, ConversionOK);
    const Utf8Run back = RunUTF8ToUTF16(narrow.output);
    EXPECT_EQ(back.result, SourceIllegal);
    EXPECT_EQ(back.consumed, 2u);
    EXPECT_EQ(back.output, u"ab");
}

TEST(ConvertUTFTest, NarrowCharOverloadsMoveTheCursors)
{
    const char text[] = "x\xE2\x82\xAC";
    const char* source = text;
    char16_t wide[4] = {};
    char16_t* out = wide;
    EXPECT_EQ(ConvertUTF8ToUTF16(&source, text + 4, &out, wide + 4, LenientConversion), ConversionOK);
    EXPECT_EQ(source, text + 4);
    EXPECT_EQ(Units(wide, out), u"x\x20AC");

    const char16_t* wideSource = wide;
    char narrow[8] = {};
    char* narrowOut = narrow;
    EXPECT_EQ(ConvertUTF16ToUTF8(&wideSource, out, &narrowOut, narrow + 8, LenientConversion), ConversionOK);
    EXPECT_EQ(std::string(narrow, narrowOut), "x\xE2\x82\xAC");
    EXPECT_EQ(wideSource, out);
}

} // namespace
} // namespace VQ
