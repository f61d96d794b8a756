#include "vqframework/storage/VQFile.h"

#include "vqframework/objectbase/Exception.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <string>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace VQ {

namespace {

using PathString = StringT<char16_t, char>;

bool IsSeparator(char16_t c)
{
    return c == u'/' || c == u'\\';
}

// Index of the last '/' or '\', -1 when there is none.
int32_t FindLastSeparator(const PathString& path)
{
    const char16_t* text = path.GetString();
    int32_t last = -1;
    for (int32_t i = 0; text[i] != 0; ++i) {
        if (IsSeparator(text[i]))
            last = i;
    }
    return last;
}

// Repeats a system call that a signal interrupted before it did anything.
template <class Call> auto RetryInterrupted(Call call)
{
    decltype(call()) result;
    do {
        result = call();
    } while (result < 0 && errno == EINTR);
    return result;
}

bool StatPath(const char* path, struct stat& status)
{
    return ::stat(path, &status) == 0;
}

char16_t FoldCase(char16_t c)
{
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

// '*' matches any run of characters, '?' exactly one; backtracks only to the latest '*'.
bool MatchWildcard(const char16_t* pattern, const char16_t* patternEnd, const char16_t* name)
{
    const char16_t* star = nullptr;
    const char16_t* starName = nullptr;
    while (*name != 0) {
        if (pattern != patternEnd && *pattern == u'*') {
            star = pattern++;
            starName = name;
        } else if (pattern != patternEnd && (*pattern == u'?' || FoldCase(*pattern) == FoldCase(*name))) {
            ++pattern;
            ++name;
        } else if (star) {
            pattern = star + 1;
            name = ++starName;
        } else {
            return false;
        }
    }
    while (pattern != patternEnd && *pattern == u'*')
        ++pattern;
    return pattern == patternEnd;
}

// Folder searches treat a trailing ".*" as an optional extension, so "*.*" lists every file.
bool MatchesPattern(const PathString& pattern, const PathString& name)
{
    const char16_t* begin = pattern.GetString();
    const char16_t* end = begin + pattern.GetLength();
    if (MatchWildcard(begin, end, name.GetString()))
        return true;
    return end - begin >= 2 && end[-2] == u'.' && end[-1] == u'*' && MatchWildcard(begin, end - 2, name.GetString());
}

} // namespace

File::File(const PathString& folderOrPath, const PathString& name, uint32_t flags) : m_flags(flags)
{
    (void)Open(folderOrPath, name, flags);
}

File::~File()
{
    File::Close();
}

VQRESULT File::Open(const PathString& folderOrPath, const PathString& name, uint32_t flags)
{
    if (m_descriptor)
        return S_FALSE;

    if (!name.IsEmpty()) {
        m_name = name;
        m_path = folderOrPath + PathString(u"/") + name;
    } else {
        if (folderOrPath.IsEmpty())
            VQ_THROW_DETAIL(std::runtime_error, "invalid pathname");
        m_path = folderOrPath;
    }
    m_flags = flags;

    int openFlags = ((flags & OpenReadWrite) ? O_RDWR : O_RDONLY) | O_CLOEXEC;
    if (flags & OpenCreate) {
        openFlags |= O_CREAT;
        if (flags & OpenExclusive)
            openFlags |= O_EXCL;
    }

    // The holder exists before the descriptor, so a failed allocation cannot leak it.
    RCPtr<LHolder<int>> holder = LHolder<int>::Create(-1);
    auto utf8 = m_path.ToUTF8();
    const int descriptor = RetryInterrupted([&] { return ::open(utf8.GetString(), openFlags, 0666); });
    if (descriptor < 0)
        return E_FAIL;

    // A folder opens read-only here, but it is no file: reading it would only fail later.
    struct stat status;
    if (::fstat(descriptor, &status) != 0 || S_ISDIR(status.st_mode)) {
        ::close(descriptor);
        return E_FAIL;
    }

    holder->GetValue() = descriptor;
    m_descriptor = holder;
    return S_OK;
}

VQRESULT File::Close()
{
    if (!m_descriptor || m_descriptor->GetRefCount() > 1)
        return S_OK;

    ::close(m_descriptor->GetValue());
    if (m_flags & OpenDeleteOnClose)
        (void)::unlink(m_path.ToUTF8().GetString());
    m_descriptor.Release();
    return S_OK;
}

int32_t File::Read(void* buffer, uint32_t count, int32_t offset)
{
    if (!m_descriptor)
        VQ_THROW_DETAIL(std::runtime_error, "file is not open");
    const int descriptor = m_descriptor->GetValue();

    if (offset != -1 && ::lseek(descriptor, offset, SEEK_SET) != offset)
        VQ_THROW_DETAIL(std::runtime_error, "lseek");

    const ssize_t done = RetryInterrupted([&] { return ::read(descriptor, buffer, count); });
    if (done < 0)
        VQ_THROW_DETAIL(std::runtime_error, "read");
    return static_cast<int32_t>(done);
}

int32_t File::Write(const void* buffer, uint32_t count, int32_t offset)
{
    if (!(m_flags & OpenReadWrite))
        VQ_THROW_DETAIL(std::runtime_error, "file is read only");
    if (!m_descriptor)
        VQ_THROW_DETAIL(std::runtime_error, "file is not open");
    const int descriptor = m_descriptor->GetValue();

    if (offset != -1 && ::lseek(descriptor, offset, SEEK_SET) != offset)
        VQ_THROW_DETAIL(std::runtime_error, "lseek");

    const ssize_t done = RetryInterrupted([&] { return ::write(descriptor, buffer, count); });
    if (done < 0)
        VQ_THROW_DETAIL(std::runtime_error, "write");
    return static_cast<int32_t>(done);
}

int32_t File::Seek(int32_t offset, int32_t origin)
{
    if (!m_descriptor)
        return -1;
    int whence;
    switch (origin) {
    case 0:
        whence = SEEK_SET;
        break;
    case 1:
        whence = SEEK_CUR;
        break;
    case 2:
        whence = SEEK_END;
        break;
    default:
        return -1;
    }
    const int descriptor = m_descriptor->GetValue();
    const off_t before = ::lseek(descriptor, 0, SEEK_CUR);
    const off_t position = ::lseek(descriptor, offset, whence);
    // A position past 31 bits has no answer in the result's type: refused, and the old one kept.
    if (position > INT32_MAX) {
        (void)::lseek(descriptor, before, SEEK_SET);
        return -1;
    }
    return position < 0 ? -1 : static_cast<int32_t>(position);
}

int32_t File::GetLength() const
{
    if (!m_descriptor)
        VQ_THROW_DETAIL(std::runtime_error, "file is not open");
    struct stat status;
    if (::fstat(m_descriptor->GetValue(), &status) != 0)
        VQ_THROW_DETAIL(std::runtime_error, "fstat");
    // Cut to 32 bits, a 4 GiB + 5 byte file would read as 5 bytes long.
    if (status.st_size > INT32_MAX)
        VQ_THROW_DETAIL(std::runtime_error, "file too large");
    return static_cast<int32_t>(status.st_size);
}

VQRESULT WriteFileReplacing(const PathString& path, const void* data, uint32_t size)
{
    if (path.IsEmpty() || (!data && size))
        return E_FAIL;
    std::string target = path.ToUTF8().GetString();
    struct stat existing;
    const bool replacing = StatPath(target.c_str(), existing);
    if (replacing) {
        // A link stays a link: the file it leads to is the one replaced. A file the user may not
        // write is not replaced behind its back.
        char* resolved = ::realpath(target.c_str(), nullptr);
        if (!resolved)
            return E_FAIL;
        target = resolved;
        std::free(resolved);
        if (!S_ISREG(existing.st_mode) || ::access(target.c_str(), W_OK) != 0)
            return E_FAIL;
    }
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);

