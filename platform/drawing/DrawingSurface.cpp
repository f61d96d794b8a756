#include "platform/drawing/DrawingSurface.h"

#include "platform/drawing/CairoFontFace.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

namespace VQ::Platform {

namespace {

uint32_t Premultiply(uint32_t argb)
{
    const uint32_t alpha = argb >> 24;
    const auto scale = [alpha](uint32_t channel) { return (channel * alpha + 127) / 255; };
    return alpha << 24 | scale(argb >> 16 & 0xFF) << 16 | scale(argb >> 8 & 0xFF) << 8 | scale(argb & 0xFF);
}

uint32_t Unpremultiply(uint32_t word)
{
    const uint32_t alpha = word >> 24;
    if (alpha == 0)
        return 0;
    const auto scale = [alpha](uint32_t channel) { return std::min<uint32_t>(255, (channel * 255 + alpha / 2) / alpha); };
    return alpha << 24 | scale(word >> 16 & 0xFF) << 16 | scale(word >> 8 & 0xFF) << 8 | scale(word & 0xFF);
}

void SetColour(cairo_t* cr, uint32_t argb)
{
    cairo_set_source_rgba(cr, (argb >> 16 & 0xFF) / 255.0, (argb >> 8 & 0xFF) / 255.0, (argb & 0xFF) / 255.0,
                          (argb >> 24) / 255.0);
}

bool Finite(double a, double b) { return std::isfinite(a) && std::isfinite(b); }

bool UsableRect(double x, double y, double width, double height)
{
    return Finite(x, y) && Finite(width, height) && width > 0 && height > 0;
}

struct Rect {
    double x, y, width, height;
};

// The part of a source rectangle inside the image; false when nothing is left.
bool ClipToImage(Rect& rect, int32_t imageWidth, int32_t imageHeight)
{
    const double left = std::max(0.0, rect.x);
    const double top = std::max(0.0, rect.y);
    const double right = std::min<double>(imageWidth, rect.x + rect.width);
    const double bottom = std::min<double>(imageHeight, rect.y + rect.height);
    if (left >= right || top >= bottom)
        return false;
    rect = {left, top, right - left, bottom - top};
    return true;
}

// A source rectangle of an image as a surface of its own, so that filters and repetition see only
// its pixels.
cairo_surface_t* SourceRect(cairo_surface_t* source, const Rect& rect)
{
    return cairo_surface_create_for_rectangle(source, rect.x, rect.y, rect.width, rect.height);
}

} // namespace

struct DrawingImage::Native {
    cairo_surface_t* surface = nullptr;
};

struct DrawingSurface::Native {
    cairo_surface_t* surface = nullptr;
    cairo_t* cr = nullptr;
    Quality quality = Quality::Default;

    cairo_filter_t Filter() const { return quality == Quality::Fast ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_BILINEAR; }
};

std::unique_ptr<DrawingImage> DrawingImage::FromStraightPixels(const uint32_t* first, int32_t pitchBytes,
                                                               int32_t width, int32_t height)
{
    if (!first || width <= 0 || height <= 0)
        return nullptr;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const auto* sourceRows = reinterpret_cast<const unsigned char*>(first);
    for (int32_t y = 0; y < height; ++y) {
        const auto* in = reinterpret_cast<const uint32_t*>(sourceRows + static_cast<ptrdiff_t>(y) * pitchBytes);
        auto* out = reinterpret_cast<uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
        for (int32_t x = 0; x < width; ++x)
            out[x] = Premultiply(in[x]);
    }
    cairo_surface_mark_dirty(surface);

    std::unique_ptr<DrawingImage> image(new DrawingImage);
    image->m_native = new Native{surface};
    image->m_width = width;
    image->m_height = height;
    return image;
}

DrawingImage::~DrawingImage()
{
    if (m_native)
        cairo_surface_destroy(m_native->surface);
    delete m_native;
}

std::unique_ptr<DrawingSurface> DrawingSurface::Create(int32_t width, int32_t height)
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, std::max(1, width), std::max(1, height));
    cairo_t* cr = cairo_create(surface);
    if (cairo_status(cr) != CAIRO_STATUS_SUCCESS) {
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
        return nullptr;
    }
    std::unique_ptr<DrawingSurface> result(new DrawingSurface);
    result->m_native = new Native{surface, cr, Quality::Default};
    return result;
}

DrawingSurface::~DrawingSurface()
{
    if (m_native) {
        cairo_destroy(m_native->cr);
        cairo_surface_destroy(m_native->surface);
    }
    delete m_native;
}

