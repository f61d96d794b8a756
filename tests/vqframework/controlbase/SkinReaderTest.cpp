#include "vqframework/controlbase/ControlFactory.h"

#include "ControlBaseTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace VQ {
namespace {

using String = LControlFactory::String;
using Testing::NewFactory;
using Testing::Parse;
using Testing::U16;
using Testing::U8;

// The children of the current root, by position.
const RCPtr<LControlDescriptor>& TopLevel(const LControlFactory& factory, uint32_t index)
{
    return factory.GetSkins().GetAt(uint32_t(factory.GetCurrentSkinIndex()))->GetChildren().GetAt(index);
}

std::vector<std::string> ChildNames(const LControlDescriptor& descriptor)
{
    std::vector<std::string> names;
    for (uint32_t i = 0; i < descriptor.GetChildren().GetCount(); ++i)
        names.push_back(U8(descriptor.GetChildren().GetAt(i)->GetName()));
    return names;
}

RGBAColor Argb(uint32_t argb)
{
    RGBAColor color;
    color.SetARGB(argb);
    return color;
}

TEST(SkinColorizers, ReadTypeColoursAndGradientPoints)
{
    struct Case {
        const char* xml;
        LColorizer::ColorType type;
        uint32_t color;
        uint32_t endColor;
        float endY;
    };
    const Case cases[] = {
        {R"(ColorType="SolidFill" Color="0xFF333333")", LColorizer::SolidFill, 0xFF333333, 0, 0},
        // Six digits carry no alpha: the colour is transparent.
        {R"(ColorType="SolidFill" Color="0x333333")", LColorizer::SolidFill, 0x00333333, 0, 0},
        {R"(ColorType="SolidFill" Color="0xFF33")", LColorizer::SolidFill, 0, 0, 0},
        {R"(ColorType="Whatever" Color="FF333333")", LColorizer::SolidFill, 0xFF333333, 0, 0},
        {R"(ColorType="LinearGradient" Color="0xFF000000" GradientEndColor="0xFFFFFFFF" GradientStartX="0"
            GradientStartY="0" GradientEndX="0.5" GradientEndY="1")",
         LColorizer::LinearGradient, 0xFF000000, 0xFFFFFFFF, 1},
        {R"(ColorType="RadialGradient" Color="0xFF000000" GradientEndColor="0x80FFFFFF" GradientStartX="0"
            GradientStartY="0" GradientEndX="0.5" GradientEndY="2.5")",
         LColorizer::RadialGradient, 0xFF000000, 0x80FFFFFF, 2.5f},
        // A gradient short of one point is solid, with no end colour either.
        {R"(ColorType="LinearGradient" Color="0xFF000000" GradientEndColor="0xFFFFFFFF" GradientStartX="0"
            GradientStartY="0" GradientEndX="0.5")",
         LColorizer::SolidFill, 0xFF000000, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.xml);
        RCPtr<LControlFactory> factory = NewFactory();
        ASSERT_EQ(S_OK, Parse(*factory, std::string("<Colorizer Name=\"C\" ") + c.xml + " />"));
        RCPtr<LColorizer> colorizer = factory->FindColorizer(U16("C"));
        ASSERT_TRUE(colorizer);
        EXPECT_EQ(c.type, colorizer->GetColorType());
        EXPECT_EQ(Argb(c.color), colorizer->GetColor());
        EXPECT_EQ(Argb(c.endColor), colorizer->GetEndColor());
        EXPECT_FLOAT_EQ(c.endY, colorizer->GetEndY());
        if (c.type == LColorizer::SolidFill)
            EXPECT_FLOAT_EQ(0, colorizer->GetEndX());
        else
            EXPECT_FLOAT_EQ(0.5f, colorizer->GetEndX());
    }
}

