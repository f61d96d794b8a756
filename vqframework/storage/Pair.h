// Key/value pairs: LPair, the counted entry of hash lists and notifications, and the plain Pair.
#pragma once

#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/objectbase/TypeName.h"
#include "vqframework/storage/StringT.h"

#include <type_traits>

namespace VQ {

namespace detail {
template <class X> std::true_type IsCountedPointer(const ConstRCPtr<X>*);
std::false_type IsCountedPointer(...);
} // namespace detail

// How a key describes itself as the text of its pair: a counted pointer by its object's text (empty
// when it holds none); any other type, having no text of its own, by the name of its type ("int"), not
// by its value.
template <class T> StringT<char16_t, char> DescribeValue(const T& value)
{
    if constexpr (decltype(detail::IsCountedPointer(static_cast<const T*>(nullptr)))::value) {
        if (value.IsEmpty())
            return StringT<char16_t, char>();
        return value->ToString();
    } else {
        (void)value;
        return StringT<char16_t, char>(TypeName<T>().c_str());
    }
}

// A key and a value as one counted object; its text form is the key's.
template <class K, class V, StringT<char16_t, char> (*KeyToString)(const K&)>
class LPair : public virtual LRefCountedObject {
public:
    LPair(const K& k, const V& v) : key(k), value(v) {}
    LPair(const LPair&) = delete;
    LPair& operator=(const LPair&) = delete;
    ~LPair() override = default;

    static RCPtr<LPair> Create(const K& k, const V& v) { return RCPtr<LPair>(new LPair(k, v)); }

    StringT<char16_t, char> ToString() const override { return KeyToString(key); }

    // Declared key first: the value is destroyed before the key.
    K key;
    V value;
};

// Two plain values side by side; second is destroyed before first.
template <class A, class B> struct Pair {
    A first;
    B second;
};

} // namespace VQ
