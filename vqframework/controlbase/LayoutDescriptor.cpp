#include "vqframework/controlbase/LayoutDescriptor.h"

namespace VQ {

bool LayoutPositionSpec::operator==(const LayoutPositionSpec& other) const
{
    return anchor == other.anchor && kind == other.kind && rel == other.rel && abs == other.abs &&
           docked == other.docked && (kind != ReferencePositionNamed || name == other.name);
}

bool LayoutSizeSpec::operator==(const LayoutSizeSpec& other) const
{
    return kind == other.kind && rel == other.rel && abs == other.abs &&
           (kind != ReferenceSizeNamed || name == other.name);
}

bool LayoutSizeSpec::EqualsAsLimit(const LayoutSizeSpec& other) const
{
    // The kind holds the named flag: any non-zero value is named, as SetSizeLimits stores it.
    const bool named = kind != 0;
    return named == (other.kind != 0) && rel == other.rel && abs == other.abs && (!named || name == other.name);
}

RCPtr<LLayoutDescriptor> LLayoutDescriptor::Create()
{
    return RCPtr<LLayoutDescriptor>(new LLayoutDescriptor());
}

RCPtr<LLayoutDescriptor> LLayoutDescriptor::Clone() const
{
    return RCPtr<LLayoutDescriptor>(new LLayoutDescriptor(*this));
}

VQRESULT LLayoutDescriptor::GetPlacement(int32_t axis, LayoutPositionSpec& position, LayoutSizeSpec& size) const
{
    if (axis != 0 && axis != 1)
        return E_INVALIDARG;
    const LayoutPosition& p = axis == 0 ? XPosition : YPosition;
    const LayoutSize& s = axis == 0 ? XSize : YSize;
    position = {p.anchor, p.kind, p.name, p.rel, p.abs, axis == 0 ? XIsDocked : YIsDocked};
    size = {s.kind, s.name, s.rel, s.abs};
    return S_OK;
}

VQRESULT LLayoutDescriptor::SetPlacement(int32_t axis, const LayoutPositionSpec& position, const LayoutSizeSpec& size)
{
    if (axis != 0 && axis != 1)
        return E_INVALIDARG;
    (axis == 0 ? XPosition : YPosition) = {position.anchor, position.kind, position.name, position.rel, position.abs};
    (axis == 0 ? XIsDocked : YIsDocked) = position.docked;
    (axis == 0 ? XSize : YSize) = {size.kind, size.name, size.rel, size.abs};
    return S_OK;
}

VQRESULT LLayoutDescriptor::GetSizeLimits(int32_t axis, LayoutSizeSpec& minimum, LayoutSizeSpec& maximum) const
{
    if (axis != 0 && axis != 1)
        return E_INVALIDARG;
    const LayoutLimit& low = axis == 0 ? XMinSize : YMinSize;
    const LayoutLimit& high = axis == 0 ? XMaxSize : YMaxSize;
    minimum = {low.named ? 1 : 0, low.name, low.rel, low.abs};
    maximum = {high.named ? 1 : 0, high.name, high.rel, high.abs};
    return S_OK;
}

VQRESULT LLayoutDescriptor::SetSizeLimits(int32_t axis, const LayoutSizeSpec& minimum, const LayoutSizeSpec& maximum)
{
    if (axis != 0 && axis != 1)
        return E_INVALIDARG;
    (axis == 0 ? XMinSize : YMinSize) = {minimum.kind != 0, minimum.name, minimum.rel, minimum.abs};
    (axis == 0 ? XMaxSize : YMaxSize) = {maximum.kind != 0, maximum.name, maximum.rel, maximum.abs};
    return S_OK;
}

VQRESULT LLayoutDescriptor::RenameReference(const StringT<char16_t, char>& oldName,
                                            const StringT<char16_t, char>& newName)
{
    bool renamed = false;
    for (StringT<char16_t, char>* name : {&XPosition.name, &XSize.name, &YPosition.name, &YSize.name}) {
        if (*name == oldName) {
            *name = newName;
            renamed = true;
        }
    }
    return renamed ? S_OK : 1;
}

} // namespace VQ
