#include "vqframework/graphics/RectRegion.h"
#include "vqframework/storage/Array.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <ostream>
#include <random>
#include <tuple>
#include <vector>

namespace VQ {

void PrintTo(const RectT<int32_t>& r, std::ostream* out)
{
    *out << "(" << r.x << ", " << r.y << ", " << r.x + r.width << ", " << r.y + r.height << ")";
}

namespace {

using Rect = RectT<int32_t>;
using ::testing::ElementsAre;
using ::testing::UnorderedElementsAreArray;

// Edges form, as the region takes them.
struct Edges {
    int32_t left, top, right, bottom;
};

Rect FromEdges(const Edges& e)
{
    return {e.left, e.top, e.right - e.left, e.bottom - e.top};
}

std::vector<Rect> RectsOf(const RectRegion& region)
{
    Array<Rect> rects;
    region.GetRects(rects);
    std::vector<Rect> result;
    for (uint32_t i = 0; i < rects.GetCount(); ++i)
        result.push_back(rects.GetAt(i));
    return result;
}

int64_t AreaOf(const RectRegion& region)
{
    int64_t area = 0;
    for (const Rect& r : RectsOf(region))
        area += int64_t{r.width} * r.height;
    return area;
}

void AddAll(RectRegion& region, const std::vector<Edges>& rects)
{
    for (const Edges& e : rects)
        region.AddRect(e.left, e.top, e.right, e.bottom);
}

bool Overlap(const Rect& a, const Rect& b)
{
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

// Every region test ends with as many pool nodes alive as it began with: a node a region loses or
// frees twice shows here.
class RectRegionTest : public ::testing::Test {
protected:
    void SetUp() override { m_liveBefore = RectNodePool::Get().GetLiveCount(); }
    void TearDown() override { EXPECT_EQ(RectNodePool::Get().GetLiveCount(), m_liveBefore); }

private:
    uint32_t m_liveBefore = 0;
};

TEST_F(RectRegionTest, AddRectKeepsNewRectWholeAndCutsOlderNodesAroundIt)
{
    RectRegion region;
    region.AddRect(0, 0, 10, 10);
    region.AddRect(5, 5, 15, 15);
    EXPECT_THAT(RectsOf(region), ElementsAre(Rect{5, 5, 10, 10}, Rect{0, 5, 5, 5}, Rect{0, 0, 10, 5}));
    EXPECT_EQ(AreaOf(region), 175);
    EXPECT_EQ(region.GetCount(), 3u);
}

TEST_F(RectRegionTest, AddingSameRectTwiceLeavesOneNode)
{
    RectRegion region;
    region.AddRect(2, 3, 12, 13);
    region.AddRect(2, 3, 12, 13);
    EXPECT_THAT(RectsOf(region), ElementsAre(Rect{2, 3, 10, 10}));
}

TEST_F(RectRegionTest, AddRectIgnoresEmptyRects)
{
    RectRegion region;
    region.AddRect(0, 0, 10, 10);
    region.AddRect(5, 5, 5, 20);
    region.AddRect(5, 5, 20, 5);
    region.AddRect(8, 8, 2, 2);
    region.AddRect(RectT<double>{5, 5, 0, 20});
    EXPECT_THAT(RectsOf(region), ElementsAre(Rect{0, 0, 10, 10}));
}

TEST_F(RectRegionTest, GetBoundsOfEmptyRegionIsFalseWithZeroEdges)
{
    RectRegion region;
    int32_t left = 7, top = 7, right = 7, bottom = 7;
    EXPECT_FALSE(region.GetBounds(left, top, right, bottom));
    EXPECT_EQ(std::tie(left, top, right, bottom), std::make_tuple(0, 0, 0, 0));
    EXPECT_EQ(region.GetCount(), 0u);

    region.AddRect(-5, 3, 2, 8);
    region.AddRect(10, -4, 12, 1);
    EXPECT_TRUE(region.GetBounds(left, top, right, bottom));
    EXPECT_EQ(std::tie(left, top, right, bottom), std::make_tuple(-5, -4, 12, 8));
}

TEST_F(RectRegionTest, GetRectsReplacesArrayContent)
{
    RectRegion region;
    region.AddRect(1, 2, 4, 8);
    Array<Rect> rects;
    rects.Add({9, 9, 9, 9});
    rects.Add({8, 8, 8, 8});
    region.GetRects(rects);
    ASSERT_EQ(rects.GetCount(), 1u);
    EXPECT_EQ(rects.GetAt(0u), (Rect{1, 2, 3, 6}));
    RectRegion().GetRects(rects);
    EXPECT_EQ(rects.GetCount(), 0u);
}

TEST_F(RectRegionTest, AppendPrependsCopiesInOtherRegionsOrder)
{
    RectRegion region;
    region.AddRect(0, 0, 1, 1);
    RectRegion other;
    other.AddRect(10, 0, 11, 1);
    other.AddRect(20, 0, 21, 1);
    region.Append(other);
    EXPECT_THAT(RectsOf(region), ElementsAre(Rect{10, 0, 1, 1}, Rect{20, 0, 1, 1}, Rect{0, 0, 1, 1}));
    EXPECT_THAT(RectsOf(other), ElementsAre(Rect{20, 0, 1, 1}, Rect{10, 0, 1, 1}));

    region.Append(region);
    EXPECT_EQ(region.GetCount(), 6u) << "appending a region to itself copies each node once";
}

TEST_F(RectRegionTest, SubtractRectCollectsTheRemovedOverlap)
{
    RectRegion region;
    region.AddRect(0, 0, 10, 10);
    region.AddRect(20, 0, 30, 10);
    RectRegion removed;
    region.SubtractRect(5, -5, 25, 5, &removed);
    EXPECT_THAT(RectsOf(removed), UnorderedElementsAreArray({Rect{5, 0, 5, 5}, Rect{20, 0, 5, 5}}));
    EXPECT_EQ(AreaOf(region), 200 - 50);
    EXPECT_FALSE(region.Intersects(5, 0, 25, 5));
}

TEST_F(RectRegionTest, SubtractingEmptyRectChangesNothing)
{
    RectRegion region;
    region.AddRect(0, 0, 10, 10);
    RectRegion removed;
    region.SubtractRect(5, 5, 5, 5, &removed);
    region.SubtractRect(8, 8, 2, 2, &removed);
    EXPECT_THAT(RectsOf(region), ElementsAre(Rect{0, 0, 10, 10}));
    EXPECT_EQ(removed.GetCount(), 0u);
}

TEST_F(RectRegionTest, SubtractingRegionFromItselfEmptiesIt)
{
    RectRegion region;
    region.AddRect(0, 0, 10, 10);
    region.AddRect(5, 5, 15, 15);
    RectRegion removed;
    region.Subtract(region, &removed);
    EXPECT_EQ(region.GetCount(), 0u);
    EXPECT_EQ(AreaOf(removed), 175);

    removed.Subtract(removed);
    EXPECT_EQ(removed.GetCount(), 0u);
}

TEST_F(RectRegionTest, IntersectKeepsOnlyTheCommonArea)
{
    RectRegion region;
    region.AddRect(0, 0, 10, 10);

    RectRegion covering;
    covering.AddRect(-5, -5, 5, 20);
    covering.AddRect(5, -5, 20, 20);
    RectRegion copy;
    copy.Append(region);
    copy.Intersect(covering);
    EXPECT_EQ(AreaOf(copy), 100);

    RectRegion partial;
    partial.AddRect(5, 5, 20, 20);
    copy.Intersect(partial);
    EXPECT_THAT(RectsOf(copy), ElementsAre(Rect{5, 5, 5, 5}));

    region.Intersect(region);
    EXPECT_THAT(RectsOf(region), ElementsAre(Rect{0, 0, 10, 10}));

    region.Intersect(RectRegion());
    EXPECT_EQ(region.GetCount(), 0u);
}

TEST_F(RectRegionTest, IntersectsOnlyOverlapNotTouch)
{
    RectRegion region;
    EXPECT_FALSE(region.Intersects(0, 0, 100, 100));
    region.AddRect(10, 10, 20, 20);
    EXPECT_FALSE(region.Intersects(0, 10, 10, 20)) << "left neighbour";
    EXPECT_FALSE(region.Intersects(20, 10, 30, 20)) << "right neighbour";
    EXPECT_FALSE(region.Intersects(10, 0, 20, 10)) << "upper neighbour";
    EXPECT_FALSE(region.Intersects(10, 20, 20, 30)) << "lower neighbour";
    EXPECT_FALSE(region.Intersects(15, 15, 15, 15)) << "an empty rectangle inside";
    EXPECT_TRUE(region.Intersects(19, 19, 21, 21));
    EXPECT_TRUE(region.Intersects(0, 0, 100, 100));
}

struct DoubleAddCase {
    RectT<double> rect;
    Rect expected;
};

TEST_F(RectRegionTest, AddRectOfDoublesRoundsPositionAndSizeSeparately)
{
    const double inf = std::numeric_limits<double>::infinity();
    const DoubleAddCase cases[] = {
        {{0.4, 0.6, 9.5, 9.4}, {0, 1, 10, 9}},
        {{-1.6, -0.6, 2.4, 2.5}, {-1, 0, 2, 3}},
        {{0.5, 1.49, 0.5, 1.5}, {1, 1, 1, 2}},
        {{1e12, 0, 10, 10}, {2147483647, 0, 0, 0}},
        {{0, -1e12, inf, 10}, {0, -2147483647 - 1, 2147483647, 10}},
    };
    for (const DoubleAddCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.rect.x << ", " << c.rect.y << ", " << c.rect.width << ", " << c.rect.height);
        RectRegion region;
        region.AddRect(c.rect);
        if (c.expected.width == 0)
            EXPECT_EQ(region.GetCount(), 0u);
        else
            EXPECT_THAT(RectsOf(region), ElementsAre(c.expected));
    }
}

TEST_F(RectRegionTest, AddRectOfDoublesIgnoresNaN)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    RectRegion region;
    region.AddRect(RectT<double>{nan, 0, 10, 10});
    region.AddRect(RectT<double>{0, 0, 10, nan});
    EXPECT_EQ(region.GetCount(), 0u);
}

struct DoubleIntersectsCase {
    const char* what;
    RectT<double> rect;
    PointT<double> offset;
    bool expected;
};

TEST_F(RectRegionTest, IntersectsOfDoublesClampsRoundsAndIgnoresSlivers)
{
    const double tiny = std::ldexp(1.0, -53);
    const double small = std::ldexp(1.0, -51);
    const DoubleIntersectsCase cases[] = {
        {"right edge rounds down to touch", {0, 0, 10.4, 10.4}, {}, false},
        {"right edge rounds half up into the node", {0, 0, 10.5, 10.5}, {}, true},
        {"left edge rounds half up to touch", {19.5, 12, 5, 5}, {}, false},
        {"left edge rounds down into the node", {19.49, 12, 5, 5}, {}, true},
        {"offset moves it onto the node", {0, 0, 5, 5}, {8, 8}, true},
        {"offset moves it off the node", {12, 12, 5, 5}, {-10, -10}, false},
        {"negative part is clamped away", {-100, -100, 95, 95}, {}, false},
        {"sliver of 2^-53 is empty though it rounds to a pixel", {0.5 - tiny, 30, tiny, 5}, {}, false},
        {"sliver of 2^-51 counts", {0.5 - small, 30, small, 5}, {}, true},
        {"huge size is clamped", {0, 0, 1e300, 1e300}, {}, true},
        {"NaN is empty", {std::nan(""), 0, 10, 10}, {}, false},
    };
    RectRegion region;
    region.AddRect(10, 10, 20, 20);
    region.AddRect(0, 30, 1, 35);
    region.AddRect(-10, -10, -5, -5);
    for (const DoubleIntersectsCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(region.Intersects(c.rect, c.offset), c.expected);
    }
}

TEST_F(RectRegionTest, OffsetMovesEveryNode)
{
    RectRegion region;
    region.AddRect(0, 0, 10, 10);
    region.AddRect(5, 5, 15, 15);
    const std::vector<Rect> before = RectsOf(region);
    region.Offset(0, 0);
    EXPECT_EQ(RectsOf(region), before);

    region.Offset(3, -2);
    EXPECT_THAT(RectsOf(region), ElementsAre(Rect{8, 3, 10, 10}, Rect{3, 3, 5, 5}, Rect{3, -2, 10, 5}));
}

TEST_F(RectRegionTest, OffsetClampsAtTheRangeAndDropsCollapsedNodes)
{
    const int32_t max = std::numeric_limits<int32_t>::max();
    RectRegion region;
    region.AddRect(0, 0, 10, 10);
    region.AddRect(max - 20, 0, max - 10, 10);
    region.Offset(max - 5, 0);
    EXPECT_THAT(RectsOf(region), ElementsAre(Rect{max - 5, 0, 5, 10}));
}

struct NormalizeCase {
    const char* what;
    std::vector<Edges> added;
    std::vector<Edges> expected;
};

TEST_F(RectRegionTest, NormalizeMergesIntoBands)
{
    const NormalizeCase cases[] = {
        {"horizontal neighbours", {{0, 0, 10, 10}, {10, 0, 20, 10}}, {{0, 0, 20, 10}}},
        {"vertical neighbours", {{0, 0, 10, 10}, {0, 10, 10, 20}}, {{0, 0, 10, 20}}},
        {"column added bottom first", {{0, 20, 10, 30}, {0, 10, 10, 20}, {0, 0, 10, 10}}, {{0, 0, 10, 30}}},
        {"bands out of order", {{20, 0, 30, 10}, {10, 0, 20, 10}, {0, 0, 10, 10}}, {{0, 0, 30, 10}}},
        {"plus sign", {{0, 0, 10, 20}, {10, 5, 20, 15}}, {{0, 0, 10, 5}, {0, 5, 20, 15}, {0, 15, 10, 20}}},
        {"two columns",
         {{0, 0, 10, 10}, {20, 10, 30, 20}, {0, 10, 10, 20}, {20, 0, 30, 10}},
         {{0, 0, 10, 20}, {20, 0, 30, 20}}},
        {"staggered", {{0, 0, 10, 10}, {5, 5, 15, 15}}, {{0, 0, 10, 5}, {0, 5, 15, 10}, {5, 10, 15, 15}}},
        {"empty", {}, {}},
    };
    for (const NormalizeCase& c : cases) {
        SCOPED_TRACE(c.what);
        RectRegion region;
        AddAll(region, c.added);
        region.Normalize();
        std::vector<Rect> expected;
        for (const Edges& e : c.expected)
            expected.push_back(FromEdges(e));
        EXPECT_THAT(RectsOf(region), UnorderedElementsAreArray(expected));
    }
}

// A plain pixel model of the plane the randomised test works in, with room around it for offsets.
class PixelModel {
public:
    static constexpr int32_t Low = -40;
    static constexpr int32_t High = 104;

