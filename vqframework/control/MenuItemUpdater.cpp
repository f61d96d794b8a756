#include "vqframework/control/MenuItemUpdater.h"

#include "vqframework/control/Control.h"

namespace VQ {

LMenuItemUpdater::LMenuItemUpdater(const RCPtr<LControl>& control) : m_control(control) {}

RCPtr<LMenuItemUpdater> LMenuItemUpdater::Create(const RCPtr<LControl>& control)
{
    return RCPtr<LMenuItemUpdater>(new LMenuItemUpdater(control));
}

VQRESULT LMenuItemUpdater::GetMenuItemState(const RCPtr<LMenuDescriptor>& menu, int32_t index,
                                            const StringT<char16_t, char>& command, LMenuItemInfo& info)
{
    // Held for the call: the control may drop the updater while it answers.
    const RCPtr<LControl> control = m_control;
    if (!control)
        return E_FAIL;
    return control->GetMenuItemState(menu, index, command, info);
}

void LMenuItemUpdater::Detach()
{
    m_control.Release();
}

} // namespace VQ
