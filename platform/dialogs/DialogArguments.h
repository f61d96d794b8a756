// The command lines of the desktop dialog tools and the reading of their answers, as pure functions
// of a dialog request, and the path rules every dialog back end shares.
#pragma once

#include "platform/dialogs/Dialogs.h"

#include <string>
#include <string_view>
#include <vector>

namespace VQ::Platform {

// A filter's ';'-separated patterns as the tools take them: each trimmed, empty ones dropped, "*.*"
// (every file, with or without a dot) as "*".
std::vector<std::string> ConvertFilterPatterns(std::string_view patterns);

// The absolute form of a dialog's starting folder: empty or relative against the current folder,
// without "." and ".." steps and without a final '/' (except the root).
std::string AbsoluteFolder(std::string_view folder);

// The name in the folder; a relative name resolves against the folder, an absolute one stands.
std::string JoinPath(std::string_view folder, std::string_view name);

// Where a save dialog starts: the suggested name in the folder, or the folder with a final '/' when
// no name is suggested.
std::string SaveStartPath(std::string_view folder, std::string_view fileName);

// The path with "." and the extension added when its name has none (a leading dot does not count)
// and the extension is not empty.
std::string WithDefaultExtension(std::string_view path, std::string_view extension);

// zenity joins several chosen paths with this: every path it prints is absolute and canonical, so
// each starts with '/' and none holds "//"; "//" is then found exactly where two paths meet, which
// no other separator guarantees (a file name may hold any other character, even a newline).
inline constexpr std::string_view ZenityPathSeparator = "/";

std::vector<std::string> ZenityMessageArguments(std::string_view caption, std::string_view text, uint32_t style);
std::vector<std::string> ZenityQuestionArguments(std::string_view title, std::string_view text);
// The request's folder must be absolute.
std::vector<std::string> ZenityFileDialogArguments(const FileDialogRequest& request);
// The paths in zenity's answer to the request (its final newline removed); empty when it names none.
std::vector<std::string> ZenityChosenPaths(std::string_view output, bool multiple);

std::vector<std::string> KDialogMessageArguments(std::string_view caption, std::string_view text, uint32_t style);
std::vector<std::string> KDialogQuestionArguments(std::string_view title, std::string_view text);
// The request's folder must be absolute.
std::vector<std::string> KDialogFileDialogArguments(const FileDialogRequest& request);
// kdialog prints one path a line; a name holding a newline cannot be told from two.
std::vector<std::string> KDialogChosenPaths(std::string_view output, bool multiple);

} // namespace VQ::Platform
