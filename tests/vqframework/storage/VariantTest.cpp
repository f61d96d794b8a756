#include "vqframework/storage/Variant.h"

#include "VariantValues.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

namespace VQ {
namespace {

using test::ExternalBytes;
using test::List;
using test::Owned;
using test::Text;

// No number but an int32 has a constructor, and that one is explicit: the implicit int32 constructor
// once made 0.75 the int32 0, true an int32 and 4000000000u a negative number.
template <class... T> constexpr bool NoneConstructs = (!std::is_constructible_v<Variant, T> && ...);
static_assert(NoneConstructs<bool, char, int8_t, uint8_t, int16_t, uint16_t, uint32_t, int64_t, uint64_t, long long,
                             unsigned long long, float, double, long double>);
static_assert(std::is_constructible_v<Variant, int32_t> && !std::is_convertible_v<int32_t, Variant>);
static_assert(!std::is_convertible_v<double, Variant> && !std::is_convertible_v<bool, Variant>);
template <class T> constexpr bool OfTakes = requires(T value) { Variant::Of(value); };
static_assert(OfTakes<bool> && OfTakes<int8_t> && OfTakes<uint64_t> && OfTakes<long long> && OfTakes<double>);
static_assert(!OfTakes<char> && !OfTakes<char16_t> && !OfTakes<long double> && !OfTakes<const char*>);

// Leaves garbage in new buffers, as a real allocator may, and counts its blocks.
class PoisoningVariant : public Variant {
public:
    void* AllocateBuffer(uint32_t size) override
    {
        ++allocations;
        void* block = Variant::AllocateBuffer(size);
        std::memset(block, 0xCD, size);
        return block;
    }
    int allocations = 0;
};

uintptr_t Address(const void* data)
{
    return reinterpret_cast<uintptr_t>(data);
}

const unsigned char ExternalData[] = {0x34, 0x12, 0x00, 0x00, 0x7F};

constexpr int64_t Int64Min = std::numeric_limits<int64_t>::min();
constexpr int64_t Int64Max = std::numeric_limits<int64_t>::max();
constexpr uint64_t UInt64Max = std::numeric_limits<uint64_t>::max();
constexpr int32_t Int32Max = std::numeric_limits<int32_t>::max();
constexpr int32_t Int32Min = std::numeric_limits<int32_t>::min();
const double NaN = std::numeric_limits<double>::quiet_NaN();
const double Infinity = std::numeric_limits<double>::infinity();

struct ConversionCase {
    const char* name;
    Variant value;
    bool boolean;
    int8_t int8;
    int16_t int16;
    int32_t int32;
    int64_t int64;
    uint8_t uint8;
    uint16_t uint16;
    uint32_t uint32;
    uint64_t uint64;
    float single;
    double dbl;
    bool negative;
};

void ExpectSameFloating(double expected, double actual, const char* what)
{
    if (std::isnan(expected))
        EXPECT_TRUE(std::isnan(actual)) << what;
    else
        EXPECT_EQ(expected, actual) << what;
}

TEST(VariantTest, GettersConvertEveryTypeAsTheTableSays)
{
    const ConversionCase cases[] = {
        {"empty", Variant(), false, 0, 0, 0, 0, 0, 0, 0, 0, 0.0f, 0.0, false},
        {"bool true", Variant::Of(true), true, 1, 1, 1, 1, 1, 1, 1, 1, 1.0f, 1.0, false},
        {"bool false", Variant::Of(false), false, 0, 0, 0, 0, 0, 0, 0, 0, 0.0f, 0.0, false},
        {"int8 -1", Variant::Of<int8_t>(-1), true, -1, -1, -1, -1, 255, 255, 4294967295u, UInt64Max, -1.0f, -1.0, true},
        {"uint8 200", Variant::Of<uint8_t>(200), true, -56, 200, 200, 200, 200, 200, 200, 200, 200.0f, 200.0, false},
        {"int16 -2", Variant::Of<int16_t>(-2),
         true, -2, -2, -2, -2, 254, 65534, 4294967294u, UInt64Max - 1, -2.0f, -2.0, true},
        {"uint16 65535", Variant::Of<uint16_t>(65535),
         true, -1, -1, 65535, 65535, 255, 65535, 65535, 65535, 65535.0f, 65535.0, false},
        {"int32 -7", Variant::Of(-7), true, -7, -7, -7, -7, 249, 65529, 4294967289u, UInt64Max - 6, -7.0f, -7.0, true},
        {"int32 constructor", Variant(0x12345), true, 0x45, 0x2345, 0x12345, 0x12345, 0x45, 0x2345, 0x12345, 0x12345,
         74565.0f, 74565.0, false},
        {"uint32 max", Variant::Of<uint32_t>(4294967295u),
         true, -1, -1, -1, 4294967295, 255, 65535, 4294967295u, 4294967295u, 4294967296.0f, 4294967295.0, false},
        {"int64 -1", Variant::Of<int64_t>(-1),
         true, -1, -1, -1, -1, 255, 65535, 4294967295u, UInt64Max, -1.0f, -1.0, true},
        {"uint64 2^63+5", Variant::Of<uint64_t>(0x8000000000000005),
         true, 5, 5, 5, Int64Min + 5, 5, 5, 5, 0x8000000000000005,
         9223372036854775808.0f, 9223372036854775808.0, false},
        {"float 2.5", Variant::Of(2.5f), true, 3, 3, 3, 3, 3, 3, 3, 3, 2.5f, 2.5, false},
        {"float -2.5", Variant::Of(-2.5f),
         true, -3, -3, -3, -3, 253, 65533, 4294967293u, UInt64Max - 2, -2.5f, -2.5, true},
        {"float rounded in double precision by the narrow getters", Variant::Of(0.49999997f),
         true, 0, 0, 0, 1, 0, 0, 0, 1, 0.49999997f, static_cast<double>(0.49999997f), false},
        {"float -0.0", Variant::Of(-0.0f), false, 0, 0, 0, 0, 0, 0, 0, 0, -0.0f, -0.0, false},
        {"double 2.49", Variant::Of(2.49), true, 2, 2, 2, 2, 2, 2, 2, 2, 2.49f, 2.49, false},
        {"double keeps the low bits of its 32-bit rounding", Variant::Of(300.7),
         true, 45, 301, 301, 301, 45, 301, 301, 301, 300.7f, 300.7, false},
        {"double 3e9 saturates at 32 bits", Variant::Of(3e9),
         true, -1, -1, Int32Max, 3000000000, 255, 65535, 3000000000u, 3000000000u, 3e9f, 3e9, false},
        {"double -1e300 saturates", Variant::Of(-1e300), true, 0, 0, Int32Min, Int64Min, 0, 0, 0, 0x8000000000000000,
         -std::numeric_limits<float>::infinity(), -1e300, true},
        {"double 1e300 saturates", Variant::Of(1e300),
         true, -1, -1, Int32Max, Int64Max, 255, 65535, 4294967295u, UInt64Max,
         std::numeric_limits<float>::infinity(), 1e300, false},
        {"double NaN", Variant::Of(NaN), true, 0, 0, 0, 0, 0, 0, 0, 0, static_cast<float>(NaN), NaN, false},
        {"double infinity", Variant::Of(Infinity), true, -1, -1, Int32Max, Int64Max, 255, 65535, 4294967295u, UInt64Max,
         std::numeric_limits<float>::infinity(), Infinity, false},
        {"bytes little-endian", Owned({0x34, 0x12, 0x00, 0x00}), true, 0x34, 0x1234, 0x1234, 0x1234, 0x34, 0x1234,
         0x1234, 0x1234, 4660.0f, 4660.0, false},
        {"bytes shorter than the getter read as zero beyond", Owned({0xFF}),
         true, -1, 255, 255, 255, 255, 255, 255, 255, 255.0f, 255.0, false},
        {"bytes longer than the getter", Owned({1, 2, 3, 4, 5, 6, 7, 8, 9}), true, 1, 0x0201, 0x04030201,
         0x0807060504030201, 1, 0x0201, 0x04030201, 0x0807060504030201, static_cast<float>(0x04030201),
         static_cast<double>(0x0807060504030201), false},
        {"empty bytes", Owned({}), false, 0, 0, 0, 0, 0, 0, 0, 0, 0.0f, 0.0, false},
        {"external bytes", ExternalBytes(Variant::TypeExternalBytes, ExternalData, 4), true, 0x34, 0x1234, 0x1234,
         0x1234, 0x34, 0x1234, 0x1234, 0x1234, 4660.0f, 4660.0, false},
        {"external read-only bytes", ExternalBytes(Variant::TypeExternalConstBytes, ExternalData, 2), true, 0x34,
         0x1234, 0x1234, 0x1234, 0x34, 0x1234, 0x1234, 0x1234, 4660.0f, 4660.0, false},
        {"text reads as its length", Text("abcd"), true, 4, 4, 4, 4, 4, 4, 4, 4, 4.0f, 4.0, false},
        {"empty text", Text(""), false, 0, 0, 0, 0, 0, 0, 0, 0, 0.0f, 0.0, false},
        {"list", List({Variant(7)}), true, 0, 0, 0, 0, 0, 0, 0, 0, 0.0f, 0.0, false},
        {"empty list", List({}), false, 0, 0, 0, 0, 0, 0, 0, 0, 0.0f, 0.0, false},
    };
    for (const ConversionCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Variant& v = c.value;
        EXPECT_EQ(c.boolean, v.GetBool());
        EXPECT_EQ(c.int8, v.GetInt8());
        EXPECT_EQ(c.int16, v.GetInt16());
        EXPECT_EQ(c.int32, v.GetInt32());
        EXPECT_EQ(c.int64, v.GetInt64());
        EXPECT_EQ(c.uint8, v.GetUInt8());
        EXPECT_EQ(c.uint16, v.GetUInt16());
        EXPECT_EQ(c.uint32, v.GetUInt32());
        EXPECT_EQ(c.uint64, v.GetUInt64());
        ExpectSameFloating(c.single, v.GetFloat(), "GetFloat");
        ExpectSameFloating(c.dbl, v.GetDouble(), "GetDouble");
        EXPECT_EQ(c.negative, v.IsNegative());
    }
}

TEST(VariantTest, OfGivesEveryNumberTypeItsOwnTag)
{
    struct Case {
        const char* name;
        Variant value;
        int32_t type;
        std::vector<unsigned char> bytes;
        double number;
    };
    const Case cases[] = {
        {"bool", Variant::Of(true), Variant::TypeBool, {1}, 1.0},
        {"int8", Variant::Of<int8_t>(-2), Variant::TypeInt8, {0xFE}, -2.0},
        {"uint8", Variant::Of<uint8_t>(200), Variant::TypeUInt8, {200}, 200.0},
        {"int16", Variant::Of<int16_t>(-300), Variant::TypeInt16, {0xD4, 0xFE}, -300.0},
        {"uint16", Variant::Of<uint16_t>(65535), Variant::TypeUInt16, {0xFF, 0xFF}, 65535.0},
        {"int32", Variant::Of(-7), Variant::TypeInt32, {0xF9, 0xFF, 0xFF, 0xFF}, -7.0},
        {"uint32", Variant::Of(4000000000u), Variant::TypeUInt32, {0x00, 0x28, 0x6B, 0xEE}, 4000000000.0},
        {"int64", Variant::Of(Int64Min), Variant::TypeInt64, {0, 0, 0, 0, 0, 0, 0, 0x80}, -9223372036854775808.0},
        {"long long", Variant::Of(-1LL), Variant::TypeInt64, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, -1.0},
        {"uint64", Variant::Of(UInt64Max), Variant::TypeUInt64, std::vector<unsigned char>(8, 0xFF),
         18446744073709551615.0},
        {"float", Variant::Of(0.75f), Variant::TypeFloat, {0, 0, 0x40, 0x3F}, 0.75},
        {"double", Variant::Of(0.75), Variant::TypeDouble, {0, 0, 0, 0, 0, 0, 0xE8, 0x3F}, 0.75},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.type, c.value.GetType());
        EXPECT_EQ(c.bytes, test::Content(c.value));
        EXPECT_EQ(c.number, c.value.GetDouble());
        // The same value as Set makes from the same bytes, zeros above them included.
        Variant set;
        ASSERT_EQ(c.type, set.Set(c.type, c.bytes.data(), static_cast<uint32_t>(c.bytes.size())));
        EXPECT_TRUE(set == c.value);
        EXPECT_EQ(set.GetUInt64(), c.value.GetUInt64());
    }
}

struct OrderCase {
    const char* name;
    Variant left;
    Variant right;
    bool less;
    bool greater;
    bool equal;
};

constexpr int64_t Two53 = int64_t(1) << 53;
constexpr uint64_t Two63 = uint64_t(1) << 63;

TEST(VariantTest, EqualityAndOrderFollowTheTables)
{
    const unsigned char otherData[] = {0x34, 0x12, 0x00, 0x00};
    const float FloatNaN = std::numeric_limits<float>::quiet_NaN();
    const OrderCase cases[] = {
        {"two empty values", Variant(), Variant(), false, false, true},
        {"empty before everything", Variant(), Variant::Of<int8_t>(-100), true, false, false},
        {"empty before a list", Variant(), List({}), true, false, false},
        {"equal int32", Variant::Of(5), Variant::Of(5), false, false, true},
        {"int32 signed", Variant::Of(-1), Variant::Of(0), true, false, false},
        {"uint32 unsigned", Variant::Of<uint32_t>(0xFFFFFFFF), Variant::Of<uint32_t>(0), false, true, false},
        {"int8 signed", Variant::Of<int8_t>(-1), Variant::Of<int8_t>(1), true, false, false},
        {"uint8 unsigned", Variant::Of<uint8_t>(255), Variant::Of<uint8_t>(1), false, true, false},
        {"int16 signed", Variant::Of<int16_t>(-300), Variant::Of<int16_t>(2), true, false, false},
        {"uint16 unsigned", Variant::Of<uint16_t>(65535), Variant::Of<uint16_t>(2), false, true, false},
        {"bool by byte", Variant::Of(false), Variant::Of(true), true, false, false},
        {"int64 signed", Variant::Of<int64_t>(-1), Variant::Of<int64_t>(0), true, false, false},
        {"uint64 unsigned", Variant::Of(UInt64Max), Variant::Of<uint64_t>(0), false, true, false},
        {"int8 -1 and uint8 0 by value", Variant::Of<int8_t>(-1), Variant::Of<uint8_t>(0), true, false, false},
        {"int32 and int64 of one value are equivalent, not equal", Variant::Of(5), Variant::Of<int64_t>(5), false,
         false, false},
        {"int8 and int16 of one value", Variant::Of<int8_t>(-1), Variant::Of<int16_t>(-1), false, false, false},
        {"bool against int8", Variant::Of(true), Variant::Of<int8_t>(0), false, true, false},
        {"float against double", Variant::Of(1.5f), Variant::Of(2.0), true, false, false},
        {"0.0 equals -0.0", Variant::Of(0.0), Variant::Of(-0.0), false, false, true},
        {"float -0.0 and double 0.0 differ in type only", Variant::Of(-0.0f), Variant::Of(0.0), false, false, false},
        {"-0.0 and int32 0", Variant::Of(-0.0), Variant::Of(0), false, false, false},
        {"NaN equals nothing, not even itself", Variant::Of(NaN), Variant::Of(NaN), false, false, false},
        {"NaN after every number", Variant::Of(NaN), Variant::Of(1.0), false, true, false},
        {"NaN after infinity", Variant::Of(NaN), Variant::Of(Infinity), false, true, false},
        {"NaN after the largest uint64", Variant::Of(FloatNaN), Variant::Of(UInt64Max), false, true, false},
        {"float and double NaN are equivalent", Variant::Of(FloatNaN), Variant::Of(NaN), false, false, false},
        {"int64 -1 before uint64 0", Variant::Of<int64_t>(-1), Variant::Of<uint64_t>(0), true, false, false},
        {"negative int32 before uint64", Variant::Of(-5), Variant::Of<uint64_t>(3), true, false, false},
        {"int64 2^53 + 1 after uint64 2^53", Variant::Of(Two53 + 1), Variant::Of<uint64_t>(Two53), false, true,
         false},
        {"int64 max before uint64 2^63", Variant::Of(Int64Max), Variant::Of(Two63), true, false, false},
        {"int64 max and uint64 2^63 - 1", Variant::Of(Int64Max), Variant::Of(Two63 - 1), false, false, false},
        {"uint64 max after int64 max", Variant::Of(UInt64Max), Variant::Of(Int64Max), false, true, false},
        {"1e30 after every int64", Variant::Of(1e30), Variant::Of(Int64Max), false, true, false},
        {"-1e30 before every int64", Variant::Of(-1e30), Variant::Of(Int64Min), true, false, false},
        {"-2^63 and int64 min", Variant::Of(-9223372036854775808.0), Variant::Of(Int64Min), false, false, false},
        {"2^63 after int64 max", Variant::Of(9223372036854775808.0), Variant::Of(Int64Max), false, true, false},
        {"double 2^53 before int64 2^53 + 1", Variant::Of(9007199254740992.0), Variant::Of(Two53 + 1), true, false,
         false},
        {"float below an int64 by a half", Variant::Of(2.5f), Variant::Of<int64_t>(3), true, false, false},
        {"float below an int64", Variant::Of(2.4f), Variant::Of<int64_t>(3), true, false, false},
        {"negative double and int64", Variant::Of(-2.6), Variant::Of<int64_t>(-2), true, false, false},
        {"negative double above an int64 by a half", Variant::Of(-2.5), Variant::Of<int64_t>(-3), false, true,
         false},
        {"uint64 max after 1.8e19", Variant::Of(UInt64Max), Variant::Of(1.8e19), false, true, false},
        {"2^64 after uint64 max", Variant::Of(18446744073709551616.0), Variant::Of(UInt64Max), false, true, false},
        {"uint64 against int32 by value", Variant::Of<uint64_t>(4), Variant::Of(3), false, true, false},
        {"a number before 8 bytes of its own slot", Variant::Of(5), Owned({5, 0, 0, 0, 0, 0, 0, 0}), true, false,
         false},
        {"slot of 8 bytes after a shorter run", Variant::Of(5), Owned({5, 0, 0, 0}), false, true, false},
        {"numbers before every run of 8 bytes", Variant::Of<int64_t>(-1), Owned({0, 0, 0, 0, 0, 0, 0, 1}), true,
         false, false},
        {"a run longer than 8 bytes after a number", Variant::Of(NaN), Owned({0, 0, 0, 0, 0, 0, 0, 0, 0}), true,
         false, false},
        {"bytes unsigned", Owned({0x01}), Owned({0x80}), true, false, false},
        {"shorter bytes first", Owned({0xFF}), Owned({0x00, 0x00}), true, false, false},
        {"equal bytes", Owned({1, 2}), Owned({1, 2}), false, false, true},
        {"two empty byte runs", Owned({}), Owned({}), false, false, true},
        {"shorter text first", Text("z"), Text("\xC3\xA4"), true, false, false},
        {"UTF-8 lead byte before ASCII at equal length", Text("\xC3\xA4"), Text("Ab"), true, false, false},
        {"ASCII text by byte", Text("ab"), Text("ac"), true, false, false},
        {"equal texts", Text("ab"), Text("ab"), false, false, true},
        {"short text before a number", Text("abcdef"), Variant::Of(Int64Min), true, false, false},
        {"text of 8 bytes after a number", Text("abcdefg"), Variant::Of(Int64Min), false, true, false},
        {"owned bytes before text of the same length", Text("a"), Owned({'a', 0}), false, true, false},
        {"owned bytes before text whatever the bytes", Text("A"), Owned({0xC3, 0}), false, true, false},
        {"external bytes before owned bytes of the same length", ExternalBytes(13, ExternalData, 2),
         Owned({0, 0}), true, false, false},
        {"external by identity", ExternalBytes(12, ExternalData, 4), ExternalBytes(12, ExternalData, 4), false, false,
         true},
        {"external with equal bytes elsewhere", ExternalBytes(12, ExternalData, 4), ExternalBytes(12, otherData, 4),
         Address(ExternalData) < Address(otherData), Address(otherData) < Address(ExternalData), false},
        {"external by length first", ExternalBytes(13, ExternalData, 2), ExternalBytes(13, otherData, 3), true, false,
         false},
        {"lists item by item", List({Variant(1), Variant(2)}), List({Variant(1), Variant(3)}), true, false, false},
        {"prefix list first", List({Variant(1), Variant(2)}), List({Variant(1), Variant(2), Variant(0)}), true, false,
         false},
        {"first item decides", List({Variant(2)}), List({Variant(1), Variant(9)}), false, true, false},
        {"equal lists", List({Variant(1), Text("k")}), List({Variant(1), Text("k")}), false, false, true},
        {"empty list first", List({}), List({Variant()}), true, false, false},
        {"nested lists", List({List({Variant(1)})}), List({List({Variant(2)})}), true, false, false},
        {"list items of different types", List({Variant::Of<int8_t>(-1)}), List({Variant::Of<uint8_t>(0)}), true,
         false, false},
        {"lists go on past equivalent items", List({Variant(5), Variant(1)}),
         List({Variant::Of<int64_t>(5), Variant(0)}), false, true, false},
        {"lists go on past NaN items", List({Variant::Of(NaN), Variant(0)}), List({Variant::Of(NaN), Variant(1)}),
         true, false, false},
        {"lists after numbers", List({}), Variant::Of(0), false, true, false},
        {"lists after text", List({Variant(1)}), Text("a longer text than the list"), false, true, false},
    };
    for (const OrderCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.less, c.left < c.right);
        EXPECT_EQ(c.greater, c.right < c.left);
        EXPECT_EQ(c.equal, c.left == c.right);
        EXPECT_EQ(c.equal, c.right == c.left);
        EXPECT_FALSE(c.left < c.left);
    }
}

