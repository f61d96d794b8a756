// The user's language as a Windows locale id (LCID), which the string tables are keyed by.
#pragma once

#include <cstdint>
#include <string_view>

namespace VQ::Platform {

// English (United States): the language of a locale the table does not know.
inline constexpr int32_t DefaultLanguageId = 0x0409;

// The id of a POSIX locale name such as "de_DE.UTF-8" or "zh_TW"; DefaultLanguageId for "C", "POSIX",
// an empty name and names the table does not know.
int32_t GetLanguageIdFromLocaleName(std::string_view localeName);

// The id of the user's messages locale: LC_ALL, else LC_MESSAGES, else LANG (empty values are unset).
int32_t GetUserLanguageId();

} // namespace VQ::Platform