    bool Get(int32_t x, int32_t y) const { return m_pixels[Index(x, y)]; }
    void Fill(const Edges& e, bool value)
    {
        for (int32_t y = e.top; y < e.bottom; ++y)
            for (int32_t x = e.left; x < e.right; ++x)
                m_pixels[Index(x, y)] = value;
    }
    void Keep(const PixelModel& mask)
    {
        for (size_t i = 0; i < m_pixels.size(); ++i)
            m_pixels[i] = m_pixels[i] && mask.m_pixels[i];
    }
    void Remove(const PixelModel& mask)
    {
        for (size_t i = 0; i < m_pixels.size(); ++i)
            m_pixels[i] = m_pixels[i] && !mask.m_pixels[i];
    }
    void Include(const PixelModel& other)
    {
        for (size_t i = 0; i < m_pixels.size(); ++i)
            m_pixels[i] = m_pixels[i] || other.m_pixels[i];
    }
    void Shift(int32_t dx, int32_t dy)
    {
        PixelModel moved;
        for (int32_t y = Low; y < High; ++y)
            for (int32_t x = Low; x < High; ++x)
                if (Get(x, y))
                    moved.m_pixels[Index(x + dx, y + dy)] = true;
        *this = moved;
    }

private:
    static constexpr int32_t Side = High - Low;
    static size_t Index(int32_t x, int32_t y) { return static_cast<size_t>((y - Low) * Side + (x - Low)); }

