#include "vqframework/objectbase/Exception.h"
#include "vqframework/renderer/D3D9Renderer.h"
#include "vqframework/renderer/Renderer.h"
#include "vqframework/renderer/fontrenderer/FreetypeFontRenderer.h"
#include "vqframework/renderer/fontrenderer/GLGlyphRenderer.h"
#include "vqframework/renderer/gdi/GDIRenderer.h"
#include "vqframework/renderer/opengl/GLRenderer.h"

namespace VQ {

RCPtr<LRenderer> LRenderer::Create(int32_t type, const RectT<int32_t>&, Platform::IPresentTarget* window)
{
    switch (type) {
    case OpenGL: {
        // One glyph sink both measures and draws.
        const RCPtr<LGlyphProcessor> glyphs(LGLGlyphRenderer::Create());
        return LGLRenderer::Create(LFreetypeFontRenderer::Create(glyphs, glyphs), window);
    }
    case GDIPlus:
        return LGDIRenderer::Create();
    case Direct3D9:
        return LD3D9Renderer::Create();
    default:
        VQ_THROW(std::domain_error);
    }
}

} // namespace VQ