    // O_EXCL with a name of our own rather than mkstemp, so that a new file gets the umask's
    // permissions as any other file the program writes.
    static std::atomic<uint32_t> counter{0};
    std::string temporary;
    int descriptor = -1;
    for (int attempt = 0; attempt < 100 && descriptor < 0; ++attempt) {
        // Hidden, so that one left by a crash does not show among the user's files.
        temporary = folder + "." + name + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        descriptor = RetryInterrupted(
            [&] { return ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666); });
        if (descriptor < 0 && errno != EEXIST)
            return E_FAIL;
    }
    if (descriptor < 0)
        return E_FAIL;

    bool written = !replacing || ::fchmod(descriptor, existing.st_mode & 07777) == 0;
    const auto* bytes = static_cast<const char*>(data);
    for (uint32_t done = 0; written && done < size;) {
        const ssize_t count = RetryInterrupted([&] { return ::write(descriptor, bytes + done, size - done); });
        if (count <= 0)
            written = false;
        else
            done += static_cast<uint32_t>(count);
    }
    // A full disk may only show at the flush or the close.
    written = written && ::fsync(descriptor) == 0;
    written = ::close(descriptor) == 0 && written;
    if (!written || ::rename(temporary.c_str(), target.c_str()) != 0) {
        (void)::unlink(temporary.c_str());
        return E_FAIL;
    }
    // The rename itself reaches the disk with the folder; a folder that cannot be synced still holds
    // the whole new file.
    const int folderDescriptor = RetryInterrupted(
        [&] { return ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); });
    if (folderDescriptor >= 0) {
        (void)::fsync(folderDescriptor);
        (void)::close(folderDescriptor);
    }
    return S_OK;
}

