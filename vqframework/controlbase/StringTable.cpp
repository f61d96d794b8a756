#include "vqframework/controlbase/StringTable.h"

namespace VQ {

LStringTable::LStringTable(Map strings) : m_strings(std::move(strings)) {}

RCPtr<LStringTable> LStringTable::Create()
{
    return RCPtr<LStringTable>(new LStringTable(Map()));
}

RCPtr<LStringTable> LStringTable::Create(Map strings)
{
    return RCPtr<LStringTable>(new LStringTable(std::move(strings)));
}

VQRESULT LStringTable::Add(std::u16string_view id, const String& text)
{
    if (id.empty())
        return E_INVALIDARG;
    const auto found = m_strings.find(id);
    if (found != m_strings.end()) {
        found->second = text;
        return S_FALSE;
    }
    String key;
    key.Assign(id.data(), int32_t(id.size()));
    m_strings.emplace(std::move(key), text);
    return S_OK;
}

bool LStringTable::GetString(std::u16string_view id, String& text) const
{
    const auto found = m_strings.find(id);
    if (found == m_strings.end())
        return false;
    text = found->second;
    return true;
}

bool LStringTable::HasString(std::u16string_view id) const
{
    return m_strings.find(id) != m_strings.end();
}

VQRESULT LStringTable::GetStrings(Entries& entries) const
{
    entries.assign(m_strings.begin(), m_strings.end());
    return S_OK;
}

VQRESULT LStringTable::GetStringTableEntries(std::u16string_view prefix, Entries& entries) const
{
    entries.clear();
    // The map is sorted, so the ids with the prefix are one run starting at the prefix itself.
    for (auto entry = m_strings.lower_bound(prefix); entry != m_strings.end(); ++entry) {
        if (entry->first.View().substr(0, prefix.size()) != prefix)
            break;
        entries.emplace_back(entry->first, entry->second);
    }
    return S_OK;
}

} // namespace VQ
