#include "vqframework/control/KeyCode.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <iterator>

namespace VQ {

namespace {

struct NamedKey {
    std::u16string_view name;
    uint8_t key;
};

// Ordered by code units, so that a value with several names prints as its first name.
constexpr NamedKey KeyNames[] = {
    {u"VKEY_0", 48}, {u"VKEY_1", 49}, {u"VKEY_2", 50}, {u"VKEY_3", 51}, {u"VKEY_4", 52}, {u"VKEY_5", 53},
    {u"VKEY_6", 54}, {u"VKEY_7", 55}, {u"VKEY_8", 56}, {u"VKEY_9", 57}, {u"VKEY_A", 65}, {u"VKEY_ACCEPT", 30},
    {u"VKEY_ADD", 107}, {u"VKEY_APPS", 93}, {u"VKEY_B", 66}, {u"VKEY_BACK", 8}, {u"VKEY_BROWSER_BACK", 166},
    {u"VKEY_BROWSER_FAVORITES", 171}, {u"VKEY_BROWSER_FORWARD", 167}, {u"VKEY_BROWSER_HOME", 172},
    {u"VKEY_BROWSER_REFRESH", 168}, {u"VKEY_BROWSER_SEARCH", 170}, {u"VKEY_BROWSER_STOP", 169}, {u"VKEY_C", 67},
    {u"VKEY_CAPITAL", 20}, {u"VKEY_CLEAR", 12}, {u"VKEY_CONTROL", 17}, {u"VKEY_CONVERT", 28}, {u"VKEY_D", 68},
    {u"VKEY_DECIMAL", 110}, {u"VKEY_DELETE", 46}, {u"VKEY_DIVIDE", 111}, {u"VKEY_DOWN", 40}, {u"VKEY_E", 69},
    {u"VKEY_END", 35}, {u"VKEY_ESCAPE", 27}, {u"VKEY_EXECUTE", 43}, {u"VKEY_F", 70}, {u"VKEY_F1", 112},
    {u"VKEY_F10", 121}, {u"VKEY_F11", 122}, {u"VKEY_F12", 123}, {u"VKEY_F13", 124}, {u"VKEY_F14", 125},
    {u"VKEY_F15", 126}, {u"VKEY_F16", 127}, {u"VKEY_F17", 128}, {u"VKEY_F18", 129}, {u"VKEY_F19", 130},
    {u"VKEY_F2", 113}, {u"VKEY_F20", 131}, {u"VKEY_F21", 132}, {u"VKEY_F22", 133}, {u"VKEY_F23", 134},
    {u"VKEY_F24", 135}, {u"VKEY_F3", 114}, {u"VKEY_F4", 115}, {u"VKEY_F5", 116}, {u"VKEY_F6", 117},
    {u"VKEY_F7", 118}, {u"VKEY_F8", 119}, {u"VKEY_F9", 120}, {u"VKEY_FINAL", 24}, {u"VKEY_G", 71}, {u"VKEY_H", 72},
    {u"VKEY_HANGEUL", 21}, {u"VKEY_HANGUL", 21}, {u"VKEY_HANJA", 25}, {u"VKEY_HELP", 47}, {u"VKEY_HOME", 36},
    {u"VKEY_I", 73}, {u"VKEY_INSERT", 45}, {u"VKEY_J", 74}, {u"VKEY_JUNJA", 23}, {u"VKEY_K", 75},
    {u"VKEY_KANA", 21}, {u"VKEY_KANJI", 25}, {u"VKEY_L", 76}, {u"VKEY_LAUNCH_APP1", 182},
    {u"VKEY_LAUNCH_APP2", 183}, {u"VKEY_LAUNCH_MAIL", 180}, {u"VKEY_LAUNCH_MEDIA_SELECT", 181},
    {u"VKEY_LCONTROL", 162}, {u"VKEY_LEFT", 37}, {u"VKEY_LMENU", 164}, {u"VKEY_LSHIFT", 160}, {u"VKEY_LWIN", 91},
    {u"VKEY_M", 77}, {u"VKEY_MEDIA_NEXT_TRACK", 176}, {u"VKEY_MEDIA_PLAY_PAUSE", 179},
    {u"VKEY_MEDIA_PREV_TRACK", 177}, {u"VKEY_MEDIA_STOP", 178}, {u"VKEY_MENU", 18}, {u"VKEY_MODECHANGE", 31},
    {u"VKEY_MULTIPLY", 106}, {u"VKEY_N", 78}, {u"VKEY_NONCONVERT", 29}, {u"VKEY_NUMLOCK", 144},
    {u"VKEY_NUMPAD0", 96}, {u"VKEY_NUMPAD1", 97}, {u"VKEY_NUMPAD2", 98}, {u"VKEY_NUMPAD3", 99},
    {u"VKEY_NUMPAD4", 100}, {u"VKEY_NUMPAD5", 101}, {u"VKEY_NUMPAD6", 102}, {u"VKEY_NUMPAD7", 103},
    {u"VKEY_NUMPAD8", 104}, {u"VKEY_NUMPAD9", 105}, {u"VKEY_O", 79}, {u"VKEY_OEM_FJ_JISHO", 146},
    {u"VKEY_OEM_FJ_LOYA", 149}, {u"VKEY_OEM_FJ_MASSHOU", 147}, {u"VKEY_OEM_FJ_ROYA", 150},
    {u"VKEY_OEM_FJ_TOUROKU", 148}, {u"VKEY_OEM_NEC_EQUAL", 146}, {u"VKEY_P", 80}, {u"VKEY_PAGEDN", 34},
    {u"VKEY_PAGEUP", 33}, {u"VKEY_PAUSE", 19}, {u"VKEY_PRINT", 42}, {u"VKEY_Q", 81}, {u"VKEY_R", 82},
    {u"VKEY_RCONTROL", 163}, {u"VKEY_RETURN", 13}, {u"VKEY_RIGHT", 39}, {u"VKEY_RMENU", 165}, {u"VKEY_RSHIFT", 161},
    {u"VKEY_RWIN", 92}, {u"VKEY_S", 83}, {u"VKEY_SCROLL", 145}, {u"VKEY_SELECT", 41}, {u"VKEY_SEPARATOR", 108},
    {u"VKEY_SHIFT", 16}, {u"VKEY_SLEEP", 95}, {u"VKEY_SNAPSHOT", 44}, {u"VKEY_SPACE", 32}, {u"VKEY_SUBTRACT", 109},
    {u"VKEY_T", 84}, {u"VKEY_TAB", 9}, {u"VKEY_U", 85}, {u"VKEY_UP", 38}, {u"VKEY_V", 86},
    {u"VKEY_VOLUME_DOWN", 174}, {u"VKEY_VOLUME_MUTE", 173}, {u"VKEY_VOLUME_UP", 175}, {u"VKEY_W", 87},
    {u"VKEY_X", 88}, {u"VKEY_Y", 89}, {u"VKEY_Z", 90},
};

constexpr bool IsOrderedByName()
{
    for (std::size_t i = 1; i < std::size(KeyNames); ++i) {
        if (!(KeyNames[i - 1].name < KeyNames[i].name))
            return false;
    }
    return true;
}
static_assert(std::size(KeyNames) == 149);
static_assert(IsOrderedByName(), "the name lookup searches by halves");

// Index into KeyNames of each value's first name, -1 where a value has none.
constexpr std::array<int16_t, 256> FirstNameOfKey = [] {
    std::array<int16_t, 256> first{};
    first.fill(-1);
    for (std::size_t i = 0; i < std::size(KeyNames); ++i) {
        if (first[KeyNames[i].key] < 0)
            first[KeyNames[i].key] = int16_t(i);
    }
    return first;
}();

struct DisplayEntry {
    uint8_t key;
    std::u16string_view name;
};

constexpr DisplayEntry DisplayEntries[] = {
    {12, u"Clear"}, {13, u"Return"}, {16, u"Shift"}, {17, u"Control"}, {18, u"Menu"}, {19, u"Pause"},
    {20, u"Capital"}, {21, u"Kana"}, {23, u"Junja"}, {24, u"Final"}, {25, u"Hanja"}, {27, u"Escape"},
    {28, u"Convert"}, {29, u"Non-convert"}, {30, u"Accept"}, {31, u"Mode Change"}, {32, u"Space"}, {33, u"Page Up"},
    {34, u"Page Down"}, {35, u"End"}, {36, u"Home"}, {37, u"Left Arrow"}, {38, u"Up Arrow"}, {39, u"Right Arrow"},
    {40, u"Down Arrow"}, {41, u"Select"}, {42, u"Print"}, {43, u"Execute"}, {44, u"Snapshot"}, {45, u"Insert"},
    {46, u"Del"}, {47, u"Help"}, {48, u"0"}, {49, u"1"}, {50, u"2"}, {51, u"3"}, {52, u"4"}, {53, u"5"}, {54, u"6"},
    {55, u"7"}, {56, u"8"}, {57, u"9"}, {65, u"A"}, {66, u"B"}, {67, u"C"}, {68, u"D"}, {69, u"E"}, {70, u"F"},
    {71, u"G"}, {72, u"H"}, {73, u"I"}, {74, u"J"}, {75, u"K"}, {76, u"L"}, {77, u"M"}, {78, u"N"}, {79, u"O"},
    {80, u"P"}, {81, u"Q"}, {82, u"R"}, {83, u"S"}, {84, u"T"}, {85, u"U"}, {86, u"V"}, {87, u"W"}, {88, u"X"},
    {89, u"Y"}, {90, u"Z"}, {91, u"Left Win"}, {92, u"Right Win"}, {93, u"Apps"}, {95, u"Sleep"}, {96, u"Numpad 0"},
    {97, u"Numpad 1"}, {98, u"Numpad 2"}, {99, u"Numpad 3"}, {100, u"Numpad 4"}, {101, u"Numpad 5"},
    {102, u"Numpad 6"}, {103, u"Numpad 7"}, {104, u"Numpad 8"}, {105, u"Numpad 9"}, {106, u"*"}, {107, u"+"},
    {108, u"Separator"}, {109, u"-"}, {110, u"."}, {111, u"/"}, {112, u"F1"}, {113, u"F2"}, {114, u"F3"},
    {115, u"F4"}, {116, u"F5"}, {117, u"F6"}, {118, u"F7"}, {119, u"F8"}, {120, u"F9"}, {121, u"F10"},
    {122, u"F11"}, {123, u"F12"}, {124, u"F13"}, {125, u"F14"}, {126, u"F15"}, {127, u"F16"}, {128, u"F17"},
    {129, u"F18"}, {130, u"F19"}, {131, u"F20"}, {132, u"F21"}, {133, u"F22"}, {134, u"F23"}, {135, u"F24"},
    {144, u"Numlock"}, {145, u"Scroll"}, {146, u"NEC Equal"}, {147, u"Masshou"}, {148, u"Touroku"}, {149, u"Loya"},
    {150, u"Roya"}, {160, u"Left Shift"}, {161, u"Right Shift"}, {162, u"Left Control"}, {163, u"Right Control"},
    {164, u"Left Menu"}, {165, u"Right Menu"}, {166, u"Browser Back"}, {167, u"Browser Forward"},
    {168, u"Browser Refresh"}, {169, u"Browser Stop"}, {170, u"Browser Search"}, {171, u"Browser Favorites"},
    {172, u"Browser Home"}, {173, u"Volume Mute"}, {174, u"Volume Down"}, {175, u"Volume Up"},
    {176, u"Media Next Track"}, {177, u"Media Prev Track"}, {178, u"Media Stop"}, {179, u"Media Play Pause"},
    {180, u"Launch Mail"}, {181, u"Launch Media Select"}, {182, u"Launch App 1"}, {183, u"Launch App 2"},
};

static_assert(std::size(DisplayEntries) == 143);

// A key listed twice keeps its first name.
constexpr std::array<std::u16string_view, 256> DisplayNames = [] {
    std::array<std::u16string_view, 256> names{};
    for (const DisplayEntry& entry : DisplayEntries) {
        if (names[entry.key].empty())
            names[entry.key] = entry.name;
    }
    return names;
}();

KeyCode::String MakeString(std::u16string_view text)
{
    KeyCode::String result;
    if (!text.empty())
        result.Assign(text.data(), int32_t(text.size()));
    return result;
}

uint32_t ModifierBits(uint32_t modifiers)
{
    uint32_t bits = 0;
    if (modifiers & KeyCode::ModifierShift)
        bits |= KeyCode::ShiftBit;
    if (modifiers & KeyCode::ModifierCtrl)
        bits |= KeyCode::CtrlBit;
    if (modifiers & KeyCode::ModifierAlt)
        bits |= KeyCode::AltBit;
    if (modifiers & KeyCode::ModifierWin)
        bits |= KeyCode::CmdBit;
    if (modifiers & KeyCode::ModifierExtra)
        bits |= KeyCode::ExtraBit;
    return bits;
}

} // namespace

KeyCode KeyCode::FromCharacter(char16_t character, uint32_t modifiers)
{
    return KeyCode(uint32_t(character) | ModifierBits(modifiers), ComputeSideMask(modifiers), 0);
}

KeyCode KeyCode::FromVirtualKey(uint32_t virtualKey, bool down, bool previousState, uint32_t modifiers)
{
    uint32_t code = (virtualKey & 0xFF) << 16;
    if (down)
        code |= KeyDownBit;
    return KeyCode(code | ModifierBits(modifiers), ComputeSideMask(modifiers), previousState ? 1 : 0);
}

uint8_t KeyCode::ComputeSideMask(uint32_t modifiers)
{
    struct Side {
        uint32_t needs;
        uint8_t bit;
    };
    static constexpr Side Sides[] = {
        {ModifierShift | ModifierLeftShift, SideLeftShift}, {ModifierShift | ModifierRightShift, SideRightShift},
        {ModifierCtrl | ModifierLeftCtrl, SideLeftCtrl},    {ModifierCtrl | ModifierRightCtrl, SideRightCtrl},
        {ModifierAlt | ModifierLeftAlt, SideLeftAlt},       {ModifierAlt | ModifierRightAlt, SideRightAlt},
        {ModifierWin | ModifierLeftWin, SideLeftWin},       {ModifierWin | ModifierRightWin, SideRightWin},
    };
    uint8_t mask = 0;
    for (const Side& side : Sides) {
        if ((modifiers & side.needs) == side.needs)
            mask |= side.bit;
    }
    return mask;
}

bool KeyCode::IsVirtualKeyDown() const
{
    return (m_code & VirtualKeyMask) != 0 && (m_code & KeyDownBit) != 0 && (m_code & NoKeyBit) == 0;
}

bool KeyCode::operator==(const KeyCode& other) const
{
    const uint32_t exact = VirtualKeyMask | NoKeyBit;
    if ((m_code & exact) != 0 || (other.m_code & exact) != 0)
        return m_code == other.m_code;
    return ((m_code ^ other.m_code) & ~(CtrlBit | ShiftBit)) == 0;
}

uint32_t KeyCode::NameToVirtualKey(std::u16string_view name)
{
    const NamedKey* const end = std::end(KeyNames);
    const auto before = [](const NamedKey& entry, std::u16string_view n) { return entry.name < n; };
    const NamedKey* found = std::lower_bound(std::begin(KeyNames), end, name, before);
    return found != end && found->name == name ? found->key : 0;
}

KeyCode::String KeyCode::GetVirtualKeyName(uint32_t virtualKey)
{
    if (virtualKey >= FirstNameOfKey.size() || FirstNameOfKey[virtualKey] < 0)
        return String();
    return MakeString(KeyNames[FirstNameOfKey[virtualKey]].name);
}

KeyCode::String KeyCode::GetDisplayName(uint32_t virtualKey)
{
    if (virtualKey >= DisplayNames.size())
        return String();
    return MakeString(DisplayNames[virtualKey]);
}

KeyCode::String KeyCode::Prefixes() const
{
    String text;
    if (m_code & CtrlBit)
        text += String(u"Ctrl+");
    if (m_code & AltBit)
        text += String(u"Alt+");
    if (m_code & ShiftBit)
        text += String(u"Shift+");
    if (m_code & CmdBit)
        text += String(u"Cmd+");
    return text;
}

KeyCode::String KeyCode::ToString() const
{
    String text = Prefixes();
    if (IsEmpty())
        return text;
    if (const uint32_t key = GetVirtualKey())
        text += GetVirtualKeyName(key);
    else
        text += String::Format(u"[%d]", uint32_t(GetCharacter()));
    return text;
}

KeyCode::String KeyCode::ToDisplayString() const
{
    String text = Prefixes();
    if (IsEmpty())
        return text;
    const char16_t character = GetCharacter();
    if (const uint32_t key = GetVirtualKey()) {
        text += GetDisplayName(key);
    } else if (character >= 1 && character <= 26) {
        text += String(u"Ctrl+");
        text += char16_t(character + 64);
    } else if (character >= 33 && character <= 126) {
        text += character;
    }
    return text;
}

KeyCode KeyCode::Parse(std::u16string_view text)
{
    // The upper-case copy ends at the first NUL, so the text read as written must end there too.
    text = text.substr(0, text.find(u'\0'));
    // Without a last character the character form has nothing to read; the empty key is what
    // loaders skip.
    if (text.empty())
        return KeyCode();

    const String upper = MakeString(text).ToUpper();
    const std::u16string_view copy = upper.View();
    const auto contains = [copy](std::u16string_view part) { return copy.find(part) != std::u16string_view::npos; };
    const bool ctrl = contains(u"CTRL");
    const bool alt = contains(u"ALT");
    const bool shift = contains(u"SHIFT");
    const bool cmd = contains(u"COMMAND");

    if (const std::size_t name = copy.find(u"VKEY_"); name != std::u16string_view::npos) {
        uint32_t code = (NameToVirtualKey(copy.substr(name)) << 16) + KeyDownBit;
        if (shift)
            code |= ShiftBit;
        if (ctrl)
            code |= CtrlBit;
        if (alt)
            code |= AltBit;
        if (cmd)
            code |= CmdBit;
        return KeyCode(code);
    }

    const uint32_t modifiers = alt ? ModifierAlt : 0;
    const std::size_t open = copy.find(u'[');
    if (open == std::u16string_view::npos)
        return FromCharacter(text.back(), modifiers);
    const std::size_t close = copy.find(u']');
    if (close == std::u16string_view::npos)
        return KeyCode(KeyDownBit);
    // A "]" before the "[" leaves nothing between them, which reads as 0. A number out of range
    // saturates; the character is its low 16 bits.
    const int32_t number = close > open ? upper.Mid(int32_t(open + 1), int32_t(close - open - 1)).ToInt() : 0;
    return FromCharacter(char16_t(uint32_t(number) & 0xFFFF), modifiers);
}

} // namespace VQ
