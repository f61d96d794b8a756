#include "vqframework/renderer/opengl/GLRenderer.h"

#include "platform/dialogs/Dialogs.h"
#include "platform/gl/GLContext.h"
#include "vqframework/application/ApplicationServices.h"
#include "vqframework/objectbase/Exception.h"
#include "vqframework/renderer/fontrenderer/FontRenderer.h"
#include "vqframework/renderer/opengl/GLPolygon.h"

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace VQ {

namespace {

constexpr char16_t CaptionId[] = u"GL_ERROR_CAPTION";
constexpr char16_t HintId[] = u"GL_ERROR_UPDATE_DRIVER";
constexpr char16_t SetPixelFormatId[] = u"GL_ERROR_MESSAGE_SET_PIXEL_FORMAT";
constexpr char16_t CreateContextId[] = u"GL_ERROR_MESSAGE_CREATE_CONTEXT";
constexpr char16_t ChoosePixelFormatId[] = u"GL_ERROR_MESSAGE_CHOOSE_PIXEL_FORMAT";

// The English texts, for a string table without the ids.
constexpr char16_t CaptionText[] = u"OpenGL Error";
constexpr char16_t HintText[] =
    u"Updating your video card driver, with the latest driver from the manufacturer of your video card, may solve "
    u"this issue.";
constexpr char16_t SetPixelFormatText[] = u"SetPixelFormat failed.";
constexpr char16_t CreateContextText[] = u"wglCreateContext failed.";
constexpr char16_t ChoosePixelFormatText[] = u"ChoosePixelFormat failed.";

StringT<char16_t, char> Localized(const char16_t* id, const char16_t* english)
{
    if (IApplicationServices* services = GetApplicationServices()) {
        StringT<char16_t, char> text = services->GetLocalizedString(id);
        if (!text.IsEmpty())
            return text;
    }
    return StringT<char16_t, char>(english);
}

void DrainErrors()
{
    // A lost context keeps answering its error; the count bounds the loop.
    for (int i = 0; i < 64 && glGetError() != GL_NO_ERROR; ++i) {
    }
}

void SetColour(const RGBAColor& color)
{
    glColor4f(color.r, color.g, color.b, color.a);
}

// Values GL's fixed-point rasteriser can take; beyond them coordinates only overflow.
double ClampCoordinate(double value)
{
    constexpr double Limit = 1073741824.0;
    return std::isnan(value) ? 0.0 : std::clamp(value, -Limit, Limit);
}

int64_t RoundHalfAway(double value)
{
    // Wide enough for an unbounded clip's sides and their sums.
    constexpr double Limit = 1e18;
    return std::llround(std::isnan(value) ? 0.0 : std::clamp(value, -Limit, Limit));
}

bool SameContent(const ColorRectListT<float>& a, const ColorRectListT<float>& b)
{
    if (a.scaleX != b.scaleX || a.scaleY != b.scaleY || a.rects.GetCount() != b.rects.GetCount() ||
        a.colors.GetCount() != b.colors.GetCount())
        return false;
    for (uint32_t i = 0; i < a.rects.GetCount(); ++i) {
        const RectT<float>& x = a.rects.GetAt(i);
        const RectT<float>& y = b.rects.GetAt(i);
        if (x.x != y.x || x.y != y.y || x.width != y.width || x.height != y.height)
            return false;
    }
    for (uint32_t i = 0; i < a.colors.GetCount(); ++i)
        if (a.colors.GetAt(i) != b.colors.GetAt(i))
            return false;
    return true;
}

} // namespace

RCPtr<LGLRenderer> LGLRenderer::Create(const RCPtr<LFontRenderer>& fontRenderer, Platform::IPresentTarget* window)
{
    return RCPtr<LGLRenderer>(new LGLRenderer(fontRenderer, window));
}

LGLRenderer::LGLRenderer(const RCPtr<LFontRenderer>& fontRenderer, Platform::IPresentTarget* window)
    : m_fontRenderer(fontRenderer), m_lastPurge(GetApplicationTimeMs()),
      m_errorCaption(Localized(CaptionId, CaptionText)), m_errorHint(Localized(HintId, HintText))
{
    Platform::GLContextError error = Platform::GLContextError::None;
    std::unique_ptr<Platform::GLContext> made =
        window ? Platform::GLContext::CreateForWindow(window, error) : Platform::GLContext::CreateOffscreen(error);
    switch (error) {
    case Platform::GLContextError::None:
        break;
    case Platform::GLContextError::ChoosePixelFormat:
        ShowError(ChoosePixelFormatId, ChoosePixelFormatText);
        VQ_THROW(std::runtime_error);
    case Platform::GLContextError::SetPixelFormat:
        ShowError(SetPixelFormatId, SetPixelFormatText);
        VQ_THROW(std::runtime_error);
    case Platform::GLContextError::CreateContext:
        ShowError(CreateContextId, CreateContextText);
        VQ_THROW(std::runtime_error);
    }
    if (!made) {
        ShowError(CreateContextId, CreateContextText);
        VQ_THROW(std::runtime_error);
    }
    m_glContext = std::move(made);
    m_doubleBuffered = m_glContext->IsDoubleBuffered();
    m_swapCopy = m_glContext->IsSwapCopy();
    const Platform::GLContext::ScopedCurrent current(*m_glContext);
    if (current.IsCurrent())
        PrepareContext();
}

LGLRenderer::~LGLRenderer()
{
    // The caches, the font renderer's glyph textures and the contexts' names are freed in their own
    // GL context; without it, in none.
    m_current.Release();
    if (!m_glContext)
        return;
    m_destructionBinding.emplace(*m_glContext);
    m_fontRenderer.Release();
}

void LGLRenderer::ShowError(const char16_t* messageId, const char16_t* englishText)
{
    StringT<char16_t, char> text = Localized(messageId, englishText);
    text += m_errorHint;
    if (IApplicationServices* services = GetApplicationServices()) {
        (void)services->ShowMessageBox(m_errorCaption, text, Platform::MessageBoxIconWarning);
        return;
    }
    std::string caption;
    std::string body;
    m_errorCaption.ToUTF8(caption);
    text.ToUTF8(body);
    (void)Platform::ShowMessageBox(caption, body, Platform::MessageBoxIconWarning);
}

VQRESULT LGLRenderer::GetFontMetrics(const ConstRCPtr<LFont>& font, int32_t& lineHeight, int32_t& ascent,
                                     int32_t& descent)
{
    if (!m_fontRenderer) {
        lineHeight = 0;
        ascent = 0;
        descent = 0;
        return E_FAIL;
    }
    return m_fontRenderer->GetFontMetrics(font, lineHeight, ascent, descent);
}

RectT<float> LGLRenderer::MeasureString(const StringT<char16_t, char>& text, const ConstRCPtr<LFont>& font)
{
    if (!m_fontRenderer)
        return {};
    return m_fontRenderer->MeasureString(text, font);
}

VQRESULT LGLRenderer::InitRenderContextInfo(const RectT<int32_t>& rect, Platform::IPresentTarget* window,
                                            bool offscreen, RCPtr<LRenderContextInfo>& context)
{
    // Only a window context draws to a window; everything else draws into a framebuffer object.
    const bool framebufferBacked = offscreen || m_glContext->IsOffscreen() || window == nullptr;
    if (!framebufferBacked && !Platform::GLContext::CanDrawTo(window)) {
        ShowError(SetPixelFormatId, SetPixelFormatText);
        VQ_THROW(std::runtime_error);
    }
    if (!m_initialStateSet) {
        // Set only where the context could not be made current when the renderer was made; within a
        // frame it is set already, so an open frame's matrices are never reset here.
        const Platform::GLContext::ScopedCurrent current(*m_glContext);
        if (!current.IsCurrent()) {
            context.Release();
            return E_FAIL;
        }
        PrepareContext();
    }
    context = LGLRenderContextInfo::Create(rect, window, offscreen, framebufferBacked, m_maximumSize, m_glContext);
    return S_OK;
}

void LGLRenderer::PrepareContext()
{
    GLint dimensions[2] = {0, 0};
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, dimensions);
    m_maximumSize = {dimensions[0], dimensions[1]};
    SetInitialState();
    DrainErrors();
    m_initialStateSet = true;
}

