#include "vqframework/objectbase/Exception.h"
#include "vqframework/renderer/D3D9Renderer.h"
#include "vqframework/renderer/Renderer.h"
#include "vqframework/renderer/gdi/GDIRenderer.h"

namespace VQ {

RCPtr<LRenderer> LRenderer::Create(int32_t type, const RectT<int32_t>&, Platform::IPresentTarget*)
{
    switch (type) {
    case GDIPlus:
        return LGDIRenderer::Create();
    case Direct3D9:
        return LD3D9Renderer::Create();
    default:
        // OpenGL has no back end yet, like any unknown type.
        VQ_THROW(std::domain_error);
    }
}

} // namespace VQ
