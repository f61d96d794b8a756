// The bank of the 8 pads: routes the 8 ids after the channel's to them.
#pragma once

#include "devicecontrol/generatedcode/engine/inc/RootModuleInterface.h"
#include "devicecontrol/generatedcode/engine/src/Pad.h"
#include "vqframework/storage/RCPtrArray.h"

#include <memory>

namespace VQ {

class LPadBank : public IPadBank {
public:
    static RCPtr<LPadBank> Create();

    using IPadBank::GetPad;
    // Empty for an index outside 0..7.
    RCPtr<IPad> GetPad(int32_t index) override;
    void SetFirstParamID(LParameterizedModule* parent, int32_t firstParamId, int32_t index) override;
    virtual void CreateChildren();

protected:
    LPadBank();
    ~LPadBank() override;

private:
    struct Implementation;
    const std::unique_ptr<Implementation> m_implementation;
    RCPtrArray<LPad> m_pads;
};

} // namespace VQ
