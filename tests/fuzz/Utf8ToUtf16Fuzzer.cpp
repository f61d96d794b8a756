// Arbitrary bytes to the UTF-8 to UTF-16 conversion: it stops exactly where a plain walk over the bytes
// finds the first ill-formed sequence (or the first character the target has no room for), having
// written the units of everything before it and nothing more.
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

// The well-formed characters at the start of the input, one at a time, and where they end.
struct Walk {
    std::vector<size_t> starts;      // byte offset of each character
    std::vector<size_t> unitsBefore; // units of the characters before each one, and of all of them last
    std::u16string units;
    size_t stop = 0;                 // the first ill-formed or cut sequence, or the end
    ConversionResult result = ConversionOK;
};

Walk WalkUTF8(const UTF8* data, size_t size)
{
    Walk walk;
    size_t i = 0;
    while (i < size) {
        const UTF8 lead = data[i];
        const size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF8 ? 4 : lead < 0xFC ? 5 : 6;
        // A sequence the end cuts off counts as exhausted, even when it is ill-formed too.
        if (i + length > size) {
            walk.result = SourceExhausted;
            break;
        }
        const UTF8 low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
        const UTF8 high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
        bool wellFormed = lead < 0x80 || (lead >= 0xC2 && lead <= 0xF4);
        for (size_t k = 1; wellFormed && k < length; ++k) {
            const UTF8 byte = data[i + k];
            wellFormed = k == 1 ? byte >= low && byte <= high : byte >= 0x80 && byte <= 0xBF;
        }
        if (!wellFormed) {
            walk.result = SourceIllegal;
            break;
        }
        UTF32 c = length == 1 ? lead : lead & (0x7F >> length);
        for (size_t k = 1; k < length; ++k)
            c = (c << 6) | (data[i + k] & 0x3F);
        walk.starts.push_back(i);
        walk.unitsBefore.push_back(walk.units.size());
        if (c < 0x10000) {
            walk.units += char16_t(c);
        } else {
            walk.units += char16_t(0xD800 + ((c - 0x10000) >> 10));
            walk.units += char16_t(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
        i += length;
    }
    walk.stop = i;
    walk.unitsBefore.push_back(walk.units.size());
    return walk;
}

void Convert(const UTF8* data, size_t size, const Walk& walk, size_t room, ConversionFlags flags)
{
    constexpr UTF16 kUntouched = 0xAAAA;
    std::vector<UTF16> target(room, kUntouched);
    const UTF8* source = data;
    UTF16* cursor = target.data();
    const ConversionResult result =
        ConvertUTF8ToUTF16(&source, data + size, &cursor, target.data() + room, flags);

    // The characters that fit, then either the first that does not or where the walk stopped.
    size_t fit = 0;
    while (fit < walk.starts.size() && walk.unitsBefore[fit + 1] <= room)
        ++fit;
    const bool targetFull = fit < walk.starts.size();
    Check(result == (targetFull ? TargetExhausted : walk.result));
    Check(source == data + (targetFull ? walk.starts[fit] : walk.stop));
    const size_t written = size_t(cursor - target.data());
    Check(written == walk.unitsBefore[fit]);
    Check(written == 0 || std::memcmp(target.data(), walk.units.data(), written * sizeof(UTF16)) == 0);
    for (size_t i = written; i < room; ++i)
        Check(target[i] == kUntouched);

    // The converted units encode back to the bytes consumed.
    const size_t consumed = size_t(source - data);
    std::vector<UTF8> back(written * 3 + 1);
    const UTF16* units = target.data();
    UTF8* out = back.data();
    Check(ConvertUTF16ToUTF8(&units, cursor, &out, back.data() + back.size(), StrictConversion) == ConversionOK);
    Check(size_t(out - back.data()) == consumed);
    Check(consumed == 0 || std::memcmp(back.data(), data, consumed) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const Walk walk = WalkUTF8(data, size);
    // One unit per byte is always enough; half of that, or one unit short of the well-formed start,
    // makes the target run out as well.
    Convert(data, size, walk, size, StrictConversion);
    Convert(data, size, walk, size, LenientConversion);
    Convert(data, size, walk, size / 2, StrictConversion);
    if (!walk.units.empty())
        Convert(data, size, walk, walk.units.size() - 1, LenientConversion);

    // The string glue over the same bytes as a terminated text.
    const std::string text(reinterpret_cast<const char*>(data), size);
    const StringT<char16_t, char> wide(text.c_str());
    const StringT<char, char16_t> narrow = wide.ToUTF8();
    Check(std::strncmp(narrow.GetString(), text.c_str(), size_t(narrow.GetLength())) == 0);
    return 0;
}
