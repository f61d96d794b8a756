#include "vqframework/controlbase/ControlDescriptor.h"

namespace VQ {

LControlDescriptor::LControlDescriptor(const String& className, const String& name, LControlDescriptor* parent)
    : m_className(className), m_name(name), m_parent(parent)
{
}

RCPtr<LControlDescriptor> LControlDescriptor::Create(const String& className, const String& name,
                                                     LControlDescriptor* parent)
{
    return RCPtr<LControlDescriptor>(new LControlDescriptor(className, name, parent));
}

RCPtr<LControlDescriptor> LControlDescriptor::CreateRoot(const String& applicationName)
{
    return Create(String(u"Application"), applicationName, nullptr);
}

RCPtr<LControlDescriptor> LControlDescriptor::Clone(const String& newName) const
{
    RCPtr<LControlDescriptor> clone = Create(m_className, newName.IsEmpty() ? m_name : newName, m_parent);
    clone->m_children.Assign(m_children);
    clone->m_skin = m_skin;
    clone->m_layout = m_layout;
    clone->m_createParams = m_createParams;
    clone->m_createFunction = m_createFunction;
    return clone;
}

VQRESULT LControlDescriptor::AddChild(const RCPtr<LControlDescriptor>& child)
{
    m_children.Add(child);
    return S_OK;
}

VQRESULT LControlDescriptor::SetSkin(const RCPtr<LSkinDescriptor>& skin)
{
    m_skin = skin;
    return S_OK;
}

VQRESULT LControlDescriptor::SetLayout(const RCPtr<LLayoutDescriptor>& layout)
{
    m_layout = layout;
    return S_OK;
}

VQRESULT LControlDescriptor::SetCreateParams(const RCPtr<LStringTable>& createParams)
{
    m_createParams = createParams;
    return S_OK;
}

} // namespace VQ
