#include "vqframework/objectbase/Mutex.h"
#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/storage/RCPtrQueue.h"
#include "vqframework/storage/ReuseAllocator.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

class LPlainParam : public VQ::LRefCountedObject {
public:
    explicit LPlainParam(double value) : m_value(value) {}
    double m_value;
};

class LPooledParam : public VQ::LRefCountedObject, public VQ::ReusePooled<LPooledParam, 32, false> {
public:
    explicit LPooledParam(double value) : m_value(value) {}
    double m_value;
};

class LLockedPooledParam : public VQ::LRefCountedObject, public VQ::ReusePooled<LLockedPooledParam, 32, true> {
public:
    explicit LLockedPooledParam(double value) : m_value(value) {}
    double m_value;
};

// A burst of state.range(0) objects created and released, as a UI event storm would.
template <class P> void BM_CreateAndRelease(benchmark::State& state)
{
    std::vector<VQ::RCPtr<P>> live;
    live.reserve(state.range(0));
    for (auto _ : state) {
        for (int64_t i = 0; i < state.range(0); ++i)
            live.push_back(new P(double(i)));
        live.clear();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK_TEMPLATE(BM_CreateAndRelease, LPlainParam)->Arg(1)->Arg(32);
BENCHMARK_TEMPLATE(BM_CreateAndRelease, LPooledParam)->Arg(1)->Arg(32);
BENCHMARK_TEMPLATE(BM_CreateAndRelease, LLockedPooledParam)->Arg(1)->Arg(32);

// Post state.range(0) entries, then drain them, with the queue's lock.
void BM_QueueRoundTrip(benchmark::State& state)
{
    VQ::Mutex lock;
    VQ::RCPtrQueue<LPlainParam, 256> queue(&lock, 256);
    VQ::RCPtr<LPlainParam> item = new LPlainParam(1.0);
    for (auto _ : state) {
        for (int64_t i = 0; i < state.range(0); ++i)
            queue.Enqueue(item);
        while (queue.GetCount() > 0)
            benchmark::DoNotOptimize(queue.Dequeue());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_QueueRoundTrip)->Arg(16)->Arg(255)->Arg(4096);

} // namespace

BENCHMARK_MAIN();
