#include "vqframework/controlbase/ControlFactory.h"

#include "ControlBaseTestSupport.h"
#include "FakeControl.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <string_view>

namespace VQ {
namespace {

using String = LControlFactory::String;
using Testing::CreateFakeControl;
using Testing::FakeControl;
using Testing::U8;

// Counts the controls made through it, to show when the factory creates nothing.
int g_counted = 0;
RCPtr<LControl>& CreateCountedControl(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                      const RCPtr<LControlDescriptor>& descriptor)
{
    ++g_counted;
    return CreateFakeControl(out, parent, descriptor);
}

RCPtr<LControl>& CreateNothing(RCPtr<LControl>& out, const RCPtr<LControl>&, const RCPtr<LControlDescriptor>&)
{
    out.Release();
    return out;
}

FakeControl& Fake(const RCPtr<LControl>& control) { return dynamic_cast<FakeControl&>(*control); }

// Two skins: the first has two top-level "dialogAbout" controls and a nested "panel".
constexpr const char* TwoSkins = R"(<Root><Skins>
    <Skin Name="Skin1" FontName="Arial">
      <SubControl Name="dialogAbout" Class="Framework.Panel" />
      <SubControl Name="mainControl" Class="Framework.Button">
        <CreateParamList><CreateParam ID="P">1</CreateParam></CreateParamList>
        <SubControl Name="panel" Class="Framework.Panel" />
        <Skin Name="ButtonSkin" />
      </SubControl>
      <SubControl Name="dialogAbout" Class="Framework.Button" />
    </Skin>
    <Skin Name="Skin2"><SubControl Name="other" Class="Framework.Panel" /></Skin>
    </Skins></Root>)";

RCPtr<LControlFactory> LoadedFactory()
{
    RCPtr<LControlFactory> factory(new LControlFactory(String(u"PresetEditor")));
    EXPECT_EQ(S_OK, factory->ParseXML(TwoSkins, int32_t(std::strlen(TwoSkins)))) << U8(factory->GetParseErrorText());
    factory->SetCurrentSkinIndex(0);
    factory->RegisterControlCreateFunction(String(u"Framework.Panel"), &CreateCountedControl);
    factory->RegisterControlCreateFunction(String(u"Framework.Button"), &CreateCountedControl);
    return factory;
}

constexpr const char* UnknownClassMessage =
    "Runtime Error : VQ::LControlFactory::GetControlCreateFunction : vqframework/controlbase/ControlFactory\\.cpp : "
    "Line [0-9]+";

TEST(ControlFactoryRegistry, TheFirstFunctionRegisteredForAClassStays)
{
    RCPtr<LControlFactory> factory(new LControlFactory(String(u"PresetEditor")));
    EXPECT_EQ(S_OK, factory->RegisterControlCreateFunction(String(u"Framework.Button"), &CreateFakeControl));
    EXPECT_EQ(S_OK, factory->RegisterControlCreateFunction(String(u"Framework.Button"), &CreateNothing));
    EXPECT_EQ(S_OK, factory->RegisterControlCreateFunction(String(u"Framework.button"), &CreateNothing));
    ControlCreateFunction function = nullptr;
    EXPECT_EQ(S_OK, factory->GetControlCreateFunction(String(u"Framework.Button"), function));
    EXPECT_EQ(&CreateFakeControl, function);
    EXPECT_EQ(S_OK, factory->GetControlCreateFunction(String(u"Framework.button"), function));
    EXPECT_EQ(&CreateNothing, function);
}

TEST(ControlFactoryRegistry, AnUnknownClassThrowsAndLeavesTheFunction)
{
    RCPtr<LControlFactory> factory = LoadedFactory();
    ControlCreateFunction function = &CreateNothing;
    try {
        factory->GetControlCreateFunction(String(u"Framework.panel"), function);
        ADD_FAILURE() << "no exception";
    } catch (const Exception<std::runtime_error>& e) {
        EXPECT_THAT(e.what(), ::testing::MatchesRegex(UnknownClassMessage));
    }
    EXPECT_EQ(&CreateNothing, function);

    // Creating a control of the class throws the same, and caches nothing.
    const RCPtr<LControlDescriptor> descriptor =
        LControlDescriptor::Create(String(u"Unregistered"), String(u"x"), nullptr);
    RCPtr<LControl> control;
    try {
        factory->CreateControl(control, descriptor, nullptr);
        ADD_FAILURE() << "no exception";
    } catch (const Exception<std::runtime_error>& e) {
        EXPECT_THAT(e.what(), ::testing::MatchesRegex(UnknownClassMessage));
    }
    EXPECT_FALSE(control);
    EXPECT_EQ(nullptr, descriptor->GetCreateFunction());
}

TEST(ControlFactoryDescriptors, FindsTopLevelDescriptorsOfTheCurrentSkinTheLastOfANameWinning)
{
    RCPtr<LControlFactory> factory = LoadedFactory();
    const RCPtr<LControlDescriptor>& about = factory->GetControlDescriptor(String(u"dialogAbout"));
    ASSERT_TRUE(about);
    EXPECT_EQ("Framework.Button", U8(about->GetClassName()));
    EXPECT_EQ(factory->GetSkins().GetAt(0)->GetChildren().GetAt(2), about);

    // Nested, differently cased and other skins' names are not found; the null is the shared one.
    for (const char16_t* name : {u"panel", u"DialogAbout", u"other", u""}) {
        EXPECT_EQ(&RCPtr<LControlDescriptor>::Null, &factory->GetControlDescriptor(String(name)));
    }
    factory->SetCurrentSkinIndex(1);
    EXPECT_TRUE(factory->GetControlDescriptor(String(u"other")));
    EXPECT_FALSE(factory->GetControlDescriptor(String(u"dialogAbout")));
}

TEST(ControlFactoryControls, CreateControlCachesTheClassesFunctionInTheDescriptor)
{
    RCPtr<LControlFactory> factory = LoadedFactory();
    const RCPtr<LControlDescriptor> descriptor = factory->GetControlDescriptor(String(u"mainControl"));
    RCPtr<LControl> parent(new FakeControl(String(u"parent")));
    RCPtr<LControl> control;
    EXPECT_EQ(&control, &factory->CreateControl(control, descriptor, parent));
    ASSERT_TRUE(control);
    EXPECT_EQ(&CreateCountedControl, descriptor->GetCreateFunction());
    EXPECT_EQ(parent, Fake(control).parent);
    ASSERT_EQ(1u, Fake(control).builtFrom.size());
    EXPECT_EQ(descriptor, Fake(control).builtFrom[0]);

    // The cached function is used from then on, even for a class the factory no longer knows.
    descriptor->SetCreateFunction(&CreateFakeControl);
    RCPtr<LControlFactory> empty(new LControlFactory(String(u"PresetEditor")));
    const int before = g_counted;
    empty->CreateControl(control, descriptor, nullptr);
    EXPECT_TRUE(control);
    EXPECT_EQ(before, g_counted);
}

TEST(ControlFactoryControls, CreateTopLevelControlShowsAndAttachesTheNamedControl)
{
    RCPtr<LControlFactory> factory = LoadedFactory();
    const RCPtr<LControlDescriptor> descriptor = factory->GetControlDescriptor(String(u"mainControl"));
    descriptor->GetLayout()->IsVisible = false;
    RCPtr<LControl> control;
    EXPECT_EQ(&control, &factory->CreateTopLevelControl(control, String(u"mainControl"), nullptr));
    ASSERT_TRUE(control);
    EXPECT_TRUE(descriptor->GetLayout()->IsVisible);
    EXPECT_EQ("mainControl", U8(control->GetName()));
    EXPECT_FALSE(Fake(control).parent);
    EXPECT_EQ(1, Fake(control).attachCount);
    EXPECT_TRUE(Fake(control).attachedToEmptyWindow);
    EXPECT_EQ(&CreateCountedControl, descriptor->GetCreateFunction());
}

TEST(ControlFactoryControls, CreateTopLevelControlOfAnUnknownNameGivesNullAndCreatesNothing)
{
    RCPtr<LControlFactory> factory = LoadedFactory();
    const int before = g_counted;
    RCPtr<LControl> control(new FakeControl(String(u"stale")));
    factory->CreateTopLevelControl(control, String(u"panel"), nullptr);
    EXPECT_FALSE(control);
    factory->SetCurrentSkinIndex(7);
    factory->CreateTopLevelControl(control, String(u"mainControl"), nullptr);
    EXPECT_FALSE(control);
    EXPECT_EQ(before, g_counted);
}

TEST(ControlFactoryControls, CreateTopLevelControlCopesWithACreateFunctionThatGivesNothing)
{
    RCPtr<LControlFactory> factory(new LControlFactory(String(u"PresetEditor")));
    ASSERT_EQ(S_OK, factory->ParseXML(TwoSkins, int32_t(std::strlen(TwoSkins))));
    factory->SetCurrentSkinIndex(0);
    factory->RegisterControlCreateFunction(String(u"Framework.Panel"), &CreateNothing);
    RCPtr<LControl> control;
    factory->CreateTopLevelControl(control, String(u"other"), nullptr);
    EXPECT_FALSE(control);
}

TEST(ControlFactoryDescriptors, ACloneSharesTheTemplatesPartsAndTakesItsNameAndLayout)
{
    RCPtr<LControlFactory> factory = LoadedFactory();
    const RCPtr<LControlDescriptor> source = factory->GetControlDescriptor(String(u"mainControl"));
    RCPtr<LControl> control;
    factory->CreateControl(control, source, nullptr);
    const RCPtr<LLayoutDescriptor> layout = LLayoutDescriptor::Create();

    RCPtr<LControlDescriptor> clone;
    EXPECT_EQ(&clone, &factory->CloneControlDescriptor(clone, source, layout, String(u"ItemControl1")));
    ASSERT_TRUE(clone);
    EXPECT_NE(source, clone);
    EXPECT_EQ("ItemControl1", U8(clone->GetName()));
    EXPECT_EQ(layout, clone->GetLayout());
    EXPECT_EQ(source->GetClassName(), clone->GetClassName());
    EXPECT_EQ(source->GetParent(), clone->GetParent());
    ASSERT_EQ(1u, clone->GetChildren().GetCount());
    EXPECT_EQ(source->GetChildren().GetAt(0), clone->GetChildren().GetAt(0));
    EXPECT_EQ(source->GetSkin(), clone->GetSkin());
    ASSERT_TRUE(clone->GetCreateParams());
    EXPECT_EQ(source->GetCreateParams(), clone->GetCreateParams());
    EXPECT_EQ(&CreateCountedControl, clone->GetCreateFunction());

    // The template's layout is not the clone's.
    EXPECT_NE(source->GetLayout(), clone->GetLayout());
    factory->CreateControl(control, clone, nullptr);
    ASSERT_TRUE(control);
    EXPECT_EQ("ItemControl1", U8(control->GetName()));

    factory->CloneControlDescriptor(clone, nullptr, layout, String(u"x"));
    EXPECT_FALSE(clone);
}

TEST(ControlFactorySkinFont, ReportsTheSettingsTheCurrentSkinHas)
{
    struct Case {
        const char* skin;
        VQRESULT result;
        std::string name;
        float size;
        int32_t style;
    };
    const Case cases[] = {
        {R"(<Skin Name="S" FontName="Arial" />)", S_OK, "Arial", -5, -5},
        {R"(<Skin Name="S" FontName="Arial" FontSize="0" FontStyle="-1" />)", S_OK, "Arial", -5, -5},
        {R"(<Skin Name="S" />)", 1, "unset", -5, -5},
        {R"(<Skin Name="S" FontSize="0.5" />)", 1, "unset", -5, -5},
        {R"(<Skin Name="S" FontSize="1" />)", S_OK, "unset", 1, -5},
        {R"(<Skin Name="S" FontStyle="0" />)", S_OK, "unset", -5, 0},
        {R"(<Skin Name="S" FontName="Tahoma" FontSize="11.5" FontStyle="3" />)", S_OK, "Tahoma", 11.5f, 3},
        {"", 1, "unset", -5, -5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.skin);
        RCPtr<LControlFactory> factory(new LControlFactory(String(u"PresetEditor")));
        const std::string document = std::string("<Root><Skins>") + c.skin + "</Skins></Root>";
        ASSERT_EQ(S_OK, factory->ParseXML(document.data(), int32_t(document.size())));
        String name(u"unset");
        float size = -5;
        int32_t style = -5;
        EXPECT_EQ(c.result, factory->GetSkinFont(name, size, style));
        EXPECT_EQ(c.name, U8(name));
        EXPECT_FLOAT_EQ(c.size, size);
        EXPECT_EQ(c.style, style);
    }
}

TEST(ControlFactorySkinFont, AnIndexOutsideTheSkinsReportsNothing)
{
    RCPtr<LControlFactory> factory = LoadedFactory();
    for (const int32_t index : {-1, 2, 100}) {
        factory->SetCurrentSkinIndex(index);
        String name(u"unset");
        float size = -5;
        int32_t style = -5;
        EXPECT_EQ(1, factory->GetSkinFont(name, size, style));
        EXPECT_EQ("unset", U8(name));
    }
    factory->SetCurrentSkinIndex(0);
    String name;
    float size = -5;
    int32_t style = -5;
    EXPECT_EQ(S_OK, factory->GetSkinFont(name, size, style));
    EXPECT_EQ("Arial", U8(name));
}

TEST(ControlFactoryControls, RebuildControlBuildsFromTheCurrentSkinsDescriptorOfItsName)
{
    RCPtr<LControlFactory> factory = LoadedFactory();
    RCPtr<LControl> control;
    factory->CreateTopLevelControl(control, String(u"dialogAbout"), nullptr);
    ASSERT_TRUE(control);
    Fake(control).createResult = 7;
    EXPECT_EQ(7, factory->RebuildControl(control));
    ASSERT_EQ(2u, Fake(control).builtFrom.size());
    EXPECT_EQ(factory->GetControlDescriptor(String(u"dialogAbout")), Fake(control).builtFrom[1]);

    EXPECT_EQ(E_FAIL, factory->RebuildControl(nullptr));
    RCPtr<LControl> unknown(new FakeControl(String(u"panel")));
    EXPECT_EQ(E_FAIL, factory->RebuildControl(unknown));
    EXPECT_TRUE(Fake(unknown).builtFrom.empty());
    // The other skin has no such control, nor has an index past the skins.
    for (const int32_t index : {1, 5, -1}) {
        factory->SetCurrentSkinIndex(index);
        EXPECT_EQ(E_FAIL, factory->RebuildControl(control));
    }
    EXPECT_EQ(2u, Fake(control).builtFrom.size());
}

} // namespace
} // namespace VQ
