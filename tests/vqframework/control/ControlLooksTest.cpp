#include "tests/vqframework/control/ControlTestSupport.h"
#include "tests/vqframework/control/FakeWindowOSServices.h"

#include <gtest/gtest.h>

namespace VQ {
namespace {

using Testing::TestControl;
using String = StringT<char16_t, char>;

RCPtr<LLook> NewLook()
{
    return LLook::Create(LLookDescriptor::Create(String(u"look")), false);
}

// A control with a layout, placed so that later layouts keep it where it is.
RCPtr<TestControl> Place(const RCPtr<LControl>& parent, const char16_t* name, double x, double y, double width,
                         double height)
{
    return Testing::PlaceControl<TestControl>(parent, name, {x, y, width, height});
}

RectT<int32_t> Bounds(const RectRegion& region)
{
    RectT<int32_t> edges;
    region.GetBounds(edges.x, edges.y, edges.width, edges.height);
    return {edges.x, edges.y, edges.width - edges.x, edges.height - edges.y};
}

TEST(ControlLooksTest, LookIndicesKeepEmptyEntriesAndTheShownLookIsTheFirstOpaqueOne)
{
    RCPtr<TestControl> control(new TestControl({}, String(u"c")));
    const RCPtr<LLook> first = NewLook();
    const RCPtr<LLook> third = NewLook();
    EXPECT_EQ(0, control->AddLook(first));
    EXPECT_EQ(1, control->AddLook({}));
    EXPECT_EQ(2, control->AddLook(third));

    // No look shown: the first one that exists.
    EXPECT_EQ(first, control->GetLook(-1));
    EXPECT_EQ(-1, control->GetVisibleLookIndex());
    EXPECT_FALSE(control->GetLook(1));

    EXPECT_EQ(S_OK, control->SelectLook(2));
    EXPECT_EQ(third, control->GetLook(-1));
    EXPECT_EQ(2, control->GetVisibleLookIndex());
    // An empty entry cannot be the shown look, whatever its opacity.
    EXPECT_EQ(S_OK, control->SetLookOpacity(1, 1.0f, true));
    EXPECT_EQ(first, control->GetLook(-1));
    EXPECT_EQ(E_INVALIDARG, control->SetLookOpacity(3, 1.0f, false));
    EXPECT_EQ(E_INVALIDARG, control->SetLookOpacity(-1, 1.0f, false));
}

TEST(ControlLooksTest, OpacityOutOfRangeIsNotStoredButExclusiveStillClearsTheOthers)
{
    RCPtr<TestControl> control(new TestControl({}, String(u"c")));
    for (int i = 0; i < 3; ++i)
        control->AddLook(NewLook());
    control->SetLookOpacity(0, 0.5f, false);
    control->SetLookOpacity(1, 0.25f, false);
    EXPECT_EQ(S_OK, control->SetLookOpacity(1, 1.5f, true));
    EXPECT_EQ(0.0f, control->GetLookOpacity(0));
    EXPECT_EQ(0.25f, control->GetLookOpacity(1));
    EXPECT_EQ(0.0f, control->GetLookOpacity(2));
}

class ControlInvalidationTest : public ::testing::Test {
protected:
    ControlInvalidationTest() : window(LRootWindow::Create({}, &services))
    {
        top = Place({}, u"top", 0, 0, 200, 100);
        top->AttachToRootWindow(window.Get());
        child = Place(top, u"child", 10, 10, 50, 20);
        Dirty();
    }

    RectT<int32_t> Dirty()
    {
        RectRegion region;
        window->TakeDirtyRegion(region);
        return region.GetCount() ? Bounds(region) : RectT<int32_t>{};
    }

