// A list of strings with a text search and a search by character buffer address.
#pragma once

#include "vqframework/storage/Array.h"
#include "vqframework/storage/StringT.h"

namespace VQ {

template <class C, class O> class StringArrayT : public Array<StringT<C, O>> {
    using String = StringT<C, O>;

public:
    using Array<String>::Find;
    using Array<String>::GetAt;
    using Array<String>::GetCount;

    // The first index from start whose string shares the argument's buffer or equals its text,
    // code unit by code unit or ignoring ASCII letter case; -1 when none.
    int32_t Find(const String& text, bool caseSensitive, uint32_t start) const
    {
        uint32_t count = GetCount();
        for (uint32_t index = start; index < count; ++index) {
            const String& candidate = GetAt(index);
            if (candidate.GetBuffer().Get() == text.GetBuffer().Get())
                return static_cast<int32_t>(index);
            if (caseSensitive ? candidate == text : EqualIgnoringCase(candidate.GetString(), text.GetString()))
                return static_cast<int32_t>(index);
        }
        return -1;
    }

    // The last index whose string's characters lie at exactly that address; -1 when none.
    int32_t FindBuffer(const C* characters) const
    {
        for (uint32_t index = GetCount(); index-- > 0;) {
            if (GetAt(index).GetString() == characters)
                return static_cast<int32_t>(index);
        }
        return -1;
    }

private:
    static bool EqualIgnoringCase(const C* left, const C* right)
    {
        if (left == right)
            return true;
        for (;; ++left, ++right) {
            if (detail::AsciiLower(*left) != detail::AsciiLower(*right))
                return false;
            if (*left == 0)
                return true;
        }
    }
};

} // namespace VQ
