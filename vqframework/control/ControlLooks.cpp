// A control's looks and their opacities, its visible and enabled state, and how the areas it
// changes reach its root window's dirty region.
#include "vqframework/control/Control.h"

#include "vqframework/control/RootWindow.h"

#include <algorithm>
#include <cmath>

namespace VQ {

namespace {

constexpr double CoordinateLimit = 4503599627370496.0;

double ClampCoordinate(double value)
{
    return std::clamp(value, -CoordinateLimit, CoordinateLimit);
}

} // namespace

int32_t LControl::AddLook(const RCPtr<LLook>& look)
{
    m_looks.Add(look);
    while (m_lookOpacities.GetCount() < m_looks.GetCount())
        m_lookOpacities.Add(0.0f);
    return static_cast<int32_t>(m_looks.GetCount()) - 1;
}

VQRESULT LControl::SelectLook(int32_t index)
{
    return SetLookOpacity(index, 1.0f, true);
}

VQRESULT LControl::SetLookOpacity(int32_t index, float opacity, bool exclusive)
{
    if (index < 0 || static_cast<uint32_t>(index) >= m_lookOpacities.GetCount())
        return E_INVALIDARG;
    bool changed = false;
    auto store = [this, &changed](uint32_t at, float value) {
        float& current = m_lookOpacities.GetAt(at);
        if (current != value) {
            current = value;
            changed = true;
        }
    };
    if (opacity >= 0.0f && opacity <= 1.0f)
        store(static_cast<uint32_t>(index), opacity);
    if (exclusive)
        for (uint32_t i = 0; i < m_lookOpacities.GetCount(); ++i)
            if (i != static_cast<uint32_t>(index))
                store(i, 0.0f);
    if (changed)
        Invalidate({0, 0, m_rect.width, m_rect.height}, m_layout ? m_layout->ClipToParent : true);
    return S_OK;
}

float LControl::GetLookOpacity(int32_t index) const
{
    if (index < 0 || static_cast<uint32_t>(index) >= m_lookOpacities.GetCount())
        return 0.0f;
    return m_lookOpacities.GetAt(static_cast<uint32_t>(index));
}

const RCPtr<LLook>& LControl::GetLook(int32_t index) const
{
    if (index >= 0 && static_cast<uint32_t>(index) < m_looks.GetCount())
        return m_looks.GetAt(static_cast<uint32_t>(index));
    const int32_t visible = GetVisibleLookIndex();
    if (visible >= 0)
        return m_looks.GetAt(static_cast<uint32_t>(visible));
    for (uint32_t i = 0; i < m_looks.GetCount(); ++i)
        if (m_looks.GetAt(i))
            return m_looks.GetAt(i);
    return RCPtr<LLook>::Null;
}

int32_t LControl::GetVisibleLookIndex() const
{
    for (uint32_t i = 0; i < m_looks.GetCount(); ++i)
        if (m_looks.GetAt(i) && GetLookOpacity(static_cast<int32_t>(i)) > 0.0f)
            return static_cast<int32_t>(i);
    return -1;
}

RectT<double> LControl::GetLookClientRect(int32_t index) const
{
    const RCPtr<LLook>& look = GetLook(index);
    if (!look)
        return {0, 0, m_rect.width, m_rect.height};
    const RectT<double> client = look->GetClientRect().ToDouble();
    return {ClampCoordinate(client.x), ClampCoordinate(client.y), ClampCoordinate(client.width),
            ClampCoordinate(client.height)};
}

RectT<double> LControl::GetClientRect()
{
    m_clientRectCache = GetLookClientRect(-1);
    m_clientRectValid = true;
    return m_clientRectCache;
}

void LControl::CheckClientSize()
{
    m_clientRectValid = false;
}

void LControl::ScrollOffscreenCache(const PointT<double>&, const PointT<double>&) {}

void LControl::InvalidateChildInCache(const RCPtr<LControl>&) {}

bool LControl::IsVisible(bool chain) const
{
    for (const LControl* control = this; control; control = chain ? control->m_parent.Get() : nullptr)
        if (!control->m_layout || !control->m_layout->IsVisible || !(control->m_rect.width > 0) ||
            !(control->m_rect.height > 0))
            return false;
    return true;
}

bool LControl::IsEnabled(bool chain) const
{
    for (const LControl* control = this; control; control = chain ? control->m_parent.Get() : nullptr)
        if (!control->m_layout || !control->m_layout->IsEnabled)
            return false;
    return true;
}

bool LControl::SetClipToParent(bool clip)
{
    if (!m_layout)
        return true;
    if (m_layout->ClipToParent == clip)
        return clip;
    const RectT<double> whole{0, 0, m_rect.width, m_rect.height};
    if (clip) {
        Invalidate(whole, false);
        m_layout->ClipToParent = true;
        if (m_parent)
            m_parent->m_children.Touch();
        AddOverflowToAncestors(-1);
    } else {
        m_layout->ClipToParent = false;
        if (m_parent)
            m_parent->m_children.Touch();
        AddOverflowToAncestors(1);
        Invalidate(whole, false);
    }
    return clip;
}

bool LControl::SetVisible(bool visible)
{
    if (!m_layout || m_layout->IsVisible == visible)
        return IsVisible(true);
    // Held: a parent taking the focus may run handlers that drop this control.
    const RCPtr<LControl> self(this);
    const RectT<double> whole{0, 0, m_rect.width, m_rect.height};
    if (!visible) {
        Invalidate(whole, m_layout->ClipToParent);
        InvalidateOverflow();
        m_layout->IsVisible = false;
        if ((m_hasFocus || m_containsFocus) && m_parent)
            m_parent->SetFocus(true);
    } else {
        m_layout->IsVisible = true;
        if ((CanTakeFocus() || HasFocusableChild()) && m_parent && m_parent->m_hasFocus)
            SetFocus(true);
        Invalidate(whole, m_layout->ClipToParent);
        InvalidateOverflow();
    }
    UpdateConditions();
    return IsVisible(true);
}

void LControl::SetEnabled(bool enabled)
{
    if (!m_layout || m_layout->IsEnabled == enabled)
        return;
    const RCPtr<LControl> self(this);
    m_layout->IsEnabled = enabled;
    if (!enabled && (m_hasFocus || m_containsFocus) && m_parent)
        m_parent->SetFocus(true);
    if ((CanTakeFocus() || HasFocusableChild()) && m_parent && m_parent->m_hasFocus)
        SetFocus(true);
    UpdateConditions();
    Invalidate({0, 0, m_rect.width, m_rect.height}, m_layout->ClipToParent);
    InvalidateOverflow();
}

void LControl::Invalidate(const RectT<double>& rect, bool clip)
{
    const PointT<double> origin = GetPositionInWindow();
    PropagateInvalidate({rect.x + origin.x, rect.y + origin.y, rect.width, rect.height}, clip, rect);
}

VQRESULT LControl::PropagateInvalidate(const RectT<double>& windowRect, bool clip, const RectT<double>& localRect)
{
    if (!m_layout || !m_layout->IsVisible || !(m_rect.width > 0) || !(m_rect.height > 0))
        return 1;
    RectT<double> local = localRect;
    // Where this control's origin lies in its parent's outer coordinates.
    PointT<double> offset{m_rect.x, m_rect.y};
    if (m_parent) {
        const RectT<double> parentClient = m_parent->GetLookClientRect(-1);
        offset.x += parentClient.x - m_parent->m_scrollOffset.x;
        offset.y += parentClient.y - m_parent->m_scrollOffset.y;
    }
    const bool clipHere = clip && m_layout->ClipToParent;
    if (clipHere) {
        RectT<double> area;
        if (m_parent) {
            area = {-offset.x, -offset.y, m_parent->m_rect.width, m_parent->m_rect.height};
        } else if (m_rootWindow) {
            const PointT<int32_t> client = m_rootWindow->GetClientSize();
            area = {-m_rect.x, -m_rect.y, static_cast<double>(client.x), static_cast<double>(client.y)};
        } else {
            area = local;
        }
        if (!RectT<double>::Intersect(local, local, area))
            return 1;
    }
    if (m_parent)
        return m_parent->PropagateInvalidate(windowRect, clipHere,
                                             {local.x + offset.x, local.y + offset.y, local.width, local.height});
    if (!m_rootWindow)
        return S_OK;
    RectT<double> window = windowRect;
    if (clipHere) {
        const RectT<double> placed{local.x + m_rect.x, local.y + m_rect.y, local.width, local.height};
        if (!RectT<double>::Intersect(window, window, placed))
            return 1;
    }
    const RectT<int32_t> rounded = window.Round();
    m_rootWindow->Invalidate(rounded.x, rounded.y, rounded.width, rounded.height);
    return S_OK;
}

void LControl::InvalidateOverflow()
{
    if (m_overflowCount < 1) {
        if (m_layout && !m_layout->ClipToParent)
            Invalidate({0, 0, m_rect.width, m_rect.height}, false);
        return;
    }
    RCPtrArray<LControl> controls;
    CollectOverflowControls(controls, true, true);
    for (uint32_t i = 0; i < controls.GetCount(); ++i) {
        LControl& control = *controls.GetAt(i);
        control.Invalidate({0, 0, control.m_rect.width, control.m_rect.height}, false);
    }
}

int32_t LControl::CollectOverflowControls(RCPtrArray<LControl>& list, bool skipHidden, bool includeSelf)
{
    if (skipHidden && !IsVisible(false))
        return 0;
    int32_t appended = 0;
    if (includeSelf && m_layout && !m_layout->ClipToParent) {
        list.Add(RCPtr<LControl>(this));
        ++appended;
    }
    for (uint32_t i = 0; i < m_children.GetCount(); ++i) {
        const RCPtr<LControl> child = m_children.GetAt(i, ChildControlList::OrderZ);
        // A clipping child without overflowing descendants adds nothing.
        if (child->m_overflowCount > 0 || (child->m_layout && !child->m_layout->ClipToParent))
            appended += child->CollectOverflowControls(list, skipHidden, true);
    }
    return appended;
}

VQRESULT LControl::Render(const RCPtr<LRenderer>&, const RectRegion&, RCPtrArray<LControl>&, bool unclippedPass)
{
    if (m_layout && unclippedPass == m_layout->ClipToParent)
        return E_INVALIDARG;
    return S_OK;
}

VQRESULT LControl::RenderOverlay(const RCPtr<LRenderer>&)
{
    return S_OK;
}

VQRESULT LControl::RenderAfterChildren(const RCPtr<LRenderer>&)
{
    return S_OK;
}

VQRESULT LControl::SetLookRegion(int32_t, const RectRegion&)
{
    return E_INVALIDARG;
}

void LControl::ClearLookRegion(int32_t) {}

void LControl::ClearLookRegions() {}

VQRESULT LControl::SetLookRegionExcept(int32_t, int32_t)
{
    return E_INVALIDARG;
}

VQRESULT LControl::SetLookImage(const RCPtr<LBitmap>&, ResizeType, bool, int32_t)
{
    return E_FAIL;
}

VQRESULT LControl::SetLookPart(const RCPtr<LVisualPart>&, int32_t)
{
    return E_FAIL;
}

} // namespace VQ
