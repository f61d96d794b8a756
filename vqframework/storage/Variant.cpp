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

namespace {

// A number as the order sees it: an integer as sign and magnitude, a floating-point value as a
// double (a float widens exactly), or a NaN.
struct Number {
    enum Kind { Integer, Floating, NotANumber } kind = Integer;
    bool negative = false;
    uint64_t magnitude = 0;
    double floating = 0.0;
};

Number SignedNumber(int64_t value)
{
    Number number;
    number.negative = value < 0;
    // Unsigned arithmetic, so that the magnitude of the smallest int64 comes out whole.
    number.magnitude = number.negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    return number;
}

Number FloatingNumber(double value)
{
    Number number;
    number.kind = std::isnan(value) ? Number::NotANumber : Number::Floating;
    number.floating = value;
    return number;
}

Number NumberOf(int32_t type, uint64_t slot)
{
    switch (type) {
    case Variant::TypeInt8:
        return SignedNumber(static_cast<int8_t>(slot));
    case Variant::TypeInt16:
        return SignedNumber(static_cast<int16_t>(slot));
    case Variant::TypeInt32:
        return SignedNumber(static_cast<int32_t>(slot));
    case Variant::TypeInt64:
        return SignedNumber(static_cast<int64_t>(slot));
    case Variant::TypeFloat:
        return FloatingNumber(SlotFloat(slot));
    case Variant::TypeDouble:
        return FloatingNumber(SlotDouble(slot));
    case Variant::TypeBool:
    case Variant::TypeUInt8:
        return SignedNumber(static_cast<uint8_t>(slot));
    case Variant::TypeUInt16:
        return SignedNumber(static_cast<uint16_t>(slot));
    case Variant::TypeUInt32:
        return SignedNumber(static_cast<uint32_t>(slot));
    default: {
        Number number;
        number.magnitude = slot;
        return number;
    }
    }
}

template <class T> int ThreeWay(T left, T right)
{
    return left < right ? -1 : right < left ? 1 : 0;
}

int CompareIntegers(const Number& left, const Number& right)
{
    if (left.negative != right.negative)
        return left.negative ? -1 : 1;
    const int byMagnitude = ThreeWay(left.magnitude, right.magnitude);
    return left.negative ? -byMagnitude : byMagnitude;
}

// Exact, where a conversion of the integer to double would round above 2^53.
int CompareFloatingToInteger(double floating, const Number& integer)
{
    const bool negative = floating < 0;
    if (negative != integer.negative)
        return negative ? -1 : 1;
    const double size = std::fabs(floating);
    int bySize;
    if (size >= 18446744073709551616.0) {
        bySize = 1;
    } else {
        // Both conversions are exact: size is below 2^64 and whole is a double's integral part.
        const auto whole = static_cast<uint64_t>(size);
        bySize = whole != integer.magnitude ? ThreeWay(whole, integer.magnitude)
                                            : (size > static_cast<double>(whole) ? 1 : 0);
    }
    return negative ? -bySize : bySize;
}

int CompareNumbers(const Number& left, const Number& right)
{
    const bool leftNaN = left.kind == Number::NotANumber;
    const bool rightNaN = right.kind == Number::NotANumber;
    if (leftNaN || rightNaN)
        return ThreeWay(leftNaN, rightNaN);
    if (left.kind == Number::Integer && right.kind == Number::Integer)
        return CompareIntegers(left, right);
    if (left.kind == Number::Floating && right.kind == Number::Floating)
        return ThreeWay(left.floating, right.floating);
    if (left.kind == Number::Floating)
        return CompareFloatingToInteger(left.floating, right);
    return -CompareFloatingToInteger(right.floating, left);
}

bool IsNumberType(int32_t type)
{
    return type >= Variant::TypeBool && type <= Variant::TypeUInt64;
}

// Lists nested deeper than this compare by their bytes, so that a value read from a file cannot nest
// deep enough to exhaust the stack.
constexpr int kListOrderDepth = 16;

// The classes of the order, in their order.
enum Rank { RankEmpty, RankNumbersAndBytes, RankList, RankUnknown };

Rank RankOf(int32_t type)
{
    if (type == Variant::TypeEmpty)
        return RankEmpty;
    if (type > Variant::TypeEmpty && type < Variant::TypeList)
        return RankNumbersAndBytes;
    return type == Variant::TypeList ? RankList : RankUnknown;
}

int CompareBytes(const unsigned char* left, const unsigned char* right, uint32_t length)
{
    const int byBytes = length ? std::memcmp(left, right, length) : 0;
    return ThreeWay(byBytes, 0);
}

// Signed chars put the non-ASCII UTF-8 bytes before every ASCII byte.
int CompareSignedBytes(const unsigned char* left, const unsigned char* right, uint32_t length)
{
    for (uint32_t i = 0; i < length; ++i) {
        const auto l = static_cast<signed char>(left[i]);
        const auto r = static_cast<signed char>(right[i]);
        if (l != r)
            return l < r ? -1 : 1;
    }
    return 0;
}

} // namespace

