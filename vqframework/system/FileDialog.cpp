#include "vqframework/system/FileDialog.h"

#include "platform/dialogs/Dialogs.h"
#include "vqframework/application/ApplicationServices.h"
#include "vqframework/storage/StringFormat.h"

#include <string>
#include <vector>

namespace VQ {

namespace {

using String = LFileDialog::String;

std::string ToUTF8(const String& text)
{
    std::string out;
    text.ToUTF8(out);
    return out;
}

// "description|patterns|…": each description with the patterns after it; a description without
// patterns offers nothing to choose.
std::vector<Platform::FileFilter> ParseFilter(const String& filter)
{
    const std::string text = ToUTF8(filter);
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t bar = text.find('|', start);
        parts.push_back(text.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
        if (bar == std::string::npos)
            break;
        start = bar + 1;
    }
    std::vector<Platform::FileFilter> filters;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        if (!parts[i + 1].empty())
            filters.push_back({parts[i], parts[i + 1]});
    }
    return filters;
}

Platform::FileDialogRequest MakeRequest(Platform::FileDialogKind kind, const String& filter,
                                        const String& defaultExtension, const String& title,
                                        const String& folder)
{
    Platform::FileDialogRequest request;
    request.kind = kind;
    request.title = ToUTF8(title);
    request.folder = ToUTF8(folder);
    request.filters = ParseFilter(filter);
    request.defaultExtension = ToUTF8(defaultExtension);
    return request;
}

// The text after the path's last '/': the desktop's paths are absolute, and a backslash is part of a
// name.
String FileNameOf(const String& path)
{
    const int32_t slash = path.ReverseFind('/');
    return slash < 0 ? path : path.Mid(slash + 1);
}

// The folder a path lies in; the root is its own folder.
String FolderOf(const String& path)
{
    const int32_t slash = path.ReverseFind('/');
    if (slash < 0)
        return String();
    return slash == 0 ? String(u"/") : path.Left(slash);
}

// The paths as UTF-16; false when a name is no UTF-8 text, which no text of this program can hold
// without changing the path.
bool ConvertPaths(const std::vector<std::string>& paths, LFileDialog::StringArray& out)
{
    for (const std::string& path : paths) {
        String converted;
        if (converted.AssignFromUTF8(path.data(), int32_t(path.size())) != S_OK)
            return false;
        out.Add(converted);
    }
    return true;
}

void ShowErrorBox(const String& caption, const String& text)
{
    if (IApplicationServices* application = GetApplicationServices())
        application->ShowMessageBox(caption, text, Platform::MessageBoxIconError);
    else
        Platform::ShowMessageBox(ToUTF8(caption), ToUTF8(text), Platform::MessageBoxIconError);
}

} // namespace

RCPtr<LFileDialog> LFileDialog::Create(const String& initialFolder)
{
    return RCPtr<LFileDialog>(new LFileDialog(initialFolder));
}

VQRESULT LFileDialog::ShowOpenDialog(const String& filter, const String& defaultExtension, const String& title,
                                     bool multipleSelection)
{
    Platform::FileDialogRequest request =
        MakeRequest(Platform::FileDialogKind::Open, filter, defaultExtension, title, m_folder);
    request.multiple = multipleSelection;
    StringArray files;
    if (!Choose(request, title, files))
        return E_FAIL;
    TakeChoice(files.GetAt(0));
    m_files = std::move(files);
    return S_OK;
}

VQRESULT LFileDialog::ShowSaveDialog(const String& filter, const String& defaultExtension, const String& title,
                                     int32_t longestFileName)
{
    if (longestFileName == 0)
        return E_INVALIDARG;
    Platform::FileDialogRequest request =
        MakeRequest(Platform::FileDialogKind::Save, filter, defaultExtension, title, m_folder);
    request.fileName = "Untitled";
    StringArray files;
    if (!Choose(request, title, files))
        return E_FAIL;

    const String path = files.GetAt(0);
    if (longestFileName > 0 && FileNameOf(path).GetLength() > longestFileName) {
        ShowErrorBox(u"File Save Error",
                     String::Format(u"The file length is larger than the maximum limit of %d characters ",
                                    longestFileName));
        return E_FAIL;
    }
    TakeChoice(path);
    return S_OK;
}

bool LFileDialog::Choose(const Platform::FileDialogRequest& request, const String& title, StringArray& files)
{
    std::vector<std::string> paths;
    if (Platform::ShowFileDialog(request, paths) != Platform::FileDialogResult::Chosen || paths.empty())
        return false;
    if (!ConvertPaths(paths, files)) {
        ShowErrorBox(title, u"The name of the chosen file is not UTF-8 text, which this program cannot use.");
        return false;
    }
    return true;
}

void LFileDialog::TakeChoice(const String& path)
{
    m_file = path;
    m_folder = FolderOf(path);
}

} // namespace VQ
