#include "vqframework/system/IniFileManagerProxy.h"

#include "platform/library/SharedLibrary.h"

#include <cstring>
#include <type_traits>
#include <utility>
#include <vector>

using VQ::E_FAIL;
using VQ::S_FALSE;
using VQ::S_OK;
using VQ::VQRESULT;
using String = VQ::IIniFileManager::String;

// The out values go to the library as they are.
static_assert(std::is_same_v<int32_t, int>);

namespace {

template <class F> bool Resolve(const CIniFileManagerProxy::Loader& loader, void* library, const char* name,
                                F& function)
{
    function = reinterpret_cast<F>(loader.find(library, name));
    return function != nullptr;
}

std::string ToUTF8(const String& text)
{
    std::string out;
    text.ToUTF8(out);
    return out;
}

// The text before the buffer's first zero, or the whole buffer when the library left none; an
// ill-formed text leaves the out text as it was.
VQRESULT TakeText(const char* buffer, int32_t size, String& text)
{
    const void* nul = std::memchr(buffer, 0, size_t(size));
    const int32_t length = nul ? int32_t(static_cast<const char*>(nul) - buffer) : size;
    String converted;
    if (converted.AssignFromUTF8(buffer, length) != S_OK)
        return E_FAIL;
    text = std::move(converted);
    return S_OK;
}

// read(buffer, bufferSize, &size) is one of the library's text reads with its other arguments bound.
template <class Read> VQRESULT ReadText(Read read, String& text)
{
    char first[CIniFileManagerProxy::FirstReadSize];
    first[0] = 0;
    int size = 0;
    const int result = read(first, CIniFileManagerProxy::FirstReadSize, &size);
    if (result == IniFileManagerApi::ResultOk)
        return TakeText(first, CIniFileManagerProxy::FirstReadSize, text);
    if (result != IniFileManagerApi::ResultBufferTooSmall)
        return result;
    // A size the first buffer would have held, or one beyond reason, is no answer to allocate by.
    if (size <= CIniFileManagerProxy::FirstReadSize || size > CIniFileManagerProxy::MaxReadSize)
        return E_FAIL;
    std::vector<char> second(static_cast<size_t>(size));
    int secondSize = 0;
    const int retried = read(second.data(), size, &secondSize);
    // The value may have changed in between: whatever a failed retry left in the buffer is not it.
    if (retried != IniFileManagerApi::ResultOk)
        return retried;
    return TakeText(second.data(), size, text);
}

} // namespace

CIniFileManagerProxy::CIniFileManagerProxy()
    : CIniFileManagerProxy(
          Loader{&VQ::Platform::LoadSharedLibrary, &VQ::Platform::FindLibrarySymbol, &VQ::Platform::UnloadSharedLibrary})
{
}

CIniFileManagerProxy::CIniFileManagerProxy(const Loader& loader) : m_loader(loader) {}

CIniFileManagerProxy::~CIniFileManagerProxy()
{
    if (m_library)
        m_loader.unload(m_library);
}

VQRESULT CIniFileManagerProxy::Load(const String& folder)
{
    if (m_library)
        return S_FALSE;
    if (folder.IsEmpty()) {
        // The program's own folder first, then wherever the system looks for libraries.
        const std::string executableFolder = VQ::Platform::GetExecutableFolder();
        if (!executableFolder.empty())
            m_library = m_loader.load(executableFolder + IniFileManagerApi::LibraryFileName);
        if (!m_library)
            m_library = m_loader.load(IniFileManagerApi::LibraryFileName);
    } else {
        std::string path = ToUTF8(folder);
        if (!path.empty() && path.back() != '/')
            path += '/';
        path += IniFileManagerApi::LibraryFileName;
        m_library = m_loader.load(path);
    }
    if (!m_library)
        return E_FAIL;
    if (ResolveEntryPoints())
        return S_OK;
    // A library lacking an entry point is of another make or version: none of it is kept, so the
    // store reads as not loaded and a later Load tries again.
    m_loader.unload(m_library);
    Forget();
    return E_FAIL;
}

bool CIniFileManagerProxy::ResolveEntryPoints()
{
    return Resolve(m_loader, m_library, "OpenIniFile", m_openIniFile) &&
           Resolve(m_loader, m_library, "WriteIniFile", m_writeIniFile) &&
           Resolve(m_loader, m_library, "CloseIniFile", m_closeIniFile) &&
           Resolve(m_loader, m_library, "DoesNodeExist", m_doesNodeExist) &&
           Resolve(m_loader, m_library, "GetIniValueInt", m_getIniValueInt) &&
           Resolve(m_loader, m_library, "SetIniValueInt", m_setIniValueInt) &&
           Resolve(m_loader, m_library, "GetIniValueStr", m_getIniValueStr) &&
           Resolve(m_loader, m_library, "SetIniValueStr", m_setIniValueStr) &&
           Resolve(m_loader, m_library, "GetKeyCount", m_getKeyCount) &&
           Resolve(m_loader, m_library, "GetKeyNameAt", m_getKeyNameAt) &&
           Resolve(m_loader, m_library, "GetArrayCount", m_getArrayCount) &&
           Resolve(m_loader, m_library, "SetArrayCount", m_setArrayCount) &&
           Resolve(m_loader, m_library, "GetArrayItemAt", m_getArrayItemAt) &&
           Resolve(m_loader, m_library, "SetArrayItemAt", m_setArrayItemAt) &&
           Resolve(m_loader, m_library, "RemoveArrayItemAt", m_removeArrayItemAt);
}

VQRESULT CIniFileManagerProxy::Unload()
{
    if (!m_library)
        return S_FALSE;
    const bool released = m_loader.unload(m_library);
    Forget();
    return released ? S_OK : E_FAIL;
}

