#include "tests/vqframework/control/ControlTestSupport.h"
#include "tests/vqframework/control/FakeWindowOSServices.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
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
    VQRESULT MouseLeave() override { return Note("leave"); }
    VQRESULT ShowTooltip(bool show) override { return Note(show ? "tooltip on" : "tooltip off"); }
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
