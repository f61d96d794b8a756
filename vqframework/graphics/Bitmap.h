// The program's image: a counted image decoded from a resource or a file, or a rectangle of another
// bitmap. Loaded images are shared through a cache keyed by name, and skins tint them on demand.
#pragma once

#include "vqframework/graphics/PixelBuffer.h"
#include "vqframework/graphics/RGBAColor.h"
#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/storage/StringT.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace VQ {

class LBitmapData;
class LColorizer;

class LBitmap : public virtual LRefCountedObject {
public:
    // An empty bitmap: no image, no parent.
    LBitmap();
    // Loads the image a name gives: "::" and a resource name, or a file path. Without an image when
    // it cannot be found or decoded.
    LBitmap(const StringT<char16_t, char>& name, const StringT<char16_t, char>& cacheKey);
    ~LBitmap() override;

    // The shared bitmap of a name; empty when the image cannot be loaded. UI thread only.
    static RCPtr<LBitmap> Load(const StringT<char16_t, char>& name);

    // A width or height of 0 or less means the whole bitmap. The rectangle is not clipped to the root.
    RCPtr<LBitmap> CreateSubBitmap(int32_t x, int32_t y, int32_t width, int32_t height) const;
    // A new root bitmap holding a copy of this bitmap's rectangle; empty when the rectangle is not
    // all inside the root image.
    RCPtr<LBitmap> Copy() const;
    // The identity of the root's image, which renderers key their caches by; 0 for none.
    static uintptr_t GetHandle(const ConstRCPtr<LBitmap>& bitmap);
    // The straight colour of the pixel at (x, y) of this bitmap; all 0 outside the root image.
    RGBAColor GetPixel(int32_t x, int32_t y) const;
    // The root image's pixels, locked for reading. They are the shared image's own pixels: a cached
    // bitmap is seen by every holder, so write only through a bitmap of your own (a copy).
    RCPtr<LBitmapData> GetData() const;

    // The tinted bitmap of a visual part: a tinted copy of the image or else of the mask, or, with
    // neither, a bitmap of the size filled by the colorizer.
    static RCPtr<LBitmap> ApplyColorizer(const ConstRCPtr<LColorizer>& colorizer, float alphaModifier, int32_t width,
                                         int32_t height, const ConstRCPtr<LBitmap>& image,
                                         const ConstRCPtr<LBitmap>& mask);
    // Tints the bitmap's rectangle in place; the alpha bytes stay.
    static void ApplyColorizer(const RCPtr<LBitmap>& bitmap, const ConstRCPtr<LColorizer>& colorizer,
                               float alphaModifier);
    static RCPtr<LBitmap> CreateColorizedBitmap(const ConstRCPtr<LColorizer>& colorizer, float alphaModifier,
                                                int32_t width, int32_t height);
    static RCPtr<LBitmap> CreateFilledBitmap(int32_t width, int32_t height, const RGBAColor& color);
    // Always throws, with the result emptied: no bitmap is filled with a true gradient.
    [[noreturn]] static void CreateGradientFilledBitmap(RCPtr<LBitmap>& result, int32_t width, int32_t height,
                                                        const RGBAColor& startColor, const RGBAColor& endColor,
                                                        float startX, float startY, float endX, float endY,
                                                        bool radial);

    int32_t GetX() const { return m_x; }
    int32_t GetY() const { return m_y; }
    int32_t GetWidth() const { return m_width; }
    int32_t GetHeight() const { return m_height; }
    // The root whose image a sub-bitmap shows; empty for a root bitmap.
    const RCPtr<LBitmap>& GetParent() const { return m_parent; }
    const StringT<char16_t, char>& GetName() const { return m_name; }
    const StringT<char16_t, char>& GetCacheKey() const { return m_cacheKey; }
    bool HasImage() const { return m_image != nullptr; }

    // The cache's reference is the only one left: the entry goes, and with it the bitmap.
    VQRESULT ReleaseCyclicReferences() override;

private:
    // Straight ARGB words 0xAARRGGBB, rows top down, no padding.
    struct Image {
        int32_t width = 0;
        int32_t height = 0;
        std::vector<uint32_t> pixels;
    };

    // The first pixel of this bitmap's rectangle in its root's image and the row pitch in bytes;
    // false when the rectangle is empty or not all inside the image.
    bool Lock(uint32_t*& first, int32_t& pitch) const;
    const LBitmap& Root() const { return m_parent ? *m_parent : *this; }

    int32_t m_x = 0;
    int32_t m_y = 0;
    int32_t m_width = 0;
    int32_t m_height = 0;
    RCPtr<LBitmap> m_parent;
    StringT<char16_t, char> m_name;
    StringT<char16_t, char> m_cacheKey;
    std::unique_ptr<Image> m_image;

    friend class LBitmapData;
};

// The pixels of a bitmap's rectangle, locked for direct access while it lives.
class LBitmapData : public IPixelBuffer<uint32_t>, public virtual LRefCountedObject {
public:
    enum class LockMode { Read, ReadWrite };

    // The buffer must be empty. A rectangle that is not all inside the root image cannot be locked.
    LBitmapData(const RCPtr<LBitmap>& bitmap, LockMode mode, const RCPtr<LPixelBuffer<uint32_t>>& buffer);
    ~LBitmapData() override;

    int32_t GetWidth() const override { return m_width; }
    int32_t GetHeight() const override { return m_height; }
    int32_t GetPitch() const override { return m_pitch; }
    using IPixelBuffer<uint32_t>::GetPixel;
    // Null outside the locked rectangle.
    uint32_t* GetPixel(int32_t x, int32_t y) override;

    LockMode GetLockMode() const { return m_mode; }

private:
    RCPtr<LBitmap> m_bitmap;
    int32_t m_width = 0;
    int32_t m_height = 0;
    int32_t m_pitch = 0;
    LockMode m_mode;
    uint32_t* m_first = nullptr;
};

} // namespace VQ
