// Bitmaps made in memory, colorizers, and a renderer that records the drawing calls of looks and
// visual parts with the origin and clip each was made under.
#pragma once

#include "tests/vqframework/renderer/RecordingRenderer.h"
#include "vqframework/graphics/Bitmap.h"
#include "vqframework/controlbase/LookDescriptor.h"
#include "vqframework/graphics/Colorizer.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace VQ::test {

using Text = StringT<char16_t, char>;

inline RGBAColor ColorOf(uint32_t argb)
{
    RGBAColor color;
    color.SetARGB(argb);
    return color;
}

inline RCPtr<LBitmap> MakeBitmap(int32_t width, int32_t height, const std::function<uint32_t(int32_t, int32_t)>& pixel)
{
    RCPtr<LBitmap> bitmap = LBitmap::CreateFilledBitmap(width, height, ColorOf(0));
    LBitmapData data(bitmap, LBitmapData::LockMode::ReadWrite, nullptr);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            *data.GetPixel(x, y) = pixel(x, y);
    return bitmap;
}

// Opaque, and different at every pixel of a small bitmap.
inline uint32_t CoordPixel(int32_t x, int32_t y)
{
    return 0xFF000000u | uint32_t(x) << 16 | uint32_t(y) << 8 | 0x01u;
}

inline RCPtr<LColorizer> Solid(uint32_t argb)
{
    return LColorizer::Create(Text("tint"), LColorizer::SolidFill, ColorOf(argb), ColorOf(argb), 0, 0, 1, 1);
}

// A part docked by the offsets the flags give; a width or height above 0 is given as well.
inline RCPtr<LDockedPart> Dock(const RCPtr<LVisualPartDescriptor>& part, int32_t flags, int32_t left, int32_t top,
                               int32_t right, int32_t bottom, int32_t width = 0, int32_t height = 0)
{
    DockRecord dock;
    dock.offsetFlags = flags;
    dock.OffsetLeft = left;
    dock.OffsetTop = top;
    dock.OffsetRight = right;
    dock.OffsetBottom = bottom;
    dock.hasWidth = width > 0;
    dock.Width = width;
    dock.hasHeight = height > 0;
    dock.Height = height;
    return LDockedPart::Create(part, dock);
}

struct DrawCall {
    std::string what; // "bitmap", "fill" or "string"
    RectT<int32_t> rect;
    ResizeType resizeType = ResizeStretch;
    RGBAColor color;
    std::string text;
    PointT<int32_t> position;
    // The origin, clip and opacity the call was made under.
    PointT<double> origin;
    RectT<double> clip;
    float opacity = 1.0f;
};

class DrawRecorder : public LRecordingRenderer {
public:
    static RCPtr<DrawRecorder> Create() { return RCPtr<DrawRecorder>(new DrawRecorder()); }

    std::vector<DrawCall> calls;

    void DrawBitmap(const ConstRCPtr<LBitmap>&, const RectT<int32_t>& destination, ResizeType resizeType) override
    {
        DrawCall call = Current("bitmap");
        call.rect = destination;
        call.resizeType = resizeType;
        calls.push_back(call);
    }
    void FillRect(const RectT<int32_t>& rect, const RGBAColor& color, bool blend) override
    {
        DrawCall call = Current(blend ? "fill" : "fill replace");
        call.rect = rect;
        call.color = color;
        calls.push_back(call);
    }
    void DrawString(const StringT<char16_t, char>& text, const ConstRCPtr<LFont>&, const PointT<int32_t>& origin,
                    const RGBAColor& color) override
    {
        DrawCall call = Current("string");
        text.ToUTF8(call.text);
        call.position = origin;
        call.color = color;
        calls.push_back(call);
    }

    // Pushes not yet popped.
    size_t Depth() const
    {
        const RCPtr<LRenderContextInfo> context = GetCurrentContext();
        return context ? context->GetSavedStates().size() : 0;
    }

private:
    DrawCall Current(const char* what) const
    {
        DrawCall call;
        call.what = what;
        if (const RCPtr<LRenderContextInfo> context = GetCurrentContext()) {
            call.origin = context->GetState().offset;
            call.clip = context->GetState().clip;
            call.opacity = context->GetState().opacity;
        }
        return call;
    }
};

} // namespace VQ::test