int32_t DrawingSurface::GetWidth() const { return cairo_image_surface_get_width(m_native->surface); }

int32_t DrawingSurface::GetHeight() const { return cairo_image_surface_get_height(m_native->surface); }

PixelView DrawingSurface::GetPixels()
{
    cairo_surface_flush(m_native->surface);
    return {reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(m_native->surface)), GetWidth(),
            GetHeight(), cairo_image_surface_get_stride(m_native->surface)};
}

uint32_t DrawingSurface::GetPixel(int32_t x, int32_t y)
{
    const PixelView view = GetPixels();
    if (x < 0 || y < 0 || x >= view.width || y >= view.height)
        return 0;
    const auto* row = reinterpret_cast<const unsigned char*>(view.pixels) + static_cast<ptrdiff_t>(y) * view.stride;
    return Unpremultiply(reinterpret_cast<const uint32_t*>(row)[x]);
}

void DrawingSurface::SetQuality(Quality quality)
{
    m_native->quality = quality;
    cairo_set_antialias(m_native->cr, quality == Quality::Fast ? CAIRO_ANTIALIAS_NONE : CAIRO_ANTIALIAS_DEFAULT);
}

void DrawingSurface::SetTranslation(double x, double y)
{
    // A matrix that is not finite would leave the context in a lasting error.
    if (!Finite(x, y))
        return;
    cairo_identity_matrix(m_native->cr);
    cairo_translate(m_native->cr, x, y);
}

void DrawingSurface::SetClipRect(double x, double y, double width, double height)
{
    if (!Finite(x, y) || !Finite(width, height))
        return;
    cairo_t* cr = m_native->cr;
    cairo_reset_clip(cr);
    cairo_rectangle(cr, x, y, std::max(0.0, width), std::max(0.0, height));
    cairo_clip(cr);
}

void DrawingSurface::ResetClip() { cairo_reset_clip(m_native->cr); }

void DrawingSurface::Flush() { cairo_surface_flush(m_native->surface); }