PointT<int32_t> LGLRenderer::DrawnSize() const
{
    const RectT<int32_t>& rect = m_current->GetRect();
    const PointT<int32_t> maximum = m_current->GetMaximumSize();
    return {std::clamp(rect.width, 0, std::max(maximum.x, 1)), std::clamp(rect.height, 0, std::max(maximum.y, 1))};
}

void LGLRenderer::SetInitialState()
{
    glClearColor(0, 0, 0, 0);
    glColor4f(1, 1, 1, 1);
    glDisable(GL_LIGHTING);
    glDisable(GL_DITHER);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glHint(GL_POLYGON_SMOOTH_HINT, GL_NICEST);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.003921569f);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(GL_POINT_SMOOTH);
    glEnable(GL_LINE_SMOOTH);
    glDisable(GL_POLYGON_SMOOTH);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_SCISSOR_TEST);
}

VQRESULT LGLRenderer::SetViewport(const RectT<int32_t>& rect)
{
    const VQRESULT result = LRenderer::SetViewport(rect);
    if (!m_current)
        return result;
    // Contexts draw from their target's corner: their rectangle places them, not their pixels. The
    // size is the framebuffer object's, which GL's limits clamp.
    const PointT<int32_t> size = DrawnSize();
    glViewport(0, 0, size.x, size.y);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, size.x, size.y, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    return result;
}

