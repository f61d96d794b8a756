// A control's text and its font, derived from the skin and from its parent's or the application's.
#include "vqframework/control/Control.h"

#include "vqframework/application/ApplicationServices.h"
#include "vqframework/control/RootWindow.h"
#include "vqframework/control/WindowOSServices.h"

namespace VQ {

namespace {

bool SameFont(const LFont& font, const LControl::String& name, float size, int32_t style)
{
    return font.GetName() == name && font.GetSize() == size && font.GetStyle() == style;
}

} // namespace

VQRESULT LControl::SetText(const String& text)
{
    return SetText(text, true) ? S_OK : S_FALSE;
}

bool LControl::SetText(const String& text, bool relayout)
{
    if (text == m_text)
        return false;
    if (!m_parent && m_rootWindow)
        if (IWindowOSServices* services = m_rootWindow->GetOSServices())
            services->SetCaption(text);
    m_text = text;
    for (uint32_t i = m_looks.GetCount(); i-- > 0;)
        if (const RCPtr<LLook>& look = m_looks.GetAt(i))
            look->SetText(text);
    // Only a size that follows the text on some axis can change with it.
    if (relayout && m_layout &&
        ((!m_layout->XMinSize.named && m_layout->TextOverflowXType != 0) ||
         (!m_layout->YMinSize.named && m_layout->TextOverflowYType != 0)))
        UpdateLayout();
    Invalidate({0, 0, m_rect.width, m_rect.height}, m_layout ? m_layout->ClipToParent : true);
    return true;
}

VQRESULT LControl::SetFont(const String& name, float size, int32_t style, bool relative)
{
    RCPtr<LFont> base;
    if (m_inheritParentFont && m_parent) {
        base = m_parent->m_font;
    } else if (IApplicationServices* services = GetApplicationServices()) {
        base = services->GetDefaultFont();
    }

    const bool nameFromBase = name.IsEmpty();
    // The argument, not the stored flag, says whether the size is a factor: the stored flag belongs
    // to the previous call and would turn a factor into a point size or ignore a point size.
    const bool sizeFromBase = size <= 0 || relative;
    const bool styleFromBase = style == -1;
    if (!base && (nameFromBase || sizeFromBase || styleFromBase))
        return E_FAIL;

    const float factor = relative && size > 0 ? size : 1.0f;
    const String effectiveName = nameFromBase ? base->GetName() : name;
    const float effectiveSize = sizeFromBase ? base->GetSize() * factor : size;
    const int32_t effectiveStyle = styleFromBase ? base->GetStyle() : style;

    RCPtr<LFont> font;
    if (base && SameFont(*base, effectiveName, effectiveSize, effectiveStyle))
        font = base;
    else
        font = LFont::GetFont(effectiveName, effectiveSize, effectiveStyle);
    if (!font)
        return E_FAIL;

    const VQRESULT result = ApplyFont(font);
    if (result >= 0) {
        m_fontStyleFromBase = styleFromBase;
        m_fontNameFromBase = nameFromBase;
        m_fontSizeFromBase = sizeFromBase;
        m_fontSizeRelative = relative;
        m_fontSizeFactor = factor;
    }
    return result;
}

VQRESULT LControl::ApplyFont(const RCPtr<LFont>& font)
{
    if (!font)
        return E_INVALIDARG;
    for (uint32_t i = m_looks.GetCount(); i-- > 0;)
        if (const RCPtr<LLook>& look = m_looks.GetAt(i))
            look->SetFont(font);
    if (m_font && !(*font != *m_font))
        return 1;
    m_font = font;
    m_fontNameFromBase = false;
    m_fontSizeFromBase = false;
    m_fontStyleFromBase = false;
    OnFontChanged();
    for (uint32_t i = 0; i < m_children.GetCount(); ++i) {
        const RCPtr<LControl> child = m_children.GetAt(i, ChildControlList::OrderInsertion);
        child->InheritParentFont();
    }
    UpdateLayout();
    Invalidate({0, 0, m_rect.width, m_rect.height}, m_layout ? m_layout->ClipToParent : true);
    return S_OK;
}

VQRESULT LControl::InheritParentFont()
{
    if (!m_inheritParentFont || !(m_fontNameFromBase || m_fontSizeFromBase || m_fontStyleFromBase))
        return S_OK;
    // The flags are only set after a font was applied, so the current font is there.
    if (!m_font)
        return S_OK;
    const bool relative = m_fontSizeFromBase && m_fontSizeRelative;
    float size = m_font->GetSize();
    if (m_fontSizeFromBase)
        size = m_fontSizeRelative ? m_fontSizeFactor : 0.0f;
    SetFont(m_fontNameFromBase ? String() : m_font->GetName(), size,
            m_fontStyleFromBase ? -1 : m_font->GetStyle(), relative);
    return S_OK;
}

void LControl::OnFontChanged() {}

} // namespace VQ
