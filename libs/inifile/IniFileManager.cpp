// The entry points of the settings library: handles onto the open files, one lock over all of them,
// and every change saved at once, merged into what another process saved meanwhile.
#include "IniFileManagerApi.h"

#include "IniDocument.h"
#include "IniFileStorage.h"

#include <charconv>
#include <climits>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#define INIFILE_EXPORT __attribute__((visibility("default")))

namespace IniFile {

namespace {

namespace Api = IniFileManagerApi;

using Change = std::function<Outcome(IniDocument&)>;

// One file, shared by every handle opened onto its path.
struct OpenFile {
    std::string path;
    // The comment a new file starts with.
    std::string header;
    IniDocument document;
    // The file as last read or saved; another one on disk was saved by someone else.
    FileIdentity identity;
    int handles = 0;
    // The file is there but could not be read, so it is never written over.
    bool readOnly = false;
    // The file held what the reader refuses; a copy goes aside before it is first written over.
    bool keepAside = false;
    // The changes since the last save that succeeded, made again on a file read anew.
    std::vector<Change> unsaved;
};

struct Library {
    std::mutex mutex;
    // Both guarded by the mutex.
    std::map<std::string, std::shared_ptr<OpenFile>> files;
    std::map<int, std::shared_ptr<OpenFile>> handles;
    int lastHandle = 0;
};

Library& State()
{
    static Library library;
    return library;
}

OpenFile* Find(Library& library, int handle)
{
    const auto it = library.handles.find(handle);
    return it == library.handles.end() ? nullptr : it->second.get();
}

// No exception crosses into the caller; what throws here is a request memory cannot hold.
template <class Body> int Guard(Body body) noexcept
{
    try {
        return body();
    } catch (...) {
        return Api::ResultInvalidArgument;
    }
}

// Takes what the file on disk holds now, the same way as when it was opened: what the reader refuses
// gives empty settings and is kept aside, a missing file leaves the settings as they are. False when
// the file cannot be read now; it is then not written over either.
bool Load(OpenFile& file, const ReadResult& read)
{
    if (read.status == ReadStatus::Unreadable || read.status == ReadStatus::Failed)
        return false;
    if (read.status == ReadStatus::Read && IniDocument::IsAcceptedText(read.bytes)) {
        file.document = IniDocument::Parse(read.bytes);
        file.keepAside = false;
    } else if (read.status != ReadStatus::Missing) {
        file.document = IniDocument();
        file.document.AddLeadingComment(file.header);
        file.keepAside = true;
    }
    file.identity = read.identity;
    return true;
}

// Reads the file again when someone else saved it since, and makes the unsaved changes again on it.
bool Refresh(OpenFile& file)
{
    if (IdentityOf(file.path) == file.identity)
        return true;
    if (!Load(file, ReadFile(file.path, IniDocument::MaxFileSize)))
        return false;
    for (const Change& change : file.unsaved)
        change(file.document);
    return true;
}

bool Save(OpenFile& file) noexcept
{
    try {
        if (file.keepAside) {
            if (!CopyFileAside(file.path, ".corrupt"))
                return false;
            file.keepAside = false;
        }
        if (!ReplaceFile(file.path, file.document.Serialise()))
            return false;
        file.identity = IdentityOf(file.path);
        file.unsaved.clear();
        return true;
    } catch (...) {
        return false;
    }
}

// Called with the file locked against other processes.
int SaveRefreshed(OpenFile& file)
{
    return Refresh(file) && Save(file) ? Api::ResultOk : Api::ResultSaveFailed;
}

int Write(OpenFile& file)
{
    if (file.unsaved.empty())
        return Api::ResultOk;
    const FileLock lock(file.path);
    return SaveRefreshed(file);
}

// Applies the change to the file as it is on disk now and saves it; a change that stores what is
// already held saves only what a failed save left.
int Commit(OpenFile& file, const Change& change)
{
    if (file.readOnly)
        return Api::ResultReadOnly;
    const FileLock lock(file.path);
    const bool current = Refresh(file);
    switch (change(file.document)) {
    case Outcome::Invalid:
    case Outcome::TooLarge:
        return Api::ResultInvalidArgument;
    case Outcome::NotFound:
        return Api::ResultNotFound;
    case Outcome::Unchanged:
        break;
    case Outcome::Changed:
        file.unsaved.push_back(change);
        break;
    }
    if (file.unsaved.empty())
        return Api::ResultOk;
    return current && Save(file) ? Api::ResultOk : Api::ResultSaveFailed;
}

// Clears the outputs before anything can fail.
struct TextOut {
    TextOut(char* buffer, int bufferSize, int* size) : buffer(buffer), bufferSize(bufferSize), size(size)
    {
        if (size)
            *size = 0;
        if (buffer && bufferSize > 0)
            buffer[0] = 0;
    }

