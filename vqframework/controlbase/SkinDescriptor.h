// The appearance settings of one control: its look list and its font. The skin reader writes the
// fields directly while it reads; afterwards they are shared and not changed.
#pragma once

#include "vqframework/controlbase/LookDescriptor.h"
#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/storage/StringT.h"

#include <cstdint>

namespace VQ {

class LSkinDescriptor : public virtual LRefCountedObject {
public:
    using String = StringT<char16_t, char>;

    static RCPtr<LSkinDescriptor> Create(const String& name);

    const String& GetName() const { return m_name; }

private:
    // First, so that it goes last.
    const String m_name;

public:
    // Null when the skin names no look list or one that is not defined.
    RCPtr<LookList> lookList;
    bool FontInheritsFromParent = false;
    bool FontSizeIsRelative = false;
    // Empty, 0 and -1 mean "not set"; sizes are in points, styles the bits of LFont.
    String fontName;
    float fontSize = 0;
    int32_t fontStyle = -1;

private:
    explicit LSkinDescriptor(const String& name);
};

} // namespace VQ
