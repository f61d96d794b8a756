// The drawable form of a skin part: a bitmap cut from a skin image and tinted by the part's
// colorizer, or a plain colour, drawn into a rectangle by its resize type.
#pragma once

#include "vqframework/graphics/Bitmap.h"
#include "vqframework/graphics/Colorizer.h"
#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/renderer/RenderTypes.h"
#include "vqframework/storage/StringT.h"

#include <cstdint>

namespace VQ {

class LRenderer;
class LVisualPartDescriptor;

class LVisualPart : public virtual LRefCountedObject {
public:
    using String = StringT<char16_t, char>;

    // Transparent white: the colour of every point outside a part.
    static constexpr uint32_t NoColor = 0x00FFFFFF;

    // With a bitmap the size is the bitmap's. A colorizer with a bitmap, a mask or a gradient
    // replaces the bitmap by the tinted one; a solid colorizer alone leaves the part a filled area.
    LVisualPart(const String& name, const RCPtr<LBitmap>& bitmap, ResizeType resizeType,
                const RCPtr<LColorizer>& colorizer, int32_t width, int32_t height, float alphaModifier,
                const RCPtr<LBitmap>& mask);

    // Null when the bitmap is null.
    static RCPtr<LVisualPart> CreateFromBitmap(const String& name, const RCPtr<LBitmap>& bitmap,
                                               ResizeType resizeType, const RCPtr<LColorizer>& colorizer,
                                               float alphaModifier, const RCPtr<LBitmap>& mask);
    // A part without bitmap; null when the colorizer is null.
    static RCPtr<LVisualPart> CreateFromColorizer(const String& name, const RCPtr<LColorizer>& colorizer,
                                                  int32_t width, int32_t height, ResizeType resizeType,
                                                  float alphaModifier, const RCPtr<LBitmap>& mask);

    // Draws into (0, 0, width, height) at the renderer's current origin; returns 0.
    virtual VQRESULT Draw(const RCPtr<LRenderer>& renderer, float width, float height);

    // The packed 0xAARRGGBB colour of a pixel of the part's own size.
    uint32_t GetColorAtPoint(int32_t x, int32_t y) const;
    // The packed colour at a point of the part drawn into a rectangle of the size.
    uint32_t GetColorAtPoint(float x, float y, float width, float height) const;

    const String& GetName() const { return m_name; }
    const RCPtr<LBitmap>& GetBitmap() const { return m_bitmap; }
    int32_t GetWidth() const { return m_width; }
    int32_t GetHeight() const { return m_height; }
    ResizeType GetResizeType() const { return m_resizeType; }
    const RCPtr<LColorizer>& GetColorizer() const { return m_colorizer; }
    float GetAlphaModifier() const { return m_alphaModifier; }
    const RCPtr<LBitmap>& GetMask() const { return m_mask; }
    const RCPtr<LVisualPartDescriptor>& GetDescriptor() const { return m_descriptor; }

    // Called by the descriptor that caches this part: the part refers back to it, and counts the
    // descriptor's reference to itself as cyclic.
    void BindDescriptor(const RCPtr<LVisualPartDescriptor>& descriptor);
    // Only the descriptor's cache keeps the part: the descriptor drops it, which ends the cycle.
    VQRESULT ReleaseCyclicReferences() override;

private:
    const String m_name;
    RCPtr<LBitmap> m_bitmap;
    int32_t m_width = 0;
    int32_t m_height = 0;
    const ResizeType m_resizeType;
    const RCPtr<LColorizer> m_colorizer;
    const float m_alphaModifier;
    const RCPtr<LBitmap> m_mask;
    RCPtr<LVisualPartDescriptor> m_descriptor;
};

} // namespace VQ
