#include "devicecontrol/generatedcode/engine/src/RootModuleEngine.h"

#include "devicecontrol/communication/DeviceControlClock.h"
#include "platform/threads/ThreadScheduling.h"
#include "vqframework/application/ApplicationServices.h"
#include "vqframework/objectbase/Exception.h"

#include <chrono>

namespace VQ {

namespace {

constexpr char16_t ParamStateChangeID[] = u"NID_PARAM_MODULE_STATE_CHANGE";
constexpr char16_t ConnectionStateChangeID[] = u"NID_DEVICE_CONNECTION_STATE_CHANGE";
constexpr char16_t RemoteDeviceListChangeID[] = u"NID_REMOTE_DEVICE_LIST_CHANGE";
constexpr char16_t ParamChangeRequestID[] = u"NID_PARAM_MODULE_CHANGE_REQ";

// Waiting searches before one full refresh of the remote devices.
constexpr uint32_t SearchesPerRefresh = 8;
constexpr uint32_t SearchTimeoutMs = 1500;
constexpr uint32_t PauseMs = 1500;
// The pause is taken in slices so that a stop does not wait for all of it.
constexpr uint32_t PauseSliceMs = 50;
constexpr uint32_t StopWaitMs = 10000;
constexpr int32_t NormalPriority = 0;

RCPtr<LNotificationCenter> GetApplicationCenter()
{
    IApplicationServices* services = GetApplicationServices();
    return services ? services->GetNotificationCenter() : RCPtr<LNotificationCenter>();
}

void PostToApplication(const char16_t* name, const RCPtr<LRefCountedObject>& payload)
{
    if (RCPtr<LNotificationCenter> center = GetApplicationCenter())
        center->Post(name, payload);
}

} // namespace

RCPtr<LRootModuleEngine> LRootModuleEngine::Create()
{
    return RCPtr<LRootModuleEngine>(new LRootModuleEngine());
}

RCPtr<LRootModuleEngine> LRootModuleEngine::GetInstance()
{
    IApplicationServices* services = GetApplicationServices();
    if (!services)
        return RCPtr<LRootModuleEngine>();
    return RCPtrDynamicCast<LRootModuleEngine>(services->GetRootModuleEngine());
}

LRootModuleEngine::LRootModuleEngine()
    : m_worker(StringT<char16_t, char>(u"LRootModuleEngine")), m_workerDone(LEvent::Create())
{
}

LRootModuleEngine::~LRootModuleEngine()
{
    // Values the library still reports must not reach a model that is going.
    if (m_root)
        m_root->Shutdown();
    m_worker.Stop(DefaultStopTimeout);
}

VQRESULT LRootModuleEngine::Initialize(int32_t firstParamId)
{
    if (m_initialized)
        return S_FALSE;
    m_handlers = LNotificationHandler<LRootModuleEngine>::Create(this);
    if (!m_handlers)
        return E_FAIL;
    VQ_CHECK_RESULT(m_handlers->RegisterHandler(&LRootModuleEngine::OnParamChangeRequest, GetApplicationCenter(),
                                                ParamChangeRequestID, 0));

    m_deviceCommunication = LDeviceCommunicationInterface::Create();
    m_cache = LParamCache::Create(ParamCount);

    Array<Variant> devices;
    if (m_deviceCommunication->Initialize() >= 0) {
        const Array<Guid> anyType;
        m_deviceCommunication->FindDevices(anyType, devices);
    } else {
        m_deviceCommunicationFailed = true;
    }

    m_root = LRootModule::Create(m_deviceCommunicationFailed);
    m_root->Initialize(&LRootModuleEngine::OnValuesChanged, this, m_cache, m_deviceCommunication, firstParamId);
    m_initialized = true;

    ParamDescriptor descriptors[ParamCount];
    for (int32_t i = 0; i < ParamCount; ++i)
        descriptors[i].id = static_cast<int32_t>(static_cast<uint32_t>(firstParamId) + static_cast<uint32_t>(i));
    PostCurrentValues(descriptors, ParamCount);

    if (!m_deviceCommunicationFailed && devices.GetCount() > 0)
        ConnectDevice(devices.GetAt(0), false);
    return S_OK;
}

int32_t LRootModuleEngine::GetFirstParamID() const
{
    return m_root ? m_root->GetFirstParamID() : 0;
}

int32_t LRootModuleEngine::SetParamValue(const ParamDescriptor& descriptor, const Variant& value)
{
    if (m_state.load() != Connected || !m_root)
        return E_FAIL;
    const int32_t result = m_root->SetParamValue(descriptor, value);
    // Outside the store lock: the engine lock is never taken under it.
    if (result < 0)
        UpdateConnectionState();
    return result;
}

int32_t LRootModuleEngine::GetParamValues(const ParamRange& range, IArray<ParamValue>& out, int32_t startIndex)
{
    if (range.count < 0)
        return E_INVALIDARG;
    if (startIndex < 0) {
        out.SetCount(0);
        startIndex = 0;
    }
    const uint64_t needed = static_cast<uint64_t>(startIndex) + static_cast<uint64_t>(range.count);
    if (needed > static_cast<uint64_t>(INT32_MAX))
        return E_INVALIDARG;
    if (out.GetCount() < needed && out.SetCount(static_cast<uint32_t>(needed)) < 0)
        return E_OUTOFMEMORY;
    for (int32_t k = 0; k < range.count; ++k) {
        ParamValue& element = out.GetAt(static_cast<uint32_t>(startIndex + k));
        // Ids wrap as the 32-bit ids of the model do.
        element.id = static_cast<int32_t>(static_cast<uint32_t>(range.first) + static_cast<uint32_t>(k));
        element.key.Clear();
        element.value.Clear();
        if (m_root)
            m_root->GetParamValue(ParamDescriptor(element.id), element.value);
    }
    return S_OK;
}

int32_t LRootModuleEngine::EnableDevicePolling(bool enable)
{
    if (!m_initialized)
        return E_FAIL;
    if (enable == m_polling.load())
        return S_OK;
    m_polling = enable;
    if (!enable) {
        StopWorkerIfIdle();
        return S_OK;
    }
    if (!m_firstDiscoveryDone) {
        const Array<Guid> anyType;
        Array<Variant> found;
        m_firstDiscoveryResult = m_deviceCommunication->FindRemoteDevices(anyType, found, 0);
        m_firstDiscoveryDone = true;
    }
    const int32_t result = m_firstDiscoveryResult.load();
    if (result < 0)
        m_polling = false;
    else
        StartWorker();
    return result;
}

int32_t LRootModuleEngine::GetRemoteDevices(IArray<Variant>& out)
{
    if (!m_initialized)
        return E_FAIL;
    if (m_polling) {
        MutexLock lock(m_lock);
        out.Assign(m_remoteDevices);
        return S_OK;
    }
    {
        MutexLock lock(m_lock);
        m_remoteDevices.SetCount(0);
    }
    const Array<Guid> anyType;
    Array<Variant> found;
    const int32_t result = m_deviceCommunication->FindRemoteDevices(anyType, found, 0);
    if (result < 0)
        return result;
    MutexLock lock(m_lock);
    m_remoteDevices = found;
    out.Assign(m_remoteDevices);
    return S_OK;
}

void LRootModuleEngine::Receive(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& notification)
{
    if (m_handlers)
        m_handlers->Dispatch(sender, notification);
}

VQRESULT LRootModuleEngine::Unregister(const RCPtr<LNotificationDistributor>& distributor, const char16_t* id)
{
    if (m_handlers && distributor && id)
        m_handlers->RemoveHandler(distributor, id);
    return LNotificationClient::Unregister(distributor, id);
}

VQRESULT LRootModuleEngine::ReleaseCyclicReferences()
{
    // Only the last outside reference going may stop the worker.
    if (GetRefCount() != GetCyclicCount() + 1)
        return E_FAIL;
    StopWorker();
    return LNotificationClient::ReleaseCyclicReferences();
}

VQRESULT LRootModuleEngine::OnParamChangeRequest(const RCPtr<LNotificationDistributor>&,
                                                 const RCPtr<LNotification>& notification)
{
    const RCPtr<ParamChangePair> request = RCPtrDynamicCast<ParamChangePair>(notification->GetPayload());
    if (request && m_state.load() == Connected && m_root) {
        if (m_root->SetParamValue(request->key, request->value) < 0)
            UpdateConnectionState();
    }
    return S_FALSE;
}

void LRootModuleEngine::OnValuesChanged(void* engine, const IArray<ParamValue>& values)
{
    static_cast<LRootModuleEngine*>(engine)->PostParamChanges(values);
}

void LRootModuleEngine::PostParamChanges(const IArray<ParamValue>& values)
{
    const uint32_t count = values.GetCount();
    if (count > 2) {
        RCPtr<ParamValuesWrapper> list = ParamValuesWrapper::Create();
        list->Set(values.GetData(), count);
        PostToApplication(ParamStateChangeID, list);
        return;
    }
    for (uint32_t i = 0; i < count; ++i) {
        const ParamValue& changed = values.GetAt(i);
        PostToApplication(ParamStateChangeID, ParamChangePair::Create(changed, changed.value));
    }
}

void LRootModuleEngine::PostCurrentValues(const ParamDescriptor* descriptors, uint32_t count)
{
    Array<ParamValue> values;
    values.SetCount(count);
    for (uint32_t i = 0; i < count; ++i) {
        ParamValue& element = values.GetAt(i);
        element.id = descriptors[i].id;
        element.key = descriptors[i].key;
        m_root->GetParamValue(descriptors[i], element.value);
    }
    PostParamChanges(values);
}

bool LRootModuleEngine::IsDeviceAvailable(const Variant& device)
{
    if (device.GetType() == Variant::TypeEmpty)
        return false;
    DeviceInfoRecord record{};
    return m_deviceCommunication->GetDeviceInfo(device, &record) >= 0 && record.IsAvailable();
}

void LRootModuleEngine::UpdateConnectionState()
{
    MutexLock lock(m_lock);
    const DeviceConnectionState state = m_deviceCommunication->IsDeviceConnected() ? Connected
                                        : m_pending.load()                       ? ConnectionPending
                                                                                 : NoDevice;
    if (state == m_state.load())
        return;
    m_state = state;
    PostToApplication(ConnectionStateChangeID, ConnectionStateHolder::Create(state));
}

int32_t LRootModuleEngine::ConnectDevice(const Variant& device, bool remember)
{
    m_connecting = true;
    DisconnectDevice();
    int32_t result;
    bool startWorker = false;
    {
        MutexLock lock(m_lock);
        result = m_root->ConnectDevice(device);
        if (result >= 0) {
            m_currentDevice = device;
            startWorker = IsDeviceAvailable(device);
        } else if (remember) {
            if (IsDeviceAvailable(device)) {
                m_pending = true;
                m_currentDevice = device;
                startWorker = true;
            }
        } else {
            m_currentDevice.Clear();
        }
    }
    // Outside the lock: a start may first have to wait for a stopping loop, which takes the lock.
    if (startWorker)
        StartWorker();
    m_connecting = false;
    UpdateConnectionState();
    StopWorkerIfIdle();
    return result;
}

int32_t LRootModuleEngine::DisconnectDevice()
{
    int32_t result;
    {
        MutexLock lock(m_lock);
        m_pending = false;
        m_currentDevice.Clear();
        result = m_deviceCommunication->DisconnectDevice();
    }
    if (!m_connecting) {
        UpdateConnectionState();
        StopWorkerIfIdle();
    }
    return result;
}

bool LRootModuleEngine::IsWorkerRunning() const
{
    return m_worker.IsBusy() && !m_worker.HasExited();
}

int32_t LRootModuleEngine::StartWorker()
{
    if (IsWorkerRunning()) {
        if (!m_stop)
            return S_FALSE;
        StopWorker();
        if (IsWorkerRunning())
            return E_FAIL;
    }
    m_stop = false;
    // The loop's hold is counted as one of the engine's own cycles from the trigger on, not from
    // the loop's start, so that a release in between still finds it one. The reference is taken
    // first: a cyclic count above the references would let any release pass for the last one.
    RCPtr<LThreadWorker> self(this);
    AddCyclicReferences(1);
    const VQRESULT result = m_worker.Trigger(self, nullptr, m_workerDone, NormalPriority);
    if (result < 0) {
        AddCyclicReferences(-1);
        m_stop = true;
        return result;
    }
    return S_OK;
}

bool LRootModuleEngine::StopWorker()
{
    if (!IsWorkerRunning())
        return true;
    m_stop = true;
    // The loop itself may drop the engine's last reference; it cannot wait for its own end.
    if (m_workerThreadId.load() == Platform::GetCurrentThreadId())
        return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(StopWaitMs);
    while (IsWorkerRunning()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        m_workerDone->Wait(static_cast<uint32_t>(left.count()));
    }
    // The event wakes one waiter; pass it on to any other stop waiting too.
    m_workerDone->Set();
    return !IsWorkerRunning();
}

void LRootModuleEngine::StopWorkerIfIdle()
{
    if (!IsWorkerRunning() || m_stop || m_polling || m_connecting)
        return;
    const DeviceConnectionState state = m_state.load();
    if (state == NoDevice) {
        m_stop = true;
        return;
    }
    if (state == Connected) {
        Variant device;
        {
            MutexLock lock(m_lock);
            device = m_currentDevice;
        }
        if (!IsDeviceAvailable(device))
            m_stop = true;
    }
}

void LRootModuleEngine::Pause()
{
    for (uint32_t slept = 0; slept < PauseMs && !m_stop; slept += PauseSliceMs)
        DeviceControlClock::Sleep(PauseSliceMs);
}

VQRESULT LRootModuleEngine::Run(const RCPtr<LRefCountedObject>&)
{
    m_workerThreadId = Platform::GetCurrentThreadId();
    // The hold counted by StartWorker goes with the loop, whichever way it ends.
    struct CyclicHold {
        LRootModuleEngine& engine;
        ~CyclicHold() { engine.AddCyclicReferences(-1); }
    } hold{*this};

    if (!GetApplicationCenter())
        return S_OK;

    const Array<Guid> anyType;
    uint32_t passes = 0;
    bool refreshAgain = false;
    Array<Variant> devices;
    while (!m_stop) {
        bool available;
        {
            MutexLock lock(m_lock);
            available = IsDeviceAvailable(m_currentDevice);
        }
        if (available) {
            UpdateConnectionState();
            MutexLock lock(m_lock);
            if (m_state.load() == ConnectionPending && m_root->ConnectDevice(m_currentDevice) >= 0) {
                m_pending = false;
                m_state = Connected;
                PostToApplication(ConnectionStateChangeID, ConnectionStateHolder::Create(Connected));
            }
        }

        if (!m_polling) {
            Pause();
            continue;
        }
        if (!refreshAgain && passes < SearchesPerRefresh) {
            ++passes;
            {
                MutexLock lock(m_lock);
                devices = m_remoteDevices;
            }
            const int32_t result = m_deviceCommunication->FindRemoteDevices(anyType, devices, SearchTimeoutMs);
            if (!m_stop && result == 0) {
                MutexLock lock(m_lock);
                m_remoteDevices = devices;
                PostToApplication(RemoteDeviceListChangeID, LHolder<uint32_t>::Create(m_remoteDevices.GetCount()));
            }
            continue;
        }
        passes = 0;
        devices.SetCount(0);
        const int32_t result = m_deviceCommunication->RefreshRemoteDevices(anyType, devices);
        if (!m_stop) {
            if (result >= 0) {
                refreshAgain = result == 1;
                MutexLock lock(m_lock);
                if (!devices.IsEqual(m_remoteDevices)) {
                    m_remoteDevices = devices;
                    PostToApplication(RemoteDeviceListChangeID,
                                      LHolder<uint32_t>::Create(m_remoteDevices.GetCount()));
                }
            }
            Pause();
        }
    }
    return S_OK;
}

} // namespace VQ
