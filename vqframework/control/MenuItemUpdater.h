// What a menu asks for the state of its entries: it passes the question to the control the updater
// belongs to. The updater holds that control, and the control holds the updater, so the link counts as
// one of the control's cyclic references until the control drops it.
#pragma once

#include "vqframework/controlbase/MenuDescriptor.h"
#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/objectbase/Result.h"
#include "vqframework/storage/StringT.h"

namespace VQ {

class LControl;

class LMenuItemUpdater : public virtual LRefCountedObject {
public:
    static RCPtr<LMenuItemUpdater> Create(const RCPtr<LControl>& control);

    // The control's answer; E_FAIL once the updater holds no control.
    VQRESULT GetMenuItemState(const RCPtr<LMenuDescriptor>& menu, int32_t index, const StringT<char16_t, char>& command,
                              LMenuItemInfo& info);

    const RCPtr<LControl>& GetControl() const { return m_control; }
    // Drops the link to the control.
    void Detach();

private:
    explicit LMenuItemUpdater(const RCPtr<LControl>& control);

    RCPtr<LControl> m_control;
};

} // namespace VQ
