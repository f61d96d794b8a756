#include "vqframework/storage/Array.h"
#include "vqframework/storage/ArrayBuffer.h"
#include "vqframework/storage/ArrayUtils.h"
#include "vqframework/storage/RCPtrArray.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace {

class LItem : public VQ::LRefCountedObject {
public:
    explicit LItem(int32_t key) : m_key(key) {}
    int32_t m_key;
};

std::vector<VQ::RCPtr<LItem>> MakeItems(int64_t count)
{
    std::vector<VQ::RCPtr<LItem>> items;
    for (int64_t i = 0; i < count; ++i)
        items.push_back(new LItem(int32_t((i * 7919) % 1009)));
    return items;
}

// Filling a counted-pointer list and destroying it; emptying releases from the front, one slot
// at a time, so the cost of the order of releases shows here.
template <uint32_t Granule, uint32_t Reserve> void BM_CountedListFillAndDestroy(benchmark::State& state)
{
    const std::vector<VQ::RCPtr<LItem>> items = MakeItems(state.range(0));
    for (auto _ : state) {
        VQ::RCPtrArray<LItem, Granule, Reserve> list;
        for (const VQ::RCPtr<LItem>& item : items)
            list.Add(item);
        benchmark::DoNotOptimize(list.GetData());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_CountedListFillAndDestroy<1, 0>)->Arg(16)->Arg(256)->Arg(4096);
BENCHMARK(BM_CountedListFillAndDestroy<16, 16>)->Arg(16)->Arg(256)->Arg(4096);
BENCHMARK(BM_CountedListFillAndDestroy<256, 256>)->Arg(16)->Arg(256)->Arg(4096);

template <class L> void BM_PlainListAdd(benchmark::State& state)
{
    for (auto _ : state) {
        L list;
        for (int64_t i = 0; i < state.range(0); ++i)
            list.Add(uint32_t(i));
        benchmark::DoNotOptimize(list.GetData());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_PlainListAdd<VQ::Array<uint32_t>>)->Arg(16)->Arg(4096);
BENCHMARK(BM_PlainListAdd<VQ::ArrayBuffer<uint32_t>>)->Arg(16)->Arg(4096);
BENCHMARK(BM_PlainListAdd<VQ::ArrayBuffer<uint32_t, 32, 1600>>)->Arg(16)->Arg(4096);

void BM_SortIndecies(benchmark::State& state)
{
    const std::vector<VQ::RCPtr<LItem>> items = MakeItems(state.range(0));
    VQ::RCPtrArray<LItem> children;
    for (const VQ::RCPtr<LItem>& item : items)
        children.Add(item);
    VQ::ArrayBuffer<unsigned int> order;
    for (auto _ : state) {
        VQ::ArrayUtils::SortIndecies(order, children, 0, children.GetCount(), [&](unsigned int i, unsigned int j) {
            int32_t a = children.GetAt(i)->m_key;
            int32_t b = children.GetAt(j)->m_key;
            return a != b ? a < b : i < j;
        });
        benchmark::DoNotOptimize(order.GetData());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SortIndecies)->Arg(64)->Arg(4096);

} // namespace

BENCHMARK_MAIN();
