// The round trip of one program's parameter list (8 pads x 3 values, 8 knobs x 4 values): built as a
// list value, then every element read back. Beside it, a reference that writes the same bytes and
// reads them in one pass each, by hand. Every benchmark reports its heap allocations per iteration.
#include "vqframework/storage/ParamValue.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {

std::atomic<uint64_t> g_allocations{0};

} // namespace

void* operator new(std::size_t size)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* block = std::malloc(size ? size : 1))
        return block;
    throw std::bad_alloc();
}

void* operator new[](std::size_t size)
{
    return ::operator new(size);
}

// Once inlined, GCC takes the free below for a release of memory from operator new[].
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void operator delete(void* block) noexcept
{
    std::free(block);
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

void operator delete[](void* block) noexcept
{
    ::operator delete(block);
}

void operator delete(void* block, std::size_t) noexcept
{
    ::operator delete(block);
}

void operator delete[](void* block, std::size_t) noexcept
{
    ::operator delete(block);
}

namespace {

using namespace VQ;

constexpr uint32_t kPads = 8;
constexpr uint32_t kKnobs = 8;
constexpr uint32_t kValueCount = kPads * 3 + kKnobs * 4;

Variant Text(const std::string& text)
{
    Variant v;
    v.SetString(text.c_str());
    return v;
}

// Sorted by id, then key (the pad or knob index), as SetValue keeps them.
std::vector<ParamValue> ProgramValues()
{
    std::vector<ParamValue> values;
    const auto add = [&values](int32_t id, uint32_t index, const Variant& value) {
        values.emplace_back(id, Variant::Of<int32_t>(static_cast<int32_t>(index)), value);
    };
    for (uint32_t pad = 0; pad < kPads; ++pad)
        add(1, pad, Variant::Of<uint8_t>(static_cast<uint8_t>(36 + pad)));
    for (uint32_t pad = 0; pad < kPads; ++pad)
        add(2, pad, Variant::Of<uint8_t>(9));
    for (uint32_t pad = 0; pad < kPads; ++pad)
        add(3, pad, Text("Pad " + std::to_string(pad + 1)));
    for (uint32_t knob = 0; knob < kKnobs; ++knob)
        add(10, knob, Variant::Of<uint8_t>(static_cast<uint8_t>(70 + knob)));
    for (uint32_t knob = 0; knob < kKnobs; ++knob)
        add(11, knob, Variant::Of<int16_t>(-64));
    for (uint32_t knob = 0; knob < kKnobs; ++knob)
        add(12, knob, Variant::Of<int16_t>(63));
    for (uint32_t knob = 0; knob < kKnobs; ++knob)
        add(13, knob, Text("Knob " + std::to_string(knob + 1)));
    return values;
}

// Reports allocations per iteration; the benchmark's own set-up stays outside the count.
class AllocationCount {
public:
    explicit AllocationCount(benchmark::State& state) : m_state(state), m_start(Now()) {}
    ~AllocationCount()
    {
        m_state.counters["allocs"] =
            benchmark::Counter(static_cast<double>(Now() - m_start), benchmark::Counter::kAvgIterations);
    }

private:
    static uint64_t Now() { return g_allocations.load(std::memory_order_relaxed); }
    benchmark::State& m_state;
    uint64_t m_start;
};

void ExpectSameValues(benchmark::State& state, const std::vector<ParamValue>& expected,
                      const std::vector<ParamValue>& read)
{
    for (size_t i = 0; i < expected.size(); ++i) {
        if (read[i].id != expected[i].id || read[i].key != expected[i].key || read[i].value != expected[i].value) {
            state.SkipWithError("read back other values");
            return;
        }
    }
}

// Reading by index, as callers of GetAt do.
void BM_RoundTripByIndex(benchmark::State& state)
{
    const std::vector<ParamValue> values = ProgramValues();
    std::vector<ParamValue> read(values.size());
    {
        AllocationCount count(state);
        for (auto _ : state) {
            ParamValues list;
            list.Set(values.data(), kValueCount);
            const uint32_t n = list.GetListCount();
            for (uint32_t i = 0; i < n; ++i)
                list.GetAt(i, read[i].value, read[i].id, read[i].key);
            benchmark::DoNotOptimize(read.data());
        }
    }
    ExpectSameValues(state, values, read);
}
BENCHMARK(BM_RoundTripByIndex);

// Reading in one walk, as ParamValues::Reader does.
void BM_RoundTrip(benchmark::State& state)
{
    const std::vector<ParamValue> values = ProgramValues();
    std::vector<ParamValue> read(values.size());
    {
        AllocationCount count(state);
        for (auto _ : state) {
            ParamValues list;
            list.Set(values.data(), kValueCount);
            ParamValues::Reader reader(list);
            for (ParamValue& out : read) {
                if (reader.Next(out.value, out.id, out.key) != 0)
                    break;
            }
            benchmark::DoNotOptimize(read.data());
        }
    }
    ExpectSameValues(state, values, read);
}
BENCHMARK(BM_RoundTrip);

// The reference: one pass to write the bytes into one buffer, one pass to read them.
uint32_t EntrySize(const Variant& value)
{
    uint32_t size = 0;
    value.GetData(&size);
    return 12 + size;
}

unsigned char* WriteHeader(unsigned char* at, uint32_t size, int32_t type)
{
    const uint32_t words[3] = {size, 1, static_cast<uint32_t>(type)};
    std::memcpy(at, words, sizeof words);
    return at + sizeof words;
}

unsigned char* WriteEntry(unsigned char* at, const Variant& value)
{
    uint32_t size = 0;
    const void* data = value.GetData(&size);
    at = WriteHeader(at, 12 + size, value.GetType());
    if (size)
        std::memcpy(at, data, size);
    return at + size;
}

uint32_t ReadSize(const unsigned char* at)
{
    uint32_t size;
    std::memcpy(&size, at, 4);
    return size;
}

void BM_RoundTripOnePassReference(benchmark::State& state)
{
    const std::vector<ParamValue> values = ProgramValues();
    std::vector<ParamValue> read(values.size());
    std::vector<unsigned char> written;
    {
        AllocationCount count(state);
        for (auto _ : state) {
            uint32_t total = 0;
            for (const ParamValue& v : values)
                total += 12 + EntrySize(v.value) + 16 + EntrySize(v.key);
            const std::unique_ptr<unsigned char[]> buffer(new unsigned char[total]);
            unsigned char* at = buffer.get();
            for (const ParamValue& v : values) {
                at = WriteHeader(at, 12 + EntrySize(v.value) + 16 + EntrySize(v.key), Variant::TypeList);
                at = WriteEntry(at, v.value);
                at = WriteHeader(at, 16, Variant::TypeInt32);
                std::memcpy(at, &v.id, 4);
                at = WriteEntry(at + 4, v.key);
            }

            const unsigned char* element = buffer.get();
            const unsigned char* end = element + total;
            Variant id;
            for (ParamValue& out : read) {
                if (element == end)
                    break;
                const unsigned char* item = element + 12;
                DeserializeVariant(out.value, item, static_cast<uint32_t>(end - item));
                item += ReadSize(item);
                DeserializeVariant(id, item, static_cast<uint32_t>(end - item));
                out.id = id.GetInt32();
                item += ReadSize(item);
                DeserializeVariant(out.key, item, static_cast<uint32_t>(end - item));
                element += ReadSize(element);
            }
            benchmark::DoNotOptimize(read.data());
            if (written.empty())
                written.assign(buffer.get(), buffer.get() + total);
        }
    }
    ExpectSameValues(state, values, read);
    ParamValues list;
    list.Set(values.data(), kValueCount);
    uint32_t size = 0;
    const auto* content = static_cast<const unsigned char*>(list.GetData(&size));
    if (written != std::vector<unsigned char>(content, content + size))
        state.SkipWithError("the reference wrote other bytes than the list");
}
BENCHMARK(BM_RoundTripOnePassReference);

} // namespace

BENCHMARK_MAIN();
