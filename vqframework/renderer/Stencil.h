// A stencil carried in the render state; no back end draws through it.
#pragma once

#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/storage/RectT.h"

#include <cstdint>

namespace VQ {

class LStencil : public virtual LRefCountedObject {
public:
    static RCPtr<LStencil> Create(int32_t width, int32_t height);
    // A new stencil of the same size.
    RCPtr<LStencil> Clone() const;

    int32_t GetWidth() const { return m_width; }
    int32_t GetHeight() const { return m_height; }
    const RectT<int32_t>& GetRect() const { return m_rect; }

private:
    LStencil(int32_t width, int32_t height);

    int32_t m_width;
    int32_t m_height;
    RectT<int32_t> m_rect;
};

} // namespace VQ
