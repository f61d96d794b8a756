#include "vqframework/storage/RectT.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace VQ {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kTwo52 = 4503599627370496.0;

struct ToIntegerCase {
    double value;
    int32_t expected;
};

const ToIntegerCase kToIntegerCases[] = {
    {2.5, 3},
    {-2.5, -3},
    {0.49999999999999994, 1},
    {-0.49999999999999994, -1},
    {0.4, 0},
    {-0.4, 0},
    {-0.5, -1},
    {1e10, 2147483647},
    {-1e10, -2147483647 - 1},
    {kNaN, -2147483647 - 1},
    {std::numeric_limits<double>::infinity(), 2147483647},
    {-std::numeric_limits<double>::infinity(), -2147483647 - 1},
    {2147483646.6, 2147483647},
    {-2147483648.4, -2147483647 - 1},
};

TEST(RectTTest, RoundsHalfAwayFromZeroAndClampsToInteger)
{
    for (const ToIntegerCase& c : kToIntegerCases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(PointT<double>({c.value, -1.5}).Round(), (PointT<int32_t>{c.expected, -2}));
        EXPECT_EQ(PointT<double>({7.5, c.value}).Round(), (PointT<int32_t>{8, c.expected}));
        EXPECT_EQ(RectT<double>({c.value, c.value, c.value, c.value}).Round(),
                  (RectT<int32_t>{c.expected, c.expected, c.expected, c.expected}));
    }
}

TEST(RectTTest, RoundsFloatThroughDouble)
{
    // 2^31 as a float equals the integer maximum converted to float, yet must clamp.
    EXPECT_EQ(PointT<float>({2147483648.0f, -2147483648.0f}).Round(), (PointT<int32_t>{2147483647, -2147483647 - 1}));
    EXPECT_EQ(PointT<float>({2.5f, -0.5f}).Round(), (PointT<int32_t>{3, -1}));
    EXPECT_EQ(PointT<float>({std::nanf(""), 1e20f}).Round(), (PointT<int32_t>{-2147483647 - 1, 2147483647}));
    EXPECT_EQ(RectT<float>({0.5f, -0.5f, 1e10f, -1e10f}).Round(), (RectT<int32_t>{1, -1, 2147483647, -2147483647 - 1}));
}

