#include "vqframework/objectbase/TypeName.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

namespace VQ {

std::string TypeName(const std::type_info& type)
{
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> name(abi::__cxa_demangle(type.name(), nullptr, nullptr, &status),
                                                     &std::free);
    return status == 0 && name ? std::string(name.get()) : std::string(type.name());
}

namespace {

bool IsIdentifierChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// "[with X = VQ::LIBuffer; int N = 4]" -> {"X", "VQ::LIBuffer"}, {"N", "4"}
std::vector<std::pair<std::string, std::string>> TemplateBindings(std::string_view with)
{
    std::vector<std::pair<std::string, std::string>> bindings;
    int depth = 0;
    size_t start = 0;
    auto take = [&](std::string_view item) {
        size_t eq = item.find(" = ");
        if (eq == std::string_view::npos)
            return;
        std::string_view lhs = item.substr(0, eq);
        size_t nameStart = lhs.find_last_of(' ');
        lhs = nameStart == std::string_view::npos ? lhs : lhs.substr(nameStart + 1);
        bindings.emplace_back(std::string(lhs), std::string(item.substr(eq + 3)));
    };
    for (size_t i = 0; i < with.size(); ++i) {
        char c = with[i];
        if (c == '<' || c == '(' || c == '[')
            ++depth;
        else if (c == '>' || c == ')' || c == ']')
            --depth;
        else if (c == ';' && depth == 0) {
            take(with.substr(start, i - start));
            start = i + 2;
        }
    }
    if (start < with.size())
        take(with.substr(start));
    return bindings;
}

std::string Substitute(std::string_view name, const std::vector<std::pair<std::string, std::string>>& bindings)
{
    std::string out;
    size_t i = 0;
    while (i < name.size()) {
        if (!IsIdentifierChar(name[i])) {
            out += name[i++];
            continue;
        }
        size_t end = i;
        while (end < name.size() && IsIdentifierChar(name[end]))
            ++end;
        std::string_view word = name.substr(i, end - i);
        bool qualified = i >= 1 && name[i - 1] == ':';
        const std::string* replacement = nullptr;
        if (!qualified)
            for (const auto& [param, arg] : bindings)
                if (param == word)
                    replacement = &arg;
        out += replacement ? std::string_view(*replacement) : word;
        i = end;
    }
    return out;
}

} // namespace

std::string FunctionName(const char* prettyFunction)
{
    // Clang spells the anonymous namespace "(anonymous namespace)", whose blank and parentheses
    // would be taken for a return type and a parameter list; messages use GCC's "{anonymous}".
    std::string spelled(prettyFunction ? prettyFunction : "");
    for (size_t at; (at = spelled.find("(anonymous namespace)")) != std::string::npos;)
        spelled.replace(at, 21, "{anonymous}");
    std::string_view text(spelled);

    // GCC: "... [with X = VQ::LIBuffer; int N = 4]", the name still in template parameters. Clang:
    // "... [X = VQ::LIBuffer, N = 4]", the name already in arguments, so the list is only cut.
    std::string_view with;
    if (size_t w = text.rfind(" [with "); w != std::string_view::npos && text.back() == ']') {
        with = text.substr(w + 7, text.size() - w - 8);
        text = text.substr(0, w);
    } else if (size_t b = text.rfind(" ["); b != std::string_view::npos && text.back() == ']' &&
                                            text.find(" = ", b) != std::string_view::npos) {
        text = text.substr(0, b);
    }

    // Cut the parameter list: the last parenthesis pair, matched from its end.
    size_t close = text.rfind(')');
    if (close != std::string_view::npos) {
        int depth = 0;
        for (size_t i = close + 1; i-- > 0;) {
            if (text[i] == ')')
                ++depth;
            else if (text[i] == '(' && --depth == 0) {
                text = text.substr(0, i);
                break;
            }
        }
    }

    // Cut the return type: the last blank outside template arguments. An operator's own symbols
    // ("operator<", "operator>>") are no brackets, so the scan starts before the operator's name.
    size_t scanEnd = text.size();
    if (size_t op = text.rfind("operator"); op != std::string_view::npos &&
                                            (op == 0 || text[op - 1] == ':' || text[op - 1] == ' ') &&
                                            (op + 8 == text.size() || !IsIdentifierChar(text[op + 8])))
        scanEnd = op;
    int depth = 0;
    for (size_t i = scanEnd; i-- > 0;) {
        char c = text[i];
        if (c == '>')
            ++depth;
        else if (c == '<')
            --depth;
        else if (c == ' ' && depth == 0) {
            text = text.substr(i + 1);
            break;
        }
    }

    // Clang writes a returned pointer or reference against the name: "char16_t *VQ::StringT<…>::Get".
    while (!text.empty() && (text.front() == '*' || text.front() == '&'))
        text.remove_prefix(1);

    return with.empty() ? std::string(text) : Substitute(text, TemplateBindings(with));
}

} // namespace VQ
