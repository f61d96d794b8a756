// Creation, re-creation and teardown of a control.
#include "vqframework/control/Control.h"

#include "vqframework/application/ApplicationServices.h"
#include "vqframework/control/LayoutSuspension.h"
#include "vqframework/control/MenuItemUpdater.h"
#include "vqframework/control/RootWindow.h"
#include "vqframework/controlbase/ControlFactory.h"

#include <algorithm>
#include <string>

namespace VQ {

namespace {

LControlFactory* GetFactory()
{
    IApplicationServices* services = GetApplicationServices();
    return services ? services->GetControlFactory() : nullptr;
}

// A create parameter counts as set when its text, trimmed and lower-cased, is "true".
bool IsTrue(const LControl::String& value)
{
    return value.Trim().ToLower() == LControl::String(u"true");
}

bool GetCreateParam(const RCPtr<LControlDescriptor>& descriptor, const char16_t* id, LControl::String& value)
{
    const RCPtr<LStringTable>& params = descriptor ? descriptor->GetCreateParams() : RCPtr<LStringTable>::Null;
    return params && params->GetString(id, value);
}

// The leading decimal number of a text after blanks, as the C run-time's wide atof reads it in the
// "C" locale: an optional sign, digits with an optional point, an optional exponent; 0 when there is
// none, an infinity when it is too large, 0 when too small.
double ParseLeadingNumber(const LControl::String& text)
{
    const auto view = text.View();
    size_t at = 0;
    while (at < view.size() && (view[at] == u' ' || (view[at] >= u'\t' && view[at] <= u'\r')))
        ++at;
    bool negative = false;
    if (at < view.size() && (view[at] == u'+' || view[at] == u'-'))
        negative = view[at++] == u'-';
    // Only the characters a decimal number is made of: from_chars would take "inf" and "nan" too.
    std::string digits;
    for (; at < view.size(); ++at) {
        const char16_t c = view[at];
        if (!((c >= u'0' && c <= u'9') || c == u'.' || c == u'e' || c == u'E' || c == u'+' || c == u'-'))
            break;
        digits += static_cast<char>(c);
    }
    if (digits.empty() || digits[0] == '+' || digits[0] == '-')
        return 0.0;
    const double value = detail::ParseDouble(digits.c_str());
    return negative ? -value : value;
}

// "NOT_FOCUSABLE" when the descriptor has it, else a negative TabStop.
void ApplyFocusability(LControl& control)
{
    LControl::String value;
    if (GetCreateParam(control.GetControlDescriptor(), u"NOT_FOCUSABLE", value))
        control.SetNotFocusable(IsTrue(value));
    else
        control.SetNotFocusable(control.GetLayout() && control.GetLayout()->TabStop < 0);
}

} // namespace

LControl::LControl(const RCPtr<LControl>& parent, const String& name) : m_name(name)
{
    m_conditionsParam = LConditionsParam::Create(0, 0, {});
    // SetParent refuses a taken name before it makes a reference to this control.
    if (parent)
        SetParent(parent);
    if (LControlFactory* factory = GetFactory())
        m_stringTable = factory->GetStringTable(parent, name);
}

LControl::~LControl()
{
    // Only a constructor that threw after joining its parent leaves a parent here: otherwise the
    // parent's entry would still keep this control alive.
    if (m_parent) {
        const RCPtr<LControl> parent = m_parent;
        parent->m_children.Forget(this);
    }
}

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
    if (!descriptor)
        return E_INVALIDARG;
    // Held: re-attaching children and their handlers may drop the last other reference.
    const RCPtr<LControl> self(this);
    const bool recreation = m_created && m_layout;

    bool wasVisible = true;
    bool wasEnabled = true;
    if (recreation) {
        wasVisible = m_layout->IsVisible;
        wasEnabled = m_layout->IsEnabled;
        SetClipToParent(true);
    }

    m_descriptor = descriptor;
    m_layout = descriptor->GetLayout() ? descriptor->GetLayout()->Clone() : LLayoutDescriptor::Create();

