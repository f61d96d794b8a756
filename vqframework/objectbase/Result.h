// Result codes of operations that can fail in ordinary use: COM-style 32-bit values, negative on failure.
#pragma once

#include <cstdint>

namespace VQ {

using VQRESULT = int32_t;

inline constexpr VQRESULT S_OK = 0;
// Nothing was done or nothing changed.
inline constexpr VQRESULT S_FALSE = 1;
inline constexpr VQRESULT E_FAIL = static_cast<VQRESULT>(0x80004005u);
inline constexpr VQRESULT E_INVALIDARG = static_cast<VQRESULT>(0x80070057u);
inline constexpr VQRESULT E_NOTIMPL = static_cast<VQRESULT>(0x80004001u);
inline constexpr VQRESULT E_OUTOFMEMORY = static_cast<VQRESULT>(0x8007000Eu);

inline constexpr bool Failed(VQRESULT result) { return result < 0; }
inline constexpr bool Succeeded(VQRESULT result) { return result >= 0; }

} // namespace VQ
