#include "platform/dialogs/Dialogs.h"

#include "platform/dialogs/ChildProcess.h"
#include "platform/dialogs/DialogArguments.h"
#include "platform/dialogs/DialogBackEnds.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <system_error>

namespace VQ::Platform {

namespace {

bool HasValue(const char* variable)
{
    const char* value = std::getenv(variable);
    return value && *value;
}

// The back ends to try in turn, chosen anew at each call so that tests may switch them: the one
// VQ_DIALOGS names, else the desktop's tools, and SDL for message boxes.
std::vector<std::unique_ptr<DialogBackEnd>> ChooseBackEnds(bool forMessages)
{
    std::vector<std::unique_ptr<DialogBackEnd>> chosen;
    const char* forced = std::getenv("VQ_DIALOGS");
    if (forced && *forced) {
        const std::string_view name = forced;
        if (name == "zenity")
            chosen.push_back(MakeZenityBackEnd());
        else if (name == "kdialog")
            chosen.push_back(MakeKDialogBackEnd());
        else if (name == "sdl")
            chosen.push_back(MakeSdlBackEnd());
        else
            chosen.push_back(MakeScriptBackEnd(std::string(name)));
        return chosen;
    }
    if (HasValue("DISPLAY") || HasValue("WAYLAND_DISPLAY")) {
        if (!FindProgramOnPath("zenity").empty())
            chosen.push_back(MakeZenityBackEnd());
        if (!FindProgramOnPath("kdialog").empty())
            chosen.push_back(MakeKDialogBackEnd());
    }
    if (forMessages)
        chosen.push_back(MakeSdlBackEnd());
    return chosen;
}

bool IsRegularFile(const std::string& path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

bool Exists(const std::string& path)
{
    std::error_code error;
    return std::filesystem::exists(path, error);
}

bool IsFolder(const std::string& path)
{
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string NameOf(const std::string& path)
{
    return path.substr(path.rfind('/') + 1);
}

// Open: every path names an existing file, perhaps once the default extension is added; else the
// first that does not.
std::optional<std::string> TakeExistingFiles(std::vector<std::string>& paths, const std::string& extension)
{
    for (std::string& path : paths) {
        if (IsRegularFile(path))
            continue;
        if (!extension.empty() && IsRegularFile(path + "." + extension)) {
            path += "." + extension;
            continue;
        }
        return path;
    }
    return std::nullopt;
}

} // namespace

int32_t ShowMessageBox(std::string_view caption, std::string_view text, uint32_t style)
{
    for (const std::unique_ptr<DialogBackEnd>& backEnd : ChooseBackEnds(true)) {
        if (backEnd->ShowMessage(caption, text, style))
            return MessageBoxAnswerOk;
    }
    const std::string line = std::string(caption) + ": " + std::string(text) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    return 0;
}

namespace {

// Fills paths only when the result is Chosen.
FileDialogResult RunFileDialogWith(DialogBackEnd& backEnd, const FileDialogRequest& request,
                                   std::vector<std::string>& paths)
{
    FileDialogRequest shown = request;
    shown.folder = AbsoluteFolder(request.folder);
    shown.multiple = request.kind == FileDialogKind::Open && request.multiple;
    for (;;) {
        std::vector<std::string> chosen;
        const FileDialogResult result = backEnd.RunFileDialog(shown, chosen);
        if (result != FileDialogResult::Chosen)
            return result;
        for (std::string& path : chosen)
            path = JoinPath(shown.folder, path);

        if (shown.kind == FileDialogKind::Save) {
            const std::string path = WithDefaultExtension(chosen.front(), request.defaultExtension);
            // The dialog confirmed the name the user gave; the name with the extension is another file.
            if (path != chosen.front() && Exists(path)) {
                const QuestionAnswer answer = backEnd.AskQuestion(
                    shown.title, "A file named \"" + NameOf(path) + "\" already exists.\nDo you want to replace it?");
                if (answer == QuestionAnswer::Failed)
                    return FileDialogResult::Failed;
                if (answer == QuestionAnswer::No) {
                    shown.folder = FolderOf(path);
                    shown.fileName = NameOf(path);
                    continue;
                }
            }
            paths.push_back(path);
            return FileDialogResult::Chosen;
        }

        const std::optional<std::string> missing = TakeExistingFiles(chosen, request.defaultExtension);
        if (!missing) {
            paths = std::move(chosen);
            return FileDialogResult::Chosen;
        }
        ShowMessageBox(shown.title, *missing + "\nFile not found.\nCheck the file name and try again.",
                       MessageBoxIconError);
        // Asked again where the user was looking.
        if (IsFolder(FolderOf(*missing)))
            shown.folder = FolderOf(*missing);
    }
}

} // namespace

FileDialogResult ShowFileDialog(const FileDialogRequest& request, std::vector<std::string>& paths)
{
    paths.clear();
    // A tool that failed (not one the user cancelled) hands the request to the next, as with message boxes.
    for (const std::unique_ptr<DialogBackEnd>& backEnd : ChooseBackEnds(false)) {
        const FileDialogResult result = RunFileDialogWith(*backEnd, request, paths);
        if (result != FileDialogResult::Failed)
            return result;
    }
    return FileDialogResult::Failed;
}

} // namespace VQ::Platform
