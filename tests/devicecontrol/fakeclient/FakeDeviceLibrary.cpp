#include "FakeDeviceLibrary.h"

#include "FakeDeviceControlClient.h"

#include <atomic>
#include <cstring>
#include <stdexcept>

namespace VQ::Testing {

namespace {

std::atomic<FakeDeviceLibrary*> g_installed{nullptr};

size_t Index(FakeEntry entry) { return static_cast<size_t>(entry); }

} // namespace

// The handler table's functions: each finds the installed library and serves the call under its lock.
struct FakeDeviceLibrary::Handlers {
    static FakeDeviceLibrary* Installed() { return g_installed.load(); }

    static int32_t FindDevices(int32_t, int32_t, int32_t)
    {
        FakeDeviceLibrary* self = Installed();
        if (!self)
            return -1;
        std::lock_guard lock(self->m_mutex);
        return self->Enter(FakeEntry::FindDevices, nullptr).value_or(0);
    }

    static int32_t FindRemoteDevices(const Guid* types, int32_t typeCount, Variant* devices, int32_t refresh)
    {
        FakeDeviceLibrary* self = Installed();
        if (!self)
            return -1;
        std::lock_guard lock(self->m_mutex);
        const std::optional<int32_t> forced = self->Enter(FakeEntry::FindRemoteDevices, nullptr);
        if (refresh == 0 || refresh == 1)
            ++self->m_queryCounts[static_cast<size_t>(refresh)];
        self->m_lastTypes.assign(types, types + (types && typeCount > 0 ? typeCount : 0));
        const int32_t result = forced.value_or(refresh == 1 ? self->m_refreshResult : 0);
        if (result >= 0 && devices)
            devices->SetList(self->m_remoteDevices.data(), static_cast<uint32_t>(self->m_remoteDevices.size()));
        return result;
    }

    static int32_t ConnectDevice(const Variant* device, DeviceValuesCallback callback, void* context)
    {
        FakeDeviceLibrary* self = Installed();
        if (!self)
            return -1;
        std::lock_guard lock(self->m_mutex);
        const int32_t result = self->Enter(FakeEntry::ConnectDevice, device).value_or(0);
        if (result >= 0) {
            self->m_callback = callback;
            self->m_context = context;
        }
        return result;
    }

    static int32_t RequestParamRanges(const Variant* device, const ParamRanges* ranges)
    {
        FakeDeviceLibrary* self = Installed();
        if (!self)
            return -1;
        std::lock_guard lock(self->m_mutex);
        const int32_t result = self->Enter(FakeEntry::RequestParamRanges, device).value_or(0);
        self->m_lastRanges = ranges ? *ranges : ParamRanges();
        return result;
    }

    static int32_t RequestParamValues(const Variant* device, const ParamDescriptors* descriptors)
    {
        FakeDeviceLibrary* self = Installed();
        if (!self)
            return -1;
        std::lock_guard lock(self->m_mutex);
        const int32_t result = self->Enter(FakeEntry::RequestParamValues, device).value_or(0);
        self->m_lastDescriptors = descriptors ? *descriptors : ParamDescriptors();
        return result;
    }

    static int32_t GetParamRanges(const Variant* device, int32_t first, int32_t second)
    {
        return PassThrough(FakeEntry::GetParamRanges, device, first, second);
    }

    static int32_t GetParamValues(const Variant* device, int32_t first, int32_t second)
    {
        return PassThrough(FakeEntry::GetParamValues, device, first, second);
    }

    static int32_t PassThrough(FakeEntry entry, const Variant* device, int32_t first, int32_t second)
    {
        FakeDeviceLibrary* self = Installed();
        if (!self)
            return -1;
        std::lock_guard lock(self->m_mutex);
        const int32_t result = self->Enter(entry, device).value_or(0);
        self->m_lastPassThrough[Index(entry)] = {first, second};
        return result;
    }

    static int32_t GetParamValue(const Variant* device, const ParamDescriptor* descriptor, Variant* value)
    {
        FakeDeviceLibrary* self = Installed();
        if (!self)
            return -1;
        std::lock_guard lock(self->m_mutex);
        const int32_t result = self->Enter(FakeEntry::GetParamValue, device).value_or(0);
        self->m_lastGetDescriptor = descriptor ? *descriptor : ParamDescriptor();
        if (result >= 0 && value)
            *value = self->m_answerValue;
        return result;
    }

