#include "platform/images/PngDecoder.h"

#include <png.h>

#include <bit>
#include <new>

namespace VQ::Platform {

namespace {

// libpng's byte order that reads back as one native 0xAARRGGBB word.
constexpr png_uint_32 NativeArgbFormat = std::endian::native == std::endian::little ? PNG_FORMAT_BGRA : PNG_FORMAT_ARGB;

bool Fail(DecodedImage& image, std::string* error, const char* reason)
{
    image = DecodedImage();
    if (error)
        *error = reason;
    return false;
}

// Frees libpng's read state however the decode ends.
struct ImageReader {
    png_image png{};
    ImageReader() { png.version = PNG_IMAGE_VERSION; }
    ~ImageReader() { png_image_free(&png); }
    ImageReader(const ImageReader&) = delete;
    ImageReader& operator=(const ImageReader&) = delete;
};

} // namespace

bool DecodePng(const uint8_t* data, size_t size, DecodedImage& image, std::string* error)
{
    if (!data || size == 0)
        return Fail(image, error, "no image data");
    ImageReader reader;
    if (!png_image_begin_read_from_memory(&reader.png, data, size))
        return Fail(image, error, reader.png.message);
    const png_uint_32 width = reader.png.width;
    const png_uint_32 height = reader.png.height;
    if (width == 0 || height == 0 || width > MaximumImageSide || height > MaximumImageSide ||
        int64_t{width} * height > MaximumImagePixels)
        return Fail(image, error, "image too large");

    reader.png.format = NativeArgbFormat;
    // Scale 16-bit samples to 8 bits as they are; read as linear they would be gamma-encoded.
    reader.png.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
    std::vector<uint32_t> pixels;
    try {
        pixels.resize(size_t{width} * height);
    } catch (const std::bad_alloc&) {
        return Fail(image, error, "out of memory");
    }
    const png_int_32 rowBytes = static_cast<png_int_32>(width * 4);
    if (!png_image_finish_read(&reader.png, nullptr, pixels.data(), rowBytes, nullptr))
        return Fail(image, error, reader.png.message);

    image.width = static_cast<int32_t>(width);
    image.height = static_cast<int32_t>(height);
    image.pixels = std::move(pixels);
    if (error)
        error->clear();
    return true;
}

} // namespace VQ::Platform
