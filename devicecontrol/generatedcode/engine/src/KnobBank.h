// The bank of the 8 knobs: routes the 8 ids after the pads' to them.
#pragma once

#include "devicecontrol/generatedcode/engine/inc/RootModuleInterface.h"
#include "devicecontrol/generatedcode/engine/src/HardwareKnob.h"
#include "vqframework/storage/RCPtrArray.h"

#include <memory>

namespace VQ {

class LKnobBank : public IKnobBank {
public:
    static RCPtr<LKnobBank> Create();

    using IKnobBank::GetKnob;
    // Empty for an index outside 0..7.
    RCPtr<IHardwareKnob> GetKnob(int32_t index) override;
    void SetFirstParamID(LParameterizedModule* parent, int32_t firstParamId, int32_t index) override;
    virtual void CreateChildren();

protected:
    LKnobBank();
    ~LKnobBank() override;

private:
    struct Implementation;
    const std::unique_ptr<Implementation> m_implementation;
    RCPtrArray<LHardwareKnob> m_knobs;
};

} // namespace VQ
