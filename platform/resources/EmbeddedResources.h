// The program's own resources: files the build embeds into the executable (vq_embed_resources in
// cmake/EmbedResources.cmake), found by type and name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace VQ::Platform {

struct EmbeddedResource {
    const char* type;
    const char* name;
    const uint8_t* begin;
    const uint8_t* end;
};

// Called by the tables the build generates, before main; the table must outlive the process. The
// first registration of a (type, name) pair wins.
void RegisterEmbeddedResources(const EmbeddedResource* table, size_t count);

// The bytes of the resource; empty when there is none or it is empty. Names and types compare
// exactly.
std::span<const uint8_t> FindEmbeddedResource(std::string_view type, std::string_view name);

} // namespace VQ::Platform
