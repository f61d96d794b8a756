#include "vqframework/storage/StringFormat.h"

#include "vqframework/storage/ConvertUTF.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

namespace VQ {

namespace {

constexpr int32_t kWholeText = 0x7FFFFFFE;

// Collects the output on the stack and moves to the heap only for long texts, so that a format
// usually allocates once, for the result's buffer.
class FormatOutput {
public:
    FormatOutput() = default;
    FormatOutput(const FormatOutput&) = delete;
    FormatOutput& operator=(const FormatOutput&) = delete;

    void Append(const char16_t* text, size_t count)
    {
        char16_t* to = Extend(count);
        std::memcpy(to, text, count * sizeof(char16_t));
    }

    void Append(char16_t unit, size_t count)
    {
        char16_t* to = Extend(count);
        for (size_t i = 0; i < count; ++i)
            to[i] = unit;
    }

    void AppendAscii(const char* text, size_t count)
    {
        char16_t* to = Extend(count);
        for (size_t i = 0; i < count; ++i)
            to[i] = static_cast<unsigned char>(text[i]);
    }

    const char16_t* Data() const { return m_data; }
    size_t Size() const { return m_size; }

private:
    char16_t* Extend(size_t count)
    {
        if (m_capacity - m_size < count) {
            if (count > std::numeric_limits<size_t>::max() / 4 - m_size)
                throw Exception<std::bad_alloc>();
            const size_t capacity = std::max(m_capacity * 2, m_size + count);
            std::unique_ptr<char16_t[]> heap(new char16_t[capacity]);
            std::memcpy(heap.get(), m_data, m_size * sizeof(char16_t));
            m_heap = std::move(heap);
            m_data = m_heap.get();
            m_capacity = capacity;
        }
        char16_t* to = m_data + m_size;
        m_size += count;
        return to;
    }

