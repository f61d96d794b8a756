// The settings file on disk: read when opened and again when another process changed it, and replaced
// as a whole through a temporary file beside it, written, flushed to disk and renamed over it, so that
// a crash or a full disk leaves the old file or the new one, never a mix.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace IniFile {

enum class ReadStatus {
    Read,
    // Nothing there; also when a folder on the way is a file, which a save then reports.
    Missing,
    // Longer than the limit; the bytes read are the first limit + 1.
    TooLarge,
    // There, but refused for good (no permission, a link loop, not a regular file): never to be
    // written over.
    Unreadable,
    // An error that may pass, such as too many open files or an I/O error.
    Failed,
};

// What tells one version of the file from another: a save puts a new file in its place.
struct FileIdentity {
    bool exists = false;
    // Set when the file could not even be looked at; equal to nothing.
    bool unknown = false;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;

    bool operator==(const FileIdentity& other) const
    {
        return !unknown && !other.unknown && exists == other.exists && device == other.device &&
               inode == other.inode && size == other.size && modifiedSeconds == other.modifiedSeconds &&
               modifiedNanoseconds == other.modifiedNanoseconds;
    }
};

struct ReadResult {
    ReadStatus status = ReadStatus::Missing;
    std::string bytes;
    // Of the file the bytes came from.
    FileIdentity identity;
};

ReadResult ReadFile(const std::string& path, size_t limit);

FileIdentity IdentityOf(const std::string& path);

// Holds an exclusive lock on "<path>.lock" while it lives, so that processes sharing the settings
// file read, change and save it one after the other. Without the lock file (it cannot be created)
// there is no lock, and the save goes ahead regardless.
class FileLock {
public:
    explicit FileLock(const std::string& path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    int m_fd = -1;
};

// Creates the missing folders first; an existing file keeps its permissions. On failure the file
// is as it was and no temporary file is left.
bool ReplaceFile(const std::string& path, std::string_view bytes);

// Puts a copy of the file as it is now beside it, at "<path><suffix>", else "<path><suffix>.1", ".2"
// and so on, never replacing a file already there; true also when there is no file.
bool CopyFileAside(const std::string& path, const std::string& suffix);

// The absolute path with symbolic links resolved as far as it exists, so that a linked file is
// written where the link points; empty when not even an absolute path can be made.
std::string ResolvePath(const std::string& path);

} // namespace IniFile