    if (m_rootWindow) {
        m_layout->IsVisible = true;
        if (recreation) {
            const RectT<int32_t> window = m_rootWindow->GetScreenRect();
            const RectT<double> formed{ConvertCoordinate<double>(window.x),
                                       ConvertCoordinate<double>(window.y),
                                       m_rect.width, m_rect.height};
            RectT<double> rect = formed;
            if (AdjustWindowRect(rect) == 1)
                m_rootWindow->SetWindowRect(rect.Round());
            else
                rect = formed;
            // References, names, anchors and docking stay; only the amounts change.
            LayoutPositionSpec position[2];
            LayoutSizeSpec size[2];
            const double positions[2] = {rect.x, rect.y};
            const double sizes[2] = {rect.width, rect.height};
            for (int32_t axis = 0; axis < 2; ++axis) {
                m_layout->GetPlacement(axis, position[axis], size[axis]);
                position[axis].rel = 0;
                position[axis].abs = positions[axis];
                size[axis].rel = 0;
                size[axis].abs = sizes[axis];
            }
            SetPlacementXY(position[0], size[0], position[1], size[1]);
        }
    }

    if (recreation) {
        if (m_layout->IsVisible != wasVisible) {
            // The change goes through SetVisible for its invalidation and focus handling.
            const bool visible = m_layout->IsVisible;
            m_layout->IsVisible = wasVisible;
            SetVisible(visible);
        }
        m_layout->IsEnabled = wasEnabled;
        ApplyFocusability(*this);
    }

    // Index-aligned with the look list: an empty entry keeps its place as an empty look.
    m_looks.SetCount(0);
    const RCPtr<LSkinDescriptor>& skin = descriptor->GetSkin();
    if (skin && skin->lookList) {
        const bool wrap = m_layout->TextOverflowXType == 2;
        const LookList& list = *skin->lookList;
        for (uint32_t i = 0; i < list.GetCount(); ++i)
            AddLook(LLook::Create(list.GetAt(i), wrap));
    }

    // A descriptor without skin has every font setting unset.
    m_inheritParentFont = skin && skin->FontInheritsFromParent;
    m_fontSizeRelative = skin && skin->FontSizeIsRelative;
    SetFont(skin ? skin->fontName : String(), skin ? skin->fontSize : 0.0f, skin ? skin->fontStyle : -1,
            m_fontSizeRelative);

    if (!recreation) {
        if (m_stringTable)
            SetText(GetString(String(u"LABEL")), false);
    } else {
        // The stored text is made to differ so that the unchanged text reaches the new looks.
        const String text = m_text;
        m_text += u'~';
        SetText(text, false);
    }

    if (!m_layout->ClipToParent)
        AddOverflowToAncestors(1);

    RCPtrArray<LControl> saved;
    for (uint32_t i = 0; i < m_children.GetCount(); ++i)
        saved.Add(m_children.GetAt(i, ChildControlList::OrderInsertion));
    m_children.RemoveAll();
    m_rect = {};
    UpdateLayout();

    if (!recreation) {
        SelectLook(0);
        m_conditionsParam->previousConditions = m_conditionsParam->currentConditions;
        m_conditionsParam->currentConditions = GetConditions();
        m_conditionsParam->point = m_pressPoint;
        return S_OK;
    }

    // Children whose names the new descriptor still lists keep their identity; the rest are dropped.
    {
        const LayoutSuspension suspension(m_layoutSuspended);
        const RCPtrArray<LControlDescriptor>& childDescriptors = descriptor->GetChildren();
        for (uint32_t i = 0; i < childDescriptors.GetCount(); ++i) {
            const RCPtr<LControlDescriptor>& childDescriptor = childDescriptors.GetAt(i);
            RCPtr<LControl> child;
            for (uint32_t s = 0; s < saved.GetCount(); ++s) {
                if (saved.GetAt(s)->GetName() == childDescriptor->GetName()) {
                    child = saved.GetAt(s);
                    saved.Remove(s, 1);
                    break;
                }
            }
            AddChildFromDescriptor(child, childDescriptor);
        }
        for (uint32_t s = 0; s < saved.GetCount(); ++s)
            AddChildFromDescriptor(saved.GetAt(s), RCPtr<LControlDescriptor>());
    }
    if (m_children.GetCount() > 0)
        UpdateLayout();
    UpdateConditions();

