#include "tests/support/TemporaryFolder.h"
#include "tests/vqframework/control/ControlTestSupport.h"
#include "tests/vqframework/control/FakeWindowOSServices.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace VQ {
namespace {

using String = StringT<char16_t, char>;
using Log = std::vector<std::string>;

// Logs the pointer calls a root window makes and answers hit tests as the test sets.
class PointerControl : public Testing::TestControl {
public:
    PointerControl(const RCPtr<LControl>& parent, const char16_t* name, Log* log)
        : TestControl(parent, String(name)), log(log)
    {
    }

    void SetTooltip(const char16_t* text, bool useParent)
    {
        m_tooltipText = String(text);
        m_useParentTooltip = useParent;
    }

    VQRESULT MouseEnter() override { return Note("enter"); }
    VQRESULT MouseLeave() override
    {
        Note("leave");
        if (onLeave)
            std::exchange(onLeave, nullptr)();
        return S_OK;
    }
    VQRESULT ShowTooltip(bool show) override
    {
        Note(show ? "tooltip on" : "tooltip off");
        if (!show && onHide)
            std::exchange(onHide, nullptr)();
        return S_OK;
    }
    VQRESULT SetFocus(bool first) override
    {
        focusCalls.push_back(first);
        return S_OK;
    }
    void HitTest(RCPtr<LControl>& hit, const PointT<int32_t>& point, bool mayHit, PointT<int32_t>& hitPoint,
                 int32_t& priority) override
    {
        hitPoints.push_back(point);
        hitMayHit = mayHit;
        hitPriority = priority;
        hit = hitResult;
        hitPoint = hitLocal;
    }

    VQRESULT Note(const char* what)
    {
        log->push_back(GetName().ToUTF8().GetString() + std::string(":") + what);
        return S_OK;
    }

    Log* log;
    // Hooks run once, from inside the call they follow.
    std::function<void()> onLeave;
    std::function<void()> onHide;
    std::vector<bool> focusCalls;
    std::vector<PointT<int32_t>> hitPoints;
    bool hitMayHit = false;
    int32_t hitPriority = 0;
    RCPtr<LControl> hitResult;
    PointT<int32_t> hitLocal;
};

class RootWindowPointerTest : public ::testing::Test {
protected:
    RootWindowPointerTest() : window(LRootWindow::Create({}, &services))
    {
        app.services.cursors[u"UI_CURSOR_ARROW"] = 11;
        root = New({}, u"root");
        window->SetRootControl(root);
        a = New(root, u"a");
        b = New(root, u"b");
        log.clear();
    }
    ~RootWindowPointerTest() override
    {
        window->ReleaseCyclicReferences();
        root->ReleaseCyclicReferences();
    }

    RCPtr<PointerControl> New(const RCPtr<LControl>& parent, const char16_t* name)
    {
        RCPtr<PointerControl> control(new PointerControl(parent, name, &log));
        control->CreateFromDescriptor(Testing::MakeDescriptor(name));
        return control;
    }

