// Pointer input of a control: the root window's calls, the press, click and wheel hooks.
#include "vqframework/control/Control.h"

namespace VQ {

VQRESULT LControl::MouseEnter()
{
    return S_OK;
}

VQRESULT LControl::MouseMove(const RCPtr<LPointWithModifiersParam>&)
{
    return S_OK;
}

VQRESULT LControl::MouseDown(const RCPtr<LMouseButtonParam>&)
{
    return S_OK;
}

VQRESULT LControl::MouseUp(const RCPtr<LMouseButtonParam>&)
{
    return S_OK;
}

VQRESULT LControl::MouseLeave()
{
    return S_OK;
}

VQRESULT LControl::SetCapture(int32_t, int32_t, int32_t)
{
    return 1;
}

VQRESULT LControl::ReleaseCapture()
{
    return 1;
}

VQRESULT LControl::MouseWheel(const RCPtr<LMouseWheelParam>&)
{
    return -1;
}

VQRESULT LControl::MouseHWheel(const RCPtr<LMouseWheelParam>& param)
{
    return MouseWheel(param);
}

void LControl::OnLeftDown(const RCPtr<LMouseButtonParam>&) {}
void LControl::OnLeftUp(const RCPtr<LMouseButtonParam>&) {}
void LControl::OnMiddleDown(const RCPtr<LMouseButtonParam>&) {}
void LControl::OnMiddleUp(const RCPtr<LMouseButtonParam>&) {}
void LControl::OnRightDown(const RCPtr<LMouseButtonParam>&) {}
void LControl::OnRightUp(const RCPtr<LMouseButtonParam>&) {}
void LControl::OnMouseMove(const RCPtr<LPointWithModifiersParam>&) {}

VQRESULT LControl::OnMouseWheel(const RCPtr<LMouseWheelParam>&)
{
    return 1;
}

VQRESULT LControl::OnMouseHWheel(const RCPtr<LMouseWheelParam>&)
{
    return 1;
}

VQRESULT LControl::OnClick(const RCPtr<LMouseButtonParam>& param)
{
    if (!param)
        return E_INVALIDARG;
    switch (param->button) {
    case 1:
        return LeftClick(param);
    case 2:
        return MiddleClick(param);
    case 4:
        return RightClick(param);
    default:
        return E_INVALIDARG;
    }
}

VQRESULT LControl::LeftClick(const RCPtr<LMouseButtonParam>& param)
{
    LeftClickAction(param);
    return Send(LNotification::Create(u"NID_LEFT_CLICK", param));
}

VQRESULT LControl::MiddleClick(const RCPtr<LMouseButtonParam>& param)
{
    MiddleClickAction(param);
    return Send(LNotification::Create(u"NID_MIDDLE_CLICK", param));
}

VQRESULT LControl::RightClick(const RCPtr<LMouseButtonParam>& param)
{
    RightClickAction(param);
    return Send(LNotification::Create(u"NID_RIGHT_CLICK", param));
}

void LControl::LeftClickAction(const RCPtr<LMouseButtonParam>&) {}
void LControl::MiddleClickAction(const RCPtr<LMouseButtonParam>&) {}
void LControl::RightClickAction(const RCPtr<LMouseButtonParam>&) {}

} // namespace VQ
