#include "devicecontrol/communication/DeviceCommunicationInterface.h"

#include "devicecontrol/communication/DeviceControlClientInterface.h"
#include "devicecontrol/communication/DeviceControlClock.h"
#include "vqframework/objectbase/Mutex.h"
#include "vqframework/storage/Array.h"
#include "vqframework/storage/Holder.h"
#include "vqframework/storage/RCPtrQueue.h"
#include "vqframework/threads/Event.h"
#include "vqframework/threads/EventGatedThreader.h"
#include "vqframework/threads/Thread.h"

#include <atomic>
#include <new>

namespace VQ {

namespace {

using Report = LWrapper<ParamValues, LRefCountedObject>;

constexpr uint32_t DiscoveryStepMs = 250;

bool IsRefusedParam(int32_t id)
{
    return id >= LDeviceCommunicationInterface::FirstRefusedParam && id <= LDeviceCommunicationInterface::LastRefusedParam;
}

// The device ids of a library answer; none unless it is a list.
void TakeDeviceList(const Variant& answer, IArray<Variant>& devices)
{
    const uint32_t count = answer.GetListCount();
    devices.SetCount(0);
    if (count == 0)
        return;
    devices.SetCount(count);
    Variant::ListReader items(answer);
    for (uint32_t i = 0; i < count; ++i)
        items.Next(devices.GetAt(i));
}

} // namespace

struct LDeviceCommunicationInterface::DeviceCommunicationState {
    DeviceCommunicationState() : queue(&queueLock, 256) {}

