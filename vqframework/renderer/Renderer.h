// Every pixel the program shows is drawn through this interface. A paint is a frame between
// RenderStart and RenderFinish on a context; in between, drawing goes to the context on top of the
// stack, through its origin offset and clip, which pushes and pops change.
#pragma once

#include "vqframework/graphics/Bitmap.h"
#include "vqframework/graphics/Font.h"
#include "vqframework/graphics/MeasurementRenderer.h"
#include "vqframework/graphics/RGBAColor.h"
#include "vqframework/renderer/RenderContextInfo.h"
#include "vqframework/renderer/RenderTypes.h"
#include "vqframework/renderer/Stencil.h"
#include "vqframework/storage/RCPtrArray.h"

namespace VQ {

// The virtual operations keep the order of the renderer's slots; back ends supply the abstract ones
// and extend SetViewport, SetClipRect and Translate by calling the base first.
class LRenderer : public LMeasurementRenderer {
public:
    enum Type : int32_t { OpenGL = 0, GDIPlus = 1, Direct3D9 = 2 };

    // 0: OpenGL with FreeType text (a context on the window's OpenGL surface with a window, an
    // offscreen context without one); 1: the Cairo-drawn back end every window uses; 2: the back end
    // that draws nothing. Any other type throws a domain error. The rectangle is used by no back end.
    static RCPtr<LRenderer> Create(int32_t type, const RectT<int32_t>& rect, Platform::IPresentTarget* window);

    virtual int32_t GetRendererType() = 0;
    // 0, or E_FAIL when no context results.
    virtual VQRESULT InitRenderContextInfo(const RectT<int32_t>& rect, Platform::IPresentTarget* window,
                                           bool offscreen, RCPtr<LRenderContextInfo>& context) = 0;
    // The state operations do nothing without a current context; SetViewport and SetStencil then
    // return S_FALSE.
    virtual VQRESULT SetViewport(const RectT<int32_t>& rect);
    virtual VQRESULT SetStencil(const RCPtr<LStencil>& stencil);
    // Throw runtime errors for a null or re-entered context, and for a finish that is not of the
    // context on top; the stack is then unchanged.
    virtual VQRESULT RenderStart(const RCPtr<LRenderContextInfo>& context);
    virtual VQRESULT RenderFinish(const RCPtr<LRenderContextInfo>& context);
    virtual void DrawString(const StringT<char16_t, char>& text, const ConstRCPtr<LFont>& font,
                            const PointT<int32_t>& origin, const RGBAColor& color) = 0;
    virtual void FrameRect(const RectT<int32_t>& rect, const RGBAColor& color, float lineWidth) = 0;
    // blend false replaces the pixels of the target, ignoring origin and clip (clears cache areas).
    virtual void FillRect(const RectT<int32_t>& rect, const RGBAColor& color, bool blend) = 0;
    // The fill blended, then the frame; a colour with no alpha is left out.
    virtual void DrawRect(const RectT<int32_t>& rect, const RGBAColor& fillColor, const RGBAColor& frameColor,
                          float lineWidth);
    virtual void DrawColorRectList(const ColorRectListT<float>& list, const PointT<double>& offset) = 0;
    virtual void DrawLine(const PointT<float>& from, const PointT<float>& to, const RGBAColor& color,
                          float lineWidth) = 0;
    virtual void DrawLineSegments(PolylineT<float>& polyline, const RGBAColor& color, const PointT<float>& offset,
                                  const PointT<float>& scale, bool keepCached) = 0;
    virtual void DrawPolyline(PolylineT<float>& polyline, const RGBAColor& color, const PointT<float>& offset,
                              const PointT<float>& scale, bool keepCached) = 0;
    virtual void DrawPolygon(PolylineT<float>& polyline, const RGBAColor& color, const PointT<float>& offset,
                             const PointT<float>& scale, bool keepCached) = 0;
    virtual void FillPolygon(PolylineT<float>& polyline, const RGBAColor& color, const PointT<float>& offset,
                             const PointT<float>& scale, bool keepCached) = 0;
    virtual void DrawBitmap(const ConstRCPtr<LBitmap>& bitmap, const RectT<int32_t>& destination,
                            ResizeType resizeType) = 0;
    // 0; E_INVALIDARG when the source is missing or not offscreen; E_FAIL when drawing fails.
    virtual VQRESULT DrawRenderContext(const RCPtr<LRenderContextInfo>& source, const PointT<int32_t>& destination,
                                       const RectT<int32_t>& sourceRect) = 0;
    // Moves the whole content of an offscreen context by the offset.
    virtual VQRESULT ScrollRenderContext(const RCPtr<LRenderContextInfo>& context, const PointT<int32_t>& offset) = 0;
    virtual void PushTranslation(const PointT<double>& offset);
    virtual void PushClip(const RectT<double>& bounds, const RectT<double>& clip, const RCPtr<LStencil>& stencil,
                          bool relative);
    virtual void PushState();
    virtual void PopState();
    virtual void SetClipRect(const RectT<double>& clip);
    virtual void Translate(const PointT<double>& offset);

    // The context on top of the stack; empty outside frames.
    RCPtr<LRenderContextInfo> GetCurrentContext() const;
    uint32_t GetContextDepth() const { return m_contexts.GetCount(); }

protected:
    LRenderer() = default;

private:
    RCPtrArray<LRenderContextInfo> m_contexts;
};

// The argument record of CAutoClip.
struct PushClipParams {
    enum Flavor : int32_t { PushStateFlavor = 0, PushClipFlavor = 1, PushTranslationFlavor = 2 };

    int32_t flavor = PushStateFlavor;
    RectT<double> bounds;
    RectT<double> clip;
    RCPtr<LStencil> stencil;
    bool relative = false;
    PointT<double> translation;
};

// Pushes by flavor on construction and pops on destruction; an unknown flavor throws before
// anything is pushed.
class CAutoClip {
public:
    CAutoClip(const RCPtr<LRenderer>& renderer, const PushClipParams& params);
    ~CAutoClip();
    CAutoClip(const CAutoClip&) = delete;
    CAutoClip& operator=(const CAutoClip&) = delete;

private:
    RCPtr<LRenderer> m_renderer;
};

} // namespace VQ