// A list whose content the reader takes apart: a second item of format 2, which reads as empty.
Variant ListWithRefusedItem()
{
    const unsigned char content[] = {16, 0, 0, 0, 1, 0, 0, 0, 6, 0, 0, 0, 7, 0, 0, 0,
                                     16, 0, 0, 0, 2, 0, 0, 0, 6, 0, 0, 0, 7, 0, 0, 0};
    Variant list;
    list.Set(Variant::TypeList, content, sizeof content);
    return list;
}

TEST(VariantTest, OrderIsAStrictWeakOrderOverValuesOfEveryType)
{
    const unsigned char eight[] = {1, 2, 3, 4, 5, 6, 7, 8};
    const unsigned char otherEight[] = {1, 2, 3, 4, 5, 6, 7, 8};
    const float FloatNaN = std::numeric_limits<float>::quiet_NaN();
    const float FloatInfinity = std::numeric_limits<float>::infinity();
    const std::vector<Variant> values = {
        Variant(),
        Variant::Of(false),
        Variant::Of(true),
        Variant::Of<int8_t>(-128),
        Variant::Of<int8_t>(-1),
        Variant::Of<int8_t>(0),
        Variant::Of<uint8_t>(0),
        Variant::Of<uint8_t>(255),
        Variant::Of<int16_t>(-1),
        Variant::Of<uint16_t>(65535),
        Variant::Of(0),
        Variant::Of(-1),
        Variant::Of(3),
        Variant::Of(Int32Min),
        Variant::Of(Int32Max),
        Variant::Of(0u),
        Variant::Of(4294967295u),
        Variant::Of(Int64Min),
        Variant::Of(Int64Min + 1),
        Variant::Of<int64_t>(-1),
        Variant::Of<int64_t>(0),
        Variant::Of<int64_t>(3),
        Variant::Of(Two53 - 1),
        Variant::Of(Two53),
        Variant::Of(Two53 + 1),
        Variant::Of(Int64Max),
        Variant::Of<uint64_t>(0),
        Variant::Of<uint64_t>(Two53),
        Variant::Of<uint64_t>(Two53 + 1),
        Variant::Of(Two63 - 1),
        Variant::Of(Two63),
        Variant::Of(UInt64Max),
        Variant::Of(0.0),
        Variant::Of(-0.0),
        Variant::Of(0.0f),
        Variant::Of(-0.0f),
        Variant::Of(2.5f),
        Variant::Of(2.5),
        Variant::Of(-2.5),
        Variant::Of(0.49999997f),
        Variant::Of(9007199254740992.0),
        Variant::Of(9007199254740994.0),
        Variant::Of(-9223372036854775808.0),
        Variant::Of(9223372036854775808.0),
        Variant::Of(18446744073709551616.0),
        Variant::Of(1e300),
        Variant::Of(-1e300),
        Variant::Of(Infinity),
        Variant::Of(-Infinity),
        Variant::Of(FloatInfinity),
        Variant::Of(-FloatInfinity),
        Variant::Of(NaN),
        Variant::Of(-NaN),
        Variant::Of(FloatNaN),
        Text(""),
        Text("a"),
        Text("A"),
        Text("\xC3"),
        Text("ab"),
        Text("abcdefg"),
        Text("\xC3\xA4\xC3\xA4xyz"),
        Text("a text longer than eight bytes"),
        Owned({}),
        Owned({'a', 0}),
        Owned({0xC3, 0}),
        Owned({5, 0, 0, 0, 0, 0, 0, 0}),
        Owned({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}),
        Owned({0, 0, 0, 0, 0, 0, 0, 0, 0}),
        ExternalBytes(Variant::TypeExternalBytes, eight, 8),
        ExternalBytes(Variant::TypeExternalBytes, otherEight, 8),
        ExternalBytes(Variant::TypeExternalConstBytes, eight, 8),
        ExternalBytes(Variant::TypeExternalConstBytes, eight, 2),
        List({}),
        List({Variant()}),
        List({Variant(1)}),
        List({Variant(2)}),
        List({Variant(1), Variant(9)}),
        List({Variant(5), Variant(0)}),
        List({Variant(5), Variant(1)}),
        List({Variant::Of<int64_t>(5), Variant(0)}),
        List({Variant::Of<int64_t>(5), Variant(1)}),
        List({Variant::Of(NaN), Variant(0)}),
        List({Variant::Of(FloatNaN), Variant(1)}),
        List({Text("a")}),
        List({Owned({'a', 0})}),
        List({List({})}),
        List({List({Variant(1)})}),
        List({List({Variant::Of<int64_t>(1)})}),
        ListWithRefusedItem(),
        List({Variant(7), Variant()}),
    };

    // The type and the bytes of a value, for the failure messages.
    const auto describe = [](const Variant& value) {
        std::string text = "type " + std::to_string(value.GetType()) + " [";
        for (const unsigned char byte : test::Content(value)) {
            const char digits[] = "0123456789ABCDEF";
            text += {' ', digits[byte >> 4], digits[byte & 15]};
        }
        return text + " ]";
    };
    const size_t n = values.size();
    std::vector<std::vector<char>> less(n, std::vector<char>(n));
    for (size_t i = 0; i < n; ++i) {
        for (size_t j = 0; j < n; ++j)
            less[i][j] = values[i] < values[j];
    }
    const auto equivalent = [&less](size_t i, size_t j) { return !less[i][j] && !less[j][i]; };
    int failures = 0;
    const auto fail = [&failures](const std::string& what) {
        if (++failures <= 10)
            ADD_FAILURE() << what;
    };
    for (size_t i = 0; i < n; ++i) {
        if (less[i][i])
            fail("irreflexivity: " + describe(values[i]));
        for (size_t j = 0; j < n; ++j) {
            const auto pair = [&] { return describe(values[i]) + ", " + describe(values[j]); };
            if (less[i][j] && less[j][i])
                fail("asymmetry: " + pair());
            if (values[i] == values[j] && !equivalent(i, j))
                fail("equal values not equivalent: " + pair());
            for (size_t k = 0; k < n; ++k) {
                const auto triple = [&] { return pair() + ", " + describe(values[k]); };
                if (less[i][j] && less[j][k] && !less[i][k])
                    fail("transitivity: " + triple());
                if (equivalent(i, j) && equivalent(j, k) && !equivalent(i, k))
                    fail("transitivity of equivalence: " + triple());
            }
        }
    }
    EXPECT_EQ(0, failures);
}