TEST(SkinColorizers, NeedNameTypeAndColourAndKeepTheFirstOfAName)
{
    RCPtr<LControlFactory> factory = NewFactory();
    ASSERT_EQ(S_OK, Parse(*factory, R"(
        <Colorizer Name="NoType" Color="0xFF000000" />
        <Colorizer Name="NoColor" ColorType="SolidFill" />
        <Colorizer ColorType="SolidFill" Color="0xFF000000" />
        <Colorizer Name="Twice" ColorType="SolidFill" Color="0xFF111111" />
        <Colorizer Name="Twice" ColorType="SolidFill" Color="0xFF222222" />)"));
    EXPECT_FALSE(factory->FindColorizer(U16("NoType")));
    EXPECT_FALSE(factory->FindColorizer(U16("NoColor")));
    EXPECT_FALSE(factory->FindColorizer(String()));
    ASSERT_TRUE(factory->FindColorizer(U16("Twice")));
    EXPECT_EQ(Argb(0xFF111111), factory->FindColorizer(U16("Twice"))->GetColor());
}

TEST(SkinParts, ReadImagesColorizersResizeTypesAndMasks)
{
    struct Case {
        const char* attributes;
        bool made;
        std::string image;
        int32_t width;
        int32_t height;
        ResizeType resize;
        bool coloured;
        float alpha;
        std::string mask;
    };
    const Case cases[] = {
        {R"(Width="5" Height="4" ResizeType="Tile" ImageFile="CE.png" ImageLocX="162" ImageLocY="28")", true,
         "::ce.png", 5, 4, ResizeTile, false, 1, ""},
        {R"(Width="64" Height="64" ResizeType="stretch" ColorizerName="Dark" ColorizerAlphaMod="0.25")", true, "",
         64, 64, ResizeStretch, true, 0.25f, ""},
        {R"(Width="0x10" Height="8" ResizeType="Center" ColorizerName="Dark")", true, "", 16, 8, ResizeCenter, true,
         1, ""},
        {R"(Width="8" Height="8" ResizeType="Odd" ImageFile="Sub/A.PNG" ImageLocX="0" ImageLocY="0"
            ColorizerName="Dark" ColorizerMaskFile="Masks/M.PNG" MaskLocX="3" MaskLocY="4")",
         true, "::sub/a.png", 8, 8, ResizeStretch, true, 1, "::Masks/M.PNG"},
        // A mask needs both of its places.
        {R"(Width="8" Height="8" ResizeType="Tile" ColorizerName="Dark" ColorizerMaskFile="M.png" MaskLocX="3")",
         true, "", 8, 8, ResizeTile, true, 1, ""},
        // An image without its place: a plain part when coloured, nothing otherwise.
        {R"(Width="8" Height="6" ResizeType="Tile" ImageFile="CE.png" ImageLocX="1" ColorizerName="Dark")", true,
         "", 8, 6, ResizeTile, true, 1, ""},
        {R"(Width="8" Height="6" ResizeType="Tile" ImageFile="CE.png" ImageLocX="1")", false, "", 0, 0,
         ResizeStretch, false, 0, ""},
        {R"(Width="8" Height="6" ResizeType="Tile" ImageFile="" ImageLocX="1" ImageLocY="1")", false, "", 0, 0,
         ResizeStretch, false, 0, ""},
        {R"(Width="8" Height="6" ResizeType="Tile" ColorizerName="Unknown")", false, "", 0, 0, ResizeStretch, false,
         0, ""},
        {R"(Width="8" ResizeType="Tile" ColorizerName="Dark")", false, "", 0, 0, ResizeStretch, false, 0, ""},
        {R"(Width="8" Height="8" ColorizerName="Dark")", false, "", 0, 0, ResizeStretch, false, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.attributes);
        RCPtr<LControlFactory> factory = NewFactory();
        factory->SetResourcePrefix(U16("::"));
        ASSERT_EQ(S_OK, Parse(*factory, std::string(R"(<Colorizer Name="Dark" ColorType="SolidFill" Color="0xFF333333" />
            <Part Name="P" )") + c.attributes + " />"));
        RCPtr<LVisualPartDescriptor> part = factory->FindPart(U16("P"));
        ASSERT_EQ(c.made, bool(part));
        if (!part)
            continue;
        EXPECT_EQ(c.image, U8(part->GetImage().file));
        EXPECT_EQ(c.width, part->GetWidth());
        EXPECT_EQ(c.height, part->GetHeight());
        EXPECT_EQ(c.resize, part->GetResizeType());
        EXPECT_EQ(c.coloured, bool(part->GetColorizer()));
        EXPECT_FLOAT_EQ(c.alpha, part->GetAlphaModifier());
        EXPECT_EQ(c.mask, U8(part->GetMask().file));
    }
}

TEST(SkinParts, ImageAndMaskTakeTheirPlacesAndThePartsSize)
{
    RCPtr<LControlFactory> factory = NewFactory();
    ASSERT_EQ(S_OK, Parse(*factory, R"(
        <Part Name="P" Width="5" Height="4" ResizeType="Tile" ImageFile="CE.png" ImageLocX="162" ImageLocY="28"
              ColorizerMaskFile="M.png" MaskLocX="3" MaskLocY="7" />
        <Part Name="P" Width="9" Height="9" ResizeType="Tile" ImageFile="Other.png" ImageLocX="0" ImageLocY="0" />)"));
    RCPtr<LVisualPartDescriptor> part = factory->FindPart(U16("P"));
    ASSERT_TRUE(part);
    const ImageRef& image = part->GetImage();
    EXPECT_EQ("CE.png", U8(image.file));
    EXPECT_EQ((std::vector<int32_t>{162, 28, 5, 4}), (std::vector<int32_t>{image.x, image.y, image.width, image.height}));
    const ImageRef& mask = part->GetMask();
    EXPECT_EQ("M.png", U8(mask.file));
    EXPECT_EQ((std::vector<int32_t>{3, 7, 5, 4}), (std::vector<int32_t>{mask.x, mask.y, mask.width, mask.height}));
}

// Resource names are case-insensitive and lower-cased for the bitmap cache; a folder's file names
// are used as written, since the file system may tell case apart. Masks are always as written.
TEST(SkinParts, ImageNamesAreLowerCasedForResourcesOnly)
{
    struct Case {
        const char* prefix;
        const char* image;
        const char* mask;
    };
    const Case cases[] = {
        {"::", "::sub/ce.png", "::Masks/M.PNG"},
        {"", "Sub/CE.png", "Masks/M.PNG"},
        {"/Skins/Dark/", "/Skins/Dark/Sub/CE.png", "/Skins/Dark/Masks/M.PNG"},
        {":", ":Sub/CE.png", ":Masks/M.PNG"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.prefix);
        RCPtr<LControlFactory> factory = NewFactory();
        factory->SetResourcePrefix(U16(c.prefix));
        ASSERT_EQ(S_OK, Parse(*factory, R"(<Colorizer Name="Dark" ColorType="SolidFill" Color="0xFF333333" />
            <Part Name="P" Width="5" Height="4" ResizeType="Tile" ImageFile="Sub/CE.png" ImageLocX="0" ImageLocY="0"
                  ColorizerName="Dark" ColorizerMaskFile="Masks/M.PNG" MaskLocX="0" MaskLocY="0" />)"));
        RCPtr<LVisualPartDescriptor> part = factory->FindPart(U16("P"));
        ASSERT_TRUE(part);
        EXPECT_EQ(c.image, U8(part->GetImage().file));
        EXPECT_EQ(c.mask, U8(part->GetMask().file));
    }
}

// Parts and looks the look tests share.
constexpr const char* LookParts = R"(
    <Colorizer Name="Dark" ColorType="SolidFill" Color="0xFF333333" />
    <Part Name="Back" Width="8" Height="8" ResizeType="Tile" ColorizerName="Dark" />
    <Part Name="Edge" Width="2" Height="2" ResizeType="Tile" ColorizerName="Dark" />
    <Part Name="NoPart" Width="2" Height="2" ResizeType="Tile" />)";

TEST(SkinLooks, TakeClientAndNonClientPartsAndTextProperties)
{
    RCPtr<LControlFactory> factory = NewFactory();
    ASSERT_EQ(S_OK, Parse(*factory, std::string(LookParts) + R"(<Looks>
        <Look Name="L">
          <ClientPart Name="Back" OffsetLeft="1" OffsetTop="2" OffsetRight="-3" OffsetBottom="-4" />
          <NonClientParts Name="Ignored">
            <NonClientPart Name="Edge" OffsetLeft="0" OffsetTop="0" OffsetRight="-5" Height="1" />
            <NonClientPart Name="Edge" OffsetBottom="0" Width="3" Height="0" />
            <NonClientPart Name="Edge" />
            <NonClientPart Name="NoPart" OffsetLeft="0" />
          </NonClientParts>
          <TextProperties TextLeftRel="0.1" TextLeftAbs="2" TextRightRel="1" TextRightAbs="-2" TextHAlign="0.5"
                          TextTopRel="0.2" TextTopAbs="0x10" TextBottomRel="1" TextBottomAbs="-1" TextVAlign="1"
                          TextForegroundPart="Edge" />
        </Look></Looks>)"));
    RCPtr<LLookDescriptor> look = factory->FindLook(U16("L"));
    ASSERT_TRUE(look);
    ASSERT_TRUE(look->GetClientPart());
    EXPECT_EQ(factory->FindPart(U16("Back")), look->GetClientPart()->GetPart());
    EXPECT_EQ((DockRecord{15, 1, 2, -3, -4, 0, 0, 0, 0}), look->GetClientPart()->GetPlacement());

    const DockRecord expected[] = {
        {7, 0, 0, -5, 0, 0, 0, 1, 1},
        {8, 0, 0, 0, 0, 1, 3, 0, 0},
        {0, 0, 0, 0, 0, 0, 0, 0, 0},
    };
    ASSERT_EQ(3u, look->GetNonClientParts().GetCount());
    for (uint32_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(factory->FindPart(U16("Edge")), look->GetNonClientParts().GetAt(i)->GetPart());
        EXPECT_EQ(expected[i], look->GetNonClientParts().GetAt(i)->GetPlacement());
    }

    ASSERT_TRUE(look->HasText());
    EXPECT_EQ((LookTextProperties{0.1f, 2, 1, -2, 0.5f, 0.2f, 16, 1, -1, 1}), look->GetTextProperties());
    EXPECT_EQ(factory->FindPart(U16("Edge")), look->GetTextForegroundPart());
}

TEST(SkinLooks, IgnoreUndefinedPartsIncompleteElementsAndAMissingLook)
{
    RCPtr<LControlFactory> factory = NewFactory();
    // Before any look: nothing to act on, and no crash.
    ASSERT_EQ(S_OK, Parse(*factory, std::string(LookParts) + R"(
        <ClientPart Name="Back" OffsetLeft="1" OffsetTop="2" OffsetRight="-3" OffsetBottom="-4" />
        <NonClientPart Name="Edge" />
        <TextProperties TextLeftRel="0" TextLeftAbs="0" TextRightRel="1" TextRightAbs="0" TextHAlign="0.5"
                        TextTopRel="0" TextTopAbs="0" TextBottomRel="1" TextBottomAbs="0" TextVAlign="0.5"
                        TextForegroundPart="Edge" />
        <Looks><Look Name="L">
          <ClientPart Name="NoPart" OffsetLeft="1" OffsetTop="2" OffsetRight="-3" OffsetBottom="-4" />
          <ClientPart Name="Back" OffsetLeft="1" OffsetTop="2" OffsetRight="-3" />
          <TextProperties TextLeftRel="0" TextLeftAbs="0" TextRightRel="1" TextRightAbs="0" TextHAlign="0.5"
                          TextTopRel="0" TextTopAbs="0" TextBottomRel="1" TextBottomAbs="0" TextVAlign="0.5"
                          TextForegroundPart="NoPart" />
          <TextProperties TextLeftRel="0" TextLeftAbs="0" TextRightRel="1" TextRightAbs="0" TextHAlign="0.5"
                          TextTopRel="0" TextTopAbs="0" TextBottomRel="1" TextBottomAbs="0"
                          TextForegroundPart="Edge" />
        </Look></Looks>)"));
    RCPtr<LLookDescriptor> look = factory->FindLook(U16("L"));
    ASSERT_TRUE(look);
    EXPECT_FALSE(look->GetClientPart());
    EXPECT_EQ(0u, look->GetNonClientParts().GetCount());
    EXPECT_FALSE(look->HasText());
}

TEST(SkinLooks, ARepeatedNameIsNotEnteredButTakesThePartsThatFollowIt)
{
    RCPtr<LControlFactory> factory = NewFactory();
    ASSERT_EQ(S_OK, Parse(*factory, std::string(LookParts) + R"(<Looks>
        <Look Name="L"><ClientPart Name="Back" OffsetLeft="0" OffsetTop="0" OffsetRight="0" OffsetBottom="0" /></Look>
        <Look Name="L"><NonClientPart Name="Edge" /></Look>
        </Looks>)"));
    RCPtr<LLookDescriptor> look = factory->FindLook(U16("L"));
    ASSERT_TRUE(look);
    EXPECT_TRUE(look->GetClientPart());
    EXPECT_EQ(0u, look->GetNonClientParts().GetCount());
}

constexpr const char* TwoLooks = R"(
    <Looks><Look Name="A" /><Look Name="B" /></Looks>)";

std::vector<std::string> LookNames(const RCPtr<LookList>& list)
{
    std::vector<std::string> names;
    for (uint32_t i = 0; i < list->GetCount(); ++i)
        names.push_back(list->GetAt(i) ? U8(list->GetAt(i)->GetName()) : "-");
    return names;
}

TEST(SkinLookLists, FillTheEntriesTheirLooksNameAndIgnoreTheRest)
{
    struct Case {
        const char* xml;
        std::vector<std::string> entries;
    };
    const Case cases[] = {
        {R"(<LookList Name="X" NumLooks="3"><Look Name="A" Index="0" /><Look Name="B" Index="2" /></LookList>)",
         {"A", "-", "B"}},
        {R"(<LookList Name="X" NumLooks="2"><Look Name="A" Index="1" /><Look Name="B" Index="1" /></LookList>)",
         {"-", "B"}},
        // Indexes outside the list, unknown looks and a hexadecimal Index are ignored.
        {R"(<LookList Name="X" NumLooks="2"><Look Name="A" Index="-1" /><Look Name="A" Index="2" />
             <Look Name="A" Index="99999" /><Look Name="Unknown" Index="0" /><Look Name="B" Index="0x1" />
             <Look Name="B" /></LookList>)",
         {"B", "-"}},
        // Four hexadecimal digits are read: 0x0010A is 16.
        {R"(<LookList Name="X" NumLooks="0x0010A"><Look Name="A" Index="15" /></LookList>)",
         {"-", "-", "-", "-", "-", "-", "-", "-", "-", "-", "-", "-", "-", "-", "-", "A"}},
        {R"(<LookList Name="X" NumLooks="0" />)", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.xml);
        RCPtr<LControlFactory> factory = NewFactory();
        ASSERT_EQ(S_OK, Parse(*factory, std::string(TwoLooks) + "<LookLists>" + c.xml + "</LookLists>"));
        ASSERT_TRUE(factory->FindLookList(U16("X")));
        EXPECT_EQ(c.entries, LookNames(factory->FindLookList(U16("X"))));
    }
}

TEST(SkinLookLists, AnIncompleteListDoesNothingAndARefusedOneClearsTheCurrentList)
{
    RCPtr<LControlFactory> factory = NewFactory();
    ASSERT_EQ(S_OK, Parse(*factory, std::string(TwoLooks) + R"(<LookLists>
        <LookList Name="X" NumLooks="2"><Look Name="A" Index="0" /></LookList>
        <LookList Name="X" NumLooks="4"><Look Name="B" Index="1" /></LookList>
        <LookList Name="Y" NumLooks="2"><Look Name="A" Index="1" /></LookList>
        <LookList NumLooks="2"><Look Name="B" Index="0" /></LookList>
        <LookList Name="NoCount"><Look Name="B" Index="0" /></LookList>
        <LookList Name="Negative" NumLooks="-3"><Look Name="B" Index="0" /></LookList>
        </LookLists>)"));
    EXPECT_EQ((std::vector<std::string>{"A", "-"}), LookNames(factory->FindLookList(U16("X"))));
    // A list without name or count is no list: its entries fill the list before it.
    EXPECT_EQ((std::vector<std::string>{"B", "A"}), LookNames(factory->FindLookList(U16("Y"))));
    EXPECT_FALSE(factory->FindLookList(U16("Negative")));
    EXPECT_FALSE(factory->FindLookList(U16("NoCount")));
}

TEST(SkinLookLists, ACountOver256IsRefusedAsANegativeOne)
{
    struct Case {
        const char* list;
        uint32_t made;
        std::vector<std::string> previous;
    };
    const Case cases[] = {
        {R"(Name="X" NumLooks="256")", 256, {"-"}},
        {R"(Name="X" NumLooks="257")", 0, {"-"}},
        {R"(Name="X" NumLooks="65535")", 0, {"-"}},
        {R"(Name="X" NumLooks="0xFFFF")", 0, {"-"}},
        {R"(Name="X" NumLooks="-1")", 0, {"-"}},
        {R"(Name="P" NumLooks="2")", 0, {"-"}},
        {R"(Name="X")", 0, {"A"}},
        {R"(NumLooks="2")", 0, {"A"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.list);
        RCPtr<LControlFactory> factory = NewFactory();
        ASSERT_EQ(S_OK, Parse(*factory, std::string(TwoLooks) + R"(<LookLists><LookList Name="P" NumLooks="1" />
            <LookList )" + c.list + R"(><Look Name="A" Index="0" /><Look Name="B" Index="255" /></LookList>
            </LookLists>)"));
        const RCPtr<LookList> made = factory->FindLookList(U16("X"));
        ASSERT_EQ(c.made, made ? made->GetCount() : 0u);
        if (made) {
            EXPECT_EQ("A", U8(made->GetAt(0u)->GetName()));
            EXPECT_EQ("B", U8(made->GetAt(255u)->GetName()));
        }
        EXPECT_EQ(c.previous, LookNames(factory->FindLookList(U16("P"))));
    }
}

// Two looks, a look list of each, and the skin's font translation for language 0.
constexpr const char* SkinBase = R"(
    <Looks><Look Name="A" /><Look Name="B" /></Looks>
    <LookLists>
      <LookList Name="ListA" NumLooks="1"><Look Name="A" Index="0" /></LookList>
      <LookList Name="ListB" NumLooks="1"><Look Name="B" Index="0" /></LookList>
    </LookLists>)";

TEST(SkinSkins, ATopLevelSkinMakesARootWithTheSkinsFont)
{
    RCPtr<LControlFactory> factory = NewFactory();
    ASSERT_EQ(S_OK, Parse(*factory, std::string(SkinBase) + R"(<Application Name="Editor" /><Skins>
        <Skin Name="Skin1" FontName="Arial" FontSize="9.5" FontStyle="0x3" LookList="ListA" />
        <Skin Name="Skin2" />
        <Skin />
        </Skins>)"));
    ASSERT_EQ(3u, factory->GetSkins().GetCount());
    EXPECT_EQ(2, factory->GetCurrentSkinIndex());
    const LControlDescriptor& root = *factory->GetSkins().GetAt(0);
    EXPECT_EQ("Application", U8(root.GetClassName()));
    EXPECT_EQ("Editor", U8(root.GetName()));
    EXPECT_EQ(nullptr, root.GetParent());
    ASSERT_TRUE(root.GetSkin());
    EXPECT_EQ("Skin1", U8(root.GetSkin()->GetName()));
    EXPECT_EQ("Arial", U8(root.GetSkin()->fontName));
    EXPECT_FLOAT_EQ(9.5f, root.GetSkin()->fontSize);
    EXPECT_EQ(3, root.GetSkin()->fontStyle);
    // A top-level Skin does not read LookList.
    EXPECT_FALSE(root.GetSkin()->lookList);

    const LSkinDescriptor& plain = *factory->GetSkins().GetAt(1)->GetSkin();
    EXPECT_EQ("", U8(plain.fontName));
    EXPECT_FLOAT_EQ(0, plain.fontSize);
    EXPECT_EQ(-1, plain.fontStyle);
    ASSERT_TRUE(factory->GetSkins().GetAt(2)->GetSkin());
    EXPECT_EQ("", U8(factory->GetSkins().GetAt(2)->GetSkin()->GetName()));
}

TEST(SkinSkins, ANestedSkinTakesTheSubControlsFontAndItsLookList)
{
    struct Case {
        const char* subControl;
        const char* skin;
        std::string fontName;
        float fontSize;
        int32_t fontStyle;
        bool inherits;
        bool relative;
        const char* lookList;
    };
    const Case cases[] = {
        {R"(FontName="Tahoma" FontSize="12" FontStyle="2" FontInheritsFromParent="True" FontSizeIsRelative="True")",
         R"(LookList="ListB")", "Tahoma", 12, 2, true, true, "B"},
        {"", R"(LookList="ListA")", "", 0, -1, false, false, "A"},
        // Without FontSize the size is not relative, whatever the SubControl says.
        {R"(FontSizeIsRelative="True" FontInheritsFromParent="true")", R"(LookList="Unknown")", "", 0, -1, false,
         false, nullptr},
        {R"(FontSize="1.5" FontSizeIsRelative="True")", "", "", 1.5f, -1, false, true, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.subControl);
        RCPtr<LControlFactory> factory = NewFactory();
        ASSERT_EQ(S_OK, Parse(*factory, std::string(SkinBase) + R"(<Skins><Skin Name="Skin1">
            <SubControl Name="c" Class="Framework.Label" )" + c.subControl + "><Skin Name=\"Nested\" " + c.skin +
                                          " /></SubControl></Skin></Skins>"));
        const RCPtr<LSkinDescriptor>& skin = TopLevel(*factory, 0)->GetSkin();
        ASSERT_TRUE(skin);
        EXPECT_EQ("Nested", U8(skin->GetName()));
        EXPECT_EQ(c.fontName, U8(skin->fontName));
        EXPECT_FLOAT_EQ(c.fontSize, skin->fontSize);
        EXPECT_EQ(c.fontStyle, skin->fontStyle);
        EXPECT_EQ(c.inherits, skin->FontInheritsFromParent);
        EXPECT_EQ(c.relative, skin->FontSizeIsRelative);
        if (c.lookList)
            EXPECT_EQ(factory->FindLookList(U16(c.lookList[0] == 'A' ? "ListA" : "ListB")), skin->lookList);
        else
            EXPECT_FALSE(skin->lookList);
    }
}

TEST(SkinSkins, ALookListInsideASubControlGivesItsSkinTheList)
{
    RCPtr<LControlFactory> factory = NewFactory();
    ASSERT_EQ(S_OK, Parse(*factory, std::string(SkinBase) + R"(<Skins><Skin Name="Skin1">
        <SubControl Name="new" Class="Framework.Label"><Skin Name="S" />
          <LookList Name="Inline" NumLooks="1"><Look Name="B" Index="0" /></LookList></SubControl>
        <SubControl Name="old" Class="Framework.Label"><Skin Name="S" />
          <LookList Name="ListA" NumLooks="5"><Look Name="B" Index="0" /></LookList></SubControl>
        </Skin></Skins>)"));
    EXPECT_EQ(factory->FindLookList(U16("Inline")), TopLevel(*factory, 0)->GetSkin()->lookList);
    EXPECT_EQ(factory->FindLookList(U16("ListA")), TopLevel(*factory, 1)->GetSkin()->lookList);
    EXPECT_EQ((std::vector<std::string>{"A"}), LookNames(factory->FindLookList(U16("ListA"))));
}

TEST(SkinFonts, TranslationsOfTheFactorysLanguageRenameTheSkinsFonts)
{
    struct Case {
        const char* locale;
        std::string rootFont;
        std::string childFont;
    };
    const Case cases[] = {
        {R"(<FontLocale LCID="0" />)", "Liberation Sans", "Liberation Sans"},
        {R"(<FontLocale LCID="0x0407" />)", "Arial", "Arial"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.locale);
        RCPtr<LControlFactory> factory = NewFactory();
        ASSERT_EQ(S_OK, Parse(*factory, std::string(R"(<Skins><Skin Name="Skin1" FontName="Arial">)") + c.locale +
                                            R"(<FontXLat Name="Arial" XLat="Liberation Sans" />
            <FontXLat Name="Arial" XLat="Second" />
            <SubControl Name="c" Class="Framework.Label" FontName="Arial"><Skin Name="S" /></SubControl>
            </Skin></Skins>)"));
        EXPECT_EQ(c.rootFont, U8(factory->GetSkins().GetAt(0)->GetSkin()->fontName));
        EXPECT_EQ(c.childFont, U8(TopLevel(*factory, 0)->GetSkin()->fontName));
    }
}

TEST(SkinFonts, TranslationsOutsideASkinAreIgnoredAndATopLevelSkinEmptiesThem)
{
    RCPtr<LControlFactory> factory = NewFactory();
    ASSERT_EQ(S_OK, Parse(*factory, R"(<FontLocale LCID="0" />
        <FontXLat Name="Tahoma" XLat="Outside" />
        <Skins><Skin Name="Skin1"><FontXLat Name="Arial" XLat="Liberation Sans" /></Skin></Skins>)"));
    EXPECT_EQ("Tahoma", U8(factory->TranslateFontName(U16("Tahoma"))));
    EXPECT_EQ("Liberation Sans", U8(factory->TranslateFontName(U16("Arial"))));
    ASSERT_EQ(S_OK, Parse(*factory, R"(<Skins><Skin Name="Skin2" /></Skins>)"));
    EXPECT_EQ("Arial", U8(factory->TranslateFontName(U16("Arial"))));
}

TEST(SkinSubControls, ReadTheLayoutAttributes)
{
    RCPtr<LControlFactory> factory = NewFactory();
    ASSERT_EQ(S_OK, Parse(*factory, R"(<Skins><Skin Name="Skin1"><SubControl Name="top" Class="Framework.Panel">
        <SubControl Name="c" Class="Framework.Button" ClipToParent="False" Z_Order="0x10" TabStop="3"
          LayoutOrder="0x10" IsVisible="true" XIsDocked="True" YIsDocked="False" XPlacementAnchor="0.5"
          YPlacementAnchor="1" XPositionToControl="Parent" YPositionToControl="okButton" XPositionRel="0.25"
          YPositionRel="-1" XPositionAbs="-7" YPositionAbs="12.9" XSizeToControl="Client" YSizeToControl="list"
          XSizeRel="1" YSizeRel="0.5" XSizeAbs="-4" YSizeAbs="0x20" XMinSizeToControl="Children"
          YMinSizeToControl="Self" XMaxSizeToControl="label" XMinSizeRel="0.1" YMaxSizeRel="2" XMinSizeAbs="5"
          YMaxSizeAbs="300" TextDecoration="Underline" TextOverflowXType="Wrap" TextOverflowYType="Wrap" />
        <SubControl Name="d" Class="Framework.Button" XPositionToControl="Active Window" YPositionToControl="Screen"
          XSizeToControl="Screen" YSizeToControl="Active Window" XMinSizeToControl="Self"
          TextOverflowXType="Expand" TextOverflowYType="Expand" LayoutOrder="0X10" />
        </SubControl></Skin></Skins>)"));
    const LControlDescriptor& top = *TopLevel(*factory, 0);
    ASSERT_EQ(2u, top.GetChildren().GetCount());
    // LayoutOrder 0X10 reads as 0, so d comes first.
    const LLayoutDescriptor& d = *top.GetChildren().GetAt(0)->GetLayout();
    const LLayoutDescriptor& c = *top.GetChildren().GetAt(1)->GetLayout();
    EXPECT_EQ("c", U8(top.GetChildren().GetAt(1)->GetName()));

    EXPECT_FALSE(c.ClipToParent);
    EXPECT_EQ(0, c.Z_Order);
    EXPECT_EQ(3, c.TabStop);
    EXPECT_EQ(16, c.LayoutOrder);
    EXPECT_FALSE(c.IsVisible);
    EXPECT_TRUE(c.IsEnabled);
    EXPECT_TRUE(c.XIsDocked);
    EXPECT_FALSE(c.YIsDocked);
    EXPECT_FLOAT_EQ(0.5f, c.XPosition.anchor);
    EXPECT_FLOAT_EQ(1, c.YPosition.anchor);
    EXPECT_EQ(ReferenceParent, c.XPosition.kind);
    EXPECT_EQ(ReferencePositionNamed, c.YPosition.kind);
    EXPECT_EQ("okButton", U8(c.YPosition.name));
    EXPECT_FLOAT_EQ(0.25f, c.XPosition.rel);
    EXPECT_FLOAT_EQ(-1, c.YPosition.rel);
    EXPECT_DOUBLE_EQ(-7, c.XPosition.abs);
    EXPECT_DOUBLE_EQ(12, c.YPosition.abs);
    EXPECT_EQ(ReferenceClient, c.XSize.kind);
    EXPECT_EQ(ReferenceSizeNamed, c.YSize.kind);
    EXPECT_EQ("list", U8(c.YSize.name));
    EXPECT_FLOAT_EQ(1, c.XSize.rel);
    EXPECT_FLOAT_EQ(0.5f, c.YSize.rel);
    EXPECT_DOUBLE_EQ(-4, c.XSize.abs);
    EXPECT_DOUBLE_EQ(0, c.YSize.abs);
    EXPECT_TRUE(c.XMinSize.named);
    EXPECT_EQ("Children", U8(c.XMinSize.name));
    EXPECT_FALSE(c.YMinSize.named);
    EXPECT_TRUE(c.XMaxSize.named);
    EXPECT_EQ("label", U8(c.XMaxSize.name));
    EXPECT_FALSE(c.YMaxSize.named);
    EXPECT_FLOAT_EQ(0.1f, c.XMinSize.rel);
    EXPECT_FLOAT_EQ(2, c.YMaxSize.rel);
    EXPECT_DOUBLE_EQ(5, c.XMinSize.abs);
    EXPECT_DOUBLE_EQ(300, c.YMaxSize.abs);
    EXPECT_EQ("Underline", U8(c.TextDecoration));
    EXPECT_EQ(2, c.TextOverflowXType);
    EXPECT_EQ(0, c.TextOverflowYType);

    EXPECT_EQ(0, d.LayoutOrder);
    EXPECT_EQ(ReferenceClient, d.XPosition.kind);
    EXPECT_EQ(ReferenceParent, d.YPosition.kind);
    EXPECT_EQ(ReferenceParent, d.XSize.kind);
    EXPECT_EQ(ReferenceClient, d.YSize.kind);
    EXPECT_FALSE(d.XMinSize.named);
    EXPECT_EQ(1, d.TextOverflowXType);
    EXPECT_EQ(1, d.TextOverflowYType);
}

TEST(SkinSubControls, GetTheDefaultsAndTopLevelOnesKeepTabStopAndVisibility)
{
    RCPtr<LControlFactory> factory = NewFactory();
    ASSERT_EQ(S_OK, Parse(*factory, R"(<Skins><Skin Name="Skin1">
        <SubControl Name="top" Class="Framework.Panel" TabStop="3" IsVisible="False">
          <SubControl Name="inner" Class="Framework.Panel" TabStop="3" IsVisible="False" />
        </SubControl></Skin></Skins>)"));
    const LControlDescriptor& top = *TopLevel(*factory, 0);
    EXPECT_EQ("Framework.Panel", U8(top.GetClassName()));
    EXPECT_EQ(factory->GetSkins().GetAt(0).Get(), top.GetParent());
    EXPECT_FALSE(top.GetSkin());
    EXPECT_FALSE(top.GetCreateParams());
    const LLayoutDescriptor& t = *top.GetLayout();
    EXPECT_EQ(0, t.TabStop);
    EXPECT_TRUE(t.IsVisible);
    EXPECT_TRUE(t.ClipToParent);
    EXPECT_EQ(0, t.Z_Order);
    EXPECT_EQ(ReferenceClient, t.XPosition.kind);
    EXPECT_EQ(ReferenceSelf, t.XSize.kind);
    EXPECT_DOUBLE_EQ(16, t.XSize.abs);
    EXPECT_DOUBLE_EQ(40, t.YSize.abs);
    EXPECT_FALSE(t.XMinSize.named);

    const LControlDescriptor& inner = *top.GetChildren().GetAt(0);
    EXPECT_EQ(&top, inner.GetParent());
    EXPECT_EQ(3, inner.GetLayout()->TabStop);
    EXPECT_FALSE(inner.GetLayout()->IsVisible);
}

TEST(SkinSubControls, ChildrenAreSortedByLayoutOrderWhenTheirParentEnds)
{
    RCPtr<LControlFactory> factory = NewFactory();
    ASSERT_EQ(S_OK, Parse(*factory, R"(<Skins><Skin Name="Skin1"><SubControl Name="top" Class="Framework.Panel">
        <SubControl Name="three" Class="Framework.Panel" LayoutOrder="3" />
        <SubControl Name="one" Class="Framework.Panel" LayoutOrder="1">
          <SubControl Name="b" Class="Framework.Panel" LayoutOrder="0x2" />
          <SubControl Name="a" Class="Framework.Panel" LayoutOrder="-1" />
        </SubControl>
        <SubControl Name="two" Class="Framework.Panel" LayoutOrder="2" />
        </SubControl></Skin></Skins>)"));
    const LControlDescriptor& top = *TopLevel(*factory, 0);
    EXPECT_EQ((std::vector<std::string>{"one", "two", "three"}), ChildNames(top));
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), ChildNames(*top.GetChildren().GetAt(0)));
}

TEST(SkinSubControls, WithoutClassNameOrSkinEndTheParseWithAnError)
{
    const char* const cases[] = {
        R"(<Skins><Skin Name="Skin1"><SubControl Name="c" /></Skin></Skins>)",
        R"(<Skins><Skin Name="Skin1"><SubControl Class="Framework.Panel" /></Skin></Skins>)",
        R"(<SubControl Name="c" Class="Framework.Panel" />)",
        // The end of the top-level Skin leaves no descriptor to add to.
        R"(<Skins><Skin Name="Skin1" /><SubControl Name="c" Class="Framework.Panel" /></Skins>)",
        // LookLists closes the control being read.
        R"(<Skins><Skin Name="Skin1"><LookLists /><SubControl Name="c" Class="Framework.Panel" /></Skin></Skins>)",
    };
    for (const char* xml : cases) {
        SCOPED_TRACE(xml);
        RCPtr<LControlFactory> factory = NewFactory();
        EXPECT_EQ(E_FAIL, Parse(*factory, xml));
        EXPECT_NE(std::string::npos, U8(factory->GetParseErrorText()).find("Bad Subcontrol Element"));
        EXPECT_NE(std::string::npos,
                  U8(factory->GetParseErrorText()).find(" : VQ::LControlFactory::XMLStartElement : "));
        for (uint32_t i = 0; i < factory->GetSkins().GetCount(); ++i)
            EXPECT_EQ(0u, factory->GetSkins().GetAt(i)->GetChildren().GetCount());
    }
}

// SubControls nested depth deep, each the only child of the one before.
std::string SubControlChain(int depth)
{
    std::string xml;
    for (int i = 0; i < depth; ++i)
        xml += R"(<SubControl Name="c" Class="Framework.Panel">)";
    for (int i = 0; i < depth; ++i)
        xml += "</SubControl>";
    return xml;
}

std::string NestedSubControls(int depth)
{
    return R"(<Skins><Skin Name="Skin1">)" + SubControlChain(depth) + "</Skin></Skins>";
}

uint32_t TreeDepth(const LControlFactory& factory)
{
    uint32_t depth = 0;
    for (const LControlDescriptor* node = factory.GetSkins().GetAt(0u).Get(); node->GetChildren().GetCount() > 0;
         node = node->GetChildren().GetAt(0u).Get())
        ++depth;
    return depth;
}

// The descriptor tree is released recursively, so its depth is bounded.
TEST(SkinSubControls, NestingDeeperThan256FailsTheParseAndKeepsWhatWasRead)
{
    struct Case {
        int depth;
        VQRESULT result;
        uint32_t kept;
    };
    const Case cases[] = {{256, S_OK, 256}, {257, E_FAIL, 256}, {20000, E_FAIL, 256}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.depth);
        RCPtr<LControlFactory> factory = NewFactory();
        ASSERT_EQ(c.result, Parse(*factory, NestedSubControls(c.depth)));
        ASSERT_EQ(1u, factory->GetSkins().GetCount());
        EXPECT_EQ(c.kept, TreeDepth(*factory));
        if (c.result == E_FAIL) {
            const std::string error = U8(factory->GetParseErrorText());
            EXPECT_NE(std::string::npos, error.find("Bad Subcontrol Element")) << error;
            EXPECT_NE(std::string::npos, error.find(" : VQ::LControlFactory::XMLStartElement : ")) << error;
        }
    }
}

TEST(SkinSubControls, TheDepthFollowsTheEndsAndStartsAgainWithEachSkin)
{
    RCPtr<LControlFactory> factory = NewFactory();
    // Two trees at the limit side by side, then a second top-level skin with one of its own.
    ASSERT_EQ(S_OK, Parse(*factory, R"(<Skins><Skin Name="Skin1">)" + SubControlChain(256) + SubControlChain(256) +
                                        "</Skin></Skins>" + NestedSubControls(256)))
        << U8(factory->GetParseErrorText());
    ASSERT_EQ(2u, factory->GetSkins().GetCount());
    EXPECT_EQ(2u, factory->GetSkins().GetAt(0u)->GetChildren().GetCount());
}

TEST(SkinCreateParams, CollectTheTextOfEachParameter)
{
    struct Case {
        const char* params;
        std::vector<std::pair<std::string, std::string>> entries;
    };
    const Case cases[] = {
        {R"(<CreateParam ID="NOT_FOCUSABLE" Type="Boolean">True</CreateParam>)", {{"NOT_FOCUSABLE", "True"}}},
        // The parser splits text at references; the pieces make one value.
        {R"(<CreateParam ID="T">a&amp;b</CreateParam>)", {{"T", "a&b"}}},
        {R"(<CreateParam ID="T">&lt;x&#x41;&gt; y</CreateParam>)", {{"T", "<xA> y"}}},
        {R"(<CreateParam ID="T">Grüße
zwei</CreateParam>)",
         {{"T", "Grüße\nzwei"}}},
        {R"(<CreateParam ID="T" /><CreateParam ID="U"></CreateParam>)", {}},
        // A second parameter of an id replaces the first, not appends to it.
        {R"(<CreateParam ID="T">one</CreateParam><CreateParam ID="T">t&amp;o</CreateParam>)", {{"T", "t&o"}}},
        {R"(<CreateParam ID="T">kept</CreateParam><CreateParam ID="T" />)", {{"T", "kept"}}},
        {R"(<CreateParam>no id</CreateParam>loose text<CreateParam ID="">empty id</CreateParam>)", {}},
        {R"(<CreateParam ID="B">2</CreateParam><CreateParam ID="A">1</CreateParam>)", {{"A", "1"}, {"B", "2"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.params);
        RCPtr<LControlFactory> factory = NewFactory();
        ASSERT_EQ(S_OK, Parse(*factory, std::string(R"(<Skins><Skin Name="Skin1">
            <SubControl Name="c" Class="Framework.Button"><CreateParamList>)") + c.params +
                                          "</CreateParamList></SubControl></Skin></Skins>"));
        const RCPtr<LStringTable>& params = TopLevel(*factory, 0)->GetCreateParams();
        ASSERT_TRUE(params);
        LStringTable::Entries entries;
        params->GetStrings(entries);
        std::vector<std::pair<std::string, std::string>> read;
        for (const auto& [id, text] : entries)
            read.emplace_back(U8(id), U8(text));
        EXPECT_EQ(c.entries, read);
    }
}

// The parser hands over a text around each reference in a piece of its own.
TEST(SkinCreateParams, ATextOfVeryManyPiecesIsJoinedOnce)
{
    std::string text;
    for (int i = 0; i < 50000; ++i)
        text += "x&amp;";
    RCPtr<LControlFactory> factory = NewFactory();
    ASSERT_EQ(S_OK, Parse(*factory, R"(<Skins><Skin Name="Skin1"><SubControl Name="c" Class="Framework.Button">
        <CreateParamList><CreateParam ID="T">old</CreateParam><CreateParam ID="T">)" +
                                        text + "</CreateParam></CreateParamList></SubControl></Skin></Skins>"));
    const RCPtr<LStringTable>& params = TopLevel(*factory, 0)->GetCreateParams();
    ASSERT_TRUE(params);
    String value;
    ASSERT_TRUE(params->GetString(u"T", value));
    std::string expected;
    for (int i = 0; i < 50000; ++i)
        expected += "x&";
    EXPECT_EQ(expected, U8(value));
}

TEST(SkinCreateParams, EachListIsNewAndTextOutsideAParameterIsIgnored)
{
    RCPtr<LControlFactory> factory = NewFactory();
    ASSERT_EQ(S_OK, Parse(*factory, R"(<Skins><Skin Name="Skin1">
        <SubControl Name="a" Class="Framework.Button">text<CreateParamList>
          <CreateParam ID="X">1</CreateParam></CreateParamList></SubControl>
        <SubControl Name="b" Class="Framework.Button"><CreateParamList>
          <CreateParam ID="Y">2</CreateParam></CreateParamList>after</SubControl>
        <SubControl Name="none" Class="Framework.Button" />
        </Skin></Skins>)"));
    const RCPtr<LStringTable>& a = TopLevel(*factory, 0)->GetCreateParams();
    const RCPtr<LStringTable>& b = TopLevel(*factory, 1)->GetCreateParams();
    ASSERT_TRUE(a);
    ASSERT_TRUE(b);
    EXPECT_NE(a, b);
    EXPECT_EQ(1u, a->GetCount());
    EXPECT_TRUE(a->HasString(u"X"));
    EXPECT_EQ(1u, b->GetCount());
    EXPECT_TRUE(b->HasString(u"Y"));
    EXPECT_FALSE(TopLevel(*factory, 2)->GetCreateParams());
}

// The fixture skin, as the program's resource and as a file.
void ExpectFixtureGraph(const LControlFactory& factory, const std::string& prefix)
{
    EXPECT_EQ("PresetEditor", U8(factory.GetApplicationName()));

    RCPtr<LColorizer> fade = factory.FindColorizer(U16("Panel.Fade"));
    ASSERT_TRUE(fade);
    EXPECT_EQ(LColorizer::LinearGradient, fade->GetColorType());
    EXPECT_EQ(Argb(0xFFFFFFFF), fade->GetEndColor());
    ASSERT_TRUE(factory.FindColorizer(U16("Text.Dark")));
    EXPECT_EQ(Argb(0xFF333333), factory.FindColorizer(U16("Text.Dark"))->GetColor());

    RCPtr<LVisualPartDescriptor> back = factory.FindPart(U16("Panel.Back"));
    ASSERT_TRUE(back);
    EXPECT_EQ(fade, back->GetColorizer());
    EXPECT_FALSE(back->GetImage().HasImage());
    EXPECT_EQ(ResizeCenter, back->GetResizeType());
    EXPECT_FLOAT_EQ(0.5f, back->GetAlphaModifier());
    RCPtr<LVisualPartDescriptor> edge = factory.FindPart(U16("Frame.t"));
    ASSERT_TRUE(edge);
    EXPECT_EQ(prefix + (prefix == "::" ? "ce.png" : "CE.png"), U8(edge->GetImage().file));
    EXPECT_EQ(prefix + "Mask.PNG", U8(edge->GetMask().file));
    EXPECT_EQ(factory.FindColorizer(U16("Text.Light")), edge->GetColorizer());

    RCPtr<LLookDescriptor> label = factory.FindLook(U16("Label"));
    RCPtr<LLookDescriptor> frame = factory.FindLook(U16("Frame"));
    ASSERT_TRUE(label);
    ASSERT_TRUE(frame);
    EXPECT_TRUE(label->HasText());
    EXPECT_EQ(factory.FindPart(U16("Text.Dark")), label->GetTextForegroundPart());
    EXPECT_EQ(back, label->GetClientPart()->GetPart());
    ASSERT_EQ(2u, frame->GetNonClientParts().GetCount());
    EXPECT_EQ((DockRecord{3, 0, 0, 0, 0, 1, 5, 1, 4}), frame->GetNonClientParts().GetAt(0)->GetPlacement());
    EXPECT_EQ(edge, frame->GetNonClientParts().GetAt(1)->GetPart());
    EXPECT_EQ((std::vector<std::string>{"Frame", "-", "Label"}), LookNames(factory.FindLookList(U16("Frame"))));

    ASSERT_EQ(1u, factory.GetSkins().GetCount());
    EXPECT_EQ(0, factory.GetCurrentSkinIndex());
    const LControlDescriptor& root = *factory.GetSkins().GetAt(0);
    EXPECT_EQ("PresetEditor", U8(root.GetName()));
    EXPECT_EQ("Arial", U8(root.GetSkin()->fontName));
    EXPECT_FLOAT_EQ(9, root.GetSkin()->fontSize);
    EXPECT_EQ(1, root.GetSkin()->fontStyle);
    EXPECT_EQ((std::vector<std::string>{"mainControl", "dialogAbout"}), ChildNames(root));

    const LControlDescriptor& main = *root.GetChildren().GetAt(0);
    EXPECT_DOUBLE_EQ(800, main.GetLayout()->XSize.abs);
    EXPECT_EQ((std::vector<std::string>{"save", "title"}), ChildNames(main));
    const LControlDescriptor& save = *main.GetChildren().GetAt(0);
    EXPECT_EQ(&main, save.GetParent());
    EXPECT_EQ(1, save.GetLayout()->TabStop);
    ASSERT_TRUE(save.GetCreateParams());
    String text;
    EXPECT_TRUE(save.GetCreateParams()->GetString(u"TEXT", text));
    EXPECT_EQ("Sichern & schließen", U8(text));
    EXPECT_TRUE(save.GetCreateParams()->GetString(u"USE_PARENT_TOOLTIP", text));
    EXPECT_EQ("True", U8(text));
    EXPECT_EQ(factory.FindLookList(U16("Frame")), save.GetSkin()->lookList);
    // The skin's font is the root's; a control's own skin has only what its SubControl gives.
    EXPECT_EQ("", U8(save.GetSkin()->fontName));

    const LControlDescriptor& title = *main.GetChildren().GetAt(1);
    EXPECT_EQ("Framework.Label", U8(title.GetClassName()));
    EXPECT_EQ("Tahoma", U8(title.GetSkin()->fontName));
    EXPECT_FLOAT_EQ(12, title.GetSkin()->fontSize);
    EXPECT_EQ(factory.FindLookList(U16("Label")), title.GetSkin()->lookList);
    EXPECT_FALSE(title.GetCreateParams());
}

TEST(SkinFixture, LoadsAsAResourceAndAsAFile)
{
    struct Case {
        std::string path;
        std::string prefix;
    };
    const Case cases[] = {
        {"::APP_SKINS", "::"},
        {CONTROLBASE_FIXTURES "/Skins.xml", CONTROLBASE_FIXTURES "/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        RCPtr<LControlFactory> factory(new LControlFactory(String(u"Other")));
        factory->SetResourcePrefix(String(c.prefix.c_str()));
        ASSERT_EQ(S_OK, factory->LoadSkins(String(c.path.c_str())));
        ExpectFixtureGraph(*factory, c.prefix);
    }
}

} // namespace
} // namespace VQ
