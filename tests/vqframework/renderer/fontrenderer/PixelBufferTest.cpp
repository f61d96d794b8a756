#include "vqframework/graphics/PixelBuffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace VQ {
namespace {

using Bytes = LPixelBuffer<unsigned char>;

TEST(PixelBufferTest, PitchZeroRoundsTheWidthUpToSixteenAndZeroFills)
{
    struct Case {
        int32_t width;
        int32_t expectedPitch;
    };
    for (const Case c : {Case{1, 16}, Case{16, 16}, Case{17, 32}, Case{512, 512}, Case{0, 0}}) {
        Bytes buffer(c.width, 3, 0);
        EXPECT_EQ(buffer.GetPitch(), c.expectedPitch) << c.width;
        for (int32_t y = 0; y < 3; ++y)
            for (int32_t x = 0; x < c.width; ++x)
                ASSERT_EQ(*buffer.GetPixel(x, y), 0) << x << "," << y;
    }
}

TEST(PixelBufferTest, CopiesDataWithItsPitchAndRefusesAPitchShorterThanARow)
{
    const unsigned char data[] = {1, 2, 3, 9, 4, 5, 6, 9};
    Bytes buffer(3, 2, 4, data);
    EXPECT_EQ(buffer.GetPitch(), 4);
    EXPECT_EQ(*buffer.GetPixel(0, 1), 4);
    EXPECT_EQ(*buffer.GetPixel(2, 1), 6);
    EXPECT_THROW(Bytes(5, 2, 4, data), std::invalid_argument);
    EXPECT_THROW(Bytes(-1, 2, 0), std::invalid_argument);
}

// The data of packed rows holds no more than height x width bytes; a rounded pitch would read past it.
TEST(PixelBufferTest, PitchZeroWithDataTakesPackedRows)
{
    const std::vector<unsigned char> data = {1, 2, 3, 4, 5, 6};
    Bytes buffer(3, 2, 0, data.data());
    EXPECT_EQ(buffer.GetPitch(), 3);
    EXPECT_EQ(*buffer.GetPixel(0, 1), 4);
    EXPECT_EQ(*buffer.GetPixel(2, 1), 6);

    const std::vector<uint16_t> wide = {1, 2, 3, 4};
    LPixelBuffer<uint16_t> words(2, 2, 0, wide.data());
    EXPECT_EQ(words.GetPitch(), 4);
    EXPECT_EQ(*words.GetPixel(1, 1), 4);
}

TEST(PixelBufferTest, GetPixelIsNullOutsideTheBuffer)
{
    Bytes buffer(4, 2, 16);
    EXPECT_NE(buffer.GetPixel(3, 1), nullptr);
    EXPECT_EQ(buffer.GetPixel(0, 2), nullptr);
    EXPECT_EQ(buffer.GetPixel(-1, 0), nullptr);
    const Bytes& constant = buffer;
    EXPECT_EQ(constant.GetPixel(0, 2), nullptr);
    EXPECT_EQ(constant.GetPixel(1, 1), buffer.GetPixel(1, 1));
}

TEST(PixelBufferTest, SetHeightKeepsRowsAndZeroFillsNewOnes)
{
    Bytes buffer(2, 1, 16);
    *buffer.GetPixel(1, 0) = 7;
    ASSERT_EQ(buffer.SetHeight(4), 0);
    EXPECT_EQ(buffer.GetHeight(), 4);
    EXPECT_EQ(*buffer.GetPixel(1, 0), 7);
    EXPECT_EQ(*buffer.GetPixel(1, 3), 0);
    ASSERT_EQ(buffer.SetHeight(1), 0);
    EXPECT_EQ(buffer.GetPixel(0, 1), nullptr);
    // Rows that come back after shrinking are zero, not the old bytes.
    *buffer.GetPixel(0, 0) = 5;
    ASSERT_EQ(buffer.SetHeight(0), 0);
    ASSERT_EQ(buffer.SetHeight(2), 0);
    EXPECT_EQ(*buffer.GetPixel(0, 0), 0);
    EXPECT_EQ(*buffer.GetPixel(1, 1), 0);
}

TEST(PixelBufferTest, TheTwoArgumentConstructorStillPacksRows)
{
    LPixelBuffer<uint32_t> pixels(3, 2);
    EXPECT_EQ(pixels.GetPitch(), 12);
}

} // namespace
} // namespace VQ
