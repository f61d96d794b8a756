#include "vqframework/storage/ParamValue.h"

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

using namespace VQ;

Variant Bytes4(uint32_t n)
{
    Variant value;
    value.Set(Variant::TypeBytes, &n, 4);
    return value;
}

ParamValues ListOf(int32_t count)
{
    ParamValues values;
    for (int32_t id = 0; id < count; ++id)
        values.SetValue(ParamDescriptor(id), Bytes4(static_cast<uint32_t>(id)));
    return values;
}

// The engine's cache changes one value of a program at a time.
void BM_SetValueChanged(benchmark::State& state)
{
    const auto count = static_cast<int32_t>(state.range(0));
    ParamValues values = ListOf(count);
    uint32_t n = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(values.SetValue(ParamDescriptor(count / 2), Bytes4(++n)));
    }
}
BENCHMARK(BM_SetValueChanged)->Arg(17)->Arg(64)->Arg(256);

void BM_SetValueUnchanged(benchmark::State& state)
{
    const auto count = static_cast<int32_t>(state.range(0));
    ParamValues values = ListOf(count);
    const Variant same = Bytes4(static_cast<uint32_t>(count / 2));
    for (auto _ : state) {
        benchmark::DoNotOptimize(values.SetValue(ParamDescriptor(count / 2), same));
    }
}
BENCHMARK(BM_SetValueUnchanged)->Arg(17)->Arg(64)->Arg(256);

void BM_GetValueLast(benchmark::State& state)
{
    const auto count = static_cast<int32_t>(state.range(0));
    const ParamValues values = ListOf(count);
    Variant value;
    for (auto _ : state) {
        benchmark::DoNotOptimize(values.GetValue(ParamDescriptor(count - 1), value));
    }
}
BENCHMARK(BM_GetValueLast)->Arg(17)->Arg(64)->Arg(256);

void BM_DescriptorsFromRange(benchmark::State& state)
{
    const ParamRange range{0, static_cast<int32_t>(state.range(0))};
    for (auto _ : state) {
        ParamDescriptors descriptors(range);
        benchmark::DoNotOptimize(descriptors.GetLength());
    }
}
BENCHMARK(BM_DescriptorsFromRange)->Arg(17)->Arg(4096);

} // namespace

BENCHMARK_MAIN();
