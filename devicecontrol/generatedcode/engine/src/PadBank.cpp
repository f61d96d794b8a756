#include "devicecontrol/generatedcode/engine/src/PadBank.h"

namespace VQ {

// The bank's private part; no special parameter belongs to a container.
struct LPadBank::Implementation {
    explicit Implementation(LPadBank& owner) : module(owner) {}

    LPadBank& module;
};

LPadBank::LPadBank() : m_implementation(std::make_unique<Implementation>(*this)) {}

LPadBank::~LPadBank() = default;

RCPtr<LPadBank> LPadBank::Create()
{
    RCPtr<LPadBank> bank(new LPadBank());
    bank->CreateChildren();
    return bank;
}

void LPadBank::CreateChildren()
{
    m_pads.SetCount(PadCount);
    for (uint32_t i = 0; i < static_cast<uint32_t>(PadCount); ++i)
        m_pads.GetAt(i) = LPad::Create();
}

RCPtr<IPad> LPadBank::GetPad(int32_t index)
{
    if (static_cast<uint32_t>(index) >= m_pads.GetCount())
        return nullptr;
    return m_pads.GetAt(static_cast<uint32_t>(index));
}

void LPadBank::SetFirstParamID(LParameterizedModule* parent, int32_t firstParamId, int32_t index)
{
    IPadBank::SetFirstParamID(parent, firstParamId, index);
    if (static_cast<uint32_t>(firstParamId) - static_cast<uint32_t>(GetRoot()->GetFirstParamID()) != 1)
        VQ_THROW_DETAIL(std::logic_error, "Invalid FirstParamID");
}

} // namespace VQ
