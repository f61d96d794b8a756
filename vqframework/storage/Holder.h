// Counted holders that let plain values and value objects travel as notification data.
#pragma once

#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/storage/StringT.h"

namespace VQ {

// One plain value (a number, a flag, an enumeration value) as a counted object. The value lives
// inside the holder, so the reference GetValue gives stays valid for the holder's whole life.
template <class T> class LHolder : public virtual LRefCountedObject {
public:
    LHolder() : m_value() {}
    explicit LHolder(const T& value) : m_value(value) {}
    LHolder(const LHolder&) = delete;
    LHolder& operator=(const LHolder&) = delete;
    ~LHolder() override = default;

    static RCPtr<LHolder> Create() { return RCPtr<LHolder>(new LHolder()); }
    static RCPtr<LHolder> Create(const T& value) { return RCPtr<LHolder>(new LHolder(value)); }

    T& GetValue() { return m_value; }
    const T& GetValue() const { return m_value; }

private:
    T m_value;
};

// A value object that is also a counted object; it is used as the T it is.
template <class T, class Base> class LWrapper : public T, public virtual Base {
public:
    LWrapper() = default;
    explicit LWrapper(const T& value) : T(value) {}
    LWrapper(const LWrapper&) = delete;
    LWrapper& operator=(const LWrapper&) = delete;
    ~LWrapper() override = default;

    static RCPtr<LWrapper> Create() { return RCPtr<LWrapper>(new LWrapper()); }
    static RCPtr<LWrapper> Create(const T& value) { return RCPtr<LWrapper>(new LWrapper(value)); }
};

// As LWrapper, with the text form given by F.
template <class T, StringT<char16_t, char> (*F)(const T&), class Base>
class LWrapperStringable : public T, public virtual Base {
public:
    explicit LWrapperStringable(const T& value) : T(value) {}
    LWrapperStringable(const LWrapperStringable&) = delete;
    LWrapperStringable& operator=(const LWrapperStringable&) = delete;
    ~LWrapperStringable() override = default;

    static RCPtr<LWrapperStringable> Create(const T& value)
    {
        return RCPtr<LWrapperStringable>(new LWrapperStringable(value));
    }

    StringT<char16_t, char> ToString() const override { return F(*this); }
};

// The text form of a wrapped string: the string itself, sharing its buffer.
inline StringT<char16_t, char> StringToString(const StringT<char16_t, char>& text)
{
    return text;
}

} // namespace VQ