    bool IsValid() const { return size && bufferSize >= 0 && (buffer || bufferSize == 0); }

    int Put(std::string_view text) const
    {
        if (text.size() >= size_t(INT_MAX))
            return Api::ResultInvalidArgument;
        const int needed = static_cast<int>(text.size()) + 1;
        *size = needed;
        if (needed > bufferSize)
            return Api::ResultBufferTooSmall;
        std::memcpy(buffer, text.data(), text.size());
        buffer[text.size()] = 0;
        return Api::ResultOk;
    }

    char* const buffer;
    const int bufferSize;
    int* const size;
};

int Open(const char* path, const char* version, const char* applicationName, int* handle)
{
    if (!path || !version || !applicationName || !handle || !*path || !IniDocument::IsValidValue(version) ||
        !IniDocument::IsValidValue(applicationName))
        return Api::ResultInvalidArgument;
    const std::string resolved = ResolvePath(path);
    if (resolved.empty())
        return Api::ResultInvalidArgument;

    Library& library = State();
    std::lock_guard lock(library.mutex);
    std::shared_ptr<OpenFile> file;
    if (const auto it = library.files.find(resolved); it != library.files.end()) {
        file = it->second;
    } else {
        file = std::make_shared<OpenFile>();
        file->path = resolved;
        file->header = std::string(applicationName) + " settings " + version;
        const ReadResult read = ReadFile(resolved, IniDocument::MaxFileSize);
        // An error that may pass fails the open, so that the caller can try again.
        if (read.status == ReadStatus::Failed)
            return Api::ResultReadFailed;
        if (read.status == ReadStatus::Unreadable) {
            file->readOnly = true;
        } else {
            if (read.status == ReadStatus::Missing)
                file->document.AddLeadingComment(file->header);
            Load(*file, read);
        }
        library.files.emplace(resolved, file);
    }

    int next = library.lastHandle;
    do {
        next = next == INT_MAX ? 1 : next + 1;
    } while (library.handles.count(next) != 0);
    library.handles.emplace(next, file);
    ++file->handles;
    library.lastHandle = next;
    *handle = next;
    return Api::ResultOk;
}

int Close(int handle, int flag)
{
    Library& library = State();
    std::lock_guard lock(library.mutex);
    const auto it = library.handles.find(handle);
    if (it == library.handles.end())
        return Api::ResultUnknownHandle;
    const std::shared_ptr<OpenFile> file = it->second;
    const int result = flag ? Write(*file) : Api::ResultOk;
    library.handles.erase(it);
    if (--file->handles == 0)
        library.files.erase(file->path);
    return result;
}

// Runs a read or change on the file behind the handle, under the lock.
template <class Body> int WithFile(int handle, Body body)
{
    Library& library = State();
    std::lock_guard lock(library.mutex);
    OpenFile* file = Find(library, handle);
    return file ? body(*file) : Api::ResultUnknownHandle;
}

int SetValue(int handle, const char* key, const char* text)
{
    return WithFile(handle, [&](OpenFile& file) {
        if (!key || !text)
            return Api::ResultInvalidArgument;
        const auto path = IniDocument::SplitKeyPath(key);
        if (!path)
            return file.readOnly ? Api::ResultReadOnly : Api::ResultInvalidArgument;
        return Commit(file, [node = std::string(path->node), key = std::string(path->key), value = std::string(text)](IniDocument& document) {
            return document.SetValue(node, key, value);
        });
    });
}

} // namespace

} // namespace IniFile

using namespace IniFile;

