// A shared font identity (family name, size, style) with its line metrics, measured once; equal
// requests share one object through the process-wide registry.
#pragma once

#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/storage/StringT.h"

#include <cstdint>

namespace VQ {

class LFont : public virtual LRefCountedObject {
public:
    // The drawing system's style bits; 0 is regular.
    enum Style : int32_t { Bold = 1, Italic = 2, Underline = 4, Strikeout = 8 };

    // The registered font of that identity (name ignoring ASCII case, size exactly), else a new
    // registered one. The registry is the UI thread's and never lets a font go.
    static RCPtr<LFont> GetFont(const StringT<char16_t, char>& name, float size, int32_t style);

    LFont(const LFont&) = delete;
    LFont& operator=(const LFont&) = delete;

    const StringT<char16_t, char>& GetName() const { return m_name; }
    float GetSize() const { return m_size; }
    int32_t GetStyle() const { return m_style; }
    int32_t GetUniqueID() const { return m_uniqueID; }

    // Pixels, measured through the application's measurement renderer on first need. While there
    // is no renderer, or it fails, they are 0 and the next request tries again.
    int32_t GetLineHeight() const;
    // Negative: y grows downward.
    int32_t GetAscent() const;
    int32_t GetDescent() const;

    // The name compared case-sensitively, unlike the registry's lookup.
    bool operator!=(const LFont& other) const;

private:
    LFont(const StringT<char16_t, char>& name, float size, int32_t style, int32_t uniqueID);

    bool IsMeasured() const { return m_lineHeight >= 0; }

    const StringT<char16_t, char> m_name;
    const float m_size;
    const int32_t m_style;
    mutable int32_t m_lineHeight = -1;
    mutable int32_t m_ascent = 0;
    mutable int32_t m_descent = 0;
    const int32_t m_uniqueID;
};

} // namespace VQ
