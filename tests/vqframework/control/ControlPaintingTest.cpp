// Painting a control tree: the order of looks, hooks and child groups, the overflow pass for
// controls that do not clip to their parents, looks at opacity 0, children docked on both axes of a
// scrolled parent, one tree drawn through the Cairo back end, and the UI-thread check.
#include "tests/vqframework/control/ControlTestSupport.h"
#include "tests/vqframework/control/FakeWindowOSServices.h"
#include "tests/vqframework/controlbase/FakeMeasurementRenderer.h"
#include "tests/vqframework/controlbase/LookTestSupport.h"
#include "vqframework/renderer/gdi/GDIRenderContextInfo.h"
#include "vqframework/renderer/gdi/GDIRenderer.h"
#include "vqframework/threads/UIThread.h"

#include <gtest/gtest.h>

#include <map>
#include <algorithm>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace VQ {
namespace {

using String = StringT<char16_t, char>;
using Testing::PlaceControl;

// Records its hooks into the renderer's call list, so they line up with the looks' drawing.
class PaintProbe : public Testing::TestControl {
public:
    PaintProbe(const RCPtr<LControl>& parent, const String& name) : TestControl(parent, name) {}

    VQRESULT RenderOverlay(const RCPtr<LRenderer>& renderer) override { return Mark(renderer, "overlay"); }
    VQRESULT RenderAfterChildren(const RCPtr<LRenderer>& renderer) override { return Mark(renderer, "after"); }
    void SetOwnOpacity(float opacity) { m_opacity = opacity; }

private:
    VQRESULT Mark(const RCPtr<LRenderer>& renderer, const char* hook)
    {
        auto* recorder = dynamic_cast<test::DrawRecorder*>(renderer.Get());
        if (recorder) {
            test::DrawCall call;
            GetName().ToUTF8(call.text);
            call.what = std::string(hook) + " " + call.text;
            const RenderState& state = renderer->GetCurrentContext()->GetState();
            call.origin = state.offset;
            call.clip = state.clip;
            call.opacity = state.opacity;
            recorder->calls.push_back(call);
        }
        return S_OK;
    }
};

RCPtr<LVisualPartDescriptor> SolidPart(uint32_t argb)
{
    return LVisualPartDescriptor::CreateFromColorizer(String(u"solid"), test::Solid(argb), 4, 4, ResizeStretch, 1,
                                                      ImageRef());
}

// Client part 0xFF0000id inset by 2, a non-client strip 0xFF00id00 of 2 along the bottom, and the
// text of the look when given.
RCPtr<LLook> ProbeLook(uint32_t id, const char* text = nullptr, int32_t inset = 2)
{
    RCPtr<LLookDescriptor> descriptor = LLookDescriptor::Create(String(u"probe"));
    descriptor->SetClientPart(test::Dock(SolidPart(0xFF000000u | id), DockRecord::AllGiven, inset, inset, -inset, -inset));
    descriptor->AddNonClientPart(test::Dock(SolidPart(0xFF000000u | id << 8),
                                            DockRecord::LeftGiven | DockRecord::RightGiven | DockRecord::BottomGiven,
                                            0, 0, 0, 0, 0, 2));
    if (text) {
        LookTextProperties properties;
        properties.TextRightRel = 1;
        properties.TextBottomRel = 1;
        descriptor->SetTextProperties(properties, SolidPart(0xFF101010));
    }
    RCPtr<LLook> look = LLook::Create(descriptor, false);
    if (text) {
        look->SetFont(LFont::GetFont(String(u"Sans"), 10, 0));
        look->SetText(String(text));
    }
    return look;
}

// A 200 x 100 window holding "top", which fills it; its look's client area is inset by 2.
class ControlPaintingTest : public testing::Test {
protected:
    ControlPaintingTest()
    {
        app.services.measurementRenderer = RCPtr<test::FakeMeasurementRenderer>(new test::FakeMeasurementRenderer());
        services.clientSize = {200, 100};
        window = LRootWindow::Create(renderer, &services);
        top = Place({}, u"top", {0, 0, 200, 100}, TopId, "top");
        window->SetRootControl(top);
        renderer->RenderStart(context);
    }
    ~ControlPaintingTest() override
    {
        EXPECT_EQ(0u, renderer->Depth()) << "every push popped";
        renderer->RenderFinish(context);
        window->ReleaseCyclicReferences();
    }

