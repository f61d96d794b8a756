#include "vqframework/controlbase/ControlFactory.h"

#include "vqframework/control/Control.h"
#include "vqframework/objectbase/Exception.h"

#include <stdexcept>

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

VQRESULT LControlFactory::RegisterControlCreateFunction(const String& className, ControlCreateFunction function)
{
    // The framework registers its classes first; an application cannot replace them.
    m_createFunctions.emplace(className, function);
    return S_OK;
}

VQRESULT LControlFactory::GetControlCreateFunction(const String& className, ControlCreateFunction& function) const
{
    const auto found = m_createFunctions.find(className);
    if (found == m_createFunctions.end())
        VQ_THROW(std::runtime_error);
    function = found->second;
    return S_OK;
}

const RCPtr<LControlDescriptor>& LControlFactory::GetControlDescriptor(const String& name) const
{
    const RCPtr<LControlDescriptor>& root = GetCurrentRoot();
    if (!root)
        return RCPtr<LControlDescriptor>::Null;
    // From the end, so that the last of several same-named descriptors wins.
    const RCPtrArray<LControlDescriptor>& children = root->GetChildren();
    for (uint32_t i = children.GetCount(); i-- > 0;) {
        const RCPtr<LControlDescriptor>& child = children.GetAt(i);
        if (child && child->GetName() == name)
            return child;
    }
    return RCPtr<LControlDescriptor>::Null;
}

RCPtr<LControl>& LControlFactory::CreateControl(RCPtr<LControl>& control, const RCPtr<LControlDescriptor>& descriptor,
                                                const RCPtr<LControl>& parent)
{
    control.Release();
    if (!descriptor)
        return control;
    ControlCreateFunction function = descriptor->GetCreateFunction();
    if (!function) {
        GetControlCreateFunction(descriptor->GetClassName(), function);
        descriptor->SetCreateFunction(function);
    }
    return function(control, parent, descriptor);
}

RCPtr<LControl>& LControlFactory::CreateTopLevelControl(RCPtr<LControl>& control, const String& name,
                                                        LRootWindow* rootWindow)
{
    control.Release();
    // Held here: the descriptor must outlive a create function that reloads the skin.
    const RCPtr<LControlDescriptor> descriptor = GetControlDescriptor(name);
    if (!descriptor)
        return control;
    // Top-level SubControls do not read IsVisible; a top-level control is shown when it is created.
    if (const RCPtr<LLayoutDescriptor>& layout = descriptor->GetLayout())
        layout->IsVisible = true;
    CreateControl(control, descriptor, RCPtr<LControl>());
    if (control)
        control->AttachToRootWindow(rootWindow);
    return control;
}

RCPtr<LControlDescriptor>& LControlFactory::CloneControlDescriptor(RCPtr<LControlDescriptor>& clone,
                                                                   const RCPtr<LControlDescriptor>& source,
                                                                   const RCPtr<LLayoutDescriptor>& layout,
                                                                   const String& newName)
{
    if (!source) {
        clone.Release();
        return clone;
    }
    clone = source->Clone(newName);
    clone->SetLayout(layout);
    return clone;
}

VQRESULT LControlFactory::GetSkinFont(String& fontName, float& fontSize, int32_t& fontStyle) const
{
    const RCPtr<LControlDescriptor>& root = GetCurrentRoot();
    if (!root || !root->GetSkin())
        return 1;
    const LSkinDescriptor& skin = *root->GetSkin();
    bool reported = false;
    if (!skin.fontName.IsEmpty()) {
        fontName = skin.fontName;
        reported = true;
    }
    if (skin.fontSize >= 1) {
        fontSize = skin.fontSize;
        reported = true;
    }
    if (skin.fontStyle != -1) {
        fontStyle = skin.fontStyle;
        reported = true;
    }
    return reported ? S_OK : 1;
}

VQRESULT LControlFactory::RebuildControl(const RCPtr<LControl>& control)
{
    if (!control)
        return E_FAIL;
    const RCPtr<LControlDescriptor> descriptor = GetControlDescriptor(control->GetName());
    if (!descriptor)
        return E_FAIL;
    return control->CreateFromDescriptor(descriptor);
}

} // namespace VQ
