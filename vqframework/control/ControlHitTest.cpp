// Which control lies under a point, and the colour of a control's looks there.
#include "vqframework/control/Control.h"

namespace VQ {

bool LControl::ContainsPoint(const PointT<int32_t>&)
{
    return false;
}

bool LControl::IsTransparentAt(const PointT<int32_t>&)
{
    return true;
}

void LControl::GetColorAtPoint(uint32_t& color, const PointT<int32_t>&, int32_t)
{
    color = 0x00FFFFFF;
}

void LControl::HitTest(RCPtr<LControl>& hit, const PointT<int32_t>&, bool, PointT<int32_t>&, int32_t&)
{
    hit.Release();
}

void LControl::ControlAtPoint(RCPtr<LControl>& target, const RCPtr<LControl>&, const PointT<int32_t>&)
{
    target.Release();
}

int32_t LControl::GetEffectiveZOrder() const
{
    return INT32_MIN;
}

int32_t LControl::GetDescendants(RCPtrArray<LControl>& list)
{
    list.Clear();
    return 0;
}

} // namespace VQ
