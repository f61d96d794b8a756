// Builds PNG files by hand, so that decoder tests state their pixels exactly: any colour type, bit
// depth and interlacing, and ways to damage the result.
//
//     PngImage image{.width = 2, .height = 1, .colourType = PngColourType::Rgb, .bitDepth = 8,
//                    .samples = {255, 0, 0, 0, 0, 255}};
//     std::vector<uint8_t> bytes = WritePng(image);
//
// Nothing is checked: an image the format does not allow is written as described.
#pragma once

#include <zlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace VQ::test {

enum class PngColourType : uint8_t { Grey = 0, Rgb = 2, Palette = 3, GreyAlpha = 4, Rgba = 6 };

struct PngImage {
    uint32_t width = 0;
    uint32_t height = 0;
    PngColourType colourType = PngColourType::Rgba;
    uint8_t bitDepth = 8;
    bool interlaced = false;
    // Row-major, every channel of a pixel in file order (a palette index for a palette image), each
    // at the image's bit depth.
    std::vector<uint16_t> samples;
    // R, G, B per entry; written as a PLTE chunk when not empty.
    std::vector<uint8_t> palette;
    // Written as a tRNS chunk when not empty.
    std::vector<uint8_t> transparency;
};

// The IHDR fields, to write over those of a finished file.
struct PngHeader {
    uint32_t width = 0;
    uint32_t height = 0;
    uint8_t bitDepth = 8;
    uint8_t colourType = 6;
    uint8_t compression = 0;
    uint8_t filter = 0;
    uint8_t interlace = 0;
};

namespace png_detail {

inline constexpr uint8_t Signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
inline constexpr size_t HeaderOffset = 8 + 8; // signature, IHDR length and type

inline int Channels(PngColourType type)
{
    switch (type) {
    case PngColourType::Grey:
    case PngColourType::Palette:
        return 1;
    case PngColourType::GreyAlpha:
        return 2;
    case PngColourType::Rgb:
        return 3;
    case PngColourType::Rgba:
        return 4;
    }
    return 1;
}

inline void PutU32(std::vector<uint8_t>& out, uint32_t value)
{
    out.push_back(uint8_t(value >> 24));
    out.push_back(uint8_t(value >> 16));
    out.push_back(uint8_t(value >> 8));
    out.push_back(uint8_t(value));
}

inline uint32_t GetU32(const std::vector<uint8_t>& in, size_t at)
{
    return uint32_t(in.at(at)) << 24 | uint32_t(in.at(at + 1)) << 16 | uint32_t(in.at(at + 2)) << 8 | in.at(at + 3);
}

inline void SetU32(std::vector<uint8_t>& out, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.at(at + i) = uint8_t(value >> (24 - 8 * i));
}

// The CRC covers the type and the data, not the length.
inline void PutChunk(std::vector<uint8_t>& out, std::string_view type, const std::vector<uint8_t>& data)
{
    PutU32(out, uint32_t(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), data.begin(), data.end());
    PutU32(out, uint32_t(crc32(0, out.data() + start, uInt(out.size() - start))));
}

inline std::vector<uint8_t> HeaderData(const PngHeader& header)
{
    std::vector<uint8_t> data;
    PutU32(data, header.width);
    PutU32(data, header.height);
    data.insert(data.end(), {header.bitDepth, header.colourType, header.compression, header.filter, header.interlace});
    return data;
}

// One scanline per row of the sub-image (x0 + n·dx, y0 + m·dy), each behind filter type 0.
inline void AppendScanlines(std::vector<uint8_t>& raw, const PngImage& image, uint32_t x0, uint32_t y0, uint32_t dx,
                            uint32_t dy)
{
    const int channels = Channels(image.colourType);
    const uint32_t depth = image.bitDepth;
    for (uint32_t y = y0; y < image.height; y += dy) {
        raw.push_back(0);
        uint32_t bits = 0;
        uint32_t filled = 0;
        for (uint32_t x = x0; x < image.width; x += dx) {
            for (int c = 0; c < channels; ++c) {
                const uint16_t sample = image.samples.at((size_t(y) * image.width + x) * channels + c);
                if (depth == 16) {
                    raw.push_back(uint8_t(sample >> 8));
                    raw.push_back(uint8_t(sample));
                } else if (depth == 8) {
                    raw.push_back(uint8_t(sample));
                } else {
                    // Low depths pack from the most significant bit.
                    bits = bits << depth | (sample & ((1u << depth) - 1));
                    filled += depth;
                    if (filled == 8) {
                        raw.push_back(uint8_t(bits));
                        bits = filled = 0;
                    }
                }
            }
        }
        if (filled > 0)
            raw.push_back(uint8_t(bits << (8 - filled)));
    }
}

} // namespace png_detail