VQRESULT LGLRenderer::RenderStart(const RCPtr<LRenderContextInfo>& context)
{
    LRenderer::RenderStart(context);
    m_current = RCPtrDynamicCast<LGLRenderContextInfo>(context);
    if (!m_current)
        return S_OK;
    // The window's context is current for the frame, drawing to that window.
    Platform::IPresentTarget* target = m_current->IsFramebufferBacked() ? nullptr : m_current->GetWindow();
    if ((!m_glContext->IsCurrent() || target != nullptr) && !m_glContext->MakeCurrent(target)) {
        m_current.Release();
        return S_OK;
    }
    if (!m_initialStateSet)
        PrepareContext();
    // Like a context that cannot be made current: the frame draws nothing, and pushes nothing to pop.
    if (!m_current->BindFramebuffer()) {
        m_current.Release();
        return S_OK;
    }
    SetViewport(m_current->GetRect());
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    ApplyState();
    return S_OK;
}

VQRESULT LGLRenderer::RenderFinish(const RCPtr<LRenderContextInfo>& context)
{
    const RCPtr<LGLRenderContextInfo> finished = RCPtrDynamicCast<LGLRenderContextInfo>(context);
    if (finished && finished == m_current) {
        DrainErrors();
        glMatrixMode(GL_MODELVIEW);
        glPopMatrix();
        if (finished->IsFramebufferBacked() || !m_doubleBuffered) {
            glFlush();
        } else if (m_swapCopy) {
            (void)m_glContext->SwapBuffers(finished->GetWindow());
        } else {
            // The back buffer keeps the frame for the next partial repaint; the front gets a copy.
            glFlush();
            const RectT<int32_t>& rect = finished->GetRect();
            glDisable(GL_SCISSOR_TEST);
            glDisable(GL_TEXTURE_2D);
            glDisable(GL_ALPHA_TEST);
            glEnable(GL_COLOR_LOGIC_OP);
            glLogicOp(GL_COPY);
            glReadBuffer(GL_BACK);
            glDrawBuffer(GL_FRONT);
            glWindowPos2i(0, 0);
            glCopyPixels(0, 0, std::max(rect.width, 0), std::max(rect.height, 0), GL_COLOR);
            glDrawBuffer(GL_BACK);
            glDisable(GL_COLOR_LOGIC_OP);
            glEnable(GL_ALPHA_TEST);
            glEnable(GL_TEXTURE_2D);
            glEnable(GL_SCISSOR_TEST);
            glFlush();
        }
        DrainErrors();
    }

    m_current.Release();
    const VQRESULT result = LRenderer::RenderFinish(context);
    m_current = RCPtrDynamicCast<LGLRenderContextInfo>(GetCurrentContext());
    if (GetContextDepth() == 0) {
        // Purged while the context is still current, so that the names are freed in it.
        if (m_glContext->IsCurrent()) {
            PurgeWhenDue();
            m_glContext->Release();
        }
        return result;
    }
    if (m_current) {
        Platform::IPresentTarget* target = m_current->IsFramebufferBacked() ? nullptr : m_current->GetWindow();
        if (target != nullptr && !m_glContext->MakeCurrent(target)) {
            m_current.Release();
            return result;
        }
        if (!m_current->BindFramebuffer()) {
            AbandonFrame();
            return result;
        }
        SetViewport(m_current->GetRect());
        ApplyState();
    }
    return result;
}

void LGLRenderer::AbandonFrame()
{
    // Its push at the start is popped now, since its finish no longer sees it as the frame.
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    m_current.Release();
}

void LGLRenderer::PurgeWhenDue()
{
    const uint32_t now = GetApplicationTimeMs();
    if (now - m_lastPurge <= PurgeIntervalMs)
        return;
    m_lastPurge = now;
    m_textureCache.PurgeStale();
    m_fillCache.PurgeStale();
    m_outlineCache.PurgeStale();
    m_segmentCache.PurgeStale();
    m_polylineCache.PurgeStale();
    m_rectListCache.PurgeStale();
}

