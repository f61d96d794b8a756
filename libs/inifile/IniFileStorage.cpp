#include "IniFileStorage.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace IniFile {

namespace {

// Closes the descriptor when it goes out of scope, unless taken over.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int Get() const { return m_fd; }
    // The close result: a late write error shows here on some file systems.
    bool Close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

// Non-blocking, so that a path naming a pipe does not hang the caller; such a file is refused later.
int OpenForReading(const std::string& path)
{
    return ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
}

bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

// Fills a new temporary file in the target's folder and, once it is on disk, hands it to publish to
// put in place under its final name; a temporary file not published is removed.
bool WriteThroughTemporary(const std::string& path, mode_t mode, const std::function<bool(int)>& fill,
                           const std::function<bool(const std::string&)>& publish)
{
    const std::filesystem::path target(path);
    std::error_code error;
    const std::filesystem::path folder = target.parent_path();
    if (!folder.empty())
        std::filesystem::create_directories(folder, error);
    if (error)
        return false;

    std::string temporary = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    Descriptor file(::mkostemp(temporary.data(), O_CLOEXEC));
    if (file.Get() < 0)
        return false;
    const bool written = ::fchmod(file.Get(), mode) == 0 && fill(file.Get()) && ::fsync(file.Get()) == 0;
    if (!file.Close() || !written || !publish(temporary)) {
        ::unlink(temporary.c_str());
        return false;
    }
    // The new name itself reaches the disk with the folder.
    Descriptor folderFile(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folderFile.Get() >= 0)
        ::fsync(folderFile.Get());
    return true;
}

FileIdentity IdentityFromStatus(const struct stat& status)
{
    FileIdentity identity;
    identity.exists = true;
    identity.device = status.st_dev;
    identity.inode = status.st_ino;
    identity.size = status.st_size;
    identity.modifiedSeconds = status.st_mtim.tv_sec;
    identity.modifiedNanoseconds = status.st_mtim.tv_nsec;
    return identity;
}

// Errors that stay: retrying the same read gives the same answer.
bool IsLastingReadError(int error)
{
    return error == EACCES || error == EPERM || error == ELOOP || error == EISDIR || error == ENXIO ||
           error == ENODEV;
}

// Bounds the search for a free name beside the file; past it keeping a copy aside fails.
constexpr int MaxAsideCopies = 100;

} // namespace

ReadResult ReadFile(const std::string& path, size_t limit)
{
    ReadResult result;
    Descriptor file(OpenForReading(path));
    if (file.Get() < 0) {
        result.status = errno == ENOENT || errno == ENOTDIR ? ReadStatus::Missing
                        : IsLastingReadError(errno)          ? ReadStatus::Unreadable
                                                             : ReadStatus::Failed;
        return result;
    }
    struct stat status {};
    if (::fstat(file.Get(), &status) != 0) {
        result.status = ReadStatus::Failed;
        return result;
    }
    if (!S_ISREG(status.st_mode)) {
        result.status = ReadStatus::Unreadable;
        return result;
    }
    result.identity = IdentityFromStatus(status);
    char chunk[65536];
    while (result.bytes.size() <= limit) {
        const ssize_t count = ::read(file.Get(), chunk, sizeof chunk);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0) {
            result.bytes.clear();
            result.status = IsLastingReadError(errno) ? ReadStatus::Unreadable : ReadStatus::Failed;
            return result;
        }
        if (count == 0)
            break;
        result.bytes.append(chunk, std::min(static_cast<size_t>(count), limit + 1 - result.bytes.size()));
    }
    result.status = result.bytes.size() > limit ? ReadStatus::TooLarge : ReadStatus::Read;
    return result;
}

bool ReplaceFile(const std::string& path, std::string_view bytes)
{
    // A new file is private to its user; a replaced one keeps what its owner chose.
    mode_t mode = S_IRUSR | S_IWUSR;
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode))
        mode = status.st_mode & 07777;
    return WriteThroughTemporary(
        path, mode, [bytes](int fd) { return WriteAll(fd, bytes); },
        [&path](const std::string& temporary) { return ::rename(temporary.c_str(), path.c_str()) == 0; });
}

FileIdentity IdentityOf(const std::string& path)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0)
        return IdentityFromStatus(status);
    FileIdentity identity;
    identity.unknown = errno != ENOENT && errno != ENOTDIR;
    return identity;
}

FileLock::FileLock(const std::string& path)
    : m_fd(::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, S_IRUSR | S_IWUSR))
{
    if (m_fd < 0)
        return;
    int locked = 0;
    do {
        locked = ::flock(m_fd, LOCK_EX);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

FileLock::~FileLock()
{
    // Closing the last descriptor releases the lock.
    if (m_fd >= 0)
        ::close(m_fd);
}

bool CopyFileAside(const std::string& path, const std::string& suffix)
{
    Descriptor source(OpenForReading(path));
    if (source.Get() < 0)
        return errno == ENOENT || errno == ENOTDIR;
    struct stat status {};
    if (::fstat(source.Get(), &status) != 0 || !S_ISREG(status.st_mode))
        return false;
    const std::string copyPath = path + suffix;
    const auto fill = [&source](int fd) {
        char chunk[65536];
        for (;;) {
            const ssize_t count = ::read(source.Get(), chunk, sizeof chunk);
            if (count < 0 && errno == EINTR)
                continue;
            if (count <= 0)
                return count == 0;
            if (!WriteAll(fd, std::string_view(chunk, static_cast<size_t>(count))))
                return false;
        }
    };
    // A link, unlike a rename, never replaces what is there already.
    const auto publish = [&copyPath](const std::string& temporary) {
        for (int number = 0; number < MaxAsideCopies; ++number) {
            const std::string name = number == 0 ? copyPath : copyPath + "." + std::to_string(number);
            if (::link(temporary.c_str(), name.c_str()) == 0) {
                ::unlink(temporary.c_str());
                return true;
            }
            if (errno != EEXIST)
                return false;
        }
        return false;
    };
    return WriteThroughTemporary(copyPath, status.st_mode & 07777, fill, publish);
}

std::string ResolvePath(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    if (error)
        return std::string();
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(absolute, error);
    return (error ? absolute.lexically_normal() : resolved).string();
}

} // namespace IniFile
