#include "platform/locale/UserLanguage.h"

namespace VQ::Platform {

// STUB
int32_t GetLanguageIdFromLocaleName(std::string_view) { return DefaultLanguageId; }
int32_t GetUserLanguageId() { return DefaultLanguageId; }

} // namespace VQ::Platform
