#include "vqframework/controlbase/MenuDescriptor.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace VQ {
namespace {

using String = LMenuDescriptor::String;
using Entries = LStringTable::Entries;

std::string Utf8(const String& text)
{
    return text.ToUTF8().GetString();
}

Entries MakeEntries(std::initializer_list<std::pair<const char16_t*, const char16_t*>> pairs)
{
    Entries entries;
    for (const auto& [key, text] : pairs)
        entries.emplace_back(String(key), String(text));
    return entries;
}

// One line per item, indented by depth: "label [command] {help}", "-" for a separator. Also checks
// that every item links back to the menu that holds it.
void Describe(const LMenuDescriptor& menu, int depth, std::string& out)
{
    for (uint32_t i = 0; i < menu.GetItemCount(); ++i) {
        const RCPtr<LMenuItemDescriptor>& item = menu.GetItem(i);
        EXPECT_EQ(item->GetParent().Get(), &menu) << Utf8(item->GetLabel());
        out += std::string(size_t(depth) * 2, ' ');
        if (item->IsSeparator()) {
            out += "-\n";
            continue;
        }
        out += Utf8(item->GetLabel());
        if (!item->GetCommandId().IsEmpty())
            out += " [" + Utf8(item->GetCommandId()) + "]";
        if (!item->GetHelpText().IsEmpty())
            out += " {" + Utf8(item->GetHelpText()) + "}";
        out += "\n";
        Describe(*item, depth + 1, out);
    }
}

std::string Describe(const LMenuDescriptor& menu)
{
    std::string out;
    Describe(menu, 0, out);
    return out;
}

// Counts its destructions, so a test can see which descriptors went without touching them.
class LDeathCounter : public LRefCountedObject {
public:
    explicit LDeathCounter(int& deaths) : m_deaths(deaths) {}
    ~LDeathCounter() override { ++m_deaths; }

private:
    int& m_deaths;
};

// Tags every descriptor of the tree; returns how many were tagged.
int TagAll(LMenuDescriptor& menu, int& deaths)
{
    menu.SetTag(RCPtr<LDeathCounter>(new LDeathCounter(deaths)));
    int tagged = 1;
    for (uint32_t i = 0; i < menu.GetItemCount(); ++i)
        tagged += TagAll(*menu.GetItem(i), deaths);
    return tagged;
}

TEST(MenuDescriptor, BuildsTheMainMenuFromItsStringTable)
{
    LStringTable::Map map;
    const auto add = [&map](const char16_t* key, const char16_t* text) { map[String(key)] = String(text); };
    add(u"CONTEXT_MENU0.00.MENU_FILE_SEND_PRESET_TO_DEVICE.", u"Send Program | Send this program to the controller.");
    add(u"CONTEXT_MENU0.01.MENU_FILE_GET_PRESET_TO_DEVICE.", u"Get Program | Get Program from the controller");
    add(u"CONTEXT_MENU0.02.-", u"-");
    add(u"CONTEXT_MENU0.03.NID_MENU_FILE_LOAD_PRESET_FROM_FILE", u"Open Program | Open Program from disk.");
    add(u"CONTEXT_MENU0.04.NID_MENU_FILE_SAVE_PRESET_TO_FILE", u"Save Program | Save Program to disk");
    add(u"CONTEXT_MENU0.05.-", u"-");
    add(u"CONTEXT_MENU0.06.NID_MENU_FILE_EXIT_REQ", u"Exit|Exit RKT4 Editor");
    add(u"CONTEXT_MENU0.MENU_FILE_GET_PRESET_TO_DEVICE.0.NID_MENU_FILE_GET_PRESET1_TO_DEVICE", u"Program 1");
    add(u"CONTEXT_MENU0.MENU_FILE_GET_PRESET_TO_DEVICE.1.NID_MENU_FILE_GET_PRESET2_TO_DEVICE", u"Program 2");
    add(u"CONTEXT_MENU0.MENU_FILE_GET_PRESET_TO_DEVICE.2.NID_MENU_FILE_GET_PRESET3_TO_DEVICE", u"Program 3");
    add(u"CONTEXT_MENU0.MENU_FILE_GET_PRESET_TO_DEVICE.3.NID_MENU_FILE_GET_PRESET4_TO_DEVICE", u"Program 4");
    add(u"CONTEXT_MENU0.MENU_FILE_SEND_PRESET_TO_DEVICE.0.NID_MENU_FILE_SEND_PRESET0_TO_DEVICE", u"Ram");
    add(u"CONTEXT_MENU0.MENU_FILE_SEND_PRESET_TO_DEVICE.1.NID_MENU_FILE_SEND_PRESET1_TO_DEVICE", u"Program 1");
    add(u"CONTEXT_MENU0.MENU_FILE_SEND_PRESET_TO_DEVICE.2.NID_MENU_FILE_SEND_PRESET2_TO_DEVICE", u"Program 2");
    add(u"CONTEXT_MENU0.MENU_FILE_SEND_PRESET_TO_DEVICE.3.NID_MENU_FILE_SEND_PRESET3_TO_DEVICE", u"Program 3");
    add(u"CONTEXT_MENU0.MENU_FILE_SEND_PRESET_TO_DEVICE.4.NID_MENU_FILE_SEND_PRESET4_TO_DEVICE", u"Program 4");
    add(u"CONTEXT_MENU1.00.NID_MENU_HELP_ABOUT_REQ", u"About RKT4 Editor | About RKT4 Editor");
    const RCPtr<LStringTable> table = LStringTable::Create(std::move(map));

    const std::u16string_view prefix = u"CONTEXT_MENU0.";
    Entries entries;
    ASSERT_EQ(table->GetStringTableEntries(prefix, entries), 0);
    for (auto& [key, text] : entries)
        key = key.Mid(int32_t(prefix.size()));

    const RCPtr<LMenuDescriptor> menu = LMenuDescriptor::CreateFromStrings(entries);
    ASSERT_TRUE(menu);
    EXPECT_TRUE(menu->GetParent().IsEmpty());
    EXPECT_EQ(Describe(*menu), "Send Program  { Send this program to the controller.}\n"
                               "  Ram [NID_MENU_FILE_SEND_PRESET0_TO_DEVICE]\n"
                               "  Program 1 [NID_MENU_FILE_SEND_PRESET1_TO_DEVICE]\n"
                               "  Program 2 [NID_MENU_FILE_SEND_PRESET2_TO_DEVICE]\n"
                               "  Program 3 [NID_MENU_FILE_SEND_PRESET3_TO_DEVICE]\n"
                               "  Program 4 [NID_MENU_FILE_SEND_PRESET4_TO_DEVICE]\n"
                               "Get Program  { Get Program from the controller}\n"
                               "  Program 1 [NID_MENU_FILE_GET_PRESET1_TO_DEVICE]\n"
                               "  Program 2 [NID_MENU_FILE_GET_PRESET2_TO_DEVICE]\n"
                               "  Program 3 [NID_MENU_FILE_GET_PRESET3_TO_DEVICE]\n"
                               "  Program 4 [NID_MENU_FILE_GET_PRESET4_TO_DEVICE]\n"
                               "-\n"
                               "Open Program  [NID_MENU_FILE_LOAD_PRESET_FROM_FILE] { Open Program from disk.}\n"
                               "Save Program  [NID_MENU_FILE_SAVE_PRESET_TO_FILE] { Save Program to disk}\n"
                               "-\n"
                               "Exit [NID_MENU_FILE_EXIT_REQ] {Exit RKT4 Editor}\n");

    // Every item is made enabled and unchecked, with no shortcut text; a separator has empty texts.
    const RCPtr<LMenuItemDescriptor>& send = menu->GetItem(0);
    EXPECT_TRUE(send->GetCommandId().IsEmpty());
    for (const RCPtr<LMenuItemDescriptor>& item : menu->GetItems()) {
        EXPECT_TRUE(item->IsEnabled());
        EXPECT_FALSE(item->IsChecked());
        EXPECT_TRUE(item->GetShortcutText().IsEmpty());
    }
    const RCPtr<LMenuItemDescriptor>& separator = menu->GetItem(2);
    EXPECT_TRUE(separator->GetLabel().IsEmpty());
    EXPECT_TRUE(separator->GetCommandId().IsEmpty());
    EXPECT_EQ(Utf8(menu->GetItem(6)->ToString()), "Exit");
}

struct BuildCase {
    const char* name;
    Entries entries;
    const char* expected;
};

TEST(MenuDescriptor, CreateFromStringsKeepsOnlyEntriesInTurn)
{
    const std::vector<BuildCase> cases = {
        {"positions in key order", MakeEntries({{u"00.A", u"A"}, {u"01.C", u"C"}, {u"02.B", u"B"}}), "A [A]\nC [C]\nB [B]\n"},
        {"a gap drops the rest", MakeEntries({{u"00.A", u"A"}, {u"02.B", u"B"}}), "A [A]\n"},
        {"a taken position", MakeEntries({{u"00.A", u"A"}, {u"00.B", u"B"}, {u"01.C", u"C"}}), "A [A]\nC [C]\n"},
        {"not starting at 0", MakeEntries({{u"01.A", u"A"}}), ""},
        {"positions read as leading digits", MakeEntries({{u"0x.A", u"A"}, {u"1y.B", u"B"}}), "A [A]\nB [B]\n"},
        {"keys of fewer than two parts", MakeEntries({{u"00", u"X"}, {u"00.A", u"A"}, {u"S", u"Y"}}), "A [A]\n"},
        {"a sub-menu key without an id", MakeEntries({{u"00.S.", u"S"}, {u"S.0", u"X"}, {u"S.0.NID_Z", u"Z"}}),
         "S\n  Z [NID_Z]\n"},
        {"a sub-menu with no entries adds nothing", MakeEntries({{u"00.A", u"A"}, {u"01.S.", u"S"}, {u"02.B", u"B"}}),
         "A [A]\nB [B]\n"},
        {"an orphan sub-menu entry", MakeEntries({{u"00.A", u"A"}, {u"S.0.NID_Z", u"Z"}}), "A [A]\n"},
        {"sub-menu positions count apart", MakeEntries({{u"00.S.", u"S"}, {u"01.T.", u"T"}, {u"S.0.NID_1", u"1"},
                                                        {u"S.1.NID_2", u"2"}, {u"T.0.NID_3", u"3"}, {u"T.2.NID_4", u"4"}}),
         "S\n  1 [NID_1]\n  2 [NID_2]\nT\n  3 [NID_3]\n"},
        {"three levels", MakeEntries({{u"00.A.", u"A"}, {u"A.0.B.", u"B"}, {u"B.0.NID_Z", u"Z"}}),
         "A\n  B\n    Z [NID_Z]\n"},
        {"a sub-menu inside itself", MakeEntries({{u"00.A.", u"A"}, {u"A.0.A.", u"again"}, {u"A.1.NID_Z", u"Z"}}),
         "A\n  Z [NID_Z]\n"},
        {"two sub-menus inside each other", MakeEntries({{u"00.A.", u"A"}, {u"A.0.B.", u"B"}, {u"B.0.A.", u"A again"}}),
         "A\n  B\n"},
        {"separators", MakeEntries({{u"00.-", u"-"}, {u"01.NID_A", u"A"}, {u"S.0.-", u"-"}}), "-\nA [NID_A]\n"},
        {"text split at the first bar", MakeEntries({{u"00.NID_A", u"A | help|more"}, {u"01.NID_B", u"B"}, {u"02.NID_C", u"C|"},
                                                     {u"03.NID_D", u"|D"}}),
         "A  [NID_A] { help|more}\nB [NID_B]\nC [NID_C]\n [NID_D] {D}\n"},
        {"nothing", Entries(), ""},
    };
    for (const BuildCase& test : cases) {
        SCOPED_TRACE(test.name);
        const RCPtr<LMenuDescriptor> menu = LMenuDescriptor::CreateFromStrings(test.entries);
        ASSERT_TRUE(menu);
        EXPECT_EQ(Describe(*menu), test.expected);
    }
}

uint32_t CountItems(const LMenuDescriptor& menu)
{
    uint32_t count = menu.GetItemCount();
    for (uint32_t i = 0; i < menu.GetItemCount(); ++i)
        count += CountItems(*menu.GetItem(i));
    return count;
}

TEST(MenuDescriptor, SubMenusNamedTwiceAtEveryLevelStopAtTheItemCap)
{
    // 37 entries: M0 holds M1 twice, M1 holds M2 twice, and so on, which asks for 2^18 items.
    Entries entries;
    entries.emplace_back(String(u"00.M0."), String(u"top"));
    for (int level = 0; level < 18; ++level) {
        const std::string name = "M" + std::to_string(level);
        const std::string next = "M" + std::to_string(level + 1) + ".";
        for (const char* position : {".0.", ".1."})
            entries.emplace_back(String((name + position + next).c_str()), String(next.c_str()));
    }
    ASSERT_EQ(37u, entries.size());

    const RCPtr<LMenuDescriptor> menu = LMenuDescriptor::CreateFromStrings(entries);
    ASSERT_TRUE(menu);
    EXPECT_EQ(LMenuDescriptor::MaxBuiltItems, CountItems(*menu));
    // Built depth first: the first path reaches the deepest level.
    const LMenuDescriptor* deepest = menu.Get();
    int depth = 0;
    while (deepest->GetItemCount() > 0) {
        deepest = deepest->GetItem(0).Get();
        ++depth;
    }
    EXPECT_EQ(18, depth);
}

TEST(MenuDescriptor, SubMenuHelpTextIsSetOnlyWhenGiven)
{
    const RCPtr<LMenuDescriptor> menu = LMenuDescriptor::CreateFromStrings(
        MakeEntries({{u"00.S.", u"S|about S"}, {u"01.T.", u"T|"}, {u"S.0.NID_1", u"1"}, {u"T.0.NID_2", u"2"}}));
    ASSERT_TRUE(menu);
    EXPECT_EQ(Describe(*menu), "S {about S}\n  1 [NID_1]\nT\n  2 [NID_2]\n");
}

TEST(MenuDescriptor, GetItemInfoReportsFlagsAndLabel)
{
    const RCPtr<LMenuDescriptor> menu = LMenuDescriptor::Create();
    ASSERT_EQ(menu->InsertItem(0, String(u"On"), String(u"NID_ON"), true, true), 0);
    ASSERT_EQ(menu->InsertItem(1, String(u"Off"), String(u"NID_OFF"), false, false), 1);

    LMenuItemInfo info;
    EXPECT_EQ(menu->GetItemInfo(0, info), S_OK);
    EXPECT_TRUE(info.enabled);
    EXPECT_TRUE(info.checked);
    EXPECT_EQ(Utf8(info.label), "On");

    EXPECT_EQ(menu->GetItemInfo(1, info), S_OK);
    EXPECT_FALSE(info.enabled);
    EXPECT_FALSE(info.checked);
    EXPECT_EQ(Utf8(info.label), "Off");

    info = {true, true, String(u"stale")};
    EXPECT_EQ(menu->GetItemInfo(2, info), E_INVALIDARG);
    EXPECT_FALSE(info.enabled);
    EXPECT_FALSE(info.checked);
    EXPECT_TRUE(info.label.IsEmpty());
    EXPECT_TRUE(menu->GetItem(2).IsEmpty());
}

TEST(MenuDescriptor, InsertLinksItemsAndRefusesBadIndex)
{
    const RCPtr<LMenuDescriptor> menu = LMenuDescriptor::Create();
    EXPECT_EQ(menu->InsertItem(0, String(u"B"), String(u"NID_B"), true, false), 0);
    EXPECT_EQ(menu->InsertItem(0, String(u"A"), String(u"NID_A"), true, false), 0);
    EXPECT_EQ(menu->InsertSeparator(1), 1);
    EXPECT_EQ(Describe(*menu), "A [NID_A]\n-\nB [NID_B]\n");

    const RCPtr<LMenuItemDescriptor>& separator = menu->GetItem(1);
    EXPECT_TRUE(separator->IsEnabled());
    EXPECT_FALSE(separator->IsChecked());
    EXPECT_TRUE(separator->GetLabel().IsEmpty());
    EXPECT_TRUE(separator->GetHelpText().IsEmpty());

    // A refused insertion leaves the item unlinked and the parent's count untouched.
    const RCPtr<LMenuItemDescriptor> stray = LMenuItemDescriptor::Create(String(u"C"), String(u"NID_C"), true, false);
    const int32_t before = menu->GetRefCount();
    EXPECT_EQ(menu->InsertItemAt(4, stray), E_INVALIDARG);
    EXPECT_TRUE(stray->GetParent().IsEmpty());
    EXPECT_EQ(menu->GetRefCount(), before);
    EXPECT_EQ(menu->GetItemCount(), 3u);
}

TEST(MenuDescriptor, CloneCopiesEveryLevelIntoItsOwnTree)
{
    // Outlives the tree, whose tags report to it.
    int deaths = 0;
    const RCPtr<LMenuDescriptor> menu = LMenuDescriptor::CreateFromStrings(
        MakeEntries({{u"00.A.", u"A|help A"}, {u"01.-", u"-"}, {u"02.NID_X", u"X|help X"}, {u"A.0.B.", u"B"},
                     {u"B.0.NID_Z", u"Z|help Z"}}));
    ASSERT_TRUE(menu);
    menu->GetItem(2)->SetShortcutText(String(u"Ctrl+X"));
    menu->GetItem(2)->SetEnabled(false);
    menu->GetItem(2)->SetChecked(true);
    const int tagged = TagAll(*menu, deaths);

    RCPtr<LMenuDescriptor> copy = menu->Clone();
    ASSERT_TRUE(copy);
    EXPECT_EQ(Describe(*copy), Describe(*menu));
    EXPECT_TRUE(copy->GetParent().IsEmpty());
    EXPECT_TRUE(copy->GetTag().IsEmpty());

    const RCPtr<LMenuItemDescriptor>& x = copy->GetItem(2);
    EXPECT_EQ(Utf8(x->GetShortcutText()), "Ctrl+X");
    EXPECT_FALSE(x->IsEnabled());
    EXPECT_TRUE(x->IsChecked());
    EXPECT_TRUE(copy->GetItem(1)->IsSeparator());
    EXPECT_NE(copy->GetItem(0).Get(), menu->GetItem(0).Get());
    EXPECT_TRUE(copy->GetItem(0)->GetItem(0)->GetItem(0)->GetTag().IsEmpty());

    // Changes to the copy stay there.
    x->SetLabel(String(u"changed"));
    copy->GetItem(0)->GetItem(0)->RemoveAllItems();
    EXPECT_EQ(Utf8(menu->GetItem(2)->GetLabel()), "X");
    EXPECT_EQ(menu->GetItem(0)->GetItem(0)->GetItemCount(), 1u);

    // An item's own copy carries its sub-items but no parent.
    const RCPtr<LMenuItemDescriptor> itemCopy = menu->GetItem(0)->Clone();
    EXPECT_TRUE(itemCopy->GetParent().IsEmpty());
    EXPECT_EQ(Describe(*itemCopy), "B\n  Z [NID_Z] {help Z}\n");

    copy.Release();
    EXPECT_EQ(deaths, 0);
    EXPECT_EQ(tagged, 6);
}

TEST(MenuDescriptor, ReleasingTheRootFreesTheWholeTree)
{
    int deaths = 0;
    RCPtr<LMenuDescriptor> menu = LMenuDescriptor::CreateFromStrings(MakeEntries(
        {{u"00.A.", u"A"}, {u"01.-", u"-"}, {u"02.NID_X", u"X"}, {u"A.0.B.", u"B"}, {u"A.1.NID_Y", u"Y"}, {u"B.0.NID_Z", u"Z"}}));
    ASSERT_TRUE(menu);
    const int tagged = TagAll(*menu, deaths);
    ASSERT_EQ(tagged, 7);
    // The items' links are the root's only other references, and they count as cyclic.
    EXPECT_EQ(menu->GetRefCount(), 4);
    EXPECT_EQ(menu->GetCyclicCount(), 3);

    menu.Release();
    EXPECT_EQ(deaths, tagged);
}

TEST(MenuDescriptor, SubMenuHeldFromOutsideOutlivesItsParent)
{
    int deaths = 0;
    RCPtr<LMenuDescriptor> menu = LMenuDescriptor::CreateFromStrings(MakeEntries(
        {{u"00.A.", u"A"}, {u"01.NID_X", u"X"}, {u"A.0.B.", u"B"}, {u"A.1.NID_Y", u"Y"}, {u"B.0.NID_Z", u"Z"}}));
    ASSERT_TRUE(menu);
    TagAll(*menu, deaths);
    RCPtr<LMenuItemDescriptor> subMenu = menu->GetItem(0);

    menu.Release();
    // The root and its other item went; the held sub-menu stands alone with its items.
    EXPECT_EQ(deaths, 2);
    EXPECT_TRUE(subMenu->GetParent().IsEmpty());
    EXPECT_EQ(Describe(*subMenu), "B\n  Z [NID_Z]\nY [NID_Y]\n");
    EXPECT_EQ(subMenu->GetRefCount(), 1 + 2);
    EXPECT_EQ(subMenu->GetCyclicCount(), 2);

    subMenu.Release();
    EXPECT_EQ(deaths, 6);
}

TEST(MenuDescriptor, ReleasingAnOutsideHoldOfAnItemLeavesTheTreeWhole)
{
    int deaths = 0;
    RCPtr<LMenuDescriptor> menu =
        LMenuDescriptor::CreateFromStrings(MakeEntries({{u"00.A.", u"A"}, {u"A.0.NID_Y", u"Y"}, {u"A.1.NID_Z", u"Z"}}));
    ASSERT_TRUE(menu);
    TagAll(*menu, deaths);

    RCPtr<LMenuItemDescriptor> subMenu = menu->GetItem(0);
    RCPtr<LMenuDescriptor> parent = subMenu->GetParent();
    subMenu.Release();
    parent.Release();
    EXPECT_EQ(deaths, 0);
    EXPECT_EQ(Describe(*menu), "A\n  Y [NID_Y]\n  Z [NID_Z]\n");

    menu.Release();
    EXPECT_EQ(deaths, 4);
}

TEST(MenuDescriptor, RemoveAllItemsUnlinksThemButKeepsTheMenusOwnLink)
{
    const RCPtr<LMenuDescriptor> menu =
        LMenuDescriptor::CreateFromStrings(MakeEntries({{u"00.A.", u"A"}, {u"A.0.NID_Y", u"Y"}, {u"A.1.NID_Z", u"Z"}}));
    ASSERT_TRUE(menu);
    const RCPtr<LMenuItemDescriptor> subMenu = menu->GetItem(0);
    const RCPtr<LMenuItemDescriptor> held = subMenu->GetItem(1);

    EXPECT_EQ(subMenu->RemoveAllItems(), 0);
    EXPECT_EQ(subMenu->GetItemCount(), 0u);
    EXPECT_EQ(subMenu->GetCyclicCount(), 0);
    EXPECT_TRUE(held->GetParent().IsEmpty());
    EXPECT_EQ(subMenu->GetParent().Get(), menu.Get());
    EXPECT_EQ(Describe(*menu), "A\n");
}

TEST(MenuDescriptor, AnItemInsertedElsewhereMovesItsLink)
{
    int deaths = 0;
    RCPtr<LMenuDescriptor> first = LMenuDescriptor::Create();
    RCPtr<LMenuDescriptor> second = LMenuDescriptor::Create();
    ASSERT_EQ(first->InsertItem(0, String(u"A"), String(u"NID_A"), true, false), 0);
    RCPtr<LMenuItemDescriptor> item = first->GetItem(0);
    ASSERT_EQ(second->InsertItemAt(0, item), 0);
    EXPECT_EQ(item->GetParent().Get(), second.Get());
    EXPECT_EQ(first->GetCyclicCount(), 0);
    EXPECT_EQ(second->GetCyclicCount(), 1);

    // Dropping the first menu leaves the item linked to the second.
    first.Release();
    EXPECT_EQ(item->GetParent().Get(), second.Get());
    TagAll(*second, deaths);
    item.Release();
    second.Release();
    EXPECT_EQ(deaths, 2);
}

} // namespace
} // namespace VQ
