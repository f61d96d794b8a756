#include "vqframework/storage/ParamValue.h"

#include "vqframework/storage/StringFormat.h"

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <vector>

namespace VQ {

namespace {

constexpr int32_t kNoElement = -4;
constexpr int32_t kMalformedElement = -7;

// An element of a ranges list, or of a descriptors list built from ranges, as an entry: the entry
// header, then the element's two items (a 32-bit integer entry and an empty entry).
constexpr uint64_t kRangeDescriptorEntrySize = 12 + (12 + 4) + 12;

// Reads the next element of elements into outs, a null out skipping its item: 0 when the element is
// a list of exactly as many items, kMalformedElement (outs untouched) when it is anything else,
// kNoElement after the last element. items is left at the element's first item.
int32_t NextElement(Variant::ListReader& elements, std::initializer_list<Variant*> outs, Variant::ListReader& items)
{
    if (!elements.NextList(items))
        return kNoElement;
    Variant::ListReader reader = items;
    return reader.ReadExactly(outs) ? 0 : kMalformedElement;
}

// As NextElement for the element at index.
int32_t ElementAt(const Variant& list, uint32_t index, std::initializer_list<Variant*> outs)
{
    Variant::ListReader elements(list);
    for (uint32_t i = 0; i < index; ++i) {
        if (!elements.Skip())
            return kNoElement;
    }
    Variant::ListReader items;
    return NextElement(elements, outs, items);
}

bool IsBelow(int32_t id, const Variant& key, const ParamDescriptor& descriptor)
{
    const auto elementId = static_cast<uint32_t>(id);
    const auto descriptorId = static_cast<uint32_t>(descriptor.id);
    if (elementId != descriptorId)
        return elementId < descriptorId;
    return key < descriptor.key;
}

} // namespace

ParamValue::ParamValue(int32_t parameterId, const Variant& parameterKey, const Variant& parameterValue)
    : ParamDescriptor(parameterId)
{
    key.Assign(parameterKey);
    value.Assign(parameterValue);
}

StringT<char16_t, char> ParamDescriptorToString(const ParamDescriptor& descriptor)
{
    return ToString(static_cast<uint32_t>(descriptor.id), -1);
}

ParamRanges::~ParamRanges() = default;

int32_t ParamRanges::Set(const ParamRange* ranges, uint32_t count)
{
    if (!ranges || count == 0)
        return kNoElement;
    BuildList([&](ListWriter& list) {
        for (uint32_t i = 0; i < count; ++i) {
            const Variant first(ranges[i].first);
            const Variant idCount(ranges[i].count);
            list.AddList({&first, &idCount});
        }
    });
    return 0;
}

int32_t ParamRanges::GetAt(uint32_t index, ParamRange& range) const
{
    Variant first;
    Variant count;
    const int32_t result = ElementAt(*this, index, {&first, &count});
    if (result == kNoElement)
        range = ParamRange{-1, 0};
    if (result != 0)
        return result;
    range.first = first.GetInt32();
    range.count = count.GetInt32();
    return 0;
}

ParamDescriptors::ParamDescriptors(const ParamRange& range)
{
    ParamRanges ranges;
    ranges.Set(&range, 1);
    SetFromRanges(ranges);
}

ParamDescriptors::~ParamDescriptors() = default;

int32_t ParamDescriptors::Set(const ParamDescriptor* descriptors, uint32_t count)
{
    if (!descriptors || count == 0)
        return kNoElement;
    BuildList([&](ListWriter& list) {
        for (uint32_t i = 0; i < count; ++i) {
            const Variant id(descriptors[i].id);
            list.AddList({&id, &descriptors[i].key});
        }
    });
    return 0;
}

int32_t ParamDescriptors::SetFromRanges(const ParamRanges& ranges)
{
    std::vector<ParamRange> runs;
    uint64_t total = 0;
    ListReader elements(ranges);
    Variant first;
    Variant count;
    for (;;) {
        ListReader items;
        const int32_t result = NextElement(elements, {&first, &count}, items);
        if (result == kNoElement)
            break;
        if (result != 0)
            continue;
        ParamRange range{first.GetInt32(), count.GetInt32()};
        if (range.count <= 0)
            continue;
        int64_t idsBeforeLimit = int64_t{std::numeric_limits<int32_t>::max()} - range.first + 1;
        range.count = static_cast<int32_t>(std::min<int64_t>(range.count, idsBeforeLimit));
        runs.push_back(range);
        total += static_cast<uint64_t>(range.count);
    }

    // A list value's length is 32 bits; refuse before anything changes.
    if (total > std::numeric_limits<uint32_t>::max() / kRangeDescriptorEntrySize)
        return E_OUTOFMEMORY;
    const Variant emptyKey;
    BuildList([&](ListWriter& list) {
        for (const ParamRange& run : runs) {
            for (int32_t n = 0; n < run.count; ++n) {
                const Variant id(run.first + n);
                list.AddList({&id, &emptyKey});
            }
        }
    });
    return 0;
}

int32_t ParamDescriptors::GetAt(uint32_t index, int32_t& id, Variant& key) const
{
    id = -1;
    key.Clear();
    Variant idItem;
    const int32_t result = ElementAt(*this, index, {&idItem, &key});
    if (result != 0)
        return result;
    id = idItem.GetInt32();
    return 0;
}

ParamValues::~ParamValues() = default;

int32_t ParamValues::Set(const ParamValue* values, uint32_t count)
{
    if (!values || count == 0)
        return kNoElement;
    BuildList([&](ListWriter& list) {
        for (uint32_t i = 0; i < count; ++i) {
            const Variant id(values[i].id);
            list.AddList({&values[i].value, &id, &values[i].key});
        }
    });
    return 0;
}

int32_t ParamValues::Set(const ParamDescriptor& descriptor, const Variant& value)
{
    const Variant id(descriptor.id);
    BuildList([&](ListWriter& list) { list.AddList({&value, &id, &descriptor.key}); });
    return 0;
}

int32_t ParamValues::GetAt(uint32_t index, Variant& value, int32_t& id, Variant& key) const
{
    value.Clear();
    id = -1;
    Variant idItem;
    const int32_t result = ElementAt(*this, index, {&value, &idItem, &key});
    if (result != 0)
        return result;
    id = idItem.GetInt32();
    return 0;
}

int32_t ParamValues::Reader::Next(Variant& value, int32_t& id, Variant& key)
{
    ListReader items;
    const int32_t result = NextElement(m_elements, {&value, &m_id, &key}, items);
    if (result != 0) {
        value.Clear();
        id = -1;
        return result;
    }
    id = m_id.GetInt32();
    return 0;
}

int32_t ParamValues::GetValue(const ParamDescriptor& descriptor, Variant& value) const
{
    ListReader elements(*this);
    Variant id;
    Variant key;
    for (;;) {
        // The value is copied only from the element that matches.
        ListReader items;
        const int32_t result = NextElement(elements, {nullptr, &id, &key}, items);
        if (result == kNoElement)
            break;
        if (result != 0) {
            value.Clear();
            return result;
        }
        if (id.GetInt32() == descriptor.id && key == descriptor.key) {
            items.Next(value);
            return 0;
        }
    }
    value.Clear();
    return 1;
}

int32_t ParamValues::SetValue(const ParamDescriptor& descriptor, const Variant& value)
{
    // One walk finds what changes: the last element of the same parameter takes the new value (a list
    // built elsewhere may hold a parameter twice), or else the new element goes before the first one
    // that is not below it.
    constexpr uint32_t none = std::numeric_limits<uint32_t>::max();
    uint32_t count = 0;
    uint32_t found = none;
    uint32_t insertAt = none;
    ListReader elements(*this);
    Variant item;
    Variant idItem;
    Variant key;
    for (;; ++count) {
        ListReader items;
        const int32_t result = NextElement(elements, {nullptr, &idItem, &key}, items);
        if (result == kNoElement)
            break;
        if (result != 0)
            return result;
        const int32_t id = idItem.GetInt32();
        if (id == descriptor.id && key == descriptor.key) {
            items.Next(item);
            if (item == value)
                return 1;
            found = count;
        } else if (found == none && insertAt == none && !IsBelow(id, key, descriptor)) {
            insertAt = count;
        }
    }
    if (found != none)
        insertAt = none;
    else if (insertAt == none)
        insertAt = count;

    // Every element is written again as the readers read it, its id as a 32-bit integer.
    const Variant newId(descriptor.id);
    BuildList([&](ListWriter& list) {
        ListReader source(*this);
        Variant id;
        for (uint32_t k = 0; k <= count; ++k) {
            if (k == insertAt)
                list.AddList({&value, &newId, &descriptor.key});
            ListReader items;
            if (k == count || !source.NextList(items))
                break;
            list.BeginList();
            if (k == found) {
                items.Skip();
                list.Add(value);
            } else {
                list.AddNext(items);
            }
            items.Next(id);
            list.Add(Variant(id.GetInt32()));
            list.AddNext(items);
            list.EndList();
        }
    });
    return 0;
}

} // namespace VQ
