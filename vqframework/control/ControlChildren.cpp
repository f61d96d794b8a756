// The child list of a control: insertion order with lazily sorted tab and z orders, the parent links
// and their cyclic counts, and the overflow counts of the ancestors.
#include "vqframework/control/Control.h"

#include "vqframework/objectbase/Exception.h"

#include <algorithm>
#include <utility>
#include <vector>
#include <stdexcept>

namespace VQ {

namespace {

// The sort keys of a child, read from its layout; a child not yet built has the defaults.
struct ChildKeys {
    bool clips = true;
    int32_t dockedAxes = 0;
    int32_t zOrder = 0;
    int32_t tabStop = 0;
};

ChildKeys GetKeys(const LControl& child)
{
    ChildKeys keys;
    if (const RCPtr<LLayoutDescriptor>& layout = child.GetLayout()) {
        keys.clips = layout->ClipToParent;
        keys.dockedAxes = (layout->XIsDocked ? 1 : 0) + (layout->YIsDocked ? 1 : 0);
        keys.zOrder = layout->Z_Order;
        keys.tabStop = layout->TabStop;
    }
    return keys;
}

// The child's contribution to its ancestors' overflow counts.
int32_t OverflowOf(const LControl& child)
{
    const RCPtr<LLayoutDescriptor>& layout = child.GetLayout();
    return child.GetOverflowCount() + (layout && !layout->ClipToParent ? 1 : 0);
}

} // namespace

const RCPtr<LControl>& LControl::ChildControlList::GetAt(uint32_t index, int32_t order)
{
    return std::as_const(*this).GetAt(index, order);
}

const RCPtr<LControl>& LControl::ChildControlList::GetAt(uint32_t index, int32_t order) const
{
    if (index >= m_items.GetCount())
        VQ_THROW(std::runtime_error);
    switch (order) {
    case OrderInsertion:
        return m_items.GetAt(index);
    case OrderZ:
        SortIfNeeded();
        return m_items.GetAt(m_zOrder.GetAt(index));
    case OrderTab:
        SortIfNeeded();
        return m_items.GetAt(m_tabOrder.GetAt(index));
    default:
        VQ_THROW(std::runtime_error);
    }
}

void LControl::ChildControlList::SortIfNeeded() const
{
    if (m_sortedAtCount == m_modificationCount && m_zOrder.GetCount() == m_items.GetCount())
        return;
    const uint32_t count = m_items.GetCount();
    m_zOrder.SetCount(count);
    m_tabOrder.SetCount(count);
    m_sortedAtCount = m_modificationCount;
    if (count == 0)
        return;
    std::vector<ChildKeys> keys(count);
    for (uint32_t i = 0; i < count; ++i)
        keys[i] = GetKeys(*m_items.GetAt(i));

    uint32_t* z = &m_zOrder.GetAt(0u);
    uint32_t* tab = &m_tabOrder.GetAt(0u);
    for (uint32_t i = 0; i < count; ++i)
        z[i] = tab[i] = i;
    // Non-clipping children above clipping ones, fewer docked axes below more, then Z_Order; the
    // insertion index breaks ties, so the unstable sort gives a stable order.
    std::sort(z, z + count, [&keys](uint32_t a, uint32_t b) {
        const ChildKeys& ka = keys[a];
        const ChildKeys& kb = keys[b];
        if (ka.clips != kb.clips)
            return ka.clips;
        if (ka.dockedAxes != kb.dockedAxes)
            return ka.dockedAxes < kb.dockedAxes;
        if (ka.zOrder != kb.zOrder)
            return ka.zOrder < kb.zOrder;
        return a < b;
    });
    std::sort(tab, tab + count, [&keys](uint32_t a, uint32_t b) {
        if (keys[a].tabStop != keys[b].tabStop)
            return keys[a].tabStop < keys[b].tabStop;
        return a < b;
    });
}

int32_t LControl::ChildControlList::IndexOf(const LControl* child) const
{
    for (uint32_t i = m_items.GetCount(); i-- > 0;)
        if (m_items.GetAt(i).Get() == child)
            return static_cast<int32_t>(i);
    return -1;
}

VQRESULT LControl::ChildControlList::Add(const RCPtr<LControl>& child)
{
    if (!child || child->m_parent)
        return E_INVALIDARG;
    // The owner or one of its ancestors as a child would close a cycle of parent links.
    for (const LControl* ancestor = m_owner; ancestor; ancestor = ancestor->m_parent.Get())
        if (ancestor == child.Get())
            return E_INVALIDARG;
    for (uint32_t i = 0; i < m_items.GetCount(); ++i)
        if (m_items.GetAt(i)->m_name == child->m_name)
            return E_FAIL;
    const int32_t overflow = OverflowOf(*child);
    if (overflow != 0) {
        m_owner->m_overflowCount += overflow;
        m_owner->AddOverflowToAncestors(overflow);
    }
    child->m_parent = m_owner;
    m_owner->AddCyclicReferences(1);
    m_items.Add(child);
    ++m_modificationCount;
    return S_OK;
}

int32_t LControl::ChildControlList::Remove(const RCPtr<LControl>& child)
{
    if (!child)
        return -1;
    const int32_t index = IndexOf(child.Get());
    if (index < 0)
        return -1;
    // Held: the argument may be the list's own entry, and the entry may hold the last reference.
    const RCPtr<LControl> removed = child;
    const int32_t overflow = OverflowOf(*removed);
    if (overflow != 0) {
        m_owner->m_overflowCount -= overflow;
        m_owner->AddOverflowToAncestors(-overflow);
    }
    // The owner stays alive through the call below; the link stops counting as cyclic before it is
    // released, so the release sees the owner's true number of outside references.
    const RCPtr<LControl> owner(m_owner);
    m_owner->AddCyclicReferences(-1);
    removed->m_parent.Release();
    m_items.Remove(static_cast<uint32_t>(index), 1);
    ++m_modificationCount;
    m_owner->OnChildRemoved(removed, index);
    return index;
}

void LControl::ChildControlList::Forget(LControl* child)
{
    const int32_t index = IndexOf(child);
    if (index < 0)
        return;
    const int32_t overflow = OverflowOf(*child);
    if (overflow != 0) {
        m_owner->m_overflowCount -= overflow;
        m_owner->AddOverflowToAncestors(-overflow);
    }
    // The slot's pointer moves into storage that is never destroyed, so no release reaches the
    // control under destruction.
    union Abandoned {
        RCPtr<LControl> pointer;
        Abandoned() : pointer() {}
        ~Abandoned() {}
    } taken;
    m_items.RemoveItem(static_cast<uint32_t>(index), taken.pointer);
    ++m_modificationCount;
    m_owner->AddCyclicReferences(-1);
    child->m_parent.Release();
}

int32_t LControl::ChildControlList::RemoveAll()
{
    if (m_items.GetCount() == 0)
        return 1;
    while (m_items.GetCount() > 0) {
        const RCPtr<LControl> last = m_items.GetAt(m_items.GetCount() - 1);
        Remove(last);
    }
    return 0;
}

VQRESULT LControl::ChildControlList::RenameChild(const RCPtr<LControl>& child, const String& name)
{
    const int32_t index = child ? IndexOf(child.Get()) : -1;
    if (index < 0)
        return E_INVALIDARG;
    if (child->m_name == name)
        return 1;
    for (uint32_t i = 0; i < m_items.GetCount(); ++i)
        if (m_items.GetAt(i)->m_name == name)
            return E_FAIL;
    const String oldName = child->m_name;
    child->m_name = name;
    // Only later siblings may refer to a child by name.
    for (uint32_t i = static_cast<uint32_t>(index) + 1; i < m_items.GetCount(); ++i)
        if (const RCPtr<LLayoutDescriptor>& layout = m_items.GetAt(i)->m_layout)
            layout->RenameReference(oldName, name);
    return S_OK;
}

void LControl::AddOverflowToAncestors(int32_t delta)
{
    for (LControl* ancestor = m_parent.Get(); ancestor; ancestor = ancestor->m_parent.Get())
        ancestor->m_overflowCount += delta;
}

int32_t LControl::SetParent(const RCPtr<LControl>& parent)
{
    if (parent == m_parent)
        return 1;
    // A parent among the control's own subtree would close a cycle of parent links.
    for (const LControl* ancestor = parent.Get(); ancestor; ancestor = ancestor->m_parent.Get())
        if (ancestor == this)
            return E_INVALIDARG;
    // The old parent's list may hold the last reference to this control. The constructor calls this
    // while the count is still 0, when a reference of our own would delete the control on release.
    RCPtr<LControl> self;
    if (GetRefCount() > 0)
        self = RCPtr<LControl>(this);
    if (m_parent) {
        Invalidate({0, 0, m_rect.width, m_rect.height}, m_layout ? m_layout->ClipToParent : true);
        const RCPtr<LControl> oldParent = m_parent;
        oldParent->m_children.Remove(self);
    } else {
        m_rootWindow.Release();
    }
    if (parent) {
        parent->CloseQueuedControls();
        // A taken name is refused before any reference to this control is made, so that a refused
        // add leaves the control without a parent instead of releasing it under construction.
        if (!parent->FindChild(m_name))
            parent->m_children.Add(RCPtr<LControl>(this));
    }
    return S_OK;
}

const RCPtr<LControl>& LControl::FindChild(const String& name) const
{
    for (uint32_t i = m_children.GetCount(); i-- > 0;) {
        const RCPtr<LControl>& child = m_children.GetAt(i, ChildControlList::OrderInsertion);
        if (child->m_name == name)
            return child;
    }
    return RCPtr<LControl>::Null;
}

void LControl::OnChildRemoved(const RCPtr<LControl>&, int32_t) {}

VQRESULT LControl::OnChildChanged(const RCPtr<LControl>& child)
{
    if (!m_layoutSuspended)
        UpdateLayout();
    InvalidateChildInCache(child);
    return S_OK;
}

} // namespace VQ
