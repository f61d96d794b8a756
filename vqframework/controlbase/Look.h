// A look sized for its control: the descriptor's docked parts turned into rectangles and visual
// parts, drawn in three separate steps (the parts around the client area, the client area, the
// text), and the colour under a point that hit tests read.
#pragma once

#include "vqframework/controlbase/FontText.h"
#include "vqframework/controlbase/LookDescriptor.h"
#include "vqframework/controlbase/VisualPart.h"
#include "vqframework/graphics/Font.h"
#include "vqframework/graphics/RectRegion.h"
#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/storage/Array.h"
#include "vqframework/storage/RCPtrArray.h"
#include "vqframework/storage/RectT.h"
#include "vqframework/storage/StringT.h"

#include <cstdint>

namespace VQ {

class LRenderer;

class LLook : public virtual LRefCountedObject {
public:
    using String = StringT<char16_t, char>;

    // Null for a null descriptor. wrap is the text block's wrap flag.
    static RCPtr<LLook> Create(const RCPtr<LLookDescriptor>& descriptor, bool wrap);

    // Binds the look to a descriptor and lays it out again at its size; returns 0, or E_INVALIDARG
    // for a null descriptor, which leaves the look as it was.
    VQRESULT Initialize(const RCPtr<LLookDescriptor>& descriptor, bool wrap);

    // Lays the look out unless the size is unchanged; returns true.
    bool SetSize(int32_t width, int32_t height);
    // True without a text block, else whether the value changed.
    bool SetText(const String& text);
    bool SetFont(const RCPtr<LFont>& font);
    // A bitmap becomes the image part, drawn over the client part or instead of it (replace); a null
    // bitmap removes it. False when something changed, true when a null bitmap met no image part.
    bool SetImage(const RCPtr<LBitmap>& bitmap, ResizeType resizeType, bool replace);

    // Each draws only where the dirty region (window coordinates) meets the look's clip region.
    // Return 0; the text returns 1 when the look has no text block.
    virtual VQRESULT DrawNonClientParts(const RCPtr<LRenderer>& renderer, const RectRegion& dirty);
    virtual VQRESULT DrawClientPart(const RCPtr<LRenderer>& renderer, const RectRegion& dirty);
    virtual VQRESULT DrawLabelText(const RCPtr<LRenderer>& renderer, const RectRegion& dirty, double offsetX,
                                   double offsetY);

    // The packed 0xAARRGGBB colour at a point in look coordinates: the first non-transparent
    // non-client part, then the image part, then the client part.
    uint32_t GetColorAtPoint(int32_t x, int32_t y) const;

    // Replaces the part drawn in the client rectangle until the look is bound to a descriptor
    // again; null draws no client part.
    void SetClientPart(const RCPtr<LVisualPart>& part) { m_clientPart = part; }

    // In look coordinates; empty (the default) draws wherever the dirty region asks.
    void SetClipRegion(const RectRegion& region);
    RectRegion& GetClipRegion() { return m_clipRegion; }
    const RectRegion& GetClipRegion() const { return m_clipRegion; }

    const RCPtr<LLookDescriptor>& GetDescriptor() const { return m_descriptor; }
    const RCPtr<LVisualPart>& GetTextPart() const { return m_textPart; }
    int32_t GetWidth() const { return m_width; }
    int32_t GetHeight() const { return m_height; }
    const RectT<int32_t>& GetClientRect() const { return m_clientRect; }
    uint32_t GetNonClientCount() const { return m_nonClientRects.GetCount(); }
    const RectT<int32_t>& GetNonClientRect(uint32_t index) const { return m_nonClientRects.GetAt(index); }
    const RCPtr<LVisualPart>& GetNonClientPart(uint32_t index) const { return m_nonClientParts.GetAt(index); }
    const RCPtr<LVisualPart>& GetClientPart() const { return m_clientPart; }
    const RCPtr<LVisualPart>& GetImagePart() const { return m_imagePart; }
    bool GetImageReplacesClientPart() const { return m_imageReplacesClientPart; }
    const RCPtr<LFontText>& GetTextBlock() const { return m_textBlock; }
    PointT<int32_t> GetTextOrigin() const { return {m_textX, m_textY}; }

private:
    LLook() = default;

    // The client and non-client rectangles, parts and text block at the look's size.
    void Layout();

    // The rectangles the drawing steps clip to, in look coordinates.
    void GetRectsToDraw(const RCPtr<LRenderer>& renderer, const RectRegion& dirty, Array<RectT<double>>& rects) const;

    RCPtr<LLookDescriptor> m_descriptor;
    RCPtr<LVisualPart> m_textPart;
    int32_t m_width = 0;
    int32_t m_height = 0;
    RectT<int32_t> m_clientRect;
    Array<RectT<int32_t>> m_nonClientRects;
    RCPtrArray<LVisualPart> m_nonClientParts;
    RCPtr<LVisualPart> m_clientPart;
    RCPtr<LVisualPart> m_imagePart;
    bool m_imageReplacesClientPart = false;
    RCPtr<LFontText> m_textBlock;
    int32_t m_textX = 0;
    int32_t m_textY = 0;
    RectRegion m_clipRegion;
};

} // namespace VQ
