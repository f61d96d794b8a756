// A scriptable device-control client library for tests: it serves the stand-in library's entry
// points while it lives, answers as the test sets it up, records what it is asked, and sends device
// values through the callback the program registered. Every member may be used from any thread.
#pragma once

#include "devicecontrol/communication/DeviceControlClientApi.h"
#include "vqframework/storage/ParamValue.h"
#include "vqframework/storage/Variant.h"

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace VQ::Testing {

// The library's entry points, for results, counts and recorded arguments.
enum class FakeEntry : int32_t {
    FindDevices,
    FindRemoteDevices,
    ConnectDevice,
    RequestParamRanges,
    RequestParamValues,
    GetParamRanges,
    GetParamValues,
    GetParamValue,
    SetParamValue,
    SetParamValues,
    DisconnectDevice,
    IsDeviceConnected,
    GetDeviceInfo,
    ReleaseAll,
};
inline constexpr size_t FakeEntryCount = 14;

class FakeDeviceLibrary {
public:
    static constexpr std::chrono::milliseconds DefaultWait{10000};

    // Installs itself as the library's handler; only one may be installed at a time
    // (std::logic_error otherwise). It must outlive every user of the library.
    FakeDeviceLibrary();
    FakeDeviceLibrary(const FakeDeviceLibrary&) = delete;
    FakeDeviceLibrary& operator=(const FakeDeviceLibrary&) = delete;
    // Uninstalls: the library's entry points answer -1 again.
    ~FakeDeviceLibrary();

    // The device ids UVDI_FindRemoteDevices lists; none at first.
    void SetRemoteDevices(std::vector<Variant> devices);
    // Byte 252 of the record UVDI_GetDeviceInfo fills; available at first.
    void SetDeviceAvailable(bool available);
    // What UVDI_FindRemoteDevices answers with refresh 1 (1: refresh again); 0 at first.
    void SetRefreshResult(int32_t result);
    // Forces the result of an entry point; a negative one leaves every output untouched (no list,
    // no record, no callback kept). Without it every entry point answers 0.
    void SetResult(FakeEntry entry, int32_t result);
    void ClearResult(FakeEntry entry);
    // The value UVDI_GetParamValue gives out; empty at first.
    void SetParamValueAnswer(const Variant& value);

    int32_t GetCallCount(FakeEntry entry) const;
    // Calls of UVDI_FindRemoteDevices with refresh 0 or 1.
    int32_t GetRemoteDeviceQueryCount(int32_t refresh) const;
    // True once the count has reached count; false when the time ran out first.
    bool WaitForCallCount(FakeEntry entry, int32_t count, std::chrono::milliseconds timeout = DefaultWait) const;
    bool WaitForRemoteDeviceQueryCount(int32_t refresh, int32_t count,
                                       std::chrono::milliseconds timeout = DefaultWait) const;
    // Every call, in the order made.
    std::vector<FakeEntry> GetCalls() const;

    // The device the last call of an entry point that takes one was given; empty before.
    Variant GetLastDevice(FakeEntry entry) const;
    std::vector<Guid> GetLastDeviceTypes() const;
    ParamRanges GetLastRequestedRanges() const;
    ParamDescriptors GetLastRequestedDescriptors() const;
    // The two pass-through arguments of the last UVDI_GetParamRanges or UVDI_GetParamValues.
    std::pair<int32_t, int32_t> GetLastPassThrough(FakeEntry entry) const;
    ParamDescriptor GetLastGetDescriptor() const;
    ParamDescriptor GetLastSetDescriptor() const;
    Variant GetLastSetValue() const;
    ParamValues GetLastSetValues() const;

    // The callback and context of the last accepted UVDI_ConnectDevice, until UVDI_ReleaseAll.
    bool HasCallback() const;
    void* GetCallbackContext() const;
    // Calls the callback with reports on this thread; false without a callback. UVDI_ReleaseAll
    // waits for a call in progress, so no callback runs after it.
    bool EmitValues(const ParamValues& reports);

private:
    struct Handlers;
    friend struct Handlers;

    // Counts the call and returns the forced result, if any; the lock is held.
    std::optional<int32_t> Enter(FakeEntry entry, const Variant* device);

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_called;
    std::array<int32_t, FakeEntryCount> m_counts{};
    std::array<int32_t, 2> m_queryCounts{};
    std::array<std::optional<int32_t>, FakeEntryCount> m_results{};
    std::array<Variant, FakeEntryCount> m_lastDevices;
    std::array<std::pair<int32_t, int32_t>, FakeEntryCount> m_lastPassThrough{};
    std::vector<FakeEntry> m_calls;
    std::vector<Variant> m_remoteDevices;
    std::vector<Guid> m_lastTypes;
    bool m_available = true;
    int32_t m_refreshResult = 0;
    Variant m_answerValue;
    ParamRanges m_lastRanges;
    ParamDescriptors m_lastDescriptors;
    ParamDescriptor m_lastGetDescriptor;
    ParamDescriptor m_lastSetDescriptor;
    Variant m_lastSetValue;
    ParamValues m_lastSetValues;
    DeviceValuesCallback m_callback = nullptr;
    void* m_context = nullptr;
    // Held while the callback runs, and by UVDI_ReleaseAll while it forgets the callback.
    std::mutex m_emitMutex;
};

} // namespace VQ::Testing
