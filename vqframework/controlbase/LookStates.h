// The look states a control selects its look by: the index into its skin's look list. The skin fills
// its 14- and 7-entry lists in this layout, so the rules here and the skin must agree.
#pragma once

#include <cstdint>

namespace VQ {

// Buttons and scroll-bar parts (14 looks).
enum ButtonLookState : int32_t {
    ButtonNormal = 0,
    ButtonHover = 1,
    ButtonPressed = 2,
    ButtonFocused = 3,
    ButtonFocusedHover = 4,
    ButtonFocusedPressed = 5,
    ButtonDisabled = 6,
    ButtonChecked = 7,
    ButtonCheckedHover = 8,
    ButtonCheckedPressed = 9,
    ButtonCheckedFocused = 10,
    ButtonCheckedFocusedHover = 11,
    ButtonCheckedFocusedPressed = 12,
    ButtonDisabledChecked = 13,
};

// Menu items (14 looks).
enum MenuItemLookState : int32_t {
    MenuItemUnselected = 0,
    MenuItemUnselectedHover = 1,
    MenuItemUnselectedPressed = 2,
    MenuItemUnselectedSubmenu = 3,
    MenuItemUnselectedSubmenuHover = 4,
    MenuItemUnselectedSubmenuPressed = 5,
    MenuItemUnselectedDisabled = 6,
    MenuItemSelected = 7,
    MenuItemSelectedHover = 8,
    MenuItemSelectedPressed = 9,
    MenuItemSelectedSubmenu = 10,
    MenuItemSelectedSubmenuHover = 11,
    MenuItemSelectedSubmenuPressed = 12,
    MenuItemSeparator = 13,
};

// Combo boxes (7 looks).
enum ComboBoxLookState : int32_t {
    ComboBoxClosed = 0,
    ComboBoxClosedFocused = 1,
    ComboBoxClosedHover = 2,
    ComboBoxClosedHoverFocused = 3,
    ComboBoxOpenFocused = 4,
    ComboBoxOpenHoverFocused = 5,
    ComboBoxDisabled = 6,
};

// 0 normal, 1 hover, 2 pressed (pressed wins over hover); plus 3 when focused, plus 7 when checked;
// 6 when disabled, 13 when disabled and checked.
constexpr int32_t GetButtonLookState(bool hover, bool pressed, bool focused, bool checked, bool disabled)
{
    if (disabled)
        return checked ? ButtonDisabledChecked : ButtonDisabled;
    const int32_t pointer = pressed ? 2 : hover ? 1 : 0;
    return pointer + (focused ? 3 : 0) + (checked ? 7 : 0);
}

// A separator is always 13 and a disabled item 6; otherwise 0 normal, 1 hover, 2 pressed, plus 3 with a
// submenu, plus 7 when selected.
constexpr int32_t GetMenuItemLookState(bool hover, bool pressed, bool hasSubmenu, bool selected, bool disabled,
                                       bool separator)
{
    if (separator)
        return MenuItemSeparator;
    if (disabled)
        return MenuItemUnselectedDisabled;
    const int32_t pointer = pressed ? 2 : hover ? 1 : 0;
    return pointer + (hasSubmenu ? 3 : 0) + (selected ? 7 : 0);
}

// Closed: 0, 1 focused, 2 hover, 3 hover and focused; open: 4, 5 with hover; 6 disabled.
constexpr int32_t GetComboBoxLookState(bool open, bool hover, bool focused, bool disabled)
{
    if (disabled)
        return ComboBoxDisabled;
    if (open)
        return hover ? ComboBoxOpenHoverFocused : ComboBoxOpenFocused;
    return (hover ? 2 : 0) + (focused ? 1 : 0);
}

} // namespace VQ
