#include "vqframework/storage/VariantEx.h"

#include "vqframework/objectbase/Exception.h"
#include "vqframework/storage/StringFormat.h"

#include <limits>

namespace VQ {

namespace {

using TextBuffer = LBufferT<1, 128, 8, char*, &GetSystemAllocator>;

// Decimal text to a 64-bit integer in the "C" locale: blanks, a sign, digits up to the first other
// character; values beyond the range saturate.
int64_t ParseInt64(const char* text)
{
    while (*text == ' ' || (*text >= '\t' && *text <= '\r'))
        ++text;
    bool negative = false;
    if (*text == '-' || *text == '+')
        negative = *text++ == '-';
    const uint64_t limit = negative ? uint64_t(std::numeric_limits<int64_t>::max()) + 1
                                    : uint64_t(std::numeric_limits<int64_t>::max());
    uint64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        const unsigned digit = unsigned(*text - '0');
        if (value > (limit - digit) / 10) {
            value = limit;
            break;
        }
        value = value * 10 + digit;
    }
    return negative ? static_cast<int64_t>(0 - value) : static_cast<int64_t>(value);
}

bool EqualsIgnoringAsciiCase(const StringT<char16_t, char>& text, const char16_t* word)
{
    const char16_t* own = text.GetString();
    for (; *own && *word; ++own, ++word) {
        if (detail::AsciiLower(*own) != detail::AsciiLower(*word))
            return false;
    }
    return *own == *word;
}

} // namespace

VariantEx::VariantEx(const VariantEx& other) : Variant(), IStringable()
{
    Assign(other);
}

VariantEx::VariantEx(const Variant& other)
{
    Assign(other);
}

VariantEx& VariantEx::operator=(const VariantEx& other)
{
    Assign(other);
    return *this;
}

VariantEx& VariantEx::operator=(const Variant& other)
{
    Assign(other);
    return *this;
}

VariantEx::~VariantEx()
{
    // The base destructor would give the buffer back through its own allocator.
    ReleaseValue();
    m_holder.Release();
}

void* VariantEx::AllocateBuffer(uint32_t size)
{
    m_holder = TextBuffer::Create(size, 0, true);
    if (m_holder->GetSize() != size)
        return nullptr;
    return m_holder->GetData();
}

void VariantEx::FreeBuffer(void*)
{
    m_holder.Release();
}

const ConstRCPtr<LIBuffer>& VariantEx::GetBuffer() const
{
    if (m_type != TypeBytes && m_type != TypeString)
        VQ_THROW(std::runtime_error);
    return m_holder;
}

StringT<char16_t, char> VariantEx::ToString() const
{
    switch (m_type) {
    case TypeBool:
        return StringT<char16_t, char>(static_cast<uint8_t>(m_value) ? u"true" : u"false");
    case TypeInt8:
    case TypeInt16:
    case TypeInt32:
        return StringT<char16_t, char>::Format(u"%I32d", Variant::GetInt32());
    case TypeUInt8:
    case TypeUInt16:
    case TypeUInt32:
        return StringT<char16_t, char>::Format(u"%I32u", Variant::GetUInt32());
    case TypeFloat:
        return StringT<char16_t, char>::Format(u"%f", Variant::GetDouble());
    case TypeDouble:
        return StringT<char16_t, char>::Format(u"%lf", Variant::GetDouble());
    case TypeInt64:
        return StringT<char16_t, char>::Format(u"%I64d", Variant::GetInt64());
    case TypeUInt64:
    case TypeExternalBytes:
    case TypeExternalConstBytes:
    case TypeBytes:
    case TypeList:
        // For the byte types this is the address of the bytes, not the bytes.
        return StringT<char16_t, char>::Format(u"%I64X", m_value);
    case TypeString:
        if (m_holder.IsEmpty())
            return StringT<char16_t, char>();
        return StringT<char16_t, char>(StringT<char, char16_t>(m_holder));
    default:
        return StringT<char16_t, char>();
    }
}

bool VariantEx::GetBool() const
{
    if (m_type != TypeString)
        return Variant::GetBool();
    return EqualsIgnoringAsciiCase(ToString(), u"true");
}

int8_t VariantEx::GetInt8() const
{
    return m_type == TypeString ? static_cast<int8_t>(ToString().ToInt()) : Variant::GetInt8();
}

int16_t VariantEx::GetInt16() const
{
    return m_type == TypeString ? static_cast<int16_t>(ToString().ToInt()) : Variant::GetInt16();
}

int32_t VariantEx::GetInt32() const
{
    return m_type == TypeString ? ToString().ToInt() : Variant::GetInt32();
}

int64_t VariantEx::GetInt64() const
{
    if (m_type != TypeString)
        return Variant::GetInt64();
    return ParseInt64(ToString().ToUTF8().GetString());
}

uint8_t VariantEx::GetUInt8() const
{
    return m_type == TypeString ? static_cast<uint8_t>(ToString().ToInt()) : Variant::GetUInt8();
}

uint16_t VariantEx::GetUInt16() const
{
    return m_type == TypeString ? static_cast<uint16_t>(ToString().ToInt()) : Variant::GetUInt16();
}

uint32_t VariantEx::GetUInt32() const
{
    // Through the 64-bit parse, so texts up to 4294967295 come out whole.
    return m_type == TypeString ? static_cast<uint32_t>(GetInt64()) : Variant::GetUInt32();
}

uint64_t VariantEx::GetUInt64() const
{
    return m_type == TypeString ? static_cast<uint64_t>(GetInt64()) : Variant::GetUInt64();
}

float VariantEx::GetFloat() const
{
    return m_type == TypeString ? static_cast<float>(ToString().ToDouble()) : Variant::GetFloat();
}

double VariantEx::GetDouble() const
{
    return m_type == TypeString ? ToString().ToDouble() : Variant::GetDouble();
}

} // namespace VQ
