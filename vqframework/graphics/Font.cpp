#include "vqframework/graphics/Font.h"

#include "vqframework/application/ApplicationServices.h"
#include "vqframework/graphics/MeasurementRenderer.h"
#include "vqframework/objectbase/Exception.h"
#include "vqframework/storage/RCPtrArray.h"

#include <algorithm>

namespace VQ {

namespace {

using String = StringT<char16_t, char>;

// Made on first use and never destroyed, so fonts outlive every static that may still hold one.
RCPtrArray<LFont>& Registry()
{
    static auto* registry = new RCPtrArray<LFont>();
    return *registry;
}

// Like the registry, used on the UI thread only, hence no lock.
int32_t g_lastUniqueID = 0;

bool SameName(const String& left, const String& right, bool ignoreCase)
{
    if (left.GetBuffer().Get() == right.GetBuffer().Get())
        return true;
    if (!ignoreCase)
        return left == right;
    return std::ranges::equal(left.View(), right.View(), [](char16_t l, char16_t r) {
        return detail::AsciiLower(l) == detail::AsciiLower(r);
    });
}

} // namespace

LFont::LFont(const String& name, float size, int32_t style, int32_t uniqueID)
    : m_name(name), m_size(size), m_style(style), m_uniqueID(uniqueID)
{
}

RCPtr<LFont> LFont::GetFont(const String& name, float size, int32_t style)
{
    RCPtrArray<LFont>& registry = Registry();
    for (uint32_t index = registry.GetCount(); index-- > 0;) {
        const RCPtr<LFont>& font = registry.GetAt(index);
        if (font->m_size == size && font->m_style == style && SameName(font->m_name, name, true))
            return font;
    }
    RCPtr<LFont> font(new LFont(name, size, style, g_lastUniqueID + 1));
    // A font the registry could not take would break sharing, so the request fails instead.
    VQ_CHECK_RESULT(registry.Add(font));
    ++g_lastUniqueID;
    return font;
}

int32_t LFont::GetLineHeight() const
{
    if (IsMeasured())
        return m_lineHeight;
    IApplicationServices* services = GetApplicationServices();
    const RCPtr<LMeasurementRenderer> renderer = services ? services->GetMeasurementRenderer() : nullptr;
    if (!renderer)
        return 0;
    // Into locals first: a renderer that fails must leave the font unmeasured, whatever it wrote.
    int32_t lineHeight = -1;
    int32_t ascent = 0;
    int32_t descent = 0;
    if (Failed(renderer->GetFontMetrics(ConstRCPtr<LFont>(this), lineHeight, ascent, descent)) || lineHeight < 0)
        return 0;
    m_lineHeight = lineHeight;
    m_ascent = ascent;
    m_descent = descent;
    return m_lineHeight;
}

int32_t LFont::GetAscent() const
{
    if (!IsMeasured())
        GetLineHeight();
    return IsMeasured() ? m_ascent : 0;
}

int32_t LFont::GetDescent() const
{
    if (!IsMeasured())
        GetLineHeight();
    return IsMeasured() ? m_descent : 0;
}

bool LFont::operator!=(const LFont& other) const
{
    return !SameName(m_name, other.m_name, false) || m_size != other.m_size || m_style != other.m_style;
}

} // namespace VQ
