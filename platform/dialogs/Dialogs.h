// Message boxes and the open and save file dialogs: modal, shown by the desktop's dialog tool (zenity,
// else kdialog; message boxes fall back on SDL) and usable before any window exists. VQ_DIALOGS picks
// a back end by name ("zenity", "kdialog", "sdl"); any other value names a script file that records
// each dialog and answers it, for tests.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace VQ::Platform {

// Message-box styles, the values the system's data and callers use.
inline constexpr uint32_t MessageBoxOk = 0;
inline constexpr uint32_t MessageBoxIconError = 0x10;
inline constexpr uint32_t MessageBoxIconWarning = 0x30;
inline constexpr uint32_t MessageBoxIconInformation = 0x40;
inline constexpr uint32_t MessageBoxIconMask = 0xF0;

// The answer of a message box the user closed.
inline constexpr int32_t MessageBoxAnswerOk = 1;

// Shows the text with an OK button and the style's icon, and waits for the user. MessageBoxAnswerOk,
// or 0 when no box could be shown (the text then goes to standard error).
int32_t ShowMessageBox(std::string_view caption, std::string_view text, uint32_t style);

// One entry of a dialog's file-type list: "RKT4 Program (*.rkt4)" with the patterns "*.rkt4" (several
// separated by ';'; "*.*" means every file).
struct FileFilter {
    std::string description;
    std::string patterns;
};

enum class FileDialogKind { Open, Save };

struct FileDialogRequest {
    FileDialogKind kind = FileDialogKind::Open;
    // Open only: the user may choose several files.
    bool multiple = false;
    std::string title;
    // Where the dialog starts; empty or relative means the current folder.
    std::string folder;
    // Save only: the name suggested in the folder.
    std::string fileName;
    std::vector<FileFilter> filters;
    // Without the dot; added to a chosen name that has no extension. Empty adds nothing.
    std::string defaultExtension;
};

enum class FileDialogResult { Chosen, Cancelled, Failed };

// Runs the dialog and waits for the user. Chosen fills paths with absolute paths (one, or several for
// a multiple selection), each an existing file for Open; a save to an existing file has been
// confirmed by the user. Cancelled and Failed leave paths empty.
FileDialogResult ShowFileDialog(const FileDialogRequest& request, std::vector<std::string>& paths);

} // namespace VQ::Platform
