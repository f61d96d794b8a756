#include "vqframework/renderer/gdi/GDIRenderer.h"

#include "platform/drawing/FontFace.h"
#include "platform/images/PngDecoder.h"
#include "vqframework/application/ApplicationServices.h"
#include "vqframework/objectbase/Exception.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace VQ {

namespace {

// Cairo's coordinates are 24.8 fixed point inside; translations and clips beyond this would put
// its context into a permanent error state, and no window comes near it.
constexpr double CoordinateLimit = 8388607.0;

double ClampCoordinate(double value)
{
    return std::isnan(value) ? 0.0 : std::clamp(value, -CoordinateLimit, CoordinateLimit);
}

// Half away from zero, in single precision, clamped to the 32-bit range.
int32_t RoundFloat(float value)
{
    return ConvertCoordinate<int32_t>(value);
}

// Sizes a font can be drawn and measured at; anything else measures nothing.
bool IsDrawableSize(float points)
{
    return std::isfinite(points) && points > 0.0f && points <= LGDIRenderer::MaximumFontSize;
}

std::shared_ptr<const Platform::FontFace> FaceOf(const LFont& font)
{
    std::string family;
    font.GetName().ToUTF8(family);
    return Platform::FontFace::Find(family, font.GetStyle());
}

// Points to pixels at the screen resolution.
float PointsToPixels(float points)
{
    return points * static_cast<float>(LGDIRenderer::ScreenResolution) / 72.0f;
}

// Text is laid out with a sixth of an em of padding before the first character; measuring and
// drawing agree on it.
double LeadingPad(double pixelSize)
{
    return pixelSize / 6.0;
}

} // namespace

uint32_t LGDIRenderer::CashableBitmapDescriptor::GetHashBits(const CashableBitmapDescriptor& key)
{
    return static_cast<uint32_t>(LBitmap::GetHandle(key.bitmap) >> 4) & 0xFF;
}

LGDIRenderer::LGDIRenderer() : m_lastPurge(GetApplicationTimeMs()) {}

RCPtr<LGDIRenderer> LGDIRenderer::Create()
{
    return RCPtr<LGDIRenderer>(new LGDIRenderer());
}

VQRESULT LGDIRenderer::GetFontMetrics(const ConstRCPtr<LFont>& font, int32_t& lineHeight, int32_t& ascent,
                                      int32_t& descent)
{
    if (!font)
        return E_INVALIDARG;
    const std::shared_ptr<const Platform::FontFace> face = FaceOf(*font);
    if (!face)
        return E_FAIL;
    return ComputeFontMetrics(face->GetDesignMetrics(), font->GetSize(), lineHeight, ascent, descent);
}

VQRESULT LGDIRenderer::ComputeFontMetrics(const Platform::FontDesignMetrics& design, float size, int32_t& lineHeight,
                                          int32_t& ascent, int32_t& descent)
{
    if (design.unitsPerEm <= 0)
        return E_FAIL;
    if (!IsDrawableSize(size))
        return E_INVALIDARG;
    // The size is taken as an em height in pixels; the line height is the line spacing at that em
    // scaled from 72 to 96 dots per inch, each rounded outward by just under half a pixel.
    const float emHeight = static_cast<float>(design.unitsPerEm);
    const float height = size * static_cast<float>(design.lineSpacing) / emHeight;
    lineHeight = RoundFloat(height * 96.0f / 72.0f + 0.499f);
    ascent = RoundFloat(static_cast<float>(design.cellAscent) * size * -96.0f / (emHeight * 72.0f) - 0.499f);
    descent = RoundFloat(static_cast<float>(design.cellDescent) * size * 96.0f / (emHeight * 72.0f) + 0.499f);
    return S_OK;
}

int32_t LGDIRenderer::MeasuredWidth(float right)
{
    // Up to the next whole pixel, and three more for any text at all.
    const int32_t width = right > 0.0f ? ConvertCoordinate<int32_t>(std::trunc(right + 0.9999f)) : 0;
    return width > 0 ? width + 3 : 0;
}

