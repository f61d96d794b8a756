#include "vqframework/objectbase/Exception.h"

#include "vqframework/objectbase/TypeName.h"

#include <cstdio>

namespace VQ {

const char* ExceptionBase::GetText() const
{
    const auto* standard = dynamic_cast<const std::exception*>(this);
    return standard ? standard->what() : "";
}

std::string ResultToString(VQRESULT result)
{
    char digits[65];
    std::snprintf(digits, sizeof digits, "%X", static_cast<unsigned>(result));
    return std::string("VQRESULT = ") + digits;
}

std::string FormatExceptionMessage(const char* kind, const char* detail, const char* prettyFunction,
                                   const char* file, int line)
{
    std::string message(kind);
    message += " : ";
    if (detail) {
        message += detail;
        message += " : ";
    }
    message += FunctionName(prettyFunction);
    message += " : ";
    message += file;
    message += " : Line ";
    message += std::to_string(line);
    return message;
}

void ThrowFailedResult(VQRESULT result, const char* prettyFunction, const char* file, int line)
{
    ThrowException<FailedResultException>(ResultToString(result), prettyFunction, file, line);
}

} // namespace VQ
