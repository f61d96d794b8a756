#include "vqframework/controlbase/StringTable.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace VQ {
namespace {

using String = LStringTable::String;
using Pairs = std::vector<std::pair<std::u16string, std::u16string>>;

Pairs AsPairs(const LStringTable::Entries& entries)
{
    Pairs pairs;
    for (const auto& [id, text] : entries)
        pairs.emplace_back(std::u16string(id.View()), std::u16string(text.View()));
    return pairs;
}

Pairs All(const LStringTable& table)
{
    LStringTable::Entries entries;
    EXPECT_EQ(table.GetStrings(entries), 0);
    return AsPairs(entries);
}

Pairs WithPrefix(const LStringTable& table, std::u16string_view prefix)
{
    LStringTable::Entries entries;
    EXPECT_EQ(table.GetStringTableEntries(prefix, entries), 0);
    return AsPairs(entries);
}

TEST(StringTable, AddReportsNewReplacedAndRefusedIds)
{
    const RCPtr<LStringTable> table = LStringTable::Create();
    EXPECT_EQ(table->Add(u"", String(u"text")), E_INVALIDARG);
    EXPECT_EQ(table->GetCount(), 0u);

    EXPECT_EQ(table->Add(u"LABEL", String(u"first")), 0);
    EXPECT_EQ(table->Add(u"label", String(u"lower")), 0);
    EXPECT_EQ(table->Add(u"LABEL", String(u"second")), 1);
    EXPECT_EQ(table->Add(u"TOOLTIP", String()), 0);
    EXPECT_EQ(table->GetCount(), 3u);

    String text;
    ASSERT_TRUE(table->GetString(u"LABEL", text));
    EXPECT_EQ(std::u16string(text.View()), u"second");
    ASSERT_TRUE(table->GetString(u"label", text));
    EXPECT_EQ(std::u16string(text.View()), u"lower");
    // An entry with an empty text is present all the same.
    ASSERT_TRUE(table->GetString(u"TOOLTIP", text));
    EXPECT_TRUE(text.IsEmpty());
}

TEST(StringTable, AddTakesAnIdThatIsNotTerminated)
{
    const std::u16string buffer = u"ITEM.01ITEM.02";
    const RCPtr<LStringTable> table = LStringTable::Create();
    EXPECT_EQ(table->Add(std::u16string_view(buffer).substr(0, 7), String(u"one")), 0);
    EXPECT_TRUE(table->HasString(u"ITEM.01"));
    EXPECT_FALSE(table->HasString(u"ITEM.01ITEM.02"));
}

TEST(StringTable, LookupsAreExactAndLeaveTheOutTextAloneWhenAbsent)
{
    const RCPtr<LStringTable> table = LStringTable::Create();
    table->Add(u"LABEL", String(u"CC"));

    String text(u"unchanged");
    for (const char16_t* missing : {u"label", u"LABEL ", u"LABE", u"LABELS", u""}) {
        EXPECT_FALSE(table->GetString(missing, text)) << std::u16string(missing).size();
        EXPECT_FALSE(table->HasString(missing));
        EXPECT_EQ(std::u16string(text.View()), u"unchanged");
    }
    EXPECT_TRUE(table->HasString(u"LABEL"));
    EXPECT_TRUE(table->GetString(u"LABEL", text));
    EXPECT_EQ(std::u16string(text.View()), u"CC");
}

TEST(StringTable, GetStringsSortsByUtf16CodeUnits)
{
    const RCPtr<LStringTable> table = LStringTable::Create();
    // Inserted out of order on purpose.
    for (const char16_t* id : {u"ITEM.06", u"item.00", u"ITEM.10", u"\u00C4RGER", u"ITEM.05", u"ITEM_00", u"ITEM",
                               u"ZZZ", u"\u4E2D", u"ITEM.1"})
        ASSERT_EQ(table->Add(id, String(id)), 0);

    const std::vector<std::u16string> expected = {
        u"ITEM", u"ITEM.05", u"ITEM.06", u"ITEM.1", u"ITEM.10",
        // '_' (0x5F) sorts after '.' and the capitals, before the small letters.
        u"ITEM_00", u"ZZZ", u"item.00",
        // Ids beyond ASCII come after every ASCII one, in code-unit order.
        u"\u00C4RGER", u"\u4E2D"};
    const Pairs pairs = All(*table);
    ASSERT_EQ(pairs.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(pairs[i].first, expected[i]) << i;
        EXPECT_EQ(pairs[i].second, expected[i]) << i;
    }
}

TEST(StringTable, SurrogatePairsSortAsCodeUnitsNotCodePoints)
{
    // U+1F600 is stored as 0xD83D 0xDE00, below U+FF01 as a code unit although above it as a code point.
    const RCPtr<LStringTable> table = LStringTable::Create();
    table->Add(u"\uFF01", String(u"fullwidth"));
    table->Add(u"\U0001F600", String(u"emoji"));
    const Pairs pairs = All(*table);
    ASSERT_EQ(pairs.size(), 2u);
    EXPECT_EQ(pairs[0].second, u"emoji");
    EXPECT_EQ(pairs[1].second, u"fullwidth");
}

TEST(StringTable, GetStringsEmptiesTheOutputFirst)
{
    const RCPtr<LStringTable> table = LStringTable::Create();
    LStringTable::Entries entries{{String(u"STALE"), String(u"old")}};
    EXPECT_EQ(table->GetStrings(entries), 0);
    EXPECT_TRUE(entries.empty());

    table->Add(u"A", String(u"1"));
    entries = {{String(u"STALE"), String(u"old")}, {String(u"B"), String(u"2")}};
    EXPECT_EQ(table->GetStrings(entries), 0);
    EXPECT_EQ(AsPairs(entries), (Pairs{{u"A", u"1"}}));
}

class PrefixTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char16_t* id : {u"MENU_LABEL.01", u"CONTEXT_MENU_B", u"CONTEXT_MENU", u"CONTEXT_MENU_A",
                                   u"context_menu_x", u"CONTEXT_MEN", u"CONTEXT_MENUS", u"LABEL", u"MENU_LABEL.00",
                                   u"CONTEXT_MENU\u00E9"})
            table->Add(id, String(u"t"));
    }

    std::vector<std::u16string> Ids(std::u16string_view prefix) const
    {
        std::vector<std::u16string> ids;
        for (const auto& pair : WithPrefix(*table, prefix))
            ids.push_back(pair.first);
        return ids;
    }

    RCPtr<LStringTable> table = LStringTable::Create();
};

