// The loaded device-control client library: its module handle and its entry points, each called
// through an operation that answers -1 when the library is not there.
#pragma once

#include "devicecontrol/communication/DeviceControlClientApi.h"

#include <cstdint>
#include <string>

namespace VQ {

class DeviceControlClientInterface {
public:
    // The library beside the executable.
    DeviceControlClientInterface();
    // A library that is missing, lies at too long a path or lacks any entry point counts as none.
    explicit DeviceControlClientInterface(const std::string& path);
    DeviceControlClientInterface(const DeviceControlClientInterface&) = delete;
    DeviceControlClientInterface& operator=(const DeviceControlClientInterface&) = delete;
    // Ends the library's callbacks (UVDI_ReleaseAll), then unloads it.
    virtual ~DeviceControlClientInterface();

    virtual int32_t FindDevices(int32_t first, int32_t second, int32_t third);
    virtual int32_t FindRemoteDevices(const Guid* types, int32_t typeCount, Variant* devices, int32_t refresh);
    virtual int32_t ConnectDevice(const Variant* device, DeviceValuesCallback callback, void* context);
    virtual int32_t RequestParamRanges(const Variant* device, const ParamRanges* ranges);
    virtual int32_t RequestParamValues(const Variant* device, const ParamDescriptors* descriptors);
    // The descriptor goes to the library as a list of one.
    virtual int32_t RequestParamValues(const Variant* device, const ParamDescriptor& descriptor);
    virtual int32_t GetParamRanges(const Variant* device, int32_t first, int32_t second);
    virtual int32_t GetParamValues(const Variant* device, int32_t first, int32_t second);
    virtual int32_t GetParamValue(const Variant* device, const ParamDescriptor* descriptor, Variant* value);
    virtual int32_t SetParamValue(const Variant* device, const ParamDescriptor* descriptor, const Variant* value);
    virtual int32_t SetParamValues(const Variant* device, const ParamValues* values);
    // True exactly when the library answers 0; false without a library.
    virtual bool IsDeviceConnected(int32_t argument);
    virtual int32_t DisconnectDevice(const Variant* device);
    virtual int32_t GetDeviceInfo(const Variant* device, DeviceInfoRecord* record);

    bool IsLoaded() const { return m_module != nullptr; }

private:
    void Load(const std::string& path);
    void Unload();

    void* m_module = nullptr;
    DeviceControlClientApi::FindDevicesFunction m_findDevices = nullptr;
    DeviceControlClientApi::FindRemoteDevicesFunction m_findRemoteDevices = nullptr;
    DeviceControlClientApi::ConnectDeviceFunction m_connectDevice = nullptr;
    DeviceControlClientApi::RequestParamRangesFunction m_requestParamRanges = nullptr;
    DeviceControlClientApi::RequestParamValuesFunction m_requestParamValues = nullptr;
    DeviceControlClientApi::GetParamRangesFunction m_getParamRanges = nullptr;
    DeviceControlClientApi::GetParamValuesFunction m_getParamValues = nullptr;
    DeviceControlClientApi::GetParamValueFunction m_getParamValue = nullptr;
    DeviceControlClientApi::SetParamValueFunction m_setParamValue = nullptr;
    DeviceControlClientApi::SetParamValuesFunction m_setParamValues = nullptr;
    DeviceControlClientApi::DisconnectDeviceFunction m_disconnectDevice = nullptr;
    DeviceControlClientApi::IsDeviceConnectedFunction m_isDeviceConnected = nullptr;
    DeviceControlClientApi::GetDeviceInfoFunction m_getDeviceInfo = nullptr;
    DeviceControlClientApi::ReleaseAllFunction m_releaseAll = nullptr;
};

} // namespace VQ
