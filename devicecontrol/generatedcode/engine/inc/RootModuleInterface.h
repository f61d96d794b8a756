// The parameter module tree: the base every module shares, which routes values up to the root, and
// the interfaces of the root, the device, the two banks and the leaves.
#pragma once

#include "vqframework/objectbase/Exception.h"
#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/storage/ParamValue.h"
#include "vqframework/storage/Variant.h"

#include <cstdint>

namespace VQ {

class LDeviceCommunicationInterface;
class IDevice;
class IMidiChannel;
class IPadBank;
class IPad;
class IKnobBank;
class IHardwareKnob;

// A module owns a parameter count of consecutive ids from its first id on; the leaves own one each,
// the containers none and only route ids. Values are kept by the root alone.
class LParameterizedModule : public virtual LRefCountedObject {
public:
    // The number of parameters of the whole tree, from the root's first id on.
    static constexpr int32_t TreeParamCount = 17;
    // Negative ids in this range belong to the special modules, of which there are none.
    static constexpr int32_t FirstSpecialModuleParam = -256;
    static constexpr int32_t LastSpecialModuleParam = -129;

    static constexpr bool IsSpecialModuleParam(int32_t id)
    {
        return id >= FirstSpecialModuleParam && id <= LastSpecialModuleParam;
    }

    virtual void SetFirstParamID(LParameterizedModule* parent, int32_t firstParamId, int32_t index)
    {
        m_parent = parent;
        m_firstParamId = firstParamId;
        m_index = index;
    }

    ConstRCPtr<LParameterizedModule> GetModule(int32_t id) const
    {
        return const_cast<LParameterizedModule*>(this)->GetModule(id);
    }
    // The module owning the id, or empty; a module without children answers for any id.
    virtual RCPtr<LParameterizedModule> GetModule(int32_t) { return RCPtr<LParameterizedModule>(this); }

    // The local flag means the value came from the device and is not sent back.
    virtual int32_t SetParamValueLocal(const ParamDescriptor& descriptor, const Variant& value, bool)
    {
        if (m_ownParamCount == 0)
            VQ_THROW(std::logic_error);
        return m_parent ? m_parent->StoreParamValue(descriptor, value) : -1;
    }

    virtual Variant GetParamValueLocal(const ParamDescriptor& descriptor)
    {
        if (m_ownParamCount == 0)
            VQ_THROW(std::logic_error);
        return m_parent ? m_parent->LoadParamValue(descriptor) : Variant();
    }

    virtual int32_t StoreParamValue(const ParamDescriptor& descriptor, const Variant& value)
    {
        return m_parent ? m_parent->StoreParamValue(descriptor, value) : -1;
    }

    virtual Variant LoadParamValue(const ParamDescriptor& descriptor)
    {
        return m_parent ? m_parent->LoadParamValue(descriptor) : Variant();
    }

    virtual Variant GetParamValueDefault(int32_t) { return Variant(); }
    // Tree-wide notifications; containers pass them to their children in order.
    virtual void OnDeviceListChanged() {}
    virtual void OnTreeNotification() {}
    virtual int32_t QueryParam(int32_t) { return 1; }

    virtual void PropagateUp(int32_t a, int32_t b, int32_t c, int32_t d)
    {
        if (m_parent)
            m_parent->PropagateUpEx(a, b, c, d);
    }

    virtual void PropagateUpEx(int32_t a, int32_t b, int32_t c, int32_t d)
    {
        if (m_parent)
            m_parent->PropagateUpEx(a, b, c, d);
    }

    virtual int32_t StoreCachedValue(const ParamDescriptor& descriptor, const Variant& value)
    {
        return m_parent ? m_parent->StoreCachedValue(descriptor, value) : E_FAIL;
    }

    virtual Variant LoadCachedValue(const ParamDescriptor& descriptor)
    {
        return m_parent ? m_parent->LoadCachedValue(descriptor) : Variant();
    }

    RCPtr<LParameterizedModule> GetParent() const { return RCPtr<LParameterizedModule>(m_parent); }

    RCPtr<LParameterizedModule> GetRoot() const
    {
        const LParameterizedModule* module = this;
        while (module->m_parent)
            module = module->m_parent;
        return RCPtr<LParameterizedModule>(const_cast<LParameterizedModule*>(module));
    }

    int32_t GetFirstParamID() const { return m_firstParamId; }
    // The position among the parent's children: 0..7 in a bank, else 0.
    int32_t GetIndex() const { return m_index; }

protected:
    explicit LParameterizedModule(int32_t ownParamCount) : m_ownParamCount(ownParamCount) {}

