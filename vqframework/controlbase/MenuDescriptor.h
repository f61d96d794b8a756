// The data of a menu, kept apart from the controls that show it: a tree of items, each of which may
// hold a sub-menu of its own.
#pragma once

#include "vqframework/controlbase/StringTable.h"
#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/objectbase/TaggableObject.h"
#include "vqframework/storage/RCPtrArray.h"
#include "vqframework/storage/StringT.h"

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

namespace VQ {

class LMenuItemDescriptor;

// What GetItemInfo reports of one item.
struct LMenuItemInfo {
    bool enabled = false;
    bool checked = false;
    StringT<char16_t, char> label;
};

// Items hold counted links back to the menu that holds them, and those links count as the menu's
// cyclic references: a menu whose last outside reference goes drops its items, which breaks the
// cycles, so a tree lives exactly as long as something outside holds its top-level menu. A sub-menu
// held from outside stays whole when its parent goes; it is then a top-level menu of its own.
class LMenuDescriptor : public LTaggableObject, public virtual LRefCountedObject {
public:
    using String = StringT<char16_t, char>;
    using Items = RCPtrArray<LMenuItemDescriptor, 1, 0>;

    static RCPtr<LMenuDescriptor> Create();
    // Items one CreateFromStrings makes at most, over the whole tree; the rest are left out.
    static constexpr uint32_t MaxBuiltItems = 10000;

    // The tree of (key, text) entries in key order whose menu prefix the caller has removed; empty
    // when the tree could not be made.
    static RCPtr<LMenuDescriptor> CreateFromStrings(const LStringTable::Entries& entries);

    // The array's result; on success the item is linked to this menu.
    int32_t InsertItemAt(uint32_t index, const RCPtr<LMenuItemDescriptor>& item);
    int32_t InsertItem(uint32_t index, const String& label, const String& commandId, bool enabled, bool checked);
    int32_t InsertSeparator(uint32_t index);

    // E_INVALIDARG, with the flags false and the label empty, for an index beyond the items.
    VQRESULT GetItemInfo(uint32_t index, LMenuItemInfo& info) const;

    // Unlinks and drops every item, last first; 0. The menu keeps its own link to its parent.
    VQRESULT RemoveAllItems();
    // Drops the items and the link to the parent: called when only the items' links hold the menu.
    VQRESULT ReleaseCyclicReferences() override;

    // A deep copy whose items link into the copy; the copy has no parent and no tag.
    RCPtr<LMenuDescriptor> Clone() const;

    uint32_t GetItemCount() const { return m_items.GetCount(); }
    // Empty for an index beyond the items.
    const RCPtr<LMenuItemDescriptor>& GetItem(uint32_t index) const;
    const Items& GetItems() const { return m_items; }
    // Empty for a top-level menu.
    const RCPtr<LMenuDescriptor>& GetParent() const { return m_parent; }

    ~LMenuDescriptor() override;

protected:
    LMenuDescriptor() = default;

    // Moves the parent link, keeping the old and new parents' cyclic counts in step with it.
    void SetParentLink(LMenuDescriptor* parent);
    // Appends copies of this menu's items to copy, linked to it.
    VQRESULT CopyItemsInto(LMenuDescriptor& copy) const;

private:
    using Entries = LStringTable::Entries;
    using SubMenus = std::map<String, Entries, std::less<>>;

    // Fills menu (emptied first, or made when empty) from one list of (id, text) pairs; open holds
    // the sub-menu ids being filled above it, so that a sub-menu that names itself is not followed.
    // budget is the number of items still allowed; each item made takes one.
    static VQRESULT BuildItems(const Entries& list, const SubMenus& subMenus, RCPtr<LMenuDescriptor>& menu,
                               std::vector<String>& open, uint32_t& budget);

    Items m_items;
    RCPtr<LMenuDescriptor> m_parent;
};

// One menu item; its own items form its sub-menu.
class LMenuItemDescriptor : public LMenuDescriptor {
public:
    static RCPtr<LMenuItemDescriptor> Create(const String& label, const String& commandId, bool enabled, bool checked);
    static RCPtr<LMenuItemDescriptor> CreateSeparator();

    String ToString() const override { return m_label; }

    void SetParent(LMenuDescriptor* parent) { SetParentLink(parent); }

    // A copy of the texts, the flags and, recursively, the sub-items; no parent and no tag.
    RCPtr<LMenuItemDescriptor> Clone() const;

    const String& GetLabel() const { return m_label; }
    void SetLabel(const String& label) { m_label = label; }
    const String& GetShortcutText() const { return m_shortcutText; }
    void SetShortcutText(const String& text) { m_shortcutText = text; }
    const String& GetHelpText() const { return m_helpText; }
    void SetHelpText(const String& text) { m_helpText = text; }
    // Empty for sub-menu items and separators.
    const String& GetCommandId() const { return m_commandId; }
    void SetCommandId(const String& commandId) { m_commandId = commandId; }
    bool IsEnabled() const { return m_enabled; }
    void SetEnabled(bool enabled) { m_enabled = enabled; }
    bool IsChecked() const { return m_checked; }
    void SetChecked(bool checked) { m_checked = checked; }
    bool IsSeparator() const { return m_separator; }

private:
    LMenuItemDescriptor() = default;

    String m_label;
    String m_shortcutText;
    String m_helpText;
    String m_commandId;
    bool m_enabled = true;
    bool m_checked = false;
    bool m_separator = false;
};

} // namespace VQ
