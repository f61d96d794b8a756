#include "vqframework/control/KeyCode.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace VQ {
namespace {

std::string Utf8(const KeyCode::String& text)
{
    std::string out;
    text.ToUTF8(out);
    return out;
}

std::string Utf8(std::u16string_view text)
{
    return Utf8(KeyCode::String(std::u16string(text).c_str()));
}

// The text forms must not depend on whether a name was looked up before. The check runs in a
// freshly started copy of this program, where nothing has parsed a key yet.
TEST(KeyCodeTest, NamesAreAvailableBeforeAnyParse)
{
    // The style stays with the flag for every later test, so it is put back afterwards.
    const std::string style = GTEST_FLAG_GET(death_test_style);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const bool named = KeyCode(0x21430000).ToString() == u"Ctrl+VKEY_C" &&
                               KeyCode(0x21430000).ToDisplayString() == u"Ctrl+C" &&
                               KeyCode::GetVirtualKeyName(21) == u"VKEY_HANGEUL" &&
                               KeyCode::GetDisplayName(21) == u"Kana";
            std::exit(named ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
    GTEST_FLAG_SET(death_test_style, style);
}

struct ParseCase {
    std::u16string_view text;
    uint32_t code;
};

TEST(KeyCodeTest, ParsesHotKeyTexts)
{
    const ParseCase cases[] = {
        {u"Ctrl+VKEY_C", 0x21430000},
        {u"Alt+VKEY_F4", 0x24730000},
        {u"VKEY_DELETE", 0x202E0000},
        {u"[13]", 0x0000000D},
        {u"Alt+x", 0x04000078},
        {u"[12", 0x20000000},
        // Modifiers and names are matched after upper-casing.
        {u"ctrl+vkey_c", 0x21430000},
        {u"Ctrl+Alt+Shift+COMMAND+VKEY_F24", 0x2F870000},
        // The modifier words are found anywhere, names included.
        {u"VKEY_LSHIFT", 0x22A00000},
        {u"Cmd+VKEY_A", 0x20410000},
        {u"VKEY_NO_SUCH_KEY", 0x20000000},
        // The character form takes only Alt; the character keeps its case.
        {u"Ctrl+Shift+a", 0x00000061},
        {u"Ctrl+Alt+[65]", 0x04000041},
        {u"[ -7]", 0x0000FFF9},
        {u"[+70000x]", 70000 & 0xFFFF},
        {u"[x]", 0x00000000},
        {u"]5[", 0x00000000},
        {u"[", 0x20000000},
        {u"]", 0x0000005D},
        {u"Ctrl+", 0x0000002B},
        {u"+", 0x0000002B},
        // Too long a number saturates before its low 16 bits are taken.
        {u"[123456789012345678901234567890]", 0x0000FFFF},
        {u"[-123456789012345678901234567890]", 0x00000000},
        // The name is matched whole, trailing blanks included.
        {u"Ctrl+VKEY_C ", 0x21000000},
        // The text ends at its first NUL.
        {std::u16string_view(u"x\0[5]", 5), 0x00000078},
        {std::u16string_view(u"\0x", 2), 0x80000000},
        // Nothing to read a character from.
        {u"", 0x80000000},
    };
    for (const ParseCase& c : cases) {
        const KeyCode key = KeyCode::Parse(c.text);
        EXPECT_EQ(key.GetCode(), c.code) << Utf8(c.text);
        EXPECT_EQ(key.GetSideMask(), 0) << Utf8(c.text);
        EXPECT_EQ(key.GetPreviousState(), 0) << Utf8(c.text);
    }
    // An unknown name still sets the key-down bit, but there is no virtual key to be down.
    EXPECT_FALSE(KeyCode::Parse(u"VKEY_NO_SUCH_KEY").IsVirtualKeyDown());
    EXPECT_TRUE(KeyCode::Parse(u"VKEY_DELETE").IsVirtualKeyDown());
}

TEST(KeyCodeTest, NameLookupIsExactAndKnowsEveryAlias)
{
    EXPECT_EQ(KeyCode::NameToVirtualKey(u"VKEY_KANA"), 21u);
    EXPECT_EQ(KeyCode::NameToVirtualKey(u"VKEY_HANGUL"), 21u);
    EXPECT_EQ(KeyCode::NameToVirtualKey(u"VKEY_KANJI"), 25u);
    EXPECT_EQ(KeyCode::NameToVirtualKey(u"VKEY_OEM_NEC_EQUAL"), 146u);
    EXPECT_EQ(KeyCode::NameToVirtualKey(u"VKEY_LAUNCH_APP2"), 183u);
    EXPECT_EQ(KeyCode::NameToVirtualKey(u"vkey_a"), 0u);
    EXPECT_EQ(KeyCode::NameToVirtualKey(u"VKEY_A "), 0u);
    EXPECT_EQ(KeyCode::NameToVirtualKey(u""), 0u);
}

TEST(KeyCodeTest, BuildsWordAndSideMaskFromModifierBits)
{
    // Ctrl with its left side, Shift with its right, Alt with its right, Win with its right, extra.
    const uint32_t modifiers = 0x1 | 0x2 | 0x8 | 0x20 | 0x40 | 0x100 | 0x200 | 0x800 | 0x1000;
    const KeyCode pressed = KeyCode::FromVirtualKey(0x141, true, true, modifiers);
    EXPECT_EQ(pressed.GetCode(), 0x3F410000u);
    EXPECT_EQ(pressed.GetSideMask(), 0x04 | 0x02 | 0x20 | 0x80);
    EXPECT_EQ(pressed.GetPreviousState(), 1);
    EXPECT_TRUE(pressed.IsVirtualKeyDown());

    const KeyCode released = KeyCode::FromVirtualKey(0x41, false, true, 0);
    EXPECT_EQ(released.GetCode(), 0x00410000u);
    EXPECT_FALSE(released.IsVirtualKeyDown());

    const KeyCode typed = KeyCode::FromCharacter(u'a', 0x1 | 0x10 | 0x8);
    EXPECT_EQ(typed.GetCode(), 0x03000061u);
    EXPECT_EQ(typed.GetSideMask(), 0x01);
    EXPECT_EQ(typed.GetPreviousState(), 0);
    EXPECT_FALSE(typed.IsVirtualKeyDown());

    // A side bit counts only with its general bit.
    EXPECT_EQ(KeyCode::ComputeSideMask(0x2 | 0x4 | 0x10 | 0x20 | 0x80 | 0x100 | 0x400 | 0x800), 0);
    EXPECT_EQ(KeyCode::ComputeSideMask(0xFFF), 0xFF);
    EXPECT_FALSE(KeyCode(0xA0410000).IsVirtualKeyDown());
}

TEST(KeyCodeTest, CharactersCompareWithoutCtrlAndShiftVirtualKeysExactly)
{
    const KeyCode a(0x00000041);
    EXPECT_EQ(a, KeyCode(0x01000041));
    EXPECT_EQ(a, KeyCode(0x03000041, 0x05, 1));
    EXPECT_NE(a, KeyCode(0x04000041));
    EXPECT_NE(a, KeyCode(0x00000042));

    const KeyCode c(0x21430000);
    EXPECT_EQ(c, KeyCode(0x21430000, 0x04, 1));
    EXPECT_NE(c, KeyCode(0x20430000));
    EXPECT_NE(c, KeyCode(0x23430000));

    // The empty key is equal only to a word just like it.
    EXPECT_EQ(KeyCode(), KeyCode(0x80000000));
    EXPECT_NE(KeyCode(), KeyCode(0x00000000));
    EXPECT_NE(KeyCode(0x00000000), KeyCode());
}

struct TextCase {
    uint32_t code;
    const char* text;
    const char* display;
};

TEST(KeyCodeTest, PrintsTextAndDisplayForms)
{
    const TextCase cases[] = {
        {21u << 16 | 0x20000000, "VKEY_HANGEUL", "Kana"},
        {25u << 16, "VKEY_HANJA", "Hanja"},
        {146u << 16, "VKEY_OEM_FJ_JISHO", "NEC Equal"},
        {33u << 16, "VKEY_PAGEUP", "Page Up"},
        {96u << 16, "VKEY_NUMPAD0", "Numpad 0"},
        {46u << 16, "VKEY_DELETE", "Del"},
        {183u << 16, "VKEY_LAUNCH_APP2", "Launch App 2"},
        {8u << 16, "VKEY_BACK", ""},
        {7u << 16, "", ""},
        {0x0F730000, "Ctrl+Alt+Shift+Cmd+VKEY_F4", "Ctrl+Alt+Shift+Cmd+F4"},
        {0x01000041, "Ctrl+[65]", "Ctrl+A"},
        {3, "[3]", "Ctrl+C"},
        {26, "[26]", "Ctrl+Z"},
        {0, "[0]", ""},
        {32, "[32]", ""},
        {33, "[33]", "!"},
        {126, "[126]", "~"},
        {127, "[127]", ""},
        {0xFFFF, "[65535]", ""},
        {0x80000000, "", ""},
        {0x81000041, "Ctrl+", "Ctrl+"},
    };
    for (const TextCase& c : cases) {
        const KeyCode key(c.code);
        EXPECT_EQ(Utf8(key.ToString()), c.text) << std::hex << c.code;
        EXPECT_EQ(Utf8(key.ToDisplayString()), c.display) << std::hex << c.code;
    }

    int displayed = 0;
    for (uint32_t vk = 0; vk < 256; ++vk)
        displayed += KeyCode::GetDisplayName(vk).IsEmpty() ? 0 : 1;
    EXPECT_EQ(displayed, 143);
    EXPECT_TRUE(KeyCode::GetDisplayName(8).IsEmpty());
    EXPECT_TRUE(KeyCode::GetDisplayName(9).IsEmpty());
    EXPECT_TRUE(KeyCode::GetDisplayName(256).IsEmpty());
}

TEST(KeyCodeTest, ParsingTheTextFormGivesTheKeyBack)
{
    // Cmd prints as "Cmd+" but is read only from "COMMAND", so it stays out of the round trip.
    const uint32_t modifierSets[] = {0, KeyCode::CtrlBit, KeyCode::AltBit, KeyCode::ShiftBit,
                                     KeyCode::CtrlBit | KeyCode::AltBit | KeyCode::ShiftBit};
    int named = 0;
    for (uint32_t vk = 0; vk < 256; ++vk) {
        const std::string name = Utf8(KeyCode::GetVirtualKeyName(vk));
        if (name.empty())
            continue;
        ++named;
        EXPECT_EQ(KeyCode::NameToVirtualKey(KeyCode::GetVirtualKeyName(vk).View()), vk) << name;
        for (uint32_t modifiers : modifierSets) {
            const KeyCode key((vk << 16) | KeyCode::KeyDownBit | modifiers);
            // A name with "SHIFT" in it reads as Shift held as well.
            const uint32_t expected =
                key.GetCode() | (name.find("SHIFT") != std::string::npos ? KeyCode::ShiftBit : 0);
            EXPECT_EQ(KeyCode::Parse(key.ToString().View()).GetCode(), expected) << Utf8(key.ToString());
        }
    }
    EXPECT_EQ(named, 145);

    for (const uint32_t code : {0x00000000u, 0x0000000Du, 0x04000041u, 0x0100007Eu, 0x0000FFFFu}) {
        const KeyCode key(code);
        EXPECT_EQ(KeyCode::Parse(key.ToString().View()), key) << Utf8(key.ToString());
    }
}

} // namespace
} // namespace VQ
