// A counted object that carries one counted tag object on behalf of its users.
#pragma once

#include "vqframework/objectbase/RCPtr.h"

namespace VQ {

class LTaggableObject : public virtual LRefCountedObject {
public:
    const ConstRCPtr<LRefCountedObject>& GetTag() const { return m_tag; }
    void SetTag(const ConstRCPtr<LRefCountedObject>& tag) { m_tag = tag; }

private:
    ConstRCPtr<LRefCountedObject> m_tag;
};

} // namespace VQ
