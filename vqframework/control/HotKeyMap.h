// Binds key codes to command notification ids; a key belongs to at most one command.
#pragma once

#include "vqframework/control/KeyCode.h"
#include "vqframework/objectbase/Result.h"
#include "vqframework/storage/Array.h"
#include "vqframework/storage/StringT.h"

#include <map>

namespace VQ {

class LStringTable;

class HotKeyMap {
public:
    using String = StringT<char16_t, char>;

    // E_INVALIDARG, leaving the map as it was, when the key already has a command or the command is
    // empty.
    VQRESULT Add(const KeyCode& key, const String& command);
    // The command of the first bound key equal to this one; empty when none.
    String GetCommand(const KeyCode& key) const;
    // The command's keys in the order they were bound.
    Array<KeyCode> GetKeyCodes(const String& command) const;
    // The empty key code when the command has no key.
    KeyCode GetFirstKey(const String& command) const;
    bool HasCommand(const String& command) const;

    // Binds the table's entries whose ids begin with the prefix and "." (such as "GHK.NID_EDIT_DELETE_REQ"):
    // the command is the id after its last ".", the key the parsed text. Keys already bound and texts
    // that parse to the empty key are skipped. E_INVALIDARG without a table.
    VQRESULT Load(const LStringTable* table, const String& prefix);

    void Clear() { m_bindings.clear(); }

private:
    // Null when the command is empty or has never been bound. The id registry has no lookup that
    // leaves it unchanged, so a query for a name never bound adds that name to it for good.
    const Array<KeyCode>* Find(const String& command) const;

    // Keyed by interned notification id, compared by address.
    std::map<const char16_t*, Array<KeyCode>> m_bindings;
};

} // namespace VQ
