// The condition bits of a control and their change notifications.
#include "vqframework/control/Control.h"

namespace VQ {

uint32_t LControl::GetConditions() const
{
    uint32_t mask = 0;
    const bool flags[] = {m_hasFocus, m_containsFocus, m_mouseOver, m_captured, m_leftDown,
                          m_middleDown, m_rightDown, m_leftDrag, m_middleDrag, m_rightDrag};
    for (uint32_t bit = 0; bit < std::size(flags); ++bit)
        if (flags[bit])
            mask |= 1u << bit;
    if (m_layout && m_layout->IsEnabled && (!m_parent || m_parent->IsEnabled(true)))
        mask |= 0x400;
    if (IsVisible(true))
        mask |= 0x800;
    if (m_mouseOver || m_highlighted)
        mask |= 0x1000;
    return mask;
}

void LControl::UpdateConditions()
{
    const uint32_t current = GetConditions();
    if (current == m_conditionsParam->currentConditions)
        return;
    m_conditionsParam->previousConditions = m_conditionsParam->currentConditions;
    m_conditionsParam->currentConditions = current;
    OnConditionsChanged(m_conditionsParam);
}

void LControl::OnConditionsChanged(const RCPtr<LConditionsParam>&) {}

void LControl::SetHighlighted(bool highlighted)
{
    m_highlighted = highlighted;
}

void LControl::SetCursor(CursorHandle cursor)
{
    m_cursor = cursor;
}

} // namespace VQ
