// The entry points of the settings library: handles onto the open files, one lock over all of them,
// and every change saved at once.
#include "IniFileManagerApi.h"

#include "IniDocument.h"
#include "IniFileStorage.h"

#include <charconv>
#include <climits>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#define INIFILE_EXPORT __attribute__((visibility("default")))

namespace IniFile {

namespace {

namespace Api = IniFileManagerApi;

// One file, shared by every handle opened onto its path.
struct OpenFile {
    std::string path;
    IniDocument document;
    int handles = 0;
    // The file is there but could not be read, so it is never written over.
    bool readOnly = false;
    // The file held what the reader refuses; a copy goes aside before it is first written over.
    bool keepAside = false;
    // A save failed since the last change.
    bool unsaved = false;
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

bool Save(OpenFile& file) noexcept
{
    try {
        if (file.keepAside) {
            if (!CopyFile(file.path, file.path + ".corrupt"))
                return false;
            file.keepAside = false;
        }
        if (!ReplaceFile(file.path, file.document.Serialise()))
            return false;
        file.unsaved = false;
        return true;
    } catch (...) {
        return false;
    }
}

int Write(OpenFile& file)
{
    if (file.readOnly)
        return Api::ResultReadOnly;
    if (file.unsaved && !Save(file))
        return Api::ResultSaveFailed;
    return Api::ResultOk;
}

// A change that stores what is already held saves only what a failed save left.
int Commit(OpenFile& file, Outcome outcome)
{
    switch (outcome) {
    case Outcome::Invalid:
    case Outcome::TooLarge:
        return Api::ResultInvalidArgument;
    case Outcome::NotFound:
        return Api::ResultNotFound;
    case Outcome::Unchanged:
        break;
    case Outcome::Changed:
        file.unsaved = true;
        break;
    }
    return Write(file);
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
        const ReadResult read = ReadFile(resolved, IniDocument::MaxFileSize);
        const bool accepted = read.status == ReadStatus::Read && IniDocument::IsAcceptedText(read.bytes);
        if (accepted) {
            file->document = IniDocument::Parse(read.bytes);
        } else if (read.status == ReadStatus::Unreadable) {
            file->readOnly = true;
        } else {
            file->keepAside = read.status != ReadStatus::Missing;
            file->document.AddLeadingComment(std::string(applicationName) + " settings " + version);
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
        if (file.readOnly)
            return Api::ResultReadOnly;
        const auto path = IniDocument::SplitKeyPath(key);
        if (!path)
            return Api::ResultInvalidArgument;
        return Commit(file, file.document.SetValue(path->node, path->key, text));
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
            if (file.readOnly)
                return Api::ResultReadOnly;
            return Commit(file, file.document.SetItemCount(node, count));
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
            if (file.readOnly)
                return Api::ResultReadOnly;
            return Commit(file, file.document.SetItem(node, index, text));
        });
    });
}

INIFILE_EXPORT int RemoveArrayItemAt(int handle, const char* node, int index)
{
    return Guard([&] {
        return WithFile(handle, [&](OpenFile& file) {
            if (!node)
                return Api::ResultInvalidArgument;
            if (file.readOnly)
                return Api::ResultReadOnly;
            return Commit(file, file.document.RemoveItem(node, index));
        });
    });
}

} // extern "C"
