// The front end between the parameter model and the external device-control client library: it
// remembers the current device, forwards searches, connections and parameter traffic to the library,
// answers a few special parameters itself, and carries the values the library reports on its own
// threads, through a queue and a gated worker thread, to its receiver.
#pragma once

#include "devicecontrol/communication/DeviceControlClientApi.h"
#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/objectbase/Result.h"
#include "vqframework/storage/IArray.h"
#include "vqframework/storage/ParamValue.h"
#include "vqframework/storage/Variant.h"
#include "vqframework/threads/ThreadWorker.h"

#include <cstdint>
#include <memory>

namespace VQ {

// Where received values go: the root module of the parameter model.
class DeviceCommunicationReceiver {
public:
    // The reports of one delivery, in the order the library gave them.
    virtual void ReceiveParamValues(const ParamValues& values) = 0;
    virtual VQRESULT ReceiveOther(int32_t, int32_t, int32_t) = 0;

protected:
    ~DeviceCommunicationReceiver() = default;
};

class LDeviceCommunicationInterface : public virtual LRefCountedObject {
public:
    // Special parameters answered or refused here.
    static constexpr int32_t ParamDeviceAvailability = -2;
    static constexpr int32_t ParamLoopback = -4;
    static constexpr int32_t ParamDeviceInfo = -8;
    static constexpr int32_t ParamMakerName = -9;
    static constexpr int32_t ParamProductName = -10;
    static constexpr int32_t FirstRefusedParam = -242;
    static constexpr int32_t LastRefusedParam = -240;

    // The gated worker waits from here on; no library is loaded yet.
    static RCPtr<LDeviceCommunicationInterface> Create();

    // Loads the library from the executable's folder: 1 when done before, 0 when done now (a missing
    // library is no failure: every library call then answers -1), E_FAIL when it cannot be set up.
    virtual int32_t Initialize();
    virtual bool IsAvailable();
    // Delivers [value as a 64-bit integer, availability] as parameter -4 to the receiver, on this
    // thread, before returning; false without a receiver.
    virtual bool Loopback(int64_t value);
    virtual void Synchronize();
    virtual void Activate();
    // One empty device, without asking the library.
    virtual int32_t FindDevices(const IArray<Guid>& types, IArray<Variant>& devices);
    // Polls every 250 ms until the list differs from the one given (0) or the timeout passed (1);
    // E_FAIL when the library fails, -1 without a library.
    virtual int32_t FindRemoteDevices(const IArray<Guid>& types, IArray<Variant>& devices, uint32_t timeoutMs);
    virtual int32_t RefreshRemoteDevices(const IArray<Guid>& types, IArray<Variant>& devices);
    virtual int32_t ConnectDevice(const Variant& device);
    virtual int32_t RequestParamRanges(const ParamRanges& ranges);
    virtual int32_t RequestParamValues(const ParamDescriptors& descriptors);
    virtual int32_t RequestParamValue(const ParamDescriptor& descriptor);
    virtual int32_t GetParamRanges(int32_t first, int32_t second);
    virtual int32_t GetParamValues(int32_t first, int32_t second);
    virtual int32_t GetParamValue(const ParamDescriptor& descriptor, Variant& out);
    virtual int32_t SetParamValue(const ParamDescriptor& descriptor, const Variant& value);
    virtual int32_t SetParamValues(const ParamValues& values);
    virtual bool IsDeviceConnected();
    virtual int32_t GetConnectedDevice(Variant& out);
    virtual int32_t DisconnectDevice();
    // The given device, not the current one; no lock is taken.
    virtual int32_t GetDeviceInfo(const Variant& device, DeviceInfoRecord* record);
    virtual int32_t GetDeviceInfoValue(Variant& out);
    virtual int32_t SetDeviceInfoValue(const Variant& value);
    virtual int32_t GetDeviceKind(int32_t* out);

    // Not counted: the receiver outlives the receiving it switches on.
    void SetReceiver(DeviceCommunicationReceiver* receiver);
    // Switching off returns only after a delivery in progress has been applied; later ones are dropped.
    void SetReceiveEnabled(bool enabled);

    // The library's callback; context is the interface.
    static void OnLibraryValues(void* context, int32_t unused, const ParamValues* reports);

    VQRESULT ReleaseCyclicReferences() override;

protected:
    LDeviceCommunicationInterface();
    ~LDeviceCommunicationInterface() override;

private:
    struct DeviceCommunicationState;
    friend class LDeviceCommunicationThreadWorker;

    // A copy taken under the state lock, for a library call made without it.
    Variant CurrentDevice() const;

    const std::unique_ptr<DeviceCommunicationState> m_state;
};

// Applies the reports queued by the library's callback, on the gated thread.
class LDeviceCommunicationThreadWorker : public LThreadWorker {
public:
    static RCPtr<LDeviceCommunicationThreadWorker> Create();
    // The parameters are the device communication interface.
    VQRESULT Run(const RCPtr<LRefCountedObject>& parameters) override;
};

} // namespace VQ