    static int32_t SetParamValue(const Variant* device, const ParamDescriptor* descriptor, const Variant* value)
    {
        FakeDeviceLibrary* self = Installed();
        if (!self)
            return -1;
        std::lock_guard lock(self->m_mutex);
        const int32_t result = self->Enter(FakeEntry::SetParamValue, device).value_or(0);
        self->m_lastSetDescriptor = descriptor ? *descriptor : ParamDescriptor();
        self->m_lastSetValue = value ? *value : Variant();
        return result;
    }

    static int32_t SetParamValues(const Variant* device, const ParamValues* values)
    {
        FakeDeviceLibrary* self = Installed();
        if (!self)
            return -1;
        std::lock_guard lock(self->m_mutex);
        const int32_t result = self->Enter(FakeEntry::SetParamValues, device).value_or(0);
        self->m_lastSetValues = values ? *values : ParamValues();
        return result;
    }

    static int32_t DisconnectDevice(const Variant* device)
    {
        FakeDeviceLibrary* self = Installed();
        if (!self)
            return -1;
        std::lock_guard lock(self->m_mutex);
        return self->Enter(FakeEntry::DisconnectDevice, device).value_or(0);
    }

    static int32_t IsDeviceConnected(int32_t)
    {
        FakeDeviceLibrary* self = Installed();
        if (!self)
            return -1;
        std::lock_guard lock(self->m_mutex);
        return self->Enter(FakeEntry::IsDeviceConnected, nullptr).value_or(0);
    }

    static int32_t GetDeviceInfo(const Variant* device, DeviceInfoRecord* record)
    {
        FakeDeviceLibrary* self = Installed();
        if (!self)
            return -1;
        std::lock_guard lock(self->m_mutex);
        const int32_t result = self->Enter(FakeEntry::GetDeviceInfo, device).value_or(0);
        if (result >= 0 && record) {
            std::memset(record->bytes, 0, sizeof record->bytes);
            record->bytes[DeviceInfoRecord::AvailableOffset] = self->m_available ? 1 : 0;
        }
        return result;
    }

    static int32_t ReleaseAll()
    {
        FakeDeviceLibrary* self = Installed();
        if (!self)
            return -1;
        // Waits for a callback in progress; none starts after.
        std::lock_guard emitLock(self->m_emitMutex);
        std::lock_guard lock(self->m_mutex);
        const int32_t result = self->Enter(FakeEntry::ReleaseAll, nullptr).value_or(0);
        self->m_callback = nullptr;
        self->m_context = nullptr;
        return result;
    }