RectT<float> LGDIRenderer::MeasureString(const StringT<char16_t, char>& text, const ConstRCPtr<LFont>& font)
{
    if (text.IsEmpty() || !font || !IsDrawableSize(font->GetSize()))
        return {};
    const std::shared_ptr<const Platform::FontFace> face = FaceOf(*font);
    int32_t lineHeight = 0;
    int32_t ascent = 0;
    int32_t descent = 0;
    if (!face || ComputeFontMetrics(face->GetDesignMetrics(), font->GetSize(), lineHeight, ascent, descent) < 0)
        return {};
    std::string utf8;
    text.ToUTF8(utf8);
    const double pixelSize = PointsToPixels(font->GetSize());
    float right = static_cast<float>(LeadingPad(pixelSize) + face->MeasureAdvance(utf8, pixelSize));
    if (m_resolution != ScreenResolution)
        right = 9600.0f / static_cast<float>(m_resolution) * right / 100.0f;
    return {0.0f, static_cast<float>(ascent), static_cast<float>(MeasuredWidth(right)), static_cast<float>(lineHeight)};
}

VQRESULT LGDIRenderer::InitRenderContextInfo(const RectT<int32_t>& rect, Platform::IPresentTarget* window,
                                             bool offscreen, RCPtr<LRenderContextInfo>& context)
{
    RCPtr<LGDIRenderContextInfo> made = LGDIRenderContextInfo::Create(rect, window, offscreen);
    context = made;
    return made ? S_OK : E_FAIL;
}

Platform::DrawingSurface* LGDIRenderer::GetTarget()
{
    return m_current ? &m_current->GetCurrentSurface().GetSurface() : nullptr;
}

void LGDIRenderer::ApplyState()
{
    if (m_current)
        ApplyState(*m_current, m_current->GetCurrentSurface().GetSurface());
}

void LGDIRenderer::ApplyState(const LGDIRenderContextInfo& context, Platform::DrawingSurface& surface)
{
    // The clip is set in surface pixels, then the translation of the state.
    const RectT<double>& clip = context.GetSurfaceClip();
    const double left = ClampCoordinate(clip.x);
    const double top = ClampCoordinate(clip.y);
    const double right = ClampCoordinate(clip.x + clip.width);
    const double bottom = ClampCoordinate(clip.y + clip.height);
    surface.SetTranslation(0, 0);
    surface.SetClipRect(left, top, std::max(0.0, right - left), std::max(0.0, bottom - top));
    const RenderState& state = context.GetState();
    surface.SetTranslation(ClampCoordinate(state.offset.x), ClampCoordinate(state.offset.y));
}

VQRESULT LGDIRenderer::RenderStart(const RCPtr<LRenderContextInfo>& context)
{
    LRenderer::RenderStart(context);
    m_current = RCPtrDynamicCast<LGDIRenderContextInfo>(context);
    if (!m_current)
        return S_OK;

    // A full repaint starts from fresh, transparent surfaces; a partial one keeps what is there.
    const RectT<int32_t>& rect = m_current->GetRect();
    const RectRegion& region = m_current->GetRegion();
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    const bool wholeRegion = region.GetCount() == 1 && region.GetBounds(left, top, right, bottom) && left == rect.x &&
                             top == rect.y && int64_t(right) - left == rect.width && int64_t(bottom) - top == rect.height;
    const bool resized = !m_current->SurfacesFit();
    if (resized) {
        // Surfaces that cannot be made keep the old ones, which still draw, cut to their size.
        (void)m_current->RecreateSurfaces();
    } else if (wholeRegion) {
        // Surfaces that fit are cleared in place: as fresh as new ones, without freeing and faulting
        // in megabytes of pixels on every full repaint.
        m_current->GetCurrentSurface().GetSurface().Clear();
        m_current->GetSpareSurface().GetSurface().Clear();
    }

    // Fresh or cleared surfaces have no clip.
    if (wholeRegion || resized)
        m_current->SetSurfaceClip({RenderState::UnboundedClipOrigin, RenderState::UnboundedClipOrigin,
                                   RenderState::UnboundedClipSize, RenderState::UnboundedClipSize});

    m_scale = 96.0f / static_cast<float>(ScreenResolution);
    Platform::DrawingSurface& target = m_current->GetCurrentSurface().GetSurface();
    target.SetQuality(Platform::DrawingSurface::Quality::Fast);
    const RenderState& state = m_current->GetState();
    if (GetContextDepth() == 1 && (state.offset.x != 0 || state.offset.y != 0))
        target.SetTranslation(ClampCoordinate(state.offset.x), ClampCoordinate(state.offset.y));
    return S_OK;
}

