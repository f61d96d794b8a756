// The text of a look: a string in one font laid out as lines in a rectangle, aligned, and either split
// at line feeds or word-wrapped to the width. Lines are laid out lazily, after a change, through the
// application's measurement renderer.
#pragma once

#include "vqframework/graphics/Font.h"
#include "vqframework/graphics/MeasurementRenderer.h"
#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/storage/RectT.h"
#include "vqframework/storage/StringArrayT.h"
#include "vqframework/storage/StringT.h"

#include <cstdint>
#include <vector>

namespace VQ {

class LFontText : public virtual LRefCountedObject {
public:
    using String = StringT<char16_t, char>;
    using Lines = StringArrayT<char16_t, char>;

    // Alignments 0, wrap off, size 0 by 0, not laid out.
    LFontText(const String& text, const RCPtr<LFont>& font);
    static RCPtr<LFontText> Create(const String& text, const RCPtr<LFont>& font);

    // Each setter drops what the change makes stale; the text and font setters return whether the
    // value changed.
    bool SetText(const String& text);
    bool SetFont(const RCPtr<LFont>& font);
    void SetWrap(bool wrap);
    void SetHorizontalAlignment(float alignment);
    void SetVerticalAlignment(float alignment);
    void SetSize(int32_t width, int32_t height);

    const String& GetText() const { return m_text; }
    const RCPtr<LFont>& GetFont() const { return m_font; }
    bool GetWrap() const { return m_wrap; }
    float GetHorizontalAlignment() const { return m_horizontalAlignment; }
    float GetVerticalAlignment() const { return m_verticalAlignment; }
    int32_t GetWidth() const { return m_width; }
    int32_t GetHeight() const { return m_height; }

    // These lay the text out when it is not.
    int32_t GetLineCount();
    // Relative to the block's top-left corner; all zero at or beyond the line count.
    RectT<float> GetLineRect(int32_t index);
    // Empty at or beyond the line count.
    String GetLine(int32_t index);
    // The union of the line rectangles and (0, 0), rounded.
    void GetTextSize(int32_t& width, int32_t& height);

    // The height the text needs at a width: its lines times the line height; the block's own lines
    // stay as they are.
    int32_t GetTextHeight(int32_t width);
    // The widest line split at line feeds, not wrapped, rounded up.
    int32_t GetTextWidth();

    // The layout steps, with the renderer that measures (null measures nothing).
    void WrapLines(const RCPtr<LMeasurementRenderer>& renderer, int32_t width, Lines& lines) const;
    int32_t FitCount(const RCPtr<LMeasurementRenderer>& renderer, int32_t width, const String& text) const;
    void LayoutLines(const RCPtr<LMeasurementRenderer>& renderer);

private:
    void DropLayout();

    String m_text;
    RCPtr<LFont> m_font;
    float m_horizontalAlignment = 0;
    float m_verticalAlignment = 0;
    bool m_wrap = false;
    int32_t m_width = 0;
    int32_t m_height = 0;
    // Empty means not laid out, or not placed.
    Lines m_lines;
    std::vector<RectT<float>> m_lineRects;
    // The cached layout was made without a renderer, so nothing in it was measured.
    bool m_unmeasured = false;
};

} // namespace VQ