    RCPtr<PaintProbe> Place(const RCPtr<LControl>& parent, const char16_t* name, const RectT<double>& rect,
                            uint32_t id, const char* text = nullptr)
    {
        RCPtr<PaintProbe> control = PlaceControl<PaintProbe>(parent, name, rect, {ProbeLook(id, text)});
        std::string utf8;
        String(name).ToUTF8(utf8);
        names[id] = utf8;
        return control;
    }

    static void Dock(const RCPtr<LControl>& control, bool x, bool y)
    {
        control->GetLayout()->XIsDocked = x;
        control->GetLayout()->YIsDocked = y;
        control->GetParent()->GetChildren().Touch();
    }

    void PaintAll()
    {
        RectRegion region;
        region.AddRect(0, 0, 200, 100);
        window->Paint(region);
    }

    // "client top", "frame a", "text top", "overlay a", "after a" ...
    std::vector<std::string> Labels() const
    {
        std::vector<std::string> labels;
        for (const test::DrawCall& call : renderer->calls)
            labels.push_back(Label(call));
        return labels;
    }

    std::string Label(const test::DrawCall& call) const
    {
        if (call.what == "string")
            return "text " + call.text;
        if (call.what != "fill")
            return call.what;
        const uint32_t argb = call.color.ToARGB();
        const auto client = names.find(argb & 0xFF);
        const auto frame = names.find(argb >> 8 & 0xFF);
        if ((argb & 0xFF) != 0 && client != names.end())
            return "client " + client->second;
        return frame != names.end() ? "frame " + frame->second : "fill";
    }

    // The first fill of the control's client part.
    const test::DrawCall* ClientFill(uint32_t id) const
    {
        for (const test::DrawCall& call : renderer->calls)
            if (call.what == "fill" && call.color.ToARGB() == (0xFF000000u | id))
                return &call;
        return nullptr;
    }

    static constexpr uint32_t TopId = 1;

