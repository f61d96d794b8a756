// The OpenGL back end: immediate-mode drawing with a y-down orthographic projection, display lists
// for cached shapes, bitmaps as power-of-two textures, polygons filled through the GLU tessellator,
// and clips as scissor boxes. Text goes through a font renderer's glyph sink. One GL context per
// renderer, current from RenderStart to RenderFinish; contexts that are not a window's draw into
// framebuffer objects.
#pragma once

#include "platform/gl/GLContext.h"
#include "vqframework/renderer/Renderer.h"
#include "vqframework/renderer/fontrenderer/FontRenderer.h"
#include "vqframework/renderer/opengl/GLDisplayList.h"
#include "vqframework/renderer/opengl/GLRenderContextInfo.h"
#include "vqframework/renderer/opengl/GLTexture.h"
#include "vqframework/storage/PurgableObjectCache.h"

#include <memory>
#include <optional>

namespace VQ {

class LGLRenderer : public LRenderer {
public:
    // The display list of a colour-rectangle list, with the content it was compiled from: the list
    // has no changed flag, so a list whose content differs is compiled again.
    class LColorRectDisplayList : public virtual LRefCountedObject {
    public:
        RCPtr<LGLDisplayList> list;
        ColorRectListT<float> content;
    };

    static constexpr int32_t DisplayListCacheCapacity = 256;
    static constexpr int32_t TextureCacheCapacity = 64;
    static constexpr uint32_t PurgeIntervalMs = 300000;

    // A window context for the window, or an offscreen one without a window. A failure shows the
    // error box and throws a runtime error.
    static RCPtr<LGLRenderer> Create(const RCPtr<LFontRenderer>& fontRenderer, Platform::IPresentTarget* window);
    ~LGLRenderer() override;

    // The scissor box (x, y from the bottom, width, height) of a clip already moved by the origin,
    // in a viewport of the given size.
    static RectT<int32_t> ComputeScissor(const RectT<double>& clip, int32_t viewportWidth, int32_t viewportHeight);

    VQRESULT GetFontMetrics(const ConstRCPtr<LFont>& font, int32_t& lineHeight, int32_t& ascent,
                            int32_t& descent) override;
    RectT<float> MeasureString(const StringT<char16_t, char>& text, const ConstRCPtr<LFont>& font) override;
    int32_t GetRendererType() override { return OpenGL; }
    VQRESULT InitRenderContextInfo(const RectT<int32_t>& rect, Platform::IPresentTarget* window, bool offscreen,
                                   RCPtr<LRenderContextInfo>& context) override;
    VQRESULT SetViewport(const RectT<int32_t>& rect) override;
    VQRESULT RenderStart(const RCPtr<LRenderContextInfo>& context) override;
    VQRESULT RenderFinish(const RCPtr<LRenderContextInfo>& context) override;
    void DrawString(const StringT<char16_t, char>& text, const ConstRCPtr<LFont>& font, const PointT<int32_t>& origin,
                    const RGBAColor& color) override;
    void FrameRect(const RectT<int32_t>& rect, const RGBAColor& color, float lineWidth) override;
    void FillRect(const RectT<int32_t>& rect, const RGBAColor& color, bool blend) override;
    void DrawColorRectList(const ColorRectListT<float>& list, const PointT<double>& offset) override;
    void DrawLine(const PointT<float>& from, const PointT<float>& to, const RGBAColor& color,
                  float lineWidth) override;
    void DrawLineSegments(PolylineT<float>& polyline, const RGBAColor& color, const PointT<float>& offset,
                          const PointT<float>& scale, bool keepCached) override;
    void DrawPolyline(PolylineT<float>& polyline, const RGBAColor& color, const PointT<float>& offset,
                      const PointT<float>& scale, bool keepCached) override;
    void DrawPolygon(PolylineT<float>& polyline, const RGBAColor& color, const PointT<float>& offset,
                     const PointT<float>& scale, bool keepCached) override;
    void FillPolygon(PolylineT<float>& polyline, const RGBAColor& color, const PointT<float>& offset,
                     const PointT<float>& scale, bool keepCached) override;
    // Throws a failed result (E_INVALIDARG) for an empty bitmap and a logic error for an unknown
    // resize type.
    void DrawBitmap(const ConstRCPtr<LBitmap>& bitmap, const RectT<int32_t>& destination,
                    ResizeType resizeType) override;
    VQRESULT DrawRenderContext(const RCPtr<LRenderContextInfo>& source, const PointT<int32_t>& destination,
                               const RectT<int32_t>& sourceRect) override;
    VQRESULT ScrollRenderContext(const RCPtr<LRenderContextInfo>& context, const PointT<int32_t>& offset) override;
    void SetClipRect(const RectT<double>& clip) override;
    void Translate(const PointT<double>& offset) override;

