// The PNG decoder against files built by hand: the exact straight ARGB words of every colour type, bit
// depth and interlacing, and a clean failure for damaged, foreign and oversized files.
#include "platform/images/PngDecoder.h"

#include "tests/support/PngWriter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace VQ::Platform {
namespace {

using test::PngColourType;
using test::PngHeader;
using test::PngImage;
using test::WritePng;

struct DecodeCase {
    const char* name;
    PngImage image;
    std::vector<uint32_t> expected;
};

void PrintTo(const DecodeCase& decodeCase, std::ostream* out) { *out << decodeCase.name; }

// An image whose samples and expected words both come from the pixel's position, for sizes where
// every Adam7 pass holds something.
DecodeCase Generated(const char* name, uint32_t width, uint32_t height, PngColourType type, uint8_t depth,
                     bool interlaced, const std::function<std::vector<uint16_t>(uint32_t, uint32_t)>& samples,
                     const std::function<uint32_t(uint32_t, uint32_t)>& expected)
{
    DecodeCase result{name, {width, height, type, depth, interlaced, {}, {}, {}}, {}};
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const std::vector<uint16_t> pixel = samples(x, y);
            result.image.samples.insert(result.image.samples.end(), pixel.begin(), pixel.end());
            result.expected.push_back(expected(x, y));
        }
    }
    return result;
}

// A 16-colour palette: entry i is (17i, 255 - 17i, 8i).
std::vector<uint8_t> GradientPalette()
{
    std::vector<uint8_t> palette;
    for (int i = 0; i < 16; ++i)
        palette.insert(palette.end(), {uint8_t(17 * i), uint8_t(255 - 17 * i), uint8_t(8 * i)});
    return palette;
}

uint32_t GradientWord(uint32_t i) { return 0xFF000000u | (17 * i) << 16 | (255 - 17 * i) << 8 | 8 * i; }

DecodeCase WithGradientPalette(DecodeCase decodeCase)
{
    decodeCase.image.palette = GradientPalette();
    return decodeCase;
}