VQRESULT LGDIRenderer::RenderFinish(const RCPtr<LRenderContextInfo>& context)
{
    // A finish of another context than the one on top fails before anything is presented.
    if (GetCurrentContext() != context)
        return LRenderer::RenderFinish(context);

    if (Platform::DrawingSurface* target = GetTarget()) {
        target->Flush();
        Platform::IPresentTarget* window = m_current->GetWindow();
        if (!m_current->IsOffscreen() && window) {
            const Platform::PixelView pixels = target->GetPixels();
            Array<RectT<int32_t>> rects;
            m_current->GetRegion().GetRects(rects);
            for (uint32_t i = rects.GetCount(); i-- > 0;) {
                // Only what the surface holds can be copied.
                RectT<int32_t> shown;
                if (RectT<int32_t>::Intersect(shown, rects.GetAt(i), RectT<int32_t>{0, 0, pixels.width, pixels.height}))
                    (void)window->Present(pixels, shown.x, shown.y, shown.width, shown.height);
            }
        }
    }

    m_current.Release();
    LRenderer::RenderFinish(context);
    m_current = RCPtrDynamicCast<LGDIRenderContextInfo>(GetCurrentContext());
    PurgeWhenDue();
    return S_OK;
}

void LGDIRenderer::PurgeWhenDue()
{
    const uint32_t now = GetApplicationTimeMs();
    if (now - m_lastPurge <= PurgeIntervalMs)
        return;
    m_bitmapCache.PurgeStale();
    m_lastPurge = now;
}

void LGDIRenderer::DrawString(const StringT<char16_t, char>& text, const ConstRCPtr<LFont>& font,
                              const PointT<int32_t>& origin, const RGBAColor& color)
{
    Platform::DrawingSurface* target = GetTarget();
    if (!target || !font || text.IsEmpty() || !IsDrawableSize(font->GetSize()))
        return;
    const std::shared_ptr<const Platform::FontFace> face = FaceOf(*font);
    if (!face)
        return;
    std::string utf8;
    text.ToUTF8(utf8);
    const double pixelSize = PointsToPixels(font->GetSize() * m_scale);
    // Laid out one pixel above the given point, without wrapping or clipping.
    target->DrawText(*face, utf8, pixelSize, origin.x + LeadingPad(pixelSize), origin.y - 1.0, color.ToARGB(),
                     font->GetStyle());
}

void LGDIRenderer::FrameRect(const RectT<int32_t>& rect, const RGBAColor& color, float lineWidth)
{
    if (Platform::DrawingSurface* target = GetTarget())
        target->FrameRect(rect.x, rect.y, rect.width, rect.height, color.ToARGB(), lineWidth);
}

void LGDIRenderer::FillRect(const RectT<int32_t>& rect, const RGBAColor& color, bool blend)
{
    Platform::DrawingSurface* target = GetTarget();
    if (!target)
        return;
    if (blend)
        target->FillRect(rect.x, rect.y, rect.width, rect.height, color.ToARGB());
    else
        target->ReplacePixels(rect.x, rect.y, rect.width, rect.height, color.ToARGB());
}

