// Hit testing: the edges of a control, the colour of its looks, transparent pixels passing the
// point on, z order and effective z order, docked, scrolled, unclipped and excluded controls, the
// depth-first descendant list and the drop-target search.
#include "tests/vqframework/control/ControlTestSupport.h"
#include "tests/vqframework/control/FakeWindowOSServices.h"
#include "tests/vqframework/controlbase/LookTestSupport.h"
#include "vqframework/controlbase/LookDescriptor.h"
#include "vqframework/controlbase/VisualPartDescriptor.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace VQ {
namespace {

using String = StringT<char16_t, char>;
using test::MakeBitmap;
using test::Solid;
using test::Text;

constexpr uint32_t NoColor = 0x00FFFFFF;
constexpr uint32_t Red = 0xFFFF0000;
constexpr uint32_t Blue = 0xFF0000FF;

// TestControl with the exclusion flag and drop acceptance reachable.
class HitControl : public Testing::TestControl {
public:
    using TestControl::TestControl;
    void Exclude(bool excluded) { m_hitTestExcluded = excluded; }
    bool IsExcluded() const { return m_hitTestExcluded; }
    bool AcceptsDrop(const RCPtr<LControl>& dragged) override { return acceptsDrops && dragged; }
    bool acceptsDrops = false;
};

RCPtr<HitControl> Place(const RCPtr<LControl>& parent, const char16_t* name, double x, double y, double width,
                        double height)
{
    return Testing::PlaceControl<HitControl>(parent, name, {x, y, width, height});
}

RCPtr<LVisualPartDescriptor> SolidPart(uint32_t argb)
{
    return LVisualPartDescriptor::CreateFromColorizer(Text("solid"), Solid(argb), 5, 4, ResizeStretch, 1,
                                                      ImageRef());
}

RCPtr<LDockedPart> Docked(uint32_t argb, int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    return test::Dock(SolidPart(argb), DockRecord::AllGiven, left, top, right, bottom);
}

// Gives the control a look and shows it alone.
RCPtr<LLook> Dress(const RCPtr<HitControl>& control, const RCPtr<LLookDescriptor>& descriptor)
{
    RCPtr<LLook> look = LLook::Create(descriptor, false);
    look->SetSize(int32_t(control->GetRect().width), int32_t(control->GetRect().height));
    control->SelectLook(control->AddLook(look));
    return look;
}

// A look that draws nothing: it lets children be found but is never hit itself.
RCPtr<LLook> DressClear(const RCPtr<HitControl>& control)
{
    return Dress(control, LLookDescriptor::Create(Text("clear")));
}

RCPtr<LLook> DressSolid(const RCPtr<HitControl>& control, uint32_t argb = Red)
{
    RCPtr<LLookDescriptor> descriptor = LLookDescriptor::Create(Text("solid"));
    descriptor->SetClientPart(Docked(argb, 0, 0, 0, 0));
    return Dress(control, descriptor);
}

// Opaque where keep says so, fully transparent elsewhere.
RCPtr<LLook> DressImage(const RCPtr<HitControl>& control, bool (*keep)(int32_t, int32_t))
{
    RCPtr<LLook> look = DressClear(control);
    const auto width = int32_t(control->GetRect().width);
    const auto height = int32_t(control->GetRect().height);
    look->SetImage(MakeBitmap(width, height, [keep](int32_t x, int32_t y) { return keep(x, y) ? Blue : 0u; }),
                   ResizeStretch, true);
    return look;
}

void SetZOrder(const RCPtr<HitControl>& control, int32_t order)
{
    control->GetLayout()->Z_Order = order;
    control->GetParent()->GetChildren().Touch();
}

struct Hit {
    LControl* control = nullptr;
    PointT<int32_t> point;
    int32_t priority = INT_MIN;
};

Hit HitAt(const RCPtr<LControl>& top, int32_t x, int32_t y, bool mayHit = true)
{
    RCPtr<LControl> control;
    Hit hit;
    top->HitTest(control, {x, y}, mayHit, hit.point, hit.priority);
    hit.control = control.Get();
    return hit;
}

std::string NameOf(const LControl* control)
{
    std::string name;
    if (control)
        control->GetName().ToUTF8(name);
    return control ? name : "(none)";
}

TEST(ControlHitTest, RightAndBottomEdgesLieOutside)
{
    const RCPtr<HitControl> top = Place({}, u"top", 0, 0, 200, 100);
    const RCPtr<HitControl> child = Place(top, u"child", 10, 20, 30, 40);
    struct Case {
        PointT<int32_t> point;
        bool inside;
    } cases[] = {{{0, 0}, true},   {{29, 39}, true},  {{30, 0}, false},
                 {{0, 40}, false}, {{-1, 5}, false}, {{5, -1}, false}};
    for (const Case& c : cases)
        EXPECT_EQ(c.inside, child->ContainsPoint(c.point)) << c.point.x << ", " << c.point.y;
}

TEST(ControlHitTest, ColourAndTransparencyComeFromTheShownLooks)
{
    const RCPtr<HitControl> control = Place({}, u"c", 0, 0, 20, 10);
    uint32_t color = 0;
    control->GetColorAtPoint(color, {1, 1}, 0);
    EXPECT_EQ(NoColor, color) << "without a look";
    EXPECT_TRUE(control->IsTransparentAt({1, 1}));

    DressImage(control, [](int32_t x, int32_t) { return x < 10; });
    control->GetColorAtPoint(color, {1, 1}, 0);
    EXPECT_EQ(Blue, color);
    control->GetColorAtPoint(color, {15, 1}, 0);
    EXPECT_EQ(0u, color >> 24);
    EXPECT_FALSE(control->IsTransparentAt({1, 1}));
    EXPECT_TRUE(control->IsTransparentAt({15, 1}));

    // A second look counts only while its opacity is above 0.
    DressSolid(control);
    ASSERT_EQ(S_OK, control->SetLookOpacity(0, 1.0f, false));
    EXPECT_FALSE(control->IsTransparentAt({15, 1}));
    control->GetColorAtPoint(color, {15, 1}, 1);
    EXPECT_EQ(Red, color);
    ASSERT_EQ(S_OK, control->SetLookOpacity(1, 0.0f, false));
    EXPECT_TRUE(control->IsTransparentAt({15, 1}));
}

// top (opaque, 200 x 100) holds lower (opaque) and, above it, upper, opaque on its left 20 pixels only.
class HitTreeTest : public ::testing::Test {
protected:
    HitTreeTest()
    {
        top = Place({}, u"top", 0, 0, 200, 100);
        DressSolid(top);
        lower = Place(top, u"lower", 10, 10, 80, 80);
        DressSolid(lower);
        upper = Place(top, u"upper", 50, 10, 80, 80);
        DressImage(upper, [](int32_t x, int32_t) { return x < 20; });
    }