RectT<int32_t> LGLRenderer::ComputeScissor(const RectT<double>& clip, int32_t viewportWidth, int32_t viewportHeight)
{
    int64_t x = RoundHalfAway(clip.x);
    int64_t y = int64_t(viewportHeight) - RoundHalfAway(clip.y + clip.height);
    int64_t width = RoundHalfAway(clip.width);
    int64_t height = RoundHalfAway(clip.height);
    if (x < 0) {
        width += x;
        x = 0;
    }
    if (y < 0) {
        height += y;
        y = 0;
    }
    // A box outside the viewport: nothing passes.
    if (width < 1 || height < 1)
        return {viewportWidth, 0, 1, 1};
    constexpr int64_t Largest = std::numeric_limits<int32_t>::max();
    return {int32_t(std::min(x, Largest)), int32_t(std::min(y, Largest)), int32_t(std::min(width, Largest)),
            int32_t(std::min(height, Largest))};
}

void LGLRenderer::ApplyScissor()
{
    if (!m_current)
        return;
    const PointT<int32_t> size = DrawnSize();
    const RectT<int32_t> box = ComputeScissor(m_current->GetTargetClip(), size.x, size.y);
    glScissor(box.x, box.y, box.width, box.height);
}

void LGLRenderer::ApplyState()
{
    if (!m_current)
        return;
    ApplyScissor();
    // Set whole, not added up, so that a frame's many translations leave no rounding behind.
    const PointT<double>& offset = m_current->GetState().offset;
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslated(ClampCoordinate(offset.x), ClampCoordinate(offset.y), 0);
}

void LGLRenderer::SetClipRect(const RectT<double>& clip)
{
    LRenderer::SetClipRect(clip);
    if (!m_current)
        return;
    const PointT<double>& offset = m_current->GetState().offset;
    m_current->SetTargetClip({clip.x + offset.x, clip.y + offset.y, clip.width, clip.height});
    ApplyScissor();
}

void LGLRenderer::Translate(const PointT<double>& offset)
{
    LRenderer::Translate(offset);
    if (!m_current || (offset.x == 0 && offset.y == 0))
        return;
    const PointT<double>& total = m_current->GetState().offset;
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslated(ClampCoordinate(total.x), ClampCoordinate(total.y), 0);
}

void LGLRenderer::DrawString(const StringT<char16_t, char>& text, const ConstRCPtr<LFont>& font,
                             const PointT<int32_t>& origin, const RGBAColor& color)
{
    if (!m_current || !m_fontRenderer || text.IsEmpty())
        return;
    SetColour(color);
    // The offset comes back exactly, not by subtraction, and also when the text throws.
    class LOffsetRestore {
    public:
        explicit LOffsetRestore(LGLRenderer& renderer)
            : m_renderer(renderer), m_saved(renderer.m_current->GetState().offset)
        {
        }
        ~LOffsetRestore()
        {
            if (!m_renderer.m_current)
                return;
            m_renderer.m_current->GetState().offset = m_saved;
            m_renderer.ApplyState();
        }
        LOffsetRestore(const LOffsetRestore&) = delete;
        LOffsetRestore& operator=(const LOffsetRestore&) = delete;

    private:
        LGLRenderer& m_renderer;
        const PointT<double> m_saved;
    };
    const LOffsetRestore restore(*this);
    Translate({double(origin.x), double(origin.y)});
    (void)m_fontRenderer->RenderString(text, font, m_fontRenderer->GetDrawingSink(), 0, 0,
                                       LGlyphProcessor::DrawFlags);
}

void LGLRenderer::FrameRect(const RectT<int32_t>& rect, const RGBAColor& color, float lineWidth)
{
    if (!m_current || !std::isfinite(lineWidth))
        return;
    RectT<double> r{double(rect.x), double(rect.y), double(rect.width), double(rect.height)};
    r.Normalize();
    // The pen is centred on the pixel centres of the outline's columns and rows. Its area is filled
    // as four bands: smoothed line ends would leave the corners half covered.
    const double half = std::fabs(lineWidth) / 2.0;
    const double left = ClampCoordinate(r.x) + 0.5;
    const double top = ClampCoordinate(r.y) + 0.5;
    const double right = ClampCoordinate(r.x + r.width) + 0.5;
    const double bottom = ClampCoordinate(r.y + r.height) + 0.5;
    glLineWidth(lineWidth);
    SetColour(color);
    glDisable(GL_TEXTURE_2D);
    const auto band = [](double x0, double y0, double x1, double y1) {
        if (x1 <= x0 || y1 <= y0)
            return;
        glVertex2d(x0, y0);
        glVertex2d(x1, y0);
        glVertex2d(x1, y1);
        glVertex2d(x0, y1);
    };
    glBegin(GL_QUADS);
    band(left - half, top - half, right + half, std::min(top + half, bottom - half));
    if (bottom - half > top + half) {
        band(left - half, bottom - half, right + half, bottom + half);
        band(left - half, top + half, std::min(left + half, right - half), bottom - half);
        if (right - half > left + half)
            band(right - half, top + half, right + half, bottom - half);
    } else {
        // Too flat for a hole: the pen covers it all.
        band(left - half, top + half, right + half, bottom + half);
    }
    glEnd();
    glEnable(GL_TEXTURE_2D);
}

