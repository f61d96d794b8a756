// Parameter descriptors, values and id ranges, and the list values that carry them between components.
#pragma once

#include "vqframework/storage/StringT.h"
#include "vqframework/storage/Variant.h"

#include <cstdint>

namespace VQ {

// Addresses one parameter: its id and a key, empty for a plain parameter.
struct ParamDescriptor {
    ParamDescriptor() = default;
    explicit ParamDescriptor(int32_t parameterId) : id(parameterId) {}

    int32_t id = -1;
    Variant key;
};

// A descriptor followed by the parameter's value, so that it serves wherever a descriptor is asked for.
struct ParamValue : ParamDescriptor {
    ParamValue() = default;
    ParamValue(int32_t parameterId, const Variant& parameterKey, const Variant& parameterValue);

    Variant value;
};

// The ids first, first + 1, ..., first + count - 1.
struct ParamRange {
    int32_t first = 0;
    int32_t count = 0;
};

// The text of a descriptor: its id as unsigned decimal.
StringT<char16_t, char> ParamDescriptorToString(const ParamDescriptor& descriptor);

// A list value of ranges, each element the list [first, count].
class ParamRanges : public Variant {
public:
    using Variant::Set;

    ParamRanges() = default;
    ParamRanges(const ParamRanges& other) = default;
    ParamRanges& operator=(const ParamRanges& other) = default;
    ~ParamRanges() override;

    // Replaces the content; -4 for no ranges, leaving the list unchanged.
    int32_t Set(const ParamRange* ranges, uint32_t count);
    // 0; -4 (range first -1, count 0) for no such element; -7 for a malformed one (range untouched).
    int32_t GetAt(uint32_t index, ParamRange& range) const;
};

// A list value of descriptors, each element the list [id, key], in the order built.
class ParamDescriptors : public Variant {
public:
    using Variant::Set;

    ParamDescriptors() = default;
    ParamDescriptors(const ParamDescriptors& other) = default;
    ParamDescriptors& operator=(const ParamDescriptors& other) = default;
    // One descriptor per id of the range, ascending, each with an empty key.
    explicit ParamDescriptors(const ParamRange& range);
    ~ParamDescriptors() override;

    int32_t Set(const ParamDescriptor* descriptors, uint32_t count);
    // One descriptor with an empty key per id of every range, in list order. Ids stop at the
    // largest 32-bit integer and a count of 0 or less gives none; E_OUTOFMEMORY when the ids
    // do not fit into one list value, which then stays unchanged.
    int32_t SetFromRanges(const ParamRanges& ranges);
    // 0; -4 for no such element, -7 for a malformed one; id is -1 and key empty unless 0.
    int32_t GetAt(uint32_t index, int32_t& id, Variant& key) const;
};

// A list value of parameter values, each element the list [value, id, key], value first.
// Kept sorted by (id as unsigned, key) when changed through SetValue only.
class ParamValues : public Variant {
public:
    class Reader;
    using Variant::Set;

    ParamValues() = default;
    ParamValues(const ParamValues& other) = default;
    ParamValues& operator=(const ParamValues& other) = default;
    ~ParamValues() override;

    int32_t Set(const ParamValue* values, uint32_t count);
    // Makes the list the one element [value, id, key], whatever it held before.
    int32_t Set(const ParamDescriptor& descriptor, const Variant& value);
    // 0; -4 for no such element, -7 for a malformed one (value empty and id -1, key untouched).
    int32_t GetAt(uint32_t index, Variant& value, int32_t& id, Variant& key) const;
    // 0 found; 1 not found; -4 or -7 for a malformed list. The value is empty unless found.
    int32_t GetValue(const ParamDescriptor& descriptor, Variant& value) const;
    // 1 when the same value is stored already (nothing rebuilt); 0 when changed or added in order;
    // -4 or -7 for a malformed list, which then stays unchanged.
    int32_t SetValue(const ParamDescriptor& descriptor, const Variant& value);
};

// Reads the elements of a value list front to back, each once, with the results GetAt gives for the
// indexes 0, 1, 2 and on. The list must stay unchanged while it is read.
class ParamValues::Reader {
public:
    explicit Reader(const ParamValues& values) : m_elements(values) {}
    // As GetAt for the next index: 0; -4 after the last element; -7 for a malformed one.
    int32_t Next(Variant& value, int32_t& id, Variant& key);

private:
    Variant::ListReader m_elements;
    Variant m_id;
};

} // namespace VQ
