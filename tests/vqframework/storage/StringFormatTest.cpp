#include "vqframework/storage/StringFormat.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>

namespace VQ {
namespace {

using String = StringT<char16_t, char>;

std::string Utf8(const String& text)
{
    return StringT<char, char16_t>(text).GetString();
}

enum class Direction : int16_t { Down = -1, Up = 2 };

struct FormatCase {
    String actual;
    const char* expected; // UTF-8, so that failures print readably
};

void ExpectCases(const FormatCase* cases, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        EXPECT_EQ(Utf8(cases[i].actual), cases[i].expected) << "case " << i;
}

TEST(StringFormatTest, FormatsIntegersByTheirOwnWidthAndSignedness)
{
    const FormatCase cases[] = {
        {String::Format(u"item%d", 3), "item3"},
        {String::Format(u"%d", std::numeric_limits<int32_t>::min()), "-2147483648"},
        {String::Format(u"%u", int32_t(-1)), "4294967295"},
        {String::Format(u"%d", uint32_t(0xFFFFFFFF)), "-1"},
        {String::Format(u"%X", int32_t(0x80004005)), "80004005"},
        {String::Format(u"%x %X", 255, 255u), "ff FF"},
        {String::Format(u"%08x", 0x1A), "0000001a"},
        {String::Format(u"%08lx", int32_t(0xABCDEF)), "00abcdef"},
        {String::Format(u"%08lx", int32_t(-1)), "ffffffff"},
        {String::Format(u"%I32d|%I32u", -7, uint32_t(4000000000u)), "-7|4000000000"},
        {String::Format(u"%I64d", std::numeric_limits<int64_t>::min()), "-9223372036854775808"},
        {String::Format(u"%I64X", uint64_t(255)), "FF"},
        {String::Format(u"%I64X", int64_t(-1)), "FFFFFFFFFFFFFFFF"},
        {String::Format(u"%d", int64_t(5000000000)), "5000000000"},
        {String::Format(u"%x", int16_t(-1)), "ffffffff"},
        {String::Format(u"%d %d %c", u'A', true, u'A'), "65 1 A"},
        {String::Format(u"%d %d", Direction::Down, Direction::Up), "-1 2"},
        {String::Format(u"%d", 3.9), "3"},
        {String::Format(u"%p", reinterpret_cast<const void*>(uintptr_t(0xBEEF))), "000000000000BEEF"},
    };
    ExpectCases(cases, std::size(cases));
}

TEST(StringFormatTest, ShortAndCharPrefixesCutIntegersAsPrintfDoes)
{
    const FormatCase cases[] = {
        {String::Format(u"%hd|%hhd|%hi|%hhi", 99999, 300, 32768, 128), "-31073|44|-32768|-128"},
        {String::Format(u"%hu|%hhu|%hu", -1, -1, 99999), "65535|255|34463"},
        {String::Format(u"%hx|%hhx|%hhX|%ho|%hho", 0x12345, 300, 0xABC, 0x10009, 0x109), "2345|2c|BC|11|11"},
        {String::Format(u"%hd|%hhu", int64_t(5000000000), uint64_t(5000000000)), "-3584|0"},
        {String::Format(u"%hd|%hhd", int16_t(-2), int8_t(-3)), "-2|-3"},
        {String::Format(u"[%6hd|%-6hhu|%06hx|%#hx|%+hhd|%.4hd]", 65535, 511, -1, 0x10010, 255, 3),
         "[    -1|255   |00ffff|0x10|-1|0003]"},
        // Other prefixes leave the argument's own width alone, and "h" does not touch texts or characters.
        {String::Format(u"%ld|%lld|%I64d|%I32u", 99999, 99999, 99999, 99999u), "99999|99999|99999|99999"},
        {String::Format(u"%hc|%hs", u'A', u"text"), "A|text"},
    };
    ExpectCases(cases, std::size(cases));
}

TEST(StringFormatTest, AppliesFlagsWidthAndPrecisionToIntegers)
{
    const FormatCase cases[] = {
        {String::Format(u"[%5d]", 42), "[   42]"},
        {String::Format(u"[%-5d]", 42), "[42   ]"},
        {String::Format(u"[%05d]", -42), "[-0042]"},
        {String::Format(u"[%+d|% d|%+d]", 5, 5, -5), "[+5| 5|-5]"},
        {String::Format(u"[%.3d|%.0d|%5.3d]", 7, 0, -7), "[007|| -007]"},
        {String::Format(u"[%#x|%#X|%#x|%#o|%o]", 255, 255, 0, 8, 8), "[0xff|0XFF|0|010|10]"},
        {String::Format(u"[%08.3d]", 5), "[     005]"},
        {String::Format(u"[%*d|%-*d|%*d]", 4, 7, 3, 8, -3, 9), "[   7|8  |9  ]"},
        {String::Format(u"[%3c|%-3c]", u'x', u'y'), "[  x|y  ]"},
        {String::Format(u"[%.*f|%*.*f]", -3, 1.5, 6u, 2, 1.5), "[1.500000|  1.50]"},
    };
    ExpectCases(cases, std::size(cases));
}

TEST(StringFormatTest, FormatsFloatingPointInTheCLocale)
{
    const FormatCase cases[] = {
        {String::Format(u"%f", 2.5), "2.500000"},
        {String::Format(u"%f", 2.5f), "2.500000"},
        {String::Format(u"ValueParam = %lf", 1.0 / 3), "ValueParam = 0.333333"},
        {String::Format(u"%0.0f", 63.5), "64"},
        {String::Format(u"%0.0f", 0.4), "0"},
        {String::Format(u"%.2f", 3.14159), "3.14"},
        {String::Format(u"%.0f %.2f %.0f", 2.5, 0.125, 3.5), "2 0.12 4"},
        {String::Format(u"%.40f", 0.1), "0.1000000000000000055511151231257827021182"},
        {String::Format(u"%#.3g|%#g|%#.2G", 100.0, 0.0, 1e-5), "100.|0.00000|1.0E-05"},
        {String::Format(u"(%g, %g)", 12.5, 0.0), "(12.5, 0)"},
        {String::Format(u"%g %g %g %g", 100000.0, 1e6, 0.0001, 0.00001), "100000 1e+06 0.0001 1e-05"},
        {String::Format(u"%G %.3g", 1e-10, 3.14159), "1E-10 3.14"},
        {String::Format(u"%e %E", 12345.678, 0.5), "1.234568e+04 5.000000E-01"},
        {String::Format(u"%#g|%#.0f|%#.0e", 1.0, 3.0, 2.0), "1.00000|3.|2.e+00"},
        {String::Format(u"%f", -0.0), "-0.000000"},
        {String::Format(u"[%8.3f|%-8.2f|%08.2f|%+.1f]", 3.14159, 2.5, -3.14159, 2.0),
         "[   3.142|2.50    |-0003.14|+2.0]"},
        {String::Format(u"%f %F %f", std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN(),
                        -std::numeric_limits<double>::infinity()),
         "inf NAN -inf"},
        {String::Format(u"%f|%.1f", 3, uint32_t(4000000000u)), "3.000000|4000000000.0"},
        {String::Format(u"%.3f", 1e20), "100000000000000000000.000"},
    };
    ExpectCases(cases, std::size(cases));
}

// Infinities and NaNs, signed or not, come out as the C library prints them.
TEST(StringFormatTest, NonFiniteValuesMatchTheCLibrary)
{
    const char* const formats[] = {"%f", "%F", "%e", "%E", "%g", "%G", "%+f", "% e", "%08f", "%-6G", "%5.2e", "%#g"};
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const double values[] = {nan, -nan, inf, -inf};
    for (const char* format : formats) {
        const std::u16string wide(format, format + std::char_traits<char>::length(format));
        for (double value : values) {
            char expected[32];
            std::snprintf(expected, sizeof expected, format, value);
            EXPECT_EQ(Utf8(String::Format(wide.c_str(), value)), expected) << format;
        }
    }
}

TEST(StringFormatTest, InsertsWideAndNarrowTexts)
{
    const String wide(u"w\x00E9\U0001F600");
    const StringT<char, char16_t> narrow(wide);
    const char16_t* nullText = nullptr;
    const FormatCase cases[] = {
        {String::Format(u"direction: %s", u"up"), "direction: up"},
        {String::Format(u"%s|%S", wide, narrow), "w\xC3\xA9\xF0\x9F\x98\x80|w\xC3\xA9\xF0\x9F\x98\x80"},
        {String::Format(u"%s", "caf\xC3\xA9"), "caf\xC3\xA9"},
        {String::Format(u"%s", "ab\xC3\x28z"), "ab"},
        {String::Format(u"%s", nullText), "(null)"},
        {String::Format(u"[%5s|%-5s|%.2s|%.1s]", u"abc", u"abc", u"abc", wide), "[  abc|abc  |ab|w]"},
        {String::Format(u"wglMakeCurrent failed with error %d: %s.", 5, String(u"denied")),
         "wglMakeCurrent failed with error 5: denied."},
    };
    ExpectCases(cases, std::size(cases));
}

TEST(StringFormatTest, CopiesConversionsItCannotSatisfyAsTheyStand)
{
    const FormatCase cases[] = {
        {String::Format(u"100%%"), "100%"},
        {String::Format(u"100%"), "100%"},
        {String::Format(u"%d and %d", 1), "1 and %d"},
        {String::Format(u"K%s", 3), "K%s"},
        {String::Format(u"%d", u"text"), "%d"},
        {String::Format(u"%y%d", 5), "%y5"},
        {String::Format(u"%n%d", 6), "%n6"},
        {String::Format(u"%99999999999d", 1), "%99999999999d"},
        {String::Format(u"%*d", u"x", 1), "%*d"},
        {String::Format(u"%*d", int64_t(-3000000000), 1), "%*d"},
        {String::Format(u"%*d", std::numeric_limits<int64_t>::min(), 1), "%*d"},
    };
    ExpectCases(cases, std::size(cases));
}

TEST(StringFormatTest, HasNoFixedOutputLimit)
{
    const String long20000 = String::Format(u"%20000d", 1);
    ASSERT_EQ(long20000.GetLength(), 20000);
    EXPECT_EQ(long20000.GetString()[19999], u'1');
    EXPECT_EQ(long20000.GetString()[0], u' ');

    const String precise = String::Format(u"%.500f|%#.400g", 1.0, 2.0);
    ASSERT_EQ(precise.GetLength(), 502 + 1 + 401);
    std::u16string expected = u"1.";
    expected.append(500, u'0').append(u"|2.").append(399, u'0');
    EXPECT_EQ(std::u16string(precise.GetString()), expected);

    std::u16string pattern;
    for (int i = 0; i < 9000; ++i)
        pattern += char16_t(u'a' + i % 26);
    const String text(pattern.c_str());
    const String doubled = String::Format(u"<%s%s>", text, pattern.c_str());
    ASSERT_EQ(doubled.GetLength(), 18002);
    EXPECT_EQ(std::u16string(doubled.GetString()), u"<" + pattern + pattern + u">");
}

TEST(StringFormatTest, EmptyOutputSharesTheEmptyBuffer)
{
    const String empty;
    for (const String& result : {String::Format(u""), String::Format(u"%s", u""), String::Format(nullptr)}) {
        EXPECT_TRUE(result.IsEmpty());
        EXPECT_EQ(result.GetString(), empty.GetString());
    }
}

TEST(StringFormatTest, OutputEndsAtAnEmbeddedNul)
{
    EXPECT_EQ(Utf8(String::Format(u"ab%cde", 0)), "ab");
}

TEST(ToStringTest, WritesIntegersAsFixedPointNumbers)
{
    const FormatCase cases[] = {
        {ToString(5, 2), ".05"},
        {ToString(123, 2), "1.23"},
        {ToString(12, 2), ".12"},
        {ToString(0, 1), ".0"},
        {ToString(1234, 0), "1234"},
        {ToString(1234, -1), "1234"},
        {ToString(-1234, 0), "-1234"},
        {ToString(-5, 2), "-.05"},
        {ToString(-123, 2), "-1.23"},
        {ToString(std::numeric_limits<int32_t>::min(), 2), "-21474836.48"},
        {ToString(0xFFFFFFFFu, -1), "4294967295"},
        {ToString(0xFFFFFFFFu, 3), "4294967.295"},
        {ToString(7u, 3), ".007"},
    };
    ExpectCases(cases, std::size(cases));
}

TEST(ToStringTest, WritesDoublesWithTheGivenDecimals)
{
    const FormatCase cases[] = {
        {ToString(2.5, -1), "2.500000"},
        {ToString(3.14159, 2), "3.14"},
        {ToString(0.4, 0), "0"},
        {ToString(-0.004, 2), "-0.00"},
        {ToString(1e20, 2), "100000000000000000000.00"},
    };
    ExpectCases(cases, std::size(cases));
}

} // namespace
} // namespace VQ