    Log log;
    Testing::ControlTestApplication app;
    Testing::FakeWindowOSServices services;
    RCPtr<LRootWindow> window;
    RCPtr<PointerControl> root;
    RCPtr<PointerControl> a;
    RCPtr<PointerControl> b;
};

TEST_F(RootWindowPointerTest, CursorPositionComesFromTheActiveWindowElseFromTheScreen)
{
    services.cursorPos = {12, 34};
    app.services.screenCursorPos = {500, 400};
    EXPECT_EQ((PointT<int32_t>{12, 34}), window->GetCursorPos());
    services.active = false;
    // The fake's client origin is (100, 50).
    EXPECT_EQ((PointT<int32_t>{400, 350}), window->GetCursorPos());

    const RCPtr<LRootWindow> bare = LRootWindow::Create({}, nullptr);
    EXPECT_EQ((PointT<int32_t>{}), bare->GetCursorPos());
    EXPECT_EQ(0u, bare->SetCursor(5));
    bare->ReleaseCyclicReferences();
}

TEST_F(RootWindowPointerTest, SetCursorHandsOverTheCursorAndNoneMeansTheArrow)
{
    services.cursor = 3;
    EXPECT_EQ(3u, window->SetCursor(7));
    EXPECT_EQ(7u, services.cursor);
    EXPECT_EQ(7u, window->SetCursor(0));
    EXPECT_EQ(11u, services.cursor);
}

TEST_F(RootWindowPointerTest, ControlAtPointAsksTheRootInItsCoordinatesAndMayMoveTheHover)
{
    // The size kept, so that the window does not lay its root out again.
    root->SetRect({10.5, -3.4}, {root->GetRect().width, root->GetRect().height});
    root->hitResult = a;
    root->hitLocal = {4, 5};
    PointT<int32_t> local{-1, -1};
    EXPECT_EQ(RCPtr<LControl>(a), window->ControlAtPoint({50, 20}, local, false));
    EXPECT_EQ((PointT<int32_t>{4, 5}), local);
    ASSERT_EQ(1u, root->hitPoints.size());
    // The root's position is rounded half away from zero before it is taken off.
    EXPECT_EQ((PointT<int32_t>{39, 23}), root->hitPoints[0]);
    EXPECT_TRUE(root->hitMayHit);
    EXPECT_EQ(std::numeric_limits<int32_t>::min(), root->hitPriority);
    EXPECT_FALSE(window->GetHoverControl()) << "no hover change unless asked";
    EXPECT_TRUE(log.empty());

    window->ControlAtPoint({50, 20}, local, true);
    EXPECT_EQ(RCPtr<LControl>(a), window->GetHoverControl());
    EXPECT_EQ((Log{"a:enter"}), log);

    // Nothing under the point: no control, the local point (0, 0), and no hover.
    root->hitResult = RCPtr<LControl>();
    local = {9, 9};
    EXPECT_FALSE(window->ControlAtPoint({50, 20}, local, true));
    EXPECT_EQ((PointT<int32_t>{}), local);
    EXPECT_FALSE(window->GetHoverControl());
    EXPECT_EQ((Log{"a:enter", "a:leave"}), log);

    // Without a root control there is nothing to ask.
    window->SetRootControl(RCPtr<LControl>());
    root->hitPoints.clear();
    local = {9, 9};
    EXPECT_FALSE(window->ControlAtPoint({50, 20}, local, true));
    EXPECT_EQ((PointT<int32_t>{}), local);
    EXPECT_TRUE(root->hitPoints.empty());
}

TEST_F(RootWindowPointerTest, HoverChangeLeavesTheOldControlThenEntersTheNewOne)
{
    window->SetHoverControl(a);
    window->SetHoverControl(a);
    EXPECT_EQ((Log{"a:enter"}), log);
    window->SetHoverControl(b);
    EXPECT_EQ((Log{"a:enter", "a:leave", "b:enter"}), log);

    // A control no longer in the tree is dropped without a leave.
    b->SetParent(RCPtr<LControl>());
    log.clear();
    window->SetHoverControl(a);
    EXPECT_EQ((Log{"a:enter"}), log);
    window->SetHoverControl(RCPtr<LControl>());
    EXPECT_EQ((Log{"a:enter", "a:leave"}), log);
    b->ReleaseCyclicReferences();
}

TEST_F(RootWindowPointerTest, TooltipOwnerFollowsTheHoverAndShowsOnlyOnAChange)
{
    root->SetTooltip(u"root tip", false);
    a->SetTooltip(u"", true);
    b->SetTooltip(u"b tip", true);
    const RCPtr<PointerControl> plain = New(root, u"plain");

    // a inherits the root's tooltip.
    window->SetHoverControl(a);
    EXPECT_EQ(RCPtr<LControl>(root), window->GetTooltipOwner());
    EXPECT_EQ((Log{"root:tooltip on", "a:enter"}), log);

    log.clear();
    window->SetHoverControl(root);
    EXPECT_EQ((Log{"a:leave", "root:enter"}), log) << "same owner: the tooltip stays";

    log.clear();
    window->SetHoverControl(b);
    EXPECT_EQ(RCPtr<LControl>(b), window->GetTooltipOwner());
    EXPECT_EQ((Log{"root:tooltip off", "b:tooltip on", "root:leave", "b:enter"}), log);

    // A control without text that does not inherit has no tooltip.
    log.clear();
    window->SetHoverControl(plain);
    EXPECT_FALSE(window->GetTooltipOwner());
    EXPECT_EQ((Log{"b:tooltip off", "b:leave", "plain:enter"}), log);
}

TEST_F(RootWindowPointerTest, HoverChangedFromALeaveHookIsKeptAndLeavesOnce)
{
    window->SetHoverControl(a);
    a->onLeave = [this] { window->SetHoverControl(b); };
    log.clear();
    window->SetHoverControl(root);
    // The nested change finds root recorded as the hover, so a leaves once and b, entered last, stays.
    EXPECT_EQ((Log{"a:leave", "root:leave", "b:enter"}), log);
    EXPECT_EQ(RCPtr<LControl>(b), window->GetHoverControl());

    log.clear();
    window->SetHoverControl(RCPtr<LControl>());
    EXPECT_EQ((Log{"b:leave"}), log);
}

TEST_F(RootWindowPointerTest, TooltipOwnerChangedFromAHideHookIsKeptAndHidesOnce)
{
    root->SetTooltip(u"root tip", false);
    b->SetTooltip(u"b tip", false);
    const RCPtr<PointerControl> plain = New(root, u"plain");
    window->SetHoverControl(root);
    root->onHide = [this, plain] { window->SetHoverControl(plain); };
    log.clear();
    window->SetHoverControl(b);
    EXPECT_EQ((Log{"root:tooltip off", "b:tooltip off", "root:leave", "plain:enter", "plain:leave", "b:enter"}),
              log);
    // The nested change left no owner; b is not shown as one behind the window's back.
    EXPECT_FALSE(window->GetTooltipOwner());
    EXPECT_EQ(RCPtr<LControl>(b), window->GetHoverControl());
}

// Counts the controls of a test that are still alive.
class CountedControl : public PointerControl {
public:
    CountedControl(const RCPtr<LControl>& parent, const char16_t* name, Log* log, int32_t* alive)
        : PointerControl(parent, name, log), alive(alive)
    {
        ++*alive;
    }
    ~CountedControl() override { --*alive; }
    RCPtr<LStringTable> GetStringTable() const override { return table ? table : PointerControl::GetStringTable(); }

