#include "vqframework/control/HotKeyMap.h"

#include "vqframework/controlbase/StringTable.h"
#include "vqframework/notification/Notification.h"

namespace VQ {

VQRESULT HotKeyMap::Add(const KeyCode& key, const String& command)
{
    if (command.IsEmpty() || !GetCommand(key).IsEmpty())
        return E_INVALIDARG;
    const char16_t* const id = LNotification::InternID(command.GetString());
    if (!id)
        return E_OUTOFMEMORY;
    m_bindings[id].Add(key);
    return S_OK;
}

HotKeyMap::String HotKeyMap::GetCommand(const KeyCode& key) const
{
    for (const auto& [id, keys] : m_bindings) {
        for (uint32_t i = keys.GetCount(); i-- > 0;) {
            if (keys.GetAt(i) == key)
                return String(id);
        }
    }
    return String();
}

const Array<KeyCode>* HotKeyMap::Find(const String& command) const
{
    if (command.IsEmpty())
        return nullptr;
    const char16_t* const id = LNotification::InternID(command.GetString());
    const auto found = m_bindings.find(id);
    return found != m_bindings.end() ? &found->second : nullptr;
}

Array<KeyCode> HotKeyMap::GetKeyCodes(const String& command) const
{
    const Array<KeyCode>* keys = Find(command);
    return keys ? *keys : Array<KeyCode>();
}

KeyCode HotKeyMap::GetFirstKey(const String& command) const
{
    const Array<KeyCode>* keys = Find(command);
    return keys && keys->GetCount() != 0 ? keys->GetAt(0u) : KeyCode();
}

bool HotKeyMap::HasCommand(const String& command) const
{
    return Find(command) != nullptr;
}

VQRESULT HotKeyMap::Load(const LStringTable* table, const String& prefix)
{
    if (!table)
        return E_INVALIDARG;
    String start = prefix;
    start += u'.';
    LStringTable::Entries entries;
    table->GetStringTableEntries(start.View(), entries);
    for (const auto& [id, text] : entries) {
        const KeyCode key = KeyCode::Parse(text.View());
        if (key.IsEmpty())
            continue;
        const std::u16string_view name = id.View();
        // A refused binding (the key is taken, or the id ends in ".") is skipped.
        (void)Add(key, id.Mid(int32_t(name.rfind(u'.') + 1)));
    }
    return S_OK;
}

} // namespace VQ
