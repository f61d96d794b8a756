// The program's own resources as the framework names them: a path "::" + name, where the name maps
// to the embedded resource's name ("::CE.png" names CE_PNG).
#pragma once

#include "vqframework/storage/StringT.h"

#include <cstdint>
#include <span>
#include <string>

namespace VQ {

// True when the path names a resource rather than a file.
bool IsResourcePath(const StringT<char16_t, char>& path);

// The rest of a resource path upper-cased, with "." and " " turned into "_"; empty when the path is
// not a resource path.
std::string GetResourceName(const StringT<char16_t, char>& path);

// The bytes of the resource a path names; empty when the path names a file, the type is null, or the
// resource is missing or empty. The bytes live as long as the process.
std::span<const uint8_t> FindProgramResource(const StringT<char16_t, char>& path, const char* type);

} // namespace VQ
