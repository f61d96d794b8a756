// Point and rectangle values over 32-bit integer, float and double coordinates, with the clamping
// and rounding conversions that carry coordinates between them.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>

namespace VQ {

// The range every conversion into T clamps to, and the size a rectangle must exceed to count as
// non-empty.
template <class T> struct CoordinateLimits;

template <> struct CoordinateLimits<int32_t> {
    static constexpr double Minimum = -2147483648.0;
    static constexpr double Maximum = 2147483647.0;
    static constexpr int32_t Epsilon = 0;
};

template <> struct CoordinateLimits<float> {
    static constexpr double Minimum = -8388608.0;
    static constexpr double Maximum = 8388608.0;
    static constexpr float Epsilon = 1.0f / 8388608.0f;
};

template <> struct CoordinateLimits<double> {
    static constexpr double Minimum = -4503599627370496.0;
    static constexpr double Maximum = 4503599627370496.0;
    static constexpr double Epsilon = 1.0 / 4503599627370496.0;
};

// One coordinate into the target type: clamped to its range (a NaN fails every comparison and so
// becomes the minimum), rounded half away from zero when the target is the integer type.
template <class To, class From> To ConvertCoordinate(From value)
{
    // Compared as double: 2^31 as a float must count as above the 32-bit maximum.
    const double v = static_cast<double>(value);
    if (!(v >= CoordinateLimits<To>::Minimum))
        return static_cast<To>(CoordinateLimits<To>::Minimum);
    if (v > CoordinateLimits<To>::Maximum)
        return static_cast<To>(CoordinateLimits<To>::Maximum);
    if constexpr (std::is_integral_v<To>)
        return static_cast<To>(v < 0 ? v - 0.5 : v + 0.5);
    else
        return static_cast<To>(v);
}

namespace detail {

// Doubles of magnitude 2^52 and above are whole already; passing them (and NaN or infinities)
// through keeps the 64-bit truncation below defined.
inline bool IsBeyondFraction(double e) { return !(std::fabs(e) < 4503599627370496.0); }

// Half away from zero, staying in double; -0 counts as negative.
inline double RoundWhole(double e)
{
    if (IsBeyondFraction(e))
        return e;
    return static_cast<double>(static_cast<int64_t>(std::signbit(e) ? e - 0.5 : e + 0.5));
}

// Down to a whole number, taking a value within a relative 2^-52 below one as that number.
inline double SnapDown(double e)
{
    if (IsBeyondFraction(e))
        return e;
    const double tolerance = e * CoordinateLimits<double>::Epsilon;
    return static_cast<double>(static_cast<int64_t>(e >= 0 ? e + tolerance : e - (tolerance + 1.0)));
}

// Sums and differences of 32-bit edges can leave the 32-bit range; they are formed wider and
// clamped, the floating types compute in their own type.
template <class T> using WideCoordinate = std::conditional_t<std::is_integral_v<T>, int64_t, T>;

template <class T> T NarrowCoordinate(WideCoordinate<T> value)
{
    if constexpr (std::is_integral_v<T>)
        return static_cast<T>(std::clamp<int64_t>(value, std::numeric_limits<T>::min(), std::numeric_limits<T>::max()));
    else
        return value;
}

// Toward zero, clamped to the 32-bit range; NaN reads as 0.
inline int32_t TruncateCoordinate(double value)
{
    if (!(value > -2147483648.0))
        return value < 0 ? std::numeric_limits<int32_t>::min() : 0;
    if (value > 2147483647.0)
        return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(value);
}

} // namespace detail

template <class T> struct PointT {
    static_assert(std::is_same_v<T, int32_t> || std::is_same_v<T, float> || std::is_same_v<T, double>);

    T x = 0;
    T y = 0;

    bool operator==(const PointT&) const = default;

    PointT<int32_t> Round() const
        requires std::is_floating_point_v<T>
    {
        return {ConvertCoordinate<int32_t>(x), ConvertCoordinate<int32_t>(y)};
    }

    PointT<double> ToDouble() const
        requires std::is_same_v<T, int32_t>
    {
        return {ConvertCoordinate<double>(x), ConvertCoordinate<double>(y)};
    }

    PointT<float> ClampToFloat() const
        requires std::is_same_v<T, double>
    {
        return {ConvertCoordinate<float>(x), ConvertCoordinate<float>(y)};
    }

    void RoundInPlace()
        requires std::is_same_v<T, double>
    {
        x = detail::RoundWhole(x);
        y = detail::RoundWhole(y);
    }

    // This point moved by the offset rounded to whole units.
    PointT Offset(const PointT<double>& offset) const
        requires std::is_same_v<T, int32_t>
    {
        const PointT q = offset.Round();
        return {detail::NarrowCoordinate<T>(int64_t{x} + q.x), detail::NarrowCoordinate<T>(int64_t{y} + q.y)};
    }

    // Axis 0 is x; every other axis is y.
    T& operator[](int32_t axis) { return axis == 0 ? x : y; }
    const T& operator[](int32_t axis) const { return axis == 0 ? x : y; }
};

template <class T> struct RectT {
    static_assert(std::is_same_v<T, int32_t> || std::is_same_v<T, float> || std::is_same_v<T, double>);

    // (x, y) is the top-left corner; width and height may be negative until normalised.
    T x = 0;
    T y = 0;
    T width = 0;
    T height = 0;

    bool operator==(const RectT&) const = default;

    // Each field on its own, so the converted right edge can differ from x plus width.
    RectT<int32_t> Round() const
        requires std::is_floating_point_v<T>
    {
        return {ConvertCoordinate<int32_t>(x), ConvertCoordinate<int32_t>(y), ConvertCoordinate<int32_t>(width),
                ConvertCoordinate<int32_t>(height)};
    }

    RectT<double> ToDouble() const
        requires std::is_same_v<T, int32_t>
    {
        return {ConvertCoordinate<double>(x), ConvertCoordinate<double>(y), ConvertCoordinate<double>(width),
                ConvertCoordinate<double>(height)};
    }

    RectT<float> ToFloat() const
        requires std::is_same_v<T, int32_t>
    {
        return {ConvertCoordinate<float>(x), ConvertCoordinate<float>(y), ConvertCoordinate<float>(width),
                ConvertCoordinate<float>(height)};
    }

    // Rounds the edges, not the fields, so that adjoining rectangles stay adjoining.
    void RoundInPlace()
        requires std::is_same_v<T, double>
    {
        const double right = detail::RoundWhole(x + width);
        const double bottom = detail::RoundWhole(y + height);
        const double left = detail::RoundWhole(x);
        const double top = detail::RoundWhole(y);
        x = left;
        y = top;
        width = right - left;
        height = bottom - top;
    }

    // Makes the size non-negative, then snaps both edges of each axis down to whole numbers.
    void Normalize()
        requires std::is_same_v<T, double>
    {
        if (width < 0) {
            x += width;
            width = -width;
        }
        if (height < 0) {
            y += height;
            height = -height;
        }
        const double left = detail::SnapDown(x);
        const double top = detail::SnapDown(y);
        const double right = detail::SnapDown(x + width);
        const double bottom = detail::SnapDown(y + height);
        x = left;
        y = top;
        width = right - left;
        height = bottom - top;
    }

    // Writes the overlap even when there is none (a size of zero or below); true when it is
    // non-empty.
    static bool Intersect(RectT& result, const RectT& a, const RectT& b)
    {
        using W = detail::WideCoordinate<T>;
        const W left = std::max<W>(a.x, b.x);
        const W top = std::max<W>(a.y, b.y);
        const W right = std::min<W>(W(a.x) + a.width, W(b.x) + b.width);
        const W bottom = std::min<W>(W(a.y) + a.height, W(b.y) + b.height);
        return Store(result, left, top, right, bottom);
    }

    // The bounding rectangle; an empty input takes part with its position like any other.
    static bool Union(RectT& result, const RectT& a, const RectT& b)
    {
        using W = detail::WideCoordinate<T>;
        const W left = std::min<W>(a.x, b.x);
        const W top = std::min<W>(a.y, b.y);
        const W right = std::max<W>(W(a.x) + a.width, W(b.x) + b.width);
        const W bottom = std::max<W>(W(a.y) + a.height, W(b.y) + b.height);
        return Store(result, left, top, right, bottom);
    }

private:
    static bool Store(RectT& result, detail::WideCoordinate<T> left, detail::WideCoordinate<T> top,
                      detail::WideCoordinate<T> right, detail::WideCoordinate<T> bottom)
    {
        result = {detail::NarrowCoordinate<T>(left), detail::NarrowCoordinate<T>(top),
                  detail::NarrowCoordinate<T>(right - left), detail::NarrowCoordinate<T>(bottom - top)};
        return result.width > CoordinateLimits<T>::Epsilon && result.height > CoordinateLimits<T>::Epsilon;
    }
};

static_assert(sizeof(RectT<int32_t>) == 16 && sizeof(RectT<float>) == 16 && sizeof(RectT<double>) == 32);

} // namespace VQ