    OnCreated();
    m_children.Touch();
    if (m_rootWindow) {
        // The top-level control fills its window's client area again.
        LayoutPositionSpec position[2];
        LayoutSizeSpec size[2];
        for (int32_t axis = 0; axis < 2; ++axis) {
            m_layout->GetPlacement(axis, position[axis], size[axis]);
            position[axis].anchor = 0;
            position[axis].kind = ReferenceClient;
            position[axis].rel = 0;
            position[axis].abs = 0;
            size[axis].kind = ReferenceClient;
            size[axis].rel = 1.0f;
            size[axis].abs = 0;
        }
        SetPlacementXY(position[0], size[0], position[1], size[1]);
        UpdateLayout();
        Invalidate({0, 0, m_rect.width, m_rect.height}, m_layout->ClipToParent);
    }
    return S_OK;
}

VQRESULT LControl::RecreateChildren(const RCPtr<LControlDescriptor>& descriptor)
{
    m_children.RemoveAll();
    LControlFactory* factory = GetFactory();
    if (descriptor && factory) {
        const RCPtr<LControl> self(this);
        const RCPtrArray<LControlDescriptor>& childDescriptors = descriptor->GetChildren();
        for (uint32_t i = 0; i < childDescriptors.GetCount(); ++i) {
            const RCPtr<LControlDescriptor>& childDescriptor = childDescriptors.GetAt(i);
            String deferred;
            if (GetCreateParam(childDescriptor, u"DEFER_CREATE", deferred) && IsTrue(deferred))
                continue;
            // The child joins this control in its constructor.
            RCPtr<LControl> child;
            factory->CreateControl(child, childDescriptor, self);
        }
    }
    UpdateLayout();
    return S_OK;
}

VQRESULT LControl::AddChildFromDescriptor(const RCPtr<LControl>& child, const RCPtr<LControlDescriptor>& descriptor)
{
    if (!child || !descriptor)
        return E_FAIL;
    const VQRESULT result = child->SetParent(RCPtr<LControl>(this));
    if (result >= 0)
        child->CreateFromDescriptor(descriptor);
    return result;
}

VQRESULT LControl::ApplyCreateParams()
{
    String value;
    if (GetCreateParam(m_descriptor, u"INITIAL_VALUE", value))
        SetValue(ParseLeadingNumber(value));
    ApplyFocusability(*this);
    if (GetCreateParam(m_descriptor, u"USE_PARENT_TOOLTIP", value))
        m_useParentTooltip = IsTrue(value);
    if (GetCreateParam(m_descriptor, u"WANTS_TAB", value))
        m_wantsTab = IsTrue(value);
    return S_OK;
}

VQRESULT LControl::Initialize()
{
    if (IApplicationServices* services = GetApplicationServices())
        m_notificationCenter = services->GetNotificationCenter();
    m_handlerTable = LNotificationHandler<LControl>::Create(this);
    ApplyCreateParams();
    if (!m_stringTable)
        return S_OK;
    m_stringTable->GetString(u"TOOLTIP", m_tooltipText);
    m_localHotKeys.Load(m_stringTable.Get(), String(u"LHK"));

    // The map cannot tell its size, so the table's entries say whether a key was bound.
    bool hasKey = false;
    LStringTable::Entries entries;
    m_stringTable->GetStringTableEntries(u"LHK.", entries);
    for (const auto& [id, text] : entries) {
        const auto view = id.View();
        const String command(std::u16string(view.substr(view.rfind(u'.') + 1)).c_str());
        if (m_localHotKeys.HasCommand(command)) {
            hasKey = true;
            break;
        }
    }
    if (m_parent && hasKey) {
        m_handlerTable->RegisterHandler(&LControl::OnSiblingKey, m_parent, u"NID_SIBLING_KEY", 0);
        m_handlerTable->AddHandler(&LControl::OnSiblingKey, u"NID_SIBLING_KEY");
    }
    return S_OK;
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
    if (rootWindow) {
        if (IWindowOSServices* services = rootWindow->GetOSServices())
            services->SetCaption(m_text);
        RegisterRootWindowHandlers();
    }
    return S_OK;
}