    // Guards the current device and the threader.
    Mutex stateLock;
    RCPtr<LEventGatedThreader> threader;
    RCPtr<LEvent> gate;
    // Guards the queue only, so that the library's threads never wait for the model.
    Mutex queueLock;
    RCPtrQueue<Report, 256> queue;
    // Held while queued reports are applied.
    Mutex applyLock;
    RCPtr<LDeviceCommunicationThreadWorker> worker;
    // Set once by Initialize, deleted by the destructor; read without a lock by every operation.
    std::atomic<DeviceControlClientInterface*> library{nullptr};
    Variant currentDevice;
    std::atomic<bool> receiving{false};
    std::atomic<DeviceCommunicationReceiver*> receiver{nullptr};
};

RCPtr<LDeviceCommunicationInterface> LDeviceCommunicationInterface::Create()
{
    RCPtr<LDeviceCommunicationInterface> self(new LDeviceCommunicationInterface());
    DeviceCommunicationState& state = *self->m_state;
    state.worker = LDeviceCommunicationThreadWorker::Create();
    state.gate = LEvent::Create();
    RCPtr<LEventGatedThreader> threader = LEventGatedThreader::Create(
        state.gate, state.worker, RCPtr<LRefCountedObject>(self.Get()), Thread::PriorityNormal);
    {
        MutexLock lock(state.stateLock);
        state.threader = std::move(threader);
    }
    // The threader's hold on its parameters.
    self->AddCyclicReferences(1);
    return self;
}

LDeviceCommunicationInterface::LDeviceCommunicationInterface()
    : m_state(std::make_unique<DeviceCommunicationState>())
{
}

LDeviceCommunicationInterface::~LDeviceCommunicationInterface()
{
    SetReceiveEnabled(false);
    if (DeviceControlClientInterface* library = m_state->library.exchange(nullptr)) {
        const Variant device = CurrentDevice();
        library->DisconnectDevice(&device);
        delete library;
    }
    m_state->receiver.store(nullptr);
}

VQRESULT LDeviceCommunicationInterface::ReleaseCyclicReferences()
{
    // Only the last outside reference going may take the thread away.
    if (GetRefCount() != GetCyclicCount() + 1)
        return E_FAIL;
    RCPtr<LEventGatedThreader> threader;
    {
        MutexLock lock(m_state->stateLock);
        threader = std::move(m_state->threader);
    }
    if (threader) {
        // Uncounted first, so that the threader's release of its parameters is no last outside one.
        AddCyclicReferences(-1);
        // Stops the thread; an application in progress finishes first.
        threader.Release();
    }
    return LRefCountedObject::ReleaseCyclicReferences();
}

int32_t LDeviceCommunicationInterface::Initialize()
{
    MutexLock lock(m_state->stateLock);
    if (m_state->library.load())
        return 1;
    try {
        m_state->library.store(new DeviceControlClientInterface());
    } catch (const std::bad_alloc&) {
        return E_FAIL;
    }
    return 0;
}

bool LDeviceCommunicationInterface::IsAvailable() { return true; }

bool LDeviceCommunicationInterface::Loopback(int64_t value)
{
    DeviceCommunicationReceiver* receiver = m_state->receiver.load();
    if (!receiver)
        return false;
    const bool available = IsAvailable();
    const Variant items[2] = {Variant::Of(value), Variant::Of(available)};
    Variant pair;
    pair.SetList(items, 2);
    ParamValues report;
    report.Set(ParamDescriptor(ParamLoopback), pair);
    // Delivered without the state lock: the receiver takes its store lock, which a writer holds
    // while it asks for the current device under the state lock.
    receiver->ReceiveParamValues(report);
    return available;
}

void LDeviceCommunicationInterface::Synchronize()
{
    MutexLock lock(m_state->stateLock);
}

void LDeviceCommunicationInterface::Activate() {}

int32_t LDeviceCommunicationInterface::FindDevices(const IArray<Guid>&, IArray<Variant>& devices)
{
    devices.SetCount(0);
    devices.SetCount(1);
    return 0;
}

int32_t LDeviceCommunicationInterface::FindRemoteDevices(const IArray<Guid>& types, IArray<Variant>& devices,
                                                         uint32_t timeoutMs)
{
    DeviceControlClientInterface* library = m_state->library.load();
    if (!library)
        return -1;
    Array<Variant> previous;
    previous.Assign(devices);
    // The library finds its previous answer in it on every later call.
    Variant answer;
    // Wide enough that a timeout near the largest value cannot wrap it.
    uint64_t elapsed = 0;
    for (;;) {
        if (library->FindRemoteDevices(types.GetData(), static_cast<int32_t>(types.GetCount()), &answer, 0) < 0)
            return E_FAIL;
        TakeDeviceList(answer, devices);
        if (!devices.IsEqual(previous))
            return 0;
        if (elapsed >= timeoutMs)
            return 1;
        DeviceControlClock::Sleep(DiscoveryStepMs);
        elapsed += DiscoveryStepMs;
    }
}

int32_t LDeviceCommunicationInterface::RefreshRemoteDevices(const IArray<Guid>& types, IArray<Variant>& devices)
{
    DeviceControlClientInterface* library = m_state->library.load();
    if (!library)
        return -1;
    Variant answer;
    const int32_t result =
        library->FindRemoteDevices(types.GetData(), static_cast<int32_t>(types.GetCount()), &answer, 1);
    if (result >= 0)
        TakeDeviceList(answer, devices);
    return result;
}

int32_t LDeviceCommunicationInterface::ConnectDevice(const Variant& device)
{
    DeviceControlClientInterface* library = m_state->library.load();
    if (!library)
        return -1;
    Variant copy;
    {
        MutexLock lock(m_state->stateLock);
        m_state->currentDevice = device;
        copy = m_state->currentDevice;
    }
    return library->ConnectDevice(&copy, &LDeviceCommunicationInterface::OnLibraryValues, this);
}

int32_t LDeviceCommunicationInterface::RequestParamRanges(const ParamRanges& ranges)
{
    DeviceControlClientInterface* library = m_state->library.load();
    if (!library)
        return -1;
    const Variant device = CurrentDevice();
    return library->RequestParamRanges(&device, &ranges);
}

int32_t LDeviceCommunicationInterface::RequestParamValues(const ParamDescriptors& descriptors)
{
    DeviceControlClientInterface* library = m_state->library.load();
    if (!library)
        return -1;
    const Variant device = CurrentDevice();
    return library->RequestParamValues(&device, &descriptors);
}

int32_t LDeviceCommunicationInterface::RequestParamValue(const ParamDescriptor& descriptor)
{
    DeviceControlClientInterface* library = m_state->library.load();
    if (!library)
        return -1;
    const Variant device = CurrentDevice();
    return library->RequestParamValues(&device, descriptor);
}

int32_t LDeviceCommunicationInterface::GetParamRanges(int32_t first, int32_t second)
{
    DeviceControlClientInterface* library = m_state->library.load();
    if (!library)
        return -1;
    const Variant device = CurrentDevice();
    return library->GetParamRanges(&device, first, second);
}

int32_t LDeviceCommunicationInterface::GetParamValues(int32_t first, int32_t second)
{
    DeviceControlClientInterface* library = m_state->library.load();
    if (!library)
        return -1;
    const Variant device = CurrentDevice();
    return library->GetParamValues(&device, first, second);
}

int32_t LDeviceCommunicationInterface::GetParamValue(const ParamDescriptor& descriptor, Variant& out)
{
    if (DeviceControlClientInterface* library = m_state->library.load()) {
        const Variant device = CurrentDevice();
        return library->GetParamValue(&device, &descriptor, &out);
    }
    switch (descriptor.id) {
    case ParamDeviceAvailability:
        out = Variant::Of(IsAvailable());
        return 0;
    case ParamDeviceInfo:
        return GetDeviceInfoValue(out);
    // The names of the one device kind there is.
    case ParamMakerName:
        out.SetString("Tuvex");
        return 0;
    case ParamProductName:
        out.SetString("RKT4 Editor");
        return 0;
    default:
        return E_FAIL;
    }
}

int32_t LDeviceCommunicationInterface::SetParamValue(const ParamDescriptor& descriptor, const Variant& value)
{
    if (!m_state->receiver.load())
        return E_FAIL;
    if (descriptor.id == ParamLoopback)
        return Loopback(value.GetInt64()) ? 0 : 1;
    if (IsRefusedParam(descriptor.id))
        return E_FAIL;
    if (DeviceControlClientInterface* library = m_state->library.load()) {
        const Variant device = CurrentDevice();
        return library->SetParamValue(&device, &descriptor, &value);
    }
    if (descriptor.id == ParamDeviceInfo)
        return SetDeviceInfoValue(value);
    return E_FAIL;
}

int32_t LDeviceCommunicationInterface::SetParamValues(const ParamValues& values)
{
    DeviceControlClientInterface* library = m_state->library.load();
    if (!library)
        return -1;
    const Variant device = CurrentDevice();
    return library->SetParamValues(&device, &values);
}

bool LDeviceCommunicationInterface::IsDeviceConnected() { return true; }

int32_t LDeviceCommunicationInterface::GetConnectedDevice(Variant& out)
{
    if (!m_state->library.load())
        return -1;
    if (!IsDeviceConnected())
        return -3;
    out = CurrentDevice();
    return 0;
}

int32_t LDeviceCommunicationInterface::DisconnectDevice()
{
    DeviceControlClientInterface* library = m_state->library.load();
    if (!library)
        return -1;
    const Variant device = CurrentDevice();
    return library->DisconnectDevice(&device);
}

int32_t LDeviceCommunicationInterface::GetDeviceInfo(const Variant& device, DeviceInfoRecord* record)
{
    DeviceControlClientInterface* library = m_state->library.load();
    return library ? library->GetDeviceInfo(&device, record) : -1;
}

int32_t LDeviceCommunicationInterface::GetDeviceInfoValue(Variant& out)
{
    DeviceControlClientInterface* library = m_state->library.load();
    if (!library)
        return -1;
    const Variant device = CurrentDevice();
    const ParamDescriptor descriptor(ParamDeviceInfo);
    return library->GetParamValue(&device, &descriptor, &out);
}

int32_t LDeviceCommunicationInterface::SetDeviceInfoValue(const Variant& value)
{
    DeviceControlClientInterface* library = m_state->library.load();
    if (!library)
        return -1;
    const Variant device = CurrentDevice();
    const ParamDescriptor descriptor(ParamDeviceInfo);
    return library->SetParamValue(&device, &descriptor, &value);
}

int32_t LDeviceCommunicationInterface::GetDeviceKind(int32_t* out)
{
    if (out)
        *out = 0;
    return 0;
}

void LDeviceCommunicationInterface::SetReceiver(DeviceCommunicationReceiver* receiver)
{
    m_state->receiver.store(receiver);
}

void LDeviceCommunicationInterface::SetReceiveEnabled(bool enabled)
{
    m_state->receiving.store(enabled);
    if (!enabled) {
        // Waits out an application in progress; the reports after it find the flag clear.
        MutexLock lock(m_state->applyLock);
    }
}

void LDeviceCommunicationInterface::OnLibraryValues(void* context, int32_t, const ParamValues* reports)
{
    if (!context || !reports)
        return;
    DeviceCommunicationState& state = *static_cast<LDeviceCommunicationInterface*>(context)->m_state;
    // Nothing may unwind into the library's frames; without memory the report is lost.
    try {
        state.queue.Enqueue(Report::Create(*reports));
    } catch (...) {
        return;
    }
    state.gate->Set();
}

Variant LDeviceCommunicationInterface::CurrentDevice() const
{
    MutexLock lock(m_state->stateLock);
    return m_state->currentDevice;
}

RCPtr<LDeviceCommunicationThreadWorker> LDeviceCommunicationThreadWorker::Create()
{
    return RCPtr<LDeviceCommunicationThreadWorker>(new LDeviceCommunicationThreadWorker());
}

VQRESULT LDeviceCommunicationThreadWorker::Run(const RCPtr<LRefCountedObject>& parameters)
{
    LDeviceCommunicationInterface* owner = dynamic_cast<LDeviceCommunicationInterface*>(parameters.Get());
    if (!owner)
        return E_INVALIDARG;
    LDeviceCommunicationInterface::DeviceCommunicationState& state = *owner->m_state;
    MutexLock lock(state.applyLock);
    VQRESULT result = S_OK;
    RCPtr<Report> report;
    while (state.queue.TryDequeue(report)) {
        DeviceCommunicationReceiver* receiver = state.receiver.load();
        if (!state.receiving.load() || !receiver)
            continue;
        // A receiver that throws loses its report, not the thread (and with it the program).
        try {
            receiver->ReceiveParamValues(*report);
        } catch (...) {
            result = E_FAIL;
        }
    }
    return result;
}

} // namespace VQ
