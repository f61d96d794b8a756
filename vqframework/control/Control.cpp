// Creation, re-creation and teardown of a control.
#include "vqframework/control/Control.h"

#include "vqframework/control/MenuItemUpdater.h"
#include "vqframework/control/RootWindow.h"

namespace VQ {

LControl::LControl(const RCPtr<LControl>& parent, const String& name) : m_name(name)
{
    m_conditionsParam = LConditionsParam::Create(0, 0, {});
    if (parent)
        SetParent(parent);
}

LControl::~LControl() = default;

void LControl::CompleteCreation(const RCPtr<LControl>& control, const RCPtr<LControlDescriptor>& descriptor)
{
    control->CreateFromDescriptor(descriptor);
    control->RecreateChildren(descriptor);
    control->Initialize();
    control->OnCreated();
    control->m_created = true;
}

VQRESULT LControl::CreateFromDescriptor(const RCPtr<LControlDescriptor>& descriptor)
{
    m_descriptor = descriptor;
    m_layout = descriptor->GetLayout()->Clone();
    return S_OK;
}

VQRESULT LControl::RecreateChildren(const RCPtr<LControlDescriptor>&)
{
    return S_OK;
}

VQRESULT LControl::Initialize()
{
    return S_OK;
}

VQRESULT LControl::ApplyCreateParams()
{
    return S_OK;
}

VQRESULT LControl::AddChildFromDescriptor(const RCPtr<LControl>&, const RCPtr<LControlDescriptor>&)
{
    return E_FAIL;
}

VQRESULT LControl::OnCreated()
{
    return S_OK;
}

int32_t LControl::AdjustWindowRect(RectT<double>&)
{
    return 0;
}

VQRESULT LControl::AttachToRootWindow(LRootWindow* rootWindow)
{
    if (m_parent)
        return E_FAIL;
    m_rootWindow = rootWindow;
    return S_OK;
}

void LControl::RegisterRootWindowHandlers() {}

RCPtr<LStringTable> LControl::GetStringTable() const
{
    return m_stringTable;
}

LControl::String LControl::GetString(const String&) const
{
    return String();
}

const RCPtr<LRootWindow>& LControl::GetRootWindow() const
{
    const LControl* top = this;
    while (top->m_parent)
        top = top->m_parent.Get();
    return top->m_rootWindow;
}

RCPtr<LControl> LControl::GetTopLevelControl()
{
    LControl* top = this;
    while (top->m_parent)
        top = top->m_parent.Get();
    return RCPtr<LControl>(top);
}

const RCPtr<LMenuItemUpdater>& LControl::GetMenuItemUpdater()
{
    return m_menuItemUpdater;
}

KeyCode LControl::GetLocalHotKey(const String& command) const
{
    return m_localHotKeys.GetFirstKey(command);
}

VQRESULT LControl::Close()
{
    return m_parent ? SetParent(RCPtr<LControl>()) : AttachToRootWindow(nullptr);
}

VQRESULT LControl::RemoveChildLater(const RCPtr<LControl>&)
{
    return E_INVALIDARG;
}

VQRESULT LControl::CloseQueuedControls()
{
    return S_OK;
}

VQRESULT LControl::ReleaseCyclicReferences()
{
    m_children.RemoveAll();
    return S_OK;
}

void LControl::Receive(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& notification)
{
    if (m_handlerTable && m_created)
        m_handlerTable->Dispatch(sender, notification);
}

VQRESULT LControl::Unregister(const RCPtr<LNotificationDistributor>& distributor, const char16_t* id)
{
    return LNotificationClient::Unregister(distributor, id);
}

} // namespace VQ
