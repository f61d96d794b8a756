#include "vqframework/controlbase/VisualPart.h"

#include "vqframework/controlbase/VisualPartDescriptor.h"
#include "vqframework/objectbase/Exception.h"
#include "vqframework/renderer/Renderer.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace VQ {

using detail::TruncateCoordinate;

LVisualPart::LVisualPart(const String& name, const RCPtr<LBitmap>& bitmap, ResizeType resizeType,
                         const RCPtr<LColorizer>& colorizer, int32_t width, int32_t height, float alphaModifier,
                         const RCPtr<LBitmap>& mask)
    : m_name(name), m_bitmap(bitmap), m_width(width), m_height(height), m_resizeType(resizeType),
      m_colorizer(colorizer), m_alphaModifier(alphaModifier), m_mask(mask)
{
    if (m_bitmap) {
        m_width = m_bitmap->GetWidth();
        m_height = m_bitmap->GetHeight();
    }
    if (m_colorizer && (m_bitmap || m_mask || m_colorizer->GetColorType() != LColorizer::SolidFill))
        m_bitmap = LBitmap::ApplyColorizer(m_colorizer, m_alphaModifier, m_width, m_height, m_bitmap, m_mask);
}

RCPtr<LVisualPart> LVisualPart::CreateFromBitmap(const String& name, const RCPtr<LBitmap>& bitmap,
                                                 ResizeType resizeType, const RCPtr<LColorizer>& colorizer,
                                                 float alphaModifier, const RCPtr<LBitmap>& mask)
{
    if (!bitmap)
        return nullptr;
    return RCPtr<LVisualPart>(new LVisualPart(name, bitmap, resizeType, colorizer, bitmap->GetWidth(),
                                              bitmap->GetHeight(), alphaModifier, mask));
}

RCPtr<LVisualPart> LVisualPart::CreateFromColorizer(const String& name, const RCPtr<LColorizer>& colorizer,
                                                    int32_t width, int32_t height, ResizeType resizeType,
                                                    float alphaModifier, const RCPtr<LBitmap>& mask)
{
    if (!colorizer)
        return nullptr;
    return RCPtr<LVisualPart>(
        new LVisualPart(name, nullptr, resizeType, colorizer, width, height, alphaModifier, mask));
}

VQRESULT LVisualPart::Draw(const RCPtr<LRenderer>& renderer, float width, float height)
{
    const int32_t w = ConvertCoordinate<int32_t>(width);
    const int32_t h = ConvertCoordinate<int32_t>(height);
    if (m_bitmap) {
        renderer->DrawBitmap(m_bitmap, {0, 0, w, h}, m_resizeType);
        return S_OK;
    }
    if (!m_colorizer)
        VQ_THROW(std::runtime_error);

    RGBAColor color = m_colorizer->GetColor();
    color.a *= m_alphaModifier;
    if (!(color.a > 0))
        return S_OK;
    RectT<int32_t> rect{0, 0, w, h};
    if (m_resizeType == ResizeCenter) {
        // Halves toward zero, as integer division gives them.
        rect = {static_cast<int32_t>((int64_t{w} - m_width) / 2), static_cast<int32_t>((int64_t{h} - m_height) / 2),
                m_width, m_height};
    }
    renderer->FillRect(rect, color, true);
    return S_OK;
}

uint32_t LVisualPart::GetColorAtPoint(int32_t x, int32_t y) const
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return NoColor;
    if (m_bitmap)
        return m_bitmap->GetPixel(x, y).ToARGB();
    if (!m_colorizer)
        VQ_THROW(std::runtime_error);
    if (m_colorizer->GetColorType() == LColorizer::LinearGradient)
        VQ_THROW(std::runtime_error);
    if (m_colorizer->GetColorType() == LColorizer::RadialGradient)
        VQ_THROW(std::runtime_error);
    RGBAColor color = m_colorizer->GetColor();
    color.a *= m_alphaModifier;
    return color.ToARGB();
}

uint32_t LVisualPart::GetColorAtPoint(float x, float y, float width, float height) const
{
    const float partWidth = ConvertCoordinate<float>(m_width);
    const float partHeight = ConvertCoordinate<float>(m_height);
    constexpr float SameSize = 1.1920929e-6f;
    if (std::fabs(width - partWidth) < SameSize && std::fabs(height - partHeight) < SameSize)
        return GetColorAtPoint(ConvertCoordinate<int32_t>(x), ConvertCoordinate<int32_t>(y));
    if (!(x >= 0 && y >= 0 && x < width && y < height))
        return NoColor;

    switch (m_resizeType) {
    case ResizeTile: {
        const int32_t tileWidth = TruncateCoordinate(double(partWidth) + 0.5);
        const int32_t tileHeight = TruncateCoordinate(double(partHeight) + 0.5);
        // A tile with no area covers nothing.
        if (tileWidth <= 0 || tileHeight <= 0)
            return NoColor;
        return GetColorAtPoint(TruncateCoordinate(double(x) + 0.5) % tileWidth,
                               TruncateCoordinate(double(y) + 0.5) % tileHeight);
    }
    case ResizeCenter:
        return GetColorAtPoint(ConvertCoordinate<int32_t>(x - (width - partWidth) * 0.5f),
                               ConvertCoordinate<int32_t>(y - (height - partHeight) * 0.5f));
    case ResizeStretch: {
        if (width >= partWidth && height >= partHeight) {
            // In double and kept below the part's size: in float, a point just inside the right or
            // bottom edge can scale onto the edge itself and miss the part.
            const int32_t px = std::min(m_width - 1, TruncateCoordinate(double(partWidth) * x / width));
            const int32_t py = std::min(m_height - 1, TruncateCoordinate(double(partHeight) * y / height));
            return GetColorAtPoint(px, py);
        }
        // A part without bitmap has one colour everywhere: however large, one pixel answers.
        if (!m_bitmap)
            return GetColorAtPoint(0, 0);
        const float scaleX = partWidth / width;
        const float scaleY = partHeight / height;
        // Drawn smaller: the point covers a block of part pixels, any opaque one of which shows.
        // The block is cut to the part, so a tiny destination scans no more than the part.
        const double left = double(scaleX) * x;
        const double top = double(scaleY) * y;
        const int32_t x0 = std::max(0, TruncateCoordinate(std::floor(left)));
        const int32_t y0 = std::max(0, TruncateCoordinate(std::floor(top)));
        const int32_t x1 = std::min(m_width, TruncateCoordinate(std::ceil(left + std::max(double(scaleX), 1.0))));
        const int32_t y1 = std::min(m_height, TruncateCoordinate(std::ceil(top + std::max(double(scaleY), 1.0))));
        for (int32_t py = y0; py < y1; ++py) {
            for (int32_t px = x0; px < x1; ++px) {
                const uint32_t color = GetColorAtPoint(px, py);
                if (color >> 24 != 0)
                    return color;
            }
        }
        return NoColor;
    }
    default:
        VQ_THROW(std::runtime_error);
    }
}

void LVisualPart::BindDescriptor(const RCPtr<LVisualPartDescriptor>& descriptor)
{
    m_descriptor = descriptor;
    AddCyclicReferences(1);
}

VQRESULT LVisualPart::ReleaseCyclicReferences()
{
    if (!m_descriptor)
        return LRefCountedObject::ReleaseCyclicReferences();
    // The descriptor gives back its reference and this part's cyclic count; the part itself goes
    // when the release that brought it here completes.
    m_descriptor->DropVisualPart(this);
    return S_OK;
}

} // namespace VQ
