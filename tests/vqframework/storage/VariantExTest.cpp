#include "vqframework/storage/VariantEx.h"

#include "VariantValues.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace VQ {
namespace {

using WideString = StringT<char16_t, char>;

std::string Narrow(const WideString& text)
{
    return StringT<char, char16_t>(text).GetString();
}

// Made as VariantEx so the tests exercise its overrides.
VariantEx Text(const char* text)
{
    return test::Text<VariantEx>(text);
}

std::string Hex(const void* address)
{
    char text[32];
    std::snprintf(text, sizeof text, "%llX", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(address)));
    return text;
}

TEST(VariantExTest, ToStringGivesTheTextOfEveryType)
{
    struct Case {
        const char* name;
        Variant value;
        const char* text;
    };
    const Case cases[] = {
        {"empty", Variant(), ""},
        {"bool true", Variant::Of(true), "true"},
        {"bool false", Variant::Of(false), "false"},
        {"int8", Variant::Of<int8_t>(-5), "-5"},
        {"int16", Variant::Of<int16_t>(-300), "-300"},
        {"int32", Variant::Of(std::numeric_limits<int32_t>::min()), "-2147483648"},
        {"uint8", Variant::Of<uint8_t>(200), "200"},
        {"uint16", Variant::Of<uint16_t>(65535), "65535"},
        {"uint32", Variant::Of(4294967295u), "4294967295"},
        {"float", Variant::Of(1.5f), "1.500000"},
        {"double", Variant::Of(-2.25), "-2.250000"},
        {"int64", Variant::Of(std::numeric_limits<int64_t>::min()), "-9223372036854775808"},
        {"uint64 in hexadecimal", Variant::Of<uint64_t>(255), "FF"},
        {"uint64 zero", Variant::Of<uint64_t>(0), "0"},
        {"text", Text("h\xC3\xA9llo"), "h\xC3\xA9llo"},
        {"empty text", Text(""), ""},
        {"text cut at an ill-formed sequence", Text("ab\xFF" "cd"), "ab"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const VariantEx value(c.value);
        EXPECT_EQ(c.text, Narrow(value.ToString()));
        const IStringable& stringable = value;
        EXPECT_EQ(c.text, Narrow(stringable.ToString()));
    }
}

TEST(VariantExTest, ToStringOfByteValuesAndListsIsTheirAddress)
{
    VariantEx bytes;
    bytes.SetBuffer("abc", 3);
    VariantEx list;
    const Variant items[] = {Variant(1)};
    list.SetList(items, 1);
    for (const VariantEx* v : {&bytes, &list}) {
        uint32_t size = 0;
        const void* data = v->GetData(&size);
        ASSERT_NE(nullptr, data);
        EXPECT_EQ(Hex(data), Narrow(v->ToString()));
    }
}

struct TextGetters {
    const char* text;
    bool boolean;
    int8_t int8;
    int16_t int16;
    int32_t int32;
    int64_t int64;
    uint8_t uint8;
    uint16_t uint16;
    uint32_t uint32;
    uint64_t uint64;
    double dbl;
};

TEST(VariantExTest, TextValuesAreParsed)
{
    constexpr int64_t Int64Max = std::numeric_limits<int64_t>::max();
    constexpr int64_t Int64Min = std::numeric_limits<int64_t>::min();
    const TextGetters cases[] = {
        {"42x", false, 42, 42, 42, 42, 42, 42, 42, 42, 42.0},
        {"TRUE", true, 0, 0, 0, 0, 0, 0, 0, 0, 0.0},
        {"tRuE", true, 0, 0, 0, 0, 0, 0, 0, 0, 0.0},
        {"true ", false, 0, 0, 0, 0, 0, 0, 0, 0, 0.0},
        {" true", false, 0, 0, 0, 0, 0, 0, 0, 0, 0.0},
        {"1", false, 1, 1, 1, 1, 1, 1, 1, 1, 1.0},
        {"yes", false, 0, 0, 0, 0, 0, 0, 0, 0, 0.0},
        {"", false, 0, 0, 0, 0, 0, 0, 0, 0, 0.0},
        {"4294967295", false, -1, -1, 2147483647, 4294967295, 255, 65535, 4294967295u, 4294967295u, 4294967295.0},
        {"-1", false, -1, -1, -1, -1, 255, 65535, 4294967295u, std::numeric_limits<uint64_t>::max(), -1.0},
        {"300", false, 44, 300, 300, 300, 44, 300, 300, 300, 300.0},
        {"  -12.75e1", false, -12, -12, -12, -12, 244, 65524, 4294967284u, uint64_t(-12), -127.5},
        {"\t+7", false, 7, 7, 7, 7, 7, 7, 7, 7, 7.0},
        {"99999999999999999999", false, -1, -1, 2147483647, Int64Max, 255, 65535, 4294967295u, uint64_t(Int64Max),
         1e20},
        {"-99999999999999999999", false, 0, 0, -2147483647 - 1, Int64Min, 0, 0, 0, uint64_t(Int64Min), -1e20},
        {"-9223372036854775808", false, 0, 0, -2147483647 - 1, Int64Min, 0, 0, 0, uint64_t(Int64Min),
         -9223372036854775808.0},
    };
    for (const TextGetters& c : cases) {
        SCOPED_TRACE(c.text);
        const VariantEx v = Text(c.text);
        EXPECT_EQ(c.boolean, v.GetBool());
        EXPECT_EQ(c.int8, v.GetInt8());
        EXPECT_EQ(c.int16, v.GetInt16());
        EXPECT_EQ(c.int32, v.GetInt32());
        EXPECT_EQ(c.int64, v.GetInt64());
        EXPECT_EQ(c.uint8, v.GetUInt8());
        EXPECT_EQ(c.uint16, v.GetUInt16());
        EXPECT_EQ(c.uint32, v.GetUInt32());
        EXPECT_EQ(c.uint64, v.GetUInt64());
        EXPECT_EQ(c.dbl, v.GetDouble());
        EXPECT_EQ(static_cast<float>(c.dbl), v.GetFloat());
    }
}

TEST(VariantExTest, OtherTypesReadAsTheBaseReadsThem)
{
    const VariantEx int8(Variant::Of<int8_t>(-1));
    EXPECT_EQ(-1, int8.GetInt16());
    EXPECT_EQ(255, int8.GetUInt16());
    EXPECT_EQ(4294967295u, int8.GetUInt32());
    EXPECT_EQ(255, int8.GetUInt8());
    const VariantEx number(Variant::Of(2.5f));
    EXPECT_EQ(3, number.GetInt32());
    EXPECT_TRUE(number.GetBool());
    VariantEx bytes;
    const unsigned char data[] = {0x34, 0x12};
    bytes.SetBuffer(data, 2);
    EXPECT_EQ(0x1234, bytes.GetInt32());
    EXPECT_EQ(4660.0, bytes.GetDouble());
}

TEST(VariantExTest, GetBufferSharesTheOwnedBytes)
{
    VariantEx v;
    const unsigned char data[] = {1, 2, 3};
    EXPECT_EQ(Variant::TypeBytes, v.Set(Variant::TypeBytes, data, 3));
    const ConstRCPtr<LIBuffer> kept = v.GetBuffer();
    ASSERT_FALSE(kept.IsEmpty());
    EXPECT_EQ(3u, kept->GetSize());
    uint32_t size = 0;
    EXPECT_EQ(static_cast<const void*>(kept->GetData()), v.GetData(&size));
    v.Clear();
    EXPECT_TRUE(v.GetData(&size) == nullptr);
    EXPECT_EQ(0, std::memcmp(data, kept->GetData(), 3));

    VariantEx text = Text("abc");
    const ConstRCPtr<LIBuffer> textBuffer = text.GetBuffer();
    EXPECT_EQ(4u, textBuffer->GetSize());
    EXPECT_STREQ("abc", textBuffer->GetData());
}

TEST(VariantExTest, BufferOutlivesTheValue)
{
    ConstRCPtr<LIBuffer> kept;
    {
        VariantEx v = Text("kept");
        kept = v.GetBuffer();
        v.SetString("replaced");
        EXPECT_STREQ("replaced", v.GetString());
    }
    EXPECT_STREQ("kept", kept->GetData());
}

TEST(VariantExTest, GetBufferOfAnythingButBytesOrTextThrows)
{
    VariantEx list;
    list.SetList(static_cast<const Variant*>(nullptr), 0);
    const VariantEx values[] = {VariantEx(), VariantEx(Variant::Of(1)), list};
    for (const VariantEx& v : values) {
        SCOPED_TRACE(v.GetType());
        try {
            v.GetBuffer();
            ADD_FAILURE() << "no exception";
        } catch (const std::runtime_error& error) {
            EXPECT_TRUE(::testing::internal::RE::FullMatch(
                error.what(),
                ::testing::internal::RE(
                    "Runtime Error : VQ::VariantEx::GetBuffer : vqframework/storage/VariantEx\\.cpp : Line [0-9]+")))
                << error.what();
        }
    }
}

TEST(VariantExTest, SetBufferWithoutDataGivesZeroBytes)
{
    VariantEx v;
    EXPECT_EQ(Variant::TypeBytes, v.SetBuffer(nullptr, 5));
    const ConstRCPtr<LIBuffer>& buffer = v.GetBuffer();
    ASSERT_EQ(5u, buffer->GetSize());
    for (uint32_t i = 0; i < 5; ++i)
        EXPECT_EQ(0, buffer->GetData()[i]);
}

TEST(VariantExTest, CopiesTakeTheirOwnCountedBuffer)
{
    const VariantEx original = Text("shared?");
    const VariantEx copy(original);
    EXPECT_TRUE(copy == original);
    EXPECT_NE(original.GetBuffer().Get(), copy.GetBuffer().Get());
    EXPECT_EQ(static_cast<const void*>(copy.GetBuffer()->GetData()), static_cast<const void*>(copy.GetString()));

    Variant plain;
    plain.SetString("plain");
    VariantEx fromPlain(plain);
    EXPECT_STREQ("plain", fromPlain.GetString());
    EXPECT_EQ(static_cast<const void*>(fromPlain.GetBuffer()->GetData()),
              static_cast<const void*>(fromPlain.GetString()));
    Variant back = fromPlain;
    EXPECT_TRUE(back == plain);
}

TEST(VariantExTest, AssigningAnEmptyOwnedRunLeavesTheValueEmpty)
{
    Variant empty;
    empty.SetBuffer(nullptr, 0);
    ASSERT_EQ(Variant::TypeBytes, empty.GetType());
    VariantEx v = Text("before");
    EXPECT_EQ(Variant::TypeEmpty, v.Assign(empty));
    EXPECT_EQ(Variant::TypeEmpty, v.GetType());
}

TEST(VariantExTest, ListsLiveInTheCountedBuffer)
{
    const Variant items[] = {Variant(7), Variant()};
    VariantEx list;
    EXPECT_EQ(Variant::TypeList, list.SetList(items, 2));
    EXPECT_EQ(2u, list.GetListCount());
    VariantEx item;
    EXPECT_EQ(0, list.GetListItem(0, item));
    EXPECT_EQ(7, item.GetInt32());
    EXPECT_EQ("7", Narrow(item.ToString()));
}

TEST(VariantExTest, MovesThroughTheBaseCopyBetweenBufferKinds)
{
    VariantEx counted = Text("counted");
    const ConstRCPtr<LIBuffer> kept = counted.GetBuffer();
    Variant plain(std::move(static_cast<Variant&>(counted)));
    EXPECT_STREQ("counted", plain.GetString());
    EXPECT_NE(static_cast<const void*>(kept->GetData()), static_cast<const void*>(plain.GetString()));
    EXPECT_EQ(Variant::TypeEmpty, counted.GetType());
    EXPECT_EQ(1, kept->GetRefCount()) << "the moved-from value let its counted buffer go";

    static_cast<Variant&>(counted) = std::move(plain);
    EXPECT_STREQ("counted", counted.GetString());
    EXPECT_EQ(static_cast<const void*>(counted.GetBuffer()->GetData()), static_cast<const void*>(counted.GetString()));
    EXPECT_EQ(Variant::TypeEmpty, plain.GetType());
}

} // namespace
} // namespace VQ
