// Scrolling of a control's content, idle ticks, tooltips, context menus and edit commands.
#include "vqframework/control/Control.h"

#include "vqframework/objectbase/Exception.h"

#include <stdexcept>

namespace VQ {

PointT<double> LControl::SetScrollOffset(const PointT<double>&)
{
    return m_scrollOffset;
}

VQRESULT LControl::OnParentScroll(const PointT<double>&, const PointT<double>&)
{
    return S_OK;
}

RectT<double> LControl::GetScrollRange(const RCPtr<LControl>&)
{
    constexpr double unlimited = 4503599627370496.0;
    return {0, 0, unlimited, unlimited};
}

RectT<double> LControl::GetViewRect()
{
    const RectT<double> client = GetLookClientRect(-1);
    return {0, 0, client.width, client.height};
}

RectT<double> LControl::GetVisibleRect()
{
    const RectT<double> view = GetViewRect();
    return {m_scrollOffset.x, m_scrollOffset.y, view.width, view.height};
}

void LControl::OnIdle() {}

VQRESULT LControl::RequestIdle()
{
    ++m_idleRequests;
    return S_OK;
}

VQRESULT LControl::ReleaseIdle()
{
    if (m_idleRequests <= 0)
        return 1;
    --m_idleRequests;
    return S_OK;
}

VQRESULT LControl::OnIdleTick(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&)
{
    CloseQueuedControls();
    OnIdle();
    return S_OK;
}

LControl::String LControl::GetTooltipText()
{
    return m_tooltipText;
}

VQRESULT LControl::ShowTooltip(bool)
{
    return S_OK;
}

VQRESULT LControl::GetMenuItemState(const RCPtr<LMenuDescriptor>&, int32_t, const String&, LMenuItemInfo&)
{
    return 1;
}

const RCPtr<LMenuDescriptor>& LControl::GetContextMenu()
{
    return m_contextMenu;
}

void LControl::PrepareContextMenu(const RCPtr<LControl>&) {}

bool LControl::CanPerformEdit(int32_t)
{
    return false;
}

VQRESULT LControl::PerformEdit(int32_t)
{
    VQ_THROW_DETAIL(std::logic_error, "LControl::PerformEdit must be overridden");
}

} // namespace VQ
