// A run of compiled display lists of the OpenGL back end: a cached shape drawn again by one call.
#pragma once

#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"

#include <cstdint>

namespace VQ {

class LGLDisplayList : public virtual LRefCountedObject {
public:
    // count names made in the current context; an object without names when GL gives none.
    static RCPtr<LGLDisplayList> Create(int32_t count);
    ~LGLDisplayList() override;

    // -1 (all bits set) when no names are made.
    uint32_t GetFirstName() const { return m_firstName; }
    int32_t GetCount() const { return m_count; }
    bool HasNames() const { return m_firstName != ~0u; }

private:
    LGLDisplayList() = default;

    uint32_t m_firstName = ~0u;
    int32_t m_count = 0;
};

} // namespace VQ
