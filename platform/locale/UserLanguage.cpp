#include "platform/locale/UserLanguage.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>

namespace VQ::Platform {
namespace {

struct LocaleId {
    std::string_view name;
    int32_t id;
};

// Sorted by name. A language on its own stands for its main locale, which a territory the table does
// not know falls back to.
constexpr LocaleId s_localeIds[] = {
    {"af", 0x0436},     {"af_ZA", 0x0436},  {"ar", 0x0401},     {"ar_AE", 0x3801},  {"ar_BH", 0x3C01},
    {"ar_DZ", 0x1401},  {"ar_EG", 0x0C01},  {"ar_IQ", 0x0801},  {"ar_JO", 0x2C01},  {"ar_KW", 0x3401},
    {"ar_LB", 0x3001},  {"ar_LY", 0x1001},  {"ar_MA", 0x1801},  {"ar_OM", 0x2001},  {"ar_QA", 0x4001},
    {"ar_SA", 0x0401},  {"ar_SY", 0x2801},  {"ar_TN", 0x1C01},  {"ar_YE", 0x2401},  {"az", 0x042C},
    {"az_AZ", 0x042C},  {"be", 0x0423},     {"be_BY", 0x0423},  {"bg", 0x0402},     {"bg_BG", 0x0402},
    {"bn", 0x0445},     {"bn_BD", 0x0845},  {"bn_IN", 0x0445},  {"bs", 0x141A},     {"bs_BA", 0x141A},
    {"ca", 0x0403},     {"ca_ES", 0x0403},  {"cs", 0x0405},     {"cs_CZ", 0x0405},  {"cy", 0x0452},
    {"cy_GB", 0x0452},  {"da", 0x0406},     {"da_DK", 0x0406},  {"de", 0x0407},     {"de_AT", 0x0C07},
    {"de_CH", 0x0807},  {"de_DE", 0x0407},  {"el", 0x0408},     {"el_GR", 0x0408},  {"en", 0x0409},
    {"en_AU", 0x0C09},  {"en_BZ", 0x2809},  {"en_CA", 0x1009},  {"en_GB", 0x0809},  {"en_IE", 0x1809},
    {"en_IN", 0x4009},  {"en_JM", 0x2009},  {"en_MY", 0x4409},  {"en_NZ", 0x1409},  {"en_PH", 0x3409},
    {"en_SG", 0x4809},  {"en_TT", 0x2C09},  {"en_US", 0x0409},  {"en_ZA", 0x1C09},  {"en_ZW", 0x3009},
    {"es", 0x0C0A},     {"es_AR", 0x2C0A},  {"es_BO", 0x400A},  {"es_CL", 0x340A},  {"es_CO", 0x240A},
    {"es_CR", 0x140A},  {"es_DO", 0x1C0A},  {"es_EC", 0x300A},  {"es_ES", 0x0C0A},  {"es_GT", 0x100A},
    {"es_HN", 0x480A},  {"es_MX", 0x080A},  {"es_NI", 0x4C0A},  {"es_PA", 0x180A},  {"es_PE", 0x280A},
    {"es_PR", 0x500A},  {"es_PY", 0x3C0A},  {"es_SV", 0x440A},  {"es_US", 0x540A},  {"es_UY", 0x380A},
    {"es_VE", 0x200A},  {"et", 0x0425},     {"et_EE", 0x0425},  {"eu", 0x042D},     {"eu_ES", 0x042D},
    {"fa", 0x0429},     {"fa_IR", 0x0429},  {"fi", 0x040B},     {"fi_FI", 0x040B},  {"fil", 0x0464},
    {"fil_PH", 0x0464}, {"fo", 0x0438},     {"fo_FO", 0x0438},  {"fr", 0x040C},     {"fr_BE", 0x080C},
    {"fr_CA", 0x0C0C},  {"fr_CH", 0x100C},  {"fr_FR", 0x040C},  {"fr_LU", 0x140C},  {"fr_MC", 0x180C},
    {"fy", 0x0462},     {"fy_NL", 0x0462},  {"ga", 0x083C},     {"ga_IE", 0x083C},  {"gl", 0x0456},
    {"gl_ES", 0x0456},  {"gu", 0x0447},     {"gu_IN", 0x0447},  {"he", 0x040D},     {"he_IL", 0x040D},
    {"hi", 0x0439},     {"hi_IN", 0x0439},  {"hr", 0x041A},     {"hr_BA", 0x101A},  {"hr_HR", 0x041A},
    {"hu", 0x040E},     {"hu_HU", 0x040E},  {"hy", 0x042B},     {"hy_AM", 0x042B},  {"id", 0x0421},
    {"id_ID", 0x0421},  {"is", 0x040F},     {"is_IS", 0x040F},  {"it", 0x0410},     {"it_CH", 0x0810},
    {"it_IT", 0x0410},  {"ja", 0x0411},     {"ja_JP", 0x0411},  {"ka", 0x0437},     {"ka_GE", 0x0437},
    {"kk", 0x043F},     {"kk_KZ", 0x043F},  {"km", 0x0453},     {"km_KH", 0x0453},  {"kn", 0x044B},
    {"kn_IN", 0x044B},  {"ko", 0x0412},     {"ko_KR", 0x0412},  {"ky", 0x0440},     {"ky_KG", 0x0440},
    {"lb", 0x046E},     {"lb_LU", 0x046E},  {"lo", 0x0454},     {"lo_LA", 0x0454},  {"lt", 0x0427},
    {"lt_LT", 0x0427},  {"lv", 0x0426},     {"lv_LV", 0x0426},  {"mk", 0x042F},     {"mk_MK", 0x042F},
    {"ml", 0x044C},     {"ml_IN", 0x044C},  {"mn", 0x0450},     {"mn_MN", 0x0450},  {"mr", 0x044E},
    {"mr_IN", 0x044E},  {"ms", 0x043E},     {"ms_BN", 0x083E},  {"ms_MY", 0x043E},  {"mt", 0x043A},
    {"mt_MT", 0x043A},  {"nb", 0x0414},     {"nb_NO", 0x0414},  {"ne", 0x0461},     {"ne_NP", 0x0461},
    {"nl", 0x0413},     {"nl_BE", 0x0813},  {"nl_NL", 0x0413},  {"nn", 0x0814},     {"nn_NO", 0x0814},
    {"no", 0x0414},     {"no_NO", 0x0414},  {"pa", 0x0446},     {"pa_IN", 0x0446},  {"pl", 0x0415},
    {"pl_PL", 0x0415},  {"pt", 0x0416},     {"pt_BR", 0x0416},  {"pt_PT", 0x0816},  {"ro", 0x0418},
    {"ro_RO", 0x0418},  {"ru", 0x0419},     {"ru_RU", 0x0419},  {"si", 0x045B},     {"si_LK", 0x045B},
    {"sk", 0x041B},     {"sk_SK", 0x041B},  {"sl", 0x0424},     {"sl_SI", 0x0424},  {"sq", 0x041C},
    {"sq_AL", 0x041C},  {"sr", 0x281A},     {"sr_RS", 0x281A},  {"sv", 0x041D},     {"sv_FI", 0x081D},
    {"sv_SE", 0x041D},  {"sw", 0x0441},     {"sw_KE", 0x0441},  {"ta", 0x0449},     {"ta_IN", 0x0449},
    {"te", 0x044A},     {"te_IN", 0x044A},  {"tg", 0x0428},     {"tg_TJ", 0x0428},  {"th", 0x041E},
    {"th_TH", 0x041E},  {"tk", 0x0442},     {"tk_TM", 0x0442},  {"tr", 0x041F},     {"tr_TR", 0x041F},
    {"tt", 0x0444},     {"tt_RU", 0x0444},  {"uk", 0x0422},     {"uk_UA", 0x0422},  {"ur", 0x0420},
    {"ur_PK", 0x0420},  {"uz", 0x0443},     {"uz_UZ", 0x0443},  {"vi", 0x042A},     {"vi_VN", 0x042A},
    {"zh", 0x0804},     {"zh_CN", 0x0804},  {"zh_HK", 0x0C04},  {"zh_MO", 0x1404},  {"zh_SG", 0x1004},
    {"zh_TW", 0x0404},
};

constexpr bool NameLess(const LocaleId& entry, std::string_view name)
{
    return entry.name < name;
}

// Strictly ascending, or lower_bound would miss entries.
static_assert(std::adjacent_find(std::begin(s_localeIds), std::end(s_localeIds), [](const LocaleId& a, const LocaleId& b) {
                  return !(a.name < b.name);
              }) == std::end(s_localeIds));

const LocaleId* Find(std::string_view name)
{
    const LocaleId* found = std::lower_bound(std::begin(s_localeIds), std::end(s_localeIds), name, NameLess);
    return found != std::end(s_localeIds) && found->name == name ? found : nullptr;
}

} // namespace

int32_t GetLanguageIdFromLocaleName(std::string_view localeName)
{
    // language[_territory][.codeset][@modifier]: only language and territory choose the id.
    const std::string_view name = localeName.substr(0, localeName.find_first_of(".@"));
    if (name.empty() || name == "C" || name == "POSIX")
        return DefaultLanguageId;
    if (const LocaleId* exact = Find(name))
        return exact->id;
    const size_t separator = name.find('_');
    if (separator != std::string_view::npos) {
        if (const LocaleId* language = Find(name.substr(0, separator)))
            return language->id;
    }
    return DefaultLanguageId;
}

int32_t GetUserLanguageId()
{
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && *value)
            return GetLanguageIdFromLocaleName(value);
    }
    return DefaultLanguageId;
}

} // namespace VQ::Platform
