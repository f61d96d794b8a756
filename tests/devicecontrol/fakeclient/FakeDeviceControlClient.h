// The handler table behind the stand-in device-control client library the tests load: every entry
// point of the library calls the installed handler of its name. The library links nothing of the
// framework, so the values it is handed pass through it untouched to handlers in the test program.
#pragma once

#include "devicecontrol/communication/DeviceControlClientApi.h"

extern "C" {

struct FakeDeviceControlHandlers {
    VQ::DeviceControlClientApi::FindDevicesFunction findDevices;
    VQ::DeviceControlClientApi::FindRemoteDevicesFunction findRemoteDevices;
    VQ::DeviceControlClientApi::ConnectDeviceFunction connectDevice;
    VQ::DeviceControlClientApi::RequestParamRangesFunction requestParamRanges;
    VQ::DeviceControlClientApi::RequestParamValuesFunction requestParamValues;
    VQ::DeviceControlClientApi::GetParamRangesFunction getParamRanges;
    VQ::DeviceControlClientApi::GetParamValuesFunction getParamValues;
    VQ::DeviceControlClientApi::GetParamValueFunction getParamValue;
    VQ::DeviceControlClientApi::SetParamValueFunction setParamValue;
    VQ::DeviceControlClientApi::SetParamValuesFunction setParamValues;
    VQ::DeviceControlClientApi::DisconnectDeviceFunction disconnectDevice;
    VQ::DeviceControlClientApi::IsDeviceConnectedFunction isDeviceConnected;
    VQ::DeviceControlClientApi::GetDeviceInfoFunction getDeviceInfo;
    VQ::DeviceControlClientApi::ReleaseAllFunction releaseAll;
};

// Null uninstalls; an entry point without a handler answers -1. The table stays the caller's and
// must outlive its installation.
void FakeDeviceControl_SetHandlers(const FakeDeviceControlHandlers* handlers);

}