    Testing::ControlTestApplication app;
    Testing::FakeWindowOSServices services;
    RCPtr<test::DrawRecorder> renderer = test::DrawRecorder::Create();
    RCPtr<LRecordingContext> context = LRecordingContext::Create();
    RCPtr<LRootWindow> window;
    std::map<uint32_t, std::string> names;
    RCPtr<PaintProbe> top;
};

std::vector<std::string> Sequence(const char* name)
{
    const std::string n(name);
    return {"client " + n, "frame " + n, "overlay " + n, "text " + n, "after " + n};
}

std::vector<std::string> Concat(std::initializer_list<std::vector<std::string>> parts)
{
    std::vector<std::string> all;
    for (const std::vector<std::string>& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

TEST_F(ControlPaintingTest, OpacitiesMultiplyDownTheTreeButTheOverflowPassStartsAfresh)
{
    RCPtr<PaintProbe> a = Place(top, u"a", {10, 10, 80, 60}, 2);
    a->SetOwnOpacity(0.5f);
    a->SetLookOpacity(0, 0.5f, true);
    RCPtr<PaintProbe> inner = Place(a, u"inner", {5, 5, 20, 20}, 3);
    RCPtr<PaintProbe> floating = Place(a, u"floating", {30, 5, 20, 20}, 4);
    floating->SetClipToParent(false);
    floating->SetOwnOpacity(0.8f);
    PaintAll();

    std::map<std::string, float> opacities;
    for (const test::DrawCall& call : renderer->calls)
        if (call.what.rfind("overlay ", 0) == 0 || call.what.rfind("after ", 0) == 0)
            opacities[call.what] = call.opacity;
        else if (Label(call) == "client a")
            opacities["client a"] = call.opacity;
    // The control's own opacity, then its look's for what the look draws, the children included.
    EXPECT_FLOAT_EQ(0.5f, opacities["overlay a"]);
    EXPECT_FLOAT_EQ(0.25f, opacities["client a"]);
    EXPECT_FLOAT_EQ(0.5f, opacities["after a"]);
    EXPECT_FLOAT_EQ(0.25f, opacities["overlay inner"]);
    // Drawn in the overflow pass with its own opacity, not its ancestors'.
    EXPECT_FLOAT_EQ(0.8f, opacities["overlay floating"]);
    EXPECT_FLOAT_EQ(1.0f, opacities["overlay top"]);
}

TEST_F(ControlPaintingTest, ABareChildDoesNotEndTheGroupItSortsInto)
{
    // Not built from a descriptor: no layout, sorted as a clipping, undocked child.
    RCPtr<PaintProbe> bare(new PaintProbe(top, String(u"bare")));
    RCPtr<PaintProbe> a = Place(top, u"a", {10, 10, 40, 20}, 2);
    PaintAll();
    const std::vector<std::string> labels = Labels();
    EXPECT_NE(labels.end(), std::find(labels.begin(), labels.end(), "overlay a"));
}

TEST_F(ControlPaintingTest, AChildThatLeavesWhileItDrawsIsNotTouchedAfterwards)
{
    class Leaving : public PaintProbe {
    public:
        using PaintProbe::PaintProbe;
        VQRESULT RenderOverlay(const RCPtr<LRenderer>&) override
        {
            SetParent(RCPtr<LControl>());
            return S_OK;
        }
    };
    RCPtr<Leaving> leaving = PlaceControl<Leaving>(top, u"leaving", {10, 10, 40, 20}, {ProbeLook(2)});
    RCPtr<PaintProbe> b = Place(top, u"b", {60, 10, 40, 20}, 3);
    leaving.Release();
    PaintAll();
    EXPECT_EQ(1u, top->GetChildren().GetCount());
}

TEST_F(ControlPaintingTest, LooksHooksAndChildGroupsDrawInOrderThenTheOverflowPass)
{
    // Inserted against their drawing order: the groups, not the insertion, decide.
    RCPtr<PaintProbe> c = Place(top, u"c", {110, 10, 40, 20}, 4, "c");
    Dock(c, true, true);
    RCPtr<PaintProbe> b = Place(top, u"b", {60, 10, 40, 20}, 3, "b");
    Dock(b, false, true);
    RCPtr<PaintProbe> a = Place(top, u"a", {10, 10, 40, 20}, 2, "a");
    // Not clipped by a: it reaches past a's right edge.
    RCPtr<PaintProbe> d = Place(a, u"d", {30, 5, 80, 10}, 5, "d");
    d->SetClipToParent(false);

    PaintAll();

    const std::vector<std::string> topSequence = Sequence("top");
    EXPECT_EQ(Concat({{topSequence.begin(), topSequence.end() - 1}, Sequence("a"), Sequence("b"), Sequence("c"),
                      {"after top"}, Sequence("d")}),
              Labels());

    // Children are placed in their parent's client area; d's clip is a's area no longer.
    const test::DrawCall* aClient = ClientFill(2);
    ASSERT_NE(nullptr, aClient);
    EXPECT_EQ((PointT<double>{14, 14}), aClient->origin);
    const test::DrawCall* dClient = ClientFill(5);
    ASSERT_NE(nullptr, dClient);
    EXPECT_EQ((PointT<double>{46, 21}), dClient->origin);
    EXPECT_GT(dClient->origin.x + dClient->clip.x + dClient->clip.width, 52) << "drawn past its parent";
}

TEST_F(ControlPaintingTest, TwoVisibleLooksDrawTheChildrenOncePerLook)
{
    RCPtr<LLook> second = ProbeLook(6);
    second->SetSize(200, 100);
    top->AddLook(second);
    top->SetLookOpacity(1, 0.5f, false);
    Place(top, u"a", {10, 10, 40, 20}, 2);
    PaintAll();

    int drawnA = 0;
    for (const std::string& label : Labels())
        drawnA += label == "client a";
    EXPECT_EQ(2, drawnA);
}

TEST_F(ControlPaintingTest, RenderRefusesTheWrongPassAndDrawsNothing)
{
    RCPtr<PaintProbe> loose = Place(top, u"loose", {10, 10, 40, 20}, 2);
    loose->SetClipToParent(false);
    RectRegion region;
    region.AddRect(0, 0, 200, 100);
    RCPtrArray<LControl> overflow;

    EXPECT_EQ(E_INVALIDARG, top->Render(renderer, region, overflow, true));
    EXPECT_EQ(E_INVALIDARG, loose->Render(renderer, region, overflow, false));
    EXPECT_TRUE(renderer->calls.empty());
    EXPECT_EQ(0u, overflow.GetCount());

    // The right passes draw, and the loose child waits in the list.
    EXPECT_EQ(S_OK, top->Render(renderer, region, overflow, false));
    ASSERT_EQ(1u, overflow.GetCount());
    EXPECT_EQ(loose, overflow.GetAt(0));
}

TEST_F(ControlPaintingTest, ControlWithEveryLookAtZeroDrawsOnlyItsNonClippingDescendants)
{
    RCPtr<PaintProbe> a = Place(top, u"a", {10, 10, 40, 20}, 2, "a");
    RCPtr<PaintProbe> d = Place(a, u"d", {5, 5, 10, 10}, 5, "d");
    d->SetClipToParent(false);
    top->SetLookOpacity(0, 0.0f, false);

    PaintAll();
    // The hooks still run; no look and no clipping child draws.
    EXPECT_EQ(Concat({{"overlay top", "after top"}, Sequence("d")}), Labels());
}

TEST_F(ControlPaintingTest, ChildDockedOnBothAxesStaysPutWhenTheParentScrolls)
{
    // Reaches past the parent's client area (right edge at 198).
    RCPtr<PaintProbe> corner = Place(top, u"corner", {185, 10, 14, 20}, 4);
    Dock(corner, true, true);
    RCPtr<PaintProbe> content = Place(top, u"content", {10, 10, 40, 20}, 2);

    PaintAll();
    const test::DrawCall* before = ClientFill(4);
    ASSERT_NE(nullptr, before);
    const PointT<double> origin = before->origin;
    EXPECT_EQ((PointT<double>{189, 14}), origin);
    EXPECT_EQ(199, origin.x + before->clip.x + before->clip.width) << "not cut by the client area";
    ASSERT_NE(nullptr, ClientFill(2));
    EXPECT_EQ((PointT<double>{14, 14}), ClientFill(2)->origin);

    // The layout keeps a docked child in place in the parent's view.
    top->ScrollOffset() = {5, 3};
    EXPECT_EQ(S_OK, corner->UpdateLayout());
    EXPECT_EQ((RectT<double>{190, 13, 14, 20}), corner->GetRect());
    renderer->calls.clear();
    PaintAll();
    ASSERT_NE(nullptr, ClientFill(4));
    EXPECT_EQ(origin, ClientFill(4)->origin);
    ASSERT_NE(nullptr, ClientFill(2));
    EXPECT_EQ((PointT<double>{9, 11}), ClientFill(2)->origin) << "content moves with the scroll offset";
}

TEST_F(ControlPaintingTest, NestedNonClippingControlsAreDrawnOnceWhenTheirClippingAncestorMisses)
{
    RCPtr<PaintProbe> a = Place(top, u"a", {10, 10, 20, 20}, 2);
    RCPtr<PaintProbe> b = Place(a, u"b", {30, 30, 40, 40}, 3);
    b->SetClipToParent(false);
    RCPtr<PaintProbe> c = Place(b, u"c", {5, 5, 10, 10}, 4);
    c->SetClipToParent(false);
    RectRegion region;
    region.AddRect(45, 45, 80, 80);
    window->Paint(region);

    int drawnA = 0;
    int drawnB = 0;
    int drawnC = 0;
    for (const std::string& label : Labels()) {
        drawnA += label == "client a";
        drawnB += label == "client b";
        drawnC += label == "client c";
    }
    EXPECT_EQ(0, drawnA) << "outside the region";
    EXPECT_EQ(1, drawnB);
    EXPECT_EQ(1, drawnC);
}

TEST_F(ControlPaintingTest, OnlyTheDirtyRegionIsDrawn)
{
    Place(top, u"a", {10, 10, 40, 20}, 2);
    RCPtr<PaintProbe> b = Place(top, u"b", {100, 50, 40, 20}, 3);
    RCPtr<PaintProbe> loose = Place(b, u"loose", {5, 5, 10, 10}, 5);
    loose->SetClipToParent(false);
    RectRegion region;
    region.AddRect(150, 0, 200, 40);
    window->Paint(region);

    for (const std::string& label : Labels())
        EXPECT_TRUE(label.find(" top") != std::string::npos) << label << " drawn outside the dirty region";
    EXPECT_FALSE(Labels().empty());
}

TEST_F(ControlPaintingTest, PaintDuringAFrameUnderWayAsksForAFullRepaint)
{
    struct CountingServices : Testing::FakeWindowOSServices {
        VQRESULT InvalidateAll() override
        {
            ++invalidateAll;
            return S_OK;
        }
        int invalidateAll = 0;
    } counting;
    counting.clientSize = {200, 100};
    RCPtr<LRootWindow> other = LRootWindow::Create(renderer, &counting);
    other->SetRootControl(PlaceControl<PaintProbe>({}, u"root", {0, 0, 200, 100}, {ProbeLook(1)}));
    renderer->PushState();
    RectRegion region;
    region.AddRect(0, 0, 200, 100);
    other->Paint(region);
    renderer->PopState();
    EXPECT_EQ(1, counting.invalidateAll);
    EXPECT_TRUE(renderer->calls.empty());
    other->ReleaseCyclicReferences();
}

// A control whose focus state the test sets, recording the SetFocus calls it gets.
class FocusProbe : public Testing::TestControl {
public:
    FocusProbe(const RCPtr<LControl>& parent, const String& name) : TestControl(parent, name) {}

    VQRESULT SetFocus(bool first) override
    {
        focusCalls.push_back(first);
        return S_OK;
    }
    bool HasFocusableChild() override { return focusableChild; }
    void SetFocusState(bool has, bool contains)
    {
        m_hasFocus = has;
        m_containsFocus = contains;
    }

    std::vector<bool> focusCalls;
    bool focusableChild = false;
};

struct FocusCase {
    const char* what;
    bool visibility; // else the enabled flag
    bool from;
    bool childHas;
    bool childContains;
    bool parentHas;
    bool focusableChild;
    size_t parentCalls;
    size_t childCalls;
};

class FocusHandOver : public testing::TestWithParam<FocusCase> {};

TEST_P(FocusHandOver, HidingOrDisablingGivesTheFocusUpShowingTakesIt)
{
    const FocusCase& c = GetParam();
    Testing::ControlTestApplication app;
    RCPtr<FocusProbe> parent = PlaceControl<FocusProbe>({}, u"parent", {0, 0, 100, 100});
    RCPtr<FocusProbe> child = PlaceControl<FocusProbe>(parent, u"child", {10, 10, 20, 20});
    if (c.visibility)
        child->SetVisible(c.from);
    else
        child->SetEnabled(c.from);
    parent->SetFocusState(c.parentHas, !c.parentHas && (c.childHas || c.childContains));
    child->SetFocusState(c.childHas, c.childContains);
    child->focusableChild = c.focusableChild;
    parent->focusCalls.clear();
    child->focusCalls.clear();

    if (c.visibility)
        child->SetVisible(!c.from);
    else
        child->SetEnabled(!c.from);

    EXPECT_EQ(c.parentCalls, parent->focusCalls.size()) << c.what;
    EXPECT_EQ(c.childCalls, child->focusCalls.size()) << c.what;
    for (bool first : parent->focusCalls)
        EXPECT_TRUE(first) << c.what;
    for (bool first : child->focusCalls)
        EXPECT_TRUE(first) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FocusHandOver,
    testing::Values(FocusCase{"hide the focus control", true, true, true, false, false, false, 1, 0},
                    FocusCase{"hide a control containing the focus", true, true, false, true, false, false, 1, 0},
                    FocusCase{"hide a control away from the focus", true, true, false, false, false, false, 0, 0},
                    FocusCase{"disable the focus control", false, true, true, false, false, false, 1, 0},
                    FocusCase{"disable a control containing the focus", false, true, false, true, false, false, 1, 0},
                    FocusCase{"show a container under the focused parent", true, false, false, false, true, true, 0,
                              1},
                    FocusCase{"show a container under an unfocused parent", true, false, false, false, false, true, 0,
                              0},
                    FocusCase{"show a control with nothing focusable", true, false, false, false, true, false, 0, 0},
                    FocusCase{"enable a container under the focused parent", false, false, false, false, true, true,
                              0, 1}));

// The Cairo-drawn back end: top blue, a red child, and a green grandchild that does not clip and
// reaches past the child; a hidden yellow child draws nothing.
TEST(ControlPaintingPixels, TreeReachesTheSurface)
{
    constexpr uint32_t Blue = 0xFF0000FF;
    constexpr uint32_t Red = 0xFFFF0000;
    constexpr uint32_t Green = 0xFF00FF00;
    constexpr uint32_t Yellow = 0xFFFFFF00;
    auto look = [](uint32_t argb) {
        RCPtr<LLookDescriptor> descriptor = LLookDescriptor::Create(String(u"plain"));
        descriptor->SetClientPart(test::Dock(SolidPart(argb), DockRecord::AllGiven, 0, 0, 0, 0));
        return LLook::Create(descriptor, false);
    };
    Testing::ControlTestApplication app;
    Testing::FakeWindowOSServices services;
    services.clientSize = {60, 40};
    RCPtr<LRenderer> renderer = LGDIRenderer::Create();
    RCPtr<LRootWindow> window = LRootWindow::Create(renderer, &services);
    RCPtr<Testing::TestControl> top = PlaceControl({}, u"top", {0, 0, 60, 40}, {look(Blue)});
    window->SetRootControl(top);
    RCPtr<Testing::TestControl> child = PlaceControl(top, u"child", {10, 10, 20, 10}, {look(Red)});
    RCPtr<Testing::TestControl> loose = PlaceControl(child, u"loose", {15, 5, 20, 10}, {look(Green)});
    loose->SetClipToParent(false);
    RCPtr<Testing::TestControl> hidden = PlaceControl(top, u"hidden", {0, 0, 8, 8}, {look(Yellow)});
    hidden->SetVisible(false);

    RCPtr<LRenderContextInfo> context;
    ASSERT_EQ(S_OK, renderer->InitRenderContextInfo({0, 0, 60, 40}, nullptr, true, context));
    renderer->RenderStart(context);
    RectRegion region;
    region.AddRect(0, 0, 60, 40);
    window->Paint(region);
    Platform::DrawingSurface& surface =
        RCPtrDynamicCast<LGDIRenderContextInfo>(context)->GetCurrentSurface().GetSurface();
    int failures = 0;
    for (int32_t y = 0; y < 40 && failures < 5; ++y)
        for (int32_t x = 0; x < 60 && failures < 5; ++x) {
            uint32_t want = Blue;
            if (x >= 25 && x < 45 && y >= 15 && y < 25)
                want = Green;
            else if (x >= 10 && x < 30 && y >= 10 && y < 20)
                want = Red;
            const uint32_t got = surface.GetPixel(x, y);
            if (got != want) {
                ADD_FAILURE() << "pixel " << x << ", " << y << ": " << std::hex << got << " instead of " << want;
                ++failures;
            }
        }
    renderer->RenderFinish(context);
    window->ReleaseCyclicReferences();
}

TEST(UIThreadDeathTest, ChangingAControlOffTheUIThreadAsserts)
{
#ifdef NDEBUG
    GTEST_SKIP() << "the check is an assertion, compiled out without debug assertions";
#else
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    Testing::ControlTestApplication app;
    RCPtr<Testing::TestControl> control = PlaceControl({}, u"c", {0, 0, 10, 10});
    EXPECT_DEATH(
        {
            SetUIThread();
            std::thread other([&control] { control->SetVisible(false); });
            other.join();
        },
        "off the UI thread");
    // The recording happened in the child process only: this thread still passes.
    EXPECT_TRUE(IsUIThread());
#endif
}

} // namespace
} // namespace VQ