std::vector<DecodeCase> DecodeCases()
{
    return {
        {"PaletteWithTransparencyKeepsTheColourOfEveryEntry",
         {2, 2, PngColourType::Palette, 8, false, {0, 1, 2, 1},
          {0x10, 0x20, 0x30, 0xFF, 0x80, 0x00, 0x00, 0x00, 0xFF}, {0x00, 0x80}},
         {0x00102030, 0x80FF8000, 0xFF0000FF, 0x80FF8000}},
        {"PaletteAtFourBitsWithAnOddWidth",
         {3, 2, PngColourType::Palette, 4, false, {0, 15, 7, 8, 1, 14}, GradientPalette(), {}},
         {GradientWord(0), GradientWord(15), GradientWord(7), GradientWord(8), GradientWord(1), GradientWord(14)}},
        {"PaletteAtTwoBits",
         {5, 1, PngColourType::Palette, 2, false, {3, 2, 1, 0, 3}, GradientPalette(), {}},
         {GradientWord(3), GradientWord(2), GradientWord(1), GradientWord(0), GradientWord(3)}},
        {"PaletteAtOneBit",
         {9, 1, PngColourType::Palette, 1, false, {1, 0, 0, 1, 1, 0, 1, 0, 1}, {0, 0, 0, 0xFF, 0xFF, 0xFF}, {}},
         {0xFFFFFFFF, 0xFF000000, 0xFF000000, 0xFFFFFFFF, 0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF, 0xFF000000,
          0xFFFFFFFF}},
        {"GreyAtOneBitWithAWidthPastAByte",
         {10, 1, PngColourType::Grey, 1, false, {1, 0, 1, 1, 0, 0, 0, 1, 0, 1}, {}, {}},
         {0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF, 0xFFFFFFFF, 0xFF000000, 0xFF000000, 0xFF000000, 0xFFFFFFFF,
          0xFF000000, 0xFFFFFFFF}},
        {"GreyAtTwoBitsSpreadsToTheFullRange",
         {4, 1, PngColourType::Grey, 2, false, {0, 1, 2, 3}, {}, {}},
         {0xFF000000, 0xFF555555, 0xFFAAAAAA, 0xFFFFFFFF}},
        {"GreyAtFourBitsSpreadsToTheFullRange",
         {3, 1, PngColourType::Grey, 4, false, {1, 10, 15}, {}, {}},
         {0xFF111111, 0xFFAAAAAA, 0xFFFFFFFF}},
        {"GreyAtEightBits",
         {2, 2, PngColourType::Grey, 8, false, {0x00, 0x7F, 0x12, 0xFF}, {}, {}},
         {0xFF000000, 0xFF7F7F7F, 0xFF121212, 0xFFFFFFFF}},
        {"GreyWithATransparentValue",
         {2, 1, PngColourType::Grey, 8, false, {0x7F, 0x80}, {}, {0x00, 0x7F}},
         {0x007F7F7F, 0xFF808080}},
        {"GreyAlphaStaysStraight",
         {3, 1, PngColourType::GreyAlpha, 8, false, {0x40, 0x80, 0xFF, 0x00, 0x20, 0xFF}, {}, {}},
         {0x80404040, 0x00FFFFFF, 0xFF202020}},
        {"GreyAlphaAtSixteenBitsScalesWithoutGamma",
         {2, 1, PngColourType::GreyAlpha, 16, false, {0x8000, 0x8000, 0x1200, 0xFFFF}, {}, {}},
         {0x80808080, 0xFF121212}},
        {"RgbAtEightBits",
         {2, 1, PngColourType::Rgb, 8, false, {0x12, 0x34, 0x56, 0xFF, 0x00, 0x80}, {}, {}},
         {0xFF123456, 0xFFFF0080}},
        {"RgbAtSixteenBitsScalesWithoutGamma",
         {2, 1, PngColourType::Rgb, 16, false, {0x8000, 0x0000, 0xFFFF, 0x1200, 0x3400, 0x5600}, {}, {}},
         {0xFF8000FF, 0xFF123456}},
        {"RgbaKeepsTheFullColourOfTranslucentPixels",
         {4, 1, PngColourType::Rgba, 8, false,
          {0xFF, 0x80, 0x00, 0x80, 0x12, 0x34, 0x56, 0x01, 0xAB, 0xCD, 0xEF, 0x00, 0x01, 0x02, 0x03, 0xFF}, {}, {}},
         {0x80FF8000, 0x01123456, 0x00ABCDEF, 0xFF010203}},
        {"RgbaAtSixteenBitsScalesWithoutGammaAndStaysStraight",
         {2, 1, PngColourType::Rgba, 16, false,
          {0xFFFF, 0x8000, 0x0000, 0x8000, 0x1200, 0x3400, 0x5600, 0xFFFF}, {}, {}},
         {0x80FF8000, 0xFF123456}},
        Generated(
            "InterlacedRgba", 11, 9, PngColourType::Rgba, 8, true,
            [](uint32_t x, uint32_t y) {
                return std::vector<uint16_t>{uint16_t(20 * x), uint16_t(25 * y), uint16_t(x ^ y), uint16_t(255 - x * y)};
            },
            [](uint32_t x, uint32_t y) { return (255 - x * y) << 24 | (20 * x) << 16 | (25 * y) << 8 | (x ^ y); }),
        WithGradientPalette(Generated(
            "InterlacedPaletteAtFourBits", 10, 10, PngColourType::Palette, 4, true,
            [](uint32_t x, uint32_t y) { return std::vector<uint16_t>{uint16_t((x + 3 * y) % 16)}; },
            [](uint32_t x, uint32_t y) { return GradientWord((x + 3 * y) % 16); })),
        Generated(
            "InterlacedGreyAtOneBit", 13, 5, PngColourType::Grey, 1, true,
            [](uint32_t x, uint32_t y) { return std::vector<uint16_t>{uint16_t((x * y + x) % 2)}; },
            [](uint32_t x, uint32_t y) { return (x * y + x) % 2 ? 0xFFFFFFFFu : 0xFF000000u; }),
        Generated(
            "InterlacedRgbAtSixteenBits", 9, 8, PngColourType::Rgb, 16, true,
            [](uint32_t x, uint32_t y) {
                return std::vector<uint16_t>{uint16_t(x << 12), uint16_t(y << 12), uint16_t((x + y) << 11)};
            },
            [](uint32_t x, uint32_t y) { return 0xFF000000u | (x << 20) | (y << 12) | ((x + y) << 3); }),
        {"InterlacedSinglePixel",
         {1, 1, PngColourType::Rgba, 8, true, {0x11, 0x22, 0x33, 0x44}, {}, {}},
         {0x44112233}},
    };
}

class PngDecode : public testing::TestWithParam<DecodeCase> {};

