#include "platform/dialogs/DialogArguments.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace VQ::Platform {

namespace {

std::string_view Trimmed(std::string_view text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return std::string_view();
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string Joined(const std::vector<std::string>& parts, std::string_view separator)
{
    std::string joined;
    for (const std::string& part : parts) {
        if (!joined.empty())
            joined += separator;
        joined += part;
    }
    return joined;
}

// Where a file dialog opens: the folder itself for an open, the suggested name in it for a save.
std::string StartPath(const FileDialogRequest& request)
{
    return SaveStartPath(request.folder, request.kind == FileDialogKind::Save ? request.fileName : std::string());
}

std::string_view WithoutFinalNewline(std::string_view output)
{
    if (!output.empty() && output.back() == '\n')
        output.remove_suffix(1);
    return output;
}

} // namespace

std::vector<std::string> ConvertFilterPatterns(std::string_view patterns)
{
    std::vector<std::string> converted;
    size_t start = 0;
    for (;;) {
        const size_t end = std::min(patterns.find(';', start), patterns.size());
        const std::string_view pattern = Trimmed(patterns.substr(start, end - start));
        if (!pattern.empty())
            converted.emplace_back(pattern == "*.*" ? std::string_view("*") : pattern);
        if (end == patterns.size())
            return converted;
        start = end + 1;
    }
}

std::string AbsoluteFolder(std::string_view folder)
{
    std::filesystem::path path(folder);
    if (!path.is_absolute()) {
        std::error_code error;
        std::filesystem::path current = std::filesystem::current_path(error);
        // Without a current folder (it was removed) the dialog starts at the root.
        path = (error ? std::filesystem::path("/") : current) / path;
    }
    std::string normal = path.lexically_normal().string();
    while (normal.size() > 1 && normal.back() == '/')
        normal.pop_back();
    return normal;
}

std::string JoinPath(std::string_view folder, std::string_view name)
{
    if (name.empty())
        return std::string(folder);
    if (name.front() == '/' || folder.empty())
        return std::string(name);
    std::string joined(folder);
    if (joined.back() != '/')
        joined += '/';
    joined += name;
    return joined;
}

std::string SaveStartPath(std::string_view folder, std::string_view fileName)
{
    std::string start(folder);
    if (start.empty() || start.back() != '/')
        start += '/';
    start += fileName;
    return start;
}

std::string WithDefaultExtension(std::string_view path, std::string_view extension)
{
    const size_t slash = path.rfind('/');
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    if (!name.empty() && name.front() == '.')
        name.remove_prefix(1);
    if (extension.empty() || name.empty() || name.find('.') != std::string_view::npos)
        return std::string(path);
    return std::string(path) + "." + std::string(extension);
}

std::vector<std::string> ZenityMessageArguments(std::string_view caption, std::string_view text, uint32_t style)
{
    const uint32_t icon = style & MessageBoxIconMask;
    const char* kind = icon == MessageBoxIconError ? "--error" : icon == MessageBoxIconWarning ? "--warning" : "--info";
    // The texts come from data and file names: never read as markup.
    return {"zenity", kind, "--title=" + std::string(caption), "--text=" + std::string(text), "--no-markup"};
}

std::vector<std::string> ZenityQuestionArguments(std::string_view title, std::string_view text)
{
    return {"zenity", "--question", "--title=" + std::string(title), "--text=" + std::string(text), "--no-markup"};
}

std::vector<std::string> ZenityFileDialogArguments(const FileDialogRequest& request)
{
    std::vector<std::string> arguments{"zenity", "--file-selection", "--title=" + request.title,
                                       "--filename=" + StartPath(request)};
    if (request.kind == FileDialogKind::Save) {
        arguments.push_back("--save");
        arguments.push_back("--confirm-overwrite");
    } else if (request.multiple) {
        arguments.push_back("--multiple");
        arguments.push_back("--separator=" + std::string(ZenityPathSeparator));
    }
    for (const FileFilter& filter : request.filters)
        arguments.push_back("--file-filter=" + filter.description + " | " +
                            Joined(ConvertFilterPatterns(filter.patterns), " "));
    return arguments;
}

std::vector<std::string> ZenityChosenPaths(std::string_view output, bool multiple)
{
    output = WithoutFinalNewline(output);
    std::vector<std::string> paths;
    if (output.empty())
        return paths;
    if (!multiple) {
        paths.emplace_back(output);
        return paths;
    }
    // "/a/b" and "/c" come as "/a/b//c": the second '/' starts the next path.
    size_t start = 0;
    for (;;) {
        const size_t meeting = output.find("//", start);
        paths.emplace_back(output.substr(start, meeting == std::string_view::npos ? meeting : meeting - start));
        if (meeting == std::string_view::npos)
            return paths;
        start = meeting + 1;
    }
}

std::vector<std::string> KDialogMessageArguments(std::string_view caption, std::string_view text, uint32_t style)
{
    const uint32_t icon = style & MessageBoxIconMask;
    const char* kind = icon == MessageBoxIconError ? "--error" : icon == MessageBoxIconWarning ? "--sorry" : "--msgbox";
    return {"kdialog", "--title", std::string(caption), kind, std::string(text)};
}

std::vector<std::string> KDialogQuestionArguments(std::string_view title, std::string_view text)
{
    return {"kdialog", "--title", std::string(title), "--warningyesno", std::string(text)};
}

std::vector<std::string> KDialogFileDialogArguments(const FileDialogRequest& request)
{
    std::vector<std::string> arguments{"kdialog", "--title", request.title};
    if (request.kind == FileDialogKind::Save) {
        arguments.push_back("--getsavefilename");
        arguments.push_back(StartPath(request));
    } else {
        if (request.multiple) {
            arguments.push_back("--multiple");
            arguments.push_back("--separate-output");
        }
        arguments.push_back("--getopenfilename");
        arguments.push_back(request.folder);
    }
    std::vector<std::string> filters;
    for (const FileFilter& filter : request.filters)
        filters.push_back(filter.description + " (" + Joined(ConvertFilterPatterns(filter.patterns), " ") + ")");
    if (!filters.empty())
        arguments.push_back(Joined(filters, "\n"));
    return arguments;
}

std::vector<std::string> KDialogChosenPaths(std::string_view output, bool multiple)
{
    output = WithoutFinalNewline(output);
    std::vector<std::string> paths;
    if (output.empty())
        return paths;
    if (!multiple) {
        paths.emplace_back(output);
        return paths;
    }
    size_t start = 0;
    for (;;) {
        const size_t end = std::min(output.find('\n', start), output.size());
        paths.emplace_back(output.substr(start, end - start));
        if (end == output.size())
            return paths;
        start = end + 1;
    }
}

} // namespace VQ::Platform