Variant::View Variant::GetView() const
{
    View view;
    view.type = m_type;
    if (HasBufferType(m_type)) {
        view.length = m_length;
        view.data = static_cast<const unsigned char*>(GetBufferAddress());
    } else {
        view.slot = m_value;
    }
    return view;
}

bool Variant::operator<(const Variant& other) const
{
    return Compare(GetView(), other.GetView(), 0) < 0;
}

int Variant::Compare(const View& left, const View& right, int depth)
{
    const Rank rank = RankOf(left.type);
    if (const int byRank = ThreeWay(rank, RankOf(right.type)))
        return byRank;
    switch (rank) {
    case RankEmpty:
        return 0;
    case RankList:
        return CompareLists(left, right, depth);
    case RankUnknown:
        return ThreeWay(left.type, right.type);
    case RankNumbersAndBytes:
        break;
    }
    const bool leftNumber = IsNumberType(left.type);
    const bool rightNumber = IsNumberType(right.type);
    if (const int byLength = ThreeWay(leftNumber ? 8u : left.length, rightNumber ? 8u : right.length))
        return byLength;
    if (const int byKind = ThreeWay(leftNumber ? 0 : left.type, rightNumber ? 0 : right.type))
        return byKind;
    switch (left.type) {
    case TypeExternalBytes:
    case TypeExternalConstBytes:
        return ThreeWay(reinterpret_cast<uintptr_t>(left.data), reinterpret_cast<uintptr_t>(right.data));
    case TypeBytes:
        return CompareBytes(left.data, right.data, left.length);
    case TypeString:
        return CompareSignedBytes(left.data, right.data, left.length);
    default:
        return CompareNumbers(NumberOf(left.type, left.slot), NumberOf(right.type, right.slot));
    }
}

int Variant::CompareLists(const View& left, const View& right, int depth)
{
    if (depth >= kListOrderDepth) {
        if (const int byLength = ThreeWay(left.length, right.length))
            return byLength;
        return CompareBytes(left.data, right.data, left.length);
    }
    // Item by item in one walk over both lists, each item read in place as the reader would read it.
    uint32_t leftOffset = 0;
    uint32_t rightOffset = 0;
    for (;;) {
        const uint32_t leftSize = EntrySizeAt(left.data, left.length, leftOffset);
        const uint32_t rightSize = EntrySizeAt(right.data, right.length, rightOffset);
        if (!leftSize || !rightSize)
            return ThreeWay(leftSize != 0, rightSize != 0);
        View leftItem;
        View rightItem;
        if (ReadEntry(left.data + leftOffset, leftSize, leftItem) != EntryRead::Taken)
            leftItem = View();
        if (ReadEntry(right.data + rightOffset, rightSize, rightItem) != EntryRead::Taken)
            rightItem = View();
        if (const int byItem = Compare(leftItem, rightItem, depth + 1))
            return byItem;
        leftOffset += leftSize;
        rightOffset += rightSize;
    }
}

} // namespace VQ
