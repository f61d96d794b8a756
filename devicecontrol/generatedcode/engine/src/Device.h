// The device module: owns the MIDI channel, the pad bank and the knob bank.
#pragma once

#include "devicecontrol/generatedcode/engine/inc/RootModuleInterface.h"

#include <memory>

namespace VQ {

class LDevice : public IDevice {
public:
    static RCPtr<LDevice> Create();

    using IDevice::GetKnobBank;
    using IDevice::GetMidiChannel;
    using IDevice::GetPadBank;
    RCPtr<IMidiChannel> GetMidiChannel() override;
    RCPtr<IPadBank> GetPadBank() override;
    RCPtr<IKnobBank> GetKnobBank() override;
    void SetFirstParamID(LParameterizedModule* parent, int32_t firstParamId, int32_t index) override;
    virtual void CreateChildren();

protected:
    LDevice();
    ~LDevice() override;

private:
    struct Implementation;
    const std::unique_ptr<Implementation> m_implementation;
    RCPtr<IMidiChannel> m_midiChannel;
    RCPtr<IPadBank> m_padBank;
    RCPtr<IKnobBank> m_knobBank;
};

} // namespace VQ
