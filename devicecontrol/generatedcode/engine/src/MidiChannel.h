// The MIDI channel: owns the parameter at its first id, one byte.
#pragma once

#include "devicecontrol/generatedcode/engine/inc/RootModuleInterface.h"

#include <memory>

namespace VQ {

class LMidiChannel : public IMidiChannel {
public:
    static RCPtr<LMidiChannel> Create();

    void SetFirstParamID(LParameterizedModule* parent, int32_t firstParamId, int32_t index) override;
    int32_t SetParamValueLocal(const ParamDescriptor& descriptor, const Variant& value, bool local) override;
    Variant GetParamValueLocal(const ParamDescriptor& descriptor) override;
    Variant GetParamValueDefault(int32_t id) override;
    virtual void CreateChildren();

protected:
    LMidiChannel();
    ~LMidiChannel() override;

private:
    struct Implementation;
    const std::unique_ptr<Implementation> m_implementation;
};

} // namespace VQ
