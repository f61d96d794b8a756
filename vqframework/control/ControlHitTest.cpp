// Which control lies under a point, and the colour of a control's looks there.
#include "vqframework/control/Control.h"

#include "vqframework/controlbase/VisualPart.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace VQ {

namespace {

constexpr int32_t NoPriority = std::numeric_limits<int32_t>::min();

int32_t Narrow(int64_t value)
{
    return static_cast<int32_t>(
        std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

bool ClipsToParent(const LControl& control)
{
    const RCPtr<LLayoutDescriptor>& layout = control.GetLayout();
    return !layout || layout->ClipToParent;
}

bool DockedOnBothAxes(const LControl& control)
{
    const RCPtr<LLayoutDescriptor>& layout = control.GetLayout();
    return layout && layout->XIsDocked && layout->YIsDocked;
}

// Left and top edges inside, right and bottom edges outside.
bool Inside(double x, double y, const RectT<double>& rect)
{
    return x >= rect.x && x < rect.x + rect.width && y >= rect.y && y < rect.y + rect.height;
}

bool Inside(const PointT<int32_t>& point, const RectT<int32_t>& rect)
{
    return int64_t{point.x} >= rect.x && int64_t{point.x} < int64_t{rect.x} + rect.width &&
           int64_t{point.y} >= rect.y && int64_t{point.y} < int64_t{rect.y} + rect.height;
}

void AppendDescendants(const LControl& control, RCPtrArray<LControl>& list)
{
    const LControl::ChildControlList& children = control.GetChildren();
    for (uint32_t i = 0; i < children.GetCount(); ++i) {
        const RCPtr<LControl> child = children.GetAt(i, LControl::ChildControlList::OrderInsertion);
        list.Add(child);
        AppendDescendants(*child, list);
    }
}

bool Contains(const RCPtrArray<LControl>& list, const LControl* control)
{
    for (uint32_t i = 0; i < list.GetCount(); ++i)
        if (list.GetAt(i).Get() == control)
            return true;
    return false;
}

} // namespace

bool LControl::ContainsPoint(const PointT<int32_t>& point)
{
    const PointT<int32_t> origin = PointT<double>{m_rect.x, m_rect.y}.Round();
    return Inside(double(int64_t{point.x} + origin.x), double(int64_t{point.y} + origin.y), m_rect);
}

bool LControl::IsTransparentAt(const PointT<int32_t>& point)
{
    for (uint32_t i = 0; i < GetLookCount(); ++i) {
        if (!(GetLookOpacity(static_cast<int32_t>(i)) > 0.0f))
            continue;
        uint32_t color = LVisualPart::NoColor;
        GetColorAtPoint(color, point, static_cast<int32_t>(i));
        if (color >> 24 != 0)
            return false;
    }
    return true;
}

void LControl::GetColorAtPoint(uint32_t& color, const PointT<int32_t>& point, int32_t lookIndex)
{
    color = LVisualPart::NoColor;
    if (const RCPtr<LLook>& look = GetLook(lookIndex))
        color = look->GetColorAtPoint(point.x, point.y);
}

void LControl::HitTest(RCPtr<LControl>& hit, const PointT<int32_t>& point, bool mayHit, PointT<int32_t>& hitPoint,
                       int32_t& priority)
{
    // Copies, since the caller may pass the same object for the point and the hit point.
    const PointT<int32_t> p = point;
    hit.Release();
    hitPoint = {};
    const RCPtr<LControl> self(this);

    if (!IsVisible(false))
        return;
    const bool contains = ContainsPoint(p);
    if (!contains && m_overflowCount == 0)
        return;

    const int32_t ownPriority = GetEffectiveZOrder();
    RCPtr<LControl> best;
    PointT<int32_t> bestPoint;
    int32_t bestPriority = NoPriority;
    if (m_children.GetCount() > 0) {
        const PointT<int32_t> scroll = m_scrollOffset.Round();
        for (uint32_t look = 0; look < m_lookOpacities.GetCount(); ++look) {
            if (!(GetLookOpacity(static_cast<int32_t>(look)) > 0.0f))
                continue;
            const RectT<int32_t> client = GetLookClientRect(static_cast<int32_t>(look)).Round();
            const bool inClient = Inside(p, client);
            const PointT<int32_t> inChildren{Narrow(int64_t{p.x} + scroll.x - client.x),
                                             Narrow(int64_t{p.y} + scroll.y - client.y)};
            for (uint32_t k = m_children.GetCount(); k-- > 0;) {
                // A child's hit test may change the list under the walk.
                if (k >= m_children.GetCount())
                    continue;
                const RCPtr<LControl> child = m_children.GetAt(k, ChildControlList::OrderZ);
                const bool asked =
                    !ClipsToParent(*child) || child->m_overflowCount > 0 ||
                    (!best && (ownPriority != NoPriority ||
                               (contains && mayHit && (inClient || DockedOnBothAxes(*child)))));
                if (!asked)
                    continue;
                const PointT<int32_t> position = PointT<double>{child->m_rect.x, child->m_rect.y}.Round();
                const PointT<int32_t> childPoint{Narrow(int64_t{inChildren.x} - position.x),
                                                 Narrow(int64_t{inChildren.y} - position.y)};
                RCPtr<LControl> found;
                PointT<int32_t> foundPoint;
                int32_t foundPriority = best ? bestPriority : priority;
                child->HitTest(found, childPoint, mayHit && contains, foundPoint, foundPriority);
                if (!found)
                    continue;
                const int32_t foundOrder = found->GetEffectiveZOrder();
                if (!best || foundOrder > bestPriority) {
                    best = found;
                    bestPoint = foundPoint;
                    bestPriority = foundOrder;
                }
            }
        }
    }

    if (best) {
        hit = best;
        hitPoint = bestPoint;
        priority = bestPriority;
        return;
    }

    if (m_hitTestExcluded || !contains)
        return;
    if (!(ownPriority == NoPriority && mayHit) && !(priority < ownPriority))
        return;
    if (m_parent && ClipsToParent(*this) && !DockedOnBothAxes(*this)) {
        const RectT<double> parentClient = m_parent->GetLookClientRect(-1);
        const PointT<int32_t> origin = PointT<double>{m_rect.x, m_rect.y}.Round();
        const PointT<int32_t> clientOrigin = PointT<double>{parentClient.x, parentClient.y}.Round();
        const PointT<int32_t> parentScroll = m_parent->m_scrollOffset.Round();
        const int64_t x = int64_t{p.x} + origin.x + clientOrigin.x - parentScroll.x;
        const int64_t y = int64_t{p.y} + origin.y + clientOrigin.y - parentScroll.y;
        if (!Inside(double(x), double(y), parentClient))
            return;
    }
    if (IsTransparentAt(p))
        return;
    hit = self;
    hitPoint = p;
    priority = ownPriority;
}

void LControl::ControlAtPoint(RCPtr<LControl>& target, const RCPtr<LControl>& dragged, const PointT<int32_t>& point)
{
    // Copies, since target may be the very reference dragged was passed in.
    const RCPtr<LControl> draggedControl = dragged;
    const PointT<int32_t> windowPoint = point;
    RCPtr<LControl> candidate(this);
    RCPtrArray<LControl> visited;

    // Clears the exclusion flags again even when the search throws.
    struct Exclusion {
        Exclusion(const RCPtr<LControl>& dragged, const RCPtrArray<LControl>& controls)
            : dragged(dragged), controls(controls)
        {
            Set(true);
        }
        ~Exclusion() { Set(false); }
        void Set(bool excluded)
        {
            if (dragged)
                dragged->m_hitTestExcluded = excluded;
            for (uint32_t i = 0; i < controls.GetCount(); ++i)
                controls.GetAt(i)->m_hitTestExcluded = excluded;
        }
        const RCPtr<LControl>& dragged;
        const RCPtrArray<LControl>& controls;
    };

    while (candidate && !candidate->AcceptsDrop(draggedControl)) {
        if (ClipsToParent(*candidate)) {
            candidate = RCPtr<LControl>(candidate->m_parent);
            continue;
        }
        if (Contains(visited, candidate.Get())) {
            candidate.Release();
            break;
        }
        visited.Add(candidate);
        RCPtrArray<LControl> descendants;
        candidate->GetDescendants(descendants);
        for (uint32_t i = 0; i < descendants.GetCount(); ++i)
            visited.Add(descendants.GetAt(i));

        RCPtr<LControl> found;
        if (const RCPtr<LRootWindow> rootWindow = candidate->GetRootWindow()) {
            const Exclusion exclusion(draggedControl, visited);
            PointT<int32_t> localPoint;
            found = rootWindow->ControlAtPoint(windowPoint, localPoint, false);
        }
        candidate = found && !Contains(visited, found.Get()) ? found : RCPtr<LControl>();
    }
    target = candidate;
}

int32_t LControl::GetEffectiveZOrder() const
{
    int32_t order = NoPriority;
    for (const LControl* control = this; control; control = control->m_parent.Get())
        if (!ClipsToParent(*control))
            order = std::max(order, control->m_layout->Z_Order);
    return order;
}

int32_t LControl::GetDescendants(RCPtrArray<LControl>& list)
{
    list.Clear();
    AppendDescendants(*this, list);
    return static_cast<int32_t>(list.GetCount());
}

} // namespace VQ
