// Tagged value of the framework: empty, boolean, integers, floating point, bytes, UTF-8 text or a list
// of values, with one byte form shared by program files and the device-control library.
#pragma once

#include "vqframework/objectbase/Result.h"

#include <concepts>
#include <cstdint>
#include <cstring>
#include <initializer_list>
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

    class ListReader;
    class ListWriter;

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

    // A list of count items, each stored in the byte form; a null item is an empty value.
    int32_t SetList(const Variant* items, uint32_t count);
    int32_t SetList(const Variant* const* items, uint32_t count);
    // The list that fill writes: fill is called once with a ListWriter, which collects the entries
    // apart, so fill may read this value; the value then takes them in one buffer of their size.
    template <class Fill> int32_t BuildList(Fill&& fill);
    // Each call walks the list from its start; ListReader reads all items in one walk.
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
    static constexpr uint32_t NumericSize(int32_t type)
    {
        return type >= 0 && type < TypeCount ? kNumericSizes[type] : 0;
    }
    static constexpr uint8_t kNumericSizes[TypeCount] = {0, 1, 1, 1, 2, 2, 4, 4, 4, 8, 8, 8, 0, 0, 0, 0, 0};
    uint64_t ReadBytes(uint32_t width) const;
    int64_t GetIntegerBits() const;
    View GetView() const;
    // Copies what view shows into this value's own storage; returns the type now held.
    int32_t SetView(const View& view);
    // Reads the entry at the start of in; view is set when the entry is taken.
    static EntryRead ReadEntry(const unsigned char* in, uint32_t available, View& view);
    // The size of the entry at offset when it lies whole inside content, else 0.
    static uint32_t EntrySizeAt(const unsigned char* content, uint32_t length, uint32_t offset);
    // Makes the value the list of what list wrote; returns the type now held.
    int32_t TakeList(const ListWriter& list);
    // Below 0, 0 for equivalent values, above 0; depth counts the lists around the two values.
    static int Compare(const View& left, const View& right, int depth);
    static int CompareLists(const View& left, const View& right, int depth);

    friend VQRESULT DeserializeVariant(Variant& out, const void* in, uint32_t available);
};

// Reads the items of a list value front to back, each entry once, with the results of GetListCount
// and GetListItem. The list must stay unchanged while it is read; a value that is no list has no
// items. Lists inside the list are read in place.
class Variant::ListReader {
public:
    ListReader() = default;
    explicit ListReader(const Variant& list);

    // Copies the next item into out as GetListItem does (an item the reader refuses comes out empty)
    // and returns true; false, with out empty, after the last item. Reading into the list itself
    // replaces what is read: the reader then has no more items.
    bool Next(Variant& out);
    // Steps over the next item; false after the last.
    bool Skip();
    // Steps over the next item and reads its items through items, which has none when the item is
    // no list; false after the last item.
    bool NextList(ListReader& items);
    // When exactly count items remain, copies them into outs[0] to outs[count - 1] as Next does (a
    // null out skips its item; reading into the list itself ends the reader) and returns true; else
    // returns false and changes nothing.
    bool ReadExactly(Variant* const* outs, uint32_t count);
    bool ReadExactly(std::initializer_list<Variant*> outs)
    {
        return ReadExactly(outs.begin(), static_cast<uint32_t>(outs.size()));
    }
    // The items not read yet.
    uint32_t Remaining() const;

private:
    friend class Variant;
    bool NextEntry(const unsigned char*& entry, uint32_t& size);
    // ReadExactly once the count is checked, through copies of the items.
    bool CopyItems(Variant* const* outs, uint32_t count);

    const Variant* m_owner = nullptr;
    const unsigned char* m_content = nullptr;
    uint32_t m_length = 0;
    uint32_t m_offset = 0;
};

// Collects list content for BuildList, entry by entry, in the byte form.
class Variant::ListWriter {
public:
    ListWriter(const ListWriter&) = delete;
    ListWriter& operator=(const ListWriter&) = delete;
    ~ListWriter();

    // One entry holding item; an empty external byte value gives an empty entry of its type.
    void Add(const Variant& item);
    // The next item of items as the reader reads it, written as Add writes that item; false after
    // the last item.
    bool AddNext(ListReader& items);
    // One entry holding a list of the entries added up to the matching EndList; at most 8 lists are
    // open at once.
    void BeginList();
    void EndList();
    // One entry holding a list of items (a null item is an empty value): the entry Add writes for
    // the value SetList(items, count) makes.
    void AddList(const Variant* const* items, uint32_t count);
    void AddList(std::initializer_list<const Variant*> items)
    {
        AddList(items.begin(), static_cast<uint32_t>(items.size()));
    }

private:
    friend class Variant;
    static constexpr int kMaxOpenLists = 8;
    // Enough for the list of one program: most lists need no storage from the heap.
    static constexpr uint32_t kInlineSize = 4096;

    ListWriter() = default;
    // Room for size more bytes, null once the content would pass the 32-bit length of a value.
    unsigned char* Extend(uint64_t size);
    void WriteEntry(int32_t type, const void* data, uint32_t size);
    // Writes the size word of the list entry that starts at start, now that its items are written.
    void CloseList(uint64_t start);
    void AddView(const View& view);

    unsigned char* m_data = m_inline;
    uint64_t m_capacity = kInlineSize;
    uint64_t m_size = 0;
    // Where the open lists' entries start.
    uint64_t m_open[kMaxOpenLists] = {};
    int m_openCount = 0;
    bool m_tooLong = false;
    unsigned char m_inline[kInlineSize];
};

template <class Fill> int32_t Variant::BuildList(Fill&& fill)
{
    ListWriter list;
    fill(list);
    return TakeList(list);
}

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
