#include "devicecontrol/generatedcode/engine/src/HardwareKnob.h"

namespace VQ {

// Maps special parameters onto the knob's own; no special parameter belongs to a knob.
struct LHardwareKnob::Implementation {
    explicit Implementation(LHardwareKnob& owner) : module(owner) {}

    bool ConvertSpecialParam(const ParamDescriptor&, const Variant&, ParamDescriptor&, Variant&) const
    {
        return false;
    }

    LHardwareKnob& module;
};

LHardwareKnob::LHardwareKnob() : m_implementation(std::make_unique<Implementation>(*this)) {}

LHardwareKnob::~LHardwareKnob() = default;

RCPtr<LHardwareKnob> LHardwareKnob::Create()
{
    RCPtr<LHardwareKnob> knob(new LHardwareKnob());
    knob->CreateChildren();
    return knob;
}

void LHardwareKnob::CreateChildren() {}

void LHardwareKnob::SetFirstParamID(LParameterizedModule* parent, int32_t firstParamId, int32_t index)
{
    IHardwareKnob::SetFirstParamID(parent, firstParamId, index);
    const uint32_t offset = static_cast<uint32_t>(firstParamId) - static_cast<uint32_t>(GetRoot()->GetFirstParamID());
    if (offset - (1 + IPadBank::PadCount) >= static_cast<uint32_t>(IKnobBank::KnobCount))
        VQ_THROW_DETAIL(std::logic_error, "Invalid FirstParamID");
}

int32_t LHardwareKnob::SetParamValueLocal(const ParamDescriptor& descriptor, const Variant& value, bool local)
{
    if (descriptor.id >= 0)
        return descriptor.id == GetFirstParamID() ? IHardwareKnob::SetParamValueLocal(descriptor, value, local) : -1;
    if (!IsSpecialModuleParam(descriptor.id))
        return -1;
    if (!local)
        ForwardSpecialParam(descriptor, value);
    ParamDescriptor converted;
    Variant convertedValue;
    if (!m_implementation->ConvertSpecialParam(descriptor, value, converted, convertedValue))
        return 1;
    if (converted.id != GetFirstParamID())
        VQ_THROW(std::logic_error);
    return IHardwareKnob::SetParamValueLocal(converted, convertedValue, local);
}

Variant LHardwareKnob::GetParamValueLocal(const ParamDescriptor& descriptor)
{
    if (descriptor.id != GetFirstParamID())
        VQ_THROW(std::logic_error);
    return IHardwareKnob::GetParamValueLocal(descriptor);
}

Variant LHardwareKnob::GetParamValueDefault(int32_t id)
{
    if (id != GetFirstParamID())
        VQ_THROW(std::logic_error);
    // The CC number follows the knob's place; the range is the full MIDI one.
    const uint8_t bytes[3] = {static_cast<uint8_t>(GetIndex()), 0, 127};
    Variant value;
    value.SetBuffer(bytes, sizeof bytes);
    return value;
}

} // namespace VQ
