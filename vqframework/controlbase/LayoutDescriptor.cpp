#include "vqframework/controlbase/LayoutDescriptor.h"

namespace VQ {

RCPtr<LLayoutDescriptor> LLayoutDescriptor::Create()
{
    return RCPtr<LLayoutDescriptor>(new LLayoutDescriptor());
}

RCPtr<LLayoutDescriptor> LLayoutDescriptor::Clone() const
{
    return RCPtr<LLayoutDescriptor>(new LLayoutDescriptor(*this));
}

} // namespace VQ
