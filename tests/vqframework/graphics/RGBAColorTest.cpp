#include "vqframework/graphics/RGBAColor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace VQ {
namespace {

// Every case starts from this colour, so that a channel left alone is told from one set to 0.
constexpr RGBAColor Start{0.1f, 0.2f, 0.3f, 0.4f};

constexpr float Byte(int value)
{
    return static_cast<float>(value) / 255.0f;
}

struct HexCase {
    const char* text;
    RGBAColor expected;
};

class SetHexString : public testing::TestWithParam<HexCase> {};

TEST_P(SetHexString, SetsTheChannelsItsLengthNames)
{
    const HexCase& c = GetParam();
    RGBAColor color = Start;
    color.SetHexString(c.text);
    EXPECT_NEAR(color.r, c.expected.r, 1e-6);
    EXPECT_NEAR(color.g, c.expected.g, 1e-6);
    EXPECT_NEAR(color.b, c.expected.b, 1e-6);
    EXPECT_NEAR(color.a, c.expected.a, 1e-6);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SetHexString,
    testing::Values(
        // Two digits: alpha only; six: the colour only; eight: all four.
        HexCase{"0xFF", {Start.r, Start.g, Start.b, 1.0f}}, HexCase{"ff8000", {1.0f, Byte(128), 0.0f, Start.a}},
        HexCase{"80FF0000", {1.0f, 0.0f, 0.0f, Byte(128)}},
        HexCase{"0XABCDEF12", {Byte(0xCD), Byte(0xEF), Byte(0x12), Byte(0xAB)}},
        HexCase{"0X40", {Start.r, Start.g, Start.b, Byte(0x40)}},
        // No leading digit reads as 0; reading stops at the first character that is no digit.
        HexCase{"zz", {Start.r, Start.g, Start.b, 0.0f}}, HexCase{"8g", {Start.r, Start.g, Start.b, Byte(8)}},
        HexCase{"12zz56", {0.0f, 0.0f, Byte(0x12), Start.a}},
        // Any other length, counted after the prefix, changes nothing.
        HexCase{"", Start}, HexCase{"0x", Start}, HexCase{"0", Start}, HexCase{"abc", Start},
        HexCase{"1234567", Start}, HexCase{"123456789", Start}, HexCase{"0x0x12", Start}, HexCase{nullptr, Start}));

struct PackCase {
    RGBAColor color;
    uint32_t expected;
};

class ToARGB : public testing::TestWithParam<PackCase> {};

TEST_P(ToARGB, RoundsHalfAwayFromZeroAndClampsEachChannel)
{
    EXPECT_EQ(GetParam().color.ToARGB(), GetParam().expected);
}

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
constexpr float Infinity = std::numeric_limits<float>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Colors, ToARGB,
    testing::Values(PackCase{{1.2f, -0.1f, 0.5f, 1.0f}, 0xFFFF0080u}, PackCase{{1.0f, 0.0f, 0.0f, 0.0f}, 0x00FF0000u},
                    PackCase{{0.0f, 1.0f, 0.0f, 0.0f}, 0x0000FF00u}, PackCase{{0.0f, 0.0f, 0.0f, 1.0f}, 0xFF000000u},
                    PackCase{{Byte(1) * 0.49f, Byte(1) * 0.51f, 0.0f, 0.0f}, 0x00000100u},
                    PackCase{{NaN, NaN, NaN, NaN}, 0u}, PackCase{{-1.0f, -0.002f, -Infinity, -0.0f}, 0u},
                    PackCase{{Infinity, 1000.0f, 1.001f, Infinity}, 0xFFFFFFFFu}));

TEST(RGBAColorTest, SetARGBThenToARGBGivesBackEveryByteOfEveryChannel)
{
    // The other channels hold a pattern of their own, so a byte landing in the wrong channel shows.
    constexpr uint32_t Pattern = 0x5AC3A55Cu;
    for (int shift : {0, 8, 16, 24}) {
        for (uint32_t byte = 0; byte < 256; ++byte) {
            const uint32_t argb = (Pattern & ~(0xFFu << shift)) | byte << shift;
            RGBAColor color;
            color.SetARGB(argb);
            ASSERT_EQ(color.ToARGB(), argb) << "shift " << shift << " byte " << byte;
        }
    }
}

TEST(RGBAColorTest, SetARGBScalesEachByteIntoItsChannel)
{
    RGBAColor color;
    color.SetARGB(0x80FF4000u);
    EXPECT_NEAR(color.a, 0.50196f, 1e-5);
    EXPECT_FLOAT_EQ(color.r, 1.0f);
    EXPECT_NEAR(color.g, 0.25098f, 1e-5);
    EXPECT_FLOAT_EQ(color.b, 0.0f);
}

} // namespace
} // namespace VQ
