// A window's repaint through the Cairo-drawn renderer beside the same drawing in plain Cairo calls:
// a 1200x550 frame of 200 controls, each clipped to itself and filled, 50 of them with a tiled or
// stretched bitmap and 100 with a text label. The renderer is measured repainting the whole window
// and repainting a few small dirty rectangles; plain Cairo is the floor it is held against.
#include "platform/drawing/PresentTarget.h"
#include "vqframework/graphics/Bitmap.h"
#include "vqframework/graphics/Font.h"
#include "vqframework/renderer/Renderer.h"
#include "vqframework/renderer/gdi/GDIRenderer.h"

#include <benchmark/benchmark.h>

#include <cairo.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace VQ;

constexpr int32_t WindowWidth = 1200;
constexpr int32_t WindowHeight = 550;
constexpr int32_t Columns = 20;
constexpr int32_t Rows = 10;
constexpr int32_t CellWidth = WindowWidth / Columns;
constexpr int32_t CellHeight = WindowHeight / Rows;
constexpr int32_t SourceBitmaps = 10;

// One control of the window; the bitmap and label coordinates are the control's own.
struct Control {
    RectT<int32_t> bounds;
    uint32_t fill = 0;
    int32_t bitmap = -1;
    RectT<int32_t> bitmapRect;
    ResizeType resize = ResizeStretch;
    std::string label;
    float pointSize = 0;
    uint32_t textColor = 0;
};

struct Source {
    int32_t width;
    int32_t height;
    uint32_t argb;
};

// Half the images square, half wide; some translucent, as tinted skin parts are.
Source SourceOf(int32_t index)
{
    const uint32_t alpha = index % 3 == 0 ? 0x80u : 0xFFu;
    const uint32_t colour = 0x203040u + static_cast<uint32_t>(index) * 0x0F0B07u;
    return index % 2 == 0 ? Source{32, 32, alpha << 24 | colour} : Source{64, 16, alpha << 24 | colour};
}

std::vector<Control> MakeControls()
{
    static const char* const Labels[] = {"Volume", "Pad 12", "Bank A", "Swing", "Tempo", "Note C#3", "Filter",
                                         "Mute",   "Solo",   "Attack", "Release", "Ch 10", "Decay", "Velocity"};
    std::vector<Control> controls;
    for (int32_t i = 0; i < Columns * Rows; ++i) {
        Control c;
        c.bounds = {(i % Columns) * CellWidth + 2, (i / Columns) * CellHeight + 2, CellWidth - 4, CellHeight - 4};
        c.fill = 0xFF000000u | (0x101820u + static_cast<uint32_t>(i) * 0x030507u) % 0xFFFFFFu;
        if (i % 4 == 0) {
            const int32_t k = i / 4;
            c.bitmap = k % SourceBitmaps;
            // Tiled ones take both of the tiling paths: a few copies, or the repeating fill.
            c.resize = k % 2 == 0 ? ResizeTile : ResizeStretch;
            c.bitmapRect = {3, 3, 40 + (k % 4) * 4, 30 + (k % 3) * 8};
        }
        if (i % 2 == 1) {
            c.label = std::string(Labels[i % std::size(Labels)]) + " " + std::to_string(i);
            c.pointSize = 9.0f + static_cast<float>(i % 4);
            c.textColor = 0xFFE0E0E0u - static_cast<uint32_t>(i % 5) * 0x00101010u;
        }
        controls.push_back(std::move(c));
    }
    return controls;
}

// Copies each presented rectangle's rows into a window-sized buffer, as a window's blit would.
class CopyingTarget : public Platform::IPresentTarget {
public:
    bool Present(const Platform::PixelView& source, int32_t x, int32_t y, int32_t width, int32_t height) override
    {
        for (int32_t row = y; row < y + height; ++row) {
            const auto* from = reinterpret_cast<const unsigned char*>(source.pixels) + ptrdiff_t(row) * source.stride;
            std::memcpy(&m_pixels[size_t(row) * WindowWidth + size_t(x)],
                        reinterpret_cast<const uint32_t*>(from) + x, size_t(width) * 4);
        }
        return true;
    }
    uint32_t Pixel(int32_t x, int32_t y) const { return m_pixels[size_t(y) * WindowWidth + size_t(x)]; }

private:
    std::vector<uint32_t> m_pixels = std::vector<uint32_t>(size_t(WindowWidth) * WindowHeight);
};

RGBAColor Colour(uint32_t argb)
{
    RGBAColor colour;
    colour.SetARGB(argb);
    return colour;
}

