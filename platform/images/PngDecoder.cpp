#include "platform/images/PngDecoder.h"

#include <png.h>

#include <bit>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>

namespace VQ::Platform {

namespace {

// libpng's state for one decode: the bytes it reads, and the first error it reports.
struct Reader {
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t at = 0;
    // Filled inside libpng's callbacks, which must not allocate: an exception cannot cross its frames.
    char error[160] = {};
    png_structp png = nullptr;
    png_infop info = nullptr;

    Reader(const uint8_t* bytes, size_t length) : data(bytes), size(length) {}
    ~Reader() { png_destroy_read_struct(&png, &info, nullptr); }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;
};

void OnError(png_structp png, png_const_charp message)
{
    auto* reader = static_cast<Reader*>(png_get_error_ptr(png));
    if (!message)
        message = "invalid image";
    if (reader->error[0] == 0)
        std::snprintf(reader->error, sizeof reader->error, "%s", message);
    png_longjmp(png, 1);
}

// libpng names what is wrong with a header in warnings before it fails it: a size beyond the limits
// set below is reported as the size check after the header would report it.
void OnWarning(png_structp png, png_const_charp message)
{
    auto* reader = static_cast<Reader*>(png_get_error_ptr(png));
    if (message && std::strstr(message, "user limit") && reader->error[0] == 0)
        std::snprintf(reader->error, sizeof reader->error, "%s", "image too large");
}

void OnRead(png_structp png, png_bytep out, size_t length)
{
    auto* reader = static_cast<Reader*>(png_get_io_ptr(png));
    if (length > reader->size - reader->at)
        png_error(png, "the image data ends early");
    std::memcpy(out, reader->data + reader->at, length);
    reader->at += length;
}

// The header, and the transformations that make every row width words of 0xAARRGGBB. libpng leaves
// by longjmp on an error, so this frame and ReadRows' hold nothing that needs destroying.
bool ReadHeader(Reader& reader, png_uint_32& width, png_uint_32& height)
{
    png_structp png = reader.png;
    png_infop info = reader.info;
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_read_fn(png, &reader, OnRead);
    // libpng itself refuses a header beyond our limits, before it allocates rows for it.
    png_set_user_limits(png, MaximumImageSide, MaximumImageSide);
    png_read_info(png, info);
    width = png_get_image_width(png, info);
    height = png_get_image_height(png, info);
    const int colourType = png_get_color_type(png, info);
    const int bitDepth = png_get_bit_depth(png, info);

    png_set_expand(png);
    // Samples scale to 8 bits as they are, without any gamma conversion.
    if (bitDepth == 16)
        png_set_scale_16(png);
    if (!(colourType & PNG_COLOR_MASK_COLOR))
        png_set_gray_to_rgb(png);
    if (!(colourType & PNG_COLOR_MASK_ALPHA) && !png_get_valid(png, info, PNG_INFO_tRNS))
        png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    // RGBA in memory order; a native 0xAARRGGBB word is BGRA on a little-endian machine.
    if constexpr (std::endian::native == std::endian::little)
        png_set_bgr(png);
    else
        png_set_swap_alpha(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != size_t{width} * 4) {
        std::snprintf(reader.error, sizeof reader.error, "%s", "unexpected row layout");
        return false;
    }
    return true;
}

bool ReadRows(Reader& reader, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(reader.png)))
        return false;
    png_read_image(reader.png, rows);
    png_read_end(reader.png, nullptr);
    return true;
}

bool Fail(DecodedImage& image, std::string* error, const char* reason)
{
    image = DecodedImage();
    if (error && reason)
        *error = reason;
    return false;
}

} // namespace

bool DecodePng(const uint8_t* data, size_t size, DecodedImage& image, std::string* error)
{
    if (!data || size == 0)
        return Fail(image, error, "no image data");
    if (size < 8 || png_sig_cmp(data, 0, 8) != 0)
        return Fail(image, error, "not a PNG image");

    Reader reader(data, size);
    reader.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &reader, OnError, OnWarning);
    if (reader.png)
        reader.info = png_create_info_struct(reader.png);
    if (!reader.info)
        return Fail(image, error, "out of memory");

    png_uint_32 width = 0;
    png_uint_32 height = 0;
    if (!ReadHeader(reader, width, height))
        return Fail(image, error, reader.error);
    if (width == 0 || height == 0 || width > MaximumImageSide || height > MaximumImageSide ||
        int64_t{width} * height > MaximumImagePixels)
        return Fail(image, error, "image too large");

    std::vector<uint32_t> pixels;
    std::vector<png_bytep> rows;
    try {
        pixels.resize(size_t{width} * height);
        rows.resize(height);
    } catch (const std::bad_alloc&) {
        return Fail(image, error, "out of memory");
    }
    for (png_uint_32 y = 0; y < height; ++y)
        rows[y] = reinterpret_cast<png_bytep>(pixels.data() + size_t{y} * width);
    if (!ReadRows(reader, rows.data()))
        return Fail(image, error, reader.error);

    image.width = static_cast<int32_t>(width);
    image.height = static_cast<int32_t>(height);
    image.pixels = std::move(pixels);
    if (error)
        error->clear();
    return true;
}

} // namespace VQ::Platform
