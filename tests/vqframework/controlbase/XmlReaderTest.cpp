#include "vqframework/controlbase/ControlFactory.h"

#include "ControlBaseTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace VQ {
namespace {

using String = LControlFactory::String;
using Testing::NewFactory;
using Testing::U8;

LControlFactory::AttributeMap Attribute(const char* value)
{
    LControlFactory::AttributeMap attributes;
    attributes.emplace(String(u"A"), String(value));
    return attributes;
}

// A file in the test's temporary folder, removed again at the end.
class TemporaryFile {
public:
    TemporaryFile(const char* name, std::string_view content)
        : m_path(std::filesystem::path(::testing::TempDir()) / name)
    {
        std::ofstream(m_path, std::ios::binary) << content;
    }
    ~TemporaryFile() { std::filesystem::remove(m_path); }
    String Path() const { return String(m_path.string().c_str()); }

private:
    std::filesystem::path m_path;
};

TEST(XmlAttributes, EachSyntaxReadsItsForm)
{
    struct Case {
        const char* text;
        bool boolValue;
        int32_t integer;
        int32_t decimal;
        float number;
    };
    const Case cases[] = {
        {"True", true, 0, 0, 0},
        {"true", false, 0, 0, 0},
        {"1", false, 1, 1, 1},
        {"TRUE", false, 0, 0, 0},
        {"", false, 0, 0, 0},
        {"0x10", false, 16, 0, 0},
        {"0x0010A", false, 16, 0, 0},
        {"0xff", false, 255, 0, 0},
        {"0xFFFF", false, 65535, 0, 0},
        {"0X10", false, 0, 0, 0},
        {"0x", false, 0, 0, 0},
        {"0xg1", false, 0, 0, 0},
        {"42", false, 42, 42, 42},
        {"  -17px", false, -17, -17, -17},
        {"+8", false, 8, 8, 8},
        {"12.75", false, 12, 12, 12.75f},
        {"-0.5e1", false, 0, 0, -5},
        {" 2.5E-1x", false, 2, 2, 0.25f},
        {"abc", false, 0, 0, 0},
        // Floats are decimal only, and an exponent needs digits.
        {"inf", false, 0, 0, 0},
        {".5", false, 0, 0, 0.5f},
        {"5.", false, 5, 5, 5},
        {"3e", false, 3, 3, 3},
        {"3e+", false, 3, 3, 3},
        {"-.", false, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const LControlFactory::AttributeMap attributes = Attribute(c.text);
        bool boolValue = !c.boolValue;
        int32_t integer = -999;
        int32_t decimal = -999;
        float number = -999;
        String text;
        EXPECT_TRUE(LControlFactory::GetAttribute(attributes, u"A", boolValue));
        EXPECT_TRUE(LControlFactory::GetAttribute(attributes, u"A", integer));
        EXPECT_TRUE(LControlFactory::GetDecimalAttribute(attributes, u"A", decimal));
        EXPECT_TRUE(LControlFactory::GetAttribute(attributes, u"A", number));
        EXPECT_TRUE(LControlFactory::GetAttribute(attributes, u"A", text));
        EXPECT_EQ(c.boolValue, boolValue);
        EXPECT_EQ(c.integer, integer);
        EXPECT_EQ(c.decimal, decimal);
        EXPECT_FLOAT_EQ(c.number, number);
        EXPECT_EQ(c.text, U8(text));
    }
}

TEST(XmlAttributes, AMissingOrDifferentlyCasedNameLeavesTheValue)
{
    const LControlFactory::AttributeMap attributes = Attribute("True");
    bool boolValue = false;
    int32_t integer = 7;
    float number = 7;
    String text(u"kept");
    EXPECT_FALSE(LControlFactory::GetAttribute(attributes, u"a", boolValue));
    EXPECT_FALSE(LControlFactory::GetAttribute(attributes, u"B", integer));
    EXPECT_FALSE(LControlFactory::GetDecimalAttribute(attributes, u"B", integer));
    EXPECT_FALSE(LControlFactory::GetAttribute(attributes, u"B", number));
    EXPECT_FALSE(LControlFactory::GetAttribute(attributes, u"B", text));
    EXPECT_FALSE(boolValue);
    EXPECT_EQ(7, integer);
    EXPECT_FLOAT_EQ(7, number);
    EXPECT_EQ("kept", U8(text));
}

TEST(XmlDriver, SkipsTheFirstElementWhateverItsName)
{
    RCPtr<LControlFactory> factory = NewFactory();
    const char document[] = R"(<Application Name="Skipped"><Application Name="Read" /></Application>)";
    ASSERT_EQ(S_OK, factory->ParseXML(document, int32_t(sizeof document - 1)));
    EXPECT_EQ("Read", U8(factory->GetApplicationName()));

    // A length of 0 reads up to the terminating zero.
    const char unnamed[] = "<Root><Application /></Root>";
    ASSERT_EQ(S_OK, factory->ParseXML(unnamed, 0));
    EXPECT_EQ("", U8(factory->GetApplicationName()));

    EXPECT_EQ(E_FAIL, factory->ParseXML("", 0));
    EXPECT_EQ(E_FAIL, factory->ParseXML(nullptr, 0));
    EXPECT_EQ(E_FAIL, factory->ParseXML(unnamed, -1));
}

TEST(XmlDriver, AMalformedDocumentFailsWithTheParsersErrorAndKeepsWhatWasRead)
{
    RCPtr<LControlFactory> factory = NewFactory();
    const std::string document = "<Root>\n"
                                 "<Colorizer Name=\"Before\" ColorType=\"SolidFill\" Color=\"0xFF000000\" />\n"
                                 "<Colorizers>\n"
                                 "</Parts>\n"
                                 "<Colorizer Name=\"After\" ColorType=\"SolidFill\" Color=\"0xFF000000\" />\n"
                                 "</Root>\n";
    EXPECT_EQ(E_FAIL, factory->ParseXML(document.data(), int32_t(document.size())));
    EXPECT_EQ("mismatched tag", U8(factory->GetParseErrorText()));
    EXPECT_EQ(4, factory->GetParseErrorLine());
    EXPECT_TRUE(factory->FindColorizer(String(u"Before")));
    EXPECT_FALSE(factory->FindColorizer(String(u"After")));
}

TEST(XmlDriver, ABadSubControlFailsTheParseAndKeepsWhatWasRead)
{
    RCPtr<LControlFactory> factory = NewFactory();
    const std::string document = "<Root>\n"
                                 "<Colorizer Name=\"Before\" ColorType=\"SolidFill\" Color=\"0xFF000000\" />\n"
                                 "<Skins><Skin Name=\"Skin1\">\n"
                                 "<SubControl Name=\"first\" Class=\"Framework.Panel\" />\n"
                                 "<SubControl Name=\"noClass\" />\n"
                                 "<SubControl Name=\"after\" Class=\"Framework.Panel\" />\n"
                                 "</Skin></Skins>\n"
                                 "<Colorizer Name=\"After\" ColorType=\"SolidFill\" Color=\"0xFF000000\" />\n"
                                 "</Root>\n";
    EXPECT_EQ(E_FAIL, factory->ParseXML(document.data(), int32_t(document.size())));
    EXPECT_NE(std::string::npos, U8(factory->GetParseErrorText()).find("Bad Subcontrol Element"));
    EXPECT_EQ(5, factory->GetParseErrorLine());
    EXPECT_TRUE(factory->FindColorizer(String(u"Before")));
    EXPECT_FALSE(factory->FindColorizer(String(u"After")));
    ASSERT_EQ(1u, factory->GetSkins().GetCount());
    ASSERT_EQ(1u, factory->GetSkins().GetAt(0)->GetChildren().GetCount());
    EXPECT_EQ("first", U8(factory->GetSkins().GetAt(0)->GetChildren().GetAt(0)->GetName()));

    // The next parse starts clean.
    const char good[] = "<Root><Application Name=\"Next\" /></Root>";
    EXPECT_EQ(S_OK, factory->ParseXML(good, int32_t(sizeof good - 1)));
    EXPECT_EQ("Next", U8(factory->GetApplicationName()));
}

TEST(XmlLoading, MissingOrEmptyDocumentsFail)
{
    const TemporaryFile empty("XmlLoadingEmpty.xml", "");
    const String paths[] = {
        String(u"::NO_SUCH"),
        String(CONTROLBASE_FIXTURES "/NoSuchFile.xml"),
        String(CONTROLBASE_FIXTURES),
        empty.Path(),
    };
    for (const String& path : paths) {
        SCOPED_TRACE(U8(path));
        RCPtr<LControlFactory> factory = NewFactory();
        factory->SetCurrentSkinIndex(3);
        EXPECT_EQ(E_FAIL, factory->LoadSkins(path));
        EXPECT_EQ(0u, factory->GetSkins().GetCount());
        EXPECT_EQ(0, factory->GetCurrentSkinIndex());
    }
}

TEST(XmlLoading, SelectsTheFirstSkinOfSeveralAndResetsTheControlBeingRead)
{
    // The first document leaves its Skin open when it breaks off.
    const TemporaryFile broken("XmlLoadingBroken.xml", R"(<Root><Skins><Skin Name="A"><SubControl Name="x" )"
                                                       R"(Class="Framework.Panel" /></Skin></Skins)");
    const TemporaryFile several("XmlLoadingSeveral.xml", R"(<Root><Skins>
        <Skin Name="B" FontName="Arial"><SubControl Name="top" Class="Framework.Panel" /></Skin>
        <Skin Name="C" FontName="Tahoma" />
        </Skins></Root>)");
    RCPtr<LControlFactory> factory = NewFactory();
    EXPECT_EQ(E_FAIL, factory->LoadSkins(broken.Path()));
    EXPECT_EQ(S_OK, factory->LoadSkins(several.Path()));
    ASSERT_EQ(3u, factory->GetSkins().GetCount());
    EXPECT_EQ(0, factory->GetCurrentSkinIndex());
    // The second load made roots of its own instead of adding to the open one.
    EXPECT_EQ(1u, factory->GetSkins().GetAt(0)->GetChildren().GetCount());
    EXPECT_EQ("B", U8(factory->GetSkins().GetAt(1)->GetSkin()->GetName()));
    EXPECT_EQ("C", U8(factory->GetSkins().GetAt(2)->GetSkin()->GetName()));
}

} // namespace
} // namespace VQ