void LGLRenderer::FillRect(const RectT<int32_t>& rect, const RGBAColor& color, bool blend)
{
    if (!m_current)
        return;
    if (blend) {
        SetColour(color);
        glDisable(GL_TEXTURE_2D);
        const double left = ClampCoordinate(rect.x);
        const double top = ClampCoordinate(rect.y);
        const double right = ClampCoordinate(double(rect.x) + rect.width);
        const double bottom = ClampCoordinate(double(rect.y) + rect.height);
        glBegin(GL_QUADS);
        glVertex2d(left, top);
        glVertex2d(right, top);
        glVertex2d(right, bottom);
        glVertex2d(left, bottom);
        glEnd();
        glEnable(GL_TEXTURE_2D);
        return;
    }
    // Replaced through a clear, which neither blends nor tests alpha; the clear colour is the fill's.
    const PointT<double>& offset = m_current->GetState().offset;
    const PointT<int32_t> size = DrawnSize();
    const RectT<int32_t> box =
        ComputeScissor({rect.x + offset.x, rect.y + offset.y, double(rect.width), double(rect.height)}, size.x, size.y);
    glScissor(box.x, box.y, box.width, box.height);
    glClearColor(color.r, color.g, color.b, color.a);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearColor(0, 0, 0, 0);
    ApplyScissor();
}

void LGLRenderer::DrawColorRectList(const ColorRectListT<float>& list, const PointT<double>& offset)
{
    if (!m_current || !std::isfinite(offset.x) || !std::isfinite(offset.y))
        return;
    RCPtr<LColorRectDisplayList> cached;
    {
        RCPtr<LColorRectDisplayList>& entry = m_rectListCache.AcquireEntry(&list, false);
        const bool same = entry && entry->list && entry->list->HasNames() && SameContent(entry->content, list);
        if (!same)
            entry.Release();
        cached = entry;
    }
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glTranslated(ClampCoordinate(offset.x), ClampCoordinate(offset.y), 0);
    glDisable(GL_TEXTURE_2D);
    if (cached) {
        glCallList(cached->list->GetFirstName());
    } else {
        RCPtr<LColorRectDisplayList> built(new LColorRectDisplayList());
        built->list = LGLDisplayList::Create(1);
        built->content = list;
        if (built->list->HasNames())
            glNewList(built->list->GetFirstName(), GL_COMPILE_AND_EXECUTE);
        const uint32_t count = std::min(list.rects.GetCount(), list.colors.GetCount());
        glBegin(GL_QUADS);
        for (uint32_t i = count; i-- > 0;) {
            const RectT<float>& rect = list.rects.GetAt(i);
            const double x = ConvertCoordinate<int32_t>(rect.x * list.scaleX);
            const double y = ConvertCoordinate<int32_t>(rect.y * list.scaleY);
            const double width = ConvertCoordinate<int32_t>(rect.width * list.scaleX);
            const double height = ConvertCoordinate<int32_t>(rect.height * list.scaleY);
            if (width <= 0 || height <= 0)
                continue;
            RGBAColor color;
            color.SetARGB(list.colors.GetAt(i));
            SetColour(color);
            glVertex2d(x, y);
            glVertex2d(x + width, y);
            glVertex2d(x + width, y + height);
            glVertex2d(x, y + height);
        }
        glEnd();
        if (built->list->HasNames()) {
            glEndList();
            ++m_displayListBuilds;
            m_rectListCache.AcquireEntry(&list, false) = built;
        }
    }
    glEnable(GL_TEXTURE_2D);
    glPopMatrix();
}

