// Scrolling of a control's content, idle ticks, tooltips, context menus and edit commands.
#include "vqframework/control/Control.h"

#include "vqframework/control/RootWindow.h"

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
    constexpr double unlimited = CoordinateLimits<double>::Maximum;
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
    if (++m_idleRequests != 1)
        return S_OK;
    // Without a window (or before Initialize) the count waits for RegisterRootWindowHandlers.
    const RCPtr<LRootWindow>& window = GetRootWindow();
    if (!window || !m_handlerTable)
        return S_OK;
    const VQRESULT result = m_handlerTable->RegisterHandler(&LControl::OnIdleTick, window, u"NID_IDLE", 0);
    if (Failed(result)) {
        m_idleRequests = 0;
        return result;
    }
    return S_OK;
}

VQRESULT LControl::ReleaseIdle()
{
    // More releases than requests change nothing.
    if (m_idleRequests <= 0)
        return S_FALSE;
    if (--m_idleRequests > 0)
        return S_OK;
    const RCPtr<LRootWindow> window = GetRootWindow();
    if (!window)
        return S_OK;
    if (!m_handlerTable || !m_handlerTable->HasHandler(window, u"NID_IDLE"))
        return E_FAIL;
    return Unregister(window, LNotification::InternID(u"NID_IDLE"));
}

VQRESULT LControl::OnIdleTick(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&)
{
    // Held: closing children or the hook may drop the last other reference.
    const RCPtr<LControl> self(this);
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

RCPtr<LControl> LControl::GetTooltipOwner()
{
    LControl* owner = this;
    while (owner->m_parent && owner->m_useParentTooltip && owner->GetTooltipText().IsEmpty())
        owner = owner->m_parent.Get();
    return RCPtr<LControl>(owner);
}

} // namespace VQ
