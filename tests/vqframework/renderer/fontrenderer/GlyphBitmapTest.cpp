#include "vqframework/renderer/fontrenderer/GlyphBitmap.h"

#include <gtest/gtest.h>

#include <vector>

namespace VQ {
namespace {

FT_Bitmap MakeBitmap(std::vector<unsigned char>& bytes, unsigned int rows, unsigned int width, int pitch,
                     unsigned char mode)
{
    FT_Bitmap bitmap{};
    bitmap.rows = rows;
    bitmap.width = width;
    bitmap.pitch = pitch;
    bitmap.buffer = bytes.data();
    bitmap.pixel_mode = mode;
    return bitmap;
}

// A monochrome bitmap 10 pixels wide, 3 rows of 2 bytes stored bottom row first (negative pitch).
TEST(GlyphBitmapTest, MonochromeExpandsMostSignificantBitFirstAndNegativePitchRunsUpward)
{
    std::vector<unsigned char> bytes = {
        0x00, 0x40, // bottom row: pixel 9 only
        0xFF, 0x80, // middle row: pixels 0 to 8
        0x81, 0x00, // top row: pixels 0 and 7
    };
    const FT_Bitmap bitmap = MakeBitmap(bytes, 3, 10, -2, FT_PIXEL_MODE_MONO);

    const RCPtr<LPixelBuffer<unsigned char>> image = CopyBitmap(bitmap);
    ASSERT_TRUE(image);
    ASSERT_EQ(image->GetWidth(), 10);
    ASSERT_EQ(image->GetHeight(), 3);
    const char* expected[] = {"#......#..", "#########.", ".........#"};
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 10; ++x)
            EXPECT_EQ(*image->GetPixel(x, y), expected[y][x] == '#' ? 255 : 0) << x << "," << y;
}

TEST(GlyphBitmapTest, GrayRowsAreCopiedTopFirstAndOtherFormatsGiveNothing)
{
    std::vector<unsigned char> bytes = {7, 8, 0, 0, 1, 2, 0, 0};
    FT_Bitmap bitmap = MakeBitmap(bytes, 2, 2, -4, FT_PIXEL_MODE_GRAY);
    const RCPtr<LPixelBuffer<unsigned char>> image = CopyBitmap(bitmap);
    ASSERT_TRUE(image);
    EXPECT_EQ(*image->GetPixel(0, 0), 1);
    EXPECT_EQ(*image->GetPixel(1, 1), 8);

    bitmap.pixel_mode = FT_PIXEL_MODE_LCD;
    EXPECT_FALSE(CopyBitmap(bitmap));
}

} // namespace
} // namespace VQ
