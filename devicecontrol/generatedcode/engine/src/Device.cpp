#include "devicecontrol/generatedcode/engine/src/Device.h"

#include "devicecontrol/generatedcode/engine/src/KnobBank.h"
#include "devicecontrol/generatedcode/engine/src/MidiChannel.h"
#include "devicecontrol/generatedcode/engine/src/PadBank.h"

namespace VQ {

// The device's private part; no special parameter belongs to a container.
struct LDevice::Implementation {
    explicit Implementation(LDevice& owner) : module(owner) {}

    LDevice& module;
};

LDevice::LDevice() : m_implementation(std::make_unique<Implementation>(*this)) {}

LDevice::~LDevice() = default;

RCPtr<LDevice> LDevice::Create()
{
    RCPtr<LDevice> device(new LDevice());
    device->CreateChildren();
    return device;
}

void LDevice::CreateChildren()
{
    m_midiChannel = LMidiChannel::Create();
    m_padBank = LPadBank::Create();
    m_knobBank = LKnobBank::Create();
}

RCPtr<IMidiChannel> LDevice::GetMidiChannel() { return m_midiChannel; }

RCPtr<IPadBank> LDevice::GetPadBank() { return m_padBank; }

RCPtr<IKnobBank> LDevice::GetKnobBank() { return m_knobBank; }

void LDevice::SetFirstParamID(LParameterizedModule* parent, int32_t firstParamId, int32_t index)
{
    IDevice::SetFirstParamID(parent, firstParamId, index);
    if (firstParamId != GetRoot()->GetFirstParamID())
        VQ_THROW_DETAIL(std::logic_error, "Invalid FirstParamID");
}

} // namespace VQ
