#include "devicecontrol/generatedcode/engine/src/Pad.h"

namespace VQ {

// Maps special parameters onto the pad's own; no special parameter belongs to a pad.
struct LPad::Implementation {
    explicit Implementation(LPad& owner) : module(owner) {}

    bool ConvertSpecialParam(const ParamDescriptor&, const Variant&, ParamDescriptor&, Variant&) const
    {
        return false;
    }

    LPad& module;
};

LPad::LPad() : m_implementation(std::make_unique<Implementation>(*this)) {}

LPad::~LPad() = default;

RCPtr<LPad> LPad::Create()
{
    RCPtr<LPad> pad(new LPad());
    pad->CreateChildren();
    return pad;
}

void LPad::CreateChildren() {}

void LPad::SetFirstParamID(LParameterizedModule* parent, int32_t firstParamId, int32_t index)
{
    IPad::SetFirstParamID(parent, firstParamId, index);
    const uint32_t offset = static_cast<uint32_t>(firstParamId) - static_cast<uint32_t>(GetRoot()->GetFirstParamID());
    if (offset - 1 >= static_cast<uint32_t>(IPadBank::PadCount))
        VQ_THROW_DETAIL(std::logic_error, "Invalid FirstParamID");
}

int32_t LPad::SetParamValueLocal(const ParamDescriptor& descriptor, const Variant& value, bool local)
{
    if (descriptor.id >= 0)
        return descriptor.id == GetFirstParamID() ? IPad::SetParamValueLocal(descriptor, value, local) : -1;
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
    return IPad::SetParamValueLocal(converted, convertedValue, local);
}

Variant LPad::GetParamValueLocal(const ParamDescriptor& descriptor)
{
    if (descriptor.id != GetFirstParamID())
        VQ_THROW(std::logic_error);
    return IPad::GetParamValueLocal(descriptor);
}

Variant LPad::GetParamValueDefault(int32_t id)
{
    if (id != GetFirstParamID())
        VQ_THROW(std::logic_error);
    RCPtr<LParameterizedModule> bank = GetParent();
    // Note, program change and CC number follow the pad's place; the bytes wrap.
    const uint8_t place = static_cast<uint8_t>(8 * (bank ? bank->GetIndex() : 0) + GetIndex());
    const uint8_t bytes[4] = {static_cast<uint8_t>(36 + place), place, place, 0};
    Variant value;
    value.SetBuffer(bytes, sizeof bytes);
    return value;
}

} // namespace VQ
