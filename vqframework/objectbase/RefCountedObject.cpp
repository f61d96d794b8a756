#include "vqframework/objectbase/RefCountedObject.h"

#include "vqframework/objectbase/Exception.h"
#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/TypeName.h"
#include "vqframework/storage/StringT.h"

#include <typeinfo>

namespace VQ {

LRefCountedObject::~LRefCountedObject() = default;

StringT<char16_t, char> LRefCountedObject::ToString() const
{
    std::string text = "LRefCountedObject::ToString() not overridden. Returning TypeName: " + TypeName(typeid(*this));
    return StringT<char16_t, char>(text.c_str());
}

void LRefCountedObject::Undo()
{
    VQ_THROW_DETAIL(std::logic_error, "Undo() not implemented for RefCountedObject");
}

int32_t LRefCountedObject::AddRef() const
{
    return m_refCount.fetch_add(1) + 1;
}

void LRefCountedObject::ReleaseCyclicReferencesGuarded() const
{
    m_releaseGuard.fetch_add(1);
    // The releases of the object's own references come back into Release and find the guard set.
    (void)const_cast<LRefCountedObject*>(this)->ReleaseCyclicReferences();
    m_releaseGuard.fetch_sub(1);
}

int32_t LRefCountedObject::Release() const
{
    bool cyclesOffered = false;
    int32_t count = m_refCount.load();
    int32_t cyclic = m_cyclicCount.load();
    if (count == cyclic + 1 && m_releaseGuard.load() == 0 && m_cyclicCount.load() > 0) {
        ReleaseCyclicReferencesGuarded();
        cyclesOffered = true;
    }

    int32_t remaining = m_refCount.fetch_sub(1) - 1;
    if (remaining == 0) {
        delete this;
        return 0;
    }

    // Two threads that drop the last two outside references at once both see another outside
    // reference above. Exactly one of them sees only cyclic references left after its decrement;
    // it keeps the object alive while the cycles are dropped, then releases once more.
    if (!cyclesOffered && remaining > 0 && remaining == m_cyclicCount.load() && m_releaseGuard.load() == 0) {
        m_refCount.fetch_add(1);
        ReleaseCyclicReferencesGuarded();
        remaining = m_refCount.fetch_sub(1) - 1;
        if (remaining == 0)
            delete this;
    }
    return remaining;
}

VQRESULT LRefCountedObject::ReleaseCyclicReferences()
{
    if (m_cyclicCount.load() != 0)
        return E_FAIL;
    return m_refCount.load() == 1 ? S_OK : E_FAIL;
}

RCPtr<LRefCountedObject> LRefCountedObject::CreateCopy() const
{
    VQ_THROW_DETAIL(std::logic_error, "CreateCopy() not implemented for RefCountedObject");
}

void LRefCountedObject::SetUnshareable(bool unshareable)
{
    if (unshareable && m_refCount.load() > 1)
        VQ_THROW(std::runtime_error);
    m_shareable.store(!unshareable);
}

int32_t LRefCountedObject::AddCyclicReferences(int32_t delta) const
{
    return m_cyclicCount.fetch_add(delta);
}

} // namespace VQ