// The window painted through the renderer, its bitmaps and fonts made once, as a window holds them.
class RendererWindow {
public:
    RendererWindow() : m_controls(MakeControls())
    {
        m_renderer = LRenderer::Create(LRenderer::GDIPlus, {0, 0, WindowWidth, WindowHeight}, &m_target);
        (void)m_renderer->InitRenderContextInfo({0, 0, WindowWidth, WindowHeight}, &m_target, false, m_context);
        for (int32_t i = 0; i < SourceBitmaps; ++i) {
            const Source source = SourceOf(i);
            m_bitmaps.push_back(LBitmap::CreateFilledBitmap(source.width, source.height, Colour(source.argb)));
        }
        for (const Control& c : m_controls) {
            m_labels.emplace_back(c.label.c_str());
            m_fonts.push_back(c.label.empty() ? RCPtr<LFont>() : LFont::GetFont(u"Arial", c.pointSize, 0));
        }
    }

    // The dirty region, then one frame drawing every control.
    void Paint(const std::vector<RectT<int32_t>>& dirty)
    {
        RectRegion& region = m_context->GetRegion();
        region.Clear();
        for (const RectT<int32_t>& rect : dirty)
            region.AddRect(rect.x, rect.y, rect.x + rect.width, rect.y + rect.height);
        (void)m_renderer->RenderStart(m_context);
        for (size_t i = 0; i < m_controls.size(); ++i) {
            const Control& c = m_controls[i];
            const RectT<double> bounds{double(c.bounds.x), double(c.bounds.y), double(c.bounds.width),
                                       double(c.bounds.height)};
            m_renderer->PushClip(bounds, bounds, nullptr, true);
            m_renderer->FillRect({0, 0, c.bounds.width, c.bounds.height}, Colour(c.fill), true);
            if (c.bitmap >= 0)
                m_renderer->DrawBitmap(m_bitmaps[size_t(c.bitmap)], c.bitmapRect, c.resize);
            if (m_fonts[i])
                m_renderer->DrawString(m_labels[i], m_fonts[i], {4, 30}, Colour(c.textColor));
            m_renderer->PopState();
        }
        (void)m_renderer->RenderFinish(m_context);
    }

    uint32_t GetBitmapBuilds() const
    {
        return static_cast<const LGDIRenderer&>(*m_renderer.Get()).GetBitmapBuildCount();
    }
    const CopyingTarget& GetTarget() const { return m_target; }

private:
    CopyingTarget m_target;
    RCPtr<LRenderer> m_renderer;
    RCPtr<LRenderContextInfo> m_context;
    std::vector<Control> m_controls;
    std::vector<RCPtr<LBitmap>> m_bitmaps;
    std::vector<StringT<char16_t, char>> m_labels;
    std::vector<RCPtr<LFont>> m_fonts;
};

const std::vector<RectT<int32_t>> WholeWindow{{0, 0, WindowWidth, WindowHeight}};
// A hover, a pressed pad and a meter: a few controls' worth of dirty area.
const std::vector<RectT<int32_t>> FewControls{{122, 57, 56, 51}, {662, 222, 56, 51}, {1082, 442, 56, 51},
                                              {300, 400, 120, 20}};

void BM_RendererFullRepaint(benchmark::State& state)
{
    RendererWindow window;
    window.Paint(WholeWindow);
    const uint32_t builds = window.GetBitmapBuilds();
    for (auto _ : state) {
        window.Paint(WholeWindow);
        benchmark::DoNotOptimize(window.GetTarget().Pixel(WindowWidth / 2, WindowHeight / 2));
    }
    state.counters["bitmap_rebuilds"] = double(window.GetBitmapBuilds() - builds);
}
BENCHMARK(BM_RendererFullRepaint)->Unit(benchmark::kMillisecond);

void BM_RendererPartialRepaint(benchmark::State& state)
{
    RendererWindow window;
    window.Paint(WholeWindow);
    const uint32_t builds = window.GetBitmapBuilds();
    for (auto _ : state) {
        window.Paint(FewControls);
        benchmark::DoNotOptimize(window.GetTarget().Pixel(WindowWidth / 2, WindowHeight / 2));
    }
    state.counters["bitmap_rebuilds"] = double(window.GetBitmapBuilds() - builds);
}
BENCHMARK(BM_RendererPartialRepaint)->Unit(benchmark::kMillisecond);