void LGLRenderer::DrawLine(const PointT<float>& from, const PointT<float>& to, const RGBAColor& color,
                           float lineWidth)
{
    if (!m_current)
        return;
    glLineWidth(lineWidth);
    SetColour(color);
    glDisable(GL_TEXTURE_2D);
    glBegin(GL_LINES);
    glVertex2d(ClampCoordinate(from.x) + 0.5, ClampCoordinate(from.y) + 0.5);
    glVertex2d(ClampCoordinate(to.x) + 0.5, ClampCoordinate(to.y) + 0.5);
    glEnd();
    glEnable(GL_TEXTURE_2D);
}

void LGLRenderer::DrawLineSegments(PolylineT<float>& polyline, const RGBAColor& color, const PointT<float>& offset,
                                   const PointT<float>& scale, bool keepCached)
{
    DrawShape(polyline, color, offset, scale, keepCached, ShapeKind::Segments);
}

void LGLRenderer::DrawPolyline(PolylineT<float>& polyline, const RGBAColor& color, const PointT<float>& offset,
                               const PointT<float>& scale, bool keepCached)
{
    DrawShape(polyline, color, offset, scale, keepCached, ShapeKind::Polyline);
}

void LGLRenderer::DrawPolygon(PolylineT<float>& polyline, const RGBAColor& color, const PointT<float>& offset,
                              const PointT<float>& scale, bool keepCached)
{
    DrawShape(polyline, color, offset, scale, keepCached, ShapeKind::Polygon);
}

void LGLRenderer::FillPolygon(PolylineT<float>& polyline, const RGBAColor& color, const PointT<float>& offset,
                              const PointT<float>& scale, bool keepCached)
{
    DrawShape(polyline, color, offset, scale, keepCached, ShapeKind::Filled);
}

LGLRenderer::DisplayListCache& LGLRenderer::CacheOf(ShapeKind kind)
{
    switch (kind) {
    case ShapeKind::Segments:
        return m_segmentCache;
    case ShapeKind::Polyline:
        return m_polylineCache;
    case ShapeKind::Polygon:
        return m_outlineCache;
    case ShapeKind::Filled:
        break;
    }
    return m_fillCache;
}

void LGLRenderer::DrawShape(PolylineT<float>& polyline, const RGBAColor& color, const PointT<float>& offset,
                            const PointT<float>& scale, bool keepCached, ShapeKind kind)
{
    if (!m_current)
        return;
    DisplayListCache& cache = CacheOf(kind);
    const PolylineKey key = &polyline;
    RCPtr<LGLDisplayList> cached;
    if (keepCached) {
        const bool changed = polyline.changed;
        polyline.changed = false;
        if (changed && (kind == ShapeKind::Polygon || kind == ShapeKind::Filled)) {
            // Outline and fill share the flag: the other's list is stale too.
            (void)(kind == ShapeKind::Polygon ? m_fillCache : m_outlineCache).ResetEntry(key);
        }
        cached = cache.AcquireEntry(key, changed);
    } else {
        (void)cache.ResetEntry(key);
    }

    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    // Pixel centres lie at integer coordinates, as for the other back end's pens and fills.
    glTranslated(ClampCoordinate(offset.x) + 0.5, ClampCoordinate(offset.y) + 0.5, 0);
    glScalef(scale.x, scale.y, 1.0f);
    glDisable(GL_TEXTURE_2D);
    SetColour(color);
    glLineWidth(polyline.lineWidth);
    if (cached && cached->HasNames()) {
        glCallList(cached->GetFirstName());
    } else {
        RCPtr<LGLDisplayList> built;
        if (keepCached) {
            built = LGLDisplayList::Create(1);
            if (built->HasNames())
                glNewList(built->GetFirstName(), GL_COMPILE_AND_EXECUTE);
        }
        const uint32_t count = polyline.points.GetCount();
        if (kind == ShapeKind::Filled) {
            CGLPolygon::Fill(polyline.points.GetData(), count);
        } else if (count > 0) {
            std::vector<GLfloat> vertices(size_t(count) * 2);
            for (uint32_t i = 0; i < count; ++i) {
                vertices[size_t(i) * 2] = polyline.points.GetAt(i).x;
                vertices[size_t(i) * 2 + 1] = polyline.points.GetAt(i).y;
            }
            glEnableClientState(GL_VERTEX_ARRAY);
            glVertexPointer(2, GL_FLOAT, 0, vertices.data());
            glDrawArrays(kind == ShapeKind::Segments ? GL_LINES : GL_LINE_STRIP, 0, GLsizei(count));
            glDisableClientState(GL_VERTEX_ARRAY);
        }
        if (built && built->HasNames()) {
            glEndList();
            ++m_displayListBuilds;
            cache.AcquireEntry(key, false) = built;
        }
    }
    glEnable(GL_TEXTURE_2D);
    glPopMatrix();
}

