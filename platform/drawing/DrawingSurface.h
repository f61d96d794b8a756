// The drawing layer every renderer window and cache paints into: a transparent ARGB32 surface with
// a translation and a clip, drawing shapes, paths, images, other surfaces and text.
//
// Colours are straight 0xAARRGGBB words and are composited source-over. Shapes follow the
// high-speed pixel rules: in Fast quality nothing is antialiased, a pixel is covered when its centre
// at integer coordinates lies inside a fill, and a one-pixel stroke along integer coordinates covers
// exactly the pixels it passes through. Text is always antialiased.
#pragma once

#include "platform/drawing/FontFace.h"
#include "platform/drawing/PresentTarget.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace VQ::Platform {

struct DrawingPoint {
    float x = 0;
    float y = 0;
};

// Figures of lines, built once and drawn many times (the renderer caches them per polyline).
class DrawingPath {
public:
    void StartFigure();
    void AddLine(DrawingPoint from, DrawingPoint to);
    // An open run of lines through the points.
    void AddLines(const DrawingPoint* points, size_t count);
    // A closed figure through the points.
    void AddPolygon(const DrawingPoint* points, size_t count);
    void CloseFigure();
    bool IsEmpty() const { return m_figures.empty(); }

private:
    struct Figure {
        std::vector<DrawingPoint> points;
        bool closed = false;
    };
    std::vector<Figure> m_figures;
    bool m_figureOpen = false;

    friend class DrawingSurface;
};

// A straight-ARGB image made ready to draw (premultiplied once, here).
class DrawingImage {
public:
    // From rows of straight 0xAARRGGBB words; null when the size is not positive or memory fails.
    static std::unique_ptr<DrawingImage> FromStraightPixels(const uint32_t* first, int32_t pitchBytes, int32_t width,
                                                            int32_t height);
    ~DrawingImage();
    DrawingImage(const DrawingImage&) = delete;
    DrawingImage& operator=(const DrawingImage&) = delete;

    int32_t GetWidth() const { return m_width; }
    int32_t GetHeight() const { return m_height; }

private:
    DrawingImage() = default;

    struct Native;
    Native* m_native = nullptr;
    int32_t m_width = 0;
    int32_t m_height = 0;

    friend class DrawingSurface;
};

class DrawingSurface {
public:
    enum class Quality {
        // Antialiased shapes, bilinear image scaling: the drawing system's defaults.
        Default,
        // Aliased shapes, nearest-neighbour image scaling.
        Fast,
    };

    // Transparent, Default quality, identity translation, no clip. Sizes of 0 or less become 1;
    // null when the surface cannot be made.
    static std::unique_ptr<DrawingSurface> Create(int32_t width, int32_t height);
    ~DrawingSurface();
    DrawingSurface(const DrawingSurface&) = delete;
    DrawingSurface& operator=(const DrawingSurface&) = delete;

    int32_t GetWidth() const;
    int32_t GetHeight() const;
    // Finishes pending drawing and shows the pixels, premultiplied.
    PixelView GetPixels();
    // The straight colour of one pixel; 0 outside the surface.
    uint32_t GetPixel(int32_t x, int32_t y);

    void SetQuality(Quality quality);
    // The translation from drawing coordinates to pixels; replaces the previous one.
    void SetTranslation(double x, double y);
    // A clip rectangle in the translation in force now; it stays where it is on the surface when the
    // translation changes later. Replaces the previous clip.
    void SetClipRect(double x, double y, double width, double height);
    void ResetClip();
    void Flush();
    // Every pixel transparent, the translation identity, no clip.
    void Clear();

    void FillRect(int32_t x, int32_t y, int32_t width, int32_t height, uint32_t argb);
    // The outline of the rectangle's edges; a one-pixel pen covers (width + 1) x (height + 1) pixels.
    void FrameRect(int32_t x, int32_t y, int32_t width, int32_t height, uint32_t argb, float lineWidth);
    // Sets the pixels of the rectangle to the colour, in surface pixels: no translation, no clip, no
    // blending. The part outside the surface is ignored.
    void ReplacePixels(int32_t x, int32_t y, int32_t width, int32_t height, uint32_t argb);
    void DrawLine(DrawingPoint from, DrawingPoint to, uint32_t argb, float lineWidth);
    // The path scaled by (scaleX, scaleY) about the origin; the pen is not scaled. Fills use the
    // even-odd rule.
    void StrokePath(const DrawingPath& path, uint32_t argb, float lineWidth, float scaleX = 1, float scaleY = 1);
    void FillPath(const DrawingPath& path, uint32_t argb, float scaleX = 1, float scaleY = 1);

    // The source rectangle of the image stretched into the destination rectangle (the quality's
    // filter; edges do not fade).
    void DrawImage(const DrawingImage& image, double srcX, double srcY, double srcWidth, double srcHeight,
                   double dstX, double dstY, double dstWidth, double dstHeight);
    // The source rectangle of the image unscaled, its top left at (dstX, dstY).
    void DrawImageAt(const DrawingImage& image, double srcX, double srcY, double srcWidth, double srcHeight,
                     double dstX, double dstY);
    // The destination rectangle filled with the source rectangle repeated from the destination's
    // top left.
    void FillTiled(const DrawingImage& image, double srcX, double srcY, double srcWidth, double srcHeight,
                   double dstX, double dstY, double dstWidth, double dstHeight);
    // The source rectangle of another surface unscaled at (dstX, dstY), through the translation and
    // clip. False when it cannot be drawn.
    bool DrawSurface(DrawingSurface& source, int32_t srcX, int32_t srcY, int32_t srcWidth, int32_t srcHeight,
                     double dstX, double dstY);

    // The UTF-8 text in the face at the pixel size, its pen starting at x and its line's top at y
    // (the baseline lies the face's cell ascent below); underline and strikeout from the style bits.
    void DrawText(const FontFace& face, std::string_view utf8, double pixelSize, double x, double top,
                  uint32_t argb, int32_t style);

private:
    DrawingSurface() = default;

    struct Native;
    Native* m_native = nullptr;
};

} // namespace VQ::Platform