TEST(VariantTest, SetStoresNumbersInTheLowBytesOfAZeroSlot)
{
    Variant v;
    const int8_t minusOne = -1;
    ASSERT_EQ(Variant::TypeInt8, v.Set(Variant::TypeInt8, &minusOne, 1));
    uint32_t size = 0;
    const auto* slot = static_cast<const unsigned char*>(v.GetData(&size));
    ASSERT_NE(nullptr, slot);
    EXPECT_EQ(1u, size);
    const unsigned char expected[8] = {0xFF, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(expected, slot, 8));
    EXPECT_EQ(0u, v.GetLength());
}

struct RefusedSet {
    const char* name;
    int32_t type;
    bool nullData;
    uint32_t size;
};

TEST(VariantTest, SetRefusesBadTagsAndSizesLeavingTheValueEmpty)
{
    const RefusedSet cases[] = {
        {"int32 of 2 bytes", Variant::TypeInt32, false, 2},
        {"bool of 2 bytes", Variant::TypeBool, false, 2},
        {"int16 of 4 bytes", Variant::TypeInt16, false, 4},
        {"double of 4 bytes", Variant::TypeDouble, false, 4},
        {"uint64 of 0 bytes", Variant::TypeUInt64, false, 0},
        {"tag 0", Variant::TypeEmpty, false, 4},
        {"tag 17", 17, false, 4},
        {"negative tag", -1, false, 4},
        {"int32 without data", Variant::TypeInt32, true, 4},
        {"float without data", Variant::TypeFloat, true, 4},
    };
    const unsigned char data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    for (const RefusedSet& c : cases) {
        SCOPED_TRACE(c.name);
        Variant v = Text("held a buffer");
        EXPECT_EQ(0, v.Set(c.type, c.nullData ? nullptr : data, c.size));
        EXPECT_EQ(Variant::TypeEmpty, v.GetType());
        EXPECT_EQ(0u, v.GetLength());
        uint32_t size = 99;
        EXPECT_EQ(nullptr, v.GetData(&size));
        EXPECT_EQ(0u, size);
    }
}

