// The pointer as a root window sees it: the control under it, the hover control and the cursor.
#include "vqframework/control/RootWindow.h"

#include "vqframework/application/ApplicationServices.h"
#include "vqframework/control/Control.h"

#include <limits>
#include <utility>

namespace VQ {

RCPtr<LControl> LRootWindow::ControlAtPoint(const PointT<int32_t>& point, PointT<int32_t>& localPoint, bool updateHover)
{
    localPoint = {};
    if (!m_rootControl)
        return RCPtr<LControl>();
    // Held: the hover change below may replace the root control.
    const RCPtr<LControl> root = m_rootControl;
    const PointT<int32_t> origin = PointT<double>{root->GetRect().x, root->GetRect().y}.Round();
    const PointT<int32_t> inRoot{
        detail::NarrowCoordinate<int32_t>(int64_t(point.x) - origin.x),
        detail::NarrowCoordinate<int32_t>(int64_t(point.y) - origin.y),
    };
    RCPtr<LControl> hit;
    int32_t priority = std::numeric_limits<int32_t>::min();
    root->HitTest(hit, inRoot, true, localPoint, priority);
    if (!hit)
        localPoint = {};
    if (updateHover)
        SetHoverControl(hit);
    return hit;
}

void LRootWindow::SetHoverControl(const RCPtr<LControl>& control)
{
    // While a control holds the capture, the hover is that control or nothing.
    RCPtr<LControl> candidate = control;
    if (m_captureControl && candidate != m_captureControl)
        candidate = RCPtr<LControl>();
    if (candidate == m_hoverControl)
        return;

    RCPtr<LControl> owner;
    if (candidate && candidate != m_captureControl) {
        owner = candidate->GetTooltipOwner();
        if (owner && owner->GetTooltipText().IsEmpty())
            owner = RCPtr<LControl>();
    }
    // Each change is recorded before the controls hear of it, so that a hook that moves the hover
    // again finds the state it acts on, and its result is not overwritten afterwards.
    if (owner != m_tooltipOwner) {
        const RCPtr<LControl> oldOwner = std::exchange(m_tooltipOwner, owner);
        if (oldOwner)
            oldOwner->ShowTooltip(false);
        if (owner && owner == m_tooltipOwner)
            owner->ShowTooltip(true);
    }

    const RCPtr<LControl> oldHover = std::exchange(m_hoverControl, candidate);
    // A tooltip hook may already have made the candidate the hover control.
    if (oldHover == candidate)
        return;
    if (oldHover && (oldHover->GetParent() || oldHover->GetRootWindow()))
        oldHover->MouseLeave();
    if (candidate && candidate == m_hoverControl)
        candidate->MouseEnter();
}

PointT<int32_t> LRootWindow::GetCursorPos()
{
    PointT<int32_t> point;
    if (!m_services)
        return point;
    if (m_services->IsActive()) {
        if (Failed(m_services->GetCursorPos(point)))
            point = {};
        return point;
    }
    IApplicationServices* application = GetApplicationServices();
    if (!application)
        return point;
    if (Failed(m_services->ScreenToClient(point, application->GetScreenCursorPos())))
        point = {};
    return point;
}

IWindowOSServices::CursorHandle LRootWindow::SetCursor(IWindowOSServices::CursorHandle cursor)
{
    if (!m_services)
        return 0;
    if (!cursor) {
        IApplicationServices* application = GetApplicationServices();
        cursor = application ? application->GetCursorHandle(u"UI_CURSOR_ARROW") : 0;
    }
    return m_services->SetCursor(cursor);
}

} // namespace VQ
