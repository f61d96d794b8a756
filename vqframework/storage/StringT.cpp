#include "vqframework/storage/StringT.h"

#include "vqframework/storage/ConvertUTF.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstring>
#include <limits>
#include <string>

namespace VQ::detail {

namespace {

const StringBufferHolder& MakeEmptyBuffer(uint32_t unitSize)
{
    LIBuffer* buffer = NewStringBuffer(unitSize);
    std::memset(buffer->GetData(), 0, unitSize);
    return *new StringBufferHolder(buffer);
}

// The characters to convert: with a negative length the text and its NUL; otherwise at most length
// units, and never past a NUL, which is then converted with them.
template <class C> uint32_t SourceLength(const C* text, int32_t length)
{
    const std::basic_string_view<C> view =
        length < 0 ? std::basic_string_view<C>(text) : std::basic_string_view<C>(text, uint32_t(length));
    const size_t nul = length < 0 ? view.size() : view.find(C(0));
    return uint32_t(nul == std::basic_string_view<C>::npos ? view.size() : nul + 1);
}

// The converted text is what stands before the first NUL; a NUL can only be the last unit converted,
// because the source never runs past its first NUL.
template <class T> VQRESULT FinishConversion(StringBufferHolder& holder, LIBuffer* buffer, T* start, T* end,
                                             ConversionResult result, const StringBufferHolder& empty)
{
    uint32_t length = uint32_t(end - start);
    if (length != 0 && start[length - 1] == 0)
        --length;
    if (length == 0) {
        delete buffer;
        holder.Set(empty.Get());
    } else {
        start[length] = 0;
        buffer->Resize((length + 1) * sizeof(T));
        holder.Set(buffer);
    }
    return result == ConversionOK ? S_OK : E_FAIL;
}

template <class C> bool IsBlank(C c)
{
    return c == C(' ') || (c >= C('\t') && c <= C('\r'));
}

template <class C> int32_t ParseIntT(const C* text)
{
    while (IsBlank(*text))
        ++text;
    bool negative = false;
    if (*text == C('-') || *text == C('+'))
        negative = *text++ == C('-');
    int64_t value = 0;
    const int64_t limit = negative ? -int64_t(INT32_MIN) : INT32_MAX;
    for (; *text >= C('0') && *text <= C('9'); ++text) {
        value = value * 10 + (*text - C('0'));
        // Out of range saturates, as the run-time library does.
        if (value > limit) {
            value = limit;
            while (*text >= C('0') && *text <= C('9'))
                ++text;
            break;
        }
    }
    return int32_t(negative ? -value : value);
}

// Whether a number that std::from_chars found out of range is too large rather than too small: its
// first significant digit, moved by the exponent, stands above the units. Hexadecimal numbers have
// digits of four bits and a binary exponent after 'p'.
bool IsTooLarge(const char* p, const char* end, bool hex)
{
    const auto isDigit = [hex](char c) {
        const char lower = char(c | 0x20);
        return (c >= '0' && c <= '9') || (hex && lower >= 'a' && lower <= 'f');
    };
    int64_t place = 0;
    bool significant = false;
    for (; p != end && isDigit(*p); ++p) {
        if (significant)
            ++place;
        else
            significant = *p != '0';
    }
    if (p != end && *p == '.') {
        for (++p; p != end && isDigit(*p); ++p) {
            if (!significant) {
                --place;
                significant = *p != '0';
            }
        }
    }
    int64_t exponent = 0;
    if (p != end && char(*p | 0x20) == (hex ? 'p' : 'e')) {
        ++p;
        const bool negative = p != end && *p == '-';
        if (p != end && (*p == '-' || *p == '+'))
            ++p;
        for (; p != end && *p >= '0' && *p <= '9'; ++p) {
            if (exponent < 1000000000)
                exponent = exponent * 10 + (*p - '0');
        }
        if (negative)
            exponent = -exponent;
    }
    return (hex ? 4 * place : place) + exponent > 0;
}

bool IsHexDigit(char c)
{
    const char lower = char(c | 0x20);
    return (c >= '0' && c <= '9') || (lower >= 'a' && lower <= 'f');
}

// Where the hexadecimal number that strtod reads after "0x" ends: digits around at most one point, at
// least one of them, and a binary exponent only when a digit follows 'p' and its sign. p itself when
// there are no digits. std::from_chars is given no more than this: it takes an infinity or a NaN in
// place of the digits, and some library versions take "p+-3" as an exponent.
const char* HexNumberEnd(const char* p)
{
    const char* q = p;
    bool digits = false;
    for (; IsHexDigit(*q); ++q)
        digits = true;
    if (*q == '.') {
        for (++q; IsHexDigit(*q); ++q)
            digits = true;
    }
    if (!digits)
        return p;
    if (char(*q | 0x20) == 'p') {
        const char* exponent = q + 1;
        if (*exponent == '-' || *exponent == '+')
            ++exponent;
        if (*exponent >= '0' && *exponent <= '9') {
            while (*exponent >= '0' && *exponent <= '9')
                ++exponent;
            q = exponent;
        }
    }
    return q;
}

} // namespace

const StringBufferHolder& GetEmptyStringBuffer8()
{
    static const StringBufferHolder& empty = MakeEmptyBuffer(1);
    return empty;
}

const StringBufferHolder& GetEmptyStringBuffer16()
{
    static const StringBufferHolder& empty = MakeEmptyBuffer(2);
    return empty;
}

LIBuffer* NewStringBuffer(uint64_t bytes)
{
    if (bytes > UINT32_MAX)
        throw Exception<std::bad_alloc>();
    auto* buffer = new StringBuffer(uint32_t(bytes), 0, false);
    if (buffer->GetSize() != bytes) {
        delete buffer;
        throw Exception<std::bad_alloc>();
    }
    return buffer;
}

VQRESULT AssignFromUTF8(StringBufferHolder& holder, const char* text, int32_t length)
{
    if (!text || text[0] == 0 || length == 0) {
        holder.Set(GetEmptyStringBuffer16().Get());
        return S_OK;
    }
    const uint32_t count = SourceLength(text, length);
    // One UTF-16 unit per byte at most, and room for the terminator.
    LIBuffer* buffer = NewStringBuffer((uint64_t(count) + 1) * sizeof(char16_t));
    char16_t* const start = reinterpret_cast<char16_t*>(buffer->GetData());
    char16_t* target = start;
    const char* source = text;
    const ConversionResult result =
        ConvertUTF8ToUTF16(&source, text + count, &target, start + count + 1, LenientConversion);
    return FinishConversion(holder, buffer, start, target, result, GetEmptyStringBuffer16());
}

VQRESULT AssignFromUTF16(StringBufferHolder& holder, const char16_t* text, int32_t length)
{
    if (!text || text[0] == 0 || length == 0) {
        holder.Set(GetEmptyStringBuffer8().Get());
        return S_OK;
    }
    const uint32_t count = SourceLength(text, length);
    // Three bytes per unit at most (a surrogate pair takes four for two), and the terminator.
    const uint64_t bytes = uint64_t(count) * 4 + 1;
    LIBuffer* buffer = NewStringBuffer(bytes);
    char* const start = buffer->GetData();
    char* target = start;
    const char16_t* source = text;
    const ConversionResult result =
        ConvertUTF16ToUTF8(&source, text + count, &target, start + bytes, LenientConversion);
    return FinishConversion(holder, buffer, start, target, result, GetEmptyStringBuffer8());
}

void ConvertToUTF8(std::u16string_view text, std::string& out)
{
    const char16_t* source = text.data();
    const char16_t* const end = source + text.size();
    // The room out already has, but no more than the text can need: resizing fills what it adds.
    out.resize(std::min(out.capacity(), text.size() * 3));
    char* target = out.data();
    ConversionResult result = ConvertUTF16ToUTF8(&source, end, &target, out.data() + out.size(), LenientConversion);
    if (result == TargetExhausted) {
        const size_t written = size_t(target - out.data());
        // Three bytes per unit at most: a surrogate pair takes four for two.
        out.resize(written + size_t(end - source) * 3);
        target = out.data() + written;
        result = ConvertUTF16ToUTF8(&source, end, &target, out.data() + out.size(), LenientConversion);
    }
    size_t size = size_t(target - out.data());
    if (result == SourceExhausted) {
        // A high surrogate that ends the text is written as it stands, as the conversion of a whole
        // string does, which sees the terminator after it.
        const char16_t last[2] = {*source, 0};
        const char16_t* from = last;
        if (out.size() - size < 4)
            out.resize(size + 4);
        target = out.data() + size;
        ConvertUTF16ToUTF8(&from, last + 2, &target, target + 4, LenientConversion);
        size = size_t(target - out.data()) - 1;
    }
    out.resize(size);
}

int32_t ParseInt(const char16_t* text)
{
    return ParseIntT(text);
}

int32_t ParseInt(const char* text)
{
    return ParseIntT(text);
}

// As strtod reads in the "C" locale: leading blanks, one sign, then the longest decimal or "0x"
// hexadecimal number, infinity or NaN; out of range gives an infinity or zero, no number 0.
double ParseDouble(const char* text)
{
    while (IsBlank(*text))
        ++text;
    const bool negative = *text == '-';
    if (*text == '-' || *text == '+')
        ++text;
    // from_chars takes a minus sign of its own, which would be a second sign here.
    if (*text == '-' || *text == '+')
        return 0.0;
    // "0x" without hexadecimal digits after it is the 0 before the x, which the decimal form reads.
    const char* const hexEnd = text[0] == '0' && char(text[1] | 0x20) == 'x' ? HexNumberEnd(text + 2) : nullptr;
    const bool hex = hexEnd && hexEnd != text + 2;
    const char* const digits = hex ? text + 2 : text;
    const char* const end = hex ? hexEnd : text + std::strlen(text);
    double value = 0.0;
    const std::from_chars_result result =
        std::from_chars(digits, end, value, hex ? std::chars_format::hex : std::chars_format::general);
    if (result.ec == std::errc::invalid_argument)
        return 0.0;
    if (result.ec == std::errc::result_out_of_range)
        value = IsTooLarge(digits, result.ptr, hex) ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -value : value;
}

double ParseDouble(const char16_t* text)
{
    // Only ASCII characters can belong to a number.
    std::string narrow;
    for (; *text != 0 && *text < 0x80; ++text)
        narrow.push_back(char(*text));
    return ParseDouble(narrow.c_str());
}

} // namespace VQ::detail
