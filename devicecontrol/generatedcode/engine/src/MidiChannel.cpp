#include "devicecontrol/generatedcode/engine/src/MidiChannel.h"

namespace VQ {

// Maps special parameters onto the channel's own; no special parameter belongs to the channel.
struct LMidiChannel::Implementation {
    explicit Implementation(LMidiChannel& owner) : module(owner) {}

    bool ConvertSpecialParam(const ParamDescriptor&, const Variant&, ParamDescriptor&, Variant&) const
    {
        return false;
    }

    LMidiChannel& module;
};

LMidiChannel::LMidiChannel() : m_implementation(std::make_unique<Implementation>(*this)) {}

LMidiChannel::~LMidiChannel() = default;

RCPtr<LMidiChannel> LMidiChannel::Create()
{
    RCPtr<LMidiChannel> channel(new LMidiChannel());
    channel->CreateChildren();
    return channel;
}

void LMidiChannel::CreateChildren() {}

void LMidiChannel::SetFirstParamID(LParameterizedModule* parent, int32_t firstParamId, int32_t index)
{
    IMidiChannel::SetFirstParamID(parent, firstParamId, index);
    if (firstParamId != GetRoot()->GetFirstParamID())
        VQ_THROW_DETAIL(std::logic_error, "Invalid FirstParamID");
}

int32_t LMidiChannel::SetParamValueLocal(const ParamDescriptor& descriptor, const Variant& value, bool local)
{
    if (descriptor.id >= 0)
        return descriptor.id == GetFirstParamID() ? IMidiChannel::SetParamValueLocal(descriptor, value, local) : -1;
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
    return IMidiChannel::SetParamValueLocal(converted, convertedValue, local);
}

Variant LMidiChannel::GetParamValueLocal(const ParamDescriptor& descriptor)
{
    if (descriptor.id != GetFirstParamID())
        VQ_THROW(std::logic_error);
    return IMidiChannel::GetParamValueLocal(descriptor);
}

Variant LMidiChannel::GetParamValueDefault(int32_t id)
{
    if (id != GetFirstParamID())
        VQ_THROW(std::logic_error);
    const uint8_t bytes[1] = {0};
    Variant value;
    value.SetBuffer(bytes, sizeof bytes);
    return value;
}

} // namespace VQ
