// The application-wide owner of the controller's parameter model: it builds the device
// communication, the value cache and the module tree, turns every change of a stored value into a
// posted notification, and runs one worker thread that completes pending device connections and
// polls the device library for remote devices.
#pragma once

#include "devicecontrol/communication/DeviceCommunicationInterface.h"
#include "devicecontrol/generatedcode/engine/src/ParamCache.h"
#include "devicecontrol/generatedcode/engine/src/RootModule.h"
#include "vqframework/notification/NotificationClient.h"
#include "vqframework/notification/NotificationHandler.h"
#include "vqframework/objectbase/Mutex.h"
#include "vqframework/storage/Array.h"
#include "vqframework/storage/Holder.h"
#include "vqframework/storage/Pair.h"
#include "vqframework/storage/ParamValue.h"
#include "vqframework/threads/Event.h"
#include "vqframework/threads/RetriggerableThreader.h"
#include "vqframework/threads/ThreadWorker.h"

#include <atomic>
#include <cstdint>

namespace VQ {

// The payload of "NID_PARAM_MODULE_STATE_CHANGE" for one value and of "NID_PARAM_MODULE_CHANGE_REQ".
using ParamChangePair = LPair<ParamDescriptor, Variant, &ParamDescriptorToString>;
// The payload of "NID_PARAM_MODULE_STATE_CHANGE" for more than two values.
using ParamValuesWrapper = LWrapper<ParamValues, LRefCountedObject>;

class LRootModuleEngine : public LNotificationClient, public LThreadWorker {
public:
    // The payload of "NID_DEVICE_CONNECTION_STATE_CHANGE".
    enum DeviceConnectionState : int32_t {
        NoDevice = 0,
        ConnectionPending = 1,
        // Never produced; kept so the values stay those the listeners know.
        Unused = 2,
        Connected = 3,
    };
    using ConnectionStateHolder = LHolder<DeviceConnectionState>;

    static constexpr int32_t ParamCount = 17;

    static RCPtr<LRootModuleEngine> Create();
    // The engine the application holds; empty when there is none.
    static RCPtr<LRootModuleEngine> GetInstance();

    // Builds the model, posts the current values and connects the first device. Throws when it
    // cannot register with the "application" notification centre.
    VQRESULT Initialize(int32_t firstParamId);
    int32_t GetFirstParamID() const;
    // E_FAIL unless connected; otherwise the root module's result.
    int32_t SetParamValue(const ParamDescriptor& descriptor, const Variant& value);
    // Element startIndex + k receives id first + k and its value; a negative start empties out first.
    int32_t GetParamValues(const ParamRange& range, IArray<ParamValue>& out, int32_t startIndex);
    int32_t EnableDevicePolling(bool enable);
    int32_t GetRemoteDevices(IArray<Variant>& out);

    void Receive(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& notification) override;
    VQRESULT Unregister(const RCPtr<LNotificationDistributor>& distributor, const char16_t* id) override;
    // Stops the worker and unregisters everywhere once only the engine's own cycles hold it.
    VQRESULT ReleaseCyclicReferences() override;
    // The worker loop.
    VQRESULT Run(const RCPtr<LRefCountedObject>& parameters) override;

protected:
    LRootModuleEngine();
    ~LRootModuleEngine() override;

private:
    int32_t ConnectDevice(const Variant& device, bool remember);
    int32_t DisconnectDevice();
    void UpdateConnectionState();
    bool IsDeviceAvailable(const Variant& device);
    bool IsWorkerRunning() const;
    int32_t StartWorker();
    bool StopWorker();
    void StopWorkerIfIdle();
    // The pause after a full refresh; ends early when the worker is asked to stop.
    void Pause();
    VQRESULT OnParamChangeRequest(const RCPtr<LNotificationDistributor>& sender,
                                  const RCPtr<LNotification>& notification);
    static void OnValuesChanged(void* engine, const IArray<ParamValue>& values);
    void PostParamChanges(const IArray<ParamValue>& values);
    void PostCurrentValues(const ParamDescriptor* descriptors, uint32_t count);

    RCPtr<LNotificationHandler<LRootModuleEngine>> m_handlers;
    RCPtr<LDeviceCommunicationInterface> m_deviceCommunication;
    RCPtr<LParamCache> m_cache;
    RCPtr<LRootModule> m_root;
    RetriggerableThreader m_worker;
    // Set once a worker loop has been let go of; StopWorker waits on it.
    RCPtr<LEvent> m_workerDone;

    std::atomic<bool> m_initialized{false};
    std::atomic<bool> m_deviceCommunicationFailed{false};
    std::atomic<bool> m_stop{true};
    std::atomic<bool> m_pending{false};
    std::atomic<bool> m_polling{false};
    std::atomic<bool> m_firstDiscoveryDone{false};
    std::atomic<bool> m_connecting{false};
    std::atomic<int32_t> m_firstDiscoveryResult{0};
    std::atomic<DeviceConnectionState> m_state{NoDevice};
    // The worker's thread, so that a stop asked on it does not wait for itself.
    std::atomic<uint64_t> m_workerThreadId{0};

    // Guards the connection state changes, the pending connection, the current device and the
    // remote-device list. Taken before the device communication's locks, never under the store lock.
    mutable Mutex m_lock;
    Array<Variant> m_remoteDevices;
    Variant m_currentDevice;
};

} // namespace VQ
