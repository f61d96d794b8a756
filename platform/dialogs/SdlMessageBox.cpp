#include "platform/dialogs/DialogBackEnds.h"

#include <SDL.h>

#include <thread>

namespace VQ::Platform {

namespace {

// Message boxes only: SDL shows them without SDL_Init and without a window of ours.
class SdlBackEnd final : public DialogBackEnd {
public:
    bool ShowMessage(std::string_view caption, std::string_view text, uint32_t style) override
    {
        const uint32_t icon = style & MessageBoxIconMask;
        const Uint32 flags = icon == MessageBoxIconError     ? SDL_MESSAGEBOX_ERROR
                             : icon == MessageBoxIconWarning ? SDL_MESSAGEBOX_WARNING
                                                             : SDL_MESSAGEBOX_INFORMATION;
        const std::string title(caption);
        const std::string message(text);
        const SDL_MessageBoxButtonData button{
            SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, MessageBoxAnswerOk, "OK"};
        const SDL_MessageBoxData box{flags, nullptr, title.c_str(), message.c_str(), 1, &button, nullptr};
        // SDL reports success when a helper it starts cannot reach the display either; only the
        // button coming back shows that a box was there. A box closed by the window manager gives
        // none and counts as not shown: its text then goes to standard error as well, not lost.
        bool shown = false;
        // On a thread of its own: SDL keeps its error text in data of the calling thread, freed only
        // for threads it made, and freeing it on the caller's thread would drop all the SDL data that
        // thread holds (its GL context among them).
        std::thread showing([&box, &shown] {
            int pressed = -1;
            shown = SDL_ShowMessageBox(&box, &pressed) == 0 && pressed == MessageBoxAnswerOk;
            SDL_TLSCleanup();
        });
        showing.join();
        return shown;
    }

    FileDialogResult RunFileDialog(const FileDialogRequest&, std::vector<std::string>&) override
    {
        return FileDialogResult::Failed;
    }

    QuestionAnswer AskQuestion(std::string_view, std::string_view) override { return QuestionAnswer::Failed; }
};

} // namespace

std::unique_ptr<DialogBackEnd> MakeSdlBackEnd()
{
    return std::make_unique<SdlBackEnd>();
}

} // namespace VQ::Platform
