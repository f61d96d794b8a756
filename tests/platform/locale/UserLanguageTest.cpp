#include "platform/locale/UserLanguage.h"

#include "tests/support/ScopedEnvironment.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string_view>

namespace VQ::Platform {
namespace {

using test::ScopedEnvironmentVariable;

struct NameCase {
    std::string_view name;
    int32_t id;
};

std::ostream& operator<<(std::ostream& out, const NameCase& c)
{
    return out << '"' << c.name << "\" -> 0x" << std::hex << c.id << std::dec;
}

class LocaleNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(LocaleNameTest, MapsToWindowsLocaleId)
{
    EXPECT_EQ(GetLanguageIdFromLocaleName(GetParam().name), GetParam().id);
}

INSTANTIATE_TEST_SUITE_P(ExactLocales, LocaleNameTest,
                         ::testing::Values(NameCase{"de_DE", 0x0407}, NameCase{"de_AT", 0x0C07},
                                           NameCase{"de_CH", 0x0807}, NameCase{"en_US", 0x0409},
                                           NameCase{"en_GB", 0x0809}, NameCase{"en_AU", 0x0C09},
                                           NameCase{"en_CA", 0x1009}, NameCase{"fr_FR", 0x040C},
                                           NameCase{"fr_BE", 0x080C}, NameCase{"fr_CA", 0x0C0C},
                                           NameCase{"fr_CH", 0x100C}, NameCase{"es_ES", 0x0C0A},
                                           NameCase{"es_MX", 0x080A}, NameCase{"es_AR", 0x2C0A},
                                           NameCase{"it_IT", 0x0410}, NameCase{"it_CH", 0x0810},
                                           NameCase{"pt_BR", 0x0416}, NameCase{"pt_PT", 0x0816},
                                           NameCase{"nl_NL", 0x0413}, NameCase{"nl_BE", 0x0813},
                                           NameCase{"ru_RU", 0x0419}, NameCase{"pl_PL", 0x0415},
                                           NameCase{"sv_SE", 0x041D}, NameCase{"sv_FI", 0x081D},
                                           NameCase{"nb_NO", 0x0414}, NameCase{"nn_NO", 0x0814},
                                           NameCase{"cs_CZ", 0x0405}, NameCase{"tr_TR", 0x041F},
                                           NameCase{"ja_JP", 0x0411}, NameCase{"ko_KR", 0x0412},
                                           NameCase{"zh_TW", 0x0404}, NameCase{"zh_HK", 0x0C04},
                                           NameCase{"zh_MO", 0x1404}, NameCase{"zh_CN", 0x0804},
                                           NameCase{"zh_SG", 0x1004}, NameCase{"af_ZA", 0x0436},
                                           NameCase{"ar_EG", 0x0C01}, NameCase{"vi_VN", 0x042A},
                                           NameCase{"fil_PH", 0x0464}));

// Only language and territory count; the codeset and the modifier are dropped.
INSTANTIATE_TEST_SUITE_P(CodesetAndModifier, LocaleNameTest,
                         ::testing::Values(NameCase{"de_DE.UTF-8", 0x0407}, NameCase{"de_DE@euro", 0x0407},
                                           NameCase{"de_DE.UTF-8@euro", 0x0407},
                                           NameCase{"zh_HK.big5hkscs", 0x0C04}, NameCase{"ja_JP.eucJP", 0x0411},
                                           NameCase{"fr_CA.ISO-8859-1", 0x0C0C}, NameCase{"C.UTF-8", 0x0409},
                                           NameCase{"de.UTF-8", 0x0407}));

INSTANTIATE_TEST_SUITE_P(Fallbacks, LocaleNameTest,
                         ::testing::Values(
                             // No language at all.
                             NameCase{"", 0x0409}, NameCase{"C", 0x0409}, NameCase{"POSIX", 0x0409},
                             NameCase{".UTF-8", 0x0409}, NameCase{"@euro", 0x0409},
                             // A known language alone, or with a territory the table does not have.
                             NameCase{"de", 0x0407}, NameCase{"de_LU", 0x0407}, NameCase{"fr_SN", 0x040C},
                             NameCase{"es_419", 0x0C0A}, NameCase{"zh", 0x0804}, NameCase{"pt_AO", 0x0416},
                             NameCase{"de_", 0x0407}, NameCase{"fil_XX", 0x0464},
                             // Unknown languages, and names matched exactly, not by prefix or case.
                             NameCase{"xx_DE", 0x0409}, NameCase{"xx", 0x0409}, NameCase{"d", 0x0409},
                             NameCase{"deu_DE", 0x0409}, NameCase{"_DE", 0x0409}, NameCase{"DE_DE", 0x0409},
                             NameCase{"c", 0x0409}, NameCase{"zz_ZZ", 0x0409}, NameCase{"de_de", 0x0407}));

class UserLanguageTest : public ::testing::Test {
protected:
    // Every test starts with none of the three variables set.
    ScopedEnvironmentVariable m_all{"LC_ALL", nullptr};
    ScopedEnvironmentVariable m_messages{"LC_MESSAGES", nullptr};
    ScopedEnvironmentVariable m_lang{"LANG", nullptr};
};

TEST_F(UserLanguageTest, NoVariableGivesEnglish)
{
    EXPECT_EQ(GetUserLanguageId(), 0x0409);
}

TEST_F(UserLanguageTest, VariablesTakePrecedenceInOrder)
{
    struct Case {
        const char* all;
        const char* messages;
        const char* lang;
        int32_t id;
    };
    const Case cases[] = {
        {"fr_FR.UTF-8", "de_DE.UTF-8", "ja_JP.UTF-8", 0x040C},
        {nullptr, "de_DE.UTF-8", "ja_JP.UTF-8", 0x0407},
        {nullptr, nullptr, "ja_JP.UTF-8", 0x0411},
        // Empty values count as unset.
        {"", "de_DE.UTF-8", "ja_JP.UTF-8", 0x0407},
        {"", "", "ja_JP.UTF-8", 0x0411},
        {"", "", "", 0x0409},
        {"fr_FR", "", "ja_JP", 0x040C},
        // A set variable wins even when it names no language the table knows.
        {"C", "de_DE", "ja_JP", 0x0409},
        {nullptr, "xx_YY", "ja_JP", 0x0409},
    };
    for (const Case& c : cases) {
        ScopedEnvironmentVariable all("LC_ALL", c.all);
        ScopedEnvironmentVariable messages("LC_MESSAGES", c.messages);
        ScopedEnvironmentVariable lang("LANG", c.lang);
        EXPECT_EQ(GetUserLanguageId(), c.id) << "LC_ALL=" << (c.all ? c.all : "(unset)")
                                             << " LC_MESSAGES=" << (c.messages ? c.messages : "(unset)")
                                             << " LANG=" << (c.lang ? c.lang : "(unset)");
    }
}

} // namespace
} // namespace VQ::Platform
