// Arbitrary bytes to the UTF-8 to UTF-16 conversion: the cursors stay inside their ranges, and what
// was converted is exactly the well-formed UTF-8 it came from.
#include "vqframework/storage/ConvertUTF.h"
#include "vqframework/storage/StringT.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace VQ;

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

void Convert(const UTF8* data, size_t size, size_t room, ConversionFlags flags)
{
    std::vector<UTF16> target(room);
    const UTF8* source = data;
    UTF16* cursor = target.data();
    const ConversionResult result =
        ConvertUTF8ToUTF16(&source, data + size, &cursor, target.data() + room, flags);
    Check(result == ConversionOK || result == SourceExhausted || result == TargetExhausted ||
          result == SourceIllegal);
    Check(source >= data && source <= data + size);
    Check(cursor >= target.data() && cursor <= target.data() + room);
    Check(result != ConversionOK || source == data + size);
    Check(result == ConversionOK || source < data + size);

    // The converted units encode back to the bytes consumed.
    const size_t consumed = size_t(source - data);
    std::vector<UTF8> back(size_t(cursor - target.data()) * 3 + 1);
    const UTF16* units = target.data();
    UTF8* out = back.data();
    Check(ConvertUTF16ToUTF8(&units, cursor, &out, back.data() + back.size(), StrictConversion) == ConversionOK);
    Check(size_t(out - back.data()) == consumed);
    Check(consumed == 0 || std::memcmp(back.data(), data, consumed) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // One unit per byte is always enough; half of that makes the target run out as well.
    Convert(data, size, size, StrictConversion);
    Convert(data, size, size, LenientConversion);
    Convert(data, size, size / 2, StrictConversion);

    // The string glue over the same bytes as a terminated text.
    const std::string text(reinterpret_cast<const char*>(data), size);
    const StringT<char16_t, char> wide(text.c_str());
    const StringT<char, char16_t> narrow = wide.ToUTF8();
    Check(std::strncmp(narrow.GetString(), text.c_str(), size_t(narrow.GetLength())) == 0);
    return 0;
}
