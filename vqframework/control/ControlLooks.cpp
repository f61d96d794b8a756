// A control's looks and their opacities, its visible and enabled state, and how the areas it
// changes reach its root window's dirty region.
#include "vqframework/control/Control.h"

#include "vqframework/control/RootWindow.h"
#include "vqframework/renderer/Renderer.h"
#include "vqframework/threads/UIThread.h"

#include <algorithm>
#include <cmath>

namespace VQ {

namespace {

// 2^-52: an area at most this wide draws nothing.
constexpr double Epsilon = CoordinateLimits<double>::Epsilon;

void InvalidateWhole(LControl& control)
{
    const RectT<double>& rect = control.GetRect();
    const RCPtr<LLayoutDescriptor>& layout = control.GetLayout();
    control.Invalidate({0, 0, rect.width, rect.height}, layout ? layout->ClipToParent : true);
}

// The render state of one look: pushed, with its opacity applied, for the look's drawing and the
// children drawn for it.
class LookState {
public:
    LookState(const RCPtr<LRenderer>& renderer, const RCPtr<LRenderContextInfo>& context, float opacity)
        : m_clip(renderer, PushClipParams())
    {
        if (context)
            context->GetState().opacity *= opacity;
    }

private:
    CAutoClip m_clip;
};

// The non-clipping controls below a control that painting must hand to the overflow pass: only the
// outermost of each nested chain, since drawing one in that pass collects the ones inside it again.
void CollectOverflowForPainting(LControl& control, RCPtrArray<LControl>& list)
{
    LControl::ChildControlList& children = control.GetChildren();
    for (uint32_t i = 0; i < children.GetCount(); ++i) {
        const RCPtr<LControl>& child = children.GetAt(i, LControl::ChildControlList::OrderZ);
        if (!child->IsVisible(false))
            continue;
        if (!child->GetLayout()->ClipToParent)
            list.Add(child);
        else if (child->GetOverflowCount() > 0)
            CollectOverflowForPainting(*child, list);
    }
}

// Draws the clipping children of a control for one of its looks, in z order from the bottom: first
// the undocked ones and those docked on one axis, under the look's client rectangle; then those
// docked on both axes, only moved. The non-clipping ones, on top, wait for the overflow pass.
void RenderChildrenForLook(LControl& control, int32_t lookIndex, const RCPtr<LRenderer>& renderer,
                           const RectRegion& region, RCPtrArray<LControl>& overflow)
{
    enum Group { Free, DockedOnce, DockedTwice, Unclipped };
    auto groupOf = [](const LControl& child) {
        // A child not yet built sorts as a clipping, undocked one, so it belongs to the first group.
        const LLayoutDescriptor* layout = child.GetLayout().Get();
        if (!layout)
            return Free;
        if (!layout->ClipToParent)
            return Unclipped;
        const int docked = (layout->XIsDocked ? 1 : 0) + (layout->YIsDocked ? 1 : 0);
        return docked == 0 ? Free : docked == 1 ? DockedOnce : DockedTwice;
    };

    const RectT<double> client = control.GetLookClientRect(lookIndex);
    const PointT<double> contentOrigin{client.x - control.GetScrollOffset().x, client.y - control.GetScrollOffset().y};
    LControl::ChildControlList& children = control.GetChildren();
    const uint32_t count = children.GetCount();
    uint32_t next = 0;
    // Held while it draws, and skipped once the list shrank: a child's hooks may change the tree.
    const auto renderAt = [&](uint32_t i) {
        if (i >= children.GetCount())
            return;
        const RCPtr<LControl> child = children.GetAt(i, LControl::ChildControlList::OrderZ);
        child->Render(renderer, region, overflow, false);
    };

    // Groups A and B: under the look's client rectangle, moved by the scroll offset.
    uint32_t end = next;
    while (end < count && groupOf(*children.GetAt(end, LControl::ChildControlList::OrderZ)) == Free)
        ++end;
    while (end < count && groupOf(*children.GetAt(end, LControl::ChildControlList::OrderZ)) == DockedOnce)
        ++end;
    if (end > next) {
        const RCPtr<LRenderContextInfo> context = renderer->GetCurrentContext();
        RectT<double> visible = client;
        bool drawn = visible.width > Epsilon && visible.height > Epsilon;
        if (drawn && context)
            drawn = RectT<double>::Intersect(visible, visible, context->GetState().clip) &&
                    visible.width > Epsilon && visible.height > Epsilon;
        if (drawn) {
            PushClipParams params;
            params.flavor = PushClipParams::PushClipFlavor;
            params.bounds = {contentOrigin.x, contentOrigin.y, client.x + client.width - contentOrigin.x,
                             client.y + client.height - contentOrigin.y};
            params.clip = client;
            params.relative = true;
            const CAutoClip clip(renderer, params);
            for (uint32_t i = next; i < end; ++i)
                renderAt(i);
        } else {
            for (uint32_t i = next; i < end && i < children.GetCount(); ++i) {
                const RCPtr<LControl> child = children.GetAt(i, LControl::ChildControlList::OrderZ);
                if (child->GetOverflowCount() > 0 && child->IsVisible(false))
                    CollectOverflowForPainting(*child, overflow);
            }
        }
        next = end;
    }

    // Group C: placed whatever the scroll offset and free to lie outside the client area.
    while (end < count && groupOf(*children.GetAt(end, LControl::ChildControlList::OrderZ)) == DockedTwice)
        ++end;
    if (end > next) {
        PushClipParams params;
        params.flavor = PushClipParams::PushTranslationFlavor;
        params.translation = contentOrigin;
        const CAutoClip translation(renderer, params);
        for (uint32_t i = next; i < end; ++i)
            renderAt(i);
    }
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
    VQ_ASSERT_UI_THREAD();
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
        InvalidateWhole(*this);
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
    return {ConvertCoordinate<double>(client.x), ConvertCoordinate<double>(client.y), ConvertCoordinate<double>(client.width),
            ConvertCoordinate<double>(client.height)};
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
    VQ_ASSERT_UI_THREAD();
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
    VQ_ASSERT_UI_THREAD();
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
    VQ_ASSERT_UI_THREAD();
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
    VQ_ASSERT_UI_THREAD();
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

VQRESULT LControl::Render(const RCPtr<LRenderer>& renderer, const RectRegion& region,
                          RCPtrArray<LControl>& overflow, bool unclippedPass)
{
    VQ_ASSERT_UI_THREAD();
    if (!m_layout)
        return S_OK;
    if (unclippedPass == m_layout->ClipToParent)
        return E_INVALIDARG;
    // Held: the drawing hooks may take this control out of its parent, which may hold the last reference.
    const RCPtr<LControl> self(this);
    if (!m_layout->IsVisible || !(m_rect.width > 0) || !(m_rect.height > 0))
        return S_OK;

    const RCPtr<LRenderContextInfo> context = renderer->GetCurrentContext();
    RectT<double> area = m_rect;
    if (!unclippedPass && context)
        RectT<double>::Intersect(area, area, context->GetState().clip);
    if (!(area.width > Epsilon) || !(area.height > Epsilon)) {
        // Drawn nowhere here, but its non-clipping descendants may lie elsewhere.
        if (m_overflowCount > 0)
            CollectOverflowForPainting(*this, overflow);
        return S_OK;
    }

    PushClipParams params;
    params.flavor = PushClipParams::PushClipFlavor;
    params.bounds = m_rect;
    params.bounds.RoundInPlace();
    params.clip = area;
    params.relative = true;
    const CAutoClip clip(renderer, params);
    if (context)
        context->GetState().opacity *= m_opacity;

    const RectT<double> local{0, 0, m_rect.width, m_rect.height};
    const PointT<double> origin = context ? context->GetState().offset : PointT<double>{};
    if (!region.Intersects(local, origin)) {
        if (m_overflowCount > 0)
            CollectOverflowForPainting(*this, overflow);
        return S_OK;
    }

    auto isLookShown = [this](uint32_t index) {
        return m_looks.GetAt(index) && m_lookOpacities.GetAt(index) > 0.0f;
    };
    for (uint32_t i = 0; i < m_looks.GetCount(); ++i)
        if (isLookShown(i)) {
            const LookState state(renderer, context, m_lookOpacities.GetAt(i));
            m_looks.GetAt(i)->DrawClientPart(renderer, region);
        }
    for (uint32_t i = 0; i < m_looks.GetCount(); ++i)
        if (isLookShown(i)) {
            const LookState state(renderer, context, m_lookOpacities.GetAt(i));
            m_looks.GetAt(i)->DrawNonClientParts(renderer, region);
        }

    Array<RectT<int32_t>> dirtyRects;
    region.GetRects(dirtyRects);
    auto forEachDirtyRect = [&](VQRESULT (LControl::*hook)(const RCPtr<LRenderer>&)) {
        for (uint32_t r = 0; r < dirtyRects.GetCount(); ++r) {
            const RectT<double> window = dirtyRects.GetAt(r).ToDouble();
            RectT<double> piece{window.x - origin.x, window.y - origin.y, window.width, window.height};
            if (context && !RectT<double>::Intersect(piece, piece, context->GetState().clip))
                continue;
            if (!(piece.width > 0) || !(piece.height > 0))
                continue;
            PushClipParams pieceParams;
            pieceParams.flavor = PushClipParams::PushClipFlavor;
            pieceParams.bounds = local;
            pieceParams.clip = piece;
            pieceParams.relative = true;
            const CAutoClip pieceClip(renderer, pieceParams);
            (this->*hook)(renderer);
        }
    };
    forEachDirtyRect(&LControl::RenderOverlay);

    const PointT<double> textOffset = m_looksFollowScroll ? m_scrollOffset : PointT<double>{};
    bool childrenVisited = false;
    for (uint32_t i = 0; i < m_looks.GetCount(); ++i)
        if (isLookShown(i)) {
            const LookState state(renderer, context, m_lookOpacities.GetAt(i));
            m_looks.GetAt(i)->DrawLabelText(renderer, region, textOffset.x, textOffset.y);
            if (m_children.GetCount() > 0)
                RenderChildrenForLook(*this, static_cast<int32_t>(i), renderer, region, overflow);
            childrenVisited = true;
        }
    // Without a shown look no clipping child was visited, but the non-clipping controls below them
    // still belong to the overflow pass.
    if (!childrenVisited)
        for (uint32_t i = 0; i < m_children.GetCount(); ++i) {
            const RCPtr<LControl>& child = m_children.GetAt(i, ChildControlList::OrderZ);
            if (child->m_overflowCount > 0 && child->m_layout && child->m_layout->ClipToParent &&
                child->IsVisible(false))
                CollectOverflowForPainting(*child, overflow);
        }

    forEachDirtyRect(&LControl::RenderAfterChildren);

    for (uint32_t i = 0; i < m_children.GetCount(); ++i) {
        const RCPtr<LControl>& child = m_children.GetAt(i, ChildControlList::OrderZ);
        if (child->m_layout && !child->m_layout->ClipToParent && child->IsVisible(false))
            overflow.Add(child);
    }
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

VQRESULT LControl::SetLookRegion(int32_t index, const RectRegion& region)
{
    const RCPtr<LLook>& look = GetLook(index);
    if (!look)
        return E_INVALIDARG;
    look->SetClipRegion(region);
    InvalidateWhole(*this);
    return S_OK;
}

void LControl::ClearLookRegion(int32_t index)
{
    if (const RCPtr<LLook>& look = GetLook(index))
        look->GetClipRegion().Clear();
}

void LControl::ClearLookRegions()
{
    for (uint32_t i = 0; i < m_looks.GetCount(); ++i)
        if (const RCPtr<LLook>& look = m_looks.GetAt(i))
            look->GetClipRegion().Clear();
}

VQRESULT LControl::SetLookRegionExcept(int32_t a, int32_t b)
{
    const RCPtr<LLook>& target = GetLook(a);
    const RCPtr<LLook>& excluded = GetLook(b);
    if (!target || !excluded)
        return E_INVALIDARG;
    RectRegion region;
    region.AddRect(0, 0, ConvertCoordinate<int32_t>(m_rect.width), ConvertCoordinate<int32_t>(m_rect.height));
    region.Subtract(excluded->GetClipRegion());
    region.Normalize();
    target->SetClipRegion(region);
    InvalidateWhole(*this);
    return S_OK;
}

VQRESULT LControl::SetLookImage(const RCPtr<LBitmap>& bitmap, ResizeType resizeType, bool replace, int32_t index)
{
    const RCPtr<LLook> look = GetLook(index);
    if (!look)
        return E_FAIL;
    if (look->SetImage(bitmap, resizeType, replace))
        return 1;
    // Only the shown look reaches the screen.
    if (look == GetLook(-1))
        InvalidateWhole(*this);
    return S_OK;
}

VQRESULT LControl::SetLookPart(const RCPtr<LVisualPart>& part, int32_t index)
{
    const RCPtr<LLook>& look = GetLook(index);
    if (!look)
        return E_FAIL;
    if (!part)
        return E_INVALIDARG;
    look->SetClientPart(part);
    return S_OK;
}

} // namespace VQ
