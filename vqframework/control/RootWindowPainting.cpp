// How a root window draws its control tree into the dirty region.
#include "vqframework/control/RootWindow.h"

#include "vqframework/control/Control.h"
#include "vqframework/threads/UIThread.h"

#include <algorithm>
#include <vector>

namespace VQ {

void LRootWindow::Paint(const RectRegion& region)
{
    VQ_ASSERT_UI_THREAD();
    // Held: a control's drawing hooks may replace the root control.
    const RCPtr<LControl> root = m_rootControl;
    const RCPtr<LRenderer> renderer = m_renderer;
    if (!root || !renderer || region.GetCount() == 0)
        return;
    // A frame already under way on the renderer: drawing now would mix with it, so everything is
    // drawn again at the next paint.
    const RCPtr<LRenderContextInfo> context = renderer->GetCurrentContext();
    if (context && !context->GetSavedStates().empty()) {
        if (m_services)
            m_services->InvalidateAll();
        return;
    }

    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    region.GetBounds(left, top, right, bottom);
    RectT<double> clip = root->GetRect();
    RectT<double>::Intersect(clip, clip,
                             RectT<double>{double(left), double(top), double(right) - left, double(bottom) - top});

    const PointT<int32_t> client = GetClientSize();
    PushClipParams params;
    params.flavor = PushClipParams::PushClipFlavor;
    params.bounds = {0, 0, static_cast<double>(client.x), static_cast<double>(client.y)};
    params.clip = clip;
    params.relative = false;
    const CAutoClip autoClip(renderer, params);
    RenderTree(root, region, false);
}

void LRootWindow::RenderTree(const RCPtr<LControl>& control, const RectRegion& region, bool unclippedPass)
{
    VQ_ASSERT_UI_THREAD();
    const RCPtr<LRenderer> renderer = m_renderer;
    if (!control || !renderer)
        return;
    // Each level keeps its own list, so the controls a nested pass collects never disturb the
    // list being drawn here.
    RCPtrArray<LControl> overflow;
    control->Render(renderer, region, overflow, unclippedPass);
    if (overflow.GetCount() == 0)
        return;

    std::vector<RCPtr<LControl>> ordered;
    ordered.reserve(overflow.GetCount());
    for (uint32_t i = 0; i < overflow.GetCount(); ++i)
        ordered.push_back(overflow.GetAt(i));
    std::stable_sort(ordered.begin(), ordered.end(), [](const RCPtr<LControl>& a, const RCPtr<LControl>& b) {
        return a->GetLayout()->Z_Order < b->GetLayout()->Z_Order;
    });

    for (const RCPtr<LControl>& child : ordered) {
        const RCPtr<LControl>& parent = child->GetParent();
        PointT<double> offset;
        if (parent) {
            const PointT<int32_t> position = parent->GetPositionInWindow().Round();
            const RectT<double> client = parent->GetLookClientRect(-1);
            const PointT<int32_t> clientOrigin = PointT<double>{client.x, client.y}.Round();
            const PointT<double>& scroll = parent->GetScrollOffset();
            // In double: two saturated 32-bit values may not add up within 32 bits.
            offset = {double(position.x) + clientOrigin.x - scroll.x, double(position.y) + clientOrigin.y - scroll.y};
        }
        // The control's own opacity only: its ancestors' do not carry over to the overflow pass.
        // Render multiplies in the control's opacity itself, so the state starts from 1.
        if (const RCPtr<LRenderContextInfo> context = renderer->GetCurrentContext()) {
            context->GetState().opacity = 1.0f;
            context->GetState().stencilSet = false;
        }
        PushClipParams params;
        params.flavor = PushClipParams::PushClipFlavor;
        params.bounds = {offset.x, offset.y, 0, 0};
        params.clip = child->GetRect();
        params.relative = false;
        const CAutoClip autoClip(renderer, params);
        RenderTree(child, region, true);
    }
}

} // namespace VQ
