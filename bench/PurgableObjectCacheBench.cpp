#include "vqframework/storage/HashList.h"
#include "vqframework/storage/PurgableObjectCache.h"

#include <benchmark/benchmark.h>

namespace VQ {
namespace {

class CachedObject : public LRefCountedObject {};

int32_t KeyOfInt(const int32_t& value) { return value; }

using IntList = HashedList<int32_t, int32_t, &KeyOfInt, 8, &GetBits<8, 4, int32_t>>;
using IntCache = PurgableObjectCache<CachedObject, int32_t, int32_t, &KeyOfInt, 8, &GetBits<8, 4, int32_t>>;

// Keys 16 apart fill the buckets evenly, so the entry count sets the bucket length.
void FindInHashedList(benchmark::State& state)
{
    const int32_t count = static_cast<int32_t>(state.range(0));
    IntList list;
    for (int32_t i = 0; i < count; ++i)
        list.Add(i * 16);
    const int32_t none = -1;
    int32_t key = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(list.Find(key, none));
        key = (key + 16 * 7) % (count * 16);
    }
}
BENCHMARK(FindInHashedList)->Arg(256)->Arg(4096);

void AcquireHit(benchmark::State& state)
{
    IntCache cache(256);
    for (int32_t i = 0; i < 256; ++i)
        cache.AcquireEntry(i * 16, false) = new CachedObject;
    int32_t key = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(cache.AcquireEntry(key, false));
        key = (key + 16 * 7) % (256 * 16);
    }
}
BENCHMARK(AcquireHit);

// Every acquisition is a new key in a full cache: a scan of the whole table and a re-filing.
void AcquireMissWhenFull(benchmark::State& state)
{
    const int32_t capacity = static_cast<int32_t>(state.range(0));
    IntCache cache(capacity);
    int32_t key = 0;
    for (auto _ : state) {
        RCPtr<CachedObject>& slot = cache.AcquireEntry(key++, false);
        if (slot.IsEmpty())
            slot = new CachedObject;
    }
}
BENCHMARK(AcquireMissWhenFull)->Arg(16)->Arg(256);

} // namespace
} // namespace VQ

BENCHMARK_MAIN();
