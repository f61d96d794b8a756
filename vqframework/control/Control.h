// A node of the control tree, built from a control descriptor by its class's create function. This
// is the part the control factory works with; the control core builds the rest on it.
#pragma once

#include "vqframework/controlbase/ControlDescriptor.h"
#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/storage/StringT.h"

namespace VQ {

class LRootWindow;

class LControl : public virtual LRefCountedObject {
public:
    using String = StringT<char16_t, char>;

    const String& GetName() const { return m_name; }
    // The descriptor the control was last built from; null before that.
    const RCPtr<LControlDescriptor>& GetControlDescriptor() const { return m_descriptor; }

    // Builds or rebuilds the control from a descriptor.
    virtual VQRESULT CreateFromDescriptor(const RCPtr<LControlDescriptor>& descriptor) = 0;
    // Makes a top-level control the content of a root window; E_FAIL for a control with a parent.
    virtual VQRESULT AttachToRootWindow(LRootWindow* rootWindow) = 0;

protected:
    explicit LControl(const String& name) : m_name(name) {}

    String m_name;
    RCPtr<LControlDescriptor> m_descriptor;
};

} // namespace VQ
