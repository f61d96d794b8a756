// Tagged value of the framework: empty, boolean, integers, floating point, bytes, UTF-8 text or a list
// of values, with one byte form shared by program files and the device-control library.
#pragma once

#include "vqframework/objectbase/Result.h"

#include <concepts>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace VQ {

// The number types a value holds as themselves: bool, the integers of 8 to 64 bits and the two
// floating-point types. Characters are text, not numbers.
template <class T>
concept VariantNumber = std::same_as<T, bool> || std::same_as<T, float> || std::same_as<T, double> ||
                        (std::is_integral_v<T> && sizeof(T) <= 8 && !std::same_as<T, char> &&
                         !std::same_as<T, wchar_t> && !std::same_as<T, char8_t> && !std::same_as<T, char16_t> &&
                         !std::same_as<T, char32_t>);

class Variant {
public:
    // Type tags; the numbers are part of the byte form.
    enum : int32_t {
        TypeEmpty = 0,
        TypeBool = 1,
        TypeInt8 = 2,
        TypeUInt8 = 3,
        TypeInt16 = 4,
        TypeUInt16 = 5,
        TypeInt32 = 6,
        TypeUInt32 = 7,
        TypeFloat = 8,
        TypeDouble = 9,
        TypeInt64 = 10,
        TypeUInt64 = 11,
        TypeExternalBytes = 12,
        TypeExternalConstBytes = 13,
        TypeBytes = 14,
        TypeString = 15,
        TypeList = 16,
        TypeCount = 17
    };

    Variant() = default;
    // An int32 value. Every other number is refused here rather than turned into an int32 (0.75 into
    // 0, true into 1, 4000000000u into a negative number): Of gives each its own type.
    explicit Variant(int32_t value);
    template <class T>
        requires std::is_arithmetic_v<T> && (!std::same_as<T, int32_t>)
    Variant(T) = delete;
    // A value of T's own type: Of(true) is a bool, Of(0.75) a double, Of<uint8_t>(7) an 8-bit
    // unsigned number.
    template <VariantNumber T> static Variant Of(T value);
    Variant(const Variant& other);
    Variant& operator=(const Variant& other);
    // Take other's value and leave it empty. Its buffer is taken over only when both sides are plain
    // Variants, whose buffers all come from new[]; a derived class may allocate otherwise and keep
    // state beside the buffer, so there the bytes are copied (and a failed allocation ends the
    // program, as the move cannot report it).
    Variant(Variant&& other) noexcept;
    Variant& operator=(Variant&& other) noexcept;
    virtual ~Variant();

    virtual bool GetBool() const;
    virtual int8_t GetInt8() const;
    virtual int16_t GetInt16() const;
    virtual int32_t GetInt32() const;
    virtual int64_t GetInt64() const;
    virtual uint8_t GetUInt8() const;
    virtual uint16_t GetUInt16() const;
    virtual uint32_t GetUInt32() const;
    virtual uint64_t GetUInt64() const;
    virtual float GetFloat() const;
    virtual double GetDouble() const;
    // The value's bytes: the slot for numbers, the buffer for types 12 to 16; null and 0 when empty.
    virtual const void* GetData(uint32_t* size) const;
    // As GetData, but read-only bytes and lists give null and 0.
    virtual void* GetWritableData(uint32_t* size);
    // The text of type 15, else null.
    virtual const char* GetString() const;
    virtual void* AllocateBuffer(uint32_t size);
    virtual void FreeBuffer(void* buffer);

    // Returns the type now held; a refused request leaves the value empty and returns 0.
    int32_t Set(int32_t type, const void* data, uint32_t size);
    // Owned bytes (type 14); null data gives zero bytes.
    int32_t SetBuffer(const void* data, uint32_t size);
    // Owned text (type 15), copied up to and including its NUL.
    int32_t SetString(const char* text);
    void Clear();
    // Copies owned bytes into a buffer of this value's own allocator; returns the type now held.
    int32_t Assign(const Variant& other);

    // A list of count items, each stored in the byte form.
    int32_t SetList(const Variant* items, uint32_t count);
    int32_t SetList(const Variant* const* items, uint32_t count);
    uint32_t GetListCount() const;
    // Clears out, then copies the index-th item into it: 0, or -1 when there is no such item.
    int32_t GetListItem(uint32_t index, Variant& out) const;

