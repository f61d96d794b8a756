// Helpers the skin and factory tests share: text conversions, a fresh factory, and a skin document
// around a body.
#pragma once

#include "vqframework/controlbase/ControlFactory.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace VQ::Testing {

inline std::string U8(const LControlFactory::String& text)
{
    std::string utf8;
    text.ToUTF8(utf8);
    return utf8;
}

inline LControlFactory::String U16(const char* text) { return LControlFactory::String(text); }

inline RCPtr<LControlFactory> NewFactory()
{
    return RCPtr<LControlFactory>(new LControlFactory(LControlFactory::String(u"PresetEditor")));
}

// Reads a skin document made of body; the skin's root element is the first one and is skipped.
inline VQRESULT Parse(LControlFactory& factory, std::string_view body)
{
    const std::string document = "<Varquen_Skin_Definitions>" + std::string(body) + "</Varquen_Skin_Definitions>";
    return factory.ParseXML(document.data(), int32_t(document.size()));
}

} // namespace VQ::Testing
