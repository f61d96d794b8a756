#include "platform/library/SharedLibrary.h"

#include <climits>
#include <dlfcn.h>
#include <unistd.h>

namespace VQ::Platform {

std::string GetExecutableFolder()
{
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof path)
        return std::string();
    std::string folder(path, static_cast<size_t>(length));
    const size_t slash = folder.rfind('/');
    if (slash == std::string::npos)
        return std::string();
    folder.resize(slash + 1);
    return folder;
}

size_t GetMaxPathLength()
{
    return PATH_MAX - 1;
}

void* LoadSharedLibrary(const std::string& path)
{
    if (path.empty() || path.size() > GetMaxPathLength() || path.find('\0') != std::string::npos)
        return nullptr;
    // RTLD_LOCAL: the library's symbols are looked up through its handle only.
    return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* FindLibrarySymbol(void* library, const char* name)
{
    if (!library || !name)
        return nullptr;
    return dlsym(library, name);
}

bool UnloadSharedLibrary(void* library)
{
    return !library || dlclose(library) == 0;
}

} // namespace VQ::Platform