RCPtr<LGLTexture> LGLRenderer::TextureOf(const ConstRCPtr<LBitmap>& bitmap)
{
    const uintptr_t handle = LBitmap::GetHandle(bitmap);
    RCPtr<LGLTexture> texture = m_textureCache.AcquireEntry(handle, false);
    if (texture && texture->HasTexture())
        return texture;
    texture = LGLTexture::Create();
    const RCPtr<LBitmapData> data = bitmap->GetData();
    const uint32_t* pixels = data ? data->GetPixel(0, 0) : nullptr;
    if (pixels == nullptr ||
        texture->LoadImage(pixels, data->GetWidth(), data->GetHeight(), data->GetPitch() / 4, GL_BGRA, GL_RGBA8, 0,
                           1.0f) < 0)
        return nullptr;
    // Held so that the image, whose identity is the key, lives as long as the entry.
    texture->SetBitmap(RCPtr<LBitmap>(const_cast<LBitmap*>(bitmap.Get())));
    ++m_textureBuilds;
    m_textureCache.AcquireEntry(handle, false) = texture;
    return texture;
}

void LGLRenderer::DrawBitmap(const ConstRCPtr<LBitmap>& bitmap, const RectT<int32_t>& destination,
                             ResizeType resizeType)
{
    if (!bitmap || LBitmap::GetHandle(bitmap) == 0)
        VQ_CHECK_RESULT(E_INVALIDARG);
    if (!m_current)
        return;
    const RCPtr<LGLTexture> texture = TextureOf(bitmap);
    glColor4f(1, 1, 1, 1);
    const int32_t width = bitmap->GetWidth();
    const int32_t height = bitmap->GetHeight();
    if (width == destination.width && height == destination.height)
        resizeType = ResizeStretch;
    const RectT<float> source{float(bitmap->GetX()), float(bitmap->GetY()), float(width), float(height)};
    switch (resizeType) {
    case ResizeStretch:
        if (texture)
            texture->DrawQuad(source, {float(destination.x), float(destination.y), float(destination.width),
                                       float(destination.height)});
        return;
    case ResizeTile:
        if (!texture || width <= 0 || height <= 0)
            return;
        DrawTiles(*texture, source, destination);
        return;
    case ResizeCenter:
        if (texture)
            texture->DrawQuad(source, {float(destination.x + (destination.width - width) / 2),
                                       float(destination.y + (destination.height - height) / 2), float(width),
                                       float(height)});
        return;
    }
    VQ_THROW_DETAIL(std::logic_error, "Invalid ResizeType passed to DrawBitmap!");
}

void LGLRenderer::DrawTiles(const LGLTexture& texture, const RectT<float>& source, const RectT<int32_t>& destination)
{
    // Only the tiles meeting the scissor box and the viewport are drawn: a huge destination would
    // otherwise take forever. They keep their places on the grid that starts at the left and top.
    const int64_t width = int64_t(source.width);
    const int64_t height = int64_t(source.height);
    const PointT<double>& offset = m_current->GetState().offset;
    const RectT<double>& clip = m_current->GetTargetClip();
    const PointT<int32_t> size = DrawnSize();
    const double visibleLeft = ClampCoordinate(std::max(clip.x, 0.0) - offset.x);
    const double visibleTop = ClampCoordinate(std::max(clip.y, 0.0) - offset.y);
    const double visibleRight = ClampCoordinate(std::min(clip.x + clip.width, double(size.x)) - offset.x);
    const double visibleBottom = ClampCoordinate(std::min(clip.y + clip.height, double(size.y)) - offset.y);
    const int64_t left = destination.x;
    const int64_t top = destination.y;
    const int64_t right = std::min<int64_t>(left + destination.width, int64_t(std::ceil(visibleRight)));
    const int64_t bottom = std::min<int64_t>(top + destination.height, int64_t(std::ceil(visibleBottom)));
    // The first tile on the grid that reaches the visible side.
    const auto first = [](int64_t start, double visible, int64_t step) {
        if (visible <= double(start))
            return start;
        return start + int64_t(std::floor((visible - double(start)) / double(step))) * step;
    };
    const int64_t firstX = first(left, visibleLeft, width);
    const int64_t firstY = first(top, visibleTop, height);
    for (int64_t x = firstX; x < right; x += width)
        for (int64_t y = firstY; y < bottom; y += height)
            texture.DrawQuad(source, {float(x), float(y), float(width), float(height)});
}