void CIniFileManagerProxy::Forget()
{
    m_library = nullptr;
    m_openIniFile = nullptr;
    m_writeIniFile = nullptr;
    m_closeIniFile = nullptr;
    m_doesNodeExist = nullptr;
    m_getIniValueInt = nullptr;
    m_setIniValueInt = nullptr;
    m_getIniValueStr = nullptr;
    m_setIniValueStr = nullptr;
    m_getKeyCount = nullptr;
    m_getKeyNameAt = nullptr;
    m_getArrayCount = nullptr;
    m_setArrayCount = nullptr;
    m_getArrayItemAt = nullptr;
    m_setArrayItemAt = nullptr;
    m_removeArrayItemAt = nullptr;
}

VQRESULT CIniFileManagerProxy::OpenIniFile(const String& path, const String& version, const String& name,
                                           int32_t& handle)
{
    const std::string path8 = ToUTF8(path);
    const std::string version8 = ToUTF8(version);
    const std::string name8 = ToUTF8(name);
    handle = 0;
    if (!m_openIniFile)
        return E_FAIL;
    return m_openIniFile(path8.c_str(), version8.c_str(), name8.c_str(), &handle);
}

VQRESULT CIniFileManagerProxy::WriteIniFile(int32_t handle)
{
    return m_writeIniFile ? m_writeIniFile(handle) : E_FAIL;
}

bool CIniFileManagerProxy::DoesNodeExist(int32_t handle, const String& node)
{
    return m_doesNodeExist && m_doesNodeExist(handle, ToUTF8(node).c_str());
}

VQRESULT CIniFileManagerProxy::CloseIniFile(int32_t handle, int32_t flag)
{
    return m_closeIniFile ? m_closeIniFile(handle, flag) : E_FAIL;
}

VQRESULT CIniFileManagerProxy::GetIniValueInt(int32_t handle, const String& key, int32_t defaultValue,
                                              int32_t& value)
{
    const std::string key8 = ToUTF8(key);
    value = defaultValue;
    if (!m_getIniValueInt)
        return E_FAIL;
    return m_getIniValueInt(handle, key8.c_str(), defaultValue, &value);
}

VQRESULT CIniFileManagerProxy::SetIniValueInt(int32_t handle, const String& key, int32_t value)
{
    return m_setIniValueInt ? m_setIniValueInt(handle, ToUTF8(key).c_str(), value) : E_FAIL;
}

VQRESULT CIniFileManagerProxy::GetIniValueStr(int32_t handle, const String& key, const String& defaultText,
                                              String& text)
{
    const std::string key8 = ToUTF8(key);
    const std::string default8 = ToUTF8(defaultText);
    text = defaultText;
    if (!m_getIniValueStr)
        return E_FAIL;
    return ReadText(
        [&](char* buffer, int size, int* needed) {
            return m_getIniValueStr(handle, key8.c_str(), default8.c_str(), buffer, size, needed);
        },
        text);
}

VQRESULT CIniFileManagerProxy::SetIniValueStr(int32_t handle, const String& key, const String& text)
{
    if (!m_setIniValueStr)
        return E_FAIL;
    return m_setIniValueStr(handle, ToUTF8(key).c_str(), ToUTF8(text).c_str());
}

VQRESULT CIniFileManagerProxy::GetKeyCount(int32_t handle, const String& node, int32_t& count)
{
    const std::string node8 = ToUTF8(node);
    count = 0;
    if (!m_getKeyCount)
        return E_FAIL;
    return m_getKeyCount(handle, node8.c_str(), &count);
}

VQRESULT CIniFileManagerProxy::GetKeyNameAt(int32_t handle, const String& node, int32_t index, String& name)
{
    const std::string node8 = ToUTF8(node);
    name.Clear();
    if (!m_getKeyNameAt)
        return E_FAIL;
    return ReadText(
        [&](char* buffer, int size, int* needed) {
            return m_getKeyNameAt(handle, node8.c_str(), index, buffer, size, needed);
        },
        name);
}

VQRESULT CIniFileManagerProxy::GetArrayCount(int32_t handle, const String& node, int32_t& count)
{
    const std::string node8 = ToUTF8(node);
    count = 0;
    if (!m_getArrayCount)
        return E_FAIL;
    return m_getArrayCount(handle, node8.c_str(), &count);
}

VQRESULT CIniFileManagerProxy::SetArrayCount(int32_t handle, const String& node, int32_t count)
{
    return m_setArrayCount ? m_setArrayCount(handle, ToUTF8(node).c_str(), count) : E_FAIL;
}

VQRESULT CIniFileManagerProxy::GetArrayItemAt(int32_t handle, const String& node, int32_t index, String& item)
{
    const std::string node8 = ToUTF8(node);
    item.Clear();
    if (!m_getArrayItemAt)
        return E_FAIL;
    return ReadText(
        [&](char* buffer, int size, int* needed) {
            return m_getArrayItemAt(handle, node8.c_str(), index, buffer, size, needed);
        },
        item);
}

VQRESULT CIniFileManagerProxy::SetArrayItemAt(int32_t handle, const String& node, int32_t index, const String& item)
{
    if (!m_setArrayItemAt)
        return E_FAIL;
    return m_setArrayItemAt(handle, ToUTF8(node).c_str(), index, ToUTF8(item).c_str());
}

VQRESULT CIniFileManagerProxy::RemoveArrayItemAt(int32_t handle, const String& node, int32_t index)
{
    return m_removeArrayItemAt ? m_removeArrayItemAt(handle, ToUTF8(node).c_str(), index) : E_FAIL;
}
