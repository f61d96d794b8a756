// The skin vocabulary: colorizers, parts, looks, look lists, skins and control descriptors.
#include "vqframework/controlbase/ControlFactory.h"

namespace VQ {

// STUB: the skin elements follow.
void LControlFactory::SkinStartElement(const String&, const AttributeMap&) {}
void LControlFactory::SkinEndElement(const String&) {}
void LControlFactory::SkinCharacterData(std::u16string_view) {}

} // namespace VQ
