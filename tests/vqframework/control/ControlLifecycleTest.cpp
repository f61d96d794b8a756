// Creating controls from a skin, building them again after a skin change, closing them, and
// releasing whole trees.
#include "vqframework/control/Control.h"

#include "tests/support/TemporaryFolder.h"
#include "tests/vqframework/control/ControlTestSupport.h"
#include "tests/vqframework/control/FakeWindowOSServices.h"
#include "vqframework/control/MenuItemUpdater.h"
#include "vqframework/renderer/Renderer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace VQ {
namespace {

using Testing::ControlTestApplication;
using Testing::TestControl;
using Testing::U8;
using String = LControl::String;

// What the recording controls did, in order, as "name:step".
std::vector<std::string> g_log;
int32_t g_alive = 0;

// Logs the creation steps, counts live instances and takes one test notification.
class RecordingControl : public TestControl {
public:
    RecordingControl(const RCPtr<LControl>& parent, const String& name) : TestControl(parent, name)
    {
        ++g_alive;
        Log("constructor");
    }
    ~RecordingControl() override { --g_alive; }

    VQRESULT CreateFromDescriptor(const RCPtr<LControlDescriptor>& descriptor) override
    {
        Log(IsCreated() ? "re-create" : "CreateFromDescriptor");
        return LControl::CreateFromDescriptor(descriptor);
    }
    VQRESULT RecreateChildren(const RCPtr<LControlDescriptor>& descriptor) override
    {
        Log("RecreateChildren");
        return LControl::RecreateChildren(descriptor);
    }
    VQRESULT Initialize() override
    {
        Log("Initialize");
        return LControl::Initialize();
    }
    VQRESULT OnCreated() override
    {
        Log(IsCreated() ? "OnCreated again" : "OnCreated");
        // A notification handed over before the control counts as created is not delivered.
        GetHandlerTable()->AddHandler(static_cast<Handler>(&RecordingControl::OnPing), u"NID_TEST_PING");
        PostNotification(RCPtr<LNotificationReceiver>(this), u"NID_TEST_PING");
        return LControl::OnCreated();
    }
    bool SetVisible(bool visible) override
    {
        Log(visible ? "SetVisible true" : "SetVisible false");
        return LControl::SetVisible(visible);
    }
    int32_t AdjustWindowRect(RectT<double>& rect) override
    {
        if (!adjustTo)
            return 0;
        rect = *adjustTo;
        return 1;
    }

    VQRESULT OnPing(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&)
    {
        ++pings;
        return S_OK;
    }

    int32_t pings = 0;
    const RectT<double>* adjustTo = nullptr;

private:
    using Handler = LNotificationHandler<LControl>::Handler;

    void Log(const char* step) { g_log.push_back(U8(GetName()) + ":" + step); }
};

RCPtr<LControl>& CreateRecordingControl(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                        const RCPtr<LControlDescriptor>& descriptor)
{
    return LControl::Create<RecordingControl>(out, parent, descriptor);
}

// Bytes of a UTF-16 string-table document with a byte-order mark.
std::string StringTableBytes(std::u16string_view body)
{
    const std::u16string text = u"<?xml version=\"1.0\" encoding=\"UTF-16\"?><Varquen_StringTable_Definitions>" +
                                std::u16string(body) + u"</Varquen_StringTable_Definitions>";
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : text) {
        bytes += char(unit & 0xFF);
        bytes += char(unit >> 8);
    }
    return bytes;
}

// Looks and look lists the skins below use: "Text" has a text block, "Plain" has none.
constexpr std::string_view LookBase = R"(<Application Name="PresetEditor" />
  <Colorizers><Colorizer Name="Dark" ColorType="SolidFill" Color="0xFF333333" /></Colorizers>
  <Parts><Part Name="Back" Width="8" Height="8" ResizeType="Tile" ColorizerName="Dark" ColorizerAlphaMod="1" /></Parts>
  <Looks>
    <Look Name="Text"><ClientPart Name="Back" OffsetLeft="0" OffsetTop="0" OffsetRight="0" OffsetBottom="0" />
      <TextProperties TextLeftRel="0" TextLeftAbs="2" TextRightRel="1" TextRightAbs="-2" TextHAlign="0.5"
                      TextTopRel="0" TextTopAbs="0" TextBottomRel="1" TextBottomAbs="0" TextVAlign="0.5"
                      TextForegroundPart="Back" /></Look>
    <Look Name="Plain"><ClientPart Name="Back" OffsetLeft="1" OffsetTop="1" OffsetRight="-1" OffsetBottom="-1" /></Look>
  </Looks>
  <LookLists>
    <LookList Name="Gap" NumLooks="3"><Look Name="Text" Index="0" /><Look Name="Plain" Index="2" /></LookList>
    <LookList Name="One" NumLooks="1"><Look Name="Text" Index="0" /></LookList>
  </LookLists>
)";

