// Arbitrary bytes as one serialised value and as list content: the reader, the list walk and the
// operations on what they produce must stay inside the bytes and keep their own rules.
#include "vqframework/storage/Variant.h"
#include "vqframework/storage/VariantEx.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
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

// The type and bytes of a value: what must agree where == would not, for a NaN.
bool SameBytes(const Variant& left, const Variant& right)
{
    uint32_t leftSize = 0;
    uint32_t rightSize = 0;
    const void* leftData = left.GetData(&leftSize);
    const void* rightData = right.GetData(&rightSize);
    return left.GetType() == right.GetType() && leftSize == rightSize &&
           (leftSize == 0 || std::memcmp(leftData, rightData, leftSize) == 0);
}

// A strict weak order over the values given: irreflexive, asymmetric, transitive, and equivalence
// transitive too.
void CheckOrder(const std::vector<Variant>& values)
{
    const size_t n = values.size();
    for (size_t i = 0; i < n; ++i) {
        Check(!(values[i] < values[i]));
        for (size_t j = 0; j < n; ++j) {
            const bool ij = values[i] < values[j];
            const bool ji = values[j] < values[i];
            Check(!(ij && ji));
            for (size_t k = 0; k < n; ++k) {
                const bool jk = values[j] < values[k];
                const bool kj = values[k] < values[j];
                const bool ik = values[i] < values[k];
                const bool ki = values[k] < values[i];
                Check(!(ij && jk) || ik);
                Check(!(!ij && !ji && !jk && !kj) || (!ik && !ki));
            }
        }
    }
}

// The list walks agree: the reader with GetListItem, nested readers with the nested lists, and a
// list written again from what the reader reads with SetList of the items.
void CheckListWalks(const Variant& value, const std::vector<Variant>& items)
{
    Variant::ListReader reader(value);
    Check(reader.Remaining() == items.size());
    Variant item;
    for (const Variant& expected : items) {
        Check(reader.Next(item));
        Check(SameBytes(item, expected));
    }
    Check(!reader.Next(item) && item.GetType() == Variant::TypeEmpty);

    Variant::ListReader lists(value);
    Variant::ListReader nested;
    for (const Variant& expected : items) {
        Check(lists.NextList(nested));
        Check(nested.Remaining() == expected.GetListCount());
    }
    Check(!lists.NextList(nested));

    if (items.size() <= 8) {
        std::vector<Variant> read(items.size());
        std::vector<Variant*> outs;
        for (Variant& out : read)
            outs.push_back(&out);
        Variant::ListReader exact(value);
        Check(!exact.ReadExactly(outs.data(), static_cast<uint32_t>(outs.size()) + 1));
        Check(exact.ReadExactly(outs.data(), static_cast<uint32_t>(outs.size())));
        for (size_t i = 0; i < items.size(); ++i)
            Check(SameBytes(read[i], items[i]));
    }

    Variant rewritten;
    rewritten.BuildList([&value](Variant::ListWriter& writer) {
        Variant::ListReader source(value);
        while (writer.AddNext(source)) {
        }
    });
    Variant expected;
    expected.SetList(items.data(), static_cast<uint32_t>(items.size()));
    Check(SameBytes(rewritten, expected));
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
    std::vector<Variant> items;
    for (uint32_t i = 0; i < count; ++i) {
        Check(value.GetListItem(i, item) == 0);
        Check(!(item < value && value < item));
        items.push_back(item);
        if (depth < 4)
            Exercise(item, depth + 1);
    }
    item = Variant(1);
    Check(value.GetListItem(count, item) == -1);
    Check(item.GetType() == Variant::TypeEmpty);

    CheckListWalks(value, items);
    if (items.size() > 12)
        items.resize(12);
    items.push_back(value);
    CheckOrder(items);
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
