#include "vqframework/storage/ParamValue.h"

#include "VariantValues.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <ostream>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace VQ {
namespace {

constexpr int32_t kInt32Max = std::numeric_limits<int32_t>::max();

using test::Content;
using test::List;
using test::Text;

// The (id, key) pairs of a value list, in list order.
std::vector<std::pair<int32_t, Variant>> Entries(const ParamValues& values)
{
    std::vector<std::pair<int32_t, Variant>> entries;
    for (uint32_t i = 0; i < values.GetListCount(); ++i) {
        Variant value;
        int32_t id = 0;
        Variant key;
        EXPECT_EQ(0, values.GetAt(i, value, id, key));
        entries.emplace_back(id, key);
    }
    return entries;
}

ParamValues ValuesFrom(std::initializer_list<ParamValue> values)
{
    ParamValues list;
    list.Set(values.begin(), static_cast<uint32_t>(values.size()));
    return list;
}

// A number reaches a parameter only as a value of its own type: SetValue(id, 2.5) once stored the
// int32 2 through the implicit int32 constructor.
template <class T> constexpr bool SetValueTakes = requires(ParamValues values, const T& value) {
    values.SetValue(ParamDescriptor(1), value);
};
template <class T> constexpr bool SetTakes = requires(ParamValues values, const T& value) {
    values.Set(ParamDescriptor(1), value);
};
static_assert(SetValueTakes<Variant> && !SetValueTakes<double> && !SetValueTakes<int32_t> && !SetValueTakes<bool>);
static_assert(SetTakes<Variant> && !SetTakes<double> && !SetTakes<uint32_t>);
static_assert(!std::is_constructible_v<ParamValue, int32_t, Variant, double> &&
              !std::is_constructible_v<ParamValue, int32_t, int32_t, Variant>);

int32_t TakesDescriptor(const ParamDescriptor& descriptor)
{
    return descriptor.id;
}

TEST(ParamDescriptorTest, DefaultsToIdMinusOneAndEmptyMembers)
{
    ParamDescriptor descriptor;
    ParamValue value;
    EXPECT_EQ(-1, descriptor.id);
    EXPECT_EQ(Variant::TypeEmpty, descriptor.key.GetType());
    EXPECT_EQ(-1, value.id);
    EXPECT_EQ(Variant::TypeEmpty, value.key.GetType());
    EXPECT_EQ(Variant::TypeEmpty, value.value.GetType());
    EXPECT_EQ(Variant::TypeEmpty, ParamDescriptor(7).key.GetType());
}

TEST(ParamDescriptorTest, ValueServesAsItsDescriptorAndOwnsCopies)
{
    Variant key = Text("k");
    Variant v = Variant::Of<uint8_t>(9);
    ParamValue value(12, key, v);
    key.SetString("changed");
    v.Clear();

    EXPECT_EQ(12, TakesDescriptor(value));
    EXPECT_EQ(Text("k"), value.key);
    EXPECT_EQ(Variant::Of<uint8_t>(9), value.value);

    ParamValue copy(value);
    value.key.Clear();
    EXPECT_EQ(Text("k"), copy.key);
}

TEST(ParamValuesTest, ElementHoldsValueThenIdThenKey)
{
    ParamValues values = ValuesFrom({ParamValue(3, Variant(), Variant(7))});
    // One element entry (size 0x38, type 16) holding [int32 7, int32 3, empty].
    const std::vector<uint8_t> expected = {
        0x38, 0, 0, 0, 1, 0, 0, 0, 16, 0, 0, 0,
        0x10, 0, 0, 0, 1, 0, 0, 0, 6, 0, 0, 0, 7, 0, 0, 0,
        0x10, 0, 0, 0, 1, 0, 0, 0, 6, 0, 0, 0, 3, 0, 0, 0,
        0x0C, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(Variant::TypeList, values.GetType());
    EXPECT_EQ(expected, Content(values));
}

TEST(ParamValuesTest, ListsReadBackWhatTheyWereBuiltFromInOrder)
{
    const ParamValue values[] = {ParamValue(9, Text("b"), Variant::Of<uint8_t>(1)),
                                 ParamValue(-3, Variant(), Text("x")),
                                 ParamValue(0, Variant(5), Variant())};
    ParamValues valueList;
    ASSERT_EQ(0, valueList.Set(values, 3));
    ASSERT_EQ(3u, valueList.GetListCount());
    for (uint32_t i = 0; i < 3; ++i) {
        Variant value;
        int32_t id = 0;
        Variant key;
        ASSERT_EQ(0, valueList.GetAt(i, value, id, key));
        EXPECT_EQ(values[i].id, id);
        EXPECT_EQ(values[i].key, key);
        EXPECT_EQ(values[i].value, value);
    }

    ParamDescriptor descriptors[2];
    descriptors[0].id = 4;
    descriptors[1].id = -8;
    descriptors[1].key = Text("key");
    ParamDescriptors descriptorList;
    ASSERT_EQ(0, descriptorList.Set(descriptors, 2));
    ASSERT_EQ(2u, descriptorList.GetListCount());
    for (uint32_t i = 0; i < 2; ++i) {
        int32_t id = 0;
        Variant key;
        ASSERT_EQ(0, descriptorList.GetAt(i, id, key));
        EXPECT_EQ(descriptors[i].id, id);
        EXPECT_EQ(descriptors[i].key, key);
    }

    const ParamRange ranges[] = {{0, 17}, {-5, kInt32Max}};
    ParamRanges rangeList;
    ASSERT_EQ(0, rangeList.Set(ranges, 2));
    ASSERT_EQ(2u, rangeList.GetListCount());
    for (uint32_t i = 0; i < 2; ++i) {
        ParamRange range;
        ASSERT_EQ(0, rangeList.GetAt(i, range));
        EXPECT_EQ(ranges[i].first, range.first);
        EXPECT_EQ(ranges[i].count, range.count);
    }
}

// The list kinds differ only in their item type, so one check serves all three.
template <class List, class Item> void ExpectSetOfNothingRefused(List& list, const Item& item, uint32_t nullCount)
{
    const std::vector<uint8_t> before = Content(list);
    EXPECT_EQ(-4, list.Set(static_cast<const Item*>(nullptr), nullCount));
    EXPECT_EQ(-4, list.Set(&item, 0));
    EXPECT_EQ(before, Content(list));
}

TEST(ParamValuesTest, SetOfNothingReturnsMinusFourAndKeepsContent)
{
    const ParamValue value(1, Variant(), Variant::Of<uint8_t>(1));
    ParamValues values = ValuesFrom({value});
    ExpectSetOfNothingRefused(values, value, 3);

    const ParamDescriptor descriptor(1);
    ParamDescriptors descriptors;
    descriptors.Set(&descriptor, 1);
    ExpectSetOfNothingRefused(descriptors, descriptor, 1);

    const ParamRange range{1, 2};
    ParamRanges ranges;
    ranges.Set(&range, 1);
    ExpectSetOfNothingRefused(ranges, range, 1);
}

TEST(ParamValuesTest, SetFromDescriptorReplacesContentWithTheArrayFormsElement)
{
    ParamValues values;
    ParamRange all{0, 17};
    ParamDescriptors descriptors(all);
    for (int32_t id = 0; id < 17; ++id)
        values.SetValue(ParamDescriptor(id), Variant::Of<uint8_t>(static_cast<uint8_t>(id)));
    ASSERT_EQ(17u, values.GetListCount());

    const Variant v = Text("value");
    ParamDescriptor descriptor(-4);
    EXPECT_EQ(0, values.Set(descriptor, v));
    EXPECT_EQ(Content(ValuesFrom({ParamValue(-4, Variant(), v)})), Content(values));
}

struct MissingElementCase {
    const char* name;
    Variant list;
    uint32_t index;
};

void PrintTo(const MissingElementCase& c, std::ostream* os)
{
    *os << c.name;
}

class GetAtMissingElementTest : public ::testing::TestWithParam<MissingElementCase> {};

TEST_P(GetAtMissingElementTest, ReturnsMinusFourAndResetsOutputs)
{
    const Variant& list = GetParam().list;
    const uint32_t index = GetParam().index;

    ParamValues values;
    values.Assign(list);
    Variant value = Variant::Of<uint8_t>(1);
    int32_t id = 5;
    Variant key = Text("kept");
    EXPECT_EQ(-4, values.GetAt(index, value, id, key));
    EXPECT_EQ(Variant::TypeEmpty, value.GetType());
    EXPECT_EQ(-1, id);
    EXPECT_EQ(Text("kept"), key);

    ParamDescriptors descriptors;
    descriptors.Assign(list);
    id = 5;
    EXPECT_EQ(-4, descriptors.GetAt(index, id, key));
    EXPECT_EQ(-1, id);
    EXPECT_EQ(Variant::TypeEmpty, key.GetType());

    ParamRanges ranges;
    ranges.Assign(list);
    ParamRange range{3, 4};
    EXPECT_EQ(-4, ranges.GetAt(index, range));
    EXPECT_EQ(-1, range.first);
    EXPECT_EQ(0, range.count);
}

ParamValues SeventeenValues()
{
    ParamValues values;
    for (int32_t id = 0; id < 17; ++id)
        values.SetValue(ParamDescriptor(id), Variant::Of<uint8_t>(1));
    return values;
}

Variant FourByteList()
{
    const uint8_t content[4] = {12, 0, 0, 0};
    Variant list;
    list.Set(Variant::TypeList, content, 4);
    return list;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GetAtMissingElementTest,
    ::testing::Values(MissingElementCase{"IndexEqualToCount", SeventeenValues(), 17},
                      MissingElementCase{"NegativeIndex", SeventeenValues(), static_cast<uint32_t>(-1)},
                      MissingElementCase{"NotAList", Variant(42), 0},
                      MissingElementCase{"EmptyList", List({}), 0},
                      MissingElementCase{"ListOfFourBytes", FourByteList(), 0}),
    [](const ::testing::TestParamInfo<MissingElementCase>& info) { return std::string(info.param.name); });

struct MalformedElementCase {
    const char* name;
    Variant element;
};

void PrintTo(const MalformedElementCase& c, std::ostream* os)
{
    *os << c.name;
}

class MalformedElementTest : public ::testing::TestWithParam<MalformedElementCase> {};

TEST_P(MalformedElementTest, ValueListReportsMinusSevenAndStaysUnchanged)
{
    ParamValues values;
    values.SetValue(ParamDescriptor(1), Variant::Of<uint8_t>(1));
    const Variant good = List({Variant::Of<uint8_t>(2), Variant(2), Variant()});
    Variant content[] = {good, GetParam().element};
    values.SetList(content, 2);
    const std::vector<uint8_t> before = Content(values);

    Variant value = Variant::Of<uint8_t>(7);
    int32_t id = 5;
    Variant key = Text("kept");
    EXPECT_EQ(-7, values.GetAt(1, value, id, key));
    EXPECT_EQ(Variant::TypeEmpty, value.GetType());
    EXPECT_EQ(-1, id);
    EXPECT_EQ(Text("kept"), key);

    value = Variant::Of<uint8_t>(7);
    EXPECT_EQ(-7, values.GetValue(ParamDescriptor(3), value));
    EXPECT_EQ(Variant::TypeEmpty, value.GetType());
    EXPECT_EQ(-7, values.SetValue(ParamDescriptor(3), Variant::Of<uint8_t>(3)));
    EXPECT_EQ(before, Content(values));
    // The search stops at the matching element before it reaches the malformed one.
    EXPECT_EQ(0, values.GetValue(ParamDescriptor(2), value));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MalformedElementTest,
    ::testing::Values(MalformedElementCase{"TwoItems", List({Variant::Of<uint8_t>(3), Variant(3)})},
                      MalformedElementCase{"FourItems",
                                           List({Variant::Of<uint8_t>(3), Variant(3), Variant(), Variant()})},
                      MalformedElementCase{"NotAList", Variant(3)},
                      MalformedElementCase{"EmptyList", List({})}),
    [](const ::testing::TestParamInfo<MalformedElementCase>& info) { return std::string(info.param.name); });

TEST(ParamValuesTest, MalformedDescriptorAndRangeElementsReportMinusSeven)
{
    const Variant threeItems = List({Variant(1), Variant(2), Variant(3)});
    ParamDescriptors descriptors;
    descriptors.SetList(&threeItems, 1);
    int32_t id = 5;
    Variant key = Variant::Of<uint8_t>(1);
    EXPECT_EQ(-7, descriptors.GetAt(0, id, key));
    EXPECT_EQ(-1, id);
    EXPECT_EQ(Variant::TypeEmpty, key.GetType());

    ParamRanges ranges;
    ranges.SetList(&threeItems, 1);
    ParamRange range{3, 4};
    EXPECT_EQ(-7, ranges.GetAt(0, range));
    EXPECT_EQ(3, range.first);
    EXPECT_EQ(4, range.count);
}

TEST(ParamValuesTest, ReadsIdsStoredInOtherNumericTypes)
{
    const Variant elements[] = {List({Variant::Of<uint8_t>(1), Variant::Of<int16_t>(-2), Variant()}),
                                List({Variant::Of<uint8_t>(2), Variant::Of(6.5), Variant()})};
    ParamValues values;
    values.SetList(elements, 2);

    Variant value;
    int32_t id = 0;
    Variant key;
    ASSERT_EQ(0, values.GetAt(0, value, id, key));
    EXPECT_EQ(-2, id);
    ASSERT_EQ(0, values.GetAt(1, value, id, key));
    EXPECT_EQ(7, id);
    EXPECT_EQ(0, values.GetValue(ParamDescriptor(-2), value));
    EXPECT_EQ(Variant::Of<uint8_t>(1), value);
}

// The bytes of entries written in hexadecimal, blanks between them ignored.
std::vector<uint8_t> FromHex(std::initializer_list<const char*> entries)
{
    std::vector<uint8_t> bytes;
    for (const char* entry : entries) {
        std::string digits;
        for (const char* c = entry; *c; ++c) {
            if (*c != ' ')
                digits += *c;
        }
        for (size_t i = 0; i + 1 < digits.size(); i += 2)
            bytes.push_back(static_cast<uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

// Program files and the device-control library depend on these bytes.
TEST(ParamValuesTest, KnownListsKeepTheirBytes)
{
    ParamValues values;
    const auto set = [&values](int32_t id, const Variant& key, const Variant& value) {
        ParamDescriptor descriptor(id);
        descriptor.key = key;
        values.SetValue(descriptor, value);
    };
    set(3, Variant(), Variant::Of<uint8_t>(36));
    set(1, Variant(0), Variant::Of<int16_t>(-64));
    set(1, Variant(1), Text("Pad 2"));
    set(1, Text("a"), Variant::Of(true));
    set(-2, Variant(), Variant::Of(0.5));
    set(7, Variant(), List({Variant(1), Text("x")}));
    set(5, Variant(), test::Owned({0xAA, 0xBB}));
    set(6, Variant(), Variant());
    set(4, Variant::Of(std::numeric_limits<uint64_t>::max()), Variant::Of<int64_t>(-5));
    set(3, Variant(), Variant::Of<uint8_t>(40));
    // One element a line: its header, then the value, the id and the key.
    const std::vector<uint8_t> expectedValues = FromHex({
        "370000000100000010000000 0D000000010000000100000001 10000000010000000600000001000000"
        " 0E000000010000000F0000006100",
        "3A0000000100000010000000 0E0000000100000004000000C0FF 10000000010000000600000001000000"
        " 10000000010000000600000000000000",
        "3E0000000100000010000000 12000000010000000F000000506164203200 10000000010000000600000001000000"
        " 10000000010000000600000001000000",
        "350000000100000010000000 0D000000010000000300000028 10000000010000000600000003000000"
        " 0C0000000100000000000000",
        "440000000100000010000000 14000000010000000A000000FBFFFFFFFFFFFFFF 10000000010000000600000004000000"
        " 14000000010000000B000000FFFFFFFFFFFFFFFF",
        "360000000100000010000000 0E000000010000000E000000AABB 10000000010000000600000005000000"
        " 0C0000000100000000000000",
        "340000000100000010000000 0C0000000100000000000000 10000000010000000600000006000000"
        " 0C0000000100000000000000",
        "520000000100000010000000 2A0000000100000010000000 10000000010000000600000001000000"
        " 0E000000010000000F0000007800 10000000010000000600000007000000 0C0000000100000000000000",
        "3C0000000100000010000000 140000000100000009000000000000000000E03F 100000000100000006000000FEFFFFFF"
        " 0C0000000100000000000000",
    });
    EXPECT_EQ(expectedValues, Content(values));

    // Read back and built again from the array form: the same bytes.
    std::vector<ParamValue> read(values.GetListCount());
    for (uint32_t i = 0; i < read.size(); ++i)
        ASSERT_EQ(0, values.GetAt(i, read[i].value, read[i].id, read[i].key));
    ParamValues rebuilt;
    rebuilt.Set(read.data(), static_cast<uint32_t>(read.size()));
    EXPECT_EQ(expectedValues, Content(rebuilt));

    const ParamRange ranges[] = {{10, 2}, {-1, 1}};
    ParamRanges rangeList;
    rangeList.Set(ranges, 2);
    EXPECT_EQ(FromHex({"2C0000000100000010000000 1000000001000000060000000A000000 10000000010000000600000002000000",
                       "2C0000000100000010000000 100000000100000006000000FFFFFFFF 10000000010000000600000001000000"}),
              Content(rangeList));
    ParamDescriptors descriptors;
    descriptors.SetFromRanges(rangeList);
    const std::vector<uint8_t> expectedDescriptors =
        FromHex({"280000000100000010000000 1000000001000000060000000A000000 0C0000000100000000000000",
                 "280000000100000010000000 1000000001000000060000000B000000 0C0000000100000000000000",
                 "280000000100000010000000 100000000100000006000000FFFFFFFF 0C0000000100000000000000"});
    EXPECT_EQ(expectedDescriptors, Content(descriptors));
    const ParamDescriptor descriptorArray[] = {ParamDescriptor(10), ParamDescriptor(11), ParamDescriptor(-1)};
    ParamDescriptors fromArray;
    fromArray.Set(descriptorArray, 3);
    EXPECT_EQ(expectedDescriptors, Content(fromArray));
}

TEST(ParamValuesTest, ReaderGivesWhatGetAtGivesForEveryIndex)
{
    const Variant elements[] = {List({Variant::Of<uint8_t>(1), Variant(4), Text("pad")}),
                                List({Variant::Of<uint8_t>(2), Variant(5)}),
                                List({Text("value"), Variant::Of<int16_t>(-6), Variant()}),
                                Variant(7),
                                List({Variant(), Variant(8), List({Variant(1)})})};
    ParamValues values;
    values.SetList(elements, 5);
    ParamValues::Reader reader(values);
    for (uint32_t i = 0; i <= 5; ++i) {
        SCOPED_TRACE(i);
        Variant expectedValue = Text("stale");
        int32_t expectedId = 99;
        Variant expectedKey = Text("stale");
        const int32_t expected = values.GetAt(i, expectedValue, expectedId, expectedKey);
        Variant value = Text("stale");
        int32_t id = 99;
        Variant key = Text("stale");
        EXPECT_EQ(expected, reader.Next(value, id, key));
        EXPECT_EQ(expectedValue, value);
        EXPECT_EQ(expectedId, id);
        EXPECT_EQ(expectedKey, key);
    }
    Variant value;
    int32_t id = 0;
    Variant key;
    EXPECT_EQ(-4, reader.Next(value, id, key));
}

TEST(ParamValuesTest, TheListItselfCanBeAValue)
{
    ParamValues values = ValuesFrom({ParamValue(1, Variant(), Variant::Of<uint8_t>(1))});
    const Variant before = values;
    EXPECT_EQ(0, values.Set(ParamDescriptor(2), values));
    Variant value;
    EXPECT_EQ(0, values.GetValue(ParamDescriptor(2), value));
    EXPECT_EQ(before, value);

    const Variant now = values;
    EXPECT_EQ(0, values.SetValue(ParamDescriptor(3), values));
    EXPECT_EQ(0, values.GetValue(ParamDescriptor(3), value));
    EXPECT_EQ(now, value);
    EXPECT_EQ(2u, values.GetListCount());
}

TEST(ParamValuesTest, SetValueAddsChangesAndReportsUnchanged)
{
    ParamValues values;
    EXPECT_EQ(0, values.SetValue(ParamDescriptor(3), Variant::Of<uint8_t>(1)));
    EXPECT_EQ(Content(ValuesFrom({ParamValue(3, Variant(), Variant::Of<uint8_t>(1))})), Content(values));

    const std::vector<uint8_t> before = Content(values);
    uint32_t size = 0;
    const void* buffer = values.GetData(&size);
    EXPECT_EQ(1, values.SetValue(ParamDescriptor(3), Variant::Of<uint8_t>(1)));
    EXPECT_EQ(before, Content(values));
    EXPECT_EQ(buffer, values.GetData(&size)) << "an unchanged value must not rebuild the list";

    EXPECT_EQ(0, values.SetValue(ParamDescriptor(3), Variant::Of<uint8_t>(2)));
    ASSERT_EQ(1u, values.GetListCount());
    Variant value;
    EXPECT_EQ(0, values.GetValue(ParamDescriptor(3), value));
    EXPECT_EQ(Variant::Of<uint8_t>(2), value);
}

TEST(ParamValuesTest, SetValueTurnsAValueThatIsNoListIntoAListOfOne)
{
    ParamValues values;
    values.Set(Variant::TypeInt32, "\x01\x00\x00\x00", 4);
    EXPECT_EQ(0, values.SetValue(ParamDescriptor(8), Variant::Of<uint8_t>(4)));
    EXPECT_EQ(Content(ValuesFrom({ParamValue(8, Variant(), Variant::Of<uint8_t>(4))})), Content(values));
}

struct OrderCase {
    const char* name;
    std::vector<std::pair<int32_t, Variant>> inserted;
    std::vector<std::pair<int32_t, Variant>> expected;
};

void PrintTo(const OrderCase& c, std::ostream* os)
{
    *os << c.name;
}

class SetValueOrderTest : public ::testing::TestWithParam<OrderCase> {};

TEST_P(SetValueOrderTest, KeepsListSortedByUnsignedIdThenKey)
{
    ParamValues values;
    uint8_t n = 0;
    for (const auto& [id, key] : GetParam().inserted) {
        ParamDescriptor descriptor(id);
        descriptor.key = key;
        ASSERT_EQ(0, values.SetValue(descriptor, Variant::Of<uint8_t>(++n)));
    }
    EXPECT_EQ(GetParam().expected, Entries(values));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SetValueOrderTest,
    ::testing::Values(
        OrderCase{"AscendingIds", {{5, {}}, {1, {}}, {3, {}}}, {{1, {}}, {3, {}}, {5, {}}}},
        OrderCase{"NegativeIdsLast", {{5, {}}, {1, {}}, {3, {}}, {-2, {}}}, {{1, {}}, {3, {}}, {5, {}}, {-2, {}}}},
        OrderCase{"NegativeIdsAmongThemselves", {{-1, {}}, {-2, {}}, {0, {}}}, {{0, {}}, {-2, {}}, {-1, {}}}},
        OrderCase{"SignBoundary",
                  {{std::numeric_limits<int32_t>::min(), {}}, {kInt32Max, {}}},
                  {{kInt32Max, {}}, {std::numeric_limits<int32_t>::min(), {}}}},
        OrderCase{"KeyAfterEmptyKey",
                  {{3, {}}, {5, {}}, {3, Variant(1)}, {1, {}}},
                  {{1, {}}, {3, {}}, {3, Variant(1)}, {5, {}}}},
        // A short text against a number compares 2 text bytes with 8 slot bytes: the text comes first.
        OrderCase{"KeysByVariantOrder",
                  {{4, Variant(2)}, {4, Text("a")}, {4, Variant(1)}, {4, Variant(-3)}},
                  {{4, Text("a")}, {4, Variant(-3)}, {4, Variant(1)}, {4, Variant(2)}}},
        OrderCase{"RepeatedPairStaysSingle", {{2, {}}, {1, {}}, {2, {}}, {1, {}}}, {{1, {}}, {2, {}}}}),
    [](const ::testing::TestParamInfo<OrderCase>& info) { return std::string(info.param.name); });

TEST(ParamValuesTest, SetValueOnUnsortedListKeepsEachParameterOnce)
{
    // Lists from outside need not be in order: the changed parameter sits behind the place where
    // a new entry would go.
    ParamValues values = ValuesFrom(
        {ParamValue(5, Variant(), Variant::Of<uint8_t>(5)), ParamValue(3, Variant(), Variant::Of<uint8_t>(3))});
    EXPECT_EQ(0, values.SetValue(ParamDescriptor(3), Variant::Of<uint8_t>(30)));
    EXPECT_EQ(2u, values.GetListCount());
    EXPECT_EQ(0, values.SetValue(ParamDescriptor(3), Variant::Of<uint8_t>(31)));
    EXPECT_EQ(2u, values.GetListCount());
    Variant value;
    EXPECT_EQ(0, values.GetValue(ParamDescriptor(3), value));
    EXPECT_EQ(Variant::Of<uint8_t>(31), value);
    EXPECT_EQ(1, values.SetValue(ParamDescriptor(3), Variant::Of<uint8_t>(31)));
}

TEST(ParamValuesTest, GetValueFindsByIdAndKey)
{
    ParamDescriptor keyed(4);
    keyed.key = Text("pad");
    ParamValues values = ValuesFrom(
        {ParamValue(2, Variant(), Variant::Of<uint8_t>(2)), ParamValue(4, Text("pad"), Variant::Of<uint8_t>(4))});

    Variant value;
    EXPECT_EQ(0, values.GetValue(keyed, value));
    EXPECT_EQ(Variant::Of<uint8_t>(4), value);
    EXPECT_EQ(0, values.GetValue(ParamDescriptor(2), value));
    EXPECT_EQ(Variant::Of<uint8_t>(2), value);

    value = Variant::Of<uint8_t>(9);
    EXPECT_EQ(1, values.GetValue(ParamDescriptor(4), value)) << "same id, other key";
    EXPECT_EQ(Variant::TypeEmpty, value.GetType());
    value = Variant::Of<uint8_t>(9);
    EXPECT_EQ(1, values.GetValue(ParamDescriptor(7), value));
    EXPECT_EQ(Variant::TypeEmpty, value.GetType());
    value = Variant::Of<uint8_t>(9);
    EXPECT_EQ(1, ParamValues().GetValue(ParamDescriptor(-1), value));
    EXPECT_EQ(Variant::TypeEmpty, value.GetType());
}

std::vector<int32_t> DescriptorIds(const ParamDescriptors& descriptors)
{
    std::vector<int32_t> ids;
    for (uint32_t i = 0; i < descriptors.GetListCount(); ++i) {
        int32_t id = 0;
        Variant key = Variant::Of<uint8_t>(1);
        EXPECT_EQ(0, descriptors.GetAt(i, id, key));
        EXPECT_EQ(Variant::TypeEmpty, key.GetType());
        ids.push_back(id);
    }
    return ids;
}

std::vector<int32_t> IdRun(int32_t first, int32_t count)
{
    std::vector<int32_t> ids;
    for (int32_t n = 0; n < count; ++n)
        ids.push_back(first + n);
    return ids;
}

TEST(ParamDescriptorsTest, RangeConstructorGivesOneDescriptorPerId)
{
    ParamDescriptors all(ParamRange{0, 17});
    EXPECT_EQ(IdRun(0, 17), DescriptorIds(all));

    std::vector<ParamDescriptor> array;
    for (int32_t id = 0; id < 17; ++id)
        array.emplace_back(id);
    ParamDescriptors fromArray;
    fromArray.Set(array.data(), 17);
    EXPECT_EQ(Content(fromArray), Content(all)) << "both builds give the same list";
}

struct RangesCase {
    const char* name;
    std::vector<ParamRange> ranges;
    std::vector<int32_t> expectedIds;
};

void PrintTo(const RangesCase& c, std::ostream* os)
{
    *os << c.name;
}

class SetFromRangesTest : public ::testing::TestWithParam<RangesCase> {};

TEST_P(SetFromRangesTest, ListsTheIdsOfEveryRangeInOrder)
{
    ParamRanges ranges;
    if (!GetParam().ranges.empty())
        ranges.Set(GetParam().ranges.data(), static_cast<uint32_t>(GetParam().ranges.size()));
    ParamDescriptors descriptors(ParamRange{100, 3});
    EXPECT_EQ(0, descriptors.SetFromRanges(ranges));
    EXPECT_EQ(Variant::TypeList, descriptors.GetType());
    EXPECT_EQ(GetParam().expectedIds, DescriptorIds(descriptors));
    if (GetParam().expectedIds.empty()) {
        EXPECT_EQ(0u, descriptors.GetLength());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SetFromRangesTest,
    ::testing::Values(RangesCase{"NoRanges", {}, {}}, RangesCase{"ZeroCount", {{5, 0}}, {}},
                      RangesCase{"NegativeCount", {{5, -3}}, {}},
                      RangesCase{"SeveralRanges", {{9, 2}, {0, 0}, {-2, 3}, {7, -1}, {1, 1}}, {9, 10, -2, -1, 0, 1}},
                      RangesCase{"StopsAtLargestId", {{kInt32Max - 2, 10}}, IdRun(kInt32Max - 2, 3)},
                      RangesCase{"LargestIdAlone", {{kInt32Max, kInt32Max}}, {kInt32Max}}),
    [](const ::testing::TestParamInfo<RangesCase>& info) { return std::string(info.param.name); });

TEST(ParamDescriptorsTest, SetFromRangesSkipsMalformedRangeElements)
{
    const Variant elements[] = {List({Variant(4), Variant(2)}), List({Variant(1)}), Variant(3),
                                List({Variant(8), Variant(1)})};
    ParamRanges ranges;
    ranges.SetList(elements, 4);
    ParamDescriptors descriptors;
    EXPECT_EQ(0, descriptors.SetFromRanges(ranges));
    EXPECT_EQ((std::vector<int32_t>{4, 5, 8}), DescriptorIds(descriptors));
}

TEST(ParamDescriptorsTest, SetFromRangesRefusesMoreIdsThanOneListHolds)
{
    const ParamRange ranges[] = {{0, kInt32Max}, {0, kInt32Max}};
    ParamRanges rangeList;
    rangeList.Set(ranges, 2);
    ParamDescriptors descriptors(ParamRange{0, 2});
    const std::vector<uint8_t> before = Content(descriptors);
    EXPECT_EQ(E_OUTOFMEMORY, descriptors.SetFromRanges(rangeList));
    EXPECT_EQ(before, Content(descriptors));
}

TEST(ParamValuesTest, CopiesOwnTheirBytes)
{
    ParamValues values = ValuesFrom({ParamValue(1, Variant(), Variant::Of<uint8_t>(1))});
    ParamValues copy(values);
    values.SetValue(ParamDescriptor(1), Variant::Of<uint8_t>(2));
    Variant value;
    EXPECT_EQ(0, copy.GetValue(ParamDescriptor(1), value));
    EXPECT_EQ(Variant::Of<uint8_t>(1), value);
}

} // namespace
} // namespace VQ