TEST_P(PngDecode, GivesTheExactStraightArgbWords)
{
    const DecodeCase& decodeCase = GetParam();
    const std::vector<uint8_t> png = WritePng(decodeCase.image);
    DecodedImage image;
    std::string error = "stale";
    ASSERT_TRUE(DecodePng(png.data(), png.size(), image, &error)) << error;
    EXPECT_EQ(error, "");
    EXPECT_EQ(image.width, int32_t(decodeCase.image.width));
    EXPECT_EQ(image.height, int32_t(decodeCase.image.height));
    EXPECT_EQ(image.pixels, decodeCase.expected);
}

INSTANTIATE_TEST_SUITE_P(PngDecoder, PngDecode, testing::ValuesIn(DecodeCases()),
                         [](const testing::TestParamInfo<DecodeCase>& info) { return std::string(info.param.name); });

// A small valid image to damage: three rows, so that a cut can fall inside the pixel data.
std::vector<uint8_t> ValidPng()
{
    PngImage image{4, 3, PngColourType::Rgba, 8, false, std::vector<uint16_t>(4 * 3 * 4, 0x5A), {}, {}};
    for (size_t i = 0; i < image.samples.size(); ++i)
        image.samples[i] = uint16_t(i * 37);
    return WritePng(image);
}

PngHeader ValidHeader() { return test::ReadPngHeader(ValidPng()); }

PngHeader Header(const std::function<void(PngHeader&)>& change)
{
    PngHeader header = ValidHeader();
    change(header);
    return header;
}

// The IDAT chunk's data replaced by a zlib stream of fewer scanlines than the header promises.
std::vector<uint8_t> WithShortPixelData()
{
    PngImage shorter{4, 1, PngColourType::Rgba, 8, false, std::vector<uint16_t>(16, 0x33), {}, {}};
    return test::WithPngHeader(WritePng(shorter), ValidHeader());
}

// The first byte of the compressed pixel data changed, with a CRC that matches it.
std::vector<uint8_t> WithCorruptPixelStream()
{
    std::vector<uint8_t> png = ValidPng();
    const size_t idat = test::FindPngChunk(png, "IDAT");
    png[idat + 8] ^= 0xFF;
    const size_t length = size_t(png[idat]) << 24 | png[idat + 1] << 16 | png[idat + 2] << 8 | png[idat + 3];
    const uint32_t crc = uint32_t(crc32(0, png.data() + idat + 4, uInt(4 + length)));
    for (int i = 0; i < 4; ++i)
        png[idat + 8 + length + i] = uint8_t(crc >> (24 - 8 * i));
    return png;
}

struct FailureCase {
    const char* name;
    std::function<std::vector<uint8_t>()> bytes;
};

void PrintTo(const FailureCase& failureCase, std::ostream* out) { *out << failureCase.name; }