VQRESULT EnsureDirectory(const PathString& path)
{
    struct stat status;
    if (StatPath(path.ToUTF8().GetString(), status))
        return S_ISDIR(status.st_mode) ? S_FALSE : E_FAIL;
    return CreateDirectoryChain(path) ? S_OK : E_FAIL;
}

bool CreateDirectoryChain(const PathString& path)
{
    // Only '/' separates folders here: a '\' is an ordinary character of a name.
    const char16_t* text = path.GetString();
    const int32_t length = path.GetLength();
    for (int32_t i = 1; i < length; ++i) {
        if (text[i] == u'/')
            (void)::mkdir(path.Left(i).ToUTF8().GetString(), 0777);
    }
    auto utf8 = path.ToUTF8();
    (void)::mkdir(utf8.GetString(), 0777);
    return ::access(utf8.GetString(), F_OK) == 0;
}

bool FileExists(const PathString& path)
{
    struct stat status;
    return StatPath(path.ToUTF8().GetString(), status) && !S_ISDIR(status.st_mode);
}

bool DirectoryExists(const PathString& path)
{
    auto utf8 = path.ToUTF8();
    const char* text = utf8.GetString();
    const int32_t length = utf8.GetLength();
    struct stat status;
    if (length > 1 && text[length - 1] == '/') {
        auto trimmed = utf8.Left(length - 1);
        return StatPath(trimmed.GetString(), status) && S_ISDIR(status.st_mode);
    }
    return StatPath(text, status) && S_ISDIR(status.st_mode);
}

int32_t FindFiles(const PathString& folder, const PathString& pattern, IArray<PathString>& out)
{
    out.Clear();
    if (!DirectoryExists(folder))
        return E_NOTIMPL;

    const auto folderUtf8 = folder.ToUTF8();
    DIR* directory = ::opendir(folderUtf8.GetString());
    if (!directory)
        return E_FAIL;

    bool failed = false;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(directory);
        if (!entry) {
            failed = errno != 0;
            break;
        }
        // A name that is no UTF-8 would convert cut short, into the path of another entry.
        PathString name;
        if (Failed(name.AssignFromUTF8(entry->d_name, -1)))
            continue;
        if (!MatchesPattern(pattern, name))
            continue;
        const PathString path = folder + PathString(u"/") + name;
        bool isFolder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            struct stat status;
            isFolder = StatPath(path.ToUTF8().GetString(), status) && S_ISDIR(status.st_mode);
        }
        if (!isFolder && out.Add(path) < 0) {
            failed = true;
            break;
        }
    }
    ::closedir(directory);
    return failed ? E_FAIL : static_cast<int32_t>(out.GetCount());
}

PathString MakeValidFileName(const PathString& text)
{
    PathString result(text);
    result.ReplaceChars(u"\\/:*?\"<>|&;,^()", u'_');
    return result;
}

PathString GetFolderPath(const PathString& path)
{
    const int32_t separator = FindLastSeparator(path);
    return separator < 0 ? path : path.Left(separator);
}

PathString GetFileName(const PathString& path)
{
    const int32_t separator = FindLastSeparator(path);
    const int32_t length = path.GetLength();
    if (separator < 0 || separator == length - 1)
        return path;
    return path.Mid(separator + 1, length - separator - 1);
}

PathString GetLongPath(const PathString& path)
{
    if (path.IsEmpty())
        return path;
    char* resolved = ::realpath(path.ToUTF8().GetString(), nullptr);
    if (!resolved)
        return path;
    PathString result;
    const VQRESULT converted = result.AssignFromUTF8(resolved, -1);
    std::free(resolved);
    return Failed(converted) ? path : result;
}

} // namespace VQ
