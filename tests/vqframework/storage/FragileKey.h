// A hashed key whose copy throws on demand, for checking that a failed insert leaves a container as it was.
#pragma once

#include "vqframework/storage/HashList.h"

#include <cstdint>
#include <stdexcept>

namespace VQ::test {

// Defaultable: only containers that keep spare keys need a default constructor, so others are not given one.
template <bool Defaultable> class BasicFragileKey {
public:
    explicit BasicFragileKey() requires Defaultable : m_value(0) {}
    explicit BasicFragileKey(int32_t value) : m_value(value) {}
    BasicFragileKey(const BasicFragileKey& other) : m_value(other.m_value)
    {
        if (s_failing && m_value == s_failing)
            throw std::runtime_error("copy failed");
    }
    BasicFragileKey& operator=(const BasicFragileKey&) = default;
    bool operator==(const BasicFragileKey&) const = default;

    static uint32_t Bits(const BasicFragileKey& key) { return GetBits<8, 4, int32_t>(key.m_value); }

    static inline int32_t s_failing = 0;

private:
    int32_t m_value;
};

} // namespace VQ::test
