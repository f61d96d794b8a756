// A map from string id to text: one string table of the skin's documents, or a control's create
// parameters. Ids compare case-sensitively and sort by their UTF-16 code units.
#pragma once

#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/storage/StringT.h"

#include <functional>
#include <map>
#include <string_view>
#include <utility>
#include <vector>

namespace VQ {

class LStringTable : public virtual LRefCountedObject {
public:
    using String = StringT<char16_t, char>;
    using Map = std::map<String, String, std::less<>>;
    // (id, text) pairs in ascending id order.
    using Entries = std::vector<std::pair<String, String>>;

    static RCPtr<LStringTable> Create();
    static RCPtr<LStringTable> Create(Map strings);

    // E_INVALIDARG for an empty id; 0 when the id was new; 1 when its text was replaced.
    VQRESULT Add(std::u16string_view id, const String& text);
    // True and the text copied when the id is present; text is left alone otherwise.
    bool GetString(std::u16string_view id, String& text) const;
    bool HasString(std::u16string_view id) const;
    // Empties entries, then fills it with every pair; 0.
    VQRESULT GetStrings(Entries& entries) const;
    // Empties entries, then fills it with the pairs whose id begins with the prefix (exact case); 0.
    VQRESULT GetStringTableEntries(std::u16string_view prefix, Entries& entries) const;

    uint32_t GetCount() const { return uint32_t(m_strings.size()); }
    const Map& GetMap() const { return m_strings; }

private:
    explicit LStringTable(Map strings);

    Map m_strings;
};

} // namespace VQ