    int32_t* alive;
    RCPtr<LStringTable> table;
};

class RootWindowSwapTest : public ::testing::Test {
protected:
    RootWindowSwapTest() : window(LRootWindow::Create({}, &services)) {}
    ~RootWindowSwapTest() override
    {
        if (window)
            window->ReleaseCyclicReferences();
    }

    RCPtr<CountedControl> New(const RCPtr<LControl>& parent, const char16_t* name)
    {
        RCPtr<CountedControl> control(new CountedControl(parent, name, &log, &alive));
        control->CreateFromDescriptor(Testing::MakeDescriptor(name));
        return control;
    }

    Log log;
    int32_t alive = 0;
    Testing::ControlTestApplication app;
    Testing::FakeWindowOSServices services;
    RCPtr<LRootWindow> window;
};

TEST_F(RootWindowSwapTest, NewRootStartsWithCleanStateAndClosesTheOldTree)
{
    RCPtr<CountedControl> first = New({}, u"first");
    const RCPtr<CountedControl> child = New(first, u"child");
    child->SetTooltip(u"tip", false);
    window->SetRootControl(first);
    window->SetHoverControl(child);
    ASSERT_EQ(RCPtr<LControl>(child), window->GetTooltipOwner());
    RectRegion region;
    window->TakeDirtyRegion(region);

    const RCPtr<CountedControl> second = New({}, u"second");
    LLayoutDescriptor& layout = *second->GetLayout();
    layout.XPosition = {0.5f, ReferencePositionNamed, String(u"kept x"), 0.25f, 7};
    layout.YPosition = {1, ReferencePositionNamed, String(u"kept y"), 0.5f, -3};
    layout.XIsDocked = true;
    layout.XSize = {ReferenceSizeNamed, String(u"size x"), 0.3f, 40};
    layout.YSize = {ReferenceSelf, String(u"size y"), 0, 20};
    log.clear();
    EXPECT_EQ(S_OK, window->SetRootControl(second));

    EXPECT_EQ(RCPtr<LControl>(second), window->GetRootControl());
    EXPECT_FALSE(window->GetFocusControl());
    EXPECT_FALSE(window->GetHoverControl());
    EXPECT_FALSE(window->GetCaptureControl());
    EXPECT_FALSE(window->GetTooltipOwner()) << "the old tree's tooltip is not kept";
    EXPECT_EQ(1, std::count(log.begin(), log.end(), "child:tooltip off"));

    window->TakeDirtyRegion(region);
    int32_t left = -1, top = -1, right = -1, bottom = -1;
    ASSERT_TRUE(region.GetBounds(left, top, right, bottom));
    EXPECT_EQ((std::vector<int32_t>{0, 0, 1200, 550}), (std::vector<int32_t>{left, top, right, bottom}));

    // The root fills the client area; reference names and the docked flags survive.
    LayoutPositionSpec position;
    LayoutSizeSpec size;
    ASSERT_EQ(S_OK, second->GetLayout()->GetPlacement(0, position, size));
    EXPECT_EQ(0, position.anchor);
    EXPECT_EQ(ReferenceClient, position.kind);
    EXPECT_EQ(std::string("kept x"), position.name.ToUTF8().GetString());
    EXPECT_EQ(0, position.rel);
    EXPECT_EQ(0, position.abs);
    EXPECT_TRUE(position.docked);
    EXPECT_EQ(ReferenceClient, size.kind);
    EXPECT_EQ(std::string("size x"), size.name.ToUTF8().GetString());
    EXPECT_EQ(1.0f, size.rel);
    EXPECT_EQ(0, size.abs);
    ASSERT_EQ(S_OK, second->GetLayout()->GetPlacement(1, position, size));
    EXPECT_EQ(ReferenceClient, position.kind);
    EXPECT_EQ(std::string("kept y"), position.name.ToUTF8().GetString());
    EXPECT_FALSE(position.docked);
    EXPECT_EQ(1.0f, size.rel);
    EXPECT_EQ(std::string("size y"), size.name.ToUTF8().GetString());

    // The old tree is closed: hidden and no longer in any window.
    EXPECT_FALSE(first->GetRootWindow());
    EXPECT_FALSE(child->GetRootWindow());
    EXPECT_FALSE(first->IsVisible(false));
    EXPECT_EQ(RCPtr<LRootWindow>(window), second->GetRootWindow());

    // Released, the window lets go of everything.
    first->ReleaseCyclicReferences();
    first.Release();
    EXPECT_EQ(2, alive);
    EXPECT_EQ(S_OK, window->ReleaseCyclicReferences());
    window.Release();
    second->ReleaseCyclicReferences();
}

TEST_F(RootWindowSwapTest, ReinstallingTheShownRootKeepsItOpen)
{
    const RCPtr<CountedControl> root = New({}, u"root");
    window->SetRootControl(root);
    const RCPtr<CountedControl> child = New(root, u"child");
    window->SetHoverControl(child);
    // The member itself and the same control through another pointer.
    for (int32_t pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass);
        if (pass == 0)
            window->SetRootControl(window->GetRootControl());
        else
            window->SetRootControl(RCPtr<LControl>(root.Get()));
        EXPECT_EQ(RCPtr<LControl>(root), window->GetRootControl());
        EXPECT_EQ(RCPtr<LRootWindow>(window), root->GetRootWindow());
        EXPECT_TRUE(root->IsVisible(false));
        EXPECT_FALSE(window->GetHoverControl());
    }
    // The cyclic count still matches: the window alone is left after the release.
    EXPECT_EQ(S_OK, window->ReleaseCyclicReferences());
    window.Release();
    EXPECT_FALSE(root->GetRootWindow());
    root->ReleaseCyclicReferences();
}

