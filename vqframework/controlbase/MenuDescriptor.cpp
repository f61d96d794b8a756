#include "vqframework/controlbase/MenuDescriptor.h"

#include "vqframework/storage/StringArrayT.h"

#include <algorithm>
#include <utility>

namespace VQ {

namespace {

using String = LMenuDescriptor::String;

// Label before the first bar, help text after it; nothing is trimmed.
void SplitText(const String& text, String& label, String& helpText)
{
    const int32_t bar = text.Find(u'|');
    if (bar < 0) {
        label = text;
        helpText = String();
        return;
    }
    label = text.Left(bar);
    helpText = text.Mid(bar + 1);
}

bool EndsWithDot(const String& text)
{
    const int32_t length = text.GetLength();
    return length > 0 && text.GetString()[length - 1] == u'.';
}

} // namespace

RCPtr<LMenuDescriptor> LMenuDescriptor::Create()
{
    return RCPtr<LMenuDescriptor>(new LMenuDescriptor());
}

LMenuDescriptor::~LMenuDescriptor()
{
    // Normally already clear: a menu that still links to its parent is still one of its items.
    SetParentLink(nullptr);
}

void LMenuDescriptor::SetParentLink(LMenuDescriptor* parent)
{
    if (parent == m_parent.Get())
        return;
    RCPtr<LMenuDescriptor> old = std::move(m_parent);
    m_parent = parent;
    if (parent)
        parent->AddCyclicReferences(1);
    if (old) {
        // The link stops counting as cyclic before it is released, so the release sees the old
        // parent's true number of outside references.
        old->AddCyclicReferences(-1);
        old.Release();
    }
}

const RCPtr<LMenuItemDescriptor>& LMenuDescriptor::GetItem(uint32_t index) const
{
    return index < m_items.GetCount() ? m_items.GetAt(index) : RCPtr<LMenuItemDescriptor>::Null;
}

int32_t LMenuDescriptor::InsertItemAt(uint32_t index, const RCPtr<LMenuItemDescriptor>& item)
{
    // Held here: item may be a reference into our own list, which the insertion moves.
    RCPtr<LMenuItemDescriptor> held(item);
    const int32_t result = m_items.InsertAt(index, held);
    if (result >= 0 && held)
        held->SetParent(this);
    return result;
}

int32_t LMenuDescriptor::InsertItem(uint32_t index, const String& label, const String& commandId, bool enabled,
                                    bool checked)
{
    return InsertItemAt(index, LMenuItemDescriptor::Create(label, commandId, enabled, checked));
}

int32_t LMenuDescriptor::InsertSeparator(uint32_t index)
{
    return InsertItemAt(index, LMenuItemDescriptor::CreateSeparator());
}

VQRESULT LMenuDescriptor::GetItemInfo(uint32_t index, LMenuItemInfo& info) const
{
    info = LMenuItemInfo();
    const RCPtr<LMenuItemDescriptor>& item = GetItem(index);
    if (!item)
        return E_INVALIDARG;
    info.enabled = item->IsEnabled();
    info.checked = item->IsChecked();
    info.label = item->GetLabel();
    return S_OK;
}

VQRESULT LMenuDescriptor::RemoveAllItems()
{
    while (m_items.GetCount() > 0) {
        RCPtr<LMenuItemDescriptor> item;
        m_items.RemoveLast(item);
        // An item inserted into another menu since keeps its link to that one.
        if (item && item->GetParent().Get() == this)
            item->SetParent(nullptr);
    }
    return 0;
}

VQRESULT LMenuDescriptor::ReleaseCyclicReferences()
{
    RemoveAllItems();
    SetParentLink(nullptr);
    return 0;
}

VQRESULT LMenuDescriptor::CopyItemsInto(LMenuDescriptor& copy) const
{
    for (const RCPtr<LMenuItemDescriptor>& item : m_items) {
        RCPtr<LMenuItemDescriptor> itemCopy = item->Clone();
        if (!itemCopy)
            return E_FAIL;
        const int32_t result = copy.InsertItemAt(copy.GetItemCount(), itemCopy);
        if (result < 0)
            return result;
    }
    return S_OK;
}

RCPtr<LMenuDescriptor> LMenuDescriptor::Clone() const
{
    RCPtr<LMenuDescriptor> copy = Create();
    if (CopyItemsInto(*copy) < 0)
        return nullptr;
    return copy;
}

RCPtr<LMenuDescriptor> LMenuDescriptor::CreateFromStrings(const Entries& entries)
{
    Entries topLevel;
    SubMenus subMenus;
    StringArrayT<char16_t, char> parts;
    for (const auto& [key, text] : entries) {
        key.Split(u".", parts);
        if (parts.GetCount() < 2)
            continue;
        const String& first = parts.GetAt(0);
        const bool isTopLevel = first.GetString()[0] >= u'0' && first.GetString()[0] <= u'9';
        String parentId;
        int32_t position = 0;
        String id;
        if (isTopLevel) {
            position = first.ToInt();
            id = parts.GetAt(1);
        } else {
            parentId = first;
            position = parts.GetAt(1).ToInt();
            if (parts.GetCount() > 2)
                id = parts.GetAt(2);
        }
        // A key without an id names nothing to show.
        if (id.IsEmpty())
            continue;
        if (EndsWithDot(key))
            id += u'.';
        Entries& target = isTopLevel ? topLevel : subMenus[parentId];
        if (position >= 0 && size_t(position) == target.size())
            target.emplace_back(id, text);
    }

    RCPtr<LMenuDescriptor> menu;
    std::vector<String> open;
    // A sub-menu named twice in each of its parents is built twice for each, so a few dozen entries
    // can ask for millions of items; the budget stops the tree at a size no menu needs.
    uint32_t budget = MaxBuiltItems;
    if (BuildItems(topLevel, subMenus, menu, open, budget) < 0)
        return nullptr;
    return menu;
}

VQRESULT LMenuDescriptor::BuildItems(const Entries& list, const SubMenus& subMenus, RCPtr<LMenuDescriptor>& menu,
                                     std::vector<String>& open, uint32_t& budget)
{
    if (menu)
        menu->RemoveAllItems();
    else
        menu = Create();

    String label;
    String helpText;
    for (const auto& [id, text] : list) {
        if (budget == 0)
            break;
        SplitText(text, label, helpText);
        int32_t result = 0;
        if (EndsWithDot(id)) {
            const String name = id.Left(id.GetLength() - 1);
            const auto found = subMenus.find(name);
            // A sub-menu that contains itself, directly or further down, would never end.
            if (found == subMenus.end() || std::find(open.begin(), open.end(), name) != open.end())
                continue;
            --budget;
            RCPtr<LMenuItemDescriptor> item = LMenuItemDescriptor::Create(label, String(), true, false);
            if (!helpText.IsEmpty())
                item->SetHelpText(helpText);
            result = menu->InsertItemAt(menu->GetItemCount(), item);
            if (result < 0)
                return result;
            open.push_back(name);
            RCPtr<LMenuDescriptor> subMenu(item);
            result = BuildItems(found->second, subMenus, subMenu, open, budget);
            open.pop_back();
        } else if (id == u"-") {
            --budget;
            result = menu->InsertSeparator(menu->GetItemCount());
        } else {
            --budget;
            RCPtr<LMenuItemDescriptor> item = LMenuItemDescriptor::Create(label, id, true, false);
            item->SetHelpText(helpText);
            result = menu->InsertItemAt(menu->GetItemCount(), item);
        }
        if (result < 0)
            return result;
    }
    return S_OK;
}

RCPtr<LMenuItemDescriptor> LMenuItemDescriptor::Create(const String& label, const String& commandId, bool enabled,
                                                       bool checked)
{
    RCPtr<LMenuItemDescriptor> item(new LMenuItemDescriptor());
    item->m_label = label;
    item->m_commandId = commandId;
    item->m_enabled = enabled;
    item->m_checked = checked;
    return item;
}

RCPtr<LMenuItemDescriptor> LMenuItemDescriptor::CreateSeparator()
{
    RCPtr<LMenuItemDescriptor> item(new LMenuItemDescriptor());
    item->m_separator = true;
    return item;
}

RCPtr<LMenuItemDescriptor> LMenuItemDescriptor::Clone() const
{
    RCPtr<LMenuItemDescriptor> copy(new LMenuItemDescriptor());
    copy->m_label = m_label;
    copy->m_shortcutText = m_shortcutText;
    copy->m_helpText = m_helpText;
    copy->m_commandId = m_commandId;
    copy->m_enabled = m_enabled;
    copy->m_checked = m_checked;
    copy->m_separator = m_separator;
    if (CopyItemsInto(*copy) < 0)
        return nullptr;
    return copy;
}

} // namespace VQ