    Testing::ControlTestApplication app;
    Testing::FakeWindowOSServices services;
    RCPtr<LRootWindow> window;
    RCPtr<TestControl> top;
    RCPtr<TestControl> child;
};

TEST_F(ControlInvalidationTest, ClippedAreaIsCutToTheParentAndPlacedInTheWindow)
{
    child->Invalidate({-20, -20, 100, 100}, true);
    EXPECT_EQ((RectT<int32_t>{0, 0, 90, 90}), Dirty());

    child->Invalidate({5, 5, 10, 10}, true);
    EXPECT_EQ((RectT<int32_t>{15, 15, 10, 10}), Dirty());
}

TEST_F(ControlInvalidationTest, UnclippedControlReachesTheWindowUncut)
{
    child->SetClipToParent(false);
    Dirty();
    child->Invalidate({-20, -20, 100, 100}, true);
    EXPECT_EQ((RectT<int32_t>{-10, -10, 100, 100}), Dirty());
}

TEST_F(ControlInvalidationTest, HiddenOrEmptyControlInvalidatesNothing)
{
    EXPECT_FALSE(child->SetVisible(false));
    Dirty();
    EXPECT_EQ(1, child->PropagateInvalidate({10, 10, 50, 20}, true, {0, 0, 50, 20}));
    EXPECT_EQ(0u, Dirty().width);

    RCPtr<TestControl> empty = Place(top, u"empty", 0, 0, 0, 20);
    Dirty();
    empty->Invalidate({0, 0, 10, 10}, false);
    EXPECT_EQ(0u, Dirty().width);
}

TEST_F(ControlInvalidationTest, HidingInvalidatesTheAreaItLeaves)
{
    EXPECT_FALSE(child->SetVisible(false));
    EXPECT_EQ((RectT<int32_t>{10, 10, 50, 20}), Dirty());
    EXPECT_TRUE(child->SetVisible(true));
    EXPECT_EQ((RectT<int32_t>{10, 10, 50, 20}), Dirty());
    // Unchanged: nothing to redraw.
    EXPECT_TRUE(child->SetVisible(true));
    EXPECT_EQ(0, Dirty().width);
}

TEST_F(ControlInvalidationTest, ClipToParentKeepsEveryAncestorsOverflowCount)
{
    RCPtr<TestControl> grandchild = Place(child, u"grandchild", 0, 0, 5, 5);
    const int32_t modifications = child->GetChildren().GetModificationCount();
    EXPECT_FALSE(grandchild->SetClipToParent(false));
    EXPECT_EQ(1, child->GetOverflowCount());
    EXPECT_EQ(1, top->GetOverflowCount());
    EXPECT_GT(child->GetChildren().GetModificationCount(), modifications);
    EXPECT_FALSE(grandchild->SetClipToParent(false));
    EXPECT_EQ(1, top->GetOverflowCount());
    EXPECT_TRUE(grandchild->SetClipToParent(true));
    EXPECT_EQ(0, child->GetOverflowCount());
    EXPECT_EQ(0, top->GetOverflowCount());
}

RectT<int32_t> RegionBounds(const RectRegion& region)
{
    return region.GetCount() ? Bounds(region) : RectT<int32_t>{};
}

TEST_F(ControlInvalidationTest, LookRegionsNeedALookAndRedrawTheControl)
{
    const RCPtr<LLook> look = NewLook();
    child->AddLook(look);
    child->AddLook({});
    RectRegion region;
    region.AddRect(0, 0, 10, 20);

    EXPECT_EQ(E_INVALIDARG, child->SetLookRegion(1, region)) << "an empty entry";
    EXPECT_EQ(E_INVALIDARG, child->SetLookRegionExcept(0, 1));
    EXPECT_EQ(0, Dirty().width);

    EXPECT_EQ(S_OK, child->SetLookRegion(0, region));
    EXPECT_EQ((RectT<int32_t>{0, 0, 10, 20}), RegionBounds(look->GetClipRegion()));
    EXPECT_EQ((RectT<int32_t>{10, 10, 50, 20}), Dirty());
    region.Clear();
    EXPECT_EQ(1u, look->GetClipRegion().GetCount()) << "a copy";

    child->ClearLookRegion(0);
    EXPECT_EQ(0u, look->GetClipRegion().GetCount());
    child->SetLookRegion(0, look->GetClipRegion());
    child->ClearLookRegion(1);
    child->ClearLookRegions();
    EXPECT_EQ(0u, look->GetClipRegion().GetCount());
}

TEST_F(ControlInvalidationTest, LookRegionExceptIsTheControlMinusTheOtherLooksRegion)
{
    const RCPtr<LLook> a = NewLook();
    const RCPtr<LLook> b = NewLook();
    child->AddLook(a);
    child->AddLook(b);
    RectRegion left;
    left.AddRect(0, 0, 10, 20);
    child->SetLookRegion(1, left);
    Dirty();

    EXPECT_EQ(S_OK, child->SetLookRegionExcept(0, 1));
    EXPECT_EQ((RectT<int32_t>{10, 0, 40, 20}), RegionBounds(a->GetClipRegion()));
    EXPECT_EQ((RectT<int32_t>{10, 10, 50, 20}), Dirty());

    // A look without a region leaves nothing to the other.
    child->ClearLookRegion(1);
    EXPECT_EQ(S_OK, child->SetLookRegionExcept(1, 0));
    EXPECT_EQ((RectT<int32_t>{0, 0, 10, 20}), RegionBounds(b->GetClipRegion()));
    // A look against itself.
    EXPECT_EQ(S_OK, child->SetLookRegionExcept(1, 1));
    EXPECT_EQ((RectT<int32_t>{10, 0, 40, 20}), RegionBounds(b->GetClipRegion()));
}

TEST_F(ControlInvalidationTest, LookImageRedrawsOnlyWhenTheShownLookChanged)
{
    const RCPtr<LBitmap> bitmap = LBitmap::CreateFilledBitmap(4, 4, RGBAColor());
    EXPECT_EQ(E_FAIL, child->SetLookImage(bitmap, ResizeStretch, false, 0)) << "no look at all";

    const RCPtr<LLook> shown = NewLook();
    const RCPtr<LLook> hidden = NewLook();
    child->AddLook(shown);
    child->AddLook(hidden);
    child->SelectLook(0);
    Dirty();

    EXPECT_EQ(1, child->SetLookImage({}, ResizeStretch, false, 0)) << "no image to remove";
    EXPECT_EQ(0, Dirty().width);
    EXPECT_EQ(S_OK, child->SetLookImage(bitmap, ResizeTile, true, 1));
    EXPECT_TRUE(hidden->GetImagePart());
    EXPECT_TRUE(hidden->GetImageReplacesClientPart());
    EXPECT_EQ(0, Dirty().width) << "look 1 is not shown";
    EXPECT_EQ(S_OK, child->SetLookImage(bitmap, ResizeStretch, false, -1));
    EXPECT_TRUE(shown->GetImagePart());
    EXPECT_EQ((RectT<int32_t>{10, 10, 50, 20}), Dirty());
}

TEST_F(ControlInvalidationTest, LookPartReplacesTheClientPartWithoutRedrawing)
{
    const RCPtr<LVisualPart> part =
        LVisualPart::CreateFromBitmap(String(), LBitmap::CreateFilledBitmap(2, 2, RGBAColor()), ResizeStretch,
                                      nullptr, 1.0f, nullptr);
    EXPECT_EQ(E_FAIL, child->SetLookPart(part, 0));
    const RCPtr<LLook> look = NewLook();
    child->AddLook(look);
    Dirty();
    EXPECT_EQ(E_INVALIDARG, child->SetLookPart({}, 0));
    EXPECT_EQ(S_OK, child->SetLookPart(part, 0));
    EXPECT_EQ(part, look->GetClientPart());
    EXPECT_EQ(0, Dirty().width);
}

} // namespace
} // namespace VQ