TEST(RectTTest, ClampsToFloatRange)
{
    struct Case {
        double value;
        float expected;
    };
    const Case cases[] = {
        {1e7, 8388608.0f},  {-1e7, -8388608.0f}, {0.1, 0.1f},         {kNaN, -8388608.0f},
        {8388608.0, 8388608.0f}, {-8388608.0, -8388608.0f}, {1.5, 1.5f}, {-0.0, -0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        const PointT<float> p = PointT<double>{c.value, c.value}.ClampToFloat();
        EXPECT_EQ(p.x, c.expected);
        EXPECT_EQ(p.y, c.expected);
    }
    EXPECT_EQ((RectT<int32_t>{2147483647, -2147483647 - 1, 8388609, 5}.ToFloat()),
              (RectT<float>{8388608.0f, -8388608.0f, 8388608.0f, 5.0f}));
}

TEST(RectTTest, ConvertsEveryIntegerToDoubleExactly)
{
    const int32_t values[] = {-2147483647 - 1, -1, 0, 1, 16777217, 2147483647};
    for (int32_t v : values) {
        SCOPED_TRACE(v);
        EXPECT_EQ((PointT<int32_t>{v, -(v / 2)}.ToDouble()), (PointT<double>{double(v), double(-(v / 2))}));
        EXPECT_EQ((RectT<int32_t>{v, v, v, v}.ToDouble()), (RectT<double>{double(v), double(v), double(v), double(v)}));
    }
}

TEST(RectTTest, DefaultValuesAreZero)
{
    EXPECT_EQ(PointT<double>{}, (PointT<double>{0, 0}));
    EXPECT_EQ(RectT<int32_t>{}, (RectT<int32_t>{0, 0, 0, 0}));
}

struct RoundCase {
    RectT<double> source;
    RectT<int32_t> rounded;
    RectT<double> roundedInPlace;
};

const RoundCase kRoundCases[] = {
    {{0.5, 0.5, 0.5, 0.5}, {1, 1, 1, 1}, {1, 1, 0, 0}},
    {{-1.5, -0.5, 1, 1}, {-2, -1, 1, 1}, {-2, -1, 1, 2}},
    {{0.4, 0.6, 9.5, 9.4}, {0, 1, 10, 9}, {0, 1, 10, 9}},
    {{1.2, 1.2, 1.2, 1.2}, {1, 1, 1, 1}, {1, 1, 1, 1}},
    {{-0.0, 2.5, 0, -5}, {0, 3, 0, -5}, {0, 3, 0, -6}},
    {{0.49999999999999994, 0, 0.5, 0}, {1, 0, 1, 0}, {1, 0, 0, 0}},
};

TEST(RectTTest, RoundConvertsFieldsWhileRoundInPlaceRoundsEdges)
{
    for (const RoundCase& c : kRoundCases) {
        SCOPED_TRACE(testing::Message() << c.source.x << "," << c.source.y << "," << c.source.width << ","
                                        << c.source.height);
        EXPECT_EQ(c.source.Round(), c.rounded);
        RectT<double> inPlace = c.source;
        inPlace.RoundInPlace();
        EXPECT_EQ(inPlace, c.roundedInPlace);
    }
}

TEST(RectTTest, PointRoundInPlaceStaysDouble)
{
    PointT<double> p{2.5, -2.5};
    p.RoundInPlace();
    EXPECT_EQ(p, (PointT<double>{3, -3}));
    p = {0.49999999999999994, -0.0};
    p.RoundInPlace();
    EXPECT_EQ(p, (PointT<double>{1, 0}));
}

TEST(RectTTest, RoundInPlaceLeavesWholeNumbersBeyondFractionsAlone)
{
    // 2^52 + 1 is odd: adding a half there would round up to the next even number.
    PointT<double> p{kTwo52 + 1, -(kTwo52 + 1)};
    p.RoundInPlace();
    EXPECT_EQ(p, (PointT<double>{kTwo52 + 1, -(kTwo52 + 1)}));
    p = {kNaN, 1e300};
    p.RoundInPlace();
    EXPECT_TRUE(std::isnan(p.x));
    EXPECT_EQ(p.y, 1e300);
}

struct NormalizeCase {
    RectT<double> source;
    RectT<double> expected;
};

const NormalizeCase kNormalizeCases[] = {
    {{0.5, 0.5, 1, 1}, {0, 0, 1, 1}},
    {{3, 3, -2, -2}, {1, 1, 2, 2}},
    {{-0.5, 0, 1, 1}, {-1, 0, 1, 1}},
    {{2.9999999999999996, 0, 1, 1}, {3, 0, 1, 1}},
    {{10.5, 0, 27.2, 14}, {10, 0, 27, 14}},
    {{50, 0, -20, 10}, {30, 0, 20, 10}},
    {{-1, -2, 0, 0}, {-1, -2, 0, 0}},
    {{-0.9999999999999999, 0, 0.4, 1.5}, {-1, 0, 0, 1}},
    {{-1.0000000000000002, 0, 1, 1}, {-2, 0, 1, 1}},
    {{0, 0, 0.9999999999999999, 1.9999999999999998}, {0, 0, 1, 2}},
    {{0, 0, 0.9999999999999997, 1}, {0, 0, 0, 1}},
    {{kTwo52, -kTwo52, 1, 0}, {kTwo52, -kTwo52, 1, 0}},
};

TEST(RectTTest, NormalizeSnapsEdgesDown)
{
    for (const NormalizeCase& c : kNormalizeCases) {
        SCOPED_TRACE(testing::Message() << std::hexfloat << c.source.x << "," << c.source.y << ","
                                        << c.source.width << "," << c.source.height);
        RectT<double> r = c.source;
        r.Normalize();
        EXPECT_EQ(r, c.expected);
    }
}

TEST(RectTTest, IntersectWritesResultEvenWhenDisjoint)
{
    struct Case {
        RectT<int32_t> a, b, expected;
        bool nonEmpty;
    };
    const Case cases[] = {
        {{0, 0, 10, 10}, {20, 20, 5, 5}, {20, 20, -10, -10}, false},
        {{0, 0, 10, 10}, {10, 0, 5, 5}, {10, 0, 0, 5}, false},
        {{0, 0, 10, 10}, {5, 5, 10, 10}, {5, 5, 5, 5}, true},
        {{0, 0, 10, 10}, {2, 3, 1, 1}, {2, 3, 1, 1}, true},
        {{0, 0, 10, 10}, {0, 9, 10, 10}, {0, 9, 10, 1}, true},
        // Edges past the 32-bit range are formed wider, not wrapped.
        {{2147483600, 0, 100, 10}, {2147483000, 0, 2000, 10}, {2147483600, 0, 100, 10}, true},
        {{-2147483647 - 1, 0, -10, 1}, {-2147483647 - 1, 0, 5, 1}, {-2147483647 - 1, 0, -10, 1}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.b.x << "," << c.b.y << "," << c.b.width << "," << c.b.height);
        RectT<int32_t> result{1, 2, 3, 4};
        EXPECT_EQ(RectT<int32_t>::Intersect(result, c.a, c.b), c.nonEmpty);
        EXPECT_EQ(result, c.expected);
        EXPECT_EQ(RectT<int32_t>::Intersect(result, c.b, c.a), c.nonEmpty);
        EXPECT_EQ(result, c.expected);
    }
}

TEST(RectTTest, IntersectOfDoublesNeedsMoreThanEpsilon)
{
    RectT<double> result;
    EXPECT_FALSE(RectT<double>::Intersect(result, {0, 0, 1, 1}, {1 - 1e-17, 0, 1, 1}));
    EXPECT_TRUE(RectT<double>::Intersect(result, {0, 0, 1, 1}, {0.5, 0.25, 1, 1}));
    EXPECT_EQ(result, (RectT<double>{0.5, 0.25, 0.5, 0.75}));
    EXPECT_FALSE(RectT<double>::Intersect(result, {0, 0, 1, 1}, {0, 1 - 0x1p-52, 1, 1}));
    EXPECT_TRUE(RectT<double>::Intersect(result, {0, 0, 1, 1}, {0, 1 - 0x1p-51, 1, 1}));
}

TEST(RectTTest, UnionIncludesEmptyInputs)
{
    struct Case {
        RectT<float> a, b, expected;
        bool nonEmpty;
    };
    const Case cases[] = {
        {{0, 0, 0, 0}, {5, 5, 1, 1}, {0, 0, 6, 6}, true},
        {{1, 2, 3, 4}, {2, 3, 1, 1}, {1, 2, 3, 4}, true},
        {{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, false},
        {{0, 0, 10, 0x1p-23f}, {0, 0, 1, 0}, {0, 0, 10, 0x1p-23f}, false},
        {{0, 0, 10, 0x1p-22f}, {0, 0, 1, 0}, {0, 0, 10, 0x1p-22f}, true},
        {{0, 0, -5, -5}, {-2, -2, 0, 0}, {-2, -2, 0, 0}, false},
        {{0, 0, -5, -5}, {-2, -2, 3, 3}, {-2, -2, 3, 3}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.a.x << "," << c.a.y << "," << c.a.width << "," << c.a.height);
        RectT<float> result{9, 9, 9, 9};
        EXPECT_EQ(RectT<float>::Union(result, c.a, c.b), c.nonEmpty);
        EXPECT_EQ(result, c.expected);
    }
}

TEST(RectTTest, OffsetAddsRoundedPoint)
{
    const PointT<int32_t> p{10, -10};
    EXPECT_EQ(p.Offset({2.5, -2.5}), (PointT<int32_t>{13, -13}));
    EXPECT_EQ(p.Offset({0.4, kNaN}), (PointT<int32_t>{10, -2147483647 - 1}));
    EXPECT_EQ((PointT<int32_t>{2147483647, -2147483647 - 1}.Offset({1, -1})),
              (PointT<int32_t>{2147483647, -2147483647 - 1}));
}

TEST(RectTTest, AxisZeroIsXAndEveryOtherAxisIsY)
{
    PointT<double> p{1.5, 2.5};
    EXPECT_EQ(p[0], 1.5);
    EXPECT_EQ(p[1], 2.5);
    EXPECT_EQ(p[5], 2.5);
    EXPECT_EQ(p[-1], 2.5);
    p[0] = 7;
    p[3] = 8;
    EXPECT_EQ(p, (PointT<double>{7, 8}));
}

} // namespace
} // namespace VQ
