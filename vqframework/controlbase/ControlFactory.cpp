#include "vqframework/controlbase/ControlFactory.h"

#include "vqframework/control/Control.h"

namespace VQ {

LControlFactory::LControlFactory(const String& applicationName) : m_applicationName(applicationName) {}

LControlFactory::~LControlFactory() = default;

// STUB: the factory's operations follow.
VQRESULT LControlFactory::LoadResources(const String&, int32_t) { return E_NOTIMPL; }
VQRESULT LControlFactory::RegisterControlCreateFunction(const String&, ControlCreateFunction) { return E_NOTIMPL; }
VQRESULT LControlFactory::GetControlCreateFunction(const String&, ControlCreateFunction&) const { return E_NOTIMPL; }
const RCPtr<LControlDescriptor>& LControlFactory::GetControlDescriptor(const String&) const
{
    return RCPtr<LControlDescriptor>::Null;
}
RCPtr<LControl>& LControlFactory::CreateControl(RCPtr<LControl>& control, const RCPtr<LControlDescriptor>&,
                                                const RCPtr<LControl>&)
{
    return control;
}
RCPtr<LControl>& LControlFactory::CreateTopLevelControl(RCPtr<LControl>& control, const String&,
                                                        const RCPtr<LRootWindow>&)
{
    return control;
}
RCPtr<LControlDescriptor>& LControlFactory::CloneControlDescriptor(RCPtr<LControlDescriptor>& clone,
                                                                   const RCPtr<LControlDescriptor>&,
                                                                   const RCPtr<LLayoutDescriptor>&, const String&)
{
    return clone;
}
VQRESULT LControlFactory::GetSkinFont(String&, float&, int32_t&) const { return E_NOTIMPL; }
VQRESULT LControlFactory::RebuildControl(const RCPtr<LControl>&) { return E_NOTIMPL; }
const RCPtr<LControlDescriptor>& LControlFactory::GetCurrentRoot() const { return RCPtr<LControlDescriptor>::Null; }
RCPtr<LColorizer> LControlFactory::FindColorizer(const String&) const { return nullptr; }
RCPtr<LVisualPartDescriptor> LControlFactory::FindPart(const String&) const { return nullptr; }
RCPtr<LLookDescriptor> LControlFactory::FindLook(const String&) const { return nullptr; }
RCPtr<LookList> LControlFactory::FindLookList(const String&) const { return nullptr; }

} // namespace VQ
