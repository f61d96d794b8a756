// Moving, resizing and content drags of a control, drop targets and kinetic scrolling.
#include "vqframework/control/Control.h"

namespace VQ {

VQRESULT LControl::SetDragMode(int32_t mode, int32_t flags)
{
    m_dragMode = mode;
    m_dragFlags = flags;
    return S_OK;
}

VQRESULT LControl::BeginDrag()
{
    return S_OK;
}

void LControl::SaveDragStart() {}

VQRESULT LControl::DragMove(const RCPtr<LPointWithModifiersParam>& param)
{
    OnDragStep(param);
    return S_OK;
}

void LControl::OnDragStep(const RCPtr<LPointWithModifiersParam>&) {}

VQRESULT LControl::DragDrop()
{
    return S_OK;
}

bool LControl::AcceptsDrop(const RCPtr<LControl>&)
{
    return false;
}

uint32_t LControl::GetDropScrollEdges(const RCPtr<LControl>&)
{
    return 0;
}

void LControl::GetDragLimits(RectT<double>&) {}
void LControl::OnDragEnter(const RCPtr<LControl>&) {}
void LControl::OnDragOver(const RCPtr<LControl>&, const PointT<int32_t>&) {}
void LControl::OnDragLeave(const RCPtr<LControl>&) {}

VQRESULT LControl::OnDrop(const RCPtr<LControl>&)
{
    return E_FAIL;
}

} // namespace VQ
