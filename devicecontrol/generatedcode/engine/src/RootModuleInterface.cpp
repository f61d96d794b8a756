#include "devicecontrol/generatedcode/engine/inc/RootModuleInterface.h"

#include "devicecontrol/communication/DeviceCommunicationInterface.h"

namespace VQ {

namespace {

// The id's distance from a first id, as the unsigned number the range checks compare.
uint32_t Offset(int32_t id, int32_t firstParamId)
{
    return static_cast<uint32_t>(id) - static_cast<uint32_t>(firstParamId);
}

int32_t Shifted(int32_t firstParamId, int32_t offset)
{
    return static_cast<int32_t>(static_cast<uint32_t>(firstParamId) + static_cast<uint32_t>(offset));
}

RCPtr<LParameterizedModule> ModuleIn(LParameterizedModule* child, int32_t id)
{
    return child ? child->GetModule(id) : nullptr;
}

} // namespace

void LParameterizedModule::ForwardSpecialParam(const ParamDescriptor& descriptor, const Variant& value) const
{
    RCPtr<IRootModule> root = RCPtrDynamicCast<IRootModule>(GetRoot());
    if (!root)
        return;
    if (RCPtr<LDeviceCommunicationInterface> communication = root->GetDeviceCommunication())
        communication->SetParamValue(descriptor, value);
}

int32_t IRootModule::SetParamValue(const ParamDescriptor& descriptor, const Variant& value)
{
    RCPtr<LParameterizedModule> target;
    if (descriptor.id >= 0)
        target = GetModule(descriptor.id);
    else if (IsSpecialModuleParam(descriptor.id))
        target = GetSpecialModule(descriptor.id);
    // What the module makes of the value is not the caller's concern: the device's answer is.
    if (target)
        target->SetParamValueLocal(descriptor, value, false);
    RCPtr<LDeviceCommunicationInterface> communication = GetDeviceCommunication();
    return communication ? communication->SetParamValue(descriptor, value) : E_FAIL;
}

int32_t IRootModule::GetParamValue(const ParamDescriptor& descriptor, Variant& out)
{
    if (descriptor.id < 0) {
        RCPtr<LDeviceCommunicationInterface> communication = GetDeviceCommunication();
        if (communication)
            return communication->GetParamValue(descriptor, out);
        out.Clear();
        return E_FAIL;
    }
    RCPtr<LParameterizedModule> target = GetModule(descriptor.id);
    if (!target) {
        out.Clear();
        return E_FAIL;
    }
    out = target->GetParamValueLocal(descriptor);
    return 0;
}

ConstRCPtr<IDevice> IRootModule::GetDevice() const { return const_cast<IRootModule*>(this)->GetDevice(); }

void IRootModule::SetFirstParamID(LParameterizedModule* parent, int32_t firstParamId, int32_t index)
{
    LParameterizedModule::SetFirstParamID(parent, firstParamId, index);
    if (RCPtr<IDevice> device = GetDevice())
        device->SetFirstParamID(this, firstParamId, 0);
}

RCPtr<LParameterizedModule> IRootModule::GetModule(int32_t id)
{
    if (Offset(id, GetFirstParamID()) >= static_cast<uint32_t>(TreeParamCount))
        return nullptr;
    return ModuleIn(GetDevice().Get(), id);
}

void IRootModule::OnDeviceListChanged()
{
    if (RCPtr<IDevice> device = GetDevice())
        device->OnDeviceListChanged();
}

void IRootModule::OnTreeNotification()
{
    if (RCPtr<IDevice> device = GetDevice())
        device->OnTreeNotification();
}

ConstRCPtr<IMidiChannel> IDevice::GetMidiChannel() const { return const_cast<IDevice*>(this)->GetMidiChannel(); }
ConstRCPtr<IPadBank> IDevice::GetPadBank() const { return const_cast<IDevice*>(this)->GetPadBank(); }
ConstRCPtr<IKnobBank> IDevice::GetKnobBank() const { return const_cast<IDevice*>(this)->GetKnobBank(); }

void IDevice::SetFirstParamID(LParameterizedModule* parent, int32_t firstParamId, int32_t index)
{
    LParameterizedModule::SetFirstParamID(parent, firstParamId, index);
    if (RCPtr<IMidiChannel> channel = GetMidiChannel())
        channel->SetFirstParamID(this, firstParamId, 0);
    if (RCPtr<IPadBank> pads = GetPadBank())
        pads->SetFirstParamID(this, Shifted(firstParamId, 1), 0);
    if (RCPtr<IKnobBank> knobs = GetKnobBank())
        knobs->SetFirstParamID(this, Shifted(firstParamId, 1 + IPadBank::PadCount), 0);
}

RCPtr<LParameterizedModule> IDevice::GetModule(int32_t id)
{
    const uint32_t offset = Offset(id, GetFirstParamID());
    if (offset == 0)
        return ModuleIn(GetMidiChannel().Get(), id);
    if (offset < 1 + IPadBank::PadCount)
        return ModuleIn(GetPadBank().Get(), id);
    if (offset < static_cast<uint32_t>(TreeParamCount))
        return ModuleIn(GetKnobBank().Get(), id);
    return nullptr;
}

void IDevice::OnDeviceListChanged()
{
    if (RCPtr<IMidiChannel> channel = GetMidiChannel())
        channel->OnDeviceListChanged();
    if (RCPtr<IPadBank> pads = GetPadBank())
        pads->OnDeviceListChanged();
    if (RCPtr<IKnobBank> knobs = GetKnobBank())
        knobs->OnDeviceListChanged();
}

void IDevice::OnTreeNotification()
{
    if (RCPtr<IMidiChannel> channel = GetMidiChannel())
        channel->OnTreeNotification();
    if (RCPtr<IPadBank> pads = GetPadBank())
        pads->OnTreeNotification();
    if (RCPtr<IKnobBank> knobs = GetKnobBank())
        knobs->OnTreeNotification();
}

ConstRCPtr<IPad> IPadBank::GetPad(int32_t index) const { return const_cast<IPadBank*>(this)->GetPad(index); }

void IPadBank::SetFirstParamID(LParameterizedModule* parent, int32_t firstParamId, int32_t index)
{
    LParameterizedModule::SetFirstParamID(parent, firstParamId, index);
    for (int32_t i = 0; i < PadCount; ++i) {
        if (RCPtr<IPad> pad = GetPad(i))
            pad->SetFirstParamID(this, Shifted(firstParamId, i), i);
    }
}

RCPtr<LParameterizedModule> IPadBank::GetModule(int32_t id)
{
    const uint32_t offset = Offset(id, GetFirstParamID());
    if (offset >= static_cast<uint32_t>(PadCount))
        return nullptr;
    return ModuleIn(GetPad(static_cast<int32_t>(offset)).Get(), id);
}

void IPadBank::OnDeviceListChanged()
{
    for (int32_t i = 0; i < PadCount; ++i) {
        if (RCPtr<IPad> pad = GetPad(i))
            pad->OnDeviceListChanged();
    }
}

void IPadBank::OnTreeNotification()
{
    for (int32_t i = 0; i < PadCount; ++i) {
        if (RCPtr<IPad> pad = GetPad(i))
            pad->OnTreeNotification();
    }
}

ConstRCPtr<IHardwareKnob> IKnobBank::GetKnob(int32_t index) const
{
    return const_cast<IKnobBank*>(this)->GetKnob(index);
}

void IKnobBank::SetFirstParamID(LParameterizedModule* parent, int32_t firstParamId, int32_t index)
{
    LParameterizedModule::SetFirstParamID(parent, firstParamId, index);
    for (int32_t i = 0; i < KnobCount; ++i) {
        if (RCPtr<IHardwareKnob> knob = GetKnob(i))
            knob->SetFirstParamID(this, Shifted(firstParamId, i), i);
    }
}

RCPtr<LParameterizedModule> IKnobBank::GetModule(int32_t id)
{
    const uint32_t offset = Offset(id, GetFirstParamID());
    if (offset >= static_cast<uint32_t>(KnobCount))
        return nullptr;
    return ModuleIn(GetKnob(static_cast<int32_t>(offset)).Get(), id);
}

void IKnobBank::OnDeviceListChanged()
{
    for (int32_t i = 0; i < KnobCount; ++i) {
        if (RCPtr<IHardwareKnob> knob = GetKnob(i))
            knob->OnDeviceListChanged();
    }
}

void IKnobBank::OnTreeNotification()
{
    for (int32_t i = 0; i < KnobCount; ++i) {
        if (RCPtr<IHardwareKnob> knob = GetKnob(i))
            knob->OnTreeNotification();
    }
}

} // namespace VQ