    char16_t m_inline[512];
    std::unique_ptr<char16_t[]> m_heap;
    char16_t* m_data = m_inline;
    size_t m_size = 0;
    size_t m_capacity = sizeof m_inline / sizeof m_inline[0];
};

struct ConversionSpec {
    bool leftAlign = false;
    bool plusSign = false;
    bool spaceSign = false;
    bool alternate = false;
    bool zeroPad = false;
    int32_t width = 0;
    int32_t precision = -1;
    // 16 for "h", 8 for "hh": the integer conversions cut the value to that many bits, as printf does.
    uint32_t narrowBits = 0;
    char16_t conversion = 0;
};

bool IsDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

// Reads a decimal field; false when it does not fit into an int32_t.
bool ReadNumber(const char16_t*& p, int32_t& number)
{
    int64_t value = 0;
    while (IsDigit(*p)) {
        value = value * 10 + (*p - u'0');
        if (value > std::numeric_limits<int32_t>::max())
            return false;
        ++p;
    }
    number = static_cast<int32_t>(value);
    return true;
}

// Writes sign or prefix, leading zeros and digits into the field, padding as the flags ask.
void AppendField(FormatOutput& out, const ConversionSpec& spec, const char* prefix, size_t prefixLength,
                 size_t zeros, const char* digits, size_t digitLength, bool zeroPadAllowed)
{
    const size_t used = prefixLength + zeros + digitLength;
    const size_t padding = spec.width > 0 && size_t(spec.width) > used ? size_t(spec.width) - used : 0;
    if (!spec.leftAlign && !(spec.zeroPad && zeroPadAllowed))
        out.Append(u' ', padding);
    out.AppendAscii(prefix, prefixLength);
    if (!spec.leftAlign && spec.zeroPad && zeroPadAllowed)
        out.Append(u'0', padding);
    out.Append(u'0', zeros);
    out.AppendAscii(digits, digitLength);
    if (spec.leftAlign)
        out.Append(u' ', padding);
}

void AppendTextField(FormatOutput& out, const ConversionSpec& spec, const char16_t* text, size_t length)
{
    const size_t padding = spec.width > 0 && size_t(spec.width) > length ? size_t(spec.width) - length : 0;
    if (!spec.leftAlign)
        out.Append(u' ', padding);
    out.Append(text, length);
    if (spec.leftAlign)
        out.Append(u' ', padding);
}

// A width or precision given as "*" takes the next argument, which must be an integer.
bool StarValue(const FormatArgument& argument, int64_t& value)
{
    if (argument.kind == FormatArgument::Signed)
        value = argument.bits == 32 ? int64_t(int32_t(argument.i)) : argument.i;
    else if (argument.kind == FormatArgument::Unsigned && argument.u <= uint64_t(INT64_MAX))
        value = argument.bits == 32 ? int64_t(argument.u & 0xFFFFFFFFu) : int64_t(argument.u);
    else
        return false;
    return true;
}

bool IsIntegerConversion(char16_t c)
{
    return c == u'd' || c == u'i' || c == u'u' || c == u'o' || c == u'x' || c == u'X' || c == u'c' ||
           c == u'C' || c == u'p';
}

bool IsFloatingConversion(char16_t c)
{
    return c == u'f' || c == u'F' || c == u'e' || c == u'E' || c == u'g' || c == u'G';
}

bool IsNumber(const FormatArgument& argument)
{
    return argument.kind == FormatArgument::Signed || argument.kind == FormatArgument::Unsigned ||
           argument.kind == FormatArgument::Floating || argument.kind == FormatArgument::Pointer;
}

// The argument's bits as the conversion reads them: signed or unsigned in the argument's own width.
void IntegerValue(const FormatArgument& argument, bool asSigned, bool& negative, uint64_t& magnitude)
{
    int64_t value;
    if (argument.kind == FormatArgument::Floating) {
        const double d = argument.d;
        if (std::isnan(d))
            value = 0;
        else if (d >= 9223372036854775807.0)
            value = std::numeric_limits<int64_t>::max();
        else if (d <= -9223372036854775808.0)
            value = std::numeric_limits<int64_t>::min();
        else
            value = static_cast<int64_t>(d);
        negative = asSigned && value < 0;
        magnitude = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
        return;
    }
    uint64_t bits = argument.kind == FormatArgument::Signed ? static_cast<uint64_t>(argument.i) : argument.u;
    if (argument.bits == 32)
        bits &= 0xFFFFFFFFu;
    if (!asSigned) {
        negative = false;
        magnitude = bits;
        return;
    }
    value = argument.bits == 32 ? static_cast<int64_t>(static_cast<int32_t>(static_cast<uint32_t>(bits)))
                                : static_cast<int64_t>(bits);
    negative = value < 0;
    magnitude = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
}

// Keeps the low bits of the value, read back as signed or unsigned in that width.
void Narrow(uint32_t bits, bool asSigned, bool& negative, uint64_t& magnitude)
{
    const uint64_t mask = (uint64_t(1) << bits) - 1;
    const uint64_t pattern = (negative ? 0 - magnitude : magnitude) & mask;
    negative = asSigned && (pattern >> (bits - 1)) != 0;
    magnitude = negative ? mask - pattern + 1 : pattern;
}

void FormatInteger(FormatOutput& out, const ConversionSpec& spec, const FormatArgument& argument)
{
    const char16_t c = spec.conversion;
    if (c == u'c' || c == u'C') {
        bool negative;
        uint64_t magnitude;
        IntegerValue(argument, false, negative, magnitude);
        const char16_t unit = static_cast<char16_t>(magnitude);
        AppendTextField(out, spec, &unit, 1);
        return;
    }

    const bool isSigned = c == u'd' || c == u'i';
    bool negative;
    uint64_t magnitude;
    IntegerValue(argument, isSigned, negative, magnitude);
    if (spec.narrowBits != 0 && c != u'p')
        Narrow(spec.narrowBits, isSigned, negative, magnitude);
    ConversionSpec field = spec;
    int base = 10;
    bool upper = false;
    if (c == u'o')
        base = 8;
    else if (c == u'x' || c == u'X' || c == u'p') {
        base = 16;
        upper = c != u'x';
    }
    if (c == u'p' && field.precision < 0)
        field.precision = 16;

    char digits[72];
    size_t digitLength = 0;
    if (magnitude != 0 || field.precision != 0) {
        const std::to_chars_result r = std::to_chars(digits, digits + sizeof digits, magnitude, base);
        digitLength = size_t(r.ptr - digits);
        if (upper)
            for (size_t i = 0; i < digitLength; ++i)
                if (digits[i] >= 'a')
                    digits[i] = char(digits[i] - 'a' + 'A');
    }

    // The precision is a minimum count of digits, given as leading zeros.
    size_t leadingZeros = 0;
    if (field.precision > 0 && size_t(field.precision) > digitLength)
        leadingZeros = size_t(field.precision) - digitLength;
    if (base == 8 && field.alternate && leadingZeros == 0 && (digitLength == 0 || digits[0] != '0'))
        leadingZeros = 1;

    char prefix[3];
    size_t prefixLength = 0;
    if (negative)
        prefix[prefixLength++] = '-';
    else if (isSigned && field.plusSign)
        prefix[prefixLength++] = '+';
    else if (isSigned && field.spaceSign)
        prefix[prefixLength++] = ' ';
    if (base == 16 && field.alternate && magnitude != 0 && c != u'p') {
        prefix[prefixLength++] = '0';
        prefix[prefixLength++] = upper ? 'X' : 'x';
    }

    AppendField(out, field, prefix, prefixLength, leadingZeros, digits, digitLength, field.precision < 0);
}

// The digits of a non-negative double, on the stack unless a long precision asks for more.
class FloatingDigits {
public:
    FloatingDigits() = default;
    FloatingDigits(const FloatingDigits&) = delete;
    FloatingDigits& operator=(const FloatingDigits&) = delete;