    // Hands a special value of a leaf to the root's device communication, when there is one.
    void ForwardSpecialParam(const ParamDescriptor& descriptor, const Variant& value) const;

private:
    // Not counted: parents own their children, so the tree is released from the root down.
    LParameterizedModule* m_parent = nullptr;
    const int32_t m_ownParamCount;
    int32_t m_firstParamId = 0;
    int32_t m_index = 0;
};

// The top of the tree: the store of every value and the way to the device.
class IRootModule : public LParameterizedModule {
public:
    virtual void ParamValueChanged(const ParamDescriptor& descriptor, const Variant& value) = 0;
    virtual RCPtr<LDeviceCommunicationInterface> GetDeviceCommunication() = 0;

    ConstRCPtr<LParameterizedModule> GetSpecialModule(int32_t id) const
    {
        return const_cast<IRootModule*>(this)->GetSpecialModule(id);
    }
    // No module stands for the special range.
    virtual RCPtr<LParameterizedModule> GetSpecialModule(int32_t) { return nullptr; }

    // Writes to the module owning the id, then to the device, whose answer is the result.
    virtual int32_t SetParamValue(const ParamDescriptor& descriptor, const Variant& value);
    // Negative ids are the device's; E_FAIL with an empty value for an id without module.
    virtual int32_t GetParamValue(const ParamDescriptor& descriptor, Variant& out);

    ConstRCPtr<IDevice> GetDevice() const;
    virtual RCPtr<IDevice> GetDevice() = 0;

    void SetFirstParamID(LParameterizedModule* parent, int32_t firstParamId, int32_t index) override;
    using LParameterizedModule::GetModule;
    RCPtr<LParameterizedModule> GetModule(int32_t id) override;
    void OnDeviceListChanged() override;
    void OnTreeNotification() override;

protected:
    IRootModule() : LParameterizedModule(0) {}
};

// The device: the MIDI channel at the first id, the pads at the next 8, the knobs at the 8 after.
class IDevice : public LParameterizedModule {
public:
    ConstRCPtr<IMidiChannel> GetMidiChannel() const;
    virtual RCPtr<IMidiChannel> GetMidiChannel() = 0;
    ConstRCPtr<IPadBank> GetPadBank() const;
    virtual RCPtr<IPadBank> GetPadBank() = 0;
    ConstRCPtr<IKnobBank> GetKnobBank() const;
    virtual RCPtr<IKnobBank> GetKnobBank() = 0;

    void SetFirstParamID(LParameterizedModule* parent, int32_t firstParamId, int32_t index) override;
    using LParameterizedModule::GetModule;
    RCPtr<LParameterizedModule> GetModule(int32_t id) override;
    void OnDeviceListChanged() override;
    void OnTreeNotification() override;

protected:
    IDevice() : LParameterizedModule(0) {}
};

// Eight pads, indexes 0..7.
class IPadBank : public LParameterizedModule {
public:
    static constexpr int32_t PadCount = 8;

    ConstRCPtr<IPad> GetPad(int32_t index) const;
    virtual RCPtr<IPad> GetPad(int32_t index) = 0;

    void SetFirstParamID(LParameterizedModule* parent, int32_t firstParamId, int32_t index) override;
    using LParameterizedModule::GetModule;
    RCPtr<LParameterizedModule> GetModule(int32_t id) override;
    void OnDeviceListChanged() override;
    void OnTreeNotification() override;

protected:
    IPadBank() : LParameterizedModule(0) {}
};

// Eight knobs, indexes 0..7.
class IKnobBank : public LParameterizedModule {
public:
    static constexpr int32_t KnobCount = 8;

    ConstRCPtr<IHardwareKnob> GetKnob(int32_t index) const;
    virtual RCPtr<IHardwareKnob> GetKnob(int32_t index) = 0;

    void SetFirstParamID(LParameterizedModule* parent, int32_t firstParamId, int32_t index) override;
    using LParameterizedModule::GetModule;
    RCPtr<LParameterizedModule> GetModule(int32_t id) override;
    void OnDeviceListChanged() override;
    void OnTreeNotification() override;

protected:
    IKnobBank() : LParameterizedModule(0) {}
};

// A pad's value: note, program change, CC number and CC mode (0 momentary, 1 toggle).
class IPad : public LParameterizedModule {
protected:
    IPad() : LParameterizedModule(1) {}
};

// A knob's value: CC number, low value and high value.
class IHardwareKnob : public LParameterizedModule {
protected:
    IHardwareKnob() : LParameterizedModule(1) {}
};

// The channel's value: one byte, 0..15.
class IMidiChannel : public LParameterizedModule {
protected:
    IMidiChannel() : LParameterizedModule(1) {}
};

} // namespace VQ
