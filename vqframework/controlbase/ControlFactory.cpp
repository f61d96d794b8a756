#include "vqframework/controlbase/ControlFactory.h"

#include "vqframework/control/Control.h"

namespace VQ {

LControlFactory::LControlFactory(const String& applicationName) : m_applicationName(applicationName) {}

LControlFactory::~LControlFactory() = default;

const RCPtr<LControlDescriptor>& LControlFactory::GetCurrentRoot() const
{
    // The application sets the index; a skin list it does not fit (none loaded) has no root.
    if (m_currentSkinIndex < 0 || uint32_t(m_currentSkinIndex) >= m_skins.GetCount())
        return RCPtr<LControlDescriptor>::Null;
    return m_skins.GetAt(uint32_t(m_currentSkinIndex));
}

// STUB: the factory's operations follow.
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

} // namespace VQ
