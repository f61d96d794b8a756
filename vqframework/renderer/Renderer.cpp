#include "vqframework/renderer/Renderer.h"

#include "vqframework/objectbase/Exception.h"

#include <utility>

namespace VQ {

// The state operations below act on the current context. A renderer that never pushes one (the
// drawing-nothing back end) would otherwise reach into an empty stack, so without one they do nothing.

void LRenderer::DrawRect(const RectT<int32_t>& rect, const RGBAColor& fillColor, const RGBAColor& frameColor,
                         float lineWidth)
{
    if (fillColor.a > 0)
        FillRect(rect, fillColor, true);
    if (frameColor.a > 0)
        FrameRect(rect, frameColor, lineWidth);
}

VQRESULT LRenderer::SetViewport(const RectT<int32_t>& rect)
{
    const RCPtr<LRenderContextInfo> context = GetCurrentContext();
    if (!context)
        return S_FALSE;
    context->SetRect(rect);
    return S_OK;
}

VQRESULT LRenderer::SetStencil(const RCPtr<LStencil>& stencil)
{
    const RCPtr<LRenderContextInfo> context = GetCurrentContext();
    if (!context)
        return S_FALSE;
    RenderState& state = context->GetState();
    if (!(state.stencil == stencil))
        state.stencil = stencil;
    return S_OK;
}

VQRESULT LRenderer::RenderStart(const RCPtr<LRenderContextInfo>& context)
{
    if (!context)
        VQ_THROW_DETAIL(std::runtime_error, "Render context is NULL");
    if (m_contexts.Find(context) >= 0)
        VQ_THROW_DETAIL(std::runtime_error, "Render context reentered.");
    const int32_t added = m_contexts.Add(context);
    return added < 0 ? added : S_OK;
}

VQRESULT LRenderer::RenderFinish(const RCPtr<LRenderContextInfo>& context)
{
    const uint32_t count = m_contexts.GetCount();
    if (count == 0 || !(m_contexts.GetAt(count - 1) == context))
        VQ_THROW_DETAIL(std::runtime_error, "RenderFinish context does not match RenderStart context");
    RCPtr<LRenderContextInfo> top;
    m_contexts.RemoveLast(top);
    return S_OK;
}

void LRenderer::PushTranslation(const PointT<double>& offset)
{
    const RCPtr<LRenderContextInfo> context = GetCurrentContext();
    // Outside every saved state there would be nothing for the matching PopState to restore.
    if (!context || context->GetSavedStates().empty())
        return;
    PushState();
    PointT<double> rounded = offset;
    rounded.RoundInPlace();
    Translate(rounded);
    // The clip stays where it was on the target, expressed in the new origin.
    RectT<double>& clip = context->GetState().clip;
    clip.x -= rounded.x;
    clip.y -= rounded.y;
}

void LRenderer::PushClip(const RectT<double>& bounds, const RectT<double>& clip, const RCPtr<LStencil>& stencil,
                         bool relative)
{
    const RCPtr<LRenderContextInfo> context = GetCurrentContext();
    if (!context)
        return;
    PointT<double> origin{bounds.x, bounds.y};
    if (!relative) {
        const PointT<double>& offset = context->GetState().offset;
        origin.x -= offset.x;
        origin.y -= offset.y;
    }
    origin.RoundInPlace();

    PushState();

    RectT<double> r = clip;
    if (relative) {
        RectT<double>::Intersect(r, r, bounds);
        if (!RectT<double>::Intersect(r, r, context->GetState().clip)) {
            r.width = 0;
            r.height = 0;
        }
    }
    r.Normalize();
    SetClipRect(r);
    Translate(origin);
    if (relative) {
        RectT<double>& current = context->GetState().clip;
        current.x -= origin.x;
        current.y -= origin.y;
    }

    if (!stencil)
        return;
    if (context->GetState().stencilSet) {
        SetStencil(stencil->Clone());
    } else {
        SetStencil(stencil);
        context->GetState().stencilSet = true;
    }
}

void LRenderer::PushState()
{
    const RCPtr<LRenderContextInfo> context = GetCurrentContext();
    if (!context)
        return;
    context->GetSavedStates().push_back(context->GetState());
}

void LRenderer::PopState()
{
    const RCPtr<LRenderContextInfo> context = GetCurrentContext();
    if (!context || context->GetSavedStates().empty())
        return;
    std::vector<RenderState>& saved = context->GetSavedStates();
    const RenderState restored = std::move(saved.back());
    saved.pop_back();

    // Origin and clip go back through the hooks so that back ends follow.
    const PointT<double>& offset = context->GetState().offset;
    Translate({restored.offset.x - offset.x, restored.offset.y - offset.y});
    context->GetState().opacity = restored.opacity;
    SetClipRect(restored.clip);
    SetStencil(restored.stencil);
    context->GetState().stencilSet = restored.stencilSet;
}

void LRenderer::SetClipRect(const RectT<double>& clip)
{
    const RCPtr<LRenderContextInfo> context = GetCurrentContext();
    if (!context)
        return;
    context->GetState().clip = clip;
}

void LRenderer::Translate(const PointT<double>& offset)
{
    const RCPtr<LRenderContextInfo> context = GetCurrentContext();
    if (!context)
        return;
    PointT<double>& current = context->GetState().offset;
    current.x += offset.x;
    current.y += offset.y;
}

RCPtr<LRenderContextInfo> LRenderer::GetCurrentContext() const
{
    const uint32_t count = m_contexts.GetCount();
    if (count == 0)
        return RCPtr<LRenderContextInfo>();
    return m_contexts.GetAt(count - 1);
}

CAutoClip::CAutoClip(const RCPtr<LRenderer>& renderer, const PushClipParams& params) : m_renderer(renderer)
{
    switch (params.flavor) {
    case PushClipParams::PushStateFlavor:
        m_renderer->PushState();
        break;
    case PushClipParams::PushClipFlavor:
        m_renderer->PushClip(params.bounds, params.clip, params.stencil, params.relative);
        break;
    case PushClipParams::PushTranslationFlavor:
        m_renderer->PushTranslation(params.translation);
        break;
    default:
        VQ_THROW_DETAIL(std::runtime_error, "Unknown PushClip flavor");
    }
}

CAutoClip::~CAutoClip()
{
    m_renderer->PopState();
}

} // namespace VQ
