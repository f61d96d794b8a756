#include "vqframework/controlbase/FontText.h"

#include "vqframework/application/ApplicationServices.h"

#include <algorithm>
#include <cmath>

namespace VQ {

namespace {

using String = LFontText::String;

RCPtr<LMeasurementRenderer> MeasurementRenderer()
{
    IApplicationServices* services = GetApplicationServices();
    return services ? services->GetMeasurementRenderer() : nullptr;
}

// The measured rectangle moved to x = 0 and widened by its x, so that its width is the right edge
// the text reaches; all zero without a renderer.
RectT<float> Measure(const RCPtr<LMeasurementRenderer>& renderer, const String& text, const RCPtr<LFont>& font)
{
    if (!renderer)
        return {};
    RectT<float> rect = renderer->MeasureString(text, font);
    if (rect.x != 0) {
        rect.width += rect.x;
        rect.x = 0;
    }
    return rect;
}

// Without a renderer nothing is measured, not even a font measured earlier.
int32_t LineHeight(const RCPtr<LMeasurementRenderer>& renderer, const RCPtr<LFont>& font)
{
    return renderer && font ? font->GetLineHeight() : 0;
}

} // namespace

LFontText::LFontText(const String& text, const RCPtr<LFont>& font) : m_text(text), m_font(font) {}

RCPtr<LFontText> LFontText::Create(const String& text, const RCPtr<LFont>& font)
{
    return RCPtr<LFontText>(new LFontText(text, font));
}

bool LFontText::SetText(const String& text)
{
    if (m_text == text)
        return false;
    m_text = text;
    DropLayout();
    return true;
}

bool LFontText::SetFont(const RCPtr<LFont>& font)
{
    const bool differs = bool(m_font) != bool(font) || (m_font && *m_font != *font);
    if (!differs)
        return false;
    m_font = font;
    DropLayout();
    return true;
}

void LFontText::SetWrap(bool wrap)
{
    if (m_wrap == wrap)
        return;
    m_wrap = wrap;
    DropLayout();
}

void LFontText::SetHorizontalAlignment(float alignment)
{
    if (m_horizontalAlignment == alignment)
        return;
    m_horizontalAlignment = alignment;
    m_lineRects.clear();
}

void LFontText::SetVerticalAlignment(float alignment)
{
    if (m_verticalAlignment == alignment)
        return;
    m_verticalAlignment = alignment;
    m_lineRects.clear();
}

void LFontText::SetSize(int32_t width, int32_t height)
{
    if (m_width == width && m_height == height)
        return;
    m_width = width;
    m_height = height;
    DropLayout();
}

void LFontText::DropLayout()
{
    m_lines.Clear();
    m_lineRects.clear();
}

int32_t LFontText::GetLineCount()
{
    const RCPtr<LMeasurementRenderer> renderer = MeasurementRenderer();
    // A layout made while there was nothing to measure with is redone once there is.
    if (m_unmeasured && renderer)
        DropLayout();
    bool laidOut = false;
    if (m_lines.GetCount() == 0) {
        if (m_wrap)
            WrapLines(renderer, m_width, m_lines);
        else
            m_text.Split(u"\n", m_lines);
        laidOut = true;
    }
    if (m_lineRects.empty()) {
        LayoutLines(renderer);
        laidOut = true;
    }
    if (laidOut)
        m_unmeasured = !renderer;
    return static_cast<int32_t>(m_lineRects.size());
}

RectT<float> LFontText::GetLineRect(int32_t index)
{
    if (index < 0 || index >= GetLineCount())
        return {};
    return m_lineRects[size_t(index)];
}

LFontText::String LFontText::GetLine(int32_t index)
{
    GetLineCount();
    if (index < 0 || uint32_t(index) >= m_lines.GetCount())
        return {};
    return m_lines.GetAt(uint32_t(index));
}

void LFontText::GetTextSize(int32_t& width, int32_t& height)
{
    GetLineCount();
    RectT<float> bounds;
    for (const RectT<float>& rect : m_lineRects)
        RectT<float>::Union(bounds, bounds, rect);
    width = ConvertCoordinate<int32_t>(ConvertCoordinate<float>(bounds.width));
    height = ConvertCoordinate<int32_t>(ConvertCoordinate<float>(bounds.height));
}

int32_t LFontText::GetTextHeight(int32_t width)
{
    const RCPtr<LMeasurementRenderer> renderer = MeasurementRenderer();
    Lines lines;
    if (m_wrap)
        WrapLines(renderer, width, lines);
    else
        m_text.Split(u"\n", lines);
    return detail::NarrowCoordinate<int32_t>(int64_t(lines.GetCount()) * LineHeight(renderer, m_font));
}

int32_t LFontText::GetTextWidth()
{
    const RCPtr<LMeasurementRenderer> renderer = MeasurementRenderer();
    Lines lines;
    m_text.Split(u"\n", lines);
    float widest = 0;
    for (uint32_t index = 0; index < lines.GetCount(); ++index)
        widest = std::max(widest, Measure(renderer, lines.GetAt(index), m_font).width);
    // Through the float range first, which also turns a NaN into a defined value.
    return static_cast<int32_t>(std::trunc(double(ConvertCoordinate<float>(widest)) + 0.99));
}

void LFontText::WrapLines(const RCPtr<LMeasurementRenderer>& renderer, int32_t width, Lines& lines) const
{
    lines.Clear();
    Lines paragraphs;
    m_text.Split(u"\n", paragraphs);
    for (uint32_t index = 0; index < paragraphs.GetCount(); ++index) {
        String rest = paragraphs.GetAt(index);
        int32_t count = FitCount(renderer, width, rest);
        String line = rest.Left(count);
        // Each step takes at least one character, so the rest keeps shrinking.
        while (count < rest.GetLength()) {
            rest = rest.Mid(count).TrimLeft();
            if (rest.IsEmpty())
                break;
            lines.Add(line);
            count = FitCount(renderer, width, rest);
            line = rest.Left(count);
        }
        lines.Add(line);
    }
}

int32_t LFontText::FitCount(const RCPtr<LMeasurementRenderer>& renderer, int32_t width, const String& text) const
{
    const auto fits = [&](const String& part) { return Measure(renderer, part, m_font).width <= float(width); };
    if (Measure(renderer, text, m_font).width < float(width))
        return text.GetLength();
    String current = text;
    int32_t result = 0;
    for (;;) {
        const int32_t blank = current.ReverseFind(' ');
        if (blank >= 1) {
            const String head = current.Left(blank);
            if (fits(head)) {
                // A hyphen after the last blank breaks later than the blank does.
                const int32_t hyphen = current.ReverseFind('-');
                result = hyphen > blank && fits(current.Left(hyphen + 1)) ? hyphen + 1 : blank;
                break;
            }
            current = head;
            continue;
        }
        // A hyphen as the last character is no break: the word would stay as long.
        const int32_t hyphen = current.Left(current.GetLength() - 1).ReverseFind('-');
        if (hyphen < 0) {
            result = current.GetLength();
            break;
        }
        current = current.Left(hyphen + 1);
        if (fits(current)) {
            result = hyphen + 1;
            break;
        }
    }
    return result < 1 ? current.GetLength() : result;
}

void LFontText::LayoutLines(const RCPtr<LMeasurementRenderer>& renderer)
{
    m_lineRects.clear();
    if (m_lines.GetCount() == 0)
        m_lines.Add(String());
    const int32_t lineHeight = LineHeight(renderer, m_font);
    const uint32_t count = m_lines.GetCount();
    const float top = (float(m_height) - float(lineHeight) * float(count)) * m_verticalAlignment;
    m_lineRects.reserve(count);
    for (uint32_t index = 0; index < count; ++index) {
        const RectT<float> measured = Measure(renderer, m_lines.GetAt(index), m_font);
        m_lineRects.push_back({(float(m_width) - measured.width) * m_horizontalAlignment,
                               top + float(lineHeight) * float(index), measured.width, measured.height});
    }
}

} // namespace VQ