class ControlLifecycleTest : public ::testing::Test {
protected:
    ControlLifecycleTest()
    {
        g_log.clear();
        m_app.factory->RegisterControlCreateFunction(String(u"Test.Recording"), &CreateRecordingControl);
    }
    ~ControlLifecycleTest() override { EXPECT_EQ(g_alive, 0) << "a recording control outlived its test"; }

    // Skins made of SubControl text; the first becomes the current skin.
    void LoadSkins(const std::vector<std::string>& skins)
    {
        std::string body(LookBase);
        body += "<Skins>";
        for (size_t i = 0; i < skins.size(); ++i)
            body += "<Skin Name=\"S" + std::to_string(i) + "\">" + skins[i] + "</Skin>";
        body += "</Skins>";
        ASSERT_EQ(S_OK, Testing::Parse(*m_app.factory, body));
        m_app.factory->SetCurrentSkinIndex(0);
    }
    void LoadStrings(std::u16string_view body)
    {
        const std::string path = m_folder.Path() + "/strings.xml";
        std::ofstream(path, std::ios::binary) << StringTableBytes(body);
        ASSERT_EQ(S_OK, m_app.factory->LoadStringTables(String(path.c_str()), String(), 0x0409));
    }
    RCPtr<LControl> Create(const char16_t* name)
    {
        RCPtr<LControl> control;
        m_app.factory->CreateControl(control, m_app.factory->GetControlDescriptor(String(name)), RCPtr<LControl>());
        return control;
    }
    static RecordingControl& Recording(const RCPtr<LControl>& control)
    {
        return dynamic_cast<RecordingControl&>(*control);
    }
    static RCPtr<LControl> Child(const RCPtr<LControl>& parent, const char16_t* name)
    {
        return parent->FindChild(String(name));
    }

    test::TemporaryFolder m_folder;
    ControlTestApplication m_app;
};

