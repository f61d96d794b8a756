#include "vqframework/objectbase/Exception.h"
#include "vqframework/renderer/D3D9Renderer.h"
#include "vqframework/renderer/Renderer.h"

namespace VQ {

RCPtr<LRenderer> LRenderer::Create(int32_t type, const RectT<int32_t>&, Platform::IPresentTarget*)
{
    switch (type) {
    case Direct3D9:
        return LD3D9Renderer::Create();
    case GDIPlus:
        // The Cairo-drawn back end is made here; until it is linked in, the type is refused.
        break;
    default:
        break;
    }
    VQ_THROW(std::domain_error);
}

} // namespace VQ