void DrawingSurface::Clear()
{
    cairo_t* cr = m_native->cr;
    cairo_reset_clip(cr);
    cairo_identity_matrix(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_rgba(cr, 0, 0, 0, 0);
    cairo_paint(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
}

namespace {

// Cairo's fixed-point coordinates overflow far outside any surface, and such a rectangle draws
// nothing at all: the edges are cut to the surface, widened by a margin, in device space first.
// False when nothing of the rectangle is left.
bool CutToSurface(cairo_t* cr, int32_t surfaceWidth, int32_t surfaceHeight, double margin, double& left, double& top,
                  double& right, double& bottom)
{
    double originX = 0;
    double originY = 0;
    cairo_user_to_device(cr, &originX, &originY);
    left = std::max(left, -margin - originX);
    top = std::max(top, -margin - originY);
    right = std::min(right, surfaceWidth + margin - originX);
    bottom = std::min(bottom, surfaceHeight + margin - originY);
    return left <= right && top <= bottom;
}

} // namespace

void DrawingSurface::FillRect(int32_t x, int32_t y, int32_t width, int32_t height, uint32_t argb)
{
    if (width <= 0 || height <= 0)
        return;
    cairo_t* cr = m_native->cr;
    double left = x;
    double top = y;
    double right = double(x) + width;
    double bottom = double(y) + height;
    if (!CutToSurface(cr, GetWidth(), GetHeight(), 1.0, left, top, right, bottom))
        return;
    SetColour(cr, argb);
    cairo_rectangle(cr, left, top, right - left, bottom - top);
    cairo_fill(cr);
}

void DrawingSurface::FrameRect(int32_t x, int32_t y, int32_t width, int32_t height, uint32_t argb, float lineWidth)
{
    if (width < 0 || height < 0)
        return;
    if (!std::isfinite(lineWidth) || lineWidth > 65536.0f)
        return;
    cairo_t* cr = m_native->cr;
    // An edge cut away lies beyond the margin, where its pen shows nothing.
    double left = x;
    double top = y;
    double right = double(x) + width;
    double bottom = double(y) + height;
    if (!CutToSurface(cr, GetWidth(), GetHeight(), 2.0 + std::fabs(lineWidth), left, top, right, bottom))
        return;
    SetColour(cr, argb);
    cairo_set_line_width(cr, lineWidth);
    // Pixel centres lie at integer coordinates, so a pen along x covers the pixel column x.
    cairo_rectangle(cr, left + 0.5, top + 0.5, right - left, bottom - top);
    cairo_stroke(cr);
}

void DrawingSurface::ReplacePixels(int32_t x, int32_t y, int32_t width, int32_t height, uint32_t argb)
{
    const int64_t surfaceWidth = GetWidth();
    const int64_t surfaceHeight = GetHeight();
    const int64_t left = std::max<int64_t>(0, x);
    const int64_t top = std::max<int64_t>(0, y);
    const int64_t right = std::min<int64_t>(surfaceWidth, int64_t{x} + width);
    const int64_t bottom = std::min<int64_t>(surfaceHeight, int64_t{y} + height);
    if (left >= right || top >= bottom)
        return;
    cairo_surface_flush(m_native->surface);
    unsigned char* data = cairo_image_surface_get_data(m_native->surface);
    const int stride = cairo_image_surface_get_stride(m_native->surface);
    const uint32_t word = Premultiply(argb);
    for (int64_t row = top; row < bottom; ++row) {
        auto* pixels = reinterpret_cast<uint32_t*>(data + row * stride);
        std::fill(pixels + left, pixels + right, word);
    }
    cairo_surface_mark_dirty_rectangle(m_native->surface, static_cast<int>(left), static_cast<int>(top),
                                       static_cast<int>(right - left), static_cast<int>(bottom - top));
}

void DrawingSurface::DrawLine(DrawingPoint from, DrawingPoint to, uint32_t argb, float lineWidth)
{
    cairo_t* cr = m_native->cr;
    SetColour(cr, argb);
    cairo_set_line_width(cr, lineWidth);
    cairo_move_to(cr, from.x + 0.5, from.y + 0.5);
    cairo_line_to(cr, to.x + 0.5, to.y + 0.5);
    cairo_stroke(cr);
}

namespace {

// The path scaled about the origin and moved by half a pixel, so that pixel centres lie at integer
// coordinates. Scaling the points, not the matrix, keeps the pen unscaled and a zero scale harmless.
template <typename Figures>
void AppendPath(cairo_t* cr, const Figures& figures, double scaleX, double scaleY)
{
    cairo_new_path(cr);
    for (const auto& figure : figures) {
        if (figure.points.empty())
            continue;
        cairo_move_to(cr, figure.points[0].x * scaleX + 0.5, figure.points[0].y * scaleY + 0.5);
        for (size_t i = 1; i < figure.points.size(); ++i)
            cairo_line_to(cr, figure.points[i].x * scaleX + 0.5, figure.points[i].y * scaleY + 0.5);
        if (figure.closed)
            cairo_close_path(cr);
    }
}

} // namespace

void DrawingSurface::StrokePath(const DrawingPath& path, uint32_t argb, float lineWidth, float scaleX, float scaleY)
{
    cairo_t* cr = m_native->cr;
    SetColour(cr, argb);
    cairo_set_line_width(cr, lineWidth);
    AppendPath(cr, path.m_figures, scaleX, scaleY);
    cairo_stroke(cr);
}

void DrawingSurface::FillPath(const DrawingPath& path, uint32_t argb, float scaleX, float scaleY)
{
    cairo_t* cr = m_native->cr;
    SetColour(cr, argb);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    AppendPath(cr, path.m_figures, scaleX, scaleY);
    cairo_fill(cr);
}

void DrawingSurface::DrawImage(const DrawingImage& image, double srcX, double srcY, double srcWidth,
                               double srcHeight, double dstX, double dstY, double dstWidth, double dstHeight)
{
    if (!UsableRect(srcX, srcY, srcWidth, srcHeight) || !UsableRect(dstX, dstY, dstWidth, dstHeight))
        return;
    // Source pixels outside the image are not there to draw: the destination shrinks with them.
    Rect src{srcX, srcY, srcWidth, srcHeight};
    if (!ClipToImage(src, image.m_width, image.m_height))
        return;
    const double scaleX = dstWidth / srcWidth;
    const double scaleY = dstHeight / srcHeight;
    const Rect dst{dstX + (src.x - srcX) * scaleX, dstY + (src.y - srcY) * scaleY, src.width * scaleX,
                   src.height * scaleY};
    cairo_t* cr = m_native->cr;
    cairo_surface_t* source = SourceRect(image.m_native->surface, src);
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(source);
    cairo_matrix_t matrix;
    cairo_matrix_init_scale(&matrix, 1 / scaleX, 1 / scaleY);
    cairo_matrix_translate(&matrix, -dst.x, -dst.y);
    cairo_pattern_set_matrix(pattern, &matrix);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
    cairo_pattern_set_filter(pattern, m_native->Filter());
    cairo_set_source(cr, pattern);
    cairo_rectangle(cr, dst.x, dst.y, dst.width, dst.height);
    cairo_fill(cr);
    cairo_pattern_destroy(pattern);
    cairo_surface_destroy(source);
}

void DrawingSurface::DrawImageAt(const DrawingImage& image, double srcX, double srcY, double srcWidth,
                                 double srcHeight, double dstX, double dstY)
{
    if (!UsableRect(srcX, srcY, srcWidth, srcHeight) || !Finite(dstX, dstY))
        return;
    cairo_t* cr = m_native->cr;
    cairo_set_source_surface(cr, image.m_native->surface, dstX - srcX, dstY - srcY);
    cairo_pattern_set_filter(cairo_get_source(cr), m_native->Filter());
    cairo_rectangle(cr, dstX, dstY, srcWidth, srcHeight);
    cairo_fill(cr);
}

void DrawingSurface::FillTiled(const DrawingImage& image, double srcX, double srcY, double srcWidth,
                               double srcHeight, double dstX, double dstY, double dstWidth, double dstHeight)
{
    if (!UsableRect(srcX, srcY, srcWidth, srcHeight) || !UsableRect(dstX, dstY, dstWidth, dstHeight))
        return;
    Rect src{srcX, srcY, srcWidth, srcHeight};
    if (!ClipToImage(src, image.m_width, image.m_height))
        return;
    cairo_t* cr = m_native->cr;
    cairo_surface_t* source = SourceRect(image.m_native->surface, src);
    cairo_set_source_surface(cr, source, dstX, dstY);
    cairo_pattern_t* pattern = cairo_get_source(cr);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_REPEAT);
    cairo_pattern_set_filter(pattern, m_native->Filter());
    cairo_rectangle(cr, dstX, dstY, dstWidth, dstHeight);
    cairo_fill(cr);
    // The source pattern holds the rectangle surface until the next source replaces it.
    cairo_surface_destroy(source);
}

bool DrawingSurface::DrawSurface(DrawingSurface& source, int32_t srcX, int32_t srcY, int32_t srcWidth,
                                 int32_t srcHeight, double dstX, double dstY)
{
    cairo_t* cr = m_native->cr;
    if (cairo_status(cr) != CAIRO_STATUS_SUCCESS || !Finite(dstX, dstY) || &source == this)
        return false;
    if (srcWidth <= 0 || srcHeight <= 0)
        return true;
    cairo_surface_flush(source.m_native->surface);
    cairo_set_source_surface(cr, source.m_native->surface, dstX - srcX, dstY - srcY);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_rectangle(cr, dstX, dstY, srcWidth, srcHeight);
    cairo_fill(cr);
    return cairo_status(cr) == CAIRO_STATUS_SUCCESS;
}

void DrawingSurface::DrawText(const FontFace& face, std::string_view utf8, double pixelSize, double x, double top,
                              uint32_t argb, int32_t style)
{
    const auto* cairoFace = dynamic_cast<const CairoFontFace*>(&face);
    const FontDesignMetrics& metrics = face.GetDesignMetrics();
    if (!cairoFace || metrics.unitsPerEm <= 0 || !Finite(x, top))
        return;
    cairo_scaled_font_t* font = cairoFace->CreateScaledFont(pixelSize);
    if (!font)
        return;
    const double unit = pixelSize / metrics.unitsPerEm;
    const double baseline = top + metrics.cellAscent * unit;
    GlyphRun run;
    if (LayOutGlyphs(font, utf8, x, baseline, run)) {
        cairo_t* cr = m_native->cr;
        SetColour(cr, argb);
        cairo_set_scaled_font(cr, font);
        cairo_show_glyphs(cr, run.glyphs, run.count);
        // Decoration lines are whole pixels thick, so that they stay crisp at small sizes.
        const auto decorate = [&](const DecorationLine& line) {
            const double lineTop = std::round(baseline - line.top * unit);
            const double thickness = std::max(1.0, std::round(line.thickness * unit));
            cairo_rectangle(cr, x, lineTop, run.advance, thickness);
            cairo_fill(cr);
        };
        if (style & FontFace::StyleUnderline)
            decorate(cairoFace->GetUnderline());
        if (style & FontFace::StyleStrikeout)
            decorate(cairoFace->GetStrikeout());
    }
    cairo_scaled_font_destroy(font);
}

} // namespace VQ::Platform
