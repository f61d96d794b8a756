// The skin vocabulary: colorizers, parts, looks, look lists, skins and control descriptors.
#include "vqframework/controlbase/ControlFactory.h"

#include "vqframework/objectbase/Exception.h"
#include "vqframework/storage/ArrayUtils.h"
#include "vqframework/system/ProgramResources.h"

#include <stdexcept>
#include <string>

namespace VQ {

namespace {

using String = LControlFactory::String;
using AttributeMap = LControlFactory::AttributeMap;

// The skin writes colours as "0xAARRGGBB"; a text of another length leaves transparent black.
RGBAColor ColorFromText(const String& text)
{
    RGBAColor color;
    std::string utf8;
    text.ToUTF8(utf8);
    color.SetHexString(utf8.c_str());
    return color;
}

// "Parent" and "Screen" name the parent, "Client" and "Active Window" its client area.
bool ReadParentOrClient(const String& reference, int32_t& kind)
{
    if (reference == u"Parent" || reference == u"Screen")
        kind = ReferenceParent;
    else if (reference == u"Client" || reference == u"Active Window")
        kind = ReferenceClient;
    else
        return false;
    return true;
}

void ReadPosition(const AttributeMap& attributes, std::u16string_view toControl, std::u16string_view anchor,
                  std::u16string_view rel, std::u16string_view abs, LayoutPosition& position)
{
    LControlFactory::GetAttribute(attributes, anchor, position.anchor);
    String reference;
    if (LControlFactory::GetAttribute(attributes, toControl, reference)) {
        position.name.Clear();
        if (!ReadParentOrClient(reference, position.kind)) {
            position.kind = ReferencePositionNamed;
            position.name = reference;
        }
    }
    LControlFactory::GetAttribute(attributes, rel, position.rel);
    int32_t value = 0;
    if (LControlFactory::GetDecimalAttribute(attributes, abs, value))
        position.abs = value;
}

void ReadSize(const AttributeMap& attributes, std::u16string_view toControl, std::u16string_view rel,
              std::u16string_view abs, LayoutSize& size)
{
    String reference;
    if (LControlFactory::GetAttribute(attributes, toControl, reference)) {
        size.name.Clear();
        if (reference == u"Self") {
            size.kind = ReferenceSelf;
        } else if (!ReadParentOrClient(reference, size.kind)) {
            size.kind = ReferenceSizeNamed;
            size.name = reference;
        }
    }
    LControlFactory::GetAttribute(attributes, rel, size.rel);
    int32_t value = 0;
    if (LControlFactory::GetDecimalAttribute(attributes, abs, value))
        size.abs = value;
}

void ReadLimit(const AttributeMap& attributes, std::u16string_view toControl, std::u16string_view rel,
               std::u16string_view abs, LayoutLimit& limit)
{
    String reference;
    if (LControlFactory::GetAttribute(attributes, toControl, reference)) {
        limit.named = !(reference == u"Self");
        limit.name = limit.named ? reference : String();
    }
    LControlFactory::GetAttribute(attributes, rel, limit.rel);
    int32_t value = 0;
    if (LControlFactory::GetDecimalAttribute(attributes, abs, value))
        limit.abs = value;
}

// Deeper SubControls make the skin fail: the descriptor tree is released recursively.
constexpr int32_t MaxSubControlDepth = 256;

// Levels below the skin's root; stops counting past the limit.
int32_t Depth(const LControlDescriptor* descriptor)
{
    int32_t depth = 0;
    for (; descriptor && descriptor->GetParent() && depth <= MaxSubControlDepth; descriptor = descriptor->GetParent())
        ++depth;
    return depth;
}

// Beyond this a look list is refused, as a negative count is.
constexpr int32_t MaxLookListCount = 256;

// The element handlers are parts of XMLStartElement; their errors name it.
constexpr const char* StartElementFunction = "void VQ::LControlFactory::XMLStartElement()";

template <class T>
void Enter(std::map<String, RCPtr<T>, std::less<>>& table, const String& name, const RCPtr<T>& value)
{
    // The first definition of a name is the one used.
    table.emplace(name, value);
}

template <class T> RCPtr<T> Lookup(const std::map<String, RCPtr<T>, std::less<>>& table, const String& name)
{
    const auto found = table.find(name);
    return found == table.end() ? RCPtr<T>() : found->second;
}

} // namespace

RCPtr<LColorizer> LControlFactory::FindColorizer(const String& name) const { return Lookup(m_colorizers, name); }
RCPtr<LVisualPartDescriptor> LControlFactory::FindPart(const String& name) const { return Lookup(m_parts, name); }
RCPtr<LLookDescriptor> LControlFactory::FindLook(const String& name) const { return Lookup(m_looks, name); }
RCPtr<LookList> LControlFactory::FindLookList(const String& name) const { return Lookup(m_lookLists, name); }

void LControlFactory::SkinStartElement(const String& name, const AttributeMap& attributes)
{
    if (name == u"LookLists") {
        m_currentDescriptor.Release();
    } else if (name == u"Looks") {
        m_inLooks = true;
    } else if (name == u"Colorizer") {
        String colorizerName;
        String typeText;
        String colorText;
        if (!GetAttribute(attributes, u"Name", colorizerName) || !GetAttribute(attributes, u"ColorType", typeText) ||
            !GetAttribute(attributes, u"Color", colorText))
            return;
        LColorizer::ColorType type = LColorizer::SolidFill;
        if (typeText == u"LinearGradient")
            type = LColorizer::LinearGradient;
        else if (typeText == u"RadialGradient")
            type = LColorizer::RadialGradient;
        RGBAColor endColor;
        float startX = 0;
        float startY = 0;
        float endX = 0;
        float endY = 0;
        if (type != LColorizer::SolidFill) {
            String endText;
            // A gradient without all of its end colour and points falls back to a solid fill.
            if (GetAttribute(attributes, u"GradientEndColor", endText) &&
                GetAttribute(attributes, u"GradientStartX", startX) &&
                GetAttribute(attributes, u"GradientStartY", startY) &&
                GetAttribute(attributes, u"GradientEndX", endX) && GetAttribute(attributes, u"GradientEndY", endY)) {
                endColor = ColorFromText(endText);
            } else {
                type = LColorizer::SolidFill;
                startX = startY = endX = endY = 0;
            }
        }
        Enter(m_colorizers, colorizerName,
              LColorizer::Create(colorizerName, type, ColorFromText(colorText), endColor, startX, startY, endX, endY));
    } else if (name == u"Part") {
        String partName;
        int32_t width = 0;
        int32_t height = 0;
        String resizeText;
        if (!GetAttribute(attributes, u"Name", partName) || !GetAttribute(attributes, u"Width", width) ||
            !GetAttribute(attributes, u"Height", height) || !GetAttribute(attributes, u"ResizeType", resizeText))
            return;
        ResizeType resizeType = ResizeStretch;
        if (resizeText == u"Tile")
            resizeType = ResizeTile;
        else if (resizeText == u"Center")
            resizeType = ResizeCenter;

        ImageRef image;
        String imageFile;
        int32_t x = 0;
        int32_t y = 0;
        if (GetAttribute(attributes, u"ImageFile", imageFile) && !imageFile.IsEmpty() &&
            GetAttribute(attributes, u"ImageLocX", x) && GetAttribute(attributes, u"ImageLocY", y)) {
            // Resource names are lower-cased to match the bitmap cache's keys; a folder's files are
            // named as written, as the file system may tell case apart.
            image = {m_resourcePrefix + (IsResourcePath(m_resourcePrefix) ? imageFile.ToLower() : imageFile), x,
                     y, width, height};
        }
        RCPtr<LColorizer> colorizer;
        String colorizerName;
        if (GetAttribute(attributes, u"ColorizerName", colorizerName))
            colorizer = FindColorizer(colorizerName);
        if (!image.HasImage() && !colorizer)
            return;

        float alphaModifier = 1;
        GetAttribute(attributes, u"ColorizerAlphaMod", alphaModifier);
        ImageRef mask;
        String maskFile;
        if (GetAttribute(attributes, u"ColorizerMaskFile", maskFile) && GetAttribute(attributes, u"MaskLocX", x) &&
            GetAttribute(attributes, u"MaskLocY", y))
            mask = {m_resourcePrefix + maskFile, x, y, width, height};

        Enter(m_parts, partName,
              image.HasImage() ? LVisualPartDescriptor::CreateFromImage(partName, image, resizeType, colorizer,
                                                                         alphaModifier, mask)
                               : LVisualPartDescriptor::CreateFromColorizer(partName, colorizer, width, height,
                                                                            resizeType, alphaModifier, mask));
    } else if (name == u"Look") {
        String lookName;
        if (!GetAttribute(attributes, u"Name", lookName))
            return;
        if (m_inLooks) {
            // A repeated name is not entered, but its look still takes the parts that follow it.
            m_currentLook = LLookDescriptor::Create(lookName);
            Enter(m_looks, lookName, m_currentLook);
            return;
        }
        int32_t index = 0;
        if (!GetDecimalAttribute(attributes, u"Index", index) || !m_currentLookList)
            return;
        RCPtr<LLookDescriptor> look = FindLook(lookName);
        if (look && index >= 0 && uint32_t(index) < m_currentLookList->GetCount())
            m_currentLookList->GetAt(uint32_t(index)) = look;
    } else if (name == u"ClientPart") {
        String partName;
        DockRecord placement;
        if (!GetAttribute(attributes, u"Name", partName) ||
            !GetAttribute(attributes, u"OffsetLeft", placement.OffsetLeft) ||
            !GetAttribute(attributes, u"OffsetTop", placement.OffsetTop) ||
            !GetAttribute(attributes, u"OffsetRight", placement.OffsetRight) ||
            !GetAttribute(attributes, u"OffsetBottom", placement.OffsetBottom) || !m_currentLook)
            return;
        placement.offsetFlags = DockRecord::AllGiven;
        if (RCPtr<LVisualPartDescriptor> part = FindPart(partName))
            m_currentLook->SetClientPart(LDockedPart::Create(part, placement));
    } else if (name == u"NonClientPart") {
        String partName;
        if (!GetAttribute(attributes, u"Name", partName) || !m_currentLook)
            return;
        RCPtr<LVisualPartDescriptor> part = FindPart(partName);
        if (!part)
            return;
        DockRecord placement;
        if (GetAttribute(attributes, u"OffsetLeft", placement.OffsetLeft))
            placement.offsetFlags |= DockRecord::LeftGiven;
        if (GetAttribute(attributes, u"OffsetTop", placement.OffsetTop))
            placement.offsetFlags |= DockRecord::TopGiven;
        if (GetAttribute(attributes, u"OffsetRight", placement.OffsetRight))
            placement.offsetFlags |= DockRecord::RightGiven;
        if (GetAttribute(attributes, u"OffsetBottom", placement.OffsetBottom))
            placement.offsetFlags |= DockRecord::BottomGiven;
        GetAttribute(attributes, u"Width", placement.Width);
        GetAttribute(attributes, u"Height", placement.Height);
        placement.hasWidth = placement.Width > 0 ? 1 : 0;
        placement.hasHeight = placement.Height > 0 ? 1 : 0;
        m_currentLook->AddNonClientPart(LDockedPart::Create(part, placement));
    } else if (name == u"TextProperties") {
        LookTextProperties text;
        String partName;
        if (!GetAttribute(attributes, u"TextLeftRel", text.TextLeftRel) ||
            !GetAttribute(attributes, u"TextLeftAbs", text.TextLeftAbs) ||
            !GetAttribute(attributes, u"TextRightRel", text.TextRightRel) ||
            !GetAttribute(attributes, u"TextRightAbs", text.TextRightAbs) ||
            !GetAttribute(attributes, u"TextHAlign", text.TextHAlign) ||
            !GetAttribute(attributes, u"TextTopRel", text.TextTopRel) ||
            !GetAttribute(attributes, u"TextTopAbs", text.TextTopAbs) ||
            !GetAttribute(attributes, u"TextBottomRel", text.TextBottomRel) ||
            !GetAttribute(attributes, u"TextBottomAbs", text.TextBottomAbs) ||
            !GetAttribute(attributes, u"TextVAlign", text.TextVAlign) ||
            !GetAttribute(attributes, u"TextForegroundPart", partName) || !m_currentLook)
            return;
        if (RCPtr<LVisualPartDescriptor> part = FindPart(partName))
            m_currentLook->SetTextProperties(text, part);
    } else if (name == u"LookList") {
        String listName;
        int32_t count = 0;
        if (!GetAttribute(attributes, u"Name", listName) || !GetAttribute(attributes, u"NumLooks", count))
            return;
        // The Look entries of a list that is not made go nowhere, rather than into the list before it.
        m_currentLookList.Release();
        if (RCPtr<LookList> existing = FindLookList(listName)) {
            if (m_currentDescriptor && m_currentDescriptor->GetSkin())
                m_currentDescriptor->GetSkin()->lookList = existing;
            return;
        }
        if (count < 0 || count > MaxLookListCount)
            return;
        m_currentLookList = CreateLookList(uint32_t(count));
        Enter(m_lookLists, listName, m_currentLookList);
        if (m_currentDescriptor && m_currentDescriptor->GetSkin())
            m_currentDescriptor->GetSkin()->lookList = m_currentLookList;
    } else if (name == u"Skin") {
        // A Skin without Name gets an empty one; nothing looks skins up by name.
        String skinName;
        GetAttribute(attributes, u"Name", skinName);
        RCPtr<LSkinDescriptor> skin = LSkinDescriptor::Create(skinName);
        if (!m_currentDescriptor) {
            RCPtr<LControlDescriptor> root = LControlDescriptor::CreateRoot(m_applicationName);
            m_skins.Add(root);
            m_currentSkinIndex = int32_t(m_skins.GetCount()) - 1;
            m_currentDescriptor = root;
            GetAttribute(attributes, u"FontName", skin->fontName);
            GetAttribute(attributes, u"FontSize", skin->fontSize);
            GetAttribute(attributes, u"FontStyle", skin->fontStyle);
            m_fontTranslations.clear();
        } else {
            skin->fontName = TranslateFontName(m_pendingFont.name);
            skin->fontSize = m_pendingFont.size;
            skin->fontStyle = m_pendingFont.style;
            skin->FontInheritsFromParent = m_pendingFont.inheritsFromParent;
            skin->FontSizeIsRelative = m_pendingFont.sizeIsRelative;
            String listName;
            if (GetAttribute(attributes, u"LookList", listName))
                skin->lookList = FindLookList(listName);
        }
        m_currentDescriptor->SetSkin(skin);
    } else if (name == u"FontLocale") {
        GetAttribute(attributes, u"LCID", m_fontLocale);
    } else if (name == u"FontXLat") {
        String fontName;
        String replacement;
        if (!GetAttribute(attributes, u"Name", fontName) || !GetAttribute(attributes, u"XLat", replacement))
            return;
        // Translations belong to the skin being read; a top-level Skin empties them again.
        if (!m_currentDescriptor || !m_currentDescriptor->GetSkin() || m_fontLocale != m_language)
            return;
        m_fontTranslations.emplace(fontName, replacement);
        LSkinDescriptor& skin = *m_currentDescriptor->GetSkin();
        if (skin.fontName == fontName)
            skin.fontName = replacement;
    } else if (name == u"SubControl") {
        String className;
        String controlName;
        if (!m_currentDescriptor || !GetAttribute(attributes, u"Class", className) ||
            !GetAttribute(attributes, u"Name", controlName))
            ThrowException<std::runtime_error>("Bad Subcontrol Element", StartElementFunction, __FILE__, __LINE__);
        if (Depth(m_currentDescriptor.Get()) >= MaxSubControlDepth)
            ThrowException<std::runtime_error>("Bad Subcontrol Element: nested more than 256 deep",
                                               StartElementFunction, __FILE__, __LINE__);
        LControlDescriptor* parent = m_currentDescriptor.Get();
        RCPtr<LControlDescriptor> descriptor = LControlDescriptor::Create(className, controlName, parent);
        parent->AddChild(descriptor);
        RCPtr<LLayoutDescriptor> layout = LLayoutDescriptor::Create();
        descriptor->SetLayout(layout);
        m_currentDescriptor = descriptor;

        LLayoutDescriptor& l = *layout;
        GetAttribute(attributes, u"ClipToParent", l.ClipToParent);
        GetDecimalAttribute(attributes, u"Z_Order", l.Z_Order);
        GetAttribute(attributes, u"LayoutOrder", l.LayoutOrder);
        // Top-level controls take neither: they are shown when created and never tabbed between.
        if (!(parent->GetClassName() == u"Application")) {
            GetDecimalAttribute(attributes, u"TabStop", l.TabStop);
            GetAttribute(attributes, u"IsVisible", l.IsVisible);
        }
        GetAttribute(attributes, u"XIsDocked", l.XIsDocked);
        GetAttribute(attributes, u"YIsDocked", l.YIsDocked);
        ReadPosition(attributes, u"XPositionToControl", u"XPlacementAnchor", u"XPositionRel", u"XPositionAbs",
                     l.XPosition);
        ReadPosition(attributes, u"YPositionToControl", u"YPlacementAnchor", u"YPositionRel", u"YPositionAbs",
                     l.YPosition);
        ReadSize(attributes, u"XSizeToControl", u"XSizeRel", u"XSizeAbs", l.XSize);
        ReadSize(attributes, u"YSizeToControl", u"YSizeRel", u"YSizeAbs", l.YSize);
        ReadLimit(attributes, u"XMinSizeToControl", u"XMinSizeRel", u"XMinSizeAbs", l.XMinSize);
        ReadLimit(attributes, u"YMinSizeToControl", u"YMinSizeRel", u"YMinSizeAbs", l.YMinSize);
        ReadLimit(attributes, u"XMaxSizeToControl", u"XMaxSizeRel", u"XMaxSizeAbs", l.XMaxSize);
        ReadLimit(attributes, u"YMaxSizeToControl", u"YMaxSizeRel", u"YMaxSizeAbs", l.YMaxSize);
        GetAttribute(attributes, u"TextDecoration", l.TextDecoration);
        String overflow;
        if (GetAttribute(attributes, u"TextOverflowXType", overflow)) {
            if (overflow == u"Clip")
                l.TextOverflowXType = 0;
            else if (overflow == u"Expand")
                l.TextOverflowXType = 1;
            else if (overflow == u"Wrap")
                l.TextOverflowXType = 2;
        }
        if (GetAttribute(attributes, u"TextOverflowYType", overflow)) {
            if (overflow == u"Clip")
                l.TextOverflowYType = 0;
            else if (overflow == u"Expand")
                l.TextOverflowYType = 1;
        }

        // The font goes to the Skin element inside this SubControl.
        m_pendingFont = PendingFont();
        GetAttribute(attributes, u"FontInheritsFromParent", m_pendingFont.inheritsFromParent);
        GetAttribute(attributes, u"FontSizeIsRelative", m_pendingFont.sizeIsRelative);
        GetAttribute(attributes, u"FontName", m_pendingFont.name);
        if (!GetAttribute(attributes, u"FontSize", m_pendingFont.size))
            m_pendingFont.sizeIsRelative = false;
        GetAttribute(attributes, u"FontStyle", m_pendingFont.style);
    } else if (name == u"CreateParamList") {
        m_currentCreateParams = LStringTable::Create();
    } else if (name == u"CreateParam") {
        if (!GetAttribute(attributes, u"ID", m_currentId))
            return;
        m_inCreateParam = true;
        m_pendingText.clear();
    }
}

void LControlFactory::SkinEndElement(const String& name)
{
    if (name == u"SubControl") {
        if (!m_currentDescriptor)
            return;
        RCPtrArray<LControlDescriptor>& children = m_currentDescriptor->GetChildren();
        ArrayUtils::Sort(children, 0, children.GetCount(),
                         [](const RCPtr<LControlDescriptor>& a, const RCPtr<LControlDescriptor>& b) {
                             const int32_t orderA = a->GetLayout() ? a->GetLayout()->LayoutOrder : 0;
                             const int32_t orderB = b->GetLayout() ? b->GetLayout()->LayoutOrder : 0;
                             return orderA < orderB;
                         });
        m_currentDescriptor = m_currentDescriptor->GetParent();
    } else if (name == u"Skin") {
        if (m_currentDescriptor && m_currentDescriptor == GetCurrentRoot())
            m_currentDescriptor.Release();
    } else if (name == u"CreateParamList") {
        if (m_currentDescriptor)
            m_currentDescriptor->SetCreateParams(m_currentCreateParams);
    } else if (name == u"CreateParam") {
        WriteCreateParamText();
        m_inCreateParam = false;
    } else if (name == u"Looks") {
        m_inLooks = false;
    }
}

void LControlFactory::SkinCharacterData(std::u16string_view text)
{
    // The parser hands over text around references in pieces; they make one value.
    if (m_inCreateParam)
        m_pendingText.append(text);
}

void LControlFactory::WriteCreateParamText()
{
    if (m_pendingText.empty())
        return;
    if (m_currentCreateParams) {
        String text;
        text.Assign(m_pendingText.data(), int32_t(m_pendingText.size()));
        m_currentCreateParams->Add(m_currentId, text);
    }
    m_pendingText.clear();
}

} // namespace VQ