    std::vector<uint8_t> m_pixels = std::vector<uint8_t>(Side * Side);
};

// No two nodes overlap, every node is non-empty and inside the model's plane, and together they
// cover exactly the model's pixels.
::testing::AssertionResult CoversExactly(const RectRegion& region, const PixelModel& model)
{
    const std::vector<Rect> rects = RectsOf(region);
    PixelModel covered;
    for (size_t i = 0; i < rects.size(); ++i) {
        const Rect& r = rects[i];
        if (r.width <= 0 || r.height <= 0 || r.x < PixelModel::Low || r.y < PixelModel::Low ||
            r.x + r.width > PixelModel::High || r.y + r.height > PixelModel::High)
            return ::testing::AssertionFailure() << "bad node " << ::testing::PrintToString(r);
        for (size_t j = i + 1; j < rects.size(); ++j)
            if (Overlap(r, rects[j]))
                return ::testing::AssertionFailure() << "overlapping nodes " << ::testing::PrintToString(r) << " and "
                                                     << ::testing::PrintToString(rects[j]);
        covered.Fill({r.x, r.y, r.x + r.width, r.y + r.height}, true);
    }
    for (int32_t y = PixelModel::Low; y < PixelModel::High; ++y)
        for (int32_t x = PixelModel::Low; x < PixelModel::High; ++x)
            if (covered.Get(x, y) != model.Get(x, y))
                return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is "
                                                     << (covered.Get(x, y) ? "covered" : "missing");
    return ::testing::AssertionSuccess();
}

// Normalised: within every row each run of covered pixels is one node (nodes that share a row do
// not touch), and no node sits on one of the same span. Bands of equal top and bottom hold only
// until equal spans are joined across them, so they are not asked for here.
::testing::AssertionResult IsNormalized(const RectRegion& region)
{
    const std::vector<Rect> rects = RectsOf(region);
    for (const Rect& a : rects) {
        for (const Rect& b : rects) {
            const bool sharedRow = a.y < b.y + b.height && b.y < a.y + a.height;
            if (sharedRow && a.x + a.width == b.x)
                return ::testing::AssertionFailure() << "touching in a row: " << ::testing::PrintToString(a) << " and "
                                                     << ::testing::PrintToString(b);
            if (a.y + a.height == b.y && a.x == b.x && a.width == b.width)
                return ::testing::AssertionFailure() << "equal spans not joined: " << ::testing::PrintToString(a)
                                                     << " and " << ::testing::PrintToString(b);
        }
    }
    return ::testing::AssertionSuccess();
}

class RandomPlane {
public:
    explicit RandomPlane(uint32_t seed) : m_random(seed) {}