void LGDIRenderer::DrawColorRectList(const ColorRectListT<float>& list, const PointT<double>& offset)
{
    if (!GetTarget() || !std::isfinite(offset.x) || !std::isfinite(offset.y))
        return;
    const PointT<double> saved = m_current->GetState().offset;
    Translate(offset);
    const uint32_t count = std::min(list.rects.GetCount(), list.colors.GetCount());
    for (uint32_t i = count; i-- > 0;) {
        const RectT<float>& rect = list.rects.GetAt(i);
        const RectT<int32_t> scaled{ConvertCoordinate<int32_t>(rect.x * list.scaleX),
                                    ConvertCoordinate<int32_t>(rect.y * list.scaleY),
                                    ConvertCoordinate<int32_t>(rect.width * list.scaleX),
                                    ConvertCoordinate<int32_t>(rect.height * list.scaleY)};
        RGBAColor color;
        color.SetARGB(list.colors.GetAt(i));
        FillRect(scaled, color, true);
    }
    RestoreOffset(saved);
}

void LGDIRenderer::DrawLine(const PointT<float>& from, const PointT<float>& to, const RGBAColor& color,
                            float lineWidth)
{
    if (Platform::DrawingSurface* target = GetTarget())
        target->DrawLine({from.x, from.y}, {to.x, to.y}, color.ToARGB(), lineWidth);
}

void LGDIRenderer::DrawLineSegments(PolylineT<float>& polyline, const RGBAColor& color, const PointT<float>& offset,
                                    const PointT<float>& scale, bool keepCached)
{
    DrawPath(polyline, color, offset, scale, keepCached, PathKind::Segments);
}

void LGDIRenderer::DrawPolyline(PolylineT<float>& polyline, const RGBAColor& color, const PointT<float>& offset,
                                const PointT<float>& scale, bool keepCached)
{
    DrawPath(polyline, color, offset, scale, keepCached, PathKind::Polyline);
}

void LGDIRenderer::DrawPolygon(PolylineT<float>& polyline, const RGBAColor& color, const PointT<float>& offset,
                               const PointT<float>& scale, bool keepCached)
{
    DrawPath(polyline, color, offset, scale, keepCached, PathKind::Polygon);
}

void LGDIRenderer::FillPolygon(PolylineT<float>& polyline, const RGBAColor& color, const PointT<float>& offset,
                               const PointT<float>& scale, bool keepCached)
{
    DrawPath(polyline, color, offset, scale, keepCached, PathKind::Filled);
}

void LGDIRenderer::DrawPath(PolylineT<float>& polyline, const RGBAColor& color, const PointT<float>& offset,
                            const PointT<float>& scale, bool keepCached, PathKind kind)
{
    Platform::DrawingSurface* target = GetTarget();
    if (!target)
        return;
    const PolylineKey key = &polyline;
    RCPtr<LGraphicsPath> path;
    {
        RCPtr<LGraphicsPath>& entry = m_pathCache.AcquireEntry(key, false);
        if (polyline.changed) {
            polyline.changed = false;
            entry.Release();
        }
        if (!entry) {
            RCPtr<LGraphicsPath> built(new LGraphicsPath());
            const uint32_t count = polyline.points.GetCount();
            std::vector<Platform::DrawingPoint> points(count);
            for (uint32_t i = 0; i < count; ++i)
                points[i] = {polyline.points.GetAt(i).x, polyline.points.GetAt(i).y};
            switch (kind) {
            case PathKind::Segments:
                for (uint32_t i = 0; i + 1 < count; i += 2) {
                    built->path.StartFigure();
                    built->path.AddLine(points[i], points[i + 1]);
                }
                break;
            case PathKind::Polyline:
                built->path.AddLines(points.data(), points.size());
                break;
            case PathKind::Polygon:
            case PathKind::Filled:
                built->path.AddPolygon(points.data(), points.size());
                break;
            }
            entry = built;
        }
        // The slot is valid only until the next acquisition.
        path = entry;
    }

    if (!std::isfinite(offset.x) || !std::isfinite(offset.y))
        return;
    const PointT<double> shift{std::clamp<double>(offset.x, -4503599627370496.0, 4503599627370496.0),
                               std::clamp<double>(offset.y, -4503599627370496.0, 4503599627370496.0)};
    const PointT<double> saved = m_current->GetState().offset;
    Translate(shift);
    constexpr float ScaleTolerance = 0.0000011920929f;
    const bool scaled = std::fabs(scale.x - 1.0f) > ScaleTolerance || std::fabs(scale.y - 1.0f) > ScaleTolerance;
    const float scaleX = scaled ? scale.x : 1.0f;
    const float scaleY = scaled ? scale.y : 1.0f;
    if (kind == PathKind::Filled)
        target->FillPath(path->path, color.ToARGB(), scaleX, scaleY);
    else
        target->StrokePath(path->path, color.ToARGB(), polyline.lineWidth, scaleX, scaleY);
    RestoreOffset(saved);
    if (!keepCached)
        (void)m_pathCache.ResetEntry(key);
}

