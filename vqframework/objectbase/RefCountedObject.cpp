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
    // The test for "last outside reference" and the decrement are one step (a compare-and-swap on
    // the count), so two threads that drop the last two outside references at once cannot both miss
    // the cycles. After a decrement that does not reach 0 the object is not touched again: another
    // thread may delete it at once.
    for (;;) {
        int32_t count = m_refCount.load();
        int32_t cyclic = m_cyclicCount.load();
        if (count == cyclic + 1 && cyclic > 0 && m_releaseGuard.load() == 0) {
            ReleaseCyclicReferencesGuarded();
            int32_t remaining = m_refCount.fetch_sub(1) - 1;
            if (remaining == 0)
                delete this;
            return remaining;
        }
        if (m_refCount.compare_exchange_weak(count, count - 1)) {
            if (count == 1)
                delete this;
            return count - 1;
        }
    }
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
