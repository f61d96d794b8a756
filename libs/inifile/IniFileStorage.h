// The settings file on disk: read once when opened, and replaced as a whole through a temporary file
// beside it, written, flushed to disk and renamed over it, so that a crash or a full disk leaves the
// old file or the new one, never a mix.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace IniFile {

enum class ReadStatus {
    Read,
    // Nothing there; also when a folder on the way is a file, which a save then reports.
    Missing,
    // Longer than the limit; the bytes read are the first limit + 1.
    TooLarge,
    // There, but not a regular file that could be read: never to be written over.
    Unreadable,
};

struct ReadResult {
    ReadStatus status = ReadStatus::Missing;
    std::string bytes;
};

ReadResult ReadFile(const std::string& path, size_t limit);

// Creates the missing folders first; an existing file keeps its permissions. On failure the file
// is as it was and no temporary file is left.
bool ReplaceFile(const std::string& path, std::string_view bytes);

// Puts a copy of the file as it is now at copyPath, the same way; true also when there is no file.
bool CopyFile(const std::string& path, const std::string& copyPath);

// The absolute path with symbolic links resolved as far as it exists, so that a linked file is
// written where the link points; empty when not even an absolute path can be made.
std::string ResolvePath(const std::string& path);

} // namespace IniFile