TEST_F(PrefixTest, TakesTheIdsThatBeginWithThePrefixInIdOrder)
{
    EXPECT_EQ(Ids(u"CONTEXT_MENU"), (std::vector<std::u16string>{u"CONTEXT_MENU", u"CONTEXT_MENUS", u"CONTEXT_MENU_A",
                                                                 u"CONTEXT_MENU_B", u"CONTEXT_MENU\u00E9"}));
    EXPECT_EQ(Ids(u"MENU_LABEL"), (std::vector<std::u16string>{u"MENU_LABEL.00", u"MENU_LABEL.01"}));
    EXPECT_EQ(Ids(u"LABEL"), (std::vector<std::u16string>{u"LABEL"}));
}

TEST_F(PrefixTest, ComparesCaseSensitively)
{
    EXPECT_EQ(Ids(u"context_menu"), (std::vector<std::u16string>{u"context_menu_x"}));
    EXPECT_TRUE(Ids(u"Context").empty());
    EXPECT_TRUE(Ids(u"label").empty());
}

TEST_F(PrefixTest, PrefixLongerThanEveryMatchingIdFindsNothing)
{
    EXPECT_TRUE(Ids(u"CONTEXT_MENU_A_LONGER").empty());
    EXPECT_TRUE(Ids(u"LABELS").empty());
    EXPECT_TRUE(Ids(u"MENU_LABEL.000").empty());
    EXPECT_TRUE(Ids(u"ZZZ").empty());
}

TEST_F(PrefixTest, EmptyPrefixGivesEveryEntry)
{
    const Pairs all = All(*table);
    EXPECT_EQ(all.size(), 10u);
    EXPECT_EQ(WithPrefix(*table, u""), all);
}

TEST_F(PrefixTest, EmptiesTheOutputFirst)
{
    LStringTable::Entries entries{{String(u"STALE"), String(u"old")}};
    EXPECT_EQ(table->GetStringTableEntries(u"NOTHING", entries), 0);
    EXPECT_TRUE(entries.empty());
    entries = {{String(u"STALE"), String(u"old")}};
    EXPECT_EQ(table->GetStringTableEntries(u"LABEL", entries), 0);
    EXPECT_EQ(AsPairs(entries), (Pairs{{u"LABEL", u"t"}}));
}

TEST(StringTable, CreatedFromAMapKeepsItsEntries)
{
    LStringTable::Map map;
    map.emplace(String(u"NOT_FOCUSABLE"), String(u"True"));
    map.emplace(String(u"USE_PARENT_TOOLTIP"), String(u"True"));
    const RCPtr<LStringTable> table = LStringTable::Create(std::move(map));
    EXPECT_EQ(table->GetCount(), 2u);
    EXPECT_TRUE(table->HasString(u"USE_PARENT_TOOLTIP"));
    EXPECT_EQ(table->Add(u"NOT_FOCUSABLE", String(u"False")), 1);
}

} // namespace
} // namespace VQ