    bool operator==(const Variant& other) const;
    bool operator!=(const Variant& other) const { return !(*this == other); }
    // The order that keeps parameter lists sorted by key, a strict weak order over all values:
    // - empty values first, lists after all other values, values of unknown types last;
    // - numbers and byte values by length first, a number counting as its 8-byte slot (so short
    //   text comes before every number); at equal length numbers first, then the byte types by tag;
    // - numbers of every type by their exact value, -0 as 0, a NaN after every other number and
    //   equivalent to every NaN; external bytes by address, owned bytes unsigned, text by signed
    //   bytes; lists item by item, a prefix first (below 16 levels of nesting, by their bytes).
    // Equal values are equivalent; equivalent values of different types are not equal.
    bool operator<(const Variant& other) const;
    bool IsNegative() const;

    int32_t GetType() const { return m_type; }
    uint32_t GetLength() const { return m_length; }

protected:
    bool OwnsBuffer() const { return m_type >= TypeBytes; }
    void* GetBufferAddress() const { return reinterpret_cast<void*>(static_cast<uintptr_t>(m_value)); }
    void SetBufferAddress(const void* buffer) { m_value = reinterpret_cast<uintptr_t>(buffer); }
    // Gives an owned buffer back and empties every member.
    void ReleaseValue();
    // Takes other's value, its buffer itself when takeBuffer, else a copy; other ends up empty.
    void TakeValue(Variant& other, bool takeBuffer) noexcept;
    // Owned text from at most maxBytes bytes (0: up to the NUL), a NUL added when none is found.
    int32_t SetText(const char* text, uint32_t maxBytes);

    // Little-endian: a number sits in the low bytes, the rest zero; the byte types keep the address.
    uint64_t m_value = 0;
    uint32_t m_length = 0;
    int32_t m_type = TypeEmpty;

private:
    template <VariantNumber T> static constexpr int32_t TypeOf();

    // A value as the order and the reader see it: the members of a Variant, or an entry of list
    // content taken in place, just as DeserializeVariant would read it but without a copy.
    struct View {
        int32_t type = TypeEmpty;
        uint32_t length = 0;
        uint64_t slot = 0;
        const unsigned char* data = nullptr;
    };
    // What the reader makes of an entry: a value, a refusal that leaves its target untouched, or a
    // refusal that leaves the target empty.
    enum class EntryRead { Taken, Refused, RefusedEmpty };

    // The bytes of a number type, 0 for the other types.
    static uint32_t NumericSize(int32_t type);
    uint64_t ReadBytes(uint32_t width) const;
    int64_t GetIntegerBits() const;
    View GetView() const;
    // Copies what view shows into this value's own storage; returns the type now held.
    int32_t SetView(const View& view);
    // Reads the entry at the start of in; view is set when the entry is taken.
    static EntryRead ReadEntry(const unsigned char* in, uint32_t available, View& view);
    // The size of the entry at offset when it lies whole inside content, else 0.
    static uint32_t EntrySizeAt(const unsigned char* content, uint32_t length, uint32_t offset);
    // Below 0, 0 for equivalent values, above 0; depth counts the lists around the two values.
    static int Compare(const View& left, const View& right, int depth);
    static int CompareLists(const View& left, const View& right, int depth);

    friend VQRESULT DeserializeVariant(Variant& out, const void* in, uint32_t available);
};

template <VariantNumber T> constexpr int32_t Variant::TypeOf()
{
    if constexpr (std::same_as<T, bool>)
        return TypeBool;
    else if constexpr (std::same_as<T, float>)
        return TypeFloat;
    else if constexpr (std::same_as<T, double>)
        return TypeDouble;
    else if constexpr (sizeof(T) == 1)
        return std::is_signed_v<T> ? TypeInt8 : TypeUInt8;
    else if constexpr (sizeof(T) == 2)
        return std::is_signed_v<T> ? TypeInt16 : TypeUInt16;
    else if constexpr (sizeof(T) == 4)
        return std::is_signed_v<T> ? TypeInt32 : TypeUInt32;
    else
        return std::is_signed_v<T> ? TypeInt64 : TypeUInt64;
}

template <VariantNumber T> Variant Variant::Of(T value)
{
    static_assert(sizeof(T) <= sizeof(m_value));
    Variant result;
    // The slot is little-endian: the number's bytes at its start, zeros above.
    std::memcpy(&result.m_value, &value, sizeof value);
    result.m_type = TypeOf<T>();
    return result;
}

// Writes one entry; returns its size (12 + data bytes), or E_FAIL as an unsigned number.
uint32_t SerializeVariant(const Variant& value, void* out, uint32_t capacity);
// Reads the one entry at the start of in; S_OK or E_FAIL.
VQRESULT DeserializeVariant(Variant& out, const void* in, uint32_t available);

} // namespace VQ
