// Arbitrary bytes as a font or collection file: the name-table reader stays inside the bytes, gives
// only pairs with both names, styles lower-cased, and reads the same bytes the same way twice.
#include "vqframework/renderer/fontfile/FontNameTable.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

// A copy of exactly the input, so that AddressSanitizer sees any read past its end.
std::vector<uint8_t> g_bytes;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > UINT32_MAX)
        return 0;
    g_bytes.assign(data, data + size);
    g_bytes.shrink_to_fit();
    VQ::MemoryFontByteSource source(g_bytes.data(), uint32_t(size));

    std::vector<VQ::FontNamePair> pairs;
    const bool accepted = VQ::ReadFontNames(source, pairs);
    for (const VQ::FontNamePair& pair : pairs) {
        Check(!pair.family.IsEmpty() && !pair.style.IsEmpty());
        for (char16_t unit : pair.style.View())
            Check(unit < u'A' || unit > u'Z');
    }

    std::vector<VQ::FontNamePair> again;
    Check(VQ::ReadFontNames(source, again) == accepted);
    Check(again.size() == pairs.size());
    for (size_t i = 0; i < pairs.size(); ++i)
        Check(again[i].family == pairs[i].family && again[i].style == pairs[i].style);
    return 0;
}
