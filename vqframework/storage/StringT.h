// The system's text type: a small value around a counted character buffer that copies share.
#pragma once

#include "vqframework/objectbase/Exception.h"
#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/Result.h"
#include "vqframework/storage/BufferT.h"

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <type_traits>

namespace VQ {

// The buffer type behind every string: granule 1, so strings grow to exactly the size asked for.
using StringBuffer = LBufferT<1, 128, 8, char*, &GetSystemAllocator>;

namespace detail {

// The counted pointer a string keeps its buffer in, with the few raw moves the string needs.
class StringBufferHolder : public ConstRCPtr<LIBuffer> {
public:
    using ConstRCPtr<LIBuffer>::ConstRCPtr;

    LIBuffer* GetWritable() const noexcept { return m_pointer; }
    // Takes a buffer that nobody holds yet, or shares one that is shareable.
    void Set(const LIBuffer* buffer) { Assign(const_cast<LIBuffer*>(buffer)); }
    void Swap(StringBufferHolder& other) noexcept
    {
        LIBuffer* pointer = m_pointer;
        m_pointer = other.m_pointer;
        other.m_pointer = pointer;
    }
    // Holds empty instead; the empty buffer is always shareable, so taking it cannot copy.
    void Reset(const StringBufferHolder& empty) noexcept
    {
        LIBuffer* old = m_pointer;
        m_pointer = empty.m_pointer;
        AsObject(m_pointer)->AddRef();
        if (old)
            AsObject(old)->Release();
    }
    // Takes other's buffer without touching its count and leaves other holding empty.
    void MoveFrom(StringBufferHolder& other, const StringBufferHolder& empty) noexcept
    {
        LIBuffer* old = m_pointer;
        m_pointer = other.m_pointer;
        other.m_pointer = nullptr;
        other.Reset(empty);
        if (old)
            AsObject(old)->Release();
    }
};

// The process-wide buffers of one NUL character, per width; created on first use, never destroyed.
const StringBufferHolder& GetEmptyStringBuffer8();
const StringBufferHolder& GetEmptyStringBuffer16();

// A new buffer of the given byte size, held by nobody yet; throws when memory is exhausted.
LIBuffer* NewStringBuffer(uint64_t bytes);

VQRESULT AssignFromUTF8(StringBufferHolder& holder, const char* text, int32_t length);
VQRESULT AssignFromUTF16(StringBufferHolder& holder, const char16_t* text, int32_t length);

int32_t ParseInt(const char16_t* text);
int32_t ParseInt(const char* text);
double ParseDouble(const char16_t* text);
double ParseDouble(const char* text);

// Replaces out's contents with the UTF-8 form of text, in out's own memory when it has room.
void ConvertToUTF8(std::u16string_view text, std::string& out);

template <class C> constexpr C AsciiUpper(C c)
{
    return c >= C('a') && c <= C('z') ? C(c - ('a' - 'A')) : c;
}
template <class C> constexpr C AsciiLower(C c)
{
    return c >= C('A') && c <= C('Z') ? C(c + ('a' - 'A')) : c;
}

} // namespace detail

// C is the character type, O the other width the string converts from and to: StringT<char16_t,char>
// holds UTF-16, StringT<char,char16_t> holds UTF-8.
template <class C, class O> class StringT {
    static_assert((std::is_same_v<C, char16_t> && std::is_same_v<O, char>) ||
                      (std::is_same_v<C, char> && std::is_same_v<O, char16_t>),
                  "strings are UTF-16 over UTF-8 or UTF-8 over UTF-16");
    static constexpr bool IsWide = std::is_same_v<C, char16_t>;
    using TextView = std::basic_string_view<C>;

public:
    // The maximum length that stands for the whole text.
    static constexpr int32_t WholeString = 0x7FFFFFFE;

    StringT() : m_buffer(EmptyBuffer()) {}

    StringT(const StringT& other)
    {
        if (other.IsLocked())
            Assign(other.GetString(), other.GetLength());
        else
            m_buffer.Set(other.m_buffer.Get());
    }

    // A move hands the buffer over as it is, locked or not, without touching its count; the
    // moved-from string holds the shared empty buffer.
    StringT(StringT&& other) noexcept { m_buffer.MoveFrom(other.m_buffer, EmptyBuffer()); }

    StringT(const C* text) { Assign(text, WholeString); }

    // From the other width: UTF-8 to UTF-16 for the wide form, UTF-16 to UTF-8 for the narrow one.
    StringT(const O* text) { ConvertFrom(text, -1); }
    StringT(const StringT<O, C>& other) { ConvertFrom(other.Terminated().GetString(), -1); }

    // From text of the other width with its extent given (UTF-8 for the wide form); a NUL within it
    // ends the text, as does an ill-formed sequence.
    explicit StringT(std::basic_string_view<O> text)
    {
        if (text.size() > uint32_t(WholeString))
            throw Exception<std::bad_alloc>();
        if (text.empty())
            m_buffer.Set(EmptyBuffer().Get());
        else
            ConvertFrom(text.data(), int32_t(text.size()));
    }

    // NUL gives an empty text in a buffer of its own, holding the terminator alone.
    explicit StringT(C c)
    {
        m_buffer.Set(detail::NewStringBuffer((c != 0 ? 2 : 1) * sizeof(C)));
        C* data = Data();
        data[0] = c;
        if (c != 0)
            data[1] = 0;
    }

    // Over a buffer of NUL-terminated text (the owned text of a variant); shares it when it is
    // shareable and already holds exactly the text and its NUL.
    explicit StringT(const ConstRCPtr<LIBuffer>& buffer)
        requires(!IsWide)
    {
        if (!buffer) {
            m_buffer.Set(EmptyBuffer().Get());
            return;
        }
        // Taking the pointer copies the buffer when it is locked.
        m_buffer.Set(buffer.Get());
        const uint32_t size = m_buffer->GetSize();
        const char* data = m_buffer->GetData();
        const void* nul = size != 0 ? std::memchr(data, 0, size) : nullptr;
        const uint32_t length = nul ? uint32_t(static_cast<const char*>(nul) - data) : size;
        if (size == length + 1)
            return;
        if (length == 0) {
            m_buffer.Set(EmptyBuffer().Get());
            return;
        }
        // Trimming in place is only safe for a buffer nobody else holds.
        if (m_buffer->GetRefCount() > 1) {
            ConstRCPtr<LIBuffer> copy = m_buffer->CreateSubCopy(length + 1, 0);
            m_buffer.Set(copy.Get());
        } else {
            m_buffer.GetWritable()->Resize(length + 1);
        }
        if (m_buffer->GetSize() != length + 1)
            throw Exception<std::bad_alloc>();
        Data()[length] = 0;
    }

    virtual ~StringT() = default;

    // NUL-terminated, except while a caller that locked the string has filled its buffer to the end;
    // View() is bounded by the length in every state.
    const C* GetString() const { return reinterpret_cast<const C*>(m_buffer->GetData()); }

    int32_t GetLength() const
    {
        if (!IsLocked())
            return int32_t(m_buffer->GetSize() / sizeof(C)) - 1;
        return int32_t(LockedLength());
    }

    bool IsEmpty() const { return GetString()[0] == 0; }

    // The text without its terminator, valid until the string changes; how text crosses into
    // interfaces that take views.
    TextView View() const noexcept { return TextView(GetString(), uint32_t(GetLength())); }
    operator TextView() const noexcept { return View(); }

    StringT Copy() const { return *this; }

    StringT<O, C> ToUTF8() const
        requires IsWide
    {
        return StringT<O, C>(*this);
    }

    // The same text as ToUTF8, into a string the caller keeps; no allocation when out has room.
    void ToUTF8(std::string& out) const
        requires IsWide
    {
        detail::ConvertToUTF8(View(), out);
    }

    // Leading blanks, a sign and digits in the "C" locale; 0 when there is no number.
    int32_t ToInt() const { return detail::ParseInt(Terminated().GetString()); }
    double ToDouble() const { return detail::ParseDouble(Terminated().GetString()); }

    StringT& operator=(const StringT& other)
    {
        if (this == &other)
            return *this;
        if (!IsLocked() && !other.IsLocked())
            m_buffer.Set(other.m_buffer.Get());
        else
            Assign(other.GetString(), other.GetLength());
        return *this;
    }

    // A locked string takes the text in place, as from a copy, which needs no memory.
    StringT& operator=(StringT&& other) noexcept
    {
        if (this == &other)
            return *this;
        if (IsLocked()) {
            Assign(other.GetString(), other.GetLength());
            other.m_buffer.Reset(EmptyBuffer());
        } else {
            m_buffer.MoveFrom(other.m_buffer, EmptyBuffer());
        }
        return *this;
    }

    // At most maxLength characters of text, not past its NUL; any negative maxLength means all of it.
    // A locked buffer is written in place and keeps its size; a text too long for it is cut short.
    void Assign(const C* text, int32_t maxLength = WholeString)
    {
        if (!text || text[0] == 0 || maxLength == 0) {
            Clear();
            return;
        }
        const uint32_t length = BoundedLength(text, uint32_t(maxLength));
        if (IsLocked()) {
            const uint32_t room = m_buffer->GetSize() / sizeof(C);
            const uint32_t count = length < room ? length : room - 1;
            C* data = Data();
            std::memmove(data, text, count * sizeof(C));
            data[count] = 0;
            return;
        }
        AssignNew(text, length);
    }

    void Clear()
    {
        if (IsLocked())
            Data()[0] = 0;
        else
            m_buffer.Set(EmptyBuffer().Get());
    }

    // At most length bytes of UTF-8, not past a NUL; converted up to the first ill-formed sequence.
    void AssignUTF8(const char* text, int32_t length)
        requires IsWide
    {
        if (!text || text[0] == 0 || length == 0) {
            Clear();
            return;
        }
        if (IsLocked()) {
            StringT converted;
            converted.AssignFromUTF8(text, length);
            Assign(converted.GetString(), WholeString);
            return;
        }
        AssignFromUTF8(text, length);
    }

    // The conversions give S_OK, or E_FAIL with the text converted before the stop. A negative length
    // takes the text with its NUL; an explicit length is a maximum, and a NUL within it ends the text.
    VQRESULT AssignFromUTF8(const char* text, int32_t length)
        requires IsWide
    {
        return detail::AssignFromUTF8(m_buffer, text, length);
    }
    VQRESULT AssignFromUTF16(const char16_t* text, int32_t length)
        requires(!IsWide)
    {
        return detail::AssignFromUTF16(m_buffer, text, length);
    }

    StringT& operator+=(const StringT& other)
    {
        if (other.m_buffer.Get() == m_buffer.Get() && !other.IsEmpty()) {
            const StringT copy = Concatenate(other.View());
            Append(copy.GetString(), uint32_t(copy.GetLength()));
        } else {
            Append(other.GetString(), uint32_t(other.GetLength()));
        }
        return *this;
    }

    // NUL appends nothing.
    StringT& operator+=(C c)
    {
        if (c != 0)
            Append(&c, 1);
        return *this;
    }

    // One character of the other width, converted on its own: for the wide form a byte above 0x7F is
    // no UTF-8 text and appends nothing.
    StringT& operator+=(O c)
    {
        if (c > 0 && uint32_t(c) < 0x80) {
            const C ascii = C(c);
            Append(&ascii, 1);
            return *this;
        }
        const O text[2] = {c, 0};
        const StringT converted(text);
        Append(converted.GetString(), uint32_t(converted.GetLength()));
        return *this;
    }

    // E_INVALIDARG when index is beyond the length (any negative index is).
    VQRESULT Insert(int32_t index, const StringT& text)
    {
        const uint32_t length = uint32_t(GetLength());
        if (uint32_t(index) > length)
            return E_INVALIDARG;
        if (uint32_t(index) == length) {
            *this += text;
            return S_OK;
        }
        const C* own = GetString();
        const TextView spans[3] = {TextView(own, uint32_t(index)), text.View(),
                                   TextView(own + index, length - uint32_t(index))};
        *this = Concatenate(spans, 3);
        return S_OK;
    }

    // The first count characters of text; a count of WholeString or more (any negative one) takes all.
    VQRESULT Insert(int32_t index, const C* text, int32_t count)
    {
        StringT chosen;
        chosen.Assign(text, count);
        return Insert(index, chosen);
    }

    // Removes count characters at start; refuses, changing nothing, when the range is not inside the text.
    bool Remove(int32_t start, int32_t count)
    {
        const uint32_t length = uint32_t(GetLength());
        if (uint32_t(start) >= length || uint64_t(uint32_t(start)) + uint32_t(count) > length)
            return false;
        if (count == 0)
            return true;
        const C* own = GetString();
        const TextView spans[2] = {TextView(own, uint32_t(start)),
                                   TextView(own + start + count, length - uint32_t(start) - uint32_t(count))};
        *this = Concatenate(spans, 2);
        return true;
    }

    // Every character that occurs in set becomes replacement; a NUL replacement changes nothing.
    StringT& ReplaceChars(const C* set, C replacement)
    {
        if (replacement == 0 || !set || set[0] == 0)
            return *this;
        const TextView text = View();
        const TextView chars(set);
        size_t first = text.find_first_of(chars);
        if (first == TextView::npos)
            return *this;
        if (IsLocked()) {
            C* data = Data();
            for (size_t i = first; i < text.size(); ++i) {
                if (chars.find(data[i]) != TextView::npos)
                    data[i] = replacement;
            }
            return *this;
        }
        StringT result = Concatenate(&text, 1);
        C* data = result.Data();
        for (size_t i = first; i < text.size(); ++i) {
            if (chars.find(data[i]) != TextView::npos)
                data[i] = replacement;
        }
        m_buffer.Swap(result.m_buffer);
        return *this;
    }

    // Gives this string a private buffer of length characters (0: the text and its NUL), marks it
    // locked and returns it for writing; null when the string is locked already. The caller writes up
    // to length - 1 characters; the text is what stands before the first NUL, or the whole buffer when
    // the caller filled all of it, which leaves no terminator until Unlock.
    C* Lock(int32_t length = 0)
    {
        if (IsLocked())
            return nullptr;
        uint64_t units = length == 0 ? uint64_t(GetLength()) + 1 : uint32_t(length);
        const uint64_t bytes = units * sizeof(C);
        if (bytes > UINT32_MAX)
            throw Exception<std::bad_alloc>();
        if (m_buffer->GetRefCount() > 1) {
            ConstRCPtr<LIBuffer> copy = m_buffer->CreateSubCopy(uint32_t(bytes), 0);
            if (!copy)
                VQ_THROW(std::runtime_error);
            if (copy->GetSize() != bytes)
                throw Exception<std::bad_alloc>();
            m_buffer.Set(copy.Get());
        }
        LIBuffer* buffer = m_buffer.GetWritable();
        if (buffer->Resize(uint32_t(bytes)) != bytes)
            throw Exception<std::bad_alloc>();
        buffer->SetUnshareable(true);
        C* data = Data();
        data[units - 1] = 0;
        return data;
    }

    // Ends a lock: the buffer is trimmed to the text and shareable again, or the shared empty buffer
    // for an empty text. S_FALSE when the string is not locked.
    VQRESULT Unlock()
    {
        if (!IsLocked())
            return S_FALSE;
        const uint32_t length = LockedLength();
        if (length == 0) {
            m_buffer.Set(EmptyBuffer().Get());
            return S_OK;
        }
        LIBuffer* buffer = m_buffer.GetWritable();
        // A caller that filled the last position too gets its terminator here.
        const uint32_t bytes = (length + 1) * sizeof(C);
        if (buffer->Resize(bytes) != bytes)
            throw Exception<std::bad_alloc>();
        Data()[length] = 0;
        buffer->SetUnshareable(false);
        return S_OK;
    }

    StringT operator+(const StringT& other) const
    {
        const TextView spans[2] = {View(), other.View()};
        if (spans[1].empty() && !IsLocked())
            return *this;
        if (spans[0].empty() && !other.IsLocked())
            return other;
        return Concatenate(spans, 2);
    }

    // A negative start counts from the end; the count is cut to the text, and a negative count means
    // the rest of it.
    StringT Mid(int32_t start, int32_t count) const
    {
        const int32_t length = GetLength();
        if (start < 0) {
            start += length;
            if (start < 0) {
                // A count that ends before the text begins takes nothing, not the whole text.
                if (count >= 0 && count + start <= 0)
                    return StringT();
                count = int32_t(uint32_t(count) + uint32_t(start));
                start = 0;
            }
        }
        if (uint32_t(start) >= uint32_t(length) || count == 0)
            return StringT();
        if (uint32_t(start) + uint32_t(count) > uint32_t(length))
            count = length - start;
        const uint32_t taken = uint32_t(count) < uint32_t(length - start) ? uint32_t(count) : uint32_t(length - start);
        if (start == 0 && taken == uint32_t(length) && !IsLocked())
            return *this;
        StringT result;
        result.Assign(GetString() + start, int32_t(taken));
        return result;
    }

    StringT Mid(int32_t start) const { return Mid(start, int32_t(uint32_t(GetLength()) - uint32_t(start))); }
    StringT Left(int32_t count) const { return Mid(0, count); }
    // The last count characters, all of them when count exceeds the length.
    StringT Right(int32_t count) const { return Mid(int32_t(0u - uint32_t(count)), count); }

    // Case mapping folds ASCII letters only.
    StringT ToUpper() const { return Mapped(&detail::AsciiUpper<C>); }
    StringT ToLower() const { return Mapped(&detail::AsciiLower<C>); }

    StringT Trim() const { return TrimLeft().TrimRight(); }
    StringT TrimLeft() const { return TrimLeft(Blanks()); }
    StringT TrimRight() const { return TrimRight(Blanks()); }

    // A text made of set characters only comes back unchanged.
    StringT TrimLeft(const StringT& set) const
    {
        const TextView text = View();
        const size_t start = text.find_first_not_of(set.View());
        if (start == TextView::npos || start == 0)
            return *this;
        return Mid(int32_t(start));
    }

    StringT TrimRight(const StringT& set) const
    {
        const TextView text = View();
        const TextView chars = set.View();
        size_t end = text.size();
        while (end > 0 && chars.find(text[end - 1]) != TextView::npos)
            --end;
        return end == text.size() ? *this : Left(int32_t(end));
    }

    // Index of the first occurrence at or after start, -1 when there is none; an empty text is found
    // at start. A start beyond the length (any negative one) finds nothing.
    int32_t Find(TextView text, int32_t start = 0) const noexcept
    {
        const TextView own = View();
        if (uint32_t(start) > own.size())
            return -1;
        const size_t found = own.find(text, uint32_t(start));
        return found == TextView::npos ? -1 : int32_t(found);
    }
    int32_t Find(const StringT& text, int32_t start = 0) const noexcept { return Find(text.View(), start); }
    // A null text is the empty one.
    int32_t Find(const C* text, int32_t start = 0) const noexcept
    {
        return Find(text ? TextView(text) : TextView(), start);
    }
    // NUL is never found.
    int32_t Find(C c, int32_t start = 0) const noexcept
    {
        const TextView own = View();
        if (uint32_t(start) > own.size())
            return -1;
        const size_t found = own.find(c, uint32_t(start));
        return found == TextView::npos ? -1 : int32_t(found);
    }

    // The wide form takes c as a one-byte UTF-8 text, so only ASCII characters can be found.
    int32_t ReverseFind(char c) const
    {
        if (c == 0 || (IsWide && static_cast<unsigned char>(c) > 0x7F))
            return -1;
        const size_t found = View().rfind(C(static_cast<unsigned char>(c)));
        return found == TextView::npos ? -1 : int32_t(found);
    }

    // Splits at any of the separators into out (emptied first); a separator at the very end gives no
    // empty last element. A text without separators is the only element, even when it is empty.
    template <class A> void Split(const C* separators, A& out) const
    {
        out.Clear();
        const TextView text = View();
        const TextView set = separators ? TextView(separators) : TextView();
        size_t start = 0;
        size_t found = text.find_first_of(set);
        if (found == TextView::npos) {
            out.Add(*this);
            return;
        }
        while (start < text.size()) {
            found = text.find_first_of(set, start);
            if (found == TextView::npos) {
                out.Add(Mid(int32_t(start)));
                break;
            }
            out.Add(Mid(int32_t(start), int32_t(found - start)));
            start = found + 1;
        }
    }

    bool operator==(const StringT& other) const
    {
        if (m_buffer.Get() == other.m_buffer.Get())
            return true;
        if (!IsLocked() && !other.IsLocked())
            return m_buffer->GetSize() == other.m_buffer->GetSize() &&
                   std::memcmp(GetString(), other.GetString(), m_buffer->GetSize()) == 0;
        return View() == other.View();
    }

    bool operator==(TextView text) const noexcept { return View() == text; }

    // A null or empty text equals exactly the empty string.
    bool operator==(const C* text) const noexcept
    {
        if (!text || text[0] == 0)
            return IsEmpty();
        const C* own = GetString();
        const uint32_t length = uint32_t(GetLength());
        for (uint32_t i = 0; i < length; ++i) {
            if (own[i] != text[i])
                return false;
        }
        return text[length] == 0;
    }

    // Compared after conversion to this width.
    bool operator==(const O* text) const
    {
        if constexpr (IsWide) {
            // ASCII converts to itself, so the conversion is needed only from the first other byte.
            if (text) {
                const C* own = GetString();
                const uint32_t length = uint32_t(GetLength());
                for (uint32_t i = 0;; ++i) {
                    const auto byte = static_cast<unsigned char>(text[i]);
                    if (byte == 0)
                        return i == length;
                    if (byte > 0x7F)
                        break;
                    if (i == length || own[i] != byte)
                        return false;
                }
            }
        }
        const StringT converted(text);
        if (converted.m_buffer.Get() == m_buffer.Get())
            return true;
        return *this == converted.GetString();
    }

    // Code-unit order, unsigned; a prefix is the smaller. The key order of the string maps.
    bool operator<(const StringT& other) const
    {
        if (GetString() == other.GetString())
            return false;
        return View() < other.View();
    }
    // The same order against texts that are no strings, in both directions, as a transparent
    // comparator of a map needs; a null text is the empty one.
    bool operator<(TextView text) const noexcept { return View() < text; }
    bool operator<(const C* text) const noexcept { return View() < (text ? TextView(text) : TextView()); }
    friend bool operator<(TextView text, const StringT& string) noexcept { return text < string.View(); }
    friend bool operator<(const C* text, const StringT& string) noexcept
    {
        return (text ? TextView(text) : TextView()) < string.View();
    }

    // printf-style text from a format of this width.
    template <class... Args> static StringT Format(const C* format, const Args&... args);

    const ConstRCPtr<LIBuffer>& GetBuffer() const { return m_buffer; }

private:
    static const detail::StringBufferHolder& EmptyBuffer()
    {
        if constexpr (IsWide)
            return detail::GetEmptyStringBuffer16();
        else
            return detail::GetEmptyStringBuffer8();
    }

    static const StringT& Blanks()
    {
        if constexpr (IsWide) {
            static const StringT* const blanks = new StringT(u" \t\r\n");
            return *blanks;
        } else {
            static const StringT* const blanks = new StringT(" \t\r\n");
            return *blanks;
        }
    }

    bool IsLocked() const { return m_buffer && !m_buffer->IsShareable(); }

    // The text with a terminator after it, for the readers that stop at one: a locked buffer may have
    // none, so its text is copied.
    StringT Terminated() const { return IsLocked() ? Concatenate(View()) : *this; }

    C* Data() const { return reinterpret_cast<C*>(m_buffer.GetWritable()->GetData()); }

    // The characters before the first NUL within the buffer.
    uint32_t LockedLength() const
    {
        const TextView units(GetString(), m_buffer->GetSize() / sizeof(C));
        const size_t nul = units.find(C(0));
        return uint32_t(nul == TextView::npos ? units.size() : nul);
    }

    static uint32_t BoundedLength(const C* text, uint32_t maxLength)
    {
        uint32_t length = 0;
        while (length < maxLength && text[length] != 0)
            ++length;
        return length;
    }

    void ConvertFrom(const O* text, int32_t length)
    {
        if constexpr (IsWide)
            detail::AssignFromUTF8(m_buffer, text, length);
        else
            detail::AssignFromUTF16(m_buffer, text, length);
    }

    // A new exact buffer of the text.
    void AssignNew(const C* text, uint32_t length)
    {
        StringT result = Concatenate(TextView(text, length));
        m_buffer.Swap(result.m_buffer);
    }

    static StringT Concatenate(TextView span) { return Concatenate(&span, 1); }

    // One new exact buffer of the spans; the empty buffer when they are all empty.
    static StringT Concatenate(const TextView* spans, int count)
    {
        uint64_t total = 0;
        for (int i = 0; i < count; ++i)
            total += spans[i].size();
        StringT result(NoBuffer{});
        if (total == 0) {
            result.m_buffer.Set(EmptyBuffer().Get());
            return result;
        }
        result.m_buffer.Set(detail::NewStringBuffer((total + 1) * sizeof(C)));
        C* data = result.Data();
        for (int i = 0; i < count; ++i) {
            if (!spans[i].empty())
                std::memcpy(data, spans[i].data(), spans[i].size() * sizeof(C));
            data += spans[i].size();
        }
        *data = 0;
        return result;
    }

    // Appends count characters, resizing the buffer exactly. A shared buffer is copied first; one held
    // by this string alone, or locked, grows in place. Its shareable flag is left alone: no other string
    // can reach a buffer while this one appends to it.
    void Append(const C* text, uint32_t count)
    {
        if (count == 0)
            return;
        const uint32_t length = uint32_t(GetLength());
        const uint64_t bytes = (uint64_t(length) + count + 1) * sizeof(C);
        if (bytes > UINT32_MAX)
            throw Exception<std::bad_alloc>();
        if (!IsLocked() && m_buffer->GetRefCount() > 1) {
            ConstRCPtr<LIBuffer> copy = m_buffer->CreateSubCopy(uint32_t(bytes), 0);
            if (!copy)
                VQ_THROW(std::runtime_error);
            if (copy->GetSize() != bytes)
                throw Exception<std::bad_alloc>();
            m_buffer.Set(copy.Get());
        } else if (m_buffer.GetWritable()->Resize(uint32_t(bytes)) != bytes) {
            throw Exception<std::bad_alloc>();
        }
        C* data = Data();
        std::memcpy(data + length, text, count * sizeof(C));
        data[length + count] = 0;
    }

    StringT Mapped(C (*map)(C)) const
    {
        const TextView text = View();
        size_t first = 0;
        while (first < text.size() && map(text[first]) == text[first])
            ++first;
        if (first == text.size() && !IsLocked())
            return *this;
        StringT result = Concatenate(text);
        if (first == text.size())
            return result;
        C* data = result.Data();
        for (size_t i = first; i < text.size(); ++i)
            data[i] = map(data[i]);
        return result;
    }

    struct NoBuffer {};
    explicit StringT(NoBuffer) {}

    detail::StringBufferHolder m_buffer;

    template <class, class> friend class StringT;
};

} // namespace VQ

// Hashes the text, as std::hash of the same view does.
template <class C, class O> struct std::hash<VQ::StringT<C, O>> {
    size_t operator()(const VQ::StringT<C, O>& text) const noexcept
    {
        return std::hash<std::basic_string_view<C>>()(text.View());
    }
};

#if __has_include("vqframework/storage/StringFormat.h")
#include "vqframework/storage/StringFormat.h"
#endif
