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

bool HoldsItems(const Variant& list)
{
    return list.GetType() == Variant::TypeList && list.GetLength() > 4;
}

// Copies element index of list into element when it is a list of exactly itemCount items.
int32_t ReadElement(const Variant& list, uint32_t index, uint32_t itemCount, Variant& element)
{
    if (!HoldsItems(list) || index >= list.GetListCount())
        return kNoElement;
    list.GetListItem(index, element);
    if (!HoldsItems(element) || element.GetListCount() != itemCount)
        return kMalformedElement;
    return 0;
}

void SetElement(Variant& element, std::initializer_list<const Variant*> items)
{
    element.SetList(items.begin(), static_cast<uint32_t>(items.size()));
}

bool IsBelow(const ParamDescriptor& element, const ParamDescriptor& entry)
{
    auto elementId = static_cast<uint32_t>(element.id);
    auto entryId = static_cast<uint32_t>(entry.id);
    if (elementId != entryId)
        return elementId < entryId;
    return element.key < entry.key;
}

bool IsSameParameter(const ParamDescriptor& element, const ParamDescriptor& descriptor)
{
    return element.id == descriptor.id && element.key == descriptor.key;
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
    std::vector<Variant> elements(count);
    for (uint32_t i = 0; i < count; ++i) {
        Variant first(ranges[i].first);
        Variant idCount(ranges[i].count);
        SetElement(elements[i], {&first, &idCount});
    }
    SetList(elements.data(), count);
    return 0;
}

int32_t ParamRanges::GetAt(uint32_t index, ParamRange& range) const
{
    Variant element;
    int32_t result = ReadElement(*this, index, 2, element);
    if (result == kNoElement)
        range = ParamRange{-1, 0};
    if (result != 0)
        return result;
    Variant item;
    element.GetListItem(0, item);
    range.first = item.GetInt32();
    element.GetListItem(1, item);
    range.count = item.GetInt32();
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
    std::vector<Variant> elements(count);
    for (uint32_t i = 0; i < count; ++i) {
        Variant id(descriptors[i].id);
        SetElement(elements[i], {&id, &descriptors[i].key});
    }
    SetList(elements.data(), count);
    return 0;
}

int32_t ParamDescriptors::SetFromRanges(const ParamRanges& ranges)
{
    std::vector<ParamRange> runs;
    uint64_t total = 0;
    uint32_t rangeCount = ranges.GetListCount();
    for (uint32_t k = 0; k < rangeCount; ++k) {
        ParamRange range;
        if (ranges.GetAt(k, range) != 0 || range.count <= 0)
            continue;
        int64_t idsBeforeLimit = int64_t{std::numeric_limits<int32_t>::max()} - range.first + 1;
        range.count = static_cast<int32_t>(std::min<int64_t>(range.count, idsBeforeLimit));
        runs.push_back(range);
        total += static_cast<uint64_t>(range.count);
    }

    if (total == 0) {
        SetList(static_cast<const Variant*>(nullptr), 0);
        return 0;
    }
    // A list value's length is 32 bits; refuse before allocating anything.
    if (total > std::numeric_limits<uint32_t>::max() / kRangeDescriptorEntrySize)
        return E_OUTOFMEMORY;

    std::vector<uint8_t> content(static_cast<size_t>(total * kRangeDescriptorEntrySize));
    uint32_t offset = 0;
    const Variant emptyKey;
    Variant element;
    for (const ParamRange& run : runs) {
        for (int32_t n = 0; n < run.count; ++n) {
            Variant id(run.first + n);
            SetElement(element, {&id, &emptyKey});
            offset += SerializeVariant(element, content.data() + offset, static_cast<uint32_t>(content.size() - offset));
        }
    }
    Variant::Set(TypeList, content.data(), offset);
    return 0;
}

int32_t ParamDescriptors::GetAt(uint32_t index, int32_t& id, Variant& key) const
{
    id = -1;
    key.Clear();
    Variant element;
    int32_t result = ReadElement(*this, index, 2, element);
    if (result != 0)
        return result;
    Variant item;
    element.GetListItem(0, item);
    id = item.GetInt32();
    element.GetListItem(1, key);
    return 0;
}

ParamValues::~ParamValues() = default;

int32_t ParamValues::Set(const ParamValue* values, uint32_t count)
{
    if (!values || count == 0)
        return kNoElement;
    std::vector<Variant> elements(count);
    for (uint32_t i = 0; i < count; ++i) {
        Variant id(values[i].id);
        SetElement(elements[i], {&values[i].value, &id, &values[i].key});
    }
    SetList(elements.data(), count);
    return 0;
}

int32_t ParamValues::Set(const ParamDescriptor& descriptor, const Variant& value)
{
    Variant element;
    Variant id(descriptor.id);
    SetElement(element, {&value, &id, &descriptor.key});
    SetList(&element, 1);
    return 0;
}

int32_t ParamValues::GetAt(uint32_t index, Variant& value, int32_t& id, Variant& key) const
{
    value.Clear();
    id = -1;
    Variant element;
    int32_t result = ReadElement(*this, index, 3, element);
    if (result != 0)
        return result;
    element.GetListItem(0, value);
    Variant item;
    element.GetListItem(1, item);
    id = item.GetInt32();
    element.GetListItem(2, key);
    return 0;
}

int32_t ParamValues::GetValue(const ParamDescriptor& descriptor, Variant& value) const
{
    uint32_t count = HoldsItems(*this) ? GetListCount() : 0;
    ParamDescriptor element;
    for (uint32_t k = 0; k < count; ++k) {
        int32_t result = GetAt(k, value, element.id, element.key);
        if (result < 0) {
            value.Clear();
            return result;
        }
        if (IsSameParameter(element, descriptor))
            return 0;
    }
    value.Clear();
    return 1;
}

int32_t ParamValues::SetValue(const ParamDescriptor& descriptor, const Variant& value)
{
    constexpr uint32_t none = std::numeric_limits<uint32_t>::max();
    uint32_t count = GetListCount();
    std::vector<ParamValue> slots(static_cast<size_t>(count) + 1);
    uint32_t next = 0;
    uint32_t found = none;
    uint32_t inserted = none;
    auto putNewEntry = [&](ParamValue& slot) {
        slot.id = descriptor.id;
        slot.key.Assign(descriptor.key);
        slot.value.Assign(value);
    };

    for (uint32_t k = 0; k < count; ++k) {
        ParamValue& slot = slots[next];
        int32_t result = GetAt(k, slot.value, slot.id, slot.key);
        if (result < 0)
            return result;
        if (IsSameParameter(slot, descriptor)) {
            if (slot.value == value)
                return 1;
            found = next;
            // Only a list built elsewhere, out of order, can hold the entry behind the place where
            // it was inserted; drop the inserted copy so that the pair stays unique.
            if (inserted != none) {
                slots.erase(slots.begin() + inserted);
                inserted = none;
                found = --next;
            }
        } else if (found == none && inserted == none && !IsBelow(slot, descriptor)) {
            inserted = next;
            slots[next + 1] = slot;
            putNewEntry(slots[next]);
            ++next;
        }
        ++next;
    }

    if (found != none) {
        slots[found].value.Assign(value);
        Set(slots.data(), next);
    } else if (inserted != none) {
        Set(slots.data(), next);
    } else {
        putNewEntry(slots[next]);
        Set(slots.data(), next + 1);
    }
    return 0;
}

} // namespace VQ