    int32_t Between(int32_t low, int32_t high) { return low + static_cast<int32_t>(m_random() % uint32_t(high - low + 1)); }

    // Mostly small rectangles in 0..64, now and then an empty one.
    Edges NextRect()
    {
        const int32_t left = Between(0, 63);
        const int32_t top = Between(0, 63);
        if (Between(0, 19) == 0)
            return {left, top, left + Between(-3, 0), top + Between(0, 5)};
        return {left, top, std::min(64, left + Between(1, 20)), std::min(64, top + Between(1, 20))};
    }

    void Build(RectRegion& region, PixelModel& model, int32_t count)
    {
        for (int32_t i = 0; i < count; ++i) {
            const Edges e = NextRect();
            region.AddRect(e.left, e.top, e.right, e.bottom);
            if (e.left < e.right && e.top < e.bottom)
                model.Fill(e, true);
        }
    }

private:
    std::mt19937 m_random;
};

TEST_F(RectRegionTest, RandomOperationsMatchPixelModel)
{
    RandomPlane random(5102);
    RectRegion region;
    PixelModel model;
    for (int step = 0; step < 3000; ++step) {
        const int op = random.Between(0, 9);
        SCOPED_TRACE(::testing::Message() << "step " << step << ", operation " << op);
        switch (op) {
        case 0:
        case 1:
        case 2: {
            const Edges e = random.NextRect();
            region.AddRect(e.left, e.top, e.right, e.bottom);
            if (e.left < e.right && e.top < e.bottom)
                model.Fill(e, true);
            break;
        }
        case 3: {
            const Edges e = random.NextRect();
            PixelModel removedModel = model;
            PixelModel mask;
            if (e.left < e.right && e.top < e.bottom)
                mask.Fill(e, true);
            removedModel.Keep(mask);
            model.Remove(mask);
            RectRegion removed;
            region.SubtractRect(e.left, e.top, e.right, e.bottom, &removed);
            ASSERT_TRUE(CoversExactly(removed, removedModel));
            break;
        }
        case 4: {
            RectRegion other;
            PixelModel mask;
            random.Build(other, mask, random.Between(0, 4));
            PixelModel removedModel = model;
            removedModel.Keep(mask);
            model.Remove(mask);
            RectRegion removed;
            const bool collect = random.Between(0, 1) == 1;
            region.Subtract(other, collect ? &removed : nullptr);
            if (collect) {
                ASSERT_TRUE(CoversExactly(removed, removedModel));
            }
            break;
        }
        case 5: {
            RectRegion other;
            PixelModel mask;
            random.Build(other, mask, random.Between(0, 8));
            // Now and then a wide band as well, so that the region does not shrink to nothing at once.
            if (random.Between(0, 1)) {
                const Edges band{0, random.Between(0, 32), 64, random.Between(33, 64)};
                other.AddRect(band.left, band.top, band.right, band.bottom);
                mask.Fill(band, true);
            }
            region.Intersect(other);
            model.Keep(mask);
            break;
        }
        case 6:
            region.Normalize();
            ASSERT_TRUE(IsNormalized(region));
            break;
        case 7: {
            int32_t left, top, right, bottom;
            region.GetBounds(left, top, right, bottom);
            const int32_t dx = random.Between(std::max(-4, -32 - left), std::min(4, 96 - right));
            const int32_t dy = random.Between(std::max(-4, -32 - top), std::min(4, 96 - bottom));
            region.Offset(dx, dy);
            model.Shift(dx, dy);
            break;
        }
        case 8: {
            RectRegion other;
            PixelModel added;
            random.Build(other, added, random.Between(1, 4));
            other.Subtract(region);
            added.Remove(model);
            region.Append(other);
            model.Include(added);
            break;
        }
        case 9: {
            const RectT<double> rect{random.Between(0, 630) / 10.0, random.Between(0, 630) / 10.0,
                                     random.Between(0, 150) / 10.0, random.Between(0, 150) / 10.0};
            region.AddRect(rect);
            const int32_t left = static_cast<int32_t>(rect.x + 0.5);
            const int32_t top = static_cast<int32_t>(rect.y + 0.5);
            model.Fill({left, top, left + static_cast<int32_t>(rect.width + 0.5), top + static_cast<int32_t>(rect.height + 0.5)},
                       true);
            break;
        }
        }
        ASSERT_TRUE(CoversExactly(region, model));
    }
}

} // namespace
} // namespace VQ
