#include "devicecontrol/generatedcode/engine/src/KnobBank.h"

namespace VQ {

// The bank's private part; no special parameter belongs to a container.
struct LKnobBank::Implementation {
    explicit Implementation(LKnobBank& owner) : module(owner) {}

    LKnobBank& module;
};

LKnobBank::LKnobBank() : m_implementation(std::make_unique<Implementation>(*this)) {}

LKnobBank::~LKnobBank() = default;

RCPtr<LKnobBank> LKnobBank::Create()
{
    RCPtr<LKnobBank> bank(new LKnobBank());
    bank->CreateChildren();
    return bank;
}

void LKnobBank::CreateChildren()
{
    m_knobs.SetCount(KnobCount);
    for (uint32_t i = 0; i < static_cast<uint32_t>(KnobCount); ++i)
        m_knobs.GetAt(i) = LHardwareKnob::Create();
}

RCPtr<IHardwareKnob> LKnobBank::GetKnob(int32_t index)
{
    if (static_cast<uint32_t>(index) >= m_knobs.GetCount())
        return nullptr;
    return m_knobs.GetAt(static_cast<uint32_t>(index));
}

void LKnobBank::SetFirstParamID(LParameterizedModule* parent, int32_t firstParamId, int32_t index)
{
    IKnobBank::SetFirstParamID(parent, firstParamId, index);
    if (static_cast<uint32_t>(firstParamId) - static_cast<uint32_t>(GetRoot()->GetFirstParamID()) !=
        static_cast<uint32_t>(1 + IPadBank::PadCount))
        VQ_THROW_DETAIL(std::logic_error, "Invalid FirstParamID");
}

} // namespace VQ
