// The back end every window draws with: each context paints into its own transparent surface, and
// at the end of a frame exactly the rectangles of the context's region are copied to the window.
// Bitmaps are drawn from surfaces pre-scaled once per bitmap and destination size, polylines from
// paths built once per polyline, text in faces found by family name.
#pragma once

#include "platform/drawing/DrawingSurface.h"
#include "vqframework/renderer/Renderer.h"
#include "vqframework/renderer/gdi/GDIRenderContextInfo.h"
#include "vqframework/storage/PurgableObjectCache.h"

#include <memory>

namespace VQ {

class LGDIRenderer : public LRenderer {
public:
    // A cached bitmap: the bitmap drawn at the destination size, ready to copy.
    class LCachedBitmap : public virtual LRefCountedObject {
    public:
        explicit LCachedBitmap(std::unique_ptr<Platform::DrawingSurface> surface) : m_surface(std::move(surface)) {}
        Platform::DrawingSurface& GetSurface() { return *m_surface; }

    private:
        std::unique_ptr<Platform::DrawingSurface> m_surface;
    };

    // The path built from a polyline.
    class LGraphicsPath : public virtual LRefCountedObject {
    public:
        Platform::DrawingPath path;
    };

    // The bitmap cache's key. It holds the bitmap, so an image is not destroyed (and its identity
    // reused) while an entry is filed under it.
    struct CashableBitmapDescriptor {
        ConstRCPtr<LBitmap> bitmap;
        int32_t width = 0;
        int32_t height = 0;

        bool operator==(const CashableBitmapDescriptor& other) const
        {
            return bitmap == other.bitmap && width == other.width && height == other.height;
        }
        static CashableBitmapDescriptor GetSelf(const CashableBitmapDescriptor& key) { return key; }
        // Bits 4 to 11 of the image's identity.
        static uint32_t GetHashBits(const CashableBitmapDescriptor& key);
    };

    static constexpr int32_t CacheCapacity = 256;
    // Bitmap entries unused for a whole interval go at the next purge.
    static constexpr uint32_t PurgeIntervalMs = 300000;
    static constexpr int32_t ScreenResolution = 96;

    // Larger sizes are not drawn or measured: their glyphs would leave every coordinate range.
    static constexpr float MaximumFontSize = 10000.0f;

    static RCPtr<LGDIRenderer> Create();

    // The metric rules on a face's design metrics, the size taken as an em height in pixels;
    // E_INVALIDARG for a size that is not drawable.
    static VQRESULT ComputeFontMetrics(const Platform::FontDesignMetrics& design, float size, int32_t& lineHeight,
                                       int32_t& ascent, int32_t& descent);
    // The measured width of text whose right edge lies at the given x: up to the next whole pixel,
    // plus 3 when that is above 0.
    static int32_t MeasuredWidth(float right);

    VQRESULT GetFontMetrics(const ConstRCPtr<LFont>& font, int32_t& lineHeight, int32_t& ascent,
                            int32_t& descent) override;
    RectT<float> MeasureString(const StringT<char16_t, char>& text, const ConstRCPtr<LFont>& font) override;
    int32_t GetRendererType() override { return GDIPlus; }
    VQRESULT InitRenderContextInfo(const RectT<int32_t>& rect, Platform::IPresentTarget* window, bool offscreen,
                                   RCPtr<LRenderContextInfo>& context) override;
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
    // Throws a runtime error outside a frame, and an invalid argument for an unknown resize type
    // when the entry has to be built and the bitmap is not already at the destination size.
    void DrawBitmap(const ConstRCPtr<LBitmap>& bitmap, const RectT<int32_t>& destination,
                    ResizeType resizeType) override;
    VQRESULT DrawRenderContext(const RCPtr<LRenderContextInfo>& source, const PointT<int32_t>& destination,
                               const RectT<int32_t>& sourceRect) override;
    VQRESULT ScrollRenderContext(const RCPtr<LRenderContextInfo>& context, const PointT<int32_t>& offset) override;
    void SetClipRect(const RectT<double>& clip) override;
    void Translate(const PointT<double>& offset) override;

    // How many cached bitmaps were built, each on a cache miss; for tests of the cache.
    uint32_t GetBitmapBuildCount() const { return m_bitmapBuilds; }

private:
    enum class PathKind { Segments, Polyline, Polygon, Filled };
    using PolylineKey = const PolylineT<float>*;
    static uintptr_t GetPolylineAddress(const PolylineKey& polyline) { return reinterpret_cast<uintptr_t>(polyline); }

    using BitmapCache = PurgableObjectCache<LCachedBitmap, CashableBitmapDescriptor, CashableBitmapDescriptor,
                                            &CashableBitmapDescriptor::GetSelf, 8, &CashableBitmapDescriptor::GetHashBits>;
    using PathCache =
        PurgableObjectCache<LGraphicsPath, PolylineKey, uintptr_t, &GetPolylineAddress, 8, &GetBits<8, 4, uintptr_t>>;

    LGDIRenderer();

    // The surface of the context on top; null outside frames.
    Platform::DrawingSurface* GetTarget();
    // The current state's translation and clip onto the current surface.
    void ApplyState();
    void ApplyState(const LGDIRenderContextInfo& context, Platform::DrawingSurface& surface);
    void DrawPath(PolylineT<float>& polyline, const RGBAColor& color, const PointT<float>& offset,
                  const PointT<float>& scale, bool keepCached, PathKind kind);
    RCPtr<LCachedBitmap> BuildCachedBitmap(const ConstRCPtr<LBitmap>& bitmap, int32_t width, int32_t height,
                                           ResizeType resizeType);
    void PurgeWhenDue();
    // Back to an offset saved before a temporary translation, through the Translate hook.
    void RestoreOffset(const PointT<double>& saved);

    float m_scale = 1.0f;
    RCPtr<LGDIRenderContextInfo> m_current;
    int32_t m_resolution = ScreenResolution;
    BitmapCache m_bitmapCache{CacheCapacity};
    PathCache m_pathCache{CacheCapacity};
    uint32_t m_lastPurge = 0;
    uint32_t m_bitmapBuilds = 0;
};

} // namespace VQ
