#include "vqframework/controlbase/FontText.h"

namespace VQ {

// STUB: the text block's layout follows.
LFontText::LFontText(const String& text, const RCPtr<LFont>& font) : m_text(text), m_font(font) {}
RCPtr<LFontText> LFontText::Create(const String& text, const RCPtr<LFont>& font)
{
    return RCPtr<LFontText>(new LFontText(text, font));
}
bool LFontText::SetText(const String&) { return false; }
bool LFontText::SetFont(const RCPtr<LFont>&) { return false; }
void LFontText::SetWrap(bool) {}
void LFontText::SetHorizontalAlignment(float) {}
void LFontText::SetVerticalAlignment(float) {}
void LFontText::SetSize(int32_t, int32_t) {}
int32_t LFontText::GetLineCount() { return 0; }
RectT<float> LFontText::GetLineRect(int32_t) { return {}; }
LFontText::String LFontText::GetLine(int32_t) { return {}; }
void LFontText::GetTextSize(int32_t& width, int32_t& height) { width = height = 0; }
int32_t LFontText::GetTextHeight(int32_t) { return 0; }
int32_t LFontText::GetTextWidth() { return 0; }
void LFontText::WrapLines(const RCPtr<LMeasurementRenderer>&, int32_t, Lines&) const {}
int32_t LFontText::FitCount(const RCPtr<LMeasurementRenderer>&, int32_t, const String&) const { return 0; }
void LFontText::LayoutLines(const RCPtr<LMeasurementRenderer>&) {}

} // namespace VQ
