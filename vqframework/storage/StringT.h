// PLACEHOLDER until the string type lands: just enough for the object base to build.
#pragma once

#include <string>

namespace VQ {

template <class C, class O> class StringT {
public:
    StringT() = default;
    explicit StringT(const char* utf8) : m_text(utf8) {}
    const std::string& Utf8() const { return m_text; }

private:
    std::string m_text;
};

} // namespace VQ
