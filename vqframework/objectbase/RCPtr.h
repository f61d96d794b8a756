// Owning counted pointers: ConstRCPtr gives read access, RCPtr read and write access. Each holds
// one reference; taking a reference to an unshareable object takes a private copy instead.
#pragma once

#include "vqframework/objectbase/Exception.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/objectbase/TypeName.h"

#include <cstddef>
#include <type_traits>
#include <utility>

namespace VQ {

template <class X> class ConstRCPtr {
public:
    constexpr ConstRCPtr() noexcept = default;
    constexpr ConstRCPtr(std::nullptr_t) noexcept {}
    ConstRCPtr(const X* pointer) : m_pointer(const_cast<X*>(pointer)) { AcquireOrGiveBack(); }
    ConstRCPtr(const ConstRCPtr& other) : m_pointer(other.m_pointer) { AcquireOrGiveBack(); }
    template <class Y, class = std::enable_if_t<std::is_convertible_v<Y*, X*>>>
    ConstRCPtr(const ConstRCPtr<Y>& other) : m_pointer(const_cast<Y*>(other.Get()))
    {
        AcquireOrGiveBack();
    }
    // Moves hand the reference over and leave the source empty; no count changes.
    ConstRCPtr(ConstRCPtr&& other) noexcept : m_pointer(std::exchange(other.m_pointer, nullptr)) {}
    template <class Y, class = std::enable_if_t<std::is_convertible_v<Y*, X*>>>
    ConstRCPtr(ConstRCPtr<Y>&& other) noexcept : m_pointer(std::exchange(other.m_pointer, nullptr))
    {
    }
    ~ConstRCPtr() { Release(); }

    ConstRCPtr& operator=(const ConstRCPtr& other)
    {
        Assign(other.m_pointer);
        return *this;
    }
    template <class Y, class = std::enable_if_t<std::is_convertible_v<Y*, X*>>>
    ConstRCPtr& operator=(const ConstRCPtr<Y>& other)
    {
        ConstRCPtr temporary(other);
        return *this = std::move(temporary);
    }
    ConstRCPtr& operator=(ConstRCPtr&& other) noexcept
    {
        MoveFrom(other);
        return *this;
    }
    template <class Y, class = std::enable_if_t<std::is_convertible_v<Y*, X*>>>
    ConstRCPtr& operator=(ConstRCPtr<Y>&& other) noexcept
    {
        MoveFrom(other);
        return *this;
    }

    // Empties the pointer before the release, so that code run by the release finds it empty.
    void Release()
    {
        if (X* old = m_pointer) {
            m_pointer = nullptr;
            AsObject(old)->Release();
        }
    }

    const X* Get() const noexcept { return m_pointer; }
    const X* operator->() const noexcept { return m_pointer; }
    const X& operator*() const noexcept { return *m_pointer; }
    explicit operator bool() const noexcept { return m_pointer != nullptr; }
    bool IsEmpty() const noexcept { return m_pointer == nullptr; }

    template <class Y> bool operator==(const ConstRCPtr<Y>& other) const noexcept { return m_pointer == other.Get(); }
    bool operator==(const X* other) const noexcept { return m_pointer == other; }
    bool operator==(std::nullptr_t) const noexcept { return m_pointer == nullptr; }

protected:
    // Takes the reference the stored pointer stands for.
    void Acquire()
    {
        if (!m_pointer)
            return;
        const LRefCountedObject* object = AsObject(m_pointer);
        object->AddRef();
        if (!object->IsShareable())
            Unshare();
    }

    // Acquire for the constructors: no destructor runs for a pointer whose constructor throws, so
    // a failed copy of an unshareable pointee gives back the reference taken before it.
    void AcquireOrGiveBack()
    {
        try {
            Acquire();
        } catch (...) {
            Release();
            throw;
        }
    }

public:
    // Makes the pointee private to this pointer when it is shared.
    void Unshare();

protected:
    static const LRefCountedObject* AsObject(const X* pointer) { return pointer; }

    // The new reference is taken first, in a pointer of its own: when that fails, this pointer is
    // left as it was. Otherwise the two swap, and that pointer, now holding the old pointee,
    // releases it as it leaves scope, after this pointer already holds the new one.
    void Assign(X* pointer)
    {
        if (pointer == m_pointer)
            return;
        ConstRCPtr taken(pointer);
        std::swap(m_pointer, taken.m_pointer);
    }

    // Takes over the reference other holds, then releases the old pointee; moving a pointer onto
    // itself changes nothing.
    template <class Y> void MoveFrom(ConstRCPtr<Y>& other) noexcept
    {
        if (static_cast<const void*>(&other) == static_cast<const void*>(this))
            return;
        if (X* old = std::exchange(m_pointer, std::exchange(other.m_pointer, nullptr)))
            AsObject(old)->Release();
    }

    X* m_pointer = nullptr;

    template <class Y> friend class ConstRCPtr;
};

template <class X> class RCPtr : public ConstRCPtr<X> {
    using Base = ConstRCPtr<X>;

public:
    constexpr RCPtr() noexcept = default;
    constexpr RCPtr(std::nullptr_t) noexcept {}
    RCPtr(X* pointer) : Base(pointer) {}
    RCPtr(const RCPtr& other) : Base(other) {}
    template <class Y, class = std::enable_if_t<std::is_convertible_v<Y*, X*>>>
    RCPtr(const RCPtr<Y>& other) : Base(other)
    {
    }
    RCPtr(RCPtr&& other) noexcept : Base(std::move(other)) {}
    template <class Y, class = std::enable_if_t<std::is_convertible_v<Y*, X*>>>
    RCPtr(RCPtr<Y>&& other) noexcept : Base(std::move(other))
    {
    }

    RCPtr& operator=(const RCPtr& other)
    {
        this->Assign(other.m_pointer);
        return *this;
    }
    template <class Y, class = std::enable_if_t<std::is_convertible_v<Y*, X*>>>
    RCPtr& operator=(const RCPtr<Y>& other)
    {
        RCPtr temporary(other);
        return *this = std::move(temporary);
    }
    RCPtr& operator=(RCPtr&& other) noexcept
    {
        this->MoveFrom(other);
        return *this;
    }
    template <class Y, class = std::enable_if_t<std::is_convertible_v<Y*, X*>>>
    RCPtr& operator=(RCPtr<Y>&& other) noexcept
    {
        this->MoveFrom(other);
        return *this;
    }

    X* Get() const noexcept { return this->m_pointer; }
    X* operator->() const noexcept { return this->m_pointer; }
    X& operator*() const noexcept { return *this->m_pointer; }

    // The empty pointer of this type, for accessors that have nothing to return.
    static const RCPtr& Null;
};

namespace detail {
// Storage that is constant-initialised and never destroyed, so it outlives every static user.
template <class T> union Immortal {
    constexpr Immortal() : value() {}
    ~Immortal() {}
    T value;
};
template <class X> constinit Immortal<RCPtr<X>> g_nullRCPtr{};
} // namespace detail

template <class X> const RCPtr<X>& RCPtr<X>::Null = detail::g_nullRCPtr<X>.value;

template <class X> void ConstRCPtr<X>::Unshare()
{
    if (!m_pointer || AsObject(m_pointer)->GetRefCount() <= 1)
        return;
    RCPtr<LRefCountedObject> copy = AsObject(m_pointer)->CreateCopy();
    X* converted = dynamic_cast<X*>(copy.Get());
    if (converted != m_pointer) {
        X* old = m_pointer;
        m_pointer = converted;
        Acquire();
        if (old)
            AsObject(old)->Release();
    }
    copy.Release();
    if (!m_pointer)
        ThrowException<std::logic_error>(TypeName<X>(), __PRETTY_FUNCTION__, __FILE__, __LINE__);
}

// A new T in a pointer that holds its first reference. Objects start with a count of 0, so the
// pointer's own acquisition is that reference: the count is 1 on return.
template <class T, class... Args> RCPtr<T> MakeRC(Args&&... args)
{
    return RCPtr<T>(new T(std::forward<Args>(args)...));
}

// The run-time checked conversion; empty when the source is empty or its pointee is no X.
template <class X, class Y> RCPtr<X> RCPtrDynamicCast(const ConstRCPtr<Y>& source)
{
    return RCPtr<X>(dynamic_cast<X*>(const_cast<Y*>(source.Get())));
}

} // namespace VQ
