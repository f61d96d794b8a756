// printf-style formatting into StringT, with each argument formatted by its own type.
#pragma once

#include "vqframework/storage/StringT.h"

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace VQ {

// One argument of a format, as the formatter sees it; integers keep the width they would have
// after the usual argument promotions, so a conversion never reads more or less than was passed.
struct FormatArgument {
    enum Kind : uint8_t { None, Signed, Unsigned, Floating, WideText, NarrowText, Pointer };

    Kind kind = None;
    uint8_t bits = 0;
    int32_t length = -1; // texts: -1 when NUL-terminated
    union {
        int64_t i;
        uint64_t u;
        double d;
        const char16_t* wide;
        const char* narrow;
    };

    FormatArgument() : u(0) {}
};

template <class T> FormatArgument MakeFormatArgument(const T& value)
{
    using U = std::remove_cv_t<T>;
    FormatArgument argument;
    if constexpr (std::is_base_of_v<StringT<char16_t, char>, U>) {
        argument.kind = FormatArgument::WideText;
        argument.wide = value.GetString();
        argument.length = value.GetLength();
    } else if constexpr (std::is_base_of_v<StringT<char, char16_t>, U>) {
        argument.kind = FormatArgument::NarrowText;
        argument.narrow = value.GetString();
        argument.length = value.GetLength();
    } else if constexpr (std::is_convertible_v<const U&, const char16_t*>) {
        argument.kind = FormatArgument::WideText;
        argument.wide = value;
    } else if constexpr (std::is_convertible_v<const U&, const char*>) {
        argument.kind = FormatArgument::NarrowText;
        argument.narrow = value;
    } else if constexpr (std::is_enum_v<U>) {
        return MakeFormatArgument(static_cast<std::underlying_type_t<U>>(value));
    } else if constexpr (std::is_integral_v<U>) {
        // Narrower types are promoted to int, as a variadic call would do.
        argument.bits = sizeof(U) <= 4 ? 32 : 64;
        if constexpr (sizeof(U) < 4 || std::is_signed_v<U>) {
            argument.kind = FormatArgument::Signed;
            argument.i = static_cast<int64_t>(value);
        } else {
            argument.kind = FormatArgument::Unsigned;
            argument.u = static_cast<uint64_t>(value);
        }
    } else if constexpr (std::is_floating_point_v<U>) {
        argument.kind = FormatArgument::Floating;
        argument.d = static_cast<double>(value);
    } else if constexpr (std::is_pointer_v<U> || std::is_null_pointer_v<U>) {
        argument.kind = FormatArgument::Pointer;
        argument.bits = 64;
        argument.u = reinterpret_cast<uintptr_t>(static_cast<const volatile void*>(value));
    } else {
        static_assert(sizeof(U) == 0, "no format conversion takes an argument of this type");
    }
    return argument;
}

// Formats with the wide printf dialect of the original platform ("%I64X", "%s" for wide text ...).
// A conversion that its argument cannot satisfy, or that lacks an argument, is copied as it stands.
StringT<char16_t, char> FormatArguments(const char16_t* format, const FormatArgument* arguments, size_t count);

template <class C, class O>
template <class... Args>
StringT<C, O> StringT<C, O>::Format(const C* format, const Args&... args)
{
    static_assert(std::is_same_v<C, char16_t>, "formats are wide texts");
    const FormatArgument arguments[sizeof...(Args) + 1] = {MakeFormatArgument(args)..., FormatArgument()};
    return FormatArguments(format, arguments, sizeof...(Args));
}

// Fixed-point text of an integer: (5, 2) gives ".05", (-5, 2) gives "-.05"; decimals <= 0 give the integer.
StringT<char16_t, char> ToString(int32_t value, int32_t decimals);
StringT<char16_t, char> ToString(uint32_t value, int32_t decimals);

// Negative decimals give six digits after the point, as "%lf" does.
StringT<char16_t, char> ToString(double value, int32_t decimals);

} // namespace VQ