TEST_F(ControlLifecycleTest, CreatesInProtocolOrderAndIgnoresNotificationsUntilCreated)
{
    LoadSkins({R"(<SubControl Name="root" Class="Test.Recording"><SubControl Name="kid" Class="Test.Recording" />
                  </SubControl>)"});
    const RCPtr<LControl> root = Create(u"root");
    ASSERT_TRUE(root);
    const std::vector<std::string> expected = {
        "root:constructor", "root:CreateFromDescriptor", "root:RecreateChildren", "kid:constructor",
        "kid:CreateFromDescriptor", "kid:RecreateChildren", "kid:Initialize", "kid:OnCreated",
        "root:Initialize", "root:OnCreated"};
    EXPECT_EQ(g_log, expected);

    const RCPtr<LControl> kid = Child(root, u"kid");
    ASSERT_TRUE(kid);
    EXPECT_EQ(kid->GetParent(), root);
    for (const RCPtr<LControl>& control : {root, kid}) {
        EXPECT_TRUE(control->IsCreated());
        EXPECT_EQ(Recording(control).pings, 0);
        PostNotification(RCPtr<LNotificationReceiver>(control.Get()), u"NID_TEST_PING");
        EXPECT_EQ(Recording(control).pings, 1);
    }
    EXPECT_EQ(root->GetNotificationCenter(), m_app.services.center);
}

TEST_F(ControlLifecycleTest, LooksKeepTheLookListIndices)
{
    LoadSkins({R"(<SubControl Name="gap" Class="Test.Control" TextOverflowXType="Wrap"><Skin Name="G" LookList="Gap" />
                  </SubControl>
                  <SubControl Name="none" Class="Test.Control" />)"});
    const RCPtr<LControl> gap = Create(u"gap");
    ASSERT_EQ(gap->GetLookCount(), 3u);
    EXPECT_EQ(U8(gap->GetLook(0)->GetDescriptor()->GetName()), "Text");
    EXPECT_FALSE(gap->GetLook(1));
    EXPECT_EQ(U8(gap->GetLook(2)->GetDescriptor()->GetName()), "Plain");
    EXPECT_TRUE(gap->GetLook(0)->GetTextBlock()->GetWrap());
    // The first creation shows look 0.
    EXPECT_EQ(gap->GetLookOpacity(0), 1.0f);
    EXPECT_EQ(gap->GetLookOpacity(2), 0.0f);

    EXPECT_EQ(Create(u"none")->GetLookCount(), 0u);
}

TEST_F(ControlLifecycleTest, AppliesCreateParameters)
{
    auto param = [](const char* id, const char* value) {
        return std::string("<CreateParam ID=\"") + id + "\" Type=\"String\">" + value + "</CreateParam>";
    };
    struct Case {
        const char* name;
        std::string params;
        int32_t tabStop;
        bool notFocusable;
        double value;
        bool parentTooltip;
        bool wantsTab;
    };
    const Case cases[] = {
        {"padded", param("NOT_FOCUSABLE", " TRUE ") + param("INITIAL_VALUE", " 0.25xyz"), 0, true, 0.25, false, false},
        {"yes", param("NOT_FOCUSABLE", "yes") + param("INITIAL_VALUE", "+.5e0"), -1, false, 0.5, false, false},
        {"exact", param("NOT_FOCUSABLE", "True") + param("INITIAL_VALUE", "abc"), 3, true, 0.0, false, false},
        {"negativeTab", param("INITIAL_VALUE", "1e-1e"), -2, true, 0.1, false, false},
        {"positiveTab", param("USE_PARENT_TOOLTIP", "True\n") + param("WANTS_TAB", "tRuE"), 2, false, 0.0, true, true},
        {"other", param("USE_PARENT_TOOLTIP", "1") + param("WANTS_TAB", "false") + param("INITIAL_VALUE", "--1"), 0,
         false, 0.0, false, false},
        // Out of range reads as an infinity, which the value clamps.
        {"huge", param("INITIAL_VALUE", "1e999"), 0, false, 1.0, false, false},
        {"hugeNegative", param("INITIAL_VALUE", "-1e999x"), 0, false, 0.0, false, false},
        {"tiny", param("INITIAL_VALUE", "1e-999"), 0, false, 0.0, false, false},
    };
    std::string skin = "<SubControl Name=\"root\" Class=\"Test.Control\">";
    for (const Case& c : cases)
        skin += std::string("<SubControl Name=\"") + c.name + "\" Class=\"Test.Control\" TabStop=\"" +
                std::to_string(c.tabStop) + "\"><CreateParamList>" + c.params + "</CreateParamList></SubControl>";
    skin += "</SubControl>";
    LoadSkins({skin});
    const RCPtr<LControl> root = Create(u"root");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const RCPtr<LControl> child = root->FindChild(String(c.name));
        ASSERT_TRUE(child);
        EXPECT_EQ(child->IsNotFocusable(), c.notFocusable);
        EXPECT_EQ(child->GetLayout()->TabStop < 0, c.notFocusable);
        EXPECT_DOUBLE_EQ(child->GetValue(), c.value);
        EXPECT_EQ(child->UsesParentTooltip(), c.parentTooltip);
        EXPECT_EQ(child->WantsTab(), c.wantsTab);
    }
}

TEST_F(ControlLifecycleTest, DeferredChildrenAreNotCreated)
{
    LoadSkins({R"(<SubControl Name="root" Class="Test.Control">
        <SubControl Name="deferred" Class="Test.Control"><CreateParamList>
          <CreateParam ID="DEFER_CREATE" Type="Boolean"> TRUE </CreateParam></CreateParamList></SubControl>
        <SubControl Name="notDeferred" Class="Test.Control"><CreateParamList>
          <CreateParam ID="DEFER_CREATE" Type="Boolean">yes</CreateParam></CreateParamList></SubControl>
        <SubControl Name="plain" Class="Test.Control" /></SubControl>)"});
    const RCPtr<LControl> root = Create(u"root");
    EXPECT_FALSE(Child(root, u"deferred"));
    EXPECT_TRUE(Child(root, u"notDeferred"));
    EXPECT_TRUE(Child(root, u"plain"));
    EXPECT_EQ(root->GetChildren().GetCount(), 2u);
}

TEST_F(ControlLifecycleTest, TakesLabelTooltipAndLocalHotKeysFromItsStringTable)
{
    LoadSkins({R"(<SubControl Name="root" Class="Test.Control"><Skin Name="R" LookList="One" />
                    <SubControl Name="keyed" Class="Test.Control" /><SubControl Name="bare" Class="Test.Control" />
                  </SubControl>)"});
    LoadStrings(uR"(<StringTable ID="PresetEditor|root">
          <String ID="LABEL"><Locale LCID="0x0009">Main</Locale></String>
          <String ID="TOOLTIP"><Locale LCID="0x0009">Main tip</Locale></String>
          <String ID="LHK.NID_ROOT_KEY"><Locale LCID="0x0009">Ctrl+VKEY_R</Locale></String></StringTable>
        <StringTable ID="Test.Control|keyed">
          <String ID="LHK.NID_COPY_IT"><Locale LCID="0x0009">Ctrl+VKEY_C</Locale></String>
          <String ID="LHK.NID_COPY_TOO"><Locale LCID="0x0009">Ctrl+VKEY_C</Locale></String>
          <String ID="LHKX.NID_NOT_A_KEY"><Locale LCID="0x0009">Ctrl+VKEY_X</Locale></String></StringTable>)");
    const RCPtr<LControl> root = Create(u"root");
    const RCPtr<LControl> keyed = Child(root, u"keyed");
    const RCPtr<LControl> bare = Child(root, u"bare");

    EXPECT_EQ(U8(root->GetText()), "Main");
    EXPECT_EQ(U8(static_cast<TestControl&>(*root).GetTooltip()), "Main tip");
    EXPECT_EQ(root->GetLocalHotKey(String(u"NID_ROOT_KEY")), KeyCode::Parse(u"Ctrl+VKEY_R"));
    // A top-level control has no parent to hear sibling keys from.
    EXPECT_FALSE(root->GetHandlerTable()->HasHandler(nullptr, u"NID_SIBLING_KEY"));

    EXPECT_EQ(keyed->GetLocalHotKey(String(u"NID_COPY_IT")), KeyCode::Parse(u"Ctrl+VKEY_C"));
    for (const char16_t* unbound : {u"NID_COPY_TOO", u"NID_NOT_A_KEY"}) {
        const KeyCode none = keyed->GetLocalHotKey(String(unbound));
        EXPECT_EQ(none.GetCode(), 0x80000000u);
        EXPECT_EQ(none.GetSideMask(), 0);
    }
    // Sibling keys come from the parent and straight to the control.
    EXPECT_TRUE(root->HasClient(keyed.Get()));
    EXPECT_TRUE(keyed->GetHandlerTable()->HasHandler(root, u"NID_SIBLING_KEY"));
    EXPECT_TRUE(keyed->GetHandlerTable()->HasHandler(nullptr, u"NID_SIBLING_KEY"));

    // Without a table: no label, tooltip or keys, and creation goes on.
    EXPECT_FALSE(bare->GetStringTable());
    EXPECT_TRUE(bare->GetText().IsEmpty());
    EXPECT_TRUE(static_cast<TestControl&>(*bare).GetTooltip().IsEmpty());
    EXPECT_TRUE(bare->GetString(String(u"LABEL")).IsEmpty());
    EXPECT_FALSE(root->HasClient(bare.Get()));
    EXPECT_TRUE(bare->IsCreated());
}

TEST_F(ControlLifecycleTest, RecreationKeepsNamedChildrenAndState)
{
    LoadSkins({R"(<SubControl Name="root" Class="Test.Recording"><Skin Name="R" LookList="One" />
                    <SubControl Name="keep" Class="Test.Recording" />
                    <SubControl Name="drop" Class="Test.Recording" /></SubControl>)",
               R"(<SubControl Name="root" Class="Test.Recording"><Skin Name="R" LookList="Gap" />
                    <SubControl Name="keep" Class="Test.Recording" IsVisible="False" TabStop="-1" />
                    <SubControl Name="added" Class="Test.Recording" /></SubControl>)"});
    LoadStrings(uR"(<StringTable ID="PresetEditor|root">
          <String ID="LABEL"><Locale LCID="0x0009">Main</Locale></String></StringTable>)");
    const RCPtr<LControl> root = Create(u"root");
    const RCPtr<LControl> keep = Child(root, u"keep");
    RCPtr<LControl> drop = Child(root, u"drop");
    ASSERT_TRUE(keep && drop);
    root->SetEnabled(false);
    ASSERT_EQ(U8(root->GetLook(0)->GetTextBlock()->GetText()), "Main");

    m_app.factory->SetCurrentSkinIndex(1);
    g_log.clear();
    ASSERT_EQ(m_app.factory->RebuildControl(root), S_OK);

    EXPECT_EQ(root->GetControlDescriptor(), m_app.factory->GetControlDescriptor(String(u"root")));
    EXPECT_EQ(Child(root, u"keep"), keep);
    EXPECT_EQ(keep->GetControlDescriptor()->GetParent(), root->GetControlDescriptor().Get());
    EXPECT_FALSE(Child(root, u"drop"));
    EXPECT_FALSE(drop->GetParent());
    // LControl creates no item controls for names it did not have.
    EXPECT_FALSE(Child(root, u"added"));
    EXPECT_EQ(root->GetChildren().GetCount(), 1u);

    EXPECT_FALSE(root->IsEnabled(false));
    EXPECT_FALSE(keep->GetLayout()->IsVisible);
    EXPECT_TRUE(keep->IsNotFocusable());
    const std::vector<std::string> expected = {"root:re-create", "keep:re-create", "keep:SetVisible false",
                                               "keep:OnCreated again", "root:OnCreated again"};
    EXPECT_EQ(g_log, expected);

    ASSERT_EQ(root->GetLookCount(), 3u);
    EXPECT_EQ(U8(root->GetText()), "Main");
    EXPECT_EQ(U8(root->GetLook(0)->GetTextBlock()->GetText()), "Main");

    drop.Release();
}

TEST_F(ControlLifecycleTest, RecreationAtTopLevelMayMoveTheWindow)
{
    LoadSkins({R"(<SubControl Name="root" Class="Test.Recording" />)"});
    Testing::FakeWindowOSServices window;
    RCPtr<LRootWindow> rootWindow = LRootWindow::Create(RCPtr<LRenderer>(), &window);
    const RCPtr<LControl> root = Create(u"root");
    ASSERT_EQ(root->AttachToRootWindow(rootWindow.Get()), S_OK);

    // Laying the control out sizes the window, but without an adjusted rectangle it keeps its place.
    ASSERT_EQ(m_app.factory->RebuildControl(root), S_OK);
    for (const RectT<int32_t>& rect : window.windowRects) {
        EXPECT_EQ(rect.x, 100);
        EXPECT_EQ(rect.y, 50);
    }
    EXPECT_EQ(window.clientOrigin.x, 100);
    EXPECT_EQ(window.clientOrigin.y, 50);

    const RectT<double> taken{10, 20, 300, 200};
    Recording(root).adjustTo = &taken;
    window.windowRects.clear();
    ASSERT_EQ(m_app.factory->RebuildControl(root), S_OK);
    ASSERT_FALSE(window.windowRects.empty());
    EXPECT_EQ(window.windowRects.front(), (RectT<int32_t>{10, 20, 300, 200}));
    // The later layouts keep that rectangle, and the control fills the window's client area again.
    EXPECT_EQ(window.windowRects.back(), (RectT<int32_t>{10, 20, 300, 200}));
    EXPECT_EQ(root->GetRect(), (RectT<double>{0, 0, 300, 200}));
    EXPECT_TRUE(root->GetLayout()->IsVisible);

    root->Close();
    rootWindow.Release();
}

TEST_F(ControlLifecycleTest, AttachesOnlyTopLevelControlsAndShowsTheirText)
{
    LoadSkins({R"(<SubControl Name="root" Class="Test.Control"><SubControl Name="kid" Class="Test.Control" />
                  </SubControl>)"});
    LoadStrings(uR"(<StringTable ID="PresetEditor|root">
          <String ID="LABEL"><Locale LCID="0x0009">Editor</Locale></String></StringTable>)");
    Testing::FakeWindowOSServices window;
    RCPtr<LRootWindow> rootWindow = LRootWindow::Create(RCPtr<LRenderer>(), &window);
    const RCPtr<LControl> root = Create(u"root");
    const RCPtr<LControl> kid = Child(root, u"kid");

    EXPECT_EQ(kid->AttachToRootWindow(rootWindow.Get()), E_FAIL);
    EXPECT_FALSE(static_cast<TestControl&>(*kid).GetOwnRootWindow());
    EXPECT_TRUE(window.captions.empty());

    ASSERT_EQ(root->AttachToRootWindow(rootWindow.Get()), S_OK);
    ASSERT_EQ(window.captions.size(), 1u);
    EXPECT_EQ(U8(window.captions[0]), "Editor");
    EXPECT_EQ(kid->GetRootWindow(), rootWindow);
    EXPECT_EQ(kid->GetTopLevelControl(), root);

    // Closing the top-level control detaches it from its window.
    EXPECT_EQ(root->Close(), S_OK);
    EXPECT_FALSE(root->GetRootWindow());
    EXPECT_FALSE(root->GetLayout()->IsVisible);
    rootWindow.Release();
}

TEST_F(ControlLifecycleTest, IdleRequestsSubscribeAtTheRootWindowWhileCounted)
{
    LoadSkins({R"(<SubControl Name="root" Class="Test.Control"><SubControl Name="kid" Class="Test.Control" />
                  </SubControl>)"});
    Testing::FakeWindowOSServices window;
    RCPtr<LRootWindow> rootWindow = LRootWindow::Create(RCPtr<LRenderer>(), &window);
    const RCPtr<LControl> root = Create(u"root");
    const RCPtr<LControl> kid = Child(root, u"kid");

    // Before the tree has a window the count waits; attaching registers it.
    EXPECT_EQ(kid->RequestIdle(), S_OK);
    EXPECT_FALSE(rootWindow->HasClient(kid.Get()));
    root->AttachToRootWindow(rootWindow.Get());
    EXPECT_TRUE(rootWindow->HasClient(kid.Get()));

    EXPECT_EQ(kid->RequestIdle(), S_OK);
    EXPECT_EQ(kid->ReleaseIdle(), S_OK);
    EXPECT_TRUE(rootWindow->HasClient(kid.Get()));
    EXPECT_EQ(kid->ReleaseIdle(), S_OK);
    EXPECT_FALSE(rootWindow->HasClient(kid.Get()));
    EXPECT_FALSE(kid->GetHandlerTable()->HasHandler(rootWindow, u"NID_IDLE"));
    EXPECT_EQ(kid->ReleaseIdle(), S_FALSE);
    EXPECT_EQ(kid->GetIdleRequests(), 0);

    root->Close();
    rootWindow.Release();
}

TEST_F(ControlLifecycleTest, ClosesChildrenAtOnceOrAtTheNextIdleTick)
{
    LoadSkins({R"(<SubControl Name="root" Class="Test.Recording">
                    <SubControl Name="a" Class="Test.Recording" /><SubControl Name="b" Class="Test.Recording" />
                    <SubControl Name="c" Class="Test.Recording" /></SubControl>
                  <SubControl Name="stranger" Class="Test.Recording" />)"});
    Testing::FakeWindowOSServices window;
    RCPtr<LRootWindow> rootWindow = LRootWindow::Create(RCPtr<LRenderer>(), &window);
    const RCPtr<LControl> root = Create(u"root");
    root->AttachToRootWindow(rootWindow.Get());
    const RCPtr<LControl> a = Child(root, u"a");
    const RCPtr<LControl> b = Child(root, u"b");
    const RCPtr<LControl> c = Child(root, u"c");
    const RCPtr<LControl> stranger = Create(u"stranger");

    EXPECT_EQ(a->Close(), S_OK);
    EXPECT_FALSE(a->GetParent());
    EXPECT_FALSE(Child(root, u"a"));
    EXPECT_FALSE(a->GetLayout()->IsVisible);

    EXPECT_EQ(root->RemoveChildLater(stranger), E_INVALIDARG);
    EXPECT_EQ(root->RemoveChildLater(RCPtr<LControl>()), E_INVALIDARG);
    EXPECT_EQ(root->RemoveChildLater(b), S_OK);
    EXPECT_EQ(root->RemoveChildLater(c), S_OK);
    EXPECT_EQ(root->RemoveChildLater(c), S_OK);
    // Hidden at once, still children until the idle tick.
    EXPECT_FALSE(b->GetLayout()->IsVisible);
    EXPECT_EQ(b->GetParent(), root);
    EXPECT_EQ(static_cast<TestControl&>(*root).GetCloseQueueCount(), 2);
    EXPECT_EQ(root->GetIdleRequests(), 1);
    EXPECT_TRUE(rootWindow->HasClient(root.Get()));

    rootWindow->Send(LNotification::Create(u"NID_IDLE"));
    EXPECT_FALSE(b->GetParent());
    EXPECT_FALSE(c->GetParent());
    EXPECT_EQ(root->GetChildren().GetCount(), 0u);
    EXPECT_EQ(static_cast<TestControl&>(*root).GetCloseQueueCount(), 0);
    EXPECT_EQ(root->GetIdleRequests(), 0);
    EXPECT_FALSE(rootWindow->HasClient(root.Get()));
    EXPECT_EQ(root->CloseQueuedControls(), S_OK);

    root->Close();
    rootWindow.Release();
}

TEST_F(ControlLifecycleTest, AQueuedChildThatMovedToAnotherParentIsNotClosed)
{
    LoadSkins({R"(<SubControl Name="root" Class="Test.Recording"><SubControl Name="a" Class="Test.Recording" />
                    <SubControl Name="b" Class="Test.Recording" /></SubControl>
                  <SubControl Name="other" Class="Test.Recording" />)"});
    const RCPtr<LControl> root = Create(u"root");
    const RCPtr<LControl> other = Create(u"other");
    const RCPtr<LControl> a = Child(root, u"a");
    const RCPtr<LControl> b = Child(root, u"b");
    ASSERT_EQ(root->RemoveChildLater(a), S_OK);
    ASSERT_EQ(root->RemoveChildLater(b), S_OK);
    ASSERT_EQ(b->SetParent(other), S_OK);

    EXPECT_EQ(root->CloseQueuedControls(), S_OK);
    EXPECT_FALSE(a->GetParent());
    EXPECT_EQ(b->GetParent(), other);
    EXPECT_EQ(Child(other, u"b"), b);
    EXPECT_EQ(static_cast<TestControl&>(*root).GetCloseQueueCount(), 0);
    EXPECT_EQ(root->GetIdleRequests(), 0);
}

// Fails while re-creation hands its children their new descriptors.
class FailingRecreation : public TestControl {
public:
    using TestControl::TestControl;

    VQRESULT AddChildFromDescriptor(const RCPtr<LControl>&, const RCPtr<LControlDescriptor>&) override
    {
        throw std::runtime_error("re-creation failed");
    }
};

TEST_F(ControlLifecycleTest, AFailedRecreationDoesNotLeaveTheLayoutSuspended)
{
    const RCPtr<LControlDescriptor> descriptor = Testing::MakeDescriptor(u"root");
    Testing::MakeDescriptor(u"child", descriptor);
    RCPtr<LControl> root;
    LControl::Create<FailingRecreation>(root, {}, descriptor);
    ASSERT_TRUE(root->IsCreated());

    EXPECT_THROW(root->CreateFromDescriptor(descriptor), std::runtime_error);
    EXPECT_FALSE(root->IsLayoutSuspended());
}

TEST_F(ControlLifecycleTest, AddChildFromDescriptorNeedsBothArguments)
{
    LoadSkins({R"(<SubControl Name="root" Class="Test.Control" /><SubControl Name="other" Class="Test.Control" />)"});
    const RCPtr<LControl> root = Create(u"root");
    const RCPtr<LControl> other = Create(u"other");
    const RCPtr<LControlDescriptor> descriptor = Testing::MakeDescriptor(u"other");
    EXPECT_EQ(root->AddChildFromDescriptor(RCPtr<LControl>(), descriptor), E_FAIL);
    EXPECT_EQ(root->AddChildFromDescriptor(other, RCPtr<LControlDescriptor>()), E_FAIL);
    EXPECT_FALSE(other->GetParent());

    EXPECT_EQ(root->AddChildFromDescriptor(other, descriptor), S_OK);
    EXPECT_EQ(other->GetParent(), root);
    EXPECT_EQ(other->GetControlDescriptor(), descriptor);
    other->Close();
}

TEST_F(ControlLifecycleTest, ASiblingWithATakenNameIsLeftWithoutParent)
{
    LoadSkins({R"(<SubControl Name="root" Class="Test.Recording">
                    <SubControl Name="twin" Class="Test.Recording" /><SubControl Name="twin" Class="Test.Recording" />
                  </SubControl>)"});
    const RCPtr<LControl> root = Create(u"root");
    EXPECT_EQ(root->GetChildren().GetCount(), 1u);
    EXPECT_EQ(g_alive, 2);
}

TEST_F(ControlLifecycleTest, ReleasingTheRootFreesTheWholeTree)
{
    LoadSkins({R"(<SubControl Name="root" Class="Test.Recording">
                    <SubControl Name="panel" Class="Test.Recording">
                      <SubControl Name="keyed" Class="Test.Recording" ClipToParent="False" />
                      <SubControl Name="leaf" Class="Test.Recording" /></SubControl>
                    <SubControl Name="queued" Class="Test.Recording" /></SubControl>)"});
    LoadStrings(uR"(<StringTable ID="Test.Recording|keyed">
          <String ID="LHK.NID_KEY"><Locale LCID="0x0009">Ctrl+VKEY_K</Locale></String></StringTable>)");
    Testing::FakeWindowOSServices window;
    RCPtr<LRootWindow> rootWindow = LRootWindow::Create(RCPtr<LRenderer>(), &window);
    RCPtr<LControl> root = Create(u"root");
    EXPECT_EQ(g_alive, 5);
    root->AttachToRootWindow(rootWindow.Get());

    RCPtr<LControl> panel = Child(root, u"panel");
    RCPtr<LControl> keyed = Child(panel, u"keyed");
    EXPECT_EQ(panel->GetOverflowCount(), 1);
    EXPECT_EQ(root->GetOverflowCount(), 1);
    // Links of every kind: updaters, a sibling-key registration, an idle subscription, a queued child,
    // and a control registered as a client of another.
    const RCPtr<LMenuItemUpdater>& updater = root->GetMenuItemUpdater();
    EXPECT_EQ(updater->GetControl(), root);
    EXPECT_EQ(&root->GetMenuItemUpdater(), &updater);
    keyed->GetMenuItemUpdater();
    EXPECT_TRUE(panel->HasClient(keyed.Get()));
    Child(panel, u"leaf")->RequestIdle();
    root->RemoveChildLater(Child(root, u"queued"));
    keyed->Register(root, u"NID_VALUE_CHANGE", 0);

    keyed.Release();
    root.Release();
    // The panel keeps its subtree; the rest went with the root.
    EXPECT_EQ(g_alive, 3);
    EXPECT_FALSE(panel->GetParent());
    EXPECT_EQ(panel->GetChildren().GetCount(), 2u);
    panel.Release();
    EXPECT_EQ(g_alive, 0);
    rootWindow.Release();
}

TEST_F(ControlLifecycleTest, ReleaseCyclicReferencesTellsWhetherOnlyTheCallerRemains)
{
    LoadSkins({R"(<SubControl Name="root" Class="Test.Recording"><SubControl Name="kid" Class="Test.Recording" />
                  </SubControl>)"});
    RCPtr<LControl> root = Create(u"root");
    root->GetMenuItemUpdater();
    {
        const RCPtr<LControl> extra = root;
        EXPECT_EQ(root->ReleaseCyclicReferences(), E_FAIL);
    }
    // The teardown went through although references remained.
    EXPECT_EQ(root->GetChildren().GetCount(), 0u);
    EXPECT_EQ(g_alive, 1);
    EXPECT_EQ(root->GetCyclicCount(), 0);
    EXPECT_EQ(root->ReleaseCyclicReferences(), S_OK);
    root.Release();
    EXPECT_EQ(g_alive, 0);
}

} // namespace
} // namespace VQ
