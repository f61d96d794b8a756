#include "vqframework/storage/Variant.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <typeinfo>
#include <vector>

namespace VQ {

namespace {

// Floating-point values are rounded half away from zero before they are truncated; values beyond the
// target range saturate and a NaN gives 0, because the plain conversion is undefined there.
int32_t RoundToInt32(double x)
{
    if (std::isnan(x))
        return 0;
    const double rounded = x < 0 ? x - 0.5 : x + 0.5;
    if (rounded <= -2147483649.0)
        return std::numeric_limits<int32_t>::min();
    if (rounded >= 2147483648.0)
        return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(rounded);
}

// The 64-bit getters round in the value's own precision.
template <class F> int64_t RoundToInt64(F x)
{
    if (std::isnan(x))
        return 0;
    const F rounded = x < 0 ? x - F(0.5) : x + F(0.5);
    if (rounded < F(-9223372036854775808.0))
        return std::numeric_limits<int64_t>::min();
    if (rounded >= F(9223372036854775808.0))
        return std::numeric_limits<int64_t>::max();
    return static_cast<int64_t>(rounded);
}

// Negative values keep the bits of their signed rounding; 2^63 and more come out whole.
template <class F> uint64_t RoundToUInt64(F x)
{
    if (std::isnan(x))
        return 0;
    if (x < 0)
        return static_cast<uint64_t>(RoundToInt64(x));
    const F rounded = x + F(0.5);
    if (rounded >= F(18446744073709551616.0))
        return std::numeric_limits<uint64_t>::max();
    return static_cast<uint64_t>(rounded);
}

bool IsIntegerType(int32_t type)
{
    return (type >= Variant::TypeBool && type <= Variant::TypeUInt32) || type == Variant::TypeInt64 ||
           type == Variant::TypeUInt64;
}

bool IsByteType(int32_t type)
{
    return type >= Variant::TypeExternalBytes && type <= Variant::TypeBytes;
}

bool HasBufferType(int32_t type)
{
    return type >= Variant::TypeExternalBytes && type <= Variant::TypeList;
}

uint32_t NumericSize(int32_t type)
{
    switch (type) {
    case Variant::TypeBool:
    case Variant::TypeInt8:
    case Variant::TypeUInt8:
        return 1;
    case Variant::TypeInt16:
    case Variant::TypeUInt16:
        return 2;
    case Variant::TypeInt32:
    case Variant::TypeUInt32:
    case Variant::TypeFloat:
        return 4;
    case Variant::TypeDouble:
    case Variant::TypeInt64:
    case Variant::TypeUInt64:
        return 8;
    default:
        return 0;
    }
}

bool Overlaps(const void* data, uint32_t size, const void* begin, uint32_t length)
{
    if (!data || !begin)
        return false;
    const auto first = reinterpret_cast<uintptr_t>(data);
    const auto start = reinterpret_cast<uintptr_t>(begin);
    return first < start + length && start < first + (size ? size : 1);
}

} // namespace

// The device-control library takes values by address, so the layout is part of that interface.
static_assert(sizeof(Variant) == 24 && alignof(Variant) == 8, "vtable, value slot, length, type");

Variant::Variant(int32_t value) : m_type(TypeInt32)
{
    m_value = static_cast<uint32_t>(value);
}

Variant::Variant(const Variant& other)
{
    Assign(other);
}

Variant& Variant::operator=(const Variant& other)
{
    Assign(other);
    return *this;
}

Variant::Variant(Variant&& other) noexcept
{
    // In a constructor this value allocates and frees as Variant does, whatever class it ends up in.
    TakeValue(other, typeid(other) == typeid(Variant));
}

Variant& Variant::operator=(Variant&& other) noexcept
{
    if (&other != this)
        TakeValue(other, typeid(*this) == typeid(Variant) && typeid(other) == typeid(Variant));
    return *this;
}

void Variant::TakeValue(Variant& other, bool takeBuffer) noexcept
{
    if (other.OwnsBuffer() && !takeBuffer) {
        Assign(other);
        other.ReleaseValue();
        return;
    }
    ReleaseValue();
    m_value = other.m_value;
    m_length = other.m_length;
    m_type = other.m_type;
    // The buffer, if any, is this value's now: emptied without being freed.
    other.m_value = 0;
    other.m_length = 0;
    other.m_type = TypeEmpty;
}

Variant::~Variant()
{
    ReleaseValue();
}

void Variant::ReleaseValue()
{
    if (OwnsBuffer())
        FreeBuffer(GetBufferAddress());
    m_value = 0;
    m_length = 0;
    m_type = TypeEmpty;
}

void* Variant::AllocateBuffer(uint32_t size)
{
    return new char[size];
}

void Variant::FreeBuffer(void* buffer)
{
    delete[] static_cast<char*>(buffer);
}

int32_t Variant::Set(int32_t type, const void* data, uint32_t size)
{
    if (type >= TypeBool && type <= TypeUInt64) {
        // Copied first: the source may be this value's own slot.
        uint64_t slot = 0;
        const bool accepted = data && size == NumericSize(type);
        if (accepted)
            std::memcpy(&slot, data, size);
        ReleaseValue();
        if (!accepted)
            return TypeEmpty;
        m_value = slot;
        m_type = type;
        return type;
    }
    switch (type) {
    case TypeExternalBytes:
    case TypeExternalConstBytes:
    case TypeBytes:
        return SetBuffer(data, size);
    case TypeList:
        if (SetBuffer(data, size) != TypeBytes)
            return TypeEmpty;
        m_type = TypeList;
        return TypeList;
    case TypeString:
        return SetText(static_cast<const char*>(data), size);
    default:
        ReleaseValue();
        return TypeEmpty;
    }
}

int32_t Variant::SetBuffer(const void* data, uint32_t size)
{
    if (size && OwnsBuffer() && Overlaps(data, size, GetBufferAddress(), m_length)) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        const std::vector<unsigned char> copy(bytes, bytes + size);
        return SetBuffer(copy.data(), size);
    }
    ReleaseValue();
    void* buffer = AllocateBuffer(size);
    if (!buffer && size)
        return TypeEmpty;
    // Zero bytes rather than whatever the allocator left: they may end up in a file.
    if (size) {
        if (data)
            std::memcpy(buffer, data, size);
        else
            std::memset(buffer, 0, size);
    }
    SetBufferAddress(buffer);
    m_length = size;
    m_type = TypeBytes;
    return TypeBytes;
}

