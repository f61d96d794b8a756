#include "vqframework/application/ApplicationServices.h"

#include "platform/time/Clock.h"

#include <atomic>

namespace VQ {

namespace {
std::atomic<IApplicationServices*> g_services{nullptr};
} // namespace

IApplicationServices* GetApplicationServices()
{
    return g_services.load(std::memory_order_acquire);
}

void SetApplicationServices(IApplicationServices* services)
{
    g_services.store(services, std::memory_order_release);
}

uint32_t GetApplicationTimeMs()
{
    IApplicationServices* services = GetApplicationServices();
    return services ? services->GetTimeMs() : Platform::GetMonotonicMs();
}

} // namespace VQ