extern "C" {

INIFILE_EXPORT int OpenIniFile(const char* path, const char* version, const char* applicationName, int* handle)
{
    if (handle)
        *handle = 0;
    return Guard([&] { return Open(path, version, applicationName, handle); });
}

INIFILE_EXPORT int WriteIniFile(int handle)
{
    return Guard([&] { return WithFile(handle, [](OpenFile& file) { return Write(file); }); });
}

INIFILE_EXPORT int CloseIniFile(int handle, int flag)
{
    return Guard([&] { return Close(handle, flag); });
}

INIFILE_EXPORT bool DoesNodeExist(int handle, const char* node)
{
    bool exists = false;
    Guard([&] {
        return WithFile(handle, [&](OpenFile& file) {
            if (!node)
                return Api::ResultInvalidArgument;
            if (file.document.HasNode(node)) {
                exists = true;
            } else if (const auto path = IniDocument::SplitKeyPath(node)) {
                exists = file.document.FindValue(path->node, path->key) != nullptr;
            }
            return Api::ResultOk;
        });
    });
    return exists;
}

INIFILE_EXPORT int GetIniValueInt(int handle, const char* key, int defaultValue, int* value)
{
    if (value)
        *value = defaultValue;
    return Guard([&] {
        return WithFile(handle, [&](OpenFile& file) {
            const auto path = key ? IniDocument::SplitKeyPath(key) : std::nullopt;
            if (!path || !value)
                return Api::ResultInvalidArgument;
            if (const std::string* text = file.document.FindValue(path->node, path->key)) {
                int parsed = 0;
                const char* end = text->data() + text->size();
                const auto [stop, error] = std::from_chars(text->data(), end, parsed);
                if (error == std::errc() && stop == end)
                    *value = parsed;
            }
            return Api::ResultOk;
        });
    });
}

INIFILE_EXPORT int SetIniValueInt(int handle, const char* key, int value)
{
    return Guard([&] { return SetValue(handle, key, std::to_string(value).c_str()); });
}

INIFILE_EXPORT int GetIniValueStr(int handle, const char* key, const char* defaultText, char* buffer,
                                  int bufferSize, int* size)
{
    const TextOut out(buffer, bufferSize, size);
    return Guard([&] {
        return WithFile(handle, [&](OpenFile& file) {
            const auto path = key ? IniDocument::SplitKeyPath(key) : std::nullopt;
            if (!path || !defaultText || !out.IsValid())
                return Api::ResultInvalidArgument;
            const std::string* text = file.document.FindValue(path->node, path->key);
            return out.Put(text ? std::string_view(*text) : std::string_view(defaultText));
        });
    });
}

INIFILE_EXPORT int SetIniValueStr(int handle, const char* key, const char* text)
{
    return Guard([&] { return SetValue(handle, key, text); });
}

INIFILE_EXPORT int GetKeyCount(int handle, const char* node, int* count)
{
    if (count)
        *count = 0;
    return Guard([&] {
        return WithFile(handle, [&](OpenFile& file) {
            if (!node || !count || !IniDocument::IsValidNode(node))
                return Api::ResultInvalidArgument;
            const auto names = file.document.KeyNames(node);
            if (!names)
                return Api::ResultNotFound;
            *count = static_cast<int>(names->size());
            return Api::ResultOk;
        });
    });
}

INIFILE_EXPORT int GetKeyNameAt(int handle, const char* node, int index, char* buffer, int bufferSize, int* size)
{
    const TextOut out(buffer, bufferSize, size);
    return Guard([&] {
        return WithFile(handle, [&](OpenFile& file) {
            if (!node || index < 0 || !out.IsValid() || !IniDocument::IsValidNode(node))
                return Api::ResultInvalidArgument;
            const auto names = file.document.KeyNames(node);
            if (!names || size_t(index) >= names->size())
                return Api::ResultNotFound;
            return out.Put((*names)[size_t(index)]);
        });
    });
}

INIFILE_EXPORT int GetArrayCount(int handle, const char* node, int* count)
{
    if (count)
        *count = 0;
    return Guard([&] {
        return WithFile(handle, [&](OpenFile& file) {
            if (!node || !count || !IniDocument::IsValidNode(node))
                return Api::ResultInvalidArgument;
            const auto items = file.document.ItemCount(node);
            if (!items)
                return Api::ResultNotFound;
            *count = static_cast<int>(*items);
            return Api::ResultOk;
        });
    });
}

INIFILE_EXPORT int SetArrayCount(int handle, const char* node, int count)
{
    return Guard([&] {
        return WithFile(handle, [&](OpenFile& file) {
            if (!node)
                return Api::ResultInvalidArgument;
            return Commit(file, [node = std::string(node), count](IniDocument& document) {
                return document.SetItemCount(node, count);
            });
        });
    });
}

INIFILE_EXPORT int GetArrayItemAt(int handle, const char* node, int index, char* buffer, int bufferSize, int* size)
{
    const TextOut out(buffer, bufferSize, size);
    return Guard([&] {
        return WithFile(handle, [&](OpenFile& file) {
            if (!node || index < 0 || !out.IsValid() || !IniDocument::IsValidNode(node))
                return Api::ResultInvalidArgument;
            const std::string* item = file.document.Item(node, size_t(index));
            return item ? out.Put(*item) : Api::ResultNotFound;
        });
    });
}

INIFILE_EXPORT int SetArrayItemAt(int handle, const char* node, int index, const char* text)
{
    return Guard([&] {
        return WithFile(handle, [&](OpenFile& file) {
            if (!node || !text)
                return Api::ResultInvalidArgument;
            return Commit(file, [node = std::string(node), index, value = std::string(text)](IniDocument& document) {
                return document.SetItem(node, index, value);
            });
        });
    });
}

INIFILE_EXPORT int RemoveArrayItemAt(int handle, const char* node, int index)
{
    return Guard([&] {
        return WithFile(handle, [&](OpenFile& file) {
            if (!node)
                return Api::ResultInvalidArgument;
            return Commit(file, [node = std::string(node), index](IniDocument& document) {
                return document.RemoveItem(node, index);
            });
        });
    });
}

} // extern "C"