int32_t Variant::SetString(const char* text)
{
    return SetText(text, 0);
}

int32_t Variant::SetText(const char* text, uint32_t maxBytes)
{
    const size_t length = !text ? 0 : maxBytes ? strnlen(text, maxBytes) : std::strlen(text);
    if (length >= std::numeric_limits<uint32_t>::max()) {
        ReleaseValue();
        return TypeEmpty;
    }
    const auto size = static_cast<uint32_t>(length);
    if (OwnsBuffer() && Overlaps(text, size, GetBufferAddress(), m_length)) {
        const std::string copy(text, size);
        return SetText(copy.c_str(), 0);
    }
    if (SetBuffer(nullptr, size + 1) != TypeBytes)
        return TypeEmpty;
    auto* buffer = static_cast<char*>(GetBufferAddress());
    if (size)
        std::memcpy(buffer, text, size);
    buffer[size] = 0;
    m_type = TypeString;
    return TypeString;
}

void Variant::Clear()
{
    ReleaseValue();
}

int32_t Variant::Assign(const Variant& other)
{
    if (&other == this)
        return m_type;
    ReleaseValue();
    if (other.m_type < TypeBytes) {
        m_value = other.m_value;
        m_length = other.m_length;
        m_type = other.m_type;
        return m_type;
    }
    void* buffer = AllocateBuffer(other.m_length);
    if (!buffer)
        return TypeEmpty;
    if (other.m_length)
        std::memcpy(buffer, other.GetBufferAddress(), other.m_length);
    SetBufferAddress(buffer);
    m_length = other.m_length;
    m_type = other.m_type;
    return m_type;
}

const void* Variant::GetData(uint32_t* size) const
{
    uint32_t bytes = 0;
    const void* data = nullptr;
    if (const uint32_t width = NumericSize(m_type)) {
        bytes = width;
        data = &m_value;
    } else if (HasBufferType(m_type)) {
        bytes = m_length;
        data = GetBufferAddress();
    }
    if (size)
        *size = bytes;
    return data;
}

void* Variant::GetWritableData(uint32_t* size)
{
    if (m_type == TypeExternalConstBytes || m_type == TypeList) {
        if (size)
            *size = 0;
        return nullptr;
    }
    return const_cast<void*>(GetData(size));
}

