#include "vqframework/controlbase/LookDescriptor.h"

namespace VQ {

LDockedPart::LDockedPart(const RCPtr<LVisualPartDescriptor>& part, const DockRecord& placement)
    : m_part(part), m_placement(placement)
{
}

RCPtr<LDockedPart> LDockedPart::Create(const RCPtr<LVisualPartDescriptor>& part, const DockRecord& placement)
{
    if (!part)
        return nullptr;
    return RCPtr<LDockedPart>(new LDockedPart(part, placement));
}

RCPtr<LVisualPart> LDockedPart::GetVisualPart() const
{
    return m_part->GetVisualPart();
}

LLookDescriptor::LLookDescriptor(const String& name) : m_name(name) {}

RCPtr<LLookDescriptor> LLookDescriptor::Create(const String& name)
{
    return RCPtr<LLookDescriptor>(new LLookDescriptor(name));
}

VQRESULT LLookDescriptor::SetClientPart(const RCPtr<LDockedPart>& part)
{
    // The counted pointer takes the new reference before it drops the old one.
    m_clientPart = part;
    return S_OK;
}

VQRESULT LLookDescriptor::AddNonClientPart(const RCPtr<LDockedPart>& part)
{
    if (!part)
        return E_INVALIDARG;
    m_nonClientParts.Add(part);
    return S_OK;
}

VQRESULT LLookDescriptor::SetTextProperties(const LookTextProperties& properties,
                                            const RCPtr<LVisualPartDescriptor>& foregroundPart)
{
    m_text = properties;
    m_textForegroundPart = foregroundPart;
    m_hasText = true;
    return S_OK;
}

RCPtr<LookList> CreateLookList(uint32_t count)
{
    return LookList::Create(count, 0);
}

} // namespace VQ
