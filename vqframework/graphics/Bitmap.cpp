#include "vqframework/graphics/Bitmap.h"

#include "platform/images/PngDecoder.h"
#include "vqframework/graphics/Colorizer.h"
#include "vqframework/objectbase/Exception.h"
#include "vqframework/storage/VQFile.h"
#include "vqframework/system/ProgramResources.h"

#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <map>
#include <utility>

namespace VQ {

namespace {

using PathString = StringT<char16_t, char>;
using BitmapCache = std::map<PathString, ConstRCPtr<LBitmap>, std::less<>>;

// Never destroyed: bitmaps still held at exit must not find their cache gone.
BitmapCache& Cache()
{
    static BitmapCache* const cache = new BitmapCache();
    return *cache;
}

// No image within the decoder's limits comes near this; a bigger file is not read into memory.
constexpr uintmax_t MaximumImageFileSize = uintmax_t{256} << 20;

bool ReadWholeFile(const PathString& path, std::vector<uint8_t>& bytes)
{
    try {
        // Only regular files: a pipe or a device would block the UI thread or never end.
        std::string narrow;
        path.ToUTF8(narrow);
        std::error_code failure;
        const std::filesystem::path file(narrow);
        if (!std::filesystem::is_regular_file(file, failure) ||
            std::filesystem::file_size(file, failure) > MaximumImageFileSize || failure)
            return false;
        File opened(path, PathString(), File::OpenRead);
        if (!opened.IsOpen())
            return false;
        const int32_t length = opened.GetLength();
        if (length < 0 || uintmax_t(length) > MaximumImageFileSize)
            return false;
        bytes.resize(size_t(length));
        int32_t done = 0;
        while (done < length) {
            const int32_t read = opened.Read(bytes.data() + done, uint32_t(length - done), -1);
            if (read <= 0)
                return false;
            done += read;
        }
        return true;
    } catch (const std::exception&) {
        // A file that cannot be read is an image that cannot be loaded, which is not reported.
        return false;
    }
}

// Offsets far outside any image stay far outside instead of wrapping into it.
int32_t SaturatedAdd(int32_t a, int32_t b)
{
    const int64_t sum = int64_t(a) + b;
    if (sum > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (sum < std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return int32_t(sum);
}

float FromByte(uint32_t value, int shift)
{
    return float((value >> shift) & 0xFF) / 255.0f;
}

uint32_t TintChannel(uint32_t value, int shift, float keep, float tint)
{
    float channel = (FromByte(value, shift) * keep + tint) * 255.0f + 0.5f;
    // Out-of-range colours or modifiers must not turn into undefined conversions.
    if (!(channel >= 0.0f))
        channel = 0.0f;
    if (channel > 255.0f)
        channel = 255.0f;
    return uint32_t(channel) << shift;
}

} // namespace

LBitmap::LBitmap() = default;

LBitmap::LBitmap(const PathString& name, const PathString& cacheKey) : m_name(name), m_cacheKey(cacheKey)
{
    Platform::DecodedImage decoded;
    bool decodedOk = false;
    if (IsResourcePath(name)) {
        const std::span<const uint8_t> bytes = FindProgramResource(name, "GDIPLUS");
        decodedOk = !bytes.empty() && Platform::DecodePng(bytes.data(), bytes.size(), decoded);
    } else if (!name.IsEmpty()) {
        // A cached file's key is its canonical path: the file read is the one the key names.
        const PathString& file = !cacheKey.IsEmpty() && cacheKey.View().front() == u'/' ? cacheKey : name;
        std::vector<uint8_t> bytes;
        decodedOk = ReadWholeFile(file, bytes) && Platform::DecodePng(bytes.data(), bytes.size(), decoded);
    }
    if (!decodedOk || decoded.width <= 0 || decoded.height <= 0)
        return;
    m_image = std::make_unique<Image>();
    m_image->width = decoded.width;
    m_image->height = decoded.height;
    m_image->pixels = std::move(decoded.pixels);
    m_width = decoded.width;
    m_height = decoded.height;
}

LBitmap::~LBitmap() = default;

RCPtr<LBitmap> LBitmap::Load(const PathString& name)
{
    if (name.IsEmpty())
        return nullptr;
    PathString key;
    if (IsResourcePath(name)) {
        key = name.ToUpper();
    } else {
        key = GetLongPath(name);
        // A name without a canonical form could stand for another file's entry: it loads nothing.
        if (key.View().front() != u'/')
            return nullptr;
    }

    BitmapCache& cache = Cache();
    if (auto found = cache.find(key); found != cache.end())
        return RCPtr<LBitmap>(const_cast<LBitmap*>(found->second.Get()));

    RCPtr<LBitmap> bitmap(new LBitmap(name, key));
    if (!bitmap->m_image && !bitmap->m_parent)
        return nullptr;
    cache.emplace(key, bitmap);
    bitmap->AddCyclicReferences(1);
    return bitmap;
}

VQRESULT LBitmap::ReleaseCyclicReferences()
{
    BitmapCache& cache = Cache();
    auto found = m_cacheKey.IsEmpty() ? cache.end() : cache.find(m_cacheKey);
    if (found == cache.end() || found->second.Get() != this)
        return LRefCountedObject::ReleaseCyclicReferences();
    // The entry's release comes back into Release, which lowers the count without deleting.
    cache.erase(found);
    m_name.Clear();
    m_cacheKey.Clear();
    AddCyclicReferences(-1);
    return S_OK;
}

RCPtr<LBitmap> LBitmap::CreateSubBitmap(int32_t x, int32_t y, int32_t width, int32_t height) const
{
    if (width <= 0 || height <= 0) {
        x = 0;
        y = 0;
        width = m_width;
        height = m_height;
    }
    RCPtr<LBitmap> sub(new LBitmap());
    sub->m_x = SaturatedAdd(m_x, x);
    sub->m_y = SaturatedAdd(m_y, y);
    sub->m_width = width;
    sub->m_height = height;
    sub->m_parent = m_parent ? m_parent : RCPtr<LBitmap>(const_cast<LBitmap*>(this));
    return sub;
}

bool LBitmap::Lock(uint32_t*& first, int32_t& pitch) const
{
    Image* image = Root().m_image.get();
    if (!image || m_width <= 0 || m_height <= 0 || m_x < 0 || m_y < 0 || int64_t(m_x) + m_width > image->width ||
        int64_t(m_y) + m_height > image->height)
        return false;
    pitch = image->width * int32_t(sizeof(uint32_t));
    first = image->pixels.data() + size_t(m_y) * size_t(image->width) + size_t(m_x);
    return true;
}

RCPtr<LBitmap> LBitmap::Copy() const
{
    uint32_t* first = nullptr;
    int32_t pitch = 0;
    if (!Lock(first, pitch))
        return nullptr;
    auto image = std::make_unique<Image>();
    image->width = m_width;
    image->height = m_height;
    image->pixels.resize(size_t(m_width) * size_t(m_height));
    const size_t rowWords = size_t(pitch) / sizeof(uint32_t);
    for (int32_t row = 0; row < m_height; ++row)
        std::memcpy(image->pixels.data() + size_t(row) * size_t(m_width), first + size_t(row) * rowWords,
                    size_t(m_width) * sizeof(uint32_t));
    RCPtr<LBitmap> copy(new LBitmap());
    copy->m_width = m_width;
    copy->m_height = m_height;
    copy->m_image = std::move(image);
    return copy;
}

uintptr_t LBitmap::GetHandle(const ConstRCPtr<LBitmap>& bitmap)
{
    if (!bitmap)
        return 0;
    return reinterpret_cast<uintptr_t>(bitmap->Root().m_image.get());
}

RGBAColor LBitmap::GetPixel(int32_t x, int32_t y) const
{
    RGBAColor color;
    const Image* image = Root().m_image.get();
    const int64_t column = int64_t(x) + m_x;
    const int64_t row = int64_t(y) + m_y;
    if (!image || column < 0 || row < 0 || column >= image->width || row >= image->height)
        return color;
    const uint32_t argb = image->pixels[size_t(row) * size_t(image->width) + size_t(column)];
    color.r = FromByte(argb, 16);
    color.g = FromByte(argb, 8);
    color.b = FromByte(argb, 0);
    color.a = FromByte(argb, 24);
    return color;
}

RCPtr<LBitmapData> LBitmap::GetData() const
{
    if (m_parent)
        return m_parent->GetData();
    // A read lock changes nothing, so a constant bitmap may hand it out.
    return RCPtr<LBitmapData>(
        new LBitmapData(RCPtr<LBitmap>(const_cast<LBitmap*>(this)), LBitmapData::LockMode::Read, nullptr));
}

RCPtr<LBitmap> LBitmap::ApplyColorizer(const ConstRCPtr<LColorizer>& colorizer, float alphaModifier, int32_t width,
                                       int32_t height, const ConstRCPtr<LBitmap>& image,
                                       const ConstRCPtr<LBitmap>& mask)
{
    RCPtr<LBitmap> copy;
    if (image) {
        if (mask)
            VQ_THROW(std::domain_error);
        copy = image->Copy();
    } else if (mask) {
        copy = mask->Copy();
    } else {
        return CreateColorizedBitmap(colorizer, alphaModifier, width, height);
    }
    ApplyColorizer(copy, colorizer, alphaModifier);
    return copy;
}

void LBitmap::ApplyColorizer(const RCPtr<LBitmap>& bitmap, const ConstRCPtr<LColorizer>& colorizer,
                             float alphaModifier)
{
    if (!bitmap || !colorizer)
        VQ_THROW(std::runtime_error);
    if (colorizer->IsTrueGradient()) {
        // No bitmap can be filled with a true gradient; this throws before any pixel changes.
        (void)CreateColorizedBitmap(colorizer, alphaModifier, bitmap->m_width, bitmap->m_height);
        return;
    }

    const RGBAColor& color = colorizer->GetColor();
    const float alpha = color.a * alphaModifier;
    const float keep = 1.0f - alpha;
    // A channel's result depends on its byte alone, so each byte value is computed once.
    uint32_t red[256];
    uint32_t green[256];
    uint32_t blue[256];
    for (uint32_t value = 0; value < 256; ++value) {
        red[value] = TintChannel(value << 16, 16, keep, color.r * alpha);
        green[value] = TintChannel(value << 8, 8, keep, color.g * alpha);
        blue[value] = TintChannel(value, 0, keep, color.b * alpha);
    }

    uint32_t* first = nullptr;
    int32_t pitch = 0;
    if (!bitmap->Lock(first, pitch))
        VQ_THROW(std::runtime_error);
    const size_t rowWords = size_t(pitch) / sizeof(uint32_t);
    for (int32_t y = 0; y < bitmap->m_height; ++y) {
        uint32_t* row = first + size_t(y) * rowWords;
        for (int32_t x = 0; x < bitmap->m_width; ++x) {
            const uint32_t pixel = row[x];
            row[x] = (pixel & 0xFF000000u) | red[(pixel >> 16) & 0xFF] | green[(pixel >> 8) & 0xFF] |
                     blue[pixel & 0xFF];
        }
    }
}

RCPtr<LBitmap> LBitmap::CreateColorizedBitmap(const ConstRCPtr<LColorizer>& colorizer, float alphaModifier,
                                              int32_t width, int32_t height)
{
    if (width <= 0 || height <= 0 || !colorizer)
        VQ_THROW(std::runtime_error);
    if (colorizer->IsTrueGradient()) {
        RCPtr<LBitmap> gradient;
        CreateGradientFilledBitmap(gradient, width, height, colorizer->GetColor(), colorizer->GetEndColor(),
                                   colorizer->GetStartX(), colorizer->GetStartY(), colorizer->GetEndX(),
                                   colorizer->GetEndY(), colorizer->GetColorType() == LColorizer::RadialGradient);
    }
    RGBAColor color = colorizer->GetColor();
    color.a *= alphaModifier;
    return CreateFilledBitmap(width, height, color);
}

RCPtr<LBitmap> LBitmap::CreateFilledBitmap(int32_t width, int32_t height, const RGBAColor& color)
{
    if (width <= 0 || height <= 0)
        VQ_THROW(std::runtime_error);
    // Decoded images have the same limit; a skin's size is no reason to ask for gigabytes.
    if (int64_t(width) * height > Platform::MaximumImagePixels)
        throw Exception<std::bad_alloc>();
    auto image = std::make_unique<Image>();
    image->width = width;
    image->height = height;
    image->pixels.assign(size_t(width) * size_t(height), color.ToARGB());
    RCPtr<LBitmap> bitmap(new LBitmap());
    bitmap->m_width = width;
    bitmap->m_height = height;
    bitmap->m_image = std::move(image);
    return bitmap;
}

void LBitmap::CreateGradientFilledBitmap(RCPtr<LBitmap>& result, int32_t, int32_t, const RGBAColor&,
                                         const RGBAColor&, float, float, float, float, bool)
{
    result = nullptr;
    VQ_THROW(std::domain_error);
}

LBitmapData::LBitmapData(const RCPtr<LBitmap>& bitmap, LockMode mode, const RCPtr<LPixelBuffer<uint32_t>>& buffer)
    : m_bitmap(bitmap), m_mode(mode)
{
    if (buffer)
        VQ_THROW(std::domain_error);
    if (!bitmap || !bitmap->Lock(m_first, m_pitch))
        VQ_THROW(std::runtime_error);
    m_width = bitmap->m_width;
    m_height = bitmap->m_height;
}

LBitmapData::~LBitmapData() = default;

uint32_t* LBitmapData::GetPixel(int32_t x, int32_t y)
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return nullptr;
    return m_first + size_t(y) * (size_t(m_pitch) / sizeof(uint32_t)) + size_t(x);
}

} // namespace VQ
