// The back ends that show the dialogs: the desktop tools, SDL (message boxes only) and the script
// file tests answer dialogs with. The rules every back end shares live above them, in Dialogs.cpp.
#pragma once

#include "platform/dialogs/Dialogs.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace VQ::Platform {

enum class QuestionAnswer { Yes, No, Failed };

class DialogBackEnd {
public:
    virtual ~DialogBackEnd() = default;
    // True once the user has closed the box; false when none could be shown.
    virtual bool ShowMessage(std::string_view caption, std::string_view text, uint32_t style) = 0;
    // Shows the dialog once; the request's folder is absolute. Chosen paths may still be relative
    // (to that folder), missing, or lack the default extension.
    virtual FileDialogResult RunFileDialog(const FileDialogRequest& request, std::vector<std::string>& paths) = 0;
    virtual QuestionAnswer AskQuestion(std::string_view title, std::string_view text) = 0;
};

// The tool started by this name through the child-process runner.
std::unique_ptr<DialogBackEnd> MakeZenityBackEnd();
std::unique_ptr<DialogBackEnd> MakeKDialogBackEnd();
std::unique_ptr<DialogBackEnd> MakeSdlBackEnd();
// Records each dialog in the file and answers it from the file.
std::unique_ptr<DialogBackEnd> MakeScriptBackEnd(std::string path);

} // namespace VQ::Platform