    bool IsDoubleBuffered() const { return m_doubleBuffered; }
    bool IsSwapCopy() const { return m_swapCopy; }
    // How many textures and display lists were built, each on a cache miss; for tests of the caches.
    uint32_t GetTextureBuildCount() const { return m_textureBuilds; }
    uint32_t GetDisplayListBuildCount() const { return m_displayListBuilds; }

private:
    enum class ShapeKind { Segments, Polyline, Polygon, Filled };
    using PolylineKey = const PolylineT<float>*;
    using RectListKey = const ColorRectListT<float>*;
    static uintptr_t GetPolylineAddress(const PolylineKey& polyline) { return reinterpret_cast<uintptr_t>(polyline); }
    static uintptr_t GetRectListAddress(const RectListKey& list) { return reinterpret_cast<uintptr_t>(list); }
    static uintptr_t GetSelf(const uintptr_t& handle) { return handle; }

    using DisplayListCache = PurgableObjectCache<LGLDisplayList, PolylineKey, uintptr_t, &GetPolylineAddress, 8,
                                                 &GetBits<8, 4, uintptr_t>>;
    using RectListCache = PurgableObjectCache<LColorRectDisplayList, RectListKey, uintptr_t, &GetRectListAddress, 8,
                                              &GetBits<8, 4, uintptr_t>>;
    using TextureCache = PurgableObjectCache<LGLTexture, uintptr_t, uintptr_t, &GetSelf, 8, &GetBits<8, 4, uintptr_t>>;

    LGLRenderer(const RCPtr<LFontRenderer>& fontRenderer, Platform::IPresentTarget* window);

    // The message of the id, then the driver hint, in a warning box with the GL error caption.
    void ShowError(const char16_t* messageId, const char16_t* englishText);
    // The initial state of the GL context and its limits, once, while it is current.
    void PrepareContext();
    void SetInitialState();
    // The context's size as drawn: the framebuffer object is no larger than GL allows.
    PointT<int32_t> DrawnSize() const;
    // Scissor and modelview from the current context's state.
    void ApplyState();
    void ApplyScissor();
    DisplayListCache& CacheOf(ShapeKind kind);
    void DrawShape(PolylineT<float>& polyline, const RGBAColor& color, const PointT<float>& offset,
                   const PointT<float>& scale, bool keepCached, ShapeKind kind);
    RCPtr<LGLTexture> TextureOf(const ConstRCPtr<LBitmap>& bitmap);
    void PurgeWhenDue();
    void DrawTiles(const LGLTexture& texture, const RectT<float>& source, const RectT<int32_t>& destination);
    // After the frame's framebuffer could not be bound again: the rest of the frame draws nothing.
    void AbandonFrame();

    RCPtr<LFontRenderer> m_fontRenderer;
    bool m_doubleBuffered = true;
    bool m_swapCopy = true;
    uint32_t m_lastPurge = 0;
    StringT<char16_t, char> m_errorCaption;
    StringT<char16_t, char> m_errorHint;
    bool m_initialStateSet = false;
    PointT<int32_t> m_maximumSize{0, 0};
    // Declared before the caches: they free GL names as they go, while it still exists.
    std::shared_ptr<Platform::GLContext> m_glContext;
    // Made in the destructor: the context is current while the members declared after it go, and
    // the thread's previous binding comes back after them.
    std::optional<Platform::GLContext::ScopedCurrent> m_destructionBinding;
    DisplayListCache m_fillCache{DisplayListCacheCapacity};
    DisplayListCache m_outlineCache{DisplayListCacheCapacity};
    DisplayListCache m_segmentCache{DisplayListCacheCapacity};
    DisplayListCache m_polylineCache{DisplayListCacheCapacity};
    RectListCache m_rectListCache{DisplayListCacheCapacity};
    TextureCache m_textureCache{TextureCacheCapacity};
    RCPtr<LGLRenderContextInfo> m_current;
    uint32_t m_textureBuilds = 0;
    uint32_t m_displayListBuilds = 0;
};

} // namespace VQ