void LGDIRenderer::DrawBitmap(const ConstRCPtr<LBitmap>& bitmap, const RectT<int32_t>& destination,
                              ResizeType resizeType)
{
    Platform::DrawingSurface* target = GetTarget();
    if (!target)
        VQ_THROW(std::runtime_error);
    RCPtr<LCachedBitmap> cached;
    {
        RCPtr<LCachedBitmap>& entry =
            m_bitmapCache.AcquireEntry(CashableBitmapDescriptor{bitmap, destination.width, destination.height}, false);
        if (!entry) {
            // A bitmap already at the destination size is drawn as it is, whatever the type.
            const bool sameSize =
                bitmap && bitmap->GetWidth() == destination.width && bitmap->GetHeight() == destination.height;
            if (!sameSize && resizeType != ResizeStretch && resizeType != ResizeTile && resizeType != ResizeCenter)
                VQ_THROW_DETAIL(std::invalid_argument, "Invalid ResizeType passed to DrawBitmap.");
            entry = BuildCachedBitmap(bitmap, destination.width, destination.height, resizeType);
            if (entry)
                ++m_bitmapBuilds;
        }
        cached = entry;
    }
    if (cached)
        (void)target->DrawSurface(cached->GetSurface(), 0, 0, destination.width, destination.height, destination.x,
                                  destination.y);
}

RCPtr<LGDIRenderer::LCachedBitmap> LGDIRenderer::BuildCachedBitmap(const ConstRCPtr<LBitmap>& bitmap, int32_t width,
                                                                    int32_t height, ResizeType resizeType)
{
    // Nothing to draw, or more than any image may hold.
    if (!bitmap || LBitmap::GetHandle(bitmap) == 0 || width <= 0 || height <= 0 ||
        width > Platform::MaximumImageSide || height > Platform::MaximumImageSide ||
        int64_t(width) * height > Platform::MaximumImagePixels)
        return nullptr;
    const int32_t sourceWidth = bitmap->GetWidth();
    const int32_t sourceHeight = bitmap->GetHeight();
    if (sourceWidth <= 0 || sourceHeight <= 0)
        return nullptr;

    // The bitmap's rectangle of its root, straight; the part outside the root is transparent.
    RCPtr<LBitmapData> data = bitmap->GetData();
    std::unique_ptr<Platform::DrawingImage> image;
    const int32_t x = bitmap->GetX();
    const int32_t y = bitmap->GetY();
    if (x >= 0 && y >= 0 && int64_t(x) + sourceWidth <= data->GetWidth() &&
        int64_t(y) + sourceHeight <= data->GetHeight()) {
        image = Platform::DrawingImage::FromStraightPixels(data->GetPixel(x, y), data->GetPitch(), sourceWidth,
                                                           sourceHeight);
    } else {
        std::vector<uint32_t> pixels(size_t(sourceWidth) * size_t(sourceHeight), 0);
        for (int32_t row = 0; row < sourceHeight; ++row)
            for (int32_t column = 0; column < sourceWidth; ++column)
                if (const uint32_t* pixel = data->GetPixel(int32_t(int64_t(x) + column), int32_t(int64_t(y) + row)))
                    pixels[size_t(row) * size_t(sourceWidth) + size_t(column)] = *pixel;
        image = Platform::DrawingImage::FromStraightPixels(pixels.data(), sourceWidth * 4, sourceWidth, sourceHeight);
    }
    std::unique_ptr<Platform::DrawingSurface> surface = Platform::DrawingSurface::Create(width, height);
    if (!image || !surface)
        return nullptr;

    // Built at the drawing system's default quality: stretching filters.
    if (sourceWidth == width && sourceHeight == height)
        resizeType = ResizeStretch;
    const double sw = sourceWidth;
    const double sh = sourceHeight;
    switch (resizeType) {
    case ResizeStretch:
        surface->DrawImage(*image, 0, 0, sw, sh, 0, 0, width, height);
        break;
    case ResizeTile:
        if (width < 3 * int64_t(sourceWidth) && height < 3 * int64_t(sourceHeight)) {
            for (int32_t column = 0; column < width; column += sourceWidth)
                for (int32_t row = 0; row < height; row += sourceHeight)
                    surface->DrawImageAt(*image, 0, 0, sw, sh, column, row);
        } else {
            surface->FillTiled(*image, 0, 0, sw, sh, 0, 0, width, height);
        }
        break;
    case ResizeCenter:
        surface->DrawImageAt(*image, 0, 0, sw, sh, (width - sw) * 0.5, (height - sh) * 0.5);
        break;
    }
    return RCPtr<LCachedBitmap>(new LCachedBitmap(std::move(surface)));
}

