// A control's text and its font, derived from the skin and from its parent's or the application's.
#include "vqframework/control/Control.h"

namespace VQ {

VQRESULT LControl::SetText(const String& text)
{
    return SetText(text, true) ? S_OK : S_FALSE;
}

bool LControl::SetText(const String& text, bool)
{
    if (text == m_text)
        return false;
    m_text = text;
    return true;
}

VQRESULT LControl::SetFont(const String&, float, int32_t, bool)
{
    return E_FAIL;
}

VQRESULT LControl::ApplyFont(const RCPtr<LFont>& font)
{
    if (!font)
        return E_INVALIDARG;
    m_font = font;
    return S_OK;
}

VQRESULT LControl::InheritParentFont()
{
    return S_OK;
}

void LControl::OnFontChanged() {}

} // namespace VQ
