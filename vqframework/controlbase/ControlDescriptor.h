// One control of a skin (a SubControl element) or the root of one skin: the class to create, its
// name, children, skin, layout and create parameters.
#pragma once

#include "vqframework/controlbase/LayoutDescriptor.h"
#include "vqframework/controlbase/SkinDescriptor.h"
#include "vqframework/controlbase/StringTable.h"
#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/storage/RCPtrArray.h"
#include "vqframework/storage/StringT.h"

namespace VQ {

class LControl;
class LControlDescriptor;

// Makes a control of one class: constructs it for the parent (null for a top-level control), builds it
// from the descriptor and stores it, with its reference, in out; returns out.
using ControlCreateFunction = RCPtr<LControl>& (*)(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                                   const RCPtr<LControlDescriptor>& descriptor);

class LControlDescriptor : public virtual LRefCountedObject {
public:
    using String = StringT<char16_t, char>;

    // parent is not counted: a child never outlives the tree it belongs to.
    static RCPtr<LControlDescriptor> Create(const String& className, const String& name,
                                            LControlDescriptor* parent);
    // The root of one skin: class "Application", the application's name, no parent.
    static RCPtr<LControlDescriptor> CreateRoot(const String& applicationName);

    // Same class and parent, newName (the source's when empty), the same children (the array copied,
    // the children shared), skin, layout, create parameters and cached create function.
    RCPtr<LControlDescriptor> Clone(const String& newName) const;

    // Each returns 0; setting the held pointer again changes nothing.
    VQRESULT AddChild(const RCPtr<LControlDescriptor>& child);
    VQRESULT SetSkin(const RCPtr<LSkinDescriptor>& skin);
    VQRESULT SetLayout(const RCPtr<LLayoutDescriptor>& layout);
    VQRESULT SetCreateParams(const RCPtr<LStringTable>& createParams);

    const String& GetClassName() const { return m_className; }
    const String& GetName() const { return m_name; }
    LControlDescriptor* GetParent() const { return m_parent; }
    const RCPtrArray<LControlDescriptor>& GetChildren() const { return m_children; }
    // The skin reader sorts the children once their SubControl ends.
    RCPtrArray<LControlDescriptor>& GetChildren() { return m_children; }
    const RCPtr<LSkinDescriptor>& GetSkin() const { return m_skin; }
    const RCPtr<LLayoutDescriptor>& GetLayout() const { return m_layout; }
    const RCPtr<LStringTable>& GetCreateParams() const { return m_createParams; }

    // Null until the factory first creates a control from this descriptor, then kept.
    ControlCreateFunction GetCreateFunction() const { return m_createFunction; }
    void SetCreateFunction(ControlCreateFunction function) { m_createFunction = function; }

private:
    LControlDescriptor(const String& className, const String& name, LControlDescriptor* parent);

    const String m_className;
    const String m_name;
    LControlDescriptor* const m_parent;
    RCPtrArray<LControlDescriptor> m_children;
    RCPtr<LSkinDescriptor> m_skin;
    RCPtr<LLayoutDescriptor> m_layout;
    RCPtr<LStringTable> m_createParams;
    ControlCreateFunction m_createFunction = nullptr;
};

} // namespace VQ
