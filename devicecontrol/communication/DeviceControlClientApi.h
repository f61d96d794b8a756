// The entry points of the external device-control client library, "libDeviceControlClient.so" beside
// the executable. The library is not part of this program; these types are the contract it is built
// against. Every entry point returns a 32-bit result, negative on failure.
#pragma once

#include <cstdint>

namespace VQ {

class Variant;
struct ParamDescriptor;
class ParamDescriptors;
class ParamRanges;
class ParamValues;

// A device type the library can search for.
struct Guid {
    uint8_t bytes[16];
};

// What the library knows about one device; the program reads the availability flag only.
struct DeviceInfoRecord {
    static constexpr uint32_t Size = 256;
    static constexpr uint32_t AvailableOffset = 252;
    uint8_t bytes[Size];

    bool IsAvailable() const { return bytes[AvailableOffset] != 0; }
};

// Called by the library, on any of its threads, with the values a device reports.
using DeviceValuesCallback = void (*)(void* context, int32_t unused, const ParamValues* reports);

namespace DeviceControlClientApi {

inline constexpr char LibraryFileName[] = "libDeviceControlClient.so";

using FindDevicesFunction = int32_t (*)(int32_t, int32_t, int32_t);
// Device types and their count, the list received (a list value of device ids), refresh 0 or 1.
using FindRemoteDevicesFunction = int32_t (*)(const Guid* types, int32_t typeCount, Variant* devices,
                                              int32_t refresh);
using ConnectDeviceFunction = int32_t (*)(const Variant* device, DeviceValuesCallback callback, void* context);
using RequestParamRangesFunction = int32_t (*)(const Variant* device, const ParamRanges* ranges);
using RequestParamValuesFunction = int32_t (*)(const Variant* device, const ParamDescriptors* descriptors);
using GetParamRangesFunction = int32_t (*)(const Variant* device, int32_t, int32_t);
using GetParamValuesFunction = int32_t (*)(const Variant* device, int32_t, int32_t);
using GetParamValueFunction = int32_t (*)(const Variant* device, const ParamDescriptor* descriptor, Variant* value);
using SetParamValueFunction = int32_t (*)(const Variant* device, const ParamDescriptor* descriptor,
                                          const Variant* value);
using SetParamValuesFunction = int32_t (*)(const Variant* device, const ParamValues* values);
using DisconnectDeviceFunction = int32_t (*)(const Variant* device);
using IsDeviceConnectedFunction = int32_t (*)(int32_t);
using GetDeviceInfoFunction = int32_t (*)(const Variant* device, DeviceInfoRecord* record);
// Ends every callback and frees what the library holds; called once, before unloading.
using ReleaseAllFunction = int32_t (*)();

} // namespace DeviceControlClientApi

} // namespace VQ