    RCPtr<HitControl> top;
    RCPtr<HitControl> lower;
    RCPtr<HitControl> upper;
};

TEST_F(HitTreeTest, TransparentPixelsPassThePointToWhatLiesBelow)
{
    struct Case {
        PointT<int32_t> point;
        LControl* expected;
        PointT<int32_t> local;
    } cases[] = {
        {{60, 20}, upper.Get(), {10, 10}},  // opaque part of the upper child
        {{100, 20}, top.Get(), {100, 20}},  // transparent part, nothing but the parent below
        {{85, 20}, lower.Get(), {75, 10}},  // transparent part over the lower sibling
        {{20, 20}, lower.Get(), {10, 10}},  // lower alone
        {{195, 95}, top.Get(), {195, 95}},  // no child there
        {{200, 50}, nullptr, {0, 0}},       // right edge of the top control
    };
    for (const Case& c : cases) {
        const Hit hit = HitAt(top, c.point.x, c.point.y);
        EXPECT_EQ(NameOf(c.expected), NameOf(hit.control)) << c.point.x << ", " << c.point.y;
        EXPECT_EQ(c.local, hit.point) << c.point.x << ", " << c.point.y;
        EXPECT_EQ(INT_MIN, hit.priority);
    }
    EXPECT_EQ(nullptr, HitAt(top, 60, 20, false).control) << "clipping controls need may-hit";
}

TEST_F(HitTreeTest, HiddenAndTransparentControlsAreNotHit)
{
    upper->SetVisible(false);
    EXPECT_EQ("lower", NameOf(HitAt(top, 60, 20).control));
    lower->GetLayout()->XSize.abs = 0;
    lower->SetRect({10, 10}, {0, 80});
    ASSERT_EQ(0, lower->GetRect().width);
    EXPECT_EQ("top", NameOf(HitAt(top, 60, 20).control)) << "zero width";
    top->SetLookOpacity(0, 0.0f, false);
    EXPECT_EQ(nullptr, HitAt(top, 60, 20).control) << "no look shown";
}

TEST_F(HitTreeTest, ExcludedControlIsPassedOverButItsChildrenAreNot)
{
    const RCPtr<HitControl> inner = Place(lower, u"inner", 0, 0, 20, 20);
    DressSolid(inner);
    lower->Exclude(true);
    EXPECT_EQ("inner", NameOf(HitAt(top, 15, 15).control));
    EXPECT_EQ("top", NameOf(HitAt(top, 40, 60).control));
    inner->Exclude(true);
    EXPECT_EQ("top", NameOf(HitAt(top, 15, 15).control));
}

TEST_F(HitTreeTest, ClippedChildIsNotHitOutsideItsParent)
{
    // inner reaches 30 pixels beyond lower's right edge (x 90..120 in top).
    const RCPtr<HitControl> inner = Place(lower, u"inner", 40, 0, 70, 20);
    DressSolid(inner);
    upper->SetVisible(false);
    EXPECT_EQ("inner", NameOf(HitAt(top, 60, 15).control));
    EXPECT_EQ("top", NameOf(HitAt(top, 100, 15).control));

    inner->SetClipToParent(false);
    const Hit hit = HitAt(top, 100, 15);
    EXPECT_EQ("inner", NameOf(hit.control)) << "an unclipped child is found outside its parent";
    EXPECT_EQ((PointT<int32_t>{50, 5}), hit.point);
    EXPECT_EQ(0, hit.priority);
}

TEST_F(HitTreeTest, UnclippedChildIsAboveClippingSiblingsWhateverItsOrder)
{
    // Inserted first, so it would lie below upper by insertion alone.
    lower->SetClipToParent(false);
    SetZOrder(lower, -5);
    const Hit hit = HitAt(top, 60, 20);
    EXPECT_EQ("lower", NameOf(hit.control));
    EXPECT_EQ(-5, hit.priority);
}

TEST_F(HitTreeTest, GreaterEffectiveZOrderWinsAndTiesKeepTheUpperControl)
{
    // deep is unclipped inside lower; upper is unclipped too and lies above lower in z order.
    const RCPtr<HitControl> deep = Place(lower, u"deep", 40, 0, 40, 40);
    DressSolid(deep);
    deep->SetClipToParent(false);
    upper->SetClipToParent(false);
    struct Case {
        int32_t upperOrder, deepOrder;
        const char* expected;
    } cases[] = {{5, 1, "upper"}, {0, 1, "deep"}, {1, 1, "upper"}, {-3, -2, "deep"}};
    for (const Case& c : cases) {
        SetZOrder(upper, c.upperOrder);
        SetZOrder(deep, c.deepOrder);
        const Hit hit = HitAt(top, 60, 20);
        EXPECT_EQ(c.expected, NameOf(hit.control)) << c.upperOrder << " against " << c.deepOrder;
        EXPECT_EQ(std::string(c.expected) == "upper" ? c.upperOrder : c.deepOrder, hit.priority);
    }
}

TEST_F(HitTreeTest, LowerSiblingWithUnclippedDescendantsDoesNotWinATie)
{
    // Its unclipped child, away from the point, makes lower be asked even after upper was hit.
    const RCPtr<HitControl> away = Place(lower, u"away", 0, 60, 10, 10);
    away->SetClipToParent(false);
    ASSERT_EQ(1, lower->GetOverflowCount());
    const Hit hit = HitAt(top, 60, 20);
    EXPECT_EQ("upper", NameOf(hit.control));
    EXPECT_EQ((PointT<int32_t>{10, 10}), hit.point);
}

TEST(ControlHitTest, EffectiveZOrderIsTheLargestAmongUnclippedAncestors)
{
    const RCPtr<HitControl> top = Place({}, u"top", 0, 0, 200, 100);
    const RCPtr<HitControl> a = Place(top, u"a", 0, 0, 50, 50);
    const RCPtr<HitControl> clipped = Place(a, u"clipped", 0, 0, 10, 10);
    const RCPtr<HitControl> low = Place(a, u"low", 0, 0, 10, 10);
    const RCPtr<HitControl> high = Place(a, u"high", 0, 0, 10, 10);
    EXPECT_EQ(INT_MIN, clipped->GetEffectiveZOrder()) << "every control clips";

    a->SetClipToParent(false);
    SetZOrder(a, 3);
    low->SetClipToParent(false);
    SetZOrder(low, -2);
    high->SetClipToParent(false);
    SetZOrder(high, 7);
    EXPECT_EQ(INT_MIN, top->GetEffectiveZOrder());
    EXPECT_EQ(3, a->GetEffectiveZOrder());
    EXPECT_EQ(3, clipped->GetEffectiveZOrder());
    EXPECT_EQ(3, low->GetEffectiveZOrder());
    EXPECT_EQ(7, high->GetEffectiveZOrder());
}

TEST(ControlHitTest, ChildDockedOnBothAxesIsFoundInTheParentsBorder)
{
    // frame: 100 x 100, opaque, client area inset by 10; bar reaches from the client area into the right border.
    const RCPtr<HitControl> top = Place({}, u"top", 0, 0, 200, 200);
    DressClear(top);
    const RCPtr<HitControl> frame = Place(top, u"frame", 0, 0, 100, 100);
    RCPtr<LLookDescriptor> framed = LLookDescriptor::Create(Text("framed"));
    framed->SetClientPart(Docked(Blue, 10, 10, -10, -10));
    framed->AddNonClientPart(Docked(Red, 0, 0, 0, 0));
    Dress(frame, framed);
    ASSERT_EQ((RectT<double>{10, 10, 80, 80}), frame->GetLookClientRect(-1));

    struct Case {
        bool dockX, dockY;
        const char* expected;
    } cases[] = {{true, true, "bar"}, {true, false, "frame"}, {false, false, "frame"}};
    for (const Case& c : cases) {
        const RCPtr<HitControl> bar = Place(frame, u"bar", 75, 0, 15, 80);
        DressSolid(bar);
        bar->GetLayout()->XIsDocked = c.dockX;
        bar->GetLayout()->YIsDocked = c.dockY;
        frame->GetChildren().Touch();
        const Hit hit = HitAt(top, 95, 50);
        EXPECT_EQ(c.expected, NameOf(hit.control)) << c.dockX << c.dockY;
        if (hit.control == bar.Get()) {
            EXPECT_EQ((PointT<int32_t>{10, 40}), hit.point);
        }
        EXPECT_EQ("bar", NameOf(HitAt(top, 87, 50).control)) << "inside the client area";
        bar->SetParent({});
    }
}

TEST(ControlHitTest, ScrolledChildrenAreFoundWhereTheyAreShown)
{
    const RCPtr<HitControl> top = Place({}, u"top", 0, 0, 100, 100);
    DressClear(top);
    const RCPtr<HitControl> child = Place(top, u"child", 0, 30, 20, 20);
    DressSolid(child);
    top->ScrollOffset() = {0, 20};
    const Hit hit = HitAt(top, 5, 15);
    EXPECT_EQ("child", NameOf(hit.control));
    EXPECT_EQ((PointT<int32_t>{5, 5}), hit.point);
    EXPECT_EQ(nullptr, HitAt(top, 5, 35).control);
}

TEST(ControlHitTest, DescendantsComeDepthFirstInInsertionOrder)
{
    const RCPtr<HitControl> top = Place({}, u"top", 0, 0, 100, 100);
    const RCPtr<HitControl> a = Place(top, u"a", 0, 0, 10, 10);
    const RCPtr<HitControl> a1 = Place(a, u"a1", 0, 0, 10, 10);
    const RCPtr<HitControl> a2 = Place(a, u"a2", 0, 0, 10, 10);
    const RCPtr<HitControl> a21 = Place(a2, u"a21", 0, 0, 10, 10);
    const RCPtr<HitControl> b = Place(top, u"b", 0, 0, 10, 10);
    // Z order plays no part.
    a->SetClipToParent(false);
    SetZOrder(a, 9);

    RCPtrArray<LControl> list;
    list.Add(RCPtr<LControl>(b));
    EXPECT_EQ(5, top->GetDescendants(list));
    std::vector<std::string> names;
    for (uint32_t i = 0; i < list.GetCount(); ++i)
        names.push_back(NameOf(list.GetAt(i).Get()));
    EXPECT_EQ((std::vector<std::string>{"a", "a1", "a2", "a21", "b"}), names);
    EXPECT_EQ(0, a21->GetDescendants(list));
    EXPECT_EQ(0u, list.GetCount());
}

// Records, from inside its own hit test, whether it was excluded at that moment.
class DropControl : public HitControl {
public:
    using HitControl::HitControl;
    void HitTest(RCPtr<LControl>& hit, const PointT<int32_t>& point, bool mayHit, PointT<int32_t>& hitPoint,
                 int32_t& priority) override
    {
        excludedWhenAsked.push_back(IsExcluded());
        HitControl::HitTest(hit, point, mayHit, hitPoint, priority);
    }
    std::vector<bool> excludedWhenAsked;
};

RCPtr<DropControl> PlaceDrop(const RCPtr<LControl>& parent, const char16_t* name, double x, double y, double width,
                             double height)
{
    return Testing::PlaceControl<DropControl>(parent, name, {x, y, width, height});
}

TEST(ControlHitTest, DropTargetSearchWalksOutwardsAndFindsNoneByDefault)
{
    Testing::ControlTestApplication app;
    Testing::FakeWindowOSServices services;
    services.clientSize = {200, 100};
    RCPtr<LRootWindow> window = LRootWindow::Create({}, &services);
    const RCPtr<DropControl> top = PlaceDrop({}, u"top", 0, 0, 200, 100);
    window->SetRootControl(top);
    top->SetRect({0, 0}, {200, 100});
    DressSolid(top);
    // Under the point, from the bottom: top, below (a sibling of middle), middle, inner; dragged too.
    const RCPtr<DropControl> below = PlaceDrop(top, u"below", 0, 0, 100, 100);
    DressSolid(below);
    const RCPtr<DropControl> middle = PlaceDrop(top, u"middle", 0, 0, 100, 100);
    DressClear(middle);
    const RCPtr<DropControl> inner = PlaceDrop(middle, u"inner", 0, 0, 50, 50);
    DressSolid(inner);
    const RCPtr<DropControl> dragged = PlaceDrop(top, u"dragged", 0, 0, 10, 10);
    DressSolid(dragged);
    PointT<int32_t> local;
    ASSERT_EQ(RCPtr<LControl>(dragged), window->ControlAtPoint({5, 5}, local, false)) << "the hit test sees them";

    RCPtr<LControl> target(top);
    inner->ControlAtPoint(target, dragged, {5, 5});
    EXPECT_FALSE(target) << "nothing accepts a drop";

    middle->acceptsDrops = true;
    inner->ControlAtPoint(target, dragged, {5, 5});
    EXPECT_EQ(middle.Get(), target.Get());

    // An unclipped control asks the window for what lies below it: the dragged control and the visited
    // ones are passed over, and the next one under the point that accepts is the target.
    middle->acceptsDrops = false;
    below->acceptsDrops = true;
    middle->SetClipToParent(false);
    for (const RCPtr<DropControl>& control : {top, below, middle, inner, dragged})
        control->excludedWhenAsked.clear();
    RCPtr<LControl> alias(dragged);
    inner->ControlAtPoint(alias, alias, {5, 5});
    EXPECT_EQ(below.Get(), alias.Get());
    EXPECT_EQ((std::vector<bool>{true}), dragged->excludedWhenAsked);
    EXPECT_EQ((std::vector<bool>{true}), middle->excludedWhenAsked);
    EXPECT_EQ((std::vector<bool>{true}), inner->excludedWhenAsked);
    EXPECT_EQ((std::vector<bool>{false}), below->excludedWhenAsked);
    for (const RCPtr<DropControl>& control : {top, below, middle, inner, dragged})
        EXPECT_FALSE(control->IsExcluded()) << NameOf(control.Get());

    // With nothing else accepting, the search under the point ends empty.
    below->acceptsDrops = false;
    alias = dragged;
    inner->ControlAtPoint(alias, alias, {5, 5});
    EXPECT_FALSE(alias);
    for (const RCPtr<DropControl>& control : {top, below, middle, inner, dragged})
        EXPECT_FALSE(control->IsExcluded()) << NameOf(control.Get());
    window->ReleaseCyclicReferences();
    top->ReleaseCyclicReferences();
}

} // namespace
} // namespace VQ
