// The skin vocabulary: colorizers, parts, looks, look lists, skins and control descriptors.
#include "vqframework/controlbase/ControlFactory.h"

namespace VQ {

// STUB: the skin elements follow.
void LControlFactory::SkinStartElement(const String&, const AttributeMap&) {}
void LControlFactory::SkinEndElement(const String&) {}
void LControlFactory::SkinCharacterData(std::u16string_view) {}
RCPtr<LColorizer> LControlFactory::FindColorizer(const String&) const { return nullptr; }
RCPtr<LVisualPartDescriptor> LControlFactory::FindPart(const String&) const { return nullptr; }
RCPtr<LLookDescriptor> LControlFactory::FindLook(const String&) const { return nullptr; }
RCPtr<LookList> LControlFactory::FindLookList(const String&) const { return nullptr; }

} // namespace VQ