TEST_F(RootWindowSwapTest, FocusGoesToTheRootOrIsAskedOfTheWindow)
{
    const RCPtr<CountedControl> focused = New({}, u"focused");
    window->SetRootControl(focused);
    EXPECT_EQ((std::vector<bool>{true}), focused->focusCalls);
    EXPECT_EQ(0, services.focusRequests);

    services.active = false;
    const RCPtr<CountedControl> unfocused = New({}, u"unfocused");
    window->SetRootControl(unfocused);
    EXPECT_TRUE(unfocused->focusCalls.empty());
    EXPECT_EQ(1, services.focusRequests);
    window->SetRootControl(RCPtr<LControl>());
    focused->ReleaseCyclicReferences();
    unfocused->ReleaseCyclicReferences();
}

// UTF-16 string-table document with a byte-order mark.
std::string StringTableBytes(std::u16string_view body)
{
    std::u16string text = u"<?xml version=\"1.0\" encoding=\"UTF-16\"?><Varquen_StringTable_Definitions>";
    text += body;
    text += u"</Varquen_StringTable_Definitions>";
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : text) {
        bytes += char(unit & 0xFF);
        bytes += char(unit >> 8);
    }
    return bytes;
}

TEST_F(RootWindowSwapTest, HotKeysComeFromTheRootsStringTableAndGoWithIt)
{
    test::TemporaryFolder folder;
    const std::string path = folder.Path() + "/strings.xml";
    std::ofstream(path, std::ios::binary) << StringTableBytes(uR"(<StringTable ID="PresetEditor|keyed">
          <String ID="GHK.NID_EDIT_DELETE_REQ"><Locale LCID="0x0009">Ctrl+VKEY_D</Locale></String>
          <String ID="LHK.NID_LOCAL_ONLY"><Locale LCID="0x0009">Ctrl+VKEY_L</Locale></String></StringTable>)");
    ASSERT_EQ(S_OK, app.factory->LoadStringTables(String(path.c_str()), String(), 0x0409));

    ASSERT_TRUE(window->GetHotKeyManager());
    const RCPtr<CountedControl> keyed = New({}, u"keyed");
    ASSERT_TRUE(keyed->GetStringTable());
    window->SetRootControl(keyed);
    LGlobalHotKeyManager& keys = *window->GetHotKeyManager();
    EXPECT_EQ(KeyCode::Parse(u"Ctrl+VKEY_D"), keys.GetKeyForCommand(String(u"NID_EDIT_DELETE_REQ")));
    EXPECT_FALSE(keys.HasCommand(String(u"NID_LOCAL_ONLY")));

    // Reinstalled, the keys stay; a tree without a table leaves none.
    window->SetRootControl(keyed);
    EXPECT_TRUE(keys.HasCommand(String(u"NID_EDIT_DELETE_REQ")));
    const RCPtr<CountedControl> bare = New({}, u"bare");
    window->SetRootControl(bare);
    EXPECT_FALSE(keys.HasCommand(String(u"NID_EDIT_DELETE_REQ")));

    window->SetRootControl(RCPtr<LControl>());
    keyed->ReleaseCyclicReferences();
    bare->ReleaseCyclicReferences();
}

