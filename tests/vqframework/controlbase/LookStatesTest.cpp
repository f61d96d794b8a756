#include "vqframework/controlbase/LookStates.h"

#include <gtest/gtest.h>

#include <set>

namespace VQ {
namespace {

// Each row states a control's condition and the skin's look index for it, as the skin lays its
// lists out; the rules must pick exactly that entry.
TEST(LookStates, ButtonRuleFollowsTheSkinsFourteenEntryLayout)
{
    struct Case {
        bool hover, pressed, focused, checked, disabled;
        int32_t state;
    };
    const Case cases[] = {
        {false, false, false, false, false, ButtonNormal},
        {true, false, false, false, false, ButtonHover},
        {false, true, false, false, false, ButtonPressed},
        // A pressed button is drawn pressed whether the pointer is over it or not.
        {true, true, false, false, false, ButtonPressed},
        {false, false, true, false, false, ButtonFocused},
        {true, false, true, false, false, ButtonFocusedHover},
        {true, true, true, false, false, ButtonFocusedPressed},
        {false, false, false, false, true, ButtonDisabled},
        {false, false, false, true, false, ButtonChecked},
        {true, false, false, true, false, ButtonCheckedHover},
        {false, true, false, true, false, ButtonCheckedPressed},
        {false, false, true, true, false, ButtonCheckedFocused},
        {true, false, true, true, false, ButtonCheckedFocusedHover},
        {false, true, true, true, false, ButtonCheckedFocusedPressed},
        {false, false, false, true, true, ButtonDisabledChecked},
        // Disabled hides the pointer and the focus.
        {true, true, true, false, true, ButtonDisabled},
        {true, true, true, true, true, ButtonDisabledChecked},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GetButtonLookState(c.hover, c.pressed, c.focused, c.checked, c.disabled), c.state)
            << "hover " << c.hover << " pressed " << c.pressed << " focused " << c.focused << " checked "
            << c.checked << " disabled " << c.disabled;

    static_assert(ButtonNormal == 0 && ButtonHover == 1 && ButtonPressed == 2 && ButtonFocused == 3 &&
                  ButtonFocusedHover == 4 && ButtonFocusedPressed == 5 && ButtonDisabled == 6 && ButtonChecked == 7 &&
                  ButtonCheckedHover == 8 && ButtonCheckedPressed == 9 && ButtonCheckedFocused == 10 &&
                  ButtonCheckedFocusedHover == 11 && ButtonCheckedFocusedPressed == 12 &&
                  ButtonDisabledChecked == 13);
}

TEST(LookStates, ButtonRuleReachesEveryEntryAndNoOther)
{
    std::set<int32_t> reached;
    for (int bits = 0; bits < 32; ++bits)
        reached.insert(GetButtonLookState(bits & 1, bits & 2, bits & 4, bits & 8, bits & 16));
    EXPECT_EQ(reached.size(), 14u);
    EXPECT_EQ(*reached.begin(), 0);
    EXPECT_EQ(*reached.rbegin(), 13);
}

TEST(LookStates, MenuItemRuleFollowsTheSkinsFourteenEntryLayout)
{
    struct Case {
        bool hover, pressed, submenu, selected, disabled, separator;
        int32_t state;
    };
    const Case cases[] = {
        {false, false, false, false, false, false, MenuItemUnselected},
        {true, false, false, false, false, false, MenuItemUnselectedHover},
        {false, true, false, false, false, false, MenuItemUnselectedPressed},
        {true, true, false, false, false, false, MenuItemUnselectedPressed},
        {false, false, true, false, false, false, MenuItemUnselectedSubmenu},
        {true, false, true, false, false, false, MenuItemUnselectedSubmenuHover},
        {false, true, true, false, false, false, MenuItemUnselectedSubmenuPressed},
        {false, false, false, false, true, false, MenuItemUnselectedDisabled},
        {true, true, true, false, true, false, MenuItemUnselectedDisabled},
        {false, false, false, true, false, false, MenuItemSelected},
        {true, false, false, true, false, false, MenuItemSelectedHover},
        {false, true, false, true, false, false, MenuItemSelectedPressed},
        {false, false, true, true, false, false, MenuItemSelectedSubmenu},
        {true, false, true, true, false, false, MenuItemSelectedSubmenuHover},
        {false, true, true, true, false, false, MenuItemSelectedSubmenuPressed},
        // The skin has no selected disabled entry (13 is the separator): disabled stays 6.
        {false, false, false, true, true, false, MenuItemUnselectedDisabled},
        // A separator looks the same whatever else holds.
        {false, false, false, false, false, true, MenuItemSeparator},
        {true, true, true, true, true, true, MenuItemSeparator},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GetMenuItemLookState(c.hover, c.pressed, c.submenu, c.selected, c.disabled, c.separator), c.state)
            << "hover " << c.hover << " pressed " << c.pressed << " submenu " << c.submenu << " selected "
            << c.selected << " disabled " << c.disabled << " separator " << c.separator;

    static_assert(MenuItemUnselected == 0 && MenuItemUnselectedSubmenu == 3 && MenuItemUnselectedDisabled == 6 &&
                  MenuItemSelected == 7 && MenuItemSelectedSubmenu == 10 &&
                  MenuItemSelectedSubmenuPressed == 12 && MenuItemSeparator == 13);
}

TEST(LookStates, ComboBoxRuleFollowsTheSkinsSevenEntryLayout)
{
    struct Case {
        bool open, hover, focused, disabled;
        int32_t state;
    };
    const Case cases[] = {
        {false, false, false, false, ComboBoxClosed},
        {false, false, true, false, ComboBoxClosedFocused},
        {false, true, false, false, ComboBoxClosedHover},
        {false, true, true, false, ComboBoxClosedHoverFocused},
        // An open box has the focus; its looks differ by the pointer only.
        {true, false, true, false, ComboBoxOpenFocused},
        {true, true, true, false, ComboBoxOpenHoverFocused},
        {true, false, false, false, ComboBoxOpenFocused},
        {true, true, false, false, ComboBoxOpenHoverFocused},
        {false, false, false, true, ComboBoxDisabled},
        {true, true, true, true, ComboBoxDisabled},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GetComboBoxLookState(c.open, c.hover, c.focused, c.disabled), c.state)
            << "open " << c.open << " hover " << c.hover << " focused " << c.focused << " disabled " << c.disabled;

    static_assert(ComboBoxClosed == 0 && ComboBoxClosedFocused == 1 && ComboBoxClosedHover == 2 &&
                  ComboBoxClosedHoverFocused == 3 && ComboBoxOpenFocused == 4 && ComboBoxOpenHoverFocused == 5 &&
                  ComboBoxDisabled == 6);
}

TEST(LookStates, ComboBoxRuleStaysInsideItsSevenEntries)
{
    std::set<int32_t> reached;
    for (int bits = 0; bits < 16; ++bits)
        reached.insert(GetComboBoxLookState(bits & 1, bits & 2, bits & 4, bits & 8));
    EXPECT_EQ(reached, (std::set<int32_t>{0, 1, 2, 3, 4, 5, 6}));
}

} // namespace
} // namespace VQ
