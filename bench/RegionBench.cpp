#include "vqframework/graphics/RectNodePool.h"
#include "vqframework/graphics/RectRegion.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

// state.range(0) rectangles of up to 64 pixels a side, scattered over a 1024-pixel square.
void AddRandomRects(VQ::RectRegion& region, int64_t count, uint32_t seed)
{
    std::mt19937 random(seed);
    for (int64_t i = 0; i < count; ++i) {
        const auto left = static_cast<int32_t>(random() % 1024);
        const auto top = static_cast<int32_t>(random() % 1024);
        region.AddRect(left, top, left + 1 + static_cast<int32_t>(random() % 64),
                       top + 1 + static_cast<int32_t>(random() % 64));
    }
}

void BM_AddRects(benchmark::State& state)
{
    for (auto _ : state) {
        VQ::RectRegion region;
        AddRandomRects(region, state.range(0), 1);
        benchmark::DoNotOptimize(region.GetCount());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_AddRects)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_Normalize(benchmark::State& state)
{
    VQ::RectRegion source;
    AddRandomRects(source, state.range(0), 1);
    state.counters["nodes_before"] = static_cast<double>(source.GetCount());
    for (auto _ : state) {
        state.PauseTiming();
        VQ::RectRegion region;
        region.Append(source);
        state.ResumeTiming();
        region.Normalize();
        benchmark::DoNotOptimize(region.GetCount());
        state.counters["nodes_after"] = static_cast<double>(region.GetCount());
        state.PauseTiming();
        region.Clear();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Normalize)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_Intersect(benchmark::State& state)
{
    VQ::RectRegion first;
    VQ::RectRegion second;
    AddRandomRects(first, state.range(0), 1);
    AddRandomRects(second, state.range(0), 2);
    for (auto _ : state) {
        state.PauseTiming();
        VQ::RectRegion region;
        region.Append(first);
        state.ResumeTiming();
        region.Intersect(second);
        benchmark::DoNotOptimize(region.GetCount());
        state.PauseTiming();
        region.Clear();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Intersect)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_Subtract(benchmark::State& state)
{
    VQ::RectRegion first;
    VQ::RectRegion second;
    AddRandomRects(first, state.range(0), 1);
    AddRandomRects(second, state.range(0), 2);
    for (auto _ : state) {
        state.PauseTiming();
        VQ::RectRegion region;
        region.Append(first);
        state.ResumeTiming();
        region.Subtract(second);
        benchmark::DoNotOptimize(region.GetCount());
        state.PauseTiming();
        region.Clear();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Subtract)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

// state.range(0) nodes taken and returned: within the block up to 512, spilling to the heap beyond.
void BM_PoolAllocFree(benchmark::State& state)
{
    VQ::RectNodePool& pool = VQ::RectNodePool::Get();
    std::vector<VQ::RectNode*> nodes(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        for (VQ::RectNode*& node : nodes)
            node = pool.Alloc();
        for (VQ::RectNode* node : nodes)
            pool.Free(node);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_PoolAllocFree)->Arg(1)->Arg(256)->Arg(1000);

} // namespace

BENCHMARK_MAIN();