    void Write(double value, std::chars_format form, int32_t precision)
    {
        // The fixed form of the largest double has 309 integer digits; one more byte for a point.
        const size_t room = size_t(precision) + 330;
        m_data = m_inline;
        if (room > sizeof m_inline) {
            m_heap.reset(new char[room]);
            m_data = m_heap.get();
        }
        const std::to_chars_result r = std::to_chars(m_data, m_data + room - 1, value, form, precision);
        m_size = r.ec == std::errc() ? size_t(r.ptr - m_data) : 0;
    }

    // The exponent of the scientific form, as "%g" chooses its style by it.
    int32_t Exponent() const
    {
        const char* e = std::find(m_data, m_data + m_size, 'e');
        int32_t exponent = 0;
        if (e + 2 <= m_data + m_size)
            std::from_chars(e + (e[1] == '+' ? 2 : 1), m_data + m_size, exponent);
        return exponent;
    }

    void EnsurePoint()
    {
        char* end = m_data + m_size;
        if (std::find(m_data, end, '.') != end)
            return;
        char* e = std::find(m_data, end, 'e');
        std::memmove(e + 1, e, size_t(end - e));
        *e = '.';
        ++m_size;
    }

    void UpperCase()
    {
        std::replace(m_data, m_data + m_size, 'e', 'E');
    }

