// Arbitrary bytes as one serialised value and as list content: the reader, the list walk and the
// operations on what they produce must stay inside the bytes and keep their own rules.
#include "vqframework/storage/Variant.h"
#include "vqframework/storage/VariantEx.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <vector>

namespace {

using VQ::Variant;
using VQ::VariantEx;

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

bool MayDifferFromItself(const Variant& value)
{
    // A NaN equals nothing, not even its copy.
    return value.GetType() == Variant::TypeFloat || value.GetType() == Variant::TypeDouble;
}

void ReadAll(const Variant& value)
{
    volatile uint64_t sink = 0;
    sink = sink + value.GetBool() + uint8_t(value.GetInt8()) + uint16_t(value.GetInt16()) +
           uint32_t(value.GetInt32()) + uint64_t(value.GetInt64()) + value.GetUInt8() + value.GetUInt16() +
           value.GetUInt32() + value.GetUInt64() + uint64_t(value.GetFloat() != 0) + uint64_t(value.GetDouble() != 0);
    uint32_t size = 0;
    const auto* data = static_cast<const unsigned char*>(value.GetData(&size));
    for (uint32_t i = 0; i < size; ++i)
        sink = sink + data[i];
    if (const char* text = value.GetString())
        Check(value.GetLength() > 0 && text[value.GetLength() - 1] == 0);
}

void Exercise(const Variant& value, int depth)
{
    ReadAll(value);
    if (const auto* extended = dynamic_cast<const VariantEx*>(&value))
        (void)extended->ToString();
    Check(!(value < value));
    const Variant copy(value);
    Check(copy == value || MayDifferFromItself(value));

    const uint32_t count = value.GetListCount();
    Check(value.GetType() == Variant::TypeList || count == 0);
    VariantEx item;
    for (uint32_t i = 0; i < count; ++i) {
        Check(value.GetListItem(i, item) == 0);
        (void)(item < value);
        (void)(value < item);
        if (depth < 4)
            Exercise(item, depth + 1);
    }
    item = Variant(1);
    Check(value.GetListItem(count, item) == -1);
    Check(item.GetType() == Variant::TypeEmpty);
}

void RoundTrip(const Variant& value)
{
    std::vector<unsigned char> entry(size_t(value.GetLength()) + 12 + 8);
    const uint32_t written = VQ::SerializeVariant(value, entry.data(), uint32_t(entry.size()));
    Check(written != uint32_t(VQ::E_FAIL) && written <= entry.size());
    Variant again;
    Check(VQ::DeserializeVariant(again, entry.data(), written) == VQ::S_OK);
    Check(again == value || MayDifferFromItself(value));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > std::numeric_limits<uint32_t>::max())
        return 0;
    const auto available = static_cast<uint32_t>(size);

    VariantEx value;
    if (VQ::DeserializeVariant(value, data, available) == VQ::S_OK) {
        Exercise(value, 0);
        RoundTrip(value);
    } else {
        Check(value.GetType() == Variant::TypeEmpty);
    }

    Variant list;
    Check(list.Set(Variant::TypeList, data, available) == Variant::TypeList);
    Exercise(list, 0);
    return 0;
}
