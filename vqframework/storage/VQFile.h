// A file opened by path on a low-level descriptor, read and written at explicit offsets, and the
// path helpers that build, test, list and split '/' paths.
#pragma once

#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/Result.h"
#include "vqframework/storage/Holder.h"
#include "vqframework/storage/IArray.h"
#include "vqframework/storage/StringT.h"

#include <cstdint>

namespace VQ {

class File {
public:
    // Flags of File::Open.
    enum : uint32_t {
        // Passed by readers; a file without OpenReadWrite is read-only anyway.
        OpenRead = 0x10000,
        OpenReadWrite = 0x20000,
        // Only together with OpenCreate: fail when the file exists.
        OpenExclusive = 0x40000,
        OpenCreate = 0x80000,
        OpenDeleteOnClose = 0x100000,
    };

    // Opens at once; a failed opening leaves the file closed (see IsOpen).
    File(const StringT<char16_t, char>& folderOrPath, const StringT<char16_t, char>& name, uint32_t flags);
    // A copy would share the descriptor and its position with no owner of either.
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    virtual ~File();

    // 1 when already open, 0 when opened, E_FAIL when the file cannot be opened. With a name, the
    // path is folderOrPath '/' name; both empty throws.
    virtual VQRESULT Open(const StringT<char16_t, char>& folderOrPath, const StringT<char16_t, char>& name,
                          uint32_t flags);
    // Always 0. Does nothing while another File shares the descriptor.
    virtual VQRESULT Close();
    // offset -1 reads at the current position, any other offset from the start of the file.
    virtual int32_t Read(void* buffer, uint32_t count, int32_t offset);
    virtual int32_t Write(const void* buffer, uint32_t count, int32_t offset);
    // origin 0 from the start, 1 from the current position, 2 from the end; -1 on failure (a position
    // past 2^31 - 1 included), never throws.
    virtual int32_t Seek(int32_t offset, int32_t origin);

    // Throws a runtime error for a file of 2^31 bytes or more.
    int32_t GetLength() const;

    bool IsOpen() const { return !m_descriptor.IsEmpty(); }
    const StringT<char16_t, char>& GetName() const { return m_name; }
    const StringT<char16_t, char>& GetPath() const { return m_path; }

private:
    ConstRCPtr<LHolder<int>> m_descriptor;
    StringT<char16_t, char> m_name;
    StringT<char16_t, char> m_path;
    uint32_t m_flags = 0;
};

// Writes the bytes to a new file beside the path and renames it over the path once they are on disk,
// so that a failure leaves an existing file as it was. 0, or E_FAIL with the new file removed. A
// replaced file keeps its permissions; a link is followed, and a file that may not be written, or
// that is no regular file, is refused.
VQRESULT WriteFileReplacing(const StringT<char16_t, char>& path, const void* data, uint32_t size);
// 1 when the folder exists, 0 when it was created with its missing parents, E_FAIL when a file has
// that name or the folder cannot be created.
VQRESULT EnsureDirectory(const StringT<char16_t, char>& path);
// Creates every folder along the path; true when the whole path exists afterwards.
bool CreateDirectoryChain(const StringT<char16_t, char>& path);
// True for an existing entry that is not a folder.
bool FileExists(const StringT<char16_t, char>& path);
bool DirectoryExists(const StringT<char16_t, char>& path);
// Lists folder '/' name for each file (not folder) whose name matches the pattern ('*' and '?',
// ASCII case-insensitive, "x.*" also matching "x"), in the order the system lists them; a name that
// is no UTF-8 is skipped, as no path of these functions can name it. Returns the
// count, E_NOTIMPL for a missing folder, E_FAIL when the listing fails (out keeps what was found).
int32_t FindFiles(const StringT<char16_t, char>& folder, const StringT<char16_t, char>& pattern,
                  IArray<StringT<char16_t, char>>& out);
// Replaces each character that is not allowed in a file name, and a few that upset shells, by '_'.
StringT<char16_t, char> MakeValidFileName(const StringT<char16_t, char>& text);
// The text before the last '/' or '\'; the whole path when it has neither.
StringT<char16_t, char> GetFolderPath(const StringT<char16_t, char>& path);
// The text after the last '/' or '\'; the whole path when it has neither or ends with one.
StringT<char16_t, char> GetFileName(const StringT<char16_t, char>& path);
// The canonical absolute form of an existing path; any other path, or one whose canonical form is
// no UTF-8, unchanged.
StringT<char16_t, char> GetLongPath(const StringT<char16_t, char>& path);

} // namespace VQ
