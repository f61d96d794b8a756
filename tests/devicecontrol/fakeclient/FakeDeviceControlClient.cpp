#include "FakeDeviceControlClient.h"

#include <atomic>
#include <cstdint>
#include <type_traits>

namespace {

namespace Api = VQ::DeviceControlClientApi;
using VQ::DeviceInfoRecord;
using VQ::DeviceValuesCallback;
using VQ::Guid;
using VQ::ParamDescriptor;
using VQ::ParamDescriptors;
using VQ::ParamRanges;
using VQ::ParamValues;
using VQ::Variant;

std::atomic<const FakeDeviceControlHandlers*> g_handlers{nullptr};

// The incomplete build stands for a library of another make: it lacks an entry point, and should it
// be used after all, its answers of 0 give that away.
#ifdef FAKE_DEVICE_CONTROL_INCOMPLETE
constexpr int32_t UnhandledResult = 0;
#else
constexpr int32_t UnhandledResult = -1;
#endif

template <auto Member, class... Args> int32_t Forward(Args... arguments)
{
    const FakeDeviceControlHandlers* handlers = g_handlers.load();
    if (!handlers || !(handlers->*Member))
        return UnhandledResult;
    return (handlers->*Member)(arguments...);
}

} // namespace

extern "C" {

void FakeDeviceControl_SetHandlers(const FakeDeviceControlHandlers* handlers)
{
    g_handlers.store(handlers);
}

int32_t UVDI_FindDevices(int32_t first, int32_t second, int32_t third)
{
    return Forward<&FakeDeviceControlHandlers::findDevices>(first, second, third);
}

int32_t UVDI_FindRemoteDevices(const Guid* types, int32_t typeCount, Variant* devices, int32_t refresh)
{
    return Forward<&FakeDeviceControlHandlers::findRemoteDevices>(types, typeCount, devices, refresh);
}

int32_t UVDI_ConnectDevice(const Variant* device, DeviceValuesCallback callback, void* context)
{
    return Forward<&FakeDeviceControlHandlers::connectDevice>(device, callback, context);
}

int32_t UVDI_RequestParamRanges(const Variant* device, const ParamRanges* ranges)
{
    return Forward<&FakeDeviceControlHandlers::requestParamRanges>(device, ranges);
}

int32_t UVDI_RequestParamValues(const Variant* device, const ParamDescriptors* descriptors)
{
    return Forward<&FakeDeviceControlHandlers::requestParamValues>(device, descriptors);
}

int32_t UVDI_GetParamRanges(const Variant* device, int32_t first, int32_t second)
{
    return Forward<&FakeDeviceControlHandlers::getParamRanges>(device, first, second);
}

int32_t UVDI_GetParamValues(const Variant* device, int32_t first, int32_t second)
{
    return Forward<&FakeDeviceControlHandlers::getParamValues>(device, first, second);
}

int32_t UVDI_GetParamValue(const Variant* device, const ParamDescriptor* descriptor, Variant* value)
{
    return Forward<&FakeDeviceControlHandlers::getParamValue>(device, descriptor, value);
}

int32_t UVDI_SetParamValue(const Variant* device, const ParamDescriptor* descriptor, const Variant* value)
{
    return Forward<&FakeDeviceControlHandlers::setParamValue>(device, descriptor, value);
}

int32_t UVDI_SetParamValues(const Variant* device, const ParamValues* values)
{
    return Forward<&FakeDeviceControlHandlers::setParamValues>(device, values);
}

int32_t UVDI_DisconnectDevice(const Variant* device)
{
    return Forward<&FakeDeviceControlHandlers::disconnectDevice>(device);
}

#ifndef FAKE_DEVICE_CONTROL_INCOMPLETE
int32_t UVDI_IsDeviceConnected(int32_t argument)
{
    return Forward<&FakeDeviceControlHandlers::isDeviceConnected>(argument);
}
#endif

int32_t UVDI_GetDeviceInfo(const Variant* device, DeviceInfoRecord* record)
{
    return Forward<&FakeDeviceControlHandlers::getDeviceInfo>(device, record);
}

int32_t UVDI_ReleaseAll()
{
    return Forward<&FakeDeviceControlHandlers::releaseAll>();
}

}

// The exports keep to the contract the program resolves them by.
static_assert(std::is_same_v<decltype(&UVDI_FindDevices), Api::FindDevicesFunction>);
static_assert(std::is_same_v<decltype(&UVDI_FindRemoteDevices), Api::FindRemoteDevicesFunction>);
static_assert(std::is_same_v<decltype(&UVDI_ConnectDevice), Api::ConnectDeviceFunction>);
static_assert(std::is_same_v<decltype(&UVDI_RequestParamRanges), Api::RequestParamRangesFunction>);
static_assert(std::is_same_v<decltype(&UVDI_RequestParamValues), Api::RequestParamValuesFunction>);
static_assert(std::is_same_v<decltype(&UVDI_GetParamRanges), Api::GetParamRangesFunction>);
static_assert(std::is_same_v<decltype(&UVDI_GetParamValues), Api::GetParamValuesFunction>);
static_assert(std::is_same_v<decltype(&UVDI_GetParamValue), Api::GetParamValueFunction>);
static_assert(std::is_same_v<decltype(&UVDI_SetParamValue), Api::SetParamValueFunction>);
static_assert(std::is_same_v<decltype(&UVDI_SetParamValues), Api::SetParamValuesFunction>);
static_assert(std::is_same_v<decltype(&UVDI_DisconnectDevice), Api::DisconnectDeviceFunction>);
#ifndef FAKE_DEVICE_CONTROL_INCOMPLETE
static_assert(std::is_same_v<decltype(&UVDI_IsDeviceConnected), Api::IsDeviceConnectedFunction>);
#endif
static_assert(std::is_same_v<decltype(&UVDI_GetDeviceInfo), Api::GetDeviceInfoFunction>);
static_assert(std::is_same_v<decltype(&UVDI_ReleaseAll), Api::ReleaseAllFunction>);
