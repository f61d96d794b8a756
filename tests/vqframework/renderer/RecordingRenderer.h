// A back end that draws nothing and records every state change reaching it through the hooks, so
// tests see both the resulting state and the calls a drawing back end would have followed.
#pragma once

#include "vqframework/renderer/Renderer.h"

#include <ostream>
#include <sstream>
#include <string>
#include <vector>

namespace VQ {

inline void PrintTo(const PointT<double>& p, std::ostream* out)
{
    *out << "(" << p.x << ", " << p.y << ")";
}

inline void PrintTo(const RectT<double>& r, std::ostream* out)
{
    *out << "(" << r.x << ", " << r.y << ", " << r.width << ", " << r.height << ")";
}

class LRecordingContext : public LRenderContextInfo {
public:
    static RCPtr<LRecordingContext> Create(bool offscreen = false)
    {
        return RCPtr<LRecordingContext>(new LRecordingContext(offscreen));
    }

    PointT<int32_t> GetMaximumSize() const override { return {4096, 4096}; }

private:
    explicit LRecordingContext(bool offscreen) : LRenderContextInfo({0, 0, 200, 100}, nullptr, offscreen) {}
};

class LRecordingRenderer : public LRenderer {
public:
    static RCPtr<LRecordingRenderer> Create() { return RCPtr<LRecordingRenderer>(new LRecordingRenderer()); }

    // "clip x y w h", "translate x y", "stencil none" or "stencil set", in call order.
    std::vector<std::string> hooks;

    VQRESULT SetStencil(const RCPtr<LStencil>& stencil) override
    {
        hooks.push_back(stencil ? "stencil set" : "stencil none");
        return LRenderer::SetStencil(stencil);
    }
    void SetClipRect(const RectT<double>& clip) override
    {
        std::ostringstream text;
        text << "clip " << clip.x << " " << clip.y << " " << clip.width << " " << clip.height;
        hooks.push_back(text.str());
        LRenderer::SetClipRect(clip);
    }
    void Translate(const PointT<double>& offset) override
    {
        std::ostringstream text;
        text << "translate " << offset.x << " " << offset.y;
        hooks.push_back(text.str());
        LRenderer::Translate(offset);
    }

    VQRESULT GetFontMetrics(const ConstRCPtr<LFont>&, int32_t&, int32_t&, int32_t&) override { return E_NOTIMPL; }
    RectT<float> MeasureString(const StringT<char16_t, char>&, const ConstRCPtr<LFont>&) override { return {}; }
    int32_t GetRendererType() override { return -1; }
    VQRESULT InitRenderContextInfo(const RectT<int32_t>&, Platform::IPresentTarget*, bool offscreen,
                                   RCPtr<LRenderContextInfo>& context) override
    {
        context = LRecordingContext::Create(offscreen);
        return S_OK;
    }
    void DrawString(const StringT<char16_t, char>&, const ConstRCPtr<LFont>&, const PointT<int32_t>&,
                    const RGBAColor&) override
    {
    }
    void FrameRect(const RectT<int32_t>&, const RGBAColor&, float) override {}
    void FillRect(const RectT<int32_t>&, const RGBAColor&, bool) override {}
    void DrawRect(const RectT<int32_t>&, const RGBAColor&, const RGBAColor&, float) override {}
    void DrawColorRectList(const ColorRectListT<float>&, const PointT<double>&) override {}
    void DrawLine(const PointT<float>&, const PointT<float>&, const RGBAColor&, float) override {}
    void DrawLineSegments(PolylineT<float>&, const RGBAColor&, const PointT<float>&, const PointT<float>&,
                          bool) override
    {
    }
    void DrawPolyline(PolylineT<float>&, const RGBAColor&, const PointT<float>&, const PointT<float>&, bool) override
    {
    }
    void DrawPolygon(PolylineT<float>&, const RGBAColor&, const PointT<float>&, const PointT<float>&, bool) override
    {
    }
    void FillPolygon(PolylineT<float>&, const RGBAColor&, const PointT<float>&, const PointT<float>&, bool) override
    {
    }
    void DrawBitmap(const ConstRCPtr<LBitmap>&, const RectT<int32_t>&, ResizeType) override {}
    VQRESULT DrawRenderContext(const RCPtr<LRenderContextInfo>&, const PointT<int32_t>&,
                               const RectT<int32_t>&) override
    {
        return E_NOTIMPL;
    }
    VQRESULT ScrollRenderContext(const RCPtr<LRenderContextInfo>&, const PointT<int32_t>&) override
    {
        return E_NOTIMPL;
    }
};

} // namespace VQ