void LControl::RegisterRootWindowHandlers()
{
    if (m_idleRequests > 0 && m_handlerTable) {
        if (const RCPtr<LRootWindow>& window = GetRootWindow()) {
            if (Failed(m_handlerTable->RegisterHandler(&LControl::OnIdleTick, window, u"NID_IDLE", 0)))
                m_idleRequests = 0;
        }
    }
    for (uint32_t i = m_children.GetCount(); i-- > 0;) {
        const RCPtr<LControl> child = m_children.GetAt(i, ChildControlList::OrderInsertion);
        child->RegisterRootWindowHandlers();
    }
}

RCPtr<LStringTable> LControl::GetStringTable() const
{
    return m_stringTable;
}

LControl::String LControl::GetString(const String& id) const
{
    String text;
    if (m_stringTable)
        m_stringTable->GetString(id.View(), text);
    return text;
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
    if (!m_menuItemUpdater) {
        m_menuItemUpdater = LMenuItemUpdater::Create(RCPtr<LControl>(this));
        AddCyclicReferences(1);
    }
    return m_menuItemUpdater;
}

KeyCode LControl::GetLocalHotKey(const String& command) const
{
    return m_localHotKeys.GetFirstKey(command);
}

VQRESULT LControl::Close()
{
    // Held: leaving the parent's list may drop the last reference.
    const RCPtr<LControl> self(this);
    SetVisible(false);
    SetClipToParent(true);
    if (m_captured)
        ReleaseCapture();
    while (m_idleRequests > 0)
        ReleaseIdle();
    return m_parent ? SetParent(RCPtr<LControl>()) : AttachToRootWindow(nullptr);
}

VQRESULT LControl::RemoveChildLater(const RCPtr<LControl>& child)
{
    if (!child || child->m_parent.Get() != this)
        return E_INVALIDARG;
    if (child->m_captured)
        child->ReleaseCapture();
    child->SetVisible(false);
    // A child queued twice would be closed twice.
    for (uint32_t i = 0; i < m_closeQueue.GetCount(); ++i)
        if (m_closeQueue.GetAt(i) == child)
            return S_OK;
    m_closeQueue.Add(child);
    if (m_closeQueue.GetCount() == 1)
        RequestIdle();
    return S_OK;
}

VQRESULT LControl::CloseQueuedControls()
{
    if (m_closeQueue.GetCount() == 0)
        return S_OK;
    const RCPtr<LControl> self(this);
    // The queue's one idle request goes with the controls taken; a control queued while these close
    // starts a new queue with its own request.
    RCPtrArray<LControl> closing;
    while (m_closeQueue.GetCount() > 0) {
        closing.Add(m_closeQueue.GetAt(0));
        m_closeQueue.Remove(0, 1);
    }
    // A control that moved to another parent since it was queued is no longer ours to close.
    for (uint32_t i = 0; i < closing.GetCount(); ++i)
        if (closing.GetAt(i)->m_parent.Get() == this)
            closing.GetAt(i)->Close();
    ReleaseIdle();
    return S_OK;
}

VQRESULT LControl::ReleaseCyclicReferences()
{
    RemoveAllClients();
    if (m_menuItemUpdater) {
        m_menuItemUpdater->Detach();
        AddCyclicReferences(-1);
        m_menuItemUpdater.Release();
    }
    m_children.RemoveAll();
    UnregisterAll();
    return GetCyclicCount() == 0 && GetRefCount() == 1 ? S_OK : E_FAIL;
}

void LControl::Receive(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& notification)
{
    if (m_handlerTable && m_created)
        m_handlerTable->Dispatch(sender, notification);
}

VQRESULT LControl::Unregister(const RCPtr<LNotificationDistributor>& distributor, const char16_t* id)
{
    if (m_handlerTable)
        m_handlerTable->RemoveHandler(distributor, id);
    return LNotificationClient::Unregister(distributor, id);
}

} // namespace VQ
