// The string tables: reading them in the user's language with its fallbacks, and handing out copies.
#include "vqframework/controlbase/ControlFactory.h"

#include "vqframework/control/Control.h"

namespace VQ {

// STUB: the string tables follow.
VQRESULT LControlFactory::LoadResources(const String&, int32_t) { return E_NOTIMPL; }
VQRESULT LControlFactory::LoadStringTables(const String&, const String&, int32_t) { return E_NOTIMPL; }
RCPtr<LStringTable> LControlFactory::GetApplicationStringTable() const { return nullptr; }
RCPtr<LStringTable> LControlFactory::GetFrameworkStringTable() const { return nullptr; }
RCPtr<LStringTable> LControlFactory::GetStringTable(const RCPtr<LControl>&, const String&) const { return nullptr; }
RCPtr<LStringTable> LControlFactory::GetStringTable(const String&) const { return nullptr; }
void LControlFactory::StringStartElement(const String&, const AttributeMap&) {}
void LControlFactory::StringEndElement(const String&) {}
void LControlFactory::StringCharacterData(std::u16string_view) {}
int32_t LControlFactory::ParseStrings(std::span<const char>, int32_t) { return 0; }

} // namespace VQ
