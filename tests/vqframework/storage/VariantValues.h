// Builders for the Variant values the storage tests compare, serialize and convert.
#pragma once

#include "vqframework/storage/Variant.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace VQ::test {

// V lets the builder make derived values such as VariantEx.
template <class V = Variant> V Text(const char* text)
{
    V v;
    v.SetString(text);
    return v;
}

// A byte run the value owns (a copy of bytes).
inline Variant Owned(const std::vector<unsigned char>& bytes)
{
    Variant v;
    v.SetBuffer(bytes.data(), static_cast<uint32_t>(bytes.size()));
    return v;
}

inline Variant List(std::initializer_list<Variant> items)
{
    const std::vector<Variant> data(items);
    Variant v;
    v.SetList(data.data(), static_cast<uint32_t>(data.size()));
    return v;
}

// The raw bytes a value holds; empty when it holds none.
inline std::vector<unsigned char> Content(const Variant& value)
{
    uint32_t size = 0;
    const auto* data = static_cast<const unsigned char*>(value.GetData(&size));
    return data ? std::vector<unsigned char>(data, data + size) : std::vector<unsigned char>();
}

// Caller-owned bytes (types 12 and 13), which no setter produces.
class ExternalBytes : public Variant {
public:
    ExternalBytes(int32_t type, const void* data, uint32_t length)
    {
        m_type = type;
        m_length = length;
        SetBufferAddress(data);
    }
};

} // namespace VQ::test
