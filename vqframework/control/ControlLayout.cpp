// Where a control lies and how large it is: its layout records computed against its parent, its
// siblings, its children, its text or, at top level, its window, the screen and the pointer.
#include "vqframework/control/Control.h"

namespace VQ {

VQRESULT LControl::UpdateLayout()
{
    return m_layout ? 1 : E_FAIL;
}

VQRESULT LControl::UpdateLayout(int32_t, int32_t)
{
    UpdateLayout();
    return S_OK;
}

VQRESULT LControl::ComputeControlRect(const LLayoutDescriptor*, LControl*, const RectT<double>&, const PointT<double>&,
                                      const PointT<double>&, RectT<double>& rect)
{
    rect = {};
    return S_OK;
}

VQRESULT LControl::ApplyMinSize(PointT<double>&, PointT<double>&)
{
    return S_OK;
}

VQRESULT LControl::ApplyMaxSize(PointT<double>&, PointT<double>&)
{
    return S_OK;
}

VQRESULT LControl::SetRect(const PointT<double>& position, const PointT<double>& size)
{
    const RectT<double> rect{position.x, position.y, size.x, size.y};
    if (rect == m_rect)
        return 1;
    m_rect = rect;
    return S_OK;
}

bool LControl::SetPlacement(int32_t, const LayoutPositionSpec&, const LayoutSizeSpec&)
{
    return true;
}

bool LControl::SetPlacementXY(const LayoutPositionSpec&, const LayoutSizeSpec&, const LayoutPositionSpec&,
                              const LayoutSizeSpec&)
{
    return true;
}

bool LControl::SetSizeLimits(int32_t, const LayoutSizeSpec&, const LayoutSizeSpec&)
{
    return true;
}

PointT<double> LControl::GetPositionInParent()
{
    return {m_rect.x, m_rect.y};
}

PointT<double> LControl::GetPositionInWindow()
{
    return {m_rect.x, m_rect.y};
}

void LControl::MapPointFrom(const RCPtr<LControl>&, PointT<double>&) {}

PointT<double> LControl::GetNaturalSize()
{
    return {};
}

PointT<double> LControl::GetMaxSize()
{
    return {};
}

} // namespace VQ
