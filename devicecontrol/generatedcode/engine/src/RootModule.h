// The root of the parameter tree and the one place where values live: it keeps them in its cache,
// serialises writes, reads and received values under its store lock, and reports every change.
#pragma once

#include "devicecontrol/communication/DeviceCommunicationInterface.h"
#include "devicecontrol/generatedcode/engine/inc/RootModuleInterface.h"
#include "devicecontrol/generatedcode/engine/src/ParamCache.h"
#include "vqframework/storage/IArray.h"

#include <atomic>
#include <cstdint>
#include <memory>

namespace VQ {

// Called with every stored change, under the store lock; the array holds one element.
using ParamChangeCallback = void (*)(void* userData, const IArray<ParamValue>& changed);

class LRootModule : public IRootModule, public DeviceCommunicationReceiver {
public:
    // Offline, values go to the cache alone until a device is connected.
    static RCPtr<LRootModule> Create(bool offline);

    // Gives the tree its ids from firstParamId on, fills the cache with the defaults without
    // reporting them, and switches receiving from the device communication on. Returns 0.
    int32_t Initialize(ParamChangeCallback callback, void* userData, const RCPtr<LParamCache>& cache,
                       const RCPtr<LDeviceCommunicationInterface>& deviceCommunication, int32_t firstParamId);
    // The device communication's answer; a failure puts the module offline, a success asks the
    // device for the tree's ranges and its information.
    int32_t ConnectDevice(const Variant& device);
    // Switches receiving off. Returns 0.
    int32_t Shutdown();

    void ParamValueChanged(const ParamDescriptor& descriptor, const Variant& value) override;
    RCPtr<LDeviceCommunicationInterface> GetDeviceCommunication() override;
    // Id -4 is the device communication's loopback: 0 when it answered, else 1.
    int32_t SetParamValue(const ParamDescriptor& descriptor, const Variant& value) override;
    int32_t GetParamValue(const ParamDescriptor& descriptor, Variant& out) override;
    using IRootModule::GetDevice;
    RCPtr<IDevice> GetDevice() override;

    virtual RCPtr<LParamCache> GetParamCache();
    virtual void InvokeChangeCallback(const IArray<ParamValue>& changed);
    virtual void CreateChildren();

    int32_t StoreParamValue(const ParamDescriptor& descriptor, const Variant& value) override;
    Variant LoadParamValue(const ParamDescriptor& descriptor) override;
    // Stores a non-empty value that differs from the cached one and reports it; 0, or -1 for an
    // id outside the tree.
    int32_t StoreCachedValue(const ParamDescriptor& descriptor, const Variant& value) override;
    // Empty for an id outside the tree.
    Variant LoadCachedValue(const ParamDescriptor& descriptor) override;

    void ReceiveParamValues(const ParamValues& values) override;
    VQRESULT ReceiveOther(int32_t, int32_t, int32_t) override;

protected:
    explicit LRootModule(bool offline);
    ~LRootModule() override;

private:
    struct ParamStore;

    // The cache entry of a tree id: the index as id, the caller's key.
    ParamDescriptor CacheDescriptor(const ParamDescriptor& descriptor) const;

    const std::unique_ptr<ParamStore> m_store;
    std::atomic<bool> m_offline;
    RCPtr<IDevice> m_device;
    // The rest is set by Initialize and read under the store lock.
    ParamChangeCallback m_callback = nullptr;
    void* m_userData = nullptr;
    RCPtr<LDeviceCommunicationInterface> m_deviceCommunication;
    RCPtr<LParamCache> m_cache;
};

} // namespace VQ