const char* Variant::GetString() const
{
    return m_type == TypeString ? static_cast<const char*>(GetBufferAddress()) : nullptr;
}

uint64_t Variant::ReadBytes(uint32_t width) const
{
    // Bytes beyond the run read as zero.
    uint64_t value = 0;
    const uint32_t count = m_length < width ? m_length : width;
    if (count && GetBufferAddress())
        std::memcpy(&value, GetBufferAddress(), count);
    return value;
}

int64_t Variant::GetIntegerBits() const
{
    switch (m_type) {
    case TypeInt8:
        return static_cast<int8_t>(m_value);
    case TypeInt16:
        return static_cast<int16_t>(m_value);
    case TypeInt32:
        return static_cast<int32_t>(m_value);
    default:
        return static_cast<int64_t>(m_value);
    }
}

namespace {

float SlotFloat(uint64_t slot)
{
    float value;
    const auto bits = static_cast<uint32_t>(slot);
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

double SlotDouble(uint64_t slot)
{
    double value;
    std::memcpy(&value, &slot, sizeof value);
    return value;
}

} // namespace

bool Variant::GetBool() const
{
    switch (m_type) {
    case TypeBool:
    case TypeInt8:
    case TypeUInt8:
        return static_cast<uint8_t>(m_value) != 0;
    case TypeInt16:
    case TypeUInt16:
        return static_cast<uint16_t>(m_value) != 0;
    case TypeInt32:
    case TypeUInt32:
        return static_cast<uint32_t>(m_value) != 0;
    case TypeFloat:
        return SlotFloat(m_value) != 0.0f;
    case TypeDouble:
        return SlotDouble(m_value) != 0.0;
    case TypeInt64:
    case TypeUInt64:
        return m_value != 0;
    case TypeExternalBytes:
    case TypeExternalConstBytes:
        return GetBufferAddress() != nullptr;
    case TypeBytes:
    case TypeList:
        return m_length != 0;
    case TypeString:
        return m_length > 1;
    default:
        return false;
    }
}

int8_t Variant::GetInt8() const
{
    if (IsIntegerType(m_type))
        return static_cast<int8_t>(m_value);
    switch (m_type) {
    case TypeFloat:
        return static_cast<int8_t>(RoundToInt32(SlotFloat(m_value)));
    case TypeDouble:
        return static_cast<int8_t>(RoundToInt32(SlotDouble(m_value)));
    case TypeString:
        return static_cast<int8_t>(m_length ? m_length - 1 : 0);
    default:
        return static_cast<int8_t>(IsByteType(m_type) ? ReadBytes(1) : 0);
    }
}

int16_t Variant::GetInt16() const
{
    if (IsIntegerType(m_type))
        return static_cast<int16_t>(GetIntegerBits());
    switch (m_type) {
    case TypeFloat:
        return static_cast<int16_t>(RoundToInt32(SlotFloat(m_value)));
    case TypeDouble:
        return static_cast<int16_t>(RoundToInt32(SlotDouble(m_value)));
    case TypeString:
        return static_cast<int16_t>(m_length ? m_length - 1 : 0);
    default:
        return static_cast<int16_t>(IsByteType(m_type) ? ReadBytes(2) : 0);
    }
}

int32_t Variant::GetInt32() const
{
    if (IsIntegerType(m_type))
        return static_cast<int32_t>(GetIntegerBits());
    switch (m_type) {
    case TypeFloat:
        return RoundToInt32(SlotFloat(m_value));
    case TypeDouble:
        return RoundToInt32(SlotDouble(m_value));
    case TypeString:
        return static_cast<int32_t>(m_length ? m_length - 1 : 0);
    default:
        return static_cast<int32_t>(IsByteType(m_type) ? ReadBytes(4) : 0);
    }
}

int64_t Variant::GetInt64() const
{
    if (IsIntegerType(m_type))
        return GetIntegerBits();
    switch (m_type) {
    case TypeFloat:
        return RoundToInt64(SlotFloat(m_value));
    case TypeDouble:
        return RoundToInt64(SlotDouble(m_value));
    case TypeString:
        return m_length ? m_length - 1 : 0;
    default:
        return static_cast<int64_t>(IsByteType(m_type) ? ReadBytes(8) : 0);
    }
}

uint8_t Variant::GetUInt8() const
{
    return static_cast<uint8_t>(GetInt8());
}

uint16_t Variant::GetUInt16() const
{
    // The slot's low 16 bits, so an 8-bit -1 reads as 255.
    if (IsIntegerType(m_type))
        return static_cast<uint16_t>(m_value);
    switch (m_type) {
    case TypeFloat:
        return static_cast<uint16_t>(RoundToInt32(SlotFloat(m_value)));
    case TypeDouble:
        return static_cast<uint16_t>(RoundToInt32(SlotDouble(m_value)));
    case TypeString:
        return static_cast<uint16_t>(m_length ? m_length - 1 : 0);
    default:
        return static_cast<uint16_t>(IsByteType(m_type) ? ReadBytes(2) : 0);
    }
}

uint32_t Variant::GetUInt32() const
{
    if (IsIntegerType(m_type))
        return static_cast<uint32_t>(GetIntegerBits());
    switch (m_type) {
    case TypeFloat:
        return static_cast<uint32_t>(RoundToInt64(static_cast<double>(SlotFloat(m_value))));
    case TypeDouble:
        return static_cast<uint32_t>(RoundToInt64(SlotDouble(m_value)));
    case TypeString:
        return m_length ? m_length - 1 : 0;
    default:
        return static_cast<uint32_t>(IsByteType(m_type) ? ReadBytes(4) : 0);
    }
}

uint64_t Variant::GetUInt64() const
{
    if (IsIntegerType(m_type))
        return static_cast<uint64_t>(GetIntegerBits());
    switch (m_type) {
    case TypeFloat:
        return RoundToUInt64(SlotFloat(m_value));
    case TypeDouble:
        return RoundToUInt64(SlotDouble(m_value));
    case TypeString:
        return m_length ? m_length - 1 : 0;
    default:
        return IsByteType(m_type) ? ReadBytes(8) : 0;
    }
}

float Variant::GetFloat() const
{
    if (m_type == TypeUInt64)
        return static_cast<float>(m_value);
    if (IsIntegerType(m_type))
        return static_cast<float>(GetIntegerBits());
    switch (m_type) {
    case TypeFloat:
        return SlotFloat(m_value);
    case TypeDouble:
        return static_cast<float>(SlotDouble(m_value));
    case TypeExternalBytes:
    case TypeExternalConstBytes:
    case TypeBytes:
    case TypeString:
        return static_cast<float>(GetInt32());
    default:
        return 0.0f;
    }
}

double Variant::GetDouble() const
{
    if (m_type == TypeUInt64)
        return static_cast<double>(m_value);
    if (IsIntegerType(m_type))
        return static_cast<double>(GetIntegerBits());
    switch (m_type) {
    case TypeFloat:
        return SlotFloat(m_value);
    case TypeDouble:
        return SlotDouble(m_value);
    case TypeExternalBytes:
    case TypeExternalConstBytes:
    case TypeBytes:
    case TypeString:
        return static_cast<double>(GetInt64());
    default:
        return 0.0;
    }
}

bool Variant::IsNegative() const
{
    switch (m_type) {
    case TypeInt8:
    case TypeInt16:
    case TypeInt32:
    case TypeInt64:
        return GetIntegerBits() < 0;
    case TypeFloat:
        return SlotFloat(m_value) < 0.0f;
    case TypeDouble:
        return SlotDouble(m_value) < 0.0;
    default:
        return false;
    }
}

bool Variant::operator==(const Variant& other) const
{
    if (m_type != other.m_type || m_type < TypeEmpty || m_type >= TypeCount)
        return false;
    switch (m_type) {
    case TypeEmpty:
        return true;
    case TypeFloat:
        return SlotFloat(m_value) == SlotFloat(other.m_value);
    case TypeDouble:
        return SlotDouble(m_value) == SlotDouble(other.m_value);
    case TypeExternalBytes:
    case TypeExternalConstBytes:
        return m_value == other.m_value && m_length == other.m_length;
    case TypeBytes:
    case TypeString:
    case TypeList:
        return m_length == other.m_length &&
               (m_length == 0 || std::memcmp(GetBufferAddress(), other.GetBufferAddress(), m_length) == 0);
    default: {
        const uint64_t mask = NumericSize(m_type) == 8 ? ~uint64_t(0) : (uint64_t(1) << (8 * NumericSize(m_type))) - 1;
        return (m_value & mask) == (other.m_value & mask);
    }
    }
}

bool Variant::LessBytes(const void* left, uint32_t leftLength, const void* right, uint32_t rightLength)
{
    if (leftLength != rightLength)
        return leftLength < rightLength;
    return leftLength != 0 && std::memcmp(left, right, leftLength) < 0;
}

bool Variant::operator<(const Variant& other) const
{
    if (m_type == other.m_type)
        return LessSameType(other);
    return LessMixedTypes(other);
}

bool Variant::LessSameType(const Variant& other) const
{
    switch (m_type) {
    case TypeBool:
    case TypeUInt8:
        return static_cast<uint8_t>(m_value) < static_cast<uint8_t>(other.m_value);
    case TypeInt8:
        return static_cast<int8_t>(m_value) < static_cast<int8_t>(other.m_value);
    case TypeInt16:
        return static_cast<int16_t>(m_value) < static_cast<int16_t>(other.m_value);
    case TypeUInt16:
        return static_cast<uint16_t>(m_value) < static_cast<uint16_t>(other.m_value);
    case TypeInt32:
        return static_cast<int32_t>(m_value) < static_cast<int32_t>(other.m_value);
    case TypeUInt32:
        return static_cast<uint32_t>(m_value) < static_cast<uint32_t>(other.m_value);
    case TypeFloat:
        return SlotFloat(m_value) < SlotFloat(other.m_value);
    case TypeDouble:
        return SlotDouble(m_value) < SlotDouble(other.m_value);
    case TypeInt64:
        return static_cast<int64_t>(m_value) < static_cast<int64_t>(other.m_value);
    case TypeUInt64:
        return m_value < other.m_value;
    case TypeExternalBytes:
    case TypeExternalConstBytes:
        // Consistent with equality by identity: length, then address.
        if (m_length != other.m_length)
            return m_length < other.m_length;
        return m_value < other.m_value;
    case TypeBytes:
        return LessBytes(GetBufferAddress(), m_length, other.GetBufferAddress(), other.m_length);
    case TypeString: {
        if (m_length != other.m_length)
            return m_length < other.m_length;
        // Signed chars put the non-ASCII UTF-8 bytes before every ASCII byte.
        const auto* left = static_cast<const signed char*>(GetBufferAddress());
        const auto* right = static_cast<const signed char*>(other.GetBufferAddress());
        for (uint32_t i = 0; i < m_length; ++i) {
            if (left[i] != right[i])
                return left[i] < right[i];
        }
        return false;
    }
    case TypeList:
        return LessList(other);
    default:
        return false;
    }
}

bool Variant::LessMixedTypes(const Variant& other) const
{
    if (m_type == TypeEmpty || other.m_type == TypeEmpty)
        return m_type < other.m_type;
    if (m_type <= TypeDouble && other.m_type <= TypeDouble)
        return GetDouble() < other.GetDouble();
    if (m_type > TypeUInt64 || other.m_type > TypeUInt64) {
        // A numeric side takes part with the 8 bytes of its slot.
        const bool leftBuffer = HasBufferType(m_type);
        const bool rightBuffer = HasBufferType(other.m_type);
        return LessBytes(leftBuffer ? GetBufferAddress() : &m_value, leftBuffer ? m_length : 8,
                         rightBuffer ? other.GetBufferAddress() : &other.m_value, rightBuffer ? other.m_length : 8);
    }
    // Both numeric and at least one 64-bit integer.
    const bool leftNegative = IsNegative();
    const bool rightNegative = other.IsNegative();
    if (leftNegative != rightNegative)
        return leftNegative;
    constexpr double two63 = 9223372036854775808.0;
    constexpr double two64 = 18446744073709551616.0;
    if (m_type == TypeFloat || m_type == TypeDouble) {
        const double d = GetDouble();
        if (d < 0)
            return d < -two63 || GetInt64() < other.GetInt64();
        return !(d > two64) && GetUInt64() < other.GetUInt64();
    }
    if (other.m_type == TypeFloat || other.m_type == TypeDouble) {
        const double d = other.GetDouble();
        if (d < 0)
            return !(d < -two63) && GetInt64() < other.GetInt64();
        return d > two64 || GetUInt64() < other.GetUInt64();
    }
    return GetDouble() < other.GetDouble();
}

} // namespace VQ
