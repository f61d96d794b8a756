#include "vqframework/renderer/Stencil.h"

namespace VQ {

LStencil::LStencil(int32_t width, int32_t height) : m_width(width), m_height(height), m_rect{0, 0, width, height} {}

RCPtr<LStencil> LStencil::Create(int32_t width, int32_t height)
{
    return RCPtr<LStencil>(new LStencil(width, height));
}

RCPtr<LStencil> LStencil::Clone() const
{
    return Create(m_width, m_height);
}

} // namespace VQ