VQRESULT LGLRenderer::DrawRenderContext(const RCPtr<LRenderContextInfo>& source, const PointT<int32_t>& destination,
                                        const RectT<int32_t>& sourceRect)
{
    const RCPtr<LGLRenderContextInfo> from = RCPtrDynamicCast<LGLRenderContextInfo>(source);
    if (!from || !from->IsOffscreen() || !from->IsFramebufferBacked())
        return E_INVALIDARG;
    // A texture cannot be drawn onto itself; nor can a context that has no frame yet be drawn.
    if (!m_current || from == m_current || from->GetTexture() == 0)
        return E_FAIL;
    const double textureWidth = from->GetTextureWidth();
    const double textureHeight = from->GetTextureHeight();
    const double left = sourceRect.x / textureWidth;
    const double right = (double(sourceRect.x) + sourceRect.width) / textureWidth;
    // The texture's rows run from the bottom.
    const double top = 1.0 - sourceRect.y / textureHeight;
    const double bottom = 1.0 - (double(sourceRect.y) + sourceRect.height) / textureHeight;
    const double x = destination.x;
    const double y = destination.y;
    glColor4f(1, 1, 1, 1);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, from->GetTexture());
    glBegin(GL_QUADS);
    glTexCoord2d(left, top);
    glVertex2d(x, y);
    glTexCoord2d(right, top);
    glVertex2d(x + sourceRect.width, y);
    glTexCoord2d(right, bottom);
    glVertex2d(x + sourceRect.width, y + sourceRect.height);
    glTexCoord2d(left, bottom);
    glVertex2d(x, y + sourceRect.height);
    glEnd();
    return S_OK;
}

VQRESULT LGLRenderer::ScrollRenderContext(const RCPtr<LRenderContextInfo>& context, const PointT<int32_t>& offset)
{
    const RCPtr<LGLRenderContextInfo> scrolled = RCPtrDynamicCast<LGLRenderContextInfo>(context);
    if (!scrolled || !scrolled->IsOffscreen() || !scrolled->IsFramebufferBacked())
        return E_INVALIDARG;
    const Platform::GLContext::ScopedCurrent current(*m_glContext);
    if (!current.IsCurrent())
        return E_FAIL;
    VQRESULT result = S_OK;
    GLuint copy = 0;
    if (scrolled->BindFramebuffer()) {
        // Drawing a texture onto itself is undefined: the content goes through a copy.
        DrainErrors();
        glGenTextures(1, &copy);
        glBindTexture(GL_TEXTURE_2D, copy);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 0, 0, scrolled->GetTextureWidth(), scrolled->GetTextureHeight(),
                         0);
        // Without the copy the content would be cleared and not put back.
        if (glGetError() != GL_NO_ERROR) {
            glDeleteTextures(1, &copy);
            copy = 0;
            DrainErrors();
        }
    }
    if (copy == 0) {
        result = E_FAIL;
    } else {
        const int32_t width = scrolled->GetTextureWidth();
        const int32_t height = scrolled->GetTextureHeight();
        glViewport(0, 0, width, height);
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        glOrtho(0, width, height, 0, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
        glDisable(GL_SCISSOR_TEST);
        // What the move uncovers is transparent, as on a fresh target.
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        glBlendFunc(GL_ONE, GL_ZERO);
        glDisable(GL_ALPHA_TEST);
        glEnable(GL_TEXTURE_2D);
        glColor4f(1, 1, 1, 1);
        const double x = offset.x;
        const double y = offset.y;
        glBegin(GL_QUADS);
        glTexCoord2d(0, 1);
        glVertex2d(x, y);
        glTexCoord2d(1, 1);
        glVertex2d(x + width, y);
        glTexCoord2d(1, 0);
        glVertex2d(x + width, y + height);
        glTexCoord2d(0, 0);
        glVertex2d(x, y + height);
        glEnd();
        glEnable(GL_ALPHA_TEST);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glEnable(GL_SCISSOR_TEST);
        glPopMatrix();
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        glDeleteTextures(1, &copy);
        glFlush();
        if (glGetError() != GL_NO_ERROR)
            result = E_FAIL;
        DrainErrors();
    }
    // The frame in progress, if any, draws to its own target again.
    if (m_current) {
        if (!m_current->BindFramebuffer()) {
            AbandonFrame();
            return result;
        }
        SetViewport(m_current->GetRect());
        ApplyState();
    } else {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
    }
    return result;
}

} // namespace VQ
