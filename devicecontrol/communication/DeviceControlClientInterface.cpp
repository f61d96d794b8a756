#include "devicecontrol/communication/DeviceControlClientInterface.h"

#include "platform/library/SharedLibrary.h"
#include "vqframework/storage/ParamValue.h"

namespace VQ {

namespace {

template <class F> bool Resolve(void* module, const char* name, F& function)
{
    function = reinterpret_cast<F>(Platform::FindLibrarySymbol(module, name));
    return function != nullptr;
}

std::string DefaultLibraryPath()
{
    const std::string folder = Platform::GetExecutableFolder();
    // Without the folder the bare name would be looked up in the system's search path instead.
    if (folder.empty())
        return std::string();
    return folder + DeviceControlClientApi::LibraryFileName;
}

} // namespace

DeviceControlClientInterface::DeviceControlClientInterface()
{
    Load(DefaultLibraryPath());
}

DeviceControlClientInterface::DeviceControlClientInterface(const std::string& path)
{
    Load(path);
}

DeviceControlClientInterface::~DeviceControlClientInterface()
{
    if (m_releaseAll)
        m_releaseAll();
    Unload();
}

void DeviceControlClientInterface::Load(const std::string& path)
{
    if (path.empty() || path.size() > Platform::GetMaxPathLength())
        return;
    m_module = Platform::LoadSharedLibrary(path);
    if (!m_module)
        return;
    // A library that lacks an entry point is of another make or version: none of it is used.
    const bool complete = Resolve(m_module, "UVDI_FindDevices", m_findDevices) &&
                          Resolve(m_module, "UVDI_FindRemoteDevices", m_findRemoteDevices) &&
                          Resolve(m_module, "UVDI_ConnectDevice", m_connectDevice) &&
                          Resolve(m_module, "UVDI_RequestParamRanges", m_requestParamRanges) &&
                          Resolve(m_module, "UVDI_RequestParamValues", m_requestParamValues) &&
                          Resolve(m_module, "UVDI_GetParamRanges", m_getParamRanges) &&
                          Resolve(m_module, "UVDI_GetParamValues", m_getParamValues) &&
                          Resolve(m_module, "UVDI_GetParamValue", m_getParamValue) &&
                          Resolve(m_module, "UVDI_SetParamValue", m_setParamValue) &&
                          Resolve(m_module, "UVDI_SetParamValues", m_setParamValues) &&
                          Resolve(m_module, "UVDI_DisconnectDevice", m_disconnectDevice) &&
                          Resolve(m_module, "UVDI_IsDeviceConnected", m_isDeviceConnected) &&
                          Resolve(m_module, "UVDI_GetDeviceInfo", m_getDeviceInfo) &&
                          Resolve(m_module, "UVDI_ReleaseAll", m_releaseAll);
    if (!complete)
        Unload();
}

void DeviceControlClientInterface::Unload()
{
    Platform::UnloadSharedLibrary(m_module);
    m_module = nullptr;
    m_findDevices = nullptr;
    m_findRemoteDevices = nullptr;
    m_connectDevice = nullptr;
    m_requestParamRanges = nullptr;
    m_requestParamValues = nullptr;
    m_getParamRanges = nullptr;
    m_getParamValues = nullptr;
    m_getParamValue = nullptr;
    m_setParamValue = nullptr;
    m_setParamValues = nullptr;
    m_disconnectDevice = nullptr;
    m_isDeviceConnected = nullptr;
    m_getDeviceInfo = nullptr;
    m_releaseAll = nullptr;
}

int32_t DeviceControlClientInterface::FindDevices(int32_t first, int32_t second, int32_t third)
{
    return m_findDevices ? m_findDevices(first, second, third) : -1;
}

int32_t DeviceControlClientInterface::FindRemoteDevices(const Guid* types, int32_t typeCount, Variant* devices,
                                                        int32_t refresh)
{
    return m_findRemoteDevices ? m_findRemoteDevices(types, typeCount, devices, refresh) : -1;
}

int32_t DeviceControlClientInterface::ConnectDevice(const Variant* device, DeviceValuesCallback callback,
                                                    void* context)
{
    return m_connectDevice ? m_connectDevice(device, callback, context) : -1;
}

int32_t DeviceControlClientInterface::RequestParamRanges(const Variant* device, const ParamRanges* ranges)
{
    return m_requestParamRanges ? m_requestParamRanges(device, ranges) : -1;
}

int32_t DeviceControlClientInterface::RequestParamValues(const Variant* device, const ParamDescriptors* descriptors)
{
    return m_requestParamValues ? m_requestParamValues(device, descriptors) : -1;
}

int32_t DeviceControlClientInterface::RequestParamValues(const Variant* device, const ParamDescriptor& descriptor)
{
    if (!m_requestParamValues)
        return -1;
    ParamDescriptors descriptors;
    descriptors.Set(&descriptor, 1);
    return m_requestParamValues(device, &descriptors);
}

int32_t DeviceControlClientInterface::GetParamRanges(const Variant* device, int32_t first, int32_t second)
{
    return m_getParamRanges ? m_getParamRanges(device, first, second) : -1;
}

int32_t DeviceControlClientInterface::GetParamValues(const Variant* device, int32_t first, int32_t second)
{
    return m_getParamValues ? m_getParamValues(device, first, second) : -1;
}

int32_t DeviceControlClientInterface::GetParamValue(const Variant* device, const ParamDescriptor* descriptor,
                                                    Variant* value)
{
    return m_getParamValue ? m_getParamValue(device, descriptor, value) : -1;
}

int32_t DeviceControlClientInterface::SetParamValue(const Variant* device, const ParamDescriptor* descriptor,
                                                    const Variant* value)
{
    return m_setParamValue ? m_setParamValue(device, descriptor, value) : -1;
}

int32_t DeviceControlClientInterface::SetParamValues(const Variant* device, const ParamValues* values)
{
    return m_setParamValues ? m_setParamValues(device, values) : -1;
}

bool DeviceControlClientInterface::IsDeviceConnected(int32_t argument)
{
    return m_isDeviceConnected && m_isDeviceConnected(argument) == 0;
}

int32_t DeviceControlClientInterface::DisconnectDevice(const Variant* device)
{
    return m_disconnectDevice ? m_disconnectDevice(device) : -1;
}

int32_t DeviceControlClientInterface::GetDeviceInfo(const Variant* device, DeviceInfoRecord* record)
{
    return m_getDeviceInfo ? m_getDeviceInfo(device, record) : -1;
}

} // namespace VQ
