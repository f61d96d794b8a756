// One key press, key release or typed character as it travels through the control tree: the
// character or virtual key, the modifiers and the press state in one word, plus the sides of the
// modifiers held.
#pragma once

#include "vqframework/storage/StringT.h"

#include <cstdint>
#include <string_view>

namespace VQ {

class KeyCode {
public:
    using String = StringT<char16_t, char>;

    // Bits of the code word.
    static constexpr uint32_t CharacterMask = 0x0000FFFF;
    static constexpr uint32_t VirtualKeyMask = 0x00FF0000;
    static constexpr uint32_t CtrlBit = 0x01000000;
    static constexpr uint32_t ShiftBit = 0x02000000;
    static constexpr uint32_t AltBit = 0x04000000;
    static constexpr uint32_t CmdBit = 0x08000000;
    static constexpr uint32_t ExtraBit = 0x10000000;
    static constexpr uint32_t KeyDownBit = 0x20000000;
    static constexpr uint32_t NoKeyBit = 0x80000000;

    // The modifier bit set the OS window builds key codes from.
    static constexpr uint32_t ModifierCtrl = 0x1;
    static constexpr uint32_t ModifierLeftCtrl = 0x2;
    static constexpr uint32_t ModifierRightCtrl = 0x4;
    static constexpr uint32_t ModifierShift = 0x8;
    static constexpr uint32_t ModifierLeftShift = 0x10;
    static constexpr uint32_t ModifierRightShift = 0x20;
    static constexpr uint32_t ModifierAlt = 0x40;
    static constexpr uint32_t ModifierLeftAlt = 0x80;
    static constexpr uint32_t ModifierRightAlt = 0x100;
    static constexpr uint32_t ModifierWin = 0x200;
    static constexpr uint32_t ModifierLeftWin = 0x400;
    static constexpr uint32_t ModifierRightWin = 0x800;
    static constexpr uint32_t ModifierExtra = 0x1000;

    // Bits of the side mask.
    static constexpr uint8_t SideLeftShift = 0x01;
    static constexpr uint8_t SideRightShift = 0x02;
    static constexpr uint8_t SideLeftCtrl = 0x04;
    static constexpr uint8_t SideRightCtrl = 0x08;
    static constexpr uint8_t SideLeftAlt = 0x10;
    static constexpr uint8_t SideRightAlt = 0x20;
    static constexpr uint8_t SideLeftWin = 0x40;
    static constexpr uint8_t SideRightWin = 0x80;

    // The empty key code.
    constexpr KeyCode() = default;
    constexpr explicit KeyCode(uint32_t code, uint8_t sideMask = 0, uint8_t previousState = 0)
        : m_code(code), m_sideMask(sideMask), m_previousState(previousState)
    {
    }

    // A typed character: no key-down bit, previous state 0.
    static KeyCode FromCharacter(char16_t character, uint32_t modifiers);
    static KeyCode FromVirtualKey(uint32_t virtualKey, bool down, bool previousState, uint32_t modifiers);
    // A side counts only together with its general modifier bit.
    static uint8_t ComputeSideMask(uint32_t modifiers);

    // A hot-key text: "Ctrl+VKEY_C", "Alt+x", "[13]". The modifier words and the "VKEY_" name are
    // looked up in the upper-cased text; the character form keeps the character as written. An
    // unknown "VKEY_" name gives virtual key 0. The text ends at its first NUL; an empty text gives
    // the empty key code.
    static KeyCode Parse(std::u16string_view text);

    // 0 when the name is not a "VKEY_" name.
    static uint32_t NameToVirtualKey(std::u16string_view name);
    // The first "VKEY_" name in code-unit order with that value; empty when none.
    static String GetVirtualKeyName(uint32_t virtualKey);
    // The name menus show; empty when none.
    static String GetDisplayName(uint32_t virtualKey);

    // Modifier prefixes, then the "VKEY_" name or "[n]" with the character.
    String ToString() const;
    // Modifier prefixes, then the display name or the character as menus show it.
    String ToDisplayString() const;

    // Virtual-key codes (and the empty key) compare their whole words; two characters compare
    // without regard to Ctrl and Shift. Neither the side mask nor the previous state takes part.
    bool operator==(const KeyCode& other) const;

    bool IsVirtualKeyDown() const;
    bool IsEmpty() const { return (m_code & NoKeyBit) != 0; }

    uint32_t GetCode() const { return m_code; }
    uint32_t GetVirtualKey() const { return (m_code & VirtualKeyMask) >> 16; }
    char16_t GetCharacter() const { return char16_t(m_code & CharacterMask); }
    uint8_t GetSideMask() const { return m_sideMask; }
    // 1 when the key was already down before this message (autorepeat, and every release).
    uint8_t GetPreviousState() const { return m_previousState; }

private:
    String Prefixes() const;

    uint32_t m_code = NoKeyBit;
    uint8_t m_sideMask = 0;
    uint8_t m_previousState = 0;
};

} // namespace VQ