    const char* Data() const { return m_data; }
    size_t Size() const { return m_size; }

private:
    char m_inline[400];
    std::unique_ptr<char[]> m_heap;
    char* m_data = m_inline;
    size_t m_size = 0;
};

void FormatFloating(FormatOutput& out, const ConversionSpec& spec, const FormatArgument& argument)
{
    double value;
    if (argument.kind == FormatArgument::Floating)
        value = argument.d;
    else if (argument.kind == FormatArgument::Signed)
        value = double(argument.bits == 32 ? int64_t(int32_t(argument.i)) : argument.i);
    else
        value = double(argument.bits == 32 ? (argument.u & 0xFFFFFFFFu) : argument.u);

    const char16_t c = spec.conversion;
    const bool upper = c == u'F' || c == u'E' || c == u'G';
    const bool negative = std::signbit(value);
    const double magnitude = std::fabs(value);

    // A NaN keeps its sign bit in the text ("-nan"), as the C library prints it.
    char prefix[1];
    size_t prefixLength = 0;
    if (negative)
        prefix[prefixLength++] = '-';
    else if (spec.plusSign)
        prefix[prefixLength++] = '+';
    else if (spec.spaceSign)
        prefix[prefixLength++] = ' ';

    if (!std::isfinite(value)) {
        const char* text = std::isnan(value) ? (upper ? "NAN" : "nan") : (upper ? "INF" : "inf");
        AppendField(out, spec, prefix, prefixLength, 0, text, 3, false);
        return;
    }

    const int32_t precision = spec.precision < 0 ? 6 : spec.precision;
    FloatingDigits digits;
    if (c == u'f' || c == u'F') {
        digits.Write(magnitude, std::chars_format::fixed, precision);
    } else if (c == u'e' || c == u'E') {
        digits.Write(magnitude, std::chars_format::scientific, precision);
    } else {
        const int32_t significant = precision == 0 ? 1 : precision;
        if (!spec.alternate) {
            digits.Write(magnitude, std::chars_format::general, significant);
        } else {
            // The alternate form keeps trailing zeros, which the general form drops.
            int32_t exponent = 0;
            if (magnitude != 0) {
                digits.Write(magnitude, std::chars_format::scientific, significant - 1);
                exponent = digits.Exponent();
            }
            if (exponent < significant && exponent >= -4)
                digits.Write(magnitude, std::chars_format::fixed, significant - 1 - exponent);
            else
                digits.Write(magnitude, std::chars_format::scientific, significant - 1);
        }
    }
    if (spec.alternate)
        digits.EnsurePoint();
    if (upper)
        digits.UpperCase();
    AppendField(out, spec, prefix, prefixLength, 0, digits.Data(), digits.Size(), true);
}

void FormatText(FormatOutput& out, const ConversionSpec& spec, const FormatArgument& argument)
{
    const size_t limit = spec.precision < 0 ? std::numeric_limits<size_t>::max() : size_t(spec.precision);
    if (argument.kind == FormatArgument::WideText) {
        const char16_t* text = argument.wide ? argument.wide : u"(null)";
        size_t length = 0;
        if (argument.wide && argument.length >= 0)
            length = std::min(size_t(argument.length), limit);
        else
            while (length < limit && text[length] != 0)
                ++length;
        AppendTextField(out, spec, text, length);
        return;
    }

    // Narrow text is UTF-8; it ends at its first ill-formed sequence, as the strings' conversion does.
    const char* text = argument.narrow ? argument.narrow : "(null)";
    size_t length = argument.narrow && argument.length >= 0 ? size_t(argument.length) : std::strlen(text);
    std::unique_ptr<char16_t[]> wide(new char16_t[length + 1]);
    const char* source = text;
    char16_t* target = wide.get();
    ConvertUTF8ToUTF16(&source, text + length, &target, wide.get() + length, LenientConversion);
    AppendTextField(out, spec, wide.get(), std::min(size_t(target - wide.get()), limit));
}

} // namespace

StringT<char16_t, char> FormatArguments(const char16_t* format, const FormatArgument* arguments, size_t count)
{
    FormatOutput out;
    size_t next = 0;
    const char16_t* p = format;
    while (p && *p) {
        if (*p != u'%') {
            const char16_t* run = p;
            while (*p && *p != u'%')
                ++p;
            out.Append(run, size_t(p - run));
            continue;
        }

        const char16_t* specStart = p++;
        ConversionSpec spec;
        bool valid = true;
        for (;; ++p) {
            if (*p == u'-')
                spec.leftAlign = true;
            else if (*p == u'+')
                spec.plusSign = true;
            else if (*p == u' ')
                spec.spaceSign = true;
            else if (*p == u'#')
                spec.alternate = true;
            else if (*p == u'0')
                spec.zeroPad = true;
            else
                break;
        }
        if (*p == u'*') {
            ++p;
            int64_t width;
            valid = next < count && StarValue(arguments[next++], width);
            // Bounded before the sign is dropped: negating the least 64-bit value overflows.
            valid = valid && width >= -int64_t(std::numeric_limits<int32_t>::max()) &&
                    width <= std::numeric_limits<int32_t>::max();
            if (valid && width < 0) {
                spec.leftAlign = true;
                width = -width;
            }
            spec.width = valid ? int32_t(width) : 0;
        } else
            valid = ReadNumber(p, spec.width);
        if (valid && *p == u'.') {
            ++p;
            if (*p == u'*') {
                ++p;
                int64_t precision;
                valid = next < count && StarValue(arguments[next++], precision) &&
                        precision <= std::numeric_limits<int32_t>::max();
                // A negative precision counts as none.
                spec.precision = valid && precision >= 0 ? int32_t(precision) : -1;
            } else {
                spec.precision = 0;
                valid = ReadNumber(p, spec.precision);
            }
        }
        // Wider size prefixes only say what the caller passed, and the argument's own type decides;
        // "h" and "hh" ask for the value to be cut to a short or a char.
        if (p[0] == u'I' && p[1] == u'3' && p[2] == u'2')
            p += 3;
        else if (p[0] == u'I' && p[1] == u'6' && p[2] == u'4')
            p += 3;
        else if (p[0] == u'h' && p[1] == u'h') {
            spec.narrowBits = 8;
            p += 2;
        } else if (p[0] == u'l' && p[1] == u'l')
            p += 2;
        else if (*p == u'h') {
            spec.narrowBits = 16;
            ++p;
        } else if (*p == u'l' || *p == u'L' || *p == u'I' || *p == u'j' || *p == u'z' || *p == u't' ||
                 *p == u'w')
            ++p;

        spec.conversion = *p;
        if (*p)
            ++p;
        if (valid && spec.conversion == u'%') {
            out.Append(u'%', 1);
            continue;
        }

        const bool integer = IsIntegerConversion(spec.conversion);
        const bool floating = IsFloatingConversion(spec.conversion);
        const bool text = spec.conversion == u's' || spec.conversion == u'S';
        if (valid && (integer || floating || text) && next < count) {
            const FormatArgument& argument = arguments[next++];
            if ((integer || floating) && IsNumber(argument)) {
                if (integer)
                    FormatInteger(out, spec, argument);
                else
                    FormatFloating(out, spec, argument);
                continue;
            }
            if (text && (argument.kind == FormatArgument::WideText || argument.kind == FormatArgument::NarrowText)) {
                FormatText(out, spec, argument);
                continue;
            }
        }
        out.Append(specStart, size_t(p - specStart));
    }

    StringT<char16_t, char> result;
    const size_t size = out.Size();
    if (size > 0)
        result.Assign(out.Data(), size < size_t(kWholeText) ? int32_t(size) : kWholeText);
    return result;
}

namespace {

// Puts the point before the last `decimals` digits, padding with zeros to exactly that many digits.
StringT<char16_t, char> FixedPoint(bool negative, uint32_t magnitude, int32_t decimals)
{
    char digits[16];
    const std::to_chars_result r = std::to_chars(digits, digits + sizeof digits, magnitude);
    const size_t digitCount = size_t(r.ptr - digits);
    const size_t fraction = size_t(decimals);
    std::u16string text;
    text.reserve(digitCount + fraction + 2);
    if (negative)
        text += u'-';
    if (digitCount > fraction)
        for (size_t i = 0; i < digitCount - fraction; ++i)
            text += char16_t(digits[i]);
    text += u'.';
    if (fraction > digitCount)
        text.append(fraction - digitCount, u'0');
    for (size_t i = digitCount > fraction ? digitCount - fraction : 0; i < digitCount; ++i)
        text += char16_t(digits[i]);
    StringT<char16_t, char> result;
    result.Assign(text.c_str(), int32_t(text.size()));
    return result;
}

} // namespace

StringT<char16_t, char> ToString(int32_t value, int32_t decimals)
{
    if (decimals <= 0)
        return StringT<char16_t, char>::Format(u"%d", value);
    const uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    return FixedPoint(value < 0, magnitude, decimals);
}

StringT<char16_t, char> ToString(uint32_t value, int32_t decimals)
{
    if (decimals <= 0)
        return StringT<char16_t, char>::Format(u"%u", value);
    return FixedPoint(false, value, decimals);
}

StringT<char16_t, char> ToString(double value, int32_t decimals)
{
    if (decimals < 0)
        return StringT<char16_t, char>::Format(u"%lf", value);
    return StringT<char16_t, char>::Format(u"%.*lf", decimals, value);
}

} // namespace VQ
