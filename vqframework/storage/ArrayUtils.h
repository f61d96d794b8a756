// Sorting of a range of any array, in place or into a list of indexes (unstable, like std::sort).
#pragma once

#include "vqframework/objectbase/Exception.h"
#include "vqframework/storage/IArray.h"

#include <algorithm>
#include <cstdint>

namespace VQ {
namespace ArrayUtils {

// compare(a, b) is true when a must come before b. Ranges of fewer than two elements are left as
// they are without a range test.
template <class A, class Compare> void Sort(A& array, uint32_t start, uint32_t count, Compare compare)
{
    if (count < 2)
        return;
    // Summed in 64 bits so that a huge start cannot wrap into a range that passes.
    if (uint64_t(start) + count > array.GetCount())
        VQ_THROW(std::out_of_range);
    auto* first = array.GetData() + start;
    std::sort(first, first + count, compare);
}

// Fills indexes with start ... start + count - 1 ordered by compare(i, j) over source indexes;
// the source is left unchanged. The range is tested first, also for fewer than two elements.
template <class A, class Compare>
void SortIndecies(IArray<unsigned int>& indexes, const A& source, uint32_t start, uint32_t count, Compare compare)
{
    if (uint64_t(start) + count > source.GetCount())
        VQ_THROW(std::out_of_range);
    // A list that cannot hold count entries (a fixed-size one) must not be written past its end.
    if (indexes.SetCount(count) != static_cast<int32_t>(count))
        VQ_THROW_DETAIL(std::runtime_error, "index list cannot hold the range");
    unsigned int* entries = indexes.GetData();
    for (uint32_t k = 0; k < count; ++k)
        entries[k] = start + k;
    if (count < 2)
        return;
    std::sort(entries, entries + count, compare);
}

} // namespace ArrayUtils
} // namespace VQ