// Plain Cairo, each source premultiplied and pre-scaled once, one surface cleared per frame and the
// whole frame copied out as the renderer's full repaint presents it.
class CairoWindow {
public:
    CairoWindow() : m_controls(MakeControls())
    {
        m_surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, WindowWidth, WindowHeight);
        m_cr = cairo_create(m_surface);
        cairo_set_antialias(m_cr, CAIRO_ANTIALIAS_NONE);
        cairo_select_font_face(m_cr, "Arial", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
        for (const Control& c : m_controls)
            m_scaled.push_back(c.bitmap >= 0 ? PreScale(c) : nullptr);
    }
    ~CairoWindow()
    {
        for (cairo_surface_t* surface : m_scaled)
            cairo_surface_destroy(surface);
        cairo_destroy(m_cr);
        cairo_surface_destroy(m_surface);
    }
    CairoWindow(const CairoWindow&) = delete;
    CairoWindow& operator=(const CairoWindow&) = delete;

    void Paint()
    {
        cairo_t* cr = m_cr;
        cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
        cairo_paint(cr);
        cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
        for (size_t i = 0; i < m_controls.size(); ++i) {
            const Control& c = m_controls[i];
            cairo_save(cr);
            cairo_rectangle(cr, c.bounds.x, c.bounds.y, c.bounds.width, c.bounds.height);
            cairo_clip(cr);
            cairo_translate(cr, c.bounds.x, c.bounds.y);
            SetColour(c.fill);
            cairo_rectangle(cr, 0, 0, c.bounds.width, c.bounds.height);
            cairo_fill(cr);
            if (cairo_surface_t* scaled = m_scaled[i]) {
                const RectT<int32_t>& r = c.bitmapRect;
                cairo_set_source_surface(cr, scaled, r.x, r.y);
                cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
                cairo_rectangle(cr, r.x, r.y, r.width, r.height);
                cairo_fill(cr);
            }
            if (!c.label.empty()) {
                const double pixelSize = c.pointSize * 96.0 / 72.0;
                SetColour(c.textColor);
                cairo_set_font_size(cr, pixelSize);
                cairo_move_to(cr, 4 + pixelSize / 6, 29 + pixelSize * 0.905);
                cairo_show_text(cr, c.label.c_str());
            }
            cairo_restore(cr);
        }
        cairo_surface_flush(m_surface);
        const auto* data = cairo_image_surface_get_data(m_surface);
        const int stride = cairo_image_surface_get_stride(m_surface);
        for (int32_t row = 0; row < WindowHeight; ++row)
            std::memcpy(&m_window[size_t(row) * WindowWidth], data + ptrdiff_t(row) * stride, WindowWidth * 4);
    }

    uint32_t Pixel(int32_t x, int32_t y) const { return m_window[size_t(y) * WindowWidth + size_t(x)]; }

private:
    void SetColour(uint32_t argb)
    {
        cairo_set_source_rgba(m_cr, (argb >> 16 & 0xFF) / 255.0, (argb >> 8 & 0xFF) / 255.0, (argb & 0xFF) / 255.0,
                              (argb >> 24) / 255.0);
    }

    // The control's image at its destination size, tiled or stretched.
    static cairo_surface_t* PreScale(const Control& c)
    {
        const Source source = SourceOf(c.bitmap);
        cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, source.width, source.height);
        cairo_t* fill = cairo_create(image);
        cairo_set_operator(fill, CAIRO_OPERATOR_SOURCE);
        cairo_set_source_rgba(fill, (source.argb >> 16 & 0xFF) / 255.0, (source.argb >> 8 & 0xFF) / 255.0,
                              (source.argb & 0xFF) / 255.0, (source.argb >> 24) / 255.0);
        cairo_paint(fill);
        cairo_destroy(fill);

        const RectT<int32_t>& r = c.bitmapRect;
        cairo_surface_t* scaled = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, r.width, r.height);
        cairo_t* cr = cairo_create(scaled);
        if (c.resize == ResizeTile) {
            cairo_set_source_surface(cr, image, 0, 0);
            cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_REPEAT);
        } else {
            cairo_scale(cr, double(r.width) / source.width, double(r.height) / source.height);
            cairo_set_source_surface(cr, image, 0, 0);
            cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
        }
        cairo_paint(cr);
        cairo_destroy(cr);
        cairo_surface_destroy(image);
        return scaled;
    }

    std::vector<Control> m_controls;
    cairo_surface_t* m_surface = nullptr;
    cairo_t* m_cr = nullptr;
    std::vector<cairo_surface_t*> m_scaled;
    std::vector<uint32_t> m_window = std::vector<uint32_t>(size_t(WindowWidth) * WindowHeight);
};

void BM_PlainCairoRepaint(benchmark::State& state)
{
    CairoWindow window;
    window.Paint();
    for (auto _ : state) {
        window.Paint();
        benchmark::DoNotOptimize(window.Pixel(WindowWidth / 2, WindowHeight / 2));
    }
}
BENCHMARK(BM_PlainCairoRepaint)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
