#include "platform/resources/EmbeddedResources.h"

#include <map>
#include <mutex>
#include <utility>

namespace VQ::Platform {

namespace {

struct Registry {
    std::mutex lock;
    std::map<std::pair<std::string_view, std::string_view>, std::span<const uint8_t>> entries;
};

// Tables register from static constructors in any order, so the registry is made on first use and
// never destroyed.
Registry& GetRegistry()
{
    static Registry* registry = new Registry;
    return *registry;
}

} // namespace

void RegisterEmbeddedResources(const EmbeddedResource* table, size_t count)
{
    Registry& registry = GetRegistry();
    std::lock_guard guard(registry.lock);
    for (size_t i = 0; i < count; ++i) {
        const EmbeddedResource& resource = table[i];
        registry.entries.try_emplace({resource.type, resource.name},
                                     std::span<const uint8_t>(resource.begin, resource.end));
    }
}

std::span<const uint8_t> FindEmbeddedResource(std::string_view type, std::string_view name)
{
    Registry& registry = GetRegistry();
    std::lock_guard guard(registry.lock);
    const auto found = registry.entries.find({type, name});
    return found == registry.entries.end() ? std::span<const uint8_t>() : found->second;
}

} // namespace VQ::Platform