std::vector<FailureCase> FailureCases()
{
    const auto truncatedAt = [](size_t size) { return [size] { return test::TruncatedPng(ValidPng(), size); }; };
    const auto withHeader = [](std::function<void(PngHeader&)> change) {
        return [change] { return test::WithPngHeader(ValidPng(), Header(change)); };
    };
    return {
        {"OneByte", [] { return std::vector<uint8_t>{0x89}; }},
        {"NotAPng", [] { return std::vector<uint8_t>{'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0}; }},
        {"TextThatStartsLikeAPng", [] { return std::vector<uint8_t>{0x89, 'P', 'N', 'G', ' ', 'n', 'o', 't'}; }},
        {"TruncatedAfterTheSignature", truncatedAt(8)},
        {"TruncatedInTheHeader", truncatedAt(20)},
        {"TruncatedInThePixelData", [] {
             const std::vector<uint8_t> png = ValidPng();
             return test::TruncatedPng(png, test::FindPngChunk(png, "IDAT") + 14);
         }},
        {"TruncatedBeforeTheEnd", [] {
             const std::vector<uint8_t> png = ValidPng();
             return test::TruncatedPng(png, test::FindPngChunk(png, "IEND"));
         }},
        {"BrokenHeaderCrc", [] { return test::WithBrokenCrc(ValidPng(), "IHDR"); }},
        {"BrokenPixelDataCrc", [] { return test::WithBrokenCrc(ValidPng(), "IDAT"); }},
        {"CorruptPixelStream", WithCorruptPixelStream},
        {"TooLittlePixelData", WithShortPixelData},
        {"ZeroWidth", withHeader([](PngHeader& h) { h.width = 0; })},
        {"ZeroHeight", withHeader([](PngHeader& h) { h.height = 0; })},
        {"BitDepthThree", withHeader([](PngHeader& h) { h.bitDepth = 3; })},
        {"ColourTypeFive", withHeader([](PngHeader& h) { h.colourType = 5; })},
        {"RgbAtFourBits", withHeader([](PngHeader& h) { h.colourType = 2, h.bitDepth = 4; })},
        {"UnknownCompression", withHeader([](PngHeader& h) { h.compression = 1; })},
        {"UnknownFilterMethod", withHeader([](PngHeader& h) { h.filter = 1; })},
        {"UnknownInterlace", withHeader([](PngHeader& h) { h.interlace = 2; })},
        {"PaletteImageWithoutAPalette", [] {
             return WritePng({2, 1, PngColourType::Palette, 8, false, {0, 1}, {}, {}});
         }},
    };
}

class PngDecodeFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(PngDecodeFailure, FailsWithAReasonAndAnEmptyImage)
{
    const std::vector<uint8_t> png = GetParam().bytes();
    DecodedImage image{7, 7, std::vector<uint32_t>(49, 0xDEADBEEF)};
    std::string error;
    EXPECT_FALSE(DecodePng(png.data(), png.size(), image, &error));
    EXPECT_NE(error, "");
    EXPECT_EQ(image.width, 0);
    EXPECT_EQ(image.height, 0);
    EXPECT_TRUE(image.pixels.empty());
}

INSTANTIATE_TEST_SUITE_P(PngDecoder, PngDecodeFailure, testing::ValuesIn(FailureCases()),
                         [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

TEST(PngDecoderTest, FailsWithoutDataAndWithoutAnErrorText)
{
    const std::vector<uint8_t> png = ValidPng();
    DecodedImage image{1, 1, {0xFFFFFFFF}};
    std::string error;
    EXPECT_FALSE(DecodePng(nullptr, png.size(), image, &error));
    EXPECT_NE(error, "");
    EXPECT_TRUE(image.pixels.empty());

    image = {1, 1, {0xFFFFFFFF}};
    error.clear();
    EXPECT_FALSE(DecodePng(png.data(), 0, image, &error));
    EXPECT_NE(error, "");
    EXPECT_EQ(image.width, 0);
    EXPECT_TRUE(image.pixels.empty());

    image = {1, 1, {0xFFFFFFFF}};
    EXPECT_FALSE(DecodePng(png.data(), 20, image));
    EXPECT_TRUE(image.pixels.empty());
}

// A few header bytes claiming more pixels than are allowed are refused before the buffer is made;
// the largest claim would abort an address-sanitised run if it were allocated.
TEST(PngDecoderTest, RefusesAHugeSizeWithoutAllocatingIt)
{
    const std::vector<uint8_t> png = ValidPng();
    const PngHeader claims[] = {
        Header([](PngHeader& h) { h.width = MaximumImageSide + 1, h.height = 1; }),
        Header([](PngHeader& h) { h.width = 1, h.height = MaximumImageSide + 1; }),
        Header([](PngHeader& h) { h.width = 8192, h.height = 8193; }),
        Header([](PngHeader& h) { h.width = 1000000, h.height = 1000000; }),
    };
    for (const PngHeader& claim : claims) {
        SCOPED_TRACE(std::to_string(claim.width) + " x " + std::to_string(claim.height));
        const std::vector<uint8_t> huge = test::WithPngHeader(png, claim);
        DecodedImage image;
        std::string error;
        EXPECT_FALSE(DecodePng(huge.data(), huge.size(), image, &error));
        EXPECT_THAT(error, testing::HasSubstr("too large"));
        EXPECT_TRUE(image.pixels.empty());
    }
}

TEST(PngDecoderTest, AcceptsTheLargestSide)
{
    PngImage wide{uint32_t(MaximumImageSide), 1, PngColourType::Grey, 1, false,
                  std::vector<uint16_t>(MaximumImageSide, 0), {}, {}};
    wide.samples.back() = 1;
    const std::vector<uint8_t> png = WritePng(wide);
    DecodedImage image;
    ASSERT_TRUE(DecodePng(png.data(), png.size(), image));
    EXPECT_EQ(image.width, MaximumImageSide);
    ASSERT_EQ(image.pixels.size(), size_t(MaximumImageSide));
    EXPECT_EQ(image.pixels.front(), 0xFF000000u);
    EXPECT_EQ(image.pixels.back(), 0xFFFFFFFFu);
}

} // namespace
} // namespace VQ::Platform
