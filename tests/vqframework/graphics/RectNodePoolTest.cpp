#include "vqframework/graphics/RectNodePool.h"
#include "vqframework/graphics/RectRegion.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <thread>
#include <vector>

namespace VQ {
namespace {

// The pool is shared by the whole process, so the tests compare counts with those they began with.

TEST(RectNodePoolTest, AllocGivesZeroedNodeAndCountsIt)
{
    RectNodePool& pool = RectNodePool::Get();
    const uint32_t live = pool.GetLiveCount();
    RectNode* first = pool.Alloc();
    *first = RectNode{1, 2, 3, 4, first};
    pool.Free(first);
    EXPECT_EQ(pool.GetLiveCount(), live);

    RectNode* node = pool.Alloc();
    EXPECT_EQ(pool.GetLiveCount(), live + 1);
    EXPECT_GE(pool.GetPeakCount(), live + 1);
    EXPECT_TRUE(pool.IsInBlock(node));
    EXPECT_EQ(node->left, 0);
    EXPECT_EQ(node->top, 0);
    EXPECT_EQ(node->right, 0);
    EXPECT_EQ(node->bottom, 0);
    EXPECT_EQ(node->next, nullptr);
    pool.Free(node);
    pool.Free(nullptr);
    EXPECT_EQ(pool.GetLiveCount(), live);
}

// Fills the block, then looks at what the pool gives beyond it and after it.
TEST(RectNodePoolTest, BlockSpillsToHeapAndReusesSlotsFirstInFirstOut)
{
    RectNodePool& pool = RectNodePool::Get();
    ASSERT_EQ(pool.GetLiveCount(), 0u) << "another test left nodes alive";
    std::vector<RectNode*> nodes;
    for (uint32_t i = 0; i < RectNodePool::BlockCapacity; ++i) {
        nodes.push_back(pool.Alloc());
        ASSERT_TRUE(pool.IsInBlock(nodes.back())) << "node " << i + 1;
    }
    RectNode* spilled = pool.Alloc();
    EXPECT_FALSE(pool.IsInBlock(spilled)) << "the 513th live node comes from the heap";
    EXPECT_EQ(pool.GetLiveCount(), 513u);
    EXPECT_GE(pool.GetPeakCount(), 513u);

    // Deleted, not queued: with the block still full the next node is from the heap again.
    pool.Free(spilled);
    EXPECT_EQ(pool.GetLiveCount(), 512u);
    spilled = pool.Alloc();
    EXPECT_FALSE(pool.IsInBlock(spilled));
    pool.Free(spilled);

    pool.Free(nodes[7]);
    pool.Free(nodes[3]);
    EXPECT_EQ(pool.Alloc(), nodes[7]);
    EXPECT_EQ(pool.Alloc(), nodes[3]);

    for (RectNode* node : nodes)
        pool.Free(node);
    EXPECT_EQ(pool.GetLiveCount(), 0u);
}

TEST(RectNodePoolTest, PeakCountFollowsHighestLiveCount)
{
    RectNodePool& pool = RectNodePool::Get();
    const uint32_t peak = pool.GetPeakCount();
    std::vector<RectNode*> nodes;
    while (pool.GetLiveCount() <= peak)
        nodes.push_back(pool.Alloc());
    EXPECT_EQ(pool.GetPeakCount(), peak + 1);
    for (RectNode* node : nodes)
        pool.Free(node);
    EXPECT_EQ(pool.GetPeakCount(), peak + 1);
}

// Two painting threads build, cut and drop regions at once, each past the block now and then.
TEST(RectNodePoolTest, TwoThreadsShareThePool)
{
    RectNodePool& pool = RectNodePool::Get();
    const uint32_t live = pool.GetLiveCount();
    auto paint = [](int32_t shift) {
        for (int round = 0; round < 300; ++round) {
            RectRegion region;
            for (int32_t i = 0; i < 24; ++i)
                region.AddRect(i * 3 + shift, i, i * 3 + shift + 17, i + 9);
            RectRegion clip;
            clip.AddRect(10, 5, 50, 20);
            region.Intersect(clip);
            region.Normalize();
            if (round % 50 == 0) {
                RectRegion wide;
                for (int32_t i = 0; i < 600; ++i)
                    wide.AddRect(i * 2, 0, i * 2 + 1, 1);
            }
        }
    };
    std::thread first(paint, 0);
    std::thread second(paint, 1);
    first.join();
    second.join();
    EXPECT_EQ(pool.GetLiveCount(), live);
    EXPECT_GE(pool.GetPeakCount(), 600u);
}

} // namespace
} // namespace VQ
