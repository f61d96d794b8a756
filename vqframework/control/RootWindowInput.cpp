// The pointer as a root window sees it: the control under it, the hover control and the cursor.
#include "vqframework/control/RootWindow.h"

#include "vqframework/control/Control.h"

namespace VQ {

RCPtr<LControl> LRootWindow::ControlAtPoint(const PointT<int32_t>&, PointT<int32_t>& localPoint, bool)
{
    localPoint = {};
    return RCPtr<LControl>();
}

void LRootWindow::SetHoverControl(const RCPtr<LControl>& control)
{
    m_hoverControl = control;
}

PointT<int32_t> LRootWindow::GetCursorPos()
{
    return {};
}

IWindowOSServices::CursorHandle LRootWindow::SetCursor(IWindowOSServices::CursorHandle)
{
    return 0;
}

} // namespace VQ
