// Keyboard focus, keys and tab navigation of a control.
#include "vqframework/control/Control.h"

namespace VQ {

bool LControl::IsFocusScope() const
{
    return false;
}

RCPtr<LControl> LControl::GetFocusScope()
{
    if (IsFocusScope())
        return RCPtr<LControl>(this);
    return m_parent ? m_parent->GetFocusScope() : RCPtr<LControl>();
}

VQRESULT LControl::SetFocus(bool)
{
    return E_FAIL;
}

void LControl::SetNotFocusable(bool notFocusable)
{
    m_notFocusable = notFocusable;
    if (!m_layout)
        return;
    // The sign of TabStop carries the flag: 0 becomes -1 and n becomes -n; back, -n becomes n.
    int32_t& tabStop = m_layout->TabStop;
    if (notFocusable && tabStop >= 0)
        tabStop = tabStop == 0 ? -1 : -tabStop;
    else if (!notFocusable && tabStop < 0 && tabStop != INT32_MIN)
        tabStop = -tabStop;
}

bool LControl::CanTakeFocus()
{
    return false;
}

bool LControl::HasFocusableChild()
{
    return false;
}

VQRESULT LControl::RequestFocus(const RCPtr<LControl>&)
{
    return 1;
}

RCPtr<LControl> LControl::GetNextTabChild(const RCPtr<LControl>&, bool)
{
    return RCPtr<LControl>();
}

VQRESULT LControl::OnKey(const RCPtr<LKeyParam>&)
{
    return 1;
}

VQRESULT LControl::SendSiblingKey(const RCPtr<LKeyParam>&)
{
    return 1;
}

VQRESULT LControl::KeyUnhandled(const RCPtr<LKeyParam>&)
{
    return 1;
}

VQRESULT LControl::TabNavigate(const RCPtr<LKeyParam>&)
{
    return 1;
}

void LControl::OrderSiblingKeyReceivers(const RCPtr<LKeyParam>&, const Array<LNotificationClient*>& receivers,
                                        Array<int32_t>& order)
{
    order.Clear();
    for (uint32_t i = 0; i < receivers.GetCount(); ++i)
        order.Add(static_cast<int32_t>(i));
}

VQRESULT LControl::OnSiblingKey(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&)
{
    return S_OK;
}

void LControl::KeyInput(const RCPtr<LKeyParam>&) {}

bool LControl::CanLoseFocus()
{
    return true;
}

bool LControl::KillFocus()
{
    return true;
}

} // namespace VQ