TEST(VariantTest, SetOfAnyByteTypeOwnsACopy)
{
    unsigned char data[3] = {1, 2, 3};
    for (int32_t type : {Variant::TypeExternalBytes, Variant::TypeExternalConstBytes, Variant::TypeBytes}) {
        SCOPED_TRACE(type);
        Variant v;
        EXPECT_EQ(Variant::TypeBytes, v.Set(type, data, 3));
        uint32_t size = 0;
        const void* copy = v.GetData(&size);
        ASSERT_EQ(3u, size);
        EXPECT_NE(static_cast<const void*>(data), copy);
        EXPECT_EQ(0, std::memcmp(data, copy, 3));
    }
}

struct TextCase {
    const char* name;
    const char* data;
    uint32_t size;
    const char* text;
    uint32_t length;
};

TEST(VariantTest, SetOfTextCopiesUpToTheNulWithinTheGivenSize)
{
    const TextCase cases[] = {
        {"size larger than the text", "abc", 99, "abc", 4},
        {"size 0 reads to the NUL", "abc", 0, "abc", 4},
        {"NUL inside the size", "ab\0x", 4, "ab", 3},
        {"no NUL inside the size", "abcdef", 3, "abc", 4},
        {"empty text", "", 1, "", 1},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.name);
        Variant v;
        EXPECT_EQ(Variant::TypeString, v.Set(Variant::TypeString, c.data, c.size));
        EXPECT_EQ(c.length, v.GetLength());
        ASSERT_NE(nullptr, v.GetString());
        EXPECT_STREQ(c.text, v.GetString());
    }
    Variant fromNull;
    EXPECT_EQ(Variant::TypeString, fromNull.SetString(nullptr));
    EXPECT_STREQ("", fromNull.GetString());
    EXPECT_EQ(1u, fromNull.GetLength());
}

