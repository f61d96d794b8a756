// One knob of the knob bank: owns the parameter at its first id, a 3-byte value.
#pragma once

#include "devicecontrol/generatedcode/engine/inc/RootModuleInterface.h"

#include <memory>

namespace VQ {

class LHardwareKnob : public IHardwareKnob {
public:
    static RCPtr<LHardwareKnob> Create();

    void SetFirstParamID(LParameterizedModule* parent, int32_t firstParamId, int32_t index) override;
    int32_t SetParamValueLocal(const ParamDescriptor& descriptor, const Variant& value, bool local) override;
    Variant GetParamValueLocal(const ParamDescriptor& descriptor) override;
    Variant GetParamValueDefault(int32_t id) override;
    virtual void CreateChildren();

protected:
    LHardwareKnob();
    ~LHardwareKnob() override;

private:
    struct Implementation;
    const std::unique_ptr<Implementation> m_implementation;
};

} // namespace VQ
