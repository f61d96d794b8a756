// The condition bits of a control and their change notifications.
#include "vqframework/control/Control.h"

#include <vector>

namespace VQ {

namespace {

constexpr uint32_t MouseOverBit = 0x4;
constexpr uint32_t CapturedBit = 0x8;
constexpr uint32_t LeftDragBit = 0x80;
constexpr uint32_t EnabledBit = 0x400;
constexpr uint32_t VisibleBit = 0x800;

// The change notifications in the order they are sent, each with the bits it stands for.
struct ConditionNotification {
    const char16_t* id;
    uint32_t bits;
};

constexpr ConditionNotification ConditionNotifications[] = {
    {u"NID_CONDITION_CHANGE", 0x1FFF},
    {u"NID_HAS_FOCUS_CONDITION_CHANGE", 0x1},
    {u"NID_CONTAINS_FOCUS_CONDITION_CHANGE", 0x2},
    {u"NID_HOVER_CONDITION_CHANGE", 0x1000},
    {u"NID_CAPTURE_CONDITION_CHANGE", CapturedBit},
    {u"NID_LEFT_DRAG_CONDITION_CHANGE", 0x10 | LeftDragBit},
    {u"NID_MIDDLE_DRAG_CONDITION_CHANGE", 0x20 | 0x100},
    {u"NID_RIGHT_DRAG_CONDITION_CHANGE", 0x40 | 0x200},
    {u"NID_ENABLED_CONDITION_CHANGE", EnabledBit},
    {u"NID_VISIBLITY_CONDITION_CHANGE", VisibleBit},
};

} // namespace

uint32_t LControl::GetConditions() const
{
    uint32_t mask = 0;
    const bool flags[] = {m_hasFocus, m_containsFocus, m_mouseOver, m_captured, m_leftDown,
                          m_middleDown, m_rightDown, m_leftDrag, m_middleDrag, m_rightDrag};
    for (uint32_t bit = 0; bit < std::size(flags); ++bit)
        if (flags[bit])
            mask |= 1u << bit;
    if (m_layout && m_layout->IsEnabled && (!m_parent || m_parent->IsEnabled(true)))
        mask |= EnabledBit;
    if (IsVisible(true))
        mask |= VisibleBit;
    if (m_mouseOver || m_highlighted)
        mask |= 0x1000;
    return mask;
}

void LControl::UpdateConditions()
{
    const uint32_t current = GetConditions();
    if (current == m_conditionsParam->currentConditions)
        return;
    // Held: hooks and receivers may drop the last other reference to the control.
    const RCPtr<LControl> self(this);
    // A receiver that recomputes overwrites the shared payload; the steps below go by this change.
    const RCPtr<LConditionsParam> param = m_conditionsParam;
    const uint32_t previous = param->currentConditions;
    param->previousConditions = previous;
    param->currentConditions = current;
    param->point = m_pressPoint;
    const uint32_t changed = previous ^ current;
    const uint32_t turnedOn = changed & current;
    const uint32_t turnedOff = changed & previous;
    const bool over = (current & MouseOverBit) != 0;
    const bool captured = (current & CapturedBit) != 0;

    if (m_cursor) {
        if (const RCPtr<LRootWindow> window = GetRootWindow()) {
            if ((turnedOn & MouseOverBit) && !captured)
                m_previousCursor = window->SetCursor(m_cursor);
            else if (((turnedOff & MouseOverBit) && !captured) || ((turnedOff & CapturedBit) && !over))
                window->SetCursor(m_previousCursor);
        }
    }

    if (m_dragMode != DragModeNone && (turnedOff & LeftDragBit))
        DragDrop();

    OnConditionsChanged(param);

    for (const ConditionNotification& notification : ConditionNotifications)
        if (changed & notification.bits)
            Send(LNotification::Create(notification.id, param));

    if (m_dragMode != DragModeNone && (turnedOn & LeftDragBit))
        BeginDrag();

    // The hover moves to whatever now lies under the pointer.
    const bool hiddenUnderPointer = over && (changed & VisibleBit) && !(current & VisibleBit) && !captured;
    const bool captureEndedOutside = (turnedOff & CapturedBit) && !over;
    if (hiddenUnderPointer || captureEndedOutside) {
        if (const RCPtr<LRootWindow> window = GetRootWindow()) {
            PointT<int32_t> localPoint;
            window->ControlAtPoint(window->GetCursorPos(), localPoint, true);
        }
    }

    if (changed & (EnabledBit | VisibleBit)) {
        // A snapshot: receivers may add or remove children meanwhile; a removed one is passed over.
        std::vector<RCPtr<LControl>> children;
        children.reserve(m_children.GetCount());
        for (uint32_t i = 0; i < m_children.GetCount(); ++i)
            children.push_back(m_children.GetAt(i, ChildControlList::OrderInsertion));
        for (auto child = children.rbegin(); child != children.rend(); ++child)
            if ((*child)->m_parent.Get() == this)
                (*child)->UpdateConditions();
    }
}

void LControl::OnConditionsChanged(const RCPtr<LConditionsParam>&) {}

void LControl::SetHighlighted(bool highlighted)
{
    if (highlighted == m_highlighted)
        return;
    m_highlighted = highlighted;
    UpdateConditions();
}

void LControl::SetCursor(CursorHandle cursor)
{
    if (cursor == m_cursor)
        return;
    const CursorHandle before = m_cursor;
    m_cursor = cursor;
    if (!m_mouseOver)
        return;
    if (const RCPtr<LRootWindow> window = GetRootWindow()) {
        const CursorHandle replaced = window->SetCursor(cursor);
        if (!before)
            m_previousCursor = replaced;
    }
}

} // namespace VQ
