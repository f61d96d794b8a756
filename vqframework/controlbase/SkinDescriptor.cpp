#include "vqframework/controlbase/SkinDescriptor.h"

namespace VQ {

LSkinDescriptor::LSkinDescriptor(const String& name) : m_name(name) {}

RCPtr<LSkinDescriptor> LSkinDescriptor::Create(const String& name)
{
    return RCPtr<LSkinDescriptor>(new LSkinDescriptor(name));
}

} // namespace VQ