TEST(ControlTooltipOwnerTest, OwnerIsTheNearestControlWithTextOrThatDoesNotInherit)
{
    Log log;
    struct Case {
        const char16_t* rootText;
        bool middleInherits;
        const char16_t* middleText;
        bool leafInherits;
        const char16_t* leafText;
        const char* owner;
    } cases[] = {
        {u"", false, u"", false, u"", "leaf"},
        {u"", false, u"", true, u"tip", "leaf"},
        {u"", false, u"", true, u"", "middle"},
        {u"", true, u"mid", true, u"", "middle"},
        {u"", true, u"", true, u"", "root"},
        {u"top", true, u"", true, u"", "root"},
    };
    for (const Case& c : cases) {
        RCPtr<PointerControl> root(new PointerControl({}, u"root", &log));
        RCPtr<PointerControl> middle(new PointerControl(root, u"middle", &log));
        RCPtr<PointerControl> leaf(new PointerControl(middle, u"leaf", &log));
        root->SetTooltip(c.rootText, true);
        middle->SetTooltip(c.middleText, c.middleInherits);
        leaf->SetTooltip(c.leafText, c.leafInherits);
        EXPECT_EQ(std::string(c.owner), leaf->GetTooltipOwner()->GetName().ToUTF8().GetString());
        root->ReleaseCyclicReferences();
    }
}

} // namespace
} // namespace VQ
