// Base of every counted object: an intrusive, atomic reference count with cyclic-reference release.
#pragma once

#include "vqframework/objectbase/Result.h"

#include <atomic>
#include <cstdint>

namespace VQ {

template <class C, class O> class StringT;
template <class X> class RCPtr;

class IStringable {
public:
    virtual StringT<char16_t, char> ToString() const = 0;

protected:
    ~IStringable() = default;
};

class IUndoable : public IStringable {
public:
    virtual void Undo() = 0;

protected:
    ~IUndoable() = default;
};

// Created with a count of 0; the release of the last reference deletes the object. References the
// object holds on itself (cyclic references) are counted apart: when only they remain besides the
// one being released, the object is asked to drop them first, which breaks the cycle.
class LRefCountedObject : public IUndoable {
public:
    LRefCountedObject() = default;
    // A copy is a new object: it starts with its own count and is shareable.
    LRefCountedObject(const LRefCountedObject&) : LRefCountedObject() {}
    LRefCountedObject& operator=(const LRefCountedObject&) { return *this; }

    StringT<char16_t, char> ToString() const override;
    void Undo() override;
    virtual int32_t AddRef() const;
    virtual int32_t Release() const;
    virtual VQRESULT ReleaseCyclicReferences();
    virtual RCPtr<LRefCountedObject> CreateCopy() const;
    virtual ~LRefCountedObject();

    void SetUnshareable(bool unshareable);
    // Returns the previous cyclic count.
    int32_t AddCyclicReferences(int32_t delta) const;

    int32_t GetRefCount() const { return m_refCount.load(); }
    int32_t GetCyclicCount() const { return m_cyclicCount.load(); }
    bool IsShareable() const { return m_shareable.load(std::memory_order_relaxed); }

private:
    void ReleaseCyclicReferencesGuarded() const;

    mutable std::atomic<int32_t> m_refCount{0};
    mutable std::atomic<int32_t> m_cyclicCount{0};
    mutable std::atomic<int32_t> m_releaseGuard{0};
    std::atomic<bool> m_shareable{true};
};

} // namespace VQ