TEST(VariantTest, SetOfListTakesTheBytesUnchecked)
{
    const unsigned char junk[5] = {9, 9, 9, 9, 9};
    Variant v;
    EXPECT_EQ(Variant::TypeList, v.Set(Variant::TypeList, junk, 5));
    EXPECT_EQ(5u, v.GetLength());
    uint32_t size = 0;
    EXPECT_EQ(0, std::memcmp(junk, v.GetData(&size), 5));
}

TEST(VariantTest, DataAccessByType)
{
    struct Case {
        const char* name;
        Variant value;
        uint32_t size;
        bool writable;
    };
    const Case cases[] = {
        {"empty", Variant(), 0, false},
        {"bool", Variant::Of(true), 1, true},
        {"uint16", Variant::Of<uint16_t>(1), 2, true},
        {"float", Variant::Of<float>(1), 4, true},
        {"uint64", Variant::Of<uint64_t>(1), 8, true},
        {"external", ExternalBytes(Variant::TypeExternalBytes, ExternalData, 5), 5, true},
        {"external read-only", ExternalBytes(Variant::TypeExternalConstBytes, ExternalData, 5), 5, false},
        {"bytes", Owned({1, 2, 3}), 3, true},
        {"text", Text("ab"), 3, true},
        {"list", List({Variant()}), 12, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Variant v = c.value;
        uint32_t size = 99;
        const void* data = v.GetData(&size);
        EXPECT_EQ(c.size, size);
        EXPECT_EQ(c.size != 0, data != nullptr);
        uint32_t writableSize = 99;
        void* writable = v.GetWritableData(&writableSize);
        EXPECT_EQ(c.writable ? data : nullptr, writable);
        EXPECT_EQ(c.writable ? c.size : 0u, writableSize);
        EXPECT_EQ(v.GetType() == Variant::TypeString ? data : nullptr, static_cast<const void*>(v.GetString()));
    }
}

TEST(VariantTest, SetBufferWithoutDataGivesZeroBytes)
{
    PoisoningVariant v;
    EXPECT_EQ(Variant::TypeBytes, v.SetBuffer(nullptr, 6));
    uint32_t size = 0;
    const auto* bytes = static_cast<const unsigned char*>(v.GetData(&size));
    ASSERT_EQ(6u, size);
    for (uint32_t i = 0; i < size; ++i)
        EXPECT_EQ(0, bytes[i]) << i;
}

TEST(VariantTest, CopiesOwnTheirBytes)
{
    Variant original = Owned({1, 2, 3});
    uint32_t size = 0;
    const void* originalData = original.GetData(&size);
    {
        Variant copy(original);
        uint32_t copySize = 0;
        EXPECT_NE(originalData, copy.GetData(&copySize));
        EXPECT_TRUE(copy == original);
        Variant assigned;
        assigned = original;
        EXPECT_TRUE(assigned == original);
    }
    ASSERT_EQ(originalData, original.GetData(&size));
    EXPECT_EQ(3u, size);
    EXPECT_TRUE(original == Owned({1, 2, 3}));
}

TEST(VariantTest, CopyTakesTheAllocatorOfTheDestination)
{
    const Variant source = Text("abc");
    PoisoningVariant destination;
    EXPECT_EQ(Variant::TypeString, destination.Assign(source));
    EXPECT_EQ(1, destination.allocations);
    EXPECT_STREQ("abc", destination.GetString());
    const Variant external = ExternalBytes(Variant::TypeExternalBytes, ExternalData, 5);
    EXPECT_EQ(Variant::TypeExternalBytes, destination.Assign(external));
    EXPECT_EQ(1, destination.allocations);
    uint32_t size = 0;
    EXPECT_EQ(static_cast<const void*>(ExternalData), destination.GetData(&size));
}

TEST(VariantTest, ValuesSetFromTheirOwnBytesSurvive)
{
    Variant v = Owned({1, 2, 3, 4});
    const Variant& alias = v;
    v = alias;
    EXPECT_TRUE(v == Owned({1, 2, 3, 4}));
    EXPECT_EQ(Variant::TypeBytes, v.Assign(v));
    EXPECT_TRUE(v == Owned({1, 2, 3, 4}));

    uint32_t size = 0;
    const void* data = v.GetData(&size);
    EXPECT_EQ(Variant::TypeList, v.Set(Variant::TypeList, data, size));
    ASSERT_EQ(4u, v.GetLength());
    const unsigned char expected[4] = {1, 2, 3, 4};
    EXPECT_EQ(0, std::memcmp(expected, v.GetData(&size), 4));

    Variant text = Text("hello");
    EXPECT_EQ(Variant::TypeString, text.SetString(text.GetString() + 1));
    EXPECT_STREQ("ello", text.GetString());

    Variant number = Variant::Of(77);
    data = number.GetData(&size);
    EXPECT_EQ(Variant::TypeInt32, number.Set(Variant::TypeInt32, data, size));
    EXPECT_EQ(77, number.GetInt32());
}

TEST(VariantTest, ClearAndSettersGiveBackTheOldBuffer)
{
    Variant v = Text("text");
    v.Clear();
    EXPECT_EQ(Variant::TypeEmpty, v.GetType());
    EXPECT_EQ(0u, v.GetLength());
    v = List({Variant(1)});
    v = Variant::Of(3);
    EXPECT_EQ(Variant::TypeInt32, v.GetType());
    EXPECT_EQ(0u, v.GetLength());
    EXPECT_EQ(3, v.GetInt32());
}

static_assert(std::is_nothrow_move_constructible_v<Variant> && std::is_nothrow_move_assignable_v<Variant>);

// An allocator of its own that knows its blocks: a block it did not make is noted, not freed.
class TrackingVariant : public Variant {
public:
    ~TrackingVariant() override { Clear(); }
    void* AllocateBuffer(uint32_t size) override
    {
        void* block = Variant::AllocateBuffer(size);
        blocks.insert(block);
        ++allocations;
        return block;
    }
    void FreeBuffer(void* block) override
    {
        if (blocks.erase(block))
            Variant::FreeBuffer(block);
        else
            ++foreignFrees;
    }
    std::set<void*> blocks;
    int allocations = 0;
    int foreignFrees = 0;
};

TEST(VariantTest, MovesTakeTheBufferAndLeaveTheSourceEmpty)
{
    for (const Variant& original : {Text("text"), Owned({1, 2, 3}), List({Variant(1), Text("k")}), Variant::Of(2.5),
                                    Owned({}), Variant()}) {
        SCOPED_TRACE(original.GetType());
        Variant source = original;
        uint32_t size = 0;
        const void* buffer = source.GetData(&size);

        Variant constructed(std::move(source));
        EXPECT_TRUE(constructed == original);
        if (original.GetType() >= Variant::TypeBytes) {
            EXPECT_EQ(buffer, constructed.GetData(&size)) << "the buffer is taken over, not copied";
        }
        EXPECT_EQ(Variant::TypeEmpty, source.GetType());
        EXPECT_EQ(0u, source.GetLength());
        EXPECT_EQ(nullptr, source.GetData(&size));

        Variant assigned = Text("a buffer of its own, given back");
        assigned = std::move(constructed);
        EXPECT_TRUE(assigned == original);
        if (original.GetType() >= Variant::TypeBytes) {
            EXPECT_EQ(buffer, assigned.GetData(&size));
        }
        EXPECT_EQ(Variant::TypeEmpty, constructed.GetType());

        Variant& alias = assigned;
        assigned = std::move(alias);
        EXPECT_TRUE(assigned == original) << "moving a value onto itself keeps it";
    }
}

TEST(VariantTest, MovesBetweenAllocatorsCopyTheBytes)
{
    TrackingVariant tracking;
    tracking.SetString("tracked");
    uint32_t size = 0;
    const void* trackedBlock = tracking.GetData(&size);

    Variant plain(std::move(static_cast<Variant&>(tracking)));
    EXPECT_STREQ("tracked", plain.GetString());
    EXPECT_NE(trackedBlock, plain.GetData(&size)) << "a block of another allocator is copied";
    EXPECT_EQ(Variant::TypeEmpty, tracking.GetType());
    EXPECT_TRUE(tracking.blocks.empty()) << "the source gave its block back itself";

    tracking.SetString("again");
    Variant plainTarget = Text("plain");
    plainTarget = std::move(static_cast<Variant&>(tracking));
    EXPECT_STREQ("again", plainTarget.GetString());
    EXPECT_EQ(Variant::TypeEmpty, tracking.GetType());
    EXPECT_TRUE(tracking.blocks.empty());

    static_cast<Variant&>(tracking) = std::move(plain);
    EXPECT_STREQ("tracked", tracking.GetString());
    EXPECT_EQ(Variant::TypeEmpty, plain.GetType());
    EXPECT_EQ(1u, tracking.blocks.count(const_cast<void*>(tracking.GetData(&size))))
        << "the target holds a block of its own allocator";
    tracking.Clear();
    EXPECT_EQ(0, tracking.foreignFrees);
    EXPECT_TRUE(tracking.blocks.empty());
}

} // namespace
} // namespace VQ
