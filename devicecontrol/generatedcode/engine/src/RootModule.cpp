#include "devicecontrol/generatedcode/engine/src/RootModule.h"

#include "devicecontrol/generatedcode/engine/src/Device.h"
#include "vqframework/objectbase/Mutex.h"
#include "vqframework/storage/Array.h"

namespace VQ {

namespace {

uint32_t Offset(int32_t id, int32_t firstParamId)
{
    return static_cast<uint32_t>(id) - static_cast<uint32_t>(firstParamId);
}

} // namespace

// Re-entrant: the loopback delivers its answer on the writing thread while the write holds it.
struct LRootModule::ParamStore {
    ParamStore() { changes.SetCount(1); }

    Mutex lock;
    // Reused for every report.
    Array<ParamValue> changes;
};

LRootModule::LRootModule(bool offline) : m_store(std::make_unique<ParamStore>()), m_offline(offline) {}

LRootModule::~LRootModule()
{
    RCPtr<LDeviceCommunicationInterface> communication = GetDeviceCommunication();
    if (communication) {
        communication->SetReceiveEnabled(false);
        // The device communication may outlive this module: it must not deliver to it any more.
        communication->SetReceiver(nullptr);
        communication->DisconnectDevice();
    }
}

RCPtr<LRootModule> LRootModule::Create(bool offline)
{
    RCPtr<LRootModule> root(new LRootModule(offline));
    root->CreateChildren();
    return root;
}

void LRootModule::CreateChildren() { m_device = LDevice::Create(); }

int32_t LRootModule::Initialize(ParamChangeCallback callback, void* userData, const RCPtr<LParamCache>& cache,
                                const RCPtr<LDeviceCommunicationInterface>& deviceCommunication,
                                int32_t firstParamId)
{
    {
        MutexLock lock(m_store->lock);
        m_callback = callback;
        m_userData = userData;
        m_cache = cache;
        m_deviceCommunication = deviceCommunication;
        SetFirstParamID(nullptr, firstParamId, 0);
        if (m_cache) {
            for (int32_t i = 0; i < TreeParamCount; ++i) {
                const int32_t id = static_cast<int32_t>(static_cast<uint32_t>(firstParamId) + static_cast<uint32_t>(i));
                if (RCPtr<LParameterizedModule> module = GetModule(id))
                    m_cache->SetValue(ParamDescriptor(i), module->GetParamValueDefault(id), false);
            }
            m_cache->SetLoaded(true);
        }
    }
    // Outside the store lock: the device communication's locks come before it on the receive road.
    if (deviceCommunication) {
        deviceCommunication->SetReceiver(this);
        deviceCommunication->SetReceiveEnabled(true);
        deviceCommunication->Activate();
    }
    return 0;
}

int32_t LRootModule::ConnectDevice(const Variant& device)
{
    RCPtr<LDeviceCommunicationInterface> communication;
    int32_t firstParamId = 0;
    {
        MutexLock lock(m_store->lock);
        communication = m_deviceCommunication;
        firstParamId = GetFirstParamID();
    }
    if (!communication) {
        m_offline = true;
        return E_FAIL;
    }
    communication->DisconnectDevice();
    const int32_t result = communication->ConnectDevice(device);
    if (result < 0) {
        m_offline = true;
        return result;
    }
    m_offline = false;
    const ParamRange range{firstParamId, TreeParamCount};
    ParamRanges ranges;
    ranges.Set(&range, 1);
    communication->RequestParamRanges(ranges);
    communication->RequestParamValue(ParamDescriptor(LDeviceCommunicationInterface::ParamDeviceInfo));
    return result;
}

int32_t LRootModule::Shutdown()
{
    if (RCPtr<LDeviceCommunicationInterface> communication = GetDeviceCommunication())
        communication->SetReceiveEnabled(false);
    return 0;
}

void LRootModule::ParamValueChanged(const ParamDescriptor& descriptor, const Variant& value)
{
    MutexLock lock(m_store->lock);
    ParamValue& change = m_store->changes.GetAt(0);
    change.id = descriptor.id;
    change.key = descriptor.key;
    change.value = value;
    InvokeChangeCallback(m_store->changes);
}

RCPtr<LDeviceCommunicationInterface> LRootModule::GetDeviceCommunication()
{
    MutexLock lock(m_store->lock);
    return m_deviceCommunication;
}

int32_t LRootModule::SetParamValue(const ParamDescriptor& descriptor, const Variant& value)
{
    MutexLock lock(m_store->lock);
    if (descriptor.id == LDeviceCommunicationInterface::ParamLoopback) {
        RCPtr<LDeviceCommunicationInterface> communication = m_deviceCommunication;
        return communication && communication->Loopback(value.GetInt64()) ? 0 : 1;
    }
    if (m_offline)
        return StoreCachedValue(descriptor, value);
    return IRootModule::SetParamValue(descriptor, value);
}

int32_t LRootModule::GetParamValue(const ParamDescriptor& descriptor, Variant& out)
{
    MutexLock lock(m_store->lock);
    if (descriptor.id >= 0 && m_offline) {
        out = LoadCachedValue(descriptor);
        return 0;
    }
    return IRootModule::GetParamValue(descriptor, out);
}

RCPtr<IDevice> LRootModule::GetDevice() { return m_device; }

RCPtr<LParamCache> LRootModule::GetParamCache()
{
    MutexLock lock(m_store->lock);
    return m_cache;
}

void LRootModule::InvokeChangeCallback(const IArray<ParamValue>& changed)
{
    MutexLock lock(m_store->lock);
    if (m_callback)
        m_callback(m_userData, changed);
}

int32_t LRootModule::StoreParamValue(const ParamDescriptor& descriptor, const Variant& value)
{
    return StoreCachedValue(descriptor, value);
}

Variant LRootModule::LoadParamValue(const ParamDescriptor& descriptor) { return LoadCachedValue(descriptor); }

ParamDescriptor LRootModule::CacheDescriptor(const ParamDescriptor& descriptor) const
{
    ParamDescriptor entry(static_cast<int32_t>(Offset(descriptor.id, GetFirstParamID())));
    entry.key = descriptor.key;
    return entry;
}

int32_t LRootModule::StoreCachedValue(const ParamDescriptor& descriptor, const Variant& value)
{
    MutexLock lock(m_store->lock);
    if (Offset(descriptor.id, GetFirstParamID()) >= static_cast<uint32_t>(TreeParamCount) || !m_cache)
        return -1;
    const ParamDescriptor entry = CacheDescriptor(descriptor);
    Variant current;
    m_cache->GetValue(entry, current);
    if (value.GetType() == Variant::TypeEmpty || value == current)
        return 0;
    // A change the cache could not take is not reported as one.
    const int32_t stored = m_cache->SetValue(entry, value, true);
    if (stored < 0)
        return stored;
    if (stored == 0)
        ParamValueChanged(descriptor, value);
    return 0;
}

Variant LRootModule::LoadCachedValue(const ParamDescriptor& descriptor)
{
    MutexLock lock(m_store->lock);
    Variant value;
    if (m_cache && m_cache->GetValue(CacheDescriptor(descriptor), value) < 0)
        value.Clear();
    return value;
}

void LRootModule::ReceiveParamValues(const ParamValues& values)
{
    MutexLock lock(m_store->lock);
    // One pass over the list: the store lock is held for all of it, and a report may be long.
    ParamValues::Reader elements(values);
    Variant value;
    int32_t id = -1;
    Variant key;
    for (int32_t read; (read = elements.Next(value, id, key)) != -4;) {
        // A malformed element carries no parameter to report.
        if (read != 0)
            continue;
        RCPtr<LParameterizedModule> target;
        if (id >= 0)
            target = GetModule(id);
        else if (IsSpecialModuleParam(id))
            target = GetSpecialModule(id);
        else if (id == LDeviceCommunicationInterface::ParamDeviceAvailability && value.GetBool())
            OnDeviceListChanged();
        if (target) {
            ParamDescriptor descriptor(id);
            descriptor.key = key;
            target->SetParamValueLocal(descriptor, value, true);
        } else {
            ParamValueChanged(ParamDescriptor(id), value);
        }
    }
}

VQRESULT LRootModule::ReceiveOther(int32_t, int32_t, int32_t) { return E_FAIL; }

} // namespace VQ