inline std::vector<uint8_t> WritePng(const PngImage& image)
{
    using namespace png_detail;
    std::vector<uint8_t> raw;
    if (image.interlaced) {
        // Adam7: start column and row, then column and row steps of each pass; an empty pass writes
        // nothing.
        static constexpr uint32_t Passes[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                                  {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
        for (const auto& pass : Passes) {
            if (pass[0] < image.width && pass[1] < image.height)
                AppendScanlines(raw, image, pass[0], pass[1], pass[2], pass[3]);
        }
    } else {
        AppendScanlines(raw, image, 0, 0, 1, 1);
    }

    uLongf packedSize = compressBound(uLong(raw.size()));
    std::vector<uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), uLong(raw.size()), Z_BEST_COMPRESSION) != Z_OK)
        throw std::runtime_error("zlib cannot compress the scanlines");
    packed.resize(packedSize);

    std::vector<uint8_t> out(std::begin(Signature), std::end(Signature));
    PutChunk(out, "IHDR",
             HeaderData({image.width, image.height, image.bitDepth, uint8_t(image.colourType), 0, 0,
                         uint8_t(image.interlaced ? 1 : 0)}));
    if (!image.palette.empty())
        PutChunk(out, "PLTE", image.palette);
    if (!image.transparency.empty())
        PutChunk(out, "tRNS", image.transparency);
    PutChunk(out, "IDAT", packed);
    PutChunk(out, "IEND", {});
    return out;
}

// The header of a file WritePng made.
inline PngHeader ReadPngHeader(const std::vector<uint8_t>& png)
{
    using png_detail::HeaderOffset;
    return {png_detail::GetU32(png, HeaderOffset), png_detail::GetU32(png, HeaderOffset + 4),
            png.at(HeaderOffset + 8),              png.at(HeaderOffset + 9),
            png.at(HeaderOffset + 10),             png.at(HeaderOffset + 11),
            png.at(HeaderOffset + 12)};
}

// The file with other header fields and a CRC that matches them, so that only the fields are wrong.
inline std::vector<uint8_t> WithPngHeader(std::vector<uint8_t> png, const PngHeader& header)
{
    using namespace png_detail;
    const std::vector<uint8_t> data = HeaderData(header);
    std::copy(data.begin(), data.end(), png.begin() + HeaderOffset);
    SetU32(png, HeaderOffset + data.size(), uint32_t(crc32(0, png.data() + HeaderOffset - 4, uInt(4 + data.size()))));
    return png;
}

// The offset of the first chunk of the type (its length field); the size of the file when none.
inline size_t FindPngChunk(const std::vector<uint8_t>& png, std::string_view type)
{
    size_t at = sizeof(png_detail::Signature);
    while (at + 8 <= png.size()) {
        if (std::string_view(reinterpret_cast<const char*>(png.data()) + at + 4, 4) == type)
            return at;
        at += 12 + png_detail::GetU32(png, at);
    }
    return png.size();
}

// The file with one bit of the CRC of the first chunk of the type flipped.
inline std::vector<uint8_t> WithBrokenCrc(std::vector<uint8_t> png, std::string_view type)
{
    const size_t chunk = FindPngChunk(png, type);
    if (chunk == png.size())
        throw std::invalid_argument("the file has no such chunk");
    png.at(chunk + 8 + png_detail::GetU32(png, chunk)) ^= 0x01;
    return png;
}

// The first size bytes of the file.
inline std::vector<uint8_t> TruncatedPng(std::vector<uint8_t> png, size_t size)
{
    png.resize(std::min(size, png.size()));
    return png;
}

} // namespace VQ::test