VQRESULT LGDIRenderer::DrawRenderContext(const RCPtr<LRenderContextInfo>& source, const PointT<int32_t>& destination,
                                         const RectT<int32_t>& sourceRect)
{
    RCPtr<LGDIRenderContextInfo> from = RCPtrDynamicCast<LGDIRenderContextInfo>(source);
    if (!from || !from->IsOffscreen())
        return E_INVALIDARG;
    Platform::DrawingSurface* target = GetTarget();
    if (!target)
        return E_FAIL;
    Platform::DrawingSurface& surface = from->GetCurrentSurface().GetSurface();
    const bool drawn = target->DrawSurface(surface, sourceRect.x, sourceRect.y, sourceRect.width, sourceRect.height,
                                           destination.x, destination.y);
    return drawn ? S_OK : E_FAIL;
}

VQRESULT LGDIRenderer::ScrollRenderContext(const RCPtr<LRenderContextInfo>& context, const PointT<int32_t>& offset)
{
    RCPtr<LGDIRenderContextInfo> scrolled = RCPtrDynamicCast<LGDIRenderContextInfo>(context);
    if (!scrolled || !scrolled->IsOffscreen())
        return E_INVALIDARG;
    Platform::DrawingSurface& old = scrolled->GetCurrentSurface().GetSurface();
    scrolled->SwapSurfaces();
    Platform::DrawingSurface& fresh = scrolled->GetCurrentSurface().GetSurface();
    // The spare's translation and clip are those of an earlier frame: clear and draw without them.
    fresh.Clear();
    const bool drawn = fresh.DrawSurface(old, 0, 0, old.GetWidth(), old.GetHeight(), offset.x, offset.y);
    fresh.SetQuality(Platform::DrawingSurface::Quality::Fast);
    // A context open lower on the stack draws through this surface again once it is on top.
    ApplyState(*scrolled, fresh);
    return drawn ? S_OK : E_FAIL;
}

void LGDIRenderer::RestoreOffset(const PointT<double>& saved)
{
    // Undoing a translation by its negative loses whatever the sum rounded away: the saved offset is
    // put back as it was, and the hook carries it to the surface.
    m_current->GetState().offset = saved;
    Translate({0, 0});
}

void LGDIRenderer::SetClipRect(const RectT<double>& clip)
{
    LRenderer::SetClipRect(clip);
    if (!m_current)
        return;
    // Taken in the translation in force now, and kept where that puts it on the surface.
    const PointT<double>& offset = m_current->GetState().offset;
    m_current->SetSurfaceClip({clip.x + offset.x, clip.y + offset.y, clip.width, clip.height});
    ApplyState();
}

void LGDIRenderer::Translate(const PointT<double>& offset)
{
    LRenderer::Translate(offset);
    Platform::DrawingSurface* target = GetTarget();
    if (!target)
        return;
    const RenderState& state = m_current->GetState();
    target->SetTranslation(ClampCoordinate(state.offset.x), ClampCoordinate(state.offset.y));
}

} // namespace VQ