    static constexpr FakeDeviceControlHandlers Table{
        &FindDevices,    &FindRemoteDevices, &ConnectDevice,  &RequestParamRanges, &RequestParamValues,
        &GetParamRanges, &GetParamValues,    &GetParamValue,  &SetParamValue,      &SetParamValues,
        &DisconnectDevice, &IsDeviceConnected, &GetDeviceInfo, &ReleaseAll,
    };
};

FakeDeviceLibrary::FakeDeviceLibrary()
{
    FakeDeviceLibrary* none = nullptr;
    if (!g_installed.compare_exchange_strong(none, this))
        throw std::logic_error("another fake device library is installed");
    FakeDeviceControl_SetHandlers(&Handlers::Table);
}

FakeDeviceLibrary::~FakeDeviceLibrary()
{
    FakeDeviceControl_SetHandlers(nullptr);
    g_installed.store(nullptr);
}

std::optional<int32_t> FakeDeviceLibrary::Enter(FakeEntry entry, const Variant* device)
{
    ++m_counts[Index(entry)];
    m_calls.push_back(entry);
    if (device)
        m_lastDevices[Index(entry)] = *device;
    m_called.notify_all();
    return m_results[Index(entry)];
}

void FakeDeviceLibrary::SetRemoteDevices(std::vector<Variant> devices)
{
    std::lock_guard lock(m_mutex);
    m_remoteDevices = std::move(devices);
}

void FakeDeviceLibrary::SetDeviceAvailable(bool available)
{
    std::lock_guard lock(m_mutex);
    m_available = available;
}

void FakeDeviceLibrary::SetRefreshResult(int32_t result)
{
    std::lock_guard lock(m_mutex);
    m_refreshResult = result;
}

void FakeDeviceLibrary::SetResult(FakeEntry entry, int32_t result)
{
    std::lock_guard lock(m_mutex);
    m_results[Index(entry)] = result;
}

void FakeDeviceLibrary::ClearResult(FakeEntry entry)
{
    std::lock_guard lock(m_mutex);
    m_results[Index(entry)].reset();
}

void FakeDeviceLibrary::SetParamValueAnswer(const Variant& value)
{
    std::lock_guard lock(m_mutex);
    m_answerValue = value;
}

int32_t FakeDeviceLibrary::GetCallCount(FakeEntry entry) const
{
    std::lock_guard lock(m_mutex);
    return m_counts[Index(entry)];
}

int32_t FakeDeviceLibrary::GetRemoteDeviceQueryCount(int32_t refresh) const
{
    std::lock_guard lock(m_mutex);
    return refresh == 0 || refresh == 1 ? m_queryCounts[static_cast<size_t>(refresh)] : 0;
}

bool FakeDeviceLibrary::WaitForCallCount(FakeEntry entry, int32_t count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(m_mutex);
    return m_called.wait_for(lock, timeout, [&] { return m_counts[Index(entry)] >= count; });
}

bool FakeDeviceLibrary::WaitForRemoteDeviceQueryCount(int32_t refresh, int32_t count,
                                                      std::chrono::milliseconds timeout) const
{
    if (refresh != 0 && refresh != 1)
        return false;
    std::unique_lock lock(m_mutex);
    return m_called.wait_for(lock, timeout,
                             [&] { return m_queryCounts[static_cast<size_t>(refresh)] >= count; });
}

std::vector<FakeEntry> FakeDeviceLibrary::GetCalls() const
{
    std::lock_guard lock(m_mutex);
    return m_calls;
}

Variant FakeDeviceLibrary::GetLastDevice(FakeEntry entry) const
{
    std::lock_guard lock(m_mutex);
    return m_lastDevices[Index(entry)];
}

std::vector<Guid> FakeDeviceLibrary::GetLastDeviceTypes() const
{
    std::lock_guard lock(m_mutex);
    return m_lastTypes;
}

ParamRanges FakeDeviceLibrary::GetLastRequestedRanges() const
{
    std::lock_guard lock(m_mutex);
    return m_lastRanges;
}

ParamDescriptors FakeDeviceLibrary::GetLastRequestedDescriptors() const
{
    std::lock_guard lock(m_mutex);
    return m_lastDescriptors;
}

std::pair<int32_t, int32_t> FakeDeviceLibrary::GetLastPassThrough(FakeEntry entry) const
{
    std::lock_guard lock(m_mutex);
    return m_lastPassThrough[Index(entry)];
}

ParamDescriptor FakeDeviceLibrary::GetLastGetDescriptor() const
{
    std::lock_guard lock(m_mutex);
    return m_lastGetDescriptor;
}

ParamDescriptor FakeDeviceLibrary::GetLastSetDescriptor() const
{
    std::lock_guard lock(m_mutex);
    return m_lastSetDescriptor;
}

Variant FakeDeviceLibrary::GetLastSetValue() const
{
    std::lock_guard lock(m_mutex);
    return m_lastSetValue;
}

ParamValues FakeDeviceLibrary::GetLastSetValues() const
{
    std::lock_guard lock(m_mutex);
    return m_lastSetValues;
}

bool FakeDeviceLibrary::HasCallback() const
{
    std::lock_guard lock(m_mutex);
    return m_callback != nullptr;
}

void* FakeDeviceLibrary::GetCallbackContext() const
{
    std::lock_guard lock(m_mutex);
    return m_context;
}

bool FakeDeviceLibrary::EmitValues(const ParamValues& reports)
{
    std::lock_guard emitLock(m_emitMutex);
    DeviceValuesCallback callback;
    void* context;
    {
        std::lock_guard lock(m_mutex);
        callback = m_callback;
        context = m_context;
    }
    if (!callback)
        return false;
    // Outside the state lock: the program may call the library from within.
    callback(context, 0, &reports);
    return true;
}

} // namespace VQ::Testing
