// Decodes PNG images into 32-bit straight (non-premultiplied) ARGB words, whatever the file's colour
// type, bit depth or interlacing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace VQ::Platform {

struct DecodedImage {
    int32_t width = 0;
    int32_t height = 0;
    // Rows top to bottom, width words each, no padding; a word is 0xAARRGGBB.
    std::vector<uint32_t> pixels;
};

// Larger images are refused rather than allocated: a few bytes of header can claim gigabytes.
constexpr int32_t MaximumImageSide = 16384;
constexpr int64_t MaximumImagePixels = int64_t{1} << 26;

// True with the image filled; false with the image emptied and, when asked, the reason.
bool DecodePng(const uint8_t* data, size_t size, DecodedImage& image, std::string* error = nullptr);

} // namespace VQ::Platform
