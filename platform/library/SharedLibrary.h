// Loading the external client libraries that sit beside the program: one module handle, its symbols,
// and the folder the program runs from.
#pragma once

#include <string>

namespace VQ::Platform {

// The folder of the running executable, with a trailing '/'; empty when it cannot be found.
std::string GetExecutableFolder();

// The longest path the system accepts, terminator excluded.
size_t GetMaxPathLength();

// A loaded library, or null when the file is missing, unreadable, too long a path or not a library.
void* LoadSharedLibrary(const std::string& path);

// The address of an exported symbol; null when the library or the symbol is missing.
void* FindLibrarySymbol(void* library, const char* name);

// Lets go of a library LoadSharedLibrary gave; true when it was let go of, and for null.
bool UnloadSharedLibrary(void* library);

} // namespace VQ::Platform
