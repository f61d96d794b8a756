// Layout: the per-axis computation against parent, client, siblings, screen and pointer, the size
// limits from text and children, SetRect's propagation down, sideways and up, the run-time setters,
// the coordinate conversions, and the layout descriptor's records.
#include "ControlTestSupport.h"
#include "FakeWindowOSServices.h"
#include "tests/vqframework/controlbase/FakeMeasurementRenderer.h"
#include "vqframework/graphics/Colorizer.h"
#include "vqframework/renderer/Renderer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace VQ::Testing {
namespace {

using String = LControl::String;
using Rect = RectT<double>;

// A control that records the focus requests it gets and can be given the focus flags.
class FocusProbe : public TestControl {
public:
    FocusProbe(const RCPtr<LControl>& parent, const String& name) : TestControl(parent, name) {}

    VQRESULT SetFocus(bool) override
    {
        ++focusRequests;
        return S_OK;
    }
    void MarkFocused() { m_hasFocus = true; }
    void MarkContainsFocus() { m_containsFocus = true; }

    int focusRequests = 0;
};

LayoutPosition Position(int32_t kind, float rel, double abs, const char16_t* name = u"", float anchor = 0)
{
    return {anchor, kind, String(name), rel, abs};
}

LayoutSize Size(int32_t kind, float rel, double abs, const char16_t* name = u"")
{
    return {kind, String(name), rel, abs};
}

LayoutSize Self(double abs)
{
    return {ReferenceSelf, String(), 0, abs};
}

LayoutLimit Limit(bool named, double abs, float rel = 0, const char16_t* name = u"")
{
    return {named, String(name), rel, abs};
}

LayoutPositionSpec PositionSpec(int32_t kind, float rel, double abs, bool docked = false, const char16_t* name = u"",
                                float anchor = 0)
{
    return {anchor, kind, String(name), rel, abs, docked};
}

LayoutSizeSpec SizeSpec(int32_t kind, float rel, double abs, const char16_t* name = u"")
{
    return {kind, String(name), rel, abs};
}

// A look whose client area is inset by the offsets (right and bottom negative), with or without a
// text rectangle.
RCPtr<LLook> MakeLook(int32_t left, int32_t top, int32_t right, int32_t bottom,
                      const LookTextProperties* text = nullptr)
{
    RGBAColor color;
    color.SetARGB(0xFF336699);
    const RCPtr<LColorizer> colorizer =
        LColorizer::Create(String(u"tint"), LColorizer::SolidFill, color, color, 0, 0, 1, 1);
    const RCPtr<LVisualPartDescriptor> part =
        LVisualPartDescriptor::CreateFromColorizer(String(u"solid"), colorizer, 4, 4, ResizeStretch, 1, ImageRef());
    DockRecord dock;
    dock.offsetFlags = DockRecord::AllGiven;
    dock.OffsetLeft = left;
    dock.OffsetTop = top;
    dock.OffsetRight = right;
    dock.OffsetBottom = bottom;
    RCPtr<LLookDescriptor> descriptor = LLookDescriptor::Create(String(u"look"));
    descriptor->SetClientPart(LDockedPart::Create(part, dock));
    if (text)
        descriptor->SetTextProperties(*text, nullptr);
    return LLook::Create(descriptor, false);
}

// The tooltip's text rectangle: inset by 2 on every side.
LookTextProperties InsetText()
{
    LookTextProperties text;
    text.TextLeftAbs = 2;
    text.TextRightRel = 1;
    text.TextRightAbs = -2;
    text.TextTopAbs = 2;
    text.TextBottomRel = 1;
    text.TextBottomAbs = -2;
    return text;
}

class Layout : public ::testing::Test {
protected:
    Layout()
    {
        measurer->advance = 3;
        measurer->lineHeight = 13;
        app.services.measurementRenderer = measurer;
        window = LRootWindow::Create(RCPtr<LRenderer>(), &os);
        app.services.rootWindows.push_back(window.Get());
        app.services.activeRootWindow = window.Get();
    }

    // A control whose layout is the one edit makes of a fresh descriptor's.
    template <class T = TestControl>
    RCPtr<T> Make(const RCPtr<LControl>& parent, const char16_t* name,
                  const std::function<void(LLayoutDescriptor&)>& edit = {})
    {
        RCPtr<T> control(new T(parent, String(name)));
        const RCPtr<LControlDescriptor> descriptor = MakeDescriptor(name);
        if (edit)
            edit(*descriptor->GetLayout());
        control->CreateFromDescriptor(descriptor);
        return control;
    }

    // A top-level control on the window that fills its client area.
    RCPtr<TestControl> MakeRoot()
    {
        RCPtr<TestControl> root = Make(nullptr, u"root", [](LLayoutDescriptor& l) {
            l.XPosition = Position(ReferenceClient, 0, 0);
            l.YPosition = Position(ReferenceClient, 0, 0);
            l.XSize = Size(ReferenceClient, 1, 0);
            l.YSize = Size(ReferenceClient, 1, 0);
        });
        root->AttachToRootWindow(window.Get());
        root->UpdateLayout();
        return root;
    }

    // A child of parent at the client origin with a size of its own.
    RCPtr<TestControl> MakeBox(const RCPtr<LControl>& parent, const char16_t* name, double width, double height)
    {
        RCPtr<TestControl> box = Make(parent, name, [&](LLayoutDescriptor& l) {
            l.XPosition = Position(ReferenceClient, 0, 0);
            l.YPosition = Position(ReferenceClient, 0, 0);
            l.XSize = Self(width);
            l.YSize = Self(height);
        });
        box->UpdateLayout();
        return box;
    }

    // A look with the text in the layout tests' font.
    RCPtr<LLook> MakeTextLook(const char16_t* text, const LookTextProperties& properties)
    {
        RCPtr<LLook> look = MakeLook(0, 0, 0, 0, &properties);
        look->SetFont(LFont::GetFont(String(u"Layout Test Sans"), 9, 0));
        look->SetText(String(text));
        return look;
    }

    bool DirtyRegionIsEmpty()
    {
        RectRegion region;
        window->TakeDirtyRegion(region);
        return region.GetCount() == 0;
    }

    ControlTestApplication app;
    FakeWindowOSServices os;
    RCPtr<test::FakeMeasurementRenderer> measurer{new test::FakeMeasurementRenderer()};
    RCPtr<LRootWindow> window;
};

TEST_F(Layout, KnobPanelChildrenFollowTheirReferences)
{
    const RCPtr<TestControl> root = MakeRoot();
    const RCPtr<TestControl> knob = Make(root, u"knob", [](LLayoutDescriptor& l) {
        l.XPosition = Position(ReferenceClient, 0, 0);
        l.YPosition = Position(ReferenceClient, 0, 0);
        l.XSize = Size(ReferenceClient, 0, 93);
        l.YSize = Self(151);
    });
    knob->UpdateLayout();
    ASSERT_EQ((Rect{0, 0, 93, 151}), knob->GetRect());

    struct Row {
        const char16_t* name;
        LayoutPosition x;
        LayoutPosition y;
        LayoutSize width;
        LayoutSize height;
        Rect expected;
    };
    const Row rows[] = {
        {u"ccLabel", Position(ReferenceClient, 0, 10), Position(ReferenceClient, 0, 88), Size(ReferenceClient, 0.4f, 0),
         Self(14), {10, 88, 27, 14}},
        {u"minLabel", Position(ReferencePositionNamed, 0, 0, u"ccLabel"),
         Position(ReferencePositionNamed, 1, 5, u"ccLabel"), Size(ReferenceSizeNamed, 1, 0, u"ccLabel"), Self(14),
         {10, 107, 27, 14}},
        {u"maxLabel", Position(ReferencePositionNamed, 0, 0, u"ccLabel"),
         Position(ReferencePositionNamed, 1, 5, u"minLabel"), Size(ReferenceSizeNamed, 1, 0, u"ccLabel"), Self(14),
         {10, 126, 27, 14}},
        {u"knobNameLabel", Position(ReferenceClient, 0.4f, 0), Position(ReferenceClient, 0.445f, 0), Self(64), Self(14),
         {37, 67, 64, 14}},
        {u"ccNumericUpDown", Position(ReferencePositionNamed, 1, 0, u"ccLabel"),
         Position(ReferencePositionNamed, 0, 0, u"ccLabel"), Size(ReferenceClient, 0.9f, 0),
         Size(ReferenceSizeNamed, 1, 0, u"ccLabel"), {37, 88, 47, 14}},
        {u"maxNumericUpDown", Position(ReferencePositionNamed, 0, 0, u"ccNumericUpDown"),
         Position(ReferencePositionNamed, 0, 0, u"maxLabel"), Size(ReferenceSizeNamed, 1, 0, u"ccNumericUpDown"),
         Size(ReferenceSizeNamed, 1, 0, u"maxLabel"), {37, 126, 47, 14}},
        {u"minNumericUpDown", Position(ReferencePositionNamed, 0, 0, u"ccNumericUpDown"),
         Position(ReferencePositionNamed, 0, 0, u"minLabel"), Size(ReferenceSizeNamed, 1, 0, u"ccNumericUpDown"),
         Size(ReferenceSizeNamed, 1, 0, u"minLabel"), {37, 107, 47, 14}},
    };
    std::vector<RCPtr<TestControl>> children;
    for (const Row& row : rows)
        children.push_back(Make(knob, row.name, [&row](LLayoutDescriptor& l) {
            l.XPosition = row.x;
            l.YPosition = row.y;
            l.XSize = row.width;
            l.YSize = row.height;
        }));

    // Laid out in LayoutOrder, each against the siblings before it...
    for (const RCPtr<TestControl>& child : children)
        child->UpdateLayout();
    for (size_t i = 0; i < children.size(); ++i)
        EXPECT_EQ(rows[i].expected, children[i]->GetRect()) << i;

    // ...and the same again when the panel's size change relays them out.
    knob->SetPlacement(0, PositionSpec(ReferenceClient, 0, 0), SizeSpec(ReferenceClient, 0, 50));
    knob->SetPlacement(0, PositionSpec(ReferenceClient, 0, 0), SizeSpec(ReferenceClient, 0, 93));
    for (size_t i = 0; i < children.size(); ++i)
        EXPECT_EQ(rows[i].expected, children[i]->GetRect()) << i;
}

TEST_F(Layout, TopLevelControlsMeasureAgainstWindowScreenAndPointer)
{
    // The dialog is laid out in the active window's client area before it has a window of its own.
    const RCPtr<TestControl> dialog = Make(nullptr, u"dialogAbout", [](LLayoutDescriptor& l) {
        l.XPosition = Position(ReferenceClient, 0.5f, 0, u"", 0.5f);
        l.YPosition = Position(ReferenceClient, 0.5f, 0, u"", 0.5f);
        l.XSize = Self(500);
        l.YSize = Self(200);
    });
    // Creation laid it out; a second pass finds nothing to change.
    EXPECT_EQ((Rect{350, 175, 500, 200}), dialog->GetRect());
    EXPECT_EQ(1, dialog->UpdateLayout());
    EXPECT_EQ((Rect{350, 175, 500, 200}), dialog->GetRect());
    EXPECT_TRUE(os.windowRects.empty());

    // "Screen" is the screen's origin in client coordinates, with the work area's size.
    app.services.workArea = {30, 40, 1600, 900};
    const RCPtr<TestControl> screen = Make(nullptr, u"screen", [](LLayoutDescriptor& l) {
        l.XPosition = Position(ReferenceParent, 0, 0);
        l.YPosition = Position(ReferenceParent, 1, -20);
        l.XSize = Size(ReferenceParent, 0.5f, 0);
        l.YSize = Self(20);
    });
    screen->UpdateLayout();
    EXPECT_EQ((Rect{-100, 830, 800, 20}), screen->GetRect());

    // Any name means the pointer, in client coordinates.
    app.services.screenCursorPos = {400, 300};
    const RCPtr<TestControl> popup = Make(nullptr, u"popup", [](LLayoutDescriptor& l) {
        l.XPosition = Position(ReferencePositionNamed, 0, 5, u"anything");
        l.YPosition = Position(ReferencePositionNamed, 0, 0, u"anything");
        l.XSize = Self(40);
        l.YSize = Size(ReferenceSizeNamed, 0, 100, u"anything");
    });
    popup->UpdateLayout();
    EXPECT_EQ((Rect{305, 250, 40, 100}), popup->GetRect());

    // Without an active window the first window serves.
    app.services.activeRootWindow = nullptr;
    dialog->SetPlacement(0, PositionSpec(ReferenceClient, 0.5f, 10, false, u"", 0.5f), SizeSpec(ReferenceSelf, 0, 500));
    EXPECT_EQ((Rect{360, 175, 500, 200}), dialog->GetRect());
}

TEST_F(Layout, TopLevelFailuresChangeNothing)
{
    // No layout yet.
    const RCPtr<TestControl> bare(new TestControl(nullptr, String(u"bare")));
    EXPECT_EQ(E_FAIL, bare->UpdateLayout());
    EXPECT_EQ((Rect{}), bare->GetRect());

    // A created top-level control without a window of its own.
    RCPtr<LControl> created;
    LControl::Create<TestControl>(created, nullptr, MakeDescriptor(u"created"));
    ASSERT_TRUE(created->IsCreated());
    const Rect before = created->GetRect();
    EXPECT_EQ(E_FAIL, created->UpdateLayout());
    EXPECT_EQ(before, created->GetRect());

    // Without a layout the computation needs a parent or a screen to refuse.
    Rect rect{1, 2, 3, 4};
    EXPECT_EQ(E_INVALIDARG, LControl::ComputeControlRect(nullptr, created.Get(), {}, {}, {}, rect));
    EXPECT_EQ(E_INVALIDARG, LControl::ComputeControlRect(nullptr, nullptr, {0, 0, 10, 10}, {}, {}, rect));
    rect = {1, 2, 3, 4};
    EXPECT_EQ(S_OK, LControl::ComputeControlRect(nullptr, nullptr, {0, 0, 10, 0}, {}, {}, rect));
    EXPECT_EQ((Rect{}), rect);

    // The window's resize entry ignores the size and reports success even when nothing happens.
    EXPECT_EQ(S_OK, static_cast<UITarget&>(*created).UpdateLayout(10, 10));

    // No window anywhere.
    app.services.activeRootWindow = nullptr;
    app.services.rootWindows.clear();
    const RCPtr<TestControl> orphan = Make(nullptr, u"orphan");
    EXPECT_EQ(E_FAIL, orphan->UpdateLayout());
    EXPECT_EQ((Rect{}), orphan->GetRect());
}

TEST_F(Layout, AnchorsAndFarEdgesPlaceTheControl)
{
    const RCPtr<TestControl> root = MakeRoot();
    const RCPtr<TestControl> host = MakeBox(root, u"host", 200, 100);
    struct Case {
        const char16_t* name;
        const char* what;
        LayoutPosition position;
        LayoutSize size;
        double x;
        double width;
    };
    const Case cases[] = {
        {u"c0", "right anchored", Position(ReferenceClient, 1, -10, u"", 1), Self(50), 140, 50},
        {u"c1", "anchor 0.5 keeps its point", Position(ReferenceClient, 0, 100, u"", 0.5f), Size(ReferenceClient, 0, 140), 60,
         80},
        {u"c2", "far edge at the position", Position(ReferenceClient, 1, 0), Size(ReferenceClient, 1, 0), 200, 0},
        {u"c3", "far edge before, anchor 0", Position(ReferenceClient, 0, 100), Size(ReferenceClient, 0, 40), 100, 0},
        {u"c4", "far edge before, anchor 1", Position(ReferenceClient, 0, 100, u"", 1), Size(ReferenceClient, 0, 40), 40, 60},
        {u"c5", "far edge after, anchor 1", Position(ReferenceClient, 0, 100, u"", 1), Size(ReferenceClient, 0, 140), 100, 0},
        {u"c6", "anchor outside 0..1", Position(ReferenceClient, 0, 100, u"", 1.5f), Size(ReferenceClient, 0, 40), 100, 0},
        {u"c7", "negative own size", Position(ReferenceClient, 0, 10), Self(-5), 10, 0},
        {u"c8", "unknown sibling", Position(ReferencePositionNamed, 1, 7, u"nobody"), Size(ReferenceSizeNamed, 1, 30, u"nobody"),
         7, 23},
    };
    for (const Case& c : cases) {
        const RCPtr<TestControl> child = Make(host, c.name, [&c](LLayoutDescriptor& l) {
            l.XPosition = c.position;
            l.XSize = c.size;
            l.YPosition = Position(ReferenceClient, 0, 0);
            l.YSize = Self(10);
        });
        child->UpdateLayout();
        EXPECT_EQ(c.x, child->GetRect().x) << c.what;
        EXPECT_EQ(c.width, child->GetRect().width) << c.what;
    }
}

// An anchor or a share read from a skin can be infinite; the rectangle stays finite and settles.
TEST_F(Layout, InfiniteLayoutValuesGiveAFiniteRectangleThatSettles)
{
    const RCPtr<TestControl> root = MakeRoot();
    const RCPtr<TestControl> host = MakeBox(root, u"host", 200, 100);
    const float infinity = std::numeric_limits<float>::infinity();
    struct Case {
        const char16_t* name;
        const char* what;
        LayoutPosition position;
        LayoutSize size;
    };
    const Case cases[] = {
        {u"i0", "infinite anchor", Position(ReferenceClient, 0, 10, u"", infinity), Self(50)},
        {u"i1", "infinite anchor, no size", Position(ReferenceClient, 0, 10, u"", infinity), Self(0)},
        {u"i2", "infinite position share", Position(ReferenceClient, infinity, 0), Self(50)},
        {u"i3", "infinite size share", Position(ReferenceClient, 0, 0), Size(ReferenceClient, infinity, 0)},
        {u"i4", "negative infinite share", Position(ReferenceClient, -infinity, 0), Size(ReferenceClient, -infinity, 0)},
        {u"i5", "beyond the coordinate limit", Position(ReferenceClient, 0, 1e300), Self(1e300)},
    };
    for (const Case& c : cases) {
        const RCPtr<TestControl> child = Make(host, c.name, [&c](LLayoutDescriptor& l) {
            l.XPosition = c.position;
            l.XSize = c.size;
            l.YPosition = Position(ReferenceClient, 0, 0);
            l.YSize = Self(10);
        });
        child->UpdateLayout();
        const Rect rect = child->GetRect();
        EXPECT_TRUE(std::isfinite(rect.x) && std::isfinite(rect.width)) << c.what;
        EXPECT_LE(std::fabs(rect.x), 4503599627370496.0) << c.what;
        EXPECT_LE(std::fabs(rect.width), 4503599627370496.0) << c.what;
        EXPECT_EQ(child->UpdateLayout(), 1) << c.what;
    }
}

TEST_F(Layout, ParentFrameIncludesTheParentsNonClientArea)
{
    const RCPtr<TestControl> root = MakeRoot();
    const RCPtr<TestControl> host = MakeBox(root, u"host", 200, 100);
    host->AddLook(MakeLook(5, 4, -15, -6));
    host->SelectLook(0);
    host->SetPlacement(0, PositionSpec(ReferenceClient, 0, 0), SizeSpec(ReferenceSelf, 0, 201));
    ASSERT_EQ((Rect{5, 4, 181, 90}), host->GetLookClientRect(-1));

    // The outer rectangle, in client coordinates, and the client area.
    const RCPtr<TestControl> outer = Make(host, u"outer", [](LLayoutDescriptor& l) {
        l.XPosition = Position(ReferenceParent, 0, 0);
        l.YPosition = Position(ReferenceParent, 0, 0);
        l.XSize = Size(ReferenceParent, 1, 0);
        l.YSize = Size(ReferenceParent, 1, 0);
    });
    outer->UpdateLayout();
    EXPECT_EQ((Rect{-5, -4, 201, 100}), outer->GetRect());
    const RCPtr<TestControl> inner = Make(host, u"inner", [](LLayoutDescriptor& l) {
        l.XSize = Size(ReferenceClient, 1, 0);
        l.YSize = Size(ReferenceClient, 1, 0);
    });
    inner->UpdateLayout();
    EXPECT_EQ((Rect{0, 0, 181, 90}), inner->GetRect());
}

TEST_F(Layout, DockedAxesKeepTheirPlaceWhileTheParentScrolls)
{
    const RCPtr<TestControl> root = MakeRoot();
    const RCPtr<TestControl> view = MakeBox(root, u"view", 200, 100);
    view->ScrollOffset() = {0, 30};
    const RCPtr<TestControl> docked = Make(view, u"docked", [](LLayoutDescriptor& l) {
        l.YIsDocked = true;
        l.XPosition = Position(ReferenceClient, 0, 0);
        l.YPosition = Position(ReferenceClient, 0, 10);
        l.XSize = Self(50);
        l.YSize = Self(20);
    });
    docked->UpdateLayout();
    EXPECT_EQ((Rect{0, 40, 50, 20}), docked->GetRect());

    // A sibling that refers to it sees it unscrolled; a plain one is not moved.
    const RCPtr<TestControl> below = Make(view, u"below", [](LLayoutDescriptor& l) {
        l.XPosition = Position(ReferenceClient, 0, 0);
        l.YPosition = Position(ReferencePositionNamed, 1, 0, u"docked");
        l.XSize = Self(50);
        l.YSize = Size(ReferenceSizeNamed, 1, 0, u"docked");
    });
    below->UpdateLayout();
    EXPECT_EQ((Rect{0, 30, 50, 0}), below->GetRect());
    below->SetPlacement(1, PositionSpec(ReferencePositionNamed, 1, 0, false, u"docked"), SizeSpec(ReferenceSelf, 0, 5));
    EXPECT_EQ((Rect{0, 30, 50, 5}), below->GetRect());
}

TEST_F(Layout, NormalizeFlipsNegativeSizesAndSnapsEdgesDown)
{
    Rect flipped{50, 0, -20, 10};
    flipped.Normalize();
    EXPECT_EQ((Rect{30, 0, 20, 10}), flipped);
    Rect fractional{10.5, 0, 27.2, 14};
    fractional.Normalize();
    EXPECT_EQ((Rect{10, 0, 27, 14}), fractional);

    // UpdateLayout normalises what it computes.
    const RCPtr<TestControl> root = MakeRoot();
    const RCPtr<TestControl> child = Make(root, u"child", [](LLayoutDescriptor& l) {
        l.XPosition = Position(ReferenceClient, 0, 10.5);
        l.YPosition = Position(ReferenceClient, 0, 0);
        l.XSize = Self(27.2);
        l.YSize = Self(14);
    });
    child->UpdateLayout();
    EXPECT_EQ((Rect{10, 0, 27, 14}), child->GetRect());
}

TEST_F(Layout, ExpandingTextGrowsTheTooltip)
{
    const RCPtr<TestControl> root = MakeRoot();
    const RCPtr<TestControl> tooltip = Make(root, u"toolTip", [](LLayoutDescriptor& l) {
        l.XSize = Self(0);
        l.YSize = Self(0);
        l.TextOverflowXType = 1;
        l.TextOverflowYType = 1;
    });
    tooltip->AddLook(MakeTextLook(u"abcdefghi abcdefghi", InsetText()));
    tooltip->SelectLook(0);
    ASSERT_EQ(57, tooltip->GetLook(-1)->GetTextBlock()->GetTextWidth());

    tooltip->UpdateLayout();
    EXPECT_EQ((Rect{0, 0, 61, 17}), tooltip->GetRect());
    EXPECT_FALSE(tooltip->GetLook(-1)->GetTextBlock()->GetWrap());

    // A "Self" maximum stops the width; the text wraps and the height follows the wrapped lines.
    tooltip->SetSizeLimits(0, SizeSpec(0, 0, 0), SizeSpec(0, 0, 40));
    EXPECT_EQ((Rect{0, 0, 40, 30}), tooltip->GetRect());
    EXPECT_TRUE(tooltip->GetLook(-1)->GetTextBlock()->GetWrap());
    EXPECT_EQ((PointT<double>{40, 0}), tooltip->GetMaxSize());
}

TEST_F(Layout, TextThatCannotGrowWithTheControlAddsNothing)
{
    // Equal relative edges: the text rectangle keeps its size whatever the control's.
    LookTextProperties fixed;
    fixed.TextLeftAbs = 2;
    fixed.TextRightAbs = 20;
    fixed.TextTopAbs = 0;
    fixed.TextBottomAbs = 5;
    const RCPtr<TestControl> root = MakeRoot();
    const RCPtr<TestControl> label = Make(root, u"label", [](LLayoutDescriptor& l) {
        l.XSize = Self(12);
        l.YSize = Self(3);
        l.XMinSize = Limit(false, 8);
        l.TextOverflowXType = 1;
        l.TextOverflowYType = 1;
    });
    label->AddLook(MakeTextLook(u"abcdefghi abcdefghi", fixed));
    label->SelectLook(0);
    // Laid out at creation without the look; the text changes nothing.
    EXPECT_EQ(1, label->UpdateLayout());
    EXPECT_EQ((Rect{0, 0, 12, 3}), label->GetRect());

    // Wrap and Clip do not grow the control either.
    const RCPtr<TestControl> clipped = Make(root, u"clipped", [](LLayoutDescriptor& l) {
        l.XSize = Self(5);
        l.YSize = Self(5);
        l.TextOverflowXType = 2;
    });
    clipped->AddLook(MakeTextLook(u"abcdefghi abcdefghi", InsetText()));
    clipped->SelectLook(0);
    clipped->UpdateLayout();
    EXPECT_EQ((Rect{0, 0, 5, 5}), clipped->GetRect());
}

TEST_F(Layout, ANewTextGrowsALabelOnlyWhereTheTextMayExpandIt)
{
    const RCPtr<TestControl> root = MakeRoot();
    auto makeLabel = [&](const char16_t* name, int32_t overflowX) {
        const RCPtr<TestControl> label = Make(root, name, [&](LLayoutDescriptor& l) {
            l.XSize = Self(0);
            l.YSize = Self(17);
            l.TextOverflowXType = overflowX;
        });
        label->AddLook(MakeTextLook(u"", InsetText()));
        label->SelectLook(0);
        label->UpdateLayout();
        return label;
    };
    const RCPtr<TestControl> expanding = makeLabel(u"expanding", 1);
    const RCPtr<TestControl> clipping = makeLabel(u"clipping", 0);

    // 19 characters of 3 pixels and the inset of 2 on both sides.
    EXPECT_EQ(S_OK, expanding->SetText(String(u"abcdefghi abcdefghi")));
    EXPECT_EQ(61, expanding->GetRect().width);
    EXPECT_EQ(S_OK, expanding->SetText(String(u"abcdefghi abcdefghi abc")));
    EXPECT_EQ(73, expanding->GetRect().width);

    EXPECT_EQ(S_OK, clipping->SetText(String(u"abcdefghi abcdefghi")));
    EXPECT_EQ(0, clipping->GetRect().width);
}

// SetText relays out only when on some axis a "Self" minimum meets a text overflow other than Clip.
// The probe: the layout is edited behind the control's back, so only a new layout pass moves it.
TEST_F(Layout, SetTextRelaysOutOnlyWhereTheTextCanSizeTheControl)
{
    struct Case {
        const char16_t* name;
        int32_t overflowX;
        bool namedMinX;
        int32_t overflowY;
        bool namedMinY;
        bool relayout;
    };
    const Case cases[] = {
        {u"clipBoth", 0, false, 0, false, false},  {u"expandX", 1, false, 0, false, true},
        {u"wrapX", 2, false, 0, false, true},      {u"expandY", 0, false, 1, false, true},
        {u"namedMinX", 1, true, 0, false, false},  {u"namedMinY", 0, false, 1, true, false},
        {u"namedXExpandY", 1, true, 1, false, true},
    };
    const RCPtr<TestControl> root = MakeRoot();
    for (const Case& c : cases) {
        const RCPtr<TestControl> control = Make(root, c.name, [&](LLayoutDescriptor& l) {
            l.XSize = Self(10);
            l.YSize = Self(10);
            l.TextOverflowXType = c.overflowX;
            l.TextOverflowYType = c.overflowY;
            l.XMinSize = Limit(c.namedMinX, 0, 0, c.namedMinX ? u"Children" : u"");
            l.YMinSize = Limit(c.namedMinY, 0, 0, c.namedMinY ? u"Children" : u"");
        });
        ASSERT_EQ((Rect{0, 0, 10, 10}), control->GetRect()) << std::string(String(c.name).ToUTF8());
        control->GetLayout()->XSize = Self(30);

        // Without the request no text change relays out.
        EXPECT_TRUE(control->SetText(String(u"first"), false));
        EXPECT_EQ(10, control->GetRect().width) << std::string(String(c.name).ToUTF8());

        EXPECT_EQ(S_OK, control->SetText(String(u"second")));
        EXPECT_EQ(c.relayout ? 30 : 10, control->GetRect().width) << std::string(String(c.name).ToUTF8());
    }
}

TEST_F(Layout, AnEqualFontChangesNothingAnotherRelaysOut)
{
    const RCPtr<TestControl> root = MakeRoot();
    const RCPtr<TestControl> control = MakeBox(root, u"box", 10, 10);
    ASSERT_EQ(S_OK, control->ApplyFont(LFont::GetFont(String(u"Layout Test Sans"), 9, 0)));
    control->GetLayout()->XSize = Self(30);
    DirtyRegionIsEmpty();

    // The same name, size and style: no new font, no layout, no redraw.
    EXPECT_EQ(1, control->ApplyFont(LFont::GetFont(String(u"Layout Test Sans"), 9, 0)));
    EXPECT_EQ(10, control->GetRect().width);
    EXPECT_TRUE(DirtyRegionIsEmpty());

    EXPECT_EQ(S_OK, control->ApplyFont(LFont::GetFont(String(u"Layout Test Sans"), 10, 0)));
    EXPECT_EQ(30, control->GetRect().width);
    EXPECT_FALSE(DirtyRegionIsEmpty());
}

TEST_F(Layout, SelfLimitsMoveByTheAnchorsShare)
{
    const RCPtr<TestControl> root = MakeRoot();
    // Centred on x = 100: a minimum grows it around that point, a maximum shrinks it around it.
    const RCPtr<TestControl> control = Make(root, u"control", [](LLayoutDescriptor& l) {
        l.XPosition = Position(ReferenceClient, 0, 100, u"", 0.5f);
        l.XSize = Self(300);
        l.YSize = Self(10);
        l.XMaxSize = Limit(false, 0);
    });
    control->UpdateLayout();
    EXPECT_EQ((Rect{-50, 0, 300, 10}), control->GetRect()) << "Abs 0 is no maximum";
    EXPECT_EQ((PointT<double>{0, 0}), control->GetMaxSize());

    EXPECT_FALSE(control->SetSizeLimits(0, SizeSpec(0, 0, 0), SizeSpec(0, 0, 120)));
    EXPECT_EQ((Rect{40, 0, 120, 10}), control->GetRect());
    EXPECT_FALSE(control->SetSizeLimits(0, SizeSpec(0, 0, 400), SizeSpec(0, 0, 0)));
    EXPECT_EQ((Rect{-100, 0, 400, 10}), control->GetRect());
    // The Rel of a "Self" minimum does not count.
    EXPECT_FALSE(control->SetSizeLimits(1, SizeSpec(0, 5, 30), SizeSpec(0, 0, 0)));
    EXPECT_EQ((Rect{-100, 0, 400, 30}), control->GetRect());

    PointT<double> position{0, 0};
    PointT<double> size{400, 30};
    EXPECT_EQ(0, control->ApplyMinSize(position, size));
    size = {10, 30};
    EXPECT_EQ(1, control->ApplyMinSize(position, size));
    EXPECT_EQ((PointT<double>{400, 30}), size);
}

TEST_F(Layout, ChildrenMinimumCoversTheChildrenAndAddsTheFrameOnce)
{
    const RCPtr<TestControl> root = MakeRoot();
    const RCPtr<TestControl> panel = Make(root, u"panel", [](LLayoutDescriptor& l) {
        l.XPosition = Position(ReferenceClient, 0, 10);
        l.YPosition = Position(ReferenceClient, 0, 10);
        l.XSize = Self(10);
        l.YSize = Self(10);
        l.XMinSize = Limit(true, 0, 1, u"Children");
        l.YMinSize = Limit(true, 0, 1, u"Children");
    });
    // Without children the rule does nothing.
    panel->UpdateLayout();
    EXPECT_EQ((Rect{10, 10, 10, 10}), panel->GetRect());

    // A frame of 2 + 3 across and 1 + 4 down.
    panel->AddLook(MakeLook(2, 1, -3, -4));
    panel->SelectLook(0);
    const RCPtr<TestControl> first = MakeBox(panel, u"first", 30, 20);
    // Only the extent counts: the first child's offset does not widen the box.
    first->SetPlacement(0, PositionSpec(ReferenceClient, 0, 5), SizeSpec(ReferenceSelf, 0, 30));
    const RCPtr<TestControl> second = Make(panel, u"second", [](LLayoutDescriptor& l) {
        l.XPosition = Position(ReferenceClient, 0, 20);
        l.YPosition = Position(ReferenceClient, 0, 10);
        l.XSize = Self(40);
        l.YSize = Self(30);
    });
    second->UpdateLayout();
    // Box: x 5..60, y 0..40.
    EXPECT_EQ((Rect{10, 10, 55 + 5, 40 + 5}), panel->GetRect());
    EXPECT_EQ(1, panel->UpdateLayout());

    // A later child that does not clip is left out; the first counts whatever its clipping.
    second->SetClipToParent(false);
    panel->UpdateLayout();
    EXPECT_EQ((Rect{10, 10, 30 + 5, 20 + 5}), panel->GetRect());
    first->SetClipToParent(false);
    panel->UpdateLayout();
    EXPECT_EQ((Rect{10, 10, 30 + 5, 20 + 5}), panel->GetRect());
}

TEST_F(Layout, ChildrenBoxCorrectsDockedChildrenAfterTheFirst)
{
    // Two children 10 high in a panel scrolled by 30: one at y 0, one docked at y 10 (stored as 40).
    struct Case {
        const char* what;
        bool firstDocked;
        double extent;
    };
    const Case cases[] = {
        // The docked second child lies at 40 - 30 - 30 = -20, the first at -30: -30..-10.
        {"docked second child", false, 20},
        // The first child is taken without the correction: 40 - 30 = 10, the second at -30: -30..20.
        {"docked first child", true, 50},
    };
    const RCPtr<TestControl> root = MakeRoot();
    for (const Case& c : cases) {
        const RCPtr<TestControl> panel = MakeBox(root, c.firstDocked ? u"panelB" : u"panelA", 50, 0);
        panel->ScrollOffset() = {0, 30};
        const auto at = [](double y, bool docked) {
            return [y, docked](LLayoutDescriptor& l) {
                l.YIsDocked = docked;
                l.YPosition = Position(ReferenceClient, 0, y);
                l.XSize = Self(10);
                l.YSize = Self(10);
            };
        };
        const RCPtr<TestControl> first = Make(panel, u"first", at(c.firstDocked ? 10 : 0, c.firstDocked));
        first->UpdateLayout();
        const RCPtr<TestControl> second = Make(panel, u"second", at(c.firstDocked ? 0 : 10, !c.firstDocked));
        second->UpdateLayout();
        panel->SetSizeLimits(1, SizeSpec(1, 1, 0, u"Children"), SizeSpec(0, 0, 0));
        EXPECT_EQ(c.extent, panel->GetRect().height) << c.what;
    }
}

TEST_F(Layout, NamedMinimumNeedsAnAnchorThatCanReachTheEdge)
{
    const RCPtr<TestControl> root = MakeRoot();
    const RCPtr<TestControl> panel = MakeBox(root, u"panel", 10, 10);
    const RCPtr<TestControl> kid = MakeBox(panel, u"kid", 20, 10);
    kid->SetPlacement(0, PositionSpec(ReferenceClient, 0, 10), SizeSpec(ReferenceSelf, 0, 20));
    panel->SetSizeLimits(0, SizeSpec(1, 1, 0, u"kid"), SizeSpec(0, 0, 0));
    // Covers the child: far edge 10 + 20.
    EXPECT_EQ((Rect{0, 0, 30, 10}), panel->GetRect());

    struct Case {
        float anchor;
        double abs;
        double p;
        double s;
        VQRESULT result;
        double expectedP;
        double expectedS;
    };
    const Case cases[] = {
        {1, 0, 0, 0, E_FAIL, 0, 0},      // far edge after the control, anchor 1
        {0.5f, 0, 0, 0, 1, -30, 60},     // grows both ways around the anchor
        {0, -50, 100, 10, E_FAIL, 100, 10}, // far edge before the position, anchor 0
        {0.5f, -50, 100, 10, 1, 80, 50}, // far 80: the start moves there, the size grows by 20 / 0.5
        {0, 0, 0, 100, 0, 0, 100},       // already covered
    };
    for (const Case& c : cases) {
        panel->GetLayout()->XPosition.anchor = c.anchor;
        panel->GetLayout()->XMinSize.abs = c.abs;
        PointT<double> position{c.p, 0};
        PointT<double> size{c.s, 10};
        EXPECT_EQ(c.result, panel->ApplyMinSize(position, size)) << c.anchor << " " << c.abs;
        EXPECT_EQ(c.expectedP, position.x) << c.anchor << " " << c.abs;
        EXPECT_EQ(c.expectedS, size.x) << c.anchor << " " << c.abs;
    }

    // A name that is neither a child nor "Children" does nothing.
    panel->GetLayout()->XMinSize.name = String(u"nobody");
    PointT<double> position{0, 0};
    PointT<double> size{0, 0};
    EXPECT_EQ(0, panel->ApplyMinSize(position, size));
    EXPECT_EQ((PointT<double>{0, 0}), size);
}

TEST_F(Layout, ChildrenMaximumShrinksToTheChildrenUnlessTheFirstIsDockedOnBothAxes)
{
    const RCPtr<TestControl> root = MakeRoot();
    const RCPtr<TestControl> panel = Make(root, u"panel", [](LLayoutDescriptor& l) {
        l.XSize = Self(500);
        l.YSize = Self(300);
        l.XMaxSize = Limit(true, 0, 1, u"Children");
    });
    panel->UpdateLayout();
    EXPECT_EQ((Rect{0, 0, 500, 300}), panel->GetRect()) << "no children";

    const RCPtr<TestControl> first = MakeBox(panel, u"first", 100, 50);
    const RCPtr<TestControl> second = Make(panel, u"second", [](LLayoutDescriptor& l) {
        l.XPosition = Position(ReferenceClient, 0, 50);
        l.XSize = Self(150);
        l.YSize = Self(20);
        l.ClipToParent = false;
    });
    second->UpdateLayout();
    // Every child counts, clipped or not: x 0..200.
    EXPECT_EQ((Rect{0, 0, 200, 300}), panel->GetRect());

    // With a frame the maximum adds it.
    panel->AddLook(MakeLook(3, 0, -7, 0));
    panel->SelectLook(0);
    panel->UpdateLayout();
    EXPECT_EQ((Rect{0, 0, 210, 300}), panel->GetRect());

    // A first child docked on both axes turns the rule off.
    first->SetPlacementXY(PositionSpec(ReferenceClient, 0, 0, true), SizeSpec(ReferenceSelf, 0, 100),
                          PositionSpec(ReferenceClient, 0, 0, true), SizeSpec(ReferenceSelf, 0, 50));
    panel->UpdateLayout();
    EXPECT_EQ((Rect{0, 0, 500, 300}), panel->GetRect());
    EXPECT_EQ((PointT<double>{0, 0}), panel->GetMaxSize());
}

TEST_F(Layout, SizeChangesReachChildrenLaterSiblingsAndTheParent)
{
    const RCPtr<TestControl> root = MakeRoot();
    // The parent grows with its children.
    const RCPtr<TestControl> row = Make(root, u"row", [](LLayoutDescriptor& l) {
        l.XSize = Self(0);
        l.YSize = Self(20);
        l.XMinSize = Limit(true, 0, 1, u"Children");
    });
    row->UpdateLayout();
    const RCPtr<TestControl> a = MakeBox(row, u"a", 30, 20);
    const RCPtr<TestControl> fill = Make(a, u"fill", [](LLayoutDescriptor& l) {
        l.XSize = Size(ReferenceClient, 1, 0);
        l.YSize = Size(ReferenceClient, 1, 0);
    });
    fill->UpdateLayout();
    const RCPtr<TestControl> b = Make(row, u"b", [](LLayoutDescriptor& l) {
        l.XPosition = Position(ReferencePositionNamed, 1, 5, u"a");
        l.XSize = Self(40);
        l.YSize = Self(20);
    });
    b->UpdateLayout();
    EXPECT_EQ((Rect{35, 0, 40, 20}), b->GetRect());
    EXPECT_EQ((Rect{0, 0, 75, 20}), row->GetRect());
    EXPECT_EQ((Rect{0, 0, 30, 20}), fill->GetRect());

    EXPECT_FALSE(a->SetPlacement(0, PositionSpec(ReferenceClient, 0, 0), SizeSpec(ReferenceSelf, 0, 60)));
    EXPECT_EQ((Rect{0, 0, 60, 20}), fill->GetRect()) << "children";
    EXPECT_EQ((Rect{65, 0, 40, 20}), b->GetRect()) << "later sibling";
    EXPECT_EQ((Rect{0, 0, 105, 20}), row->GetRect()) << "parent";
    EXPECT_FALSE(a->IsLayoutSuspended());

    // A pure move relays out the later sibling but not the children.
    fill->GetLayout()->XSize = Self(10);
    a->SetPlacement(0, PositionSpec(ReferenceClient, 0, 10), SizeSpec(ReferenceSelf, 0, 60));
    EXPECT_EQ((Rect{0, 0, 60, 20}), fill->GetRect());
    EXPECT_EQ((Rect{75, 0, 40, 20}), b->GetRect());
}

TEST_F(Layout, TopLevelSizeMovesTheWindowAndSecondLayoutChangesNothing)
{
    const RCPtr<TestControl> root = MakeRoot();
    EXPECT_TRUE(os.windowRects.empty()) << "the window already covers the control";

    root->SetPlacementXY(PositionSpec(ReferenceClient, 0, 0), SizeSpec(ReferenceSelf, 0, 800),
                         PositionSpec(ReferenceClient, 0, 0), SizeSpec(ReferenceSelf, 0, 400));
    ASSERT_FALSE(os.windowRects.empty());
    EXPECT_EQ((RectT<int32_t>{100, 50, 800, 400}), os.windowRects.back());

    const RCPtr<TestControl> child = MakeBox(root, u"child", 30, 20);
    EXPECT_FALSE(DirtyRegionIsEmpty()) << "a change invalidates";
    EXPECT_EQ(1, child->UpdateLayout());
    EXPECT_EQ(1, root->UpdateLayout());
    EXPECT_TRUE(DirtyRegionIsEmpty());
    EXPECT_EQ(1, child->SetRect({0, 0}, {30, 20}));
}

TEST_F(Layout, ShrinkingToNothingHandsTheFocusToTheParent)
{
    const RCPtr<TestControl> root = MakeRoot();
    const RCPtr<FocusProbe> parent = Make<FocusProbe>(root, u"parent", [](LLayoutDescriptor& l) {
        l.XSize = Self(100);
        l.YSize = Self(100);
    });
    parent->UpdateLayout();
    const RCPtr<FocusProbe> focused = Make<FocusProbe>(parent, u"focused", [](LLayoutDescriptor& l) {
        l.XSize = Self(10);
        l.YSize = Self(10);
    });
    focused->UpdateLayout();
    focused->MarkFocused();
    focused->SetPlacement(1, PositionSpec(ReferenceClient, 0, 0), SizeSpec(ReferenceSelf, 0, 5));
    EXPECT_EQ(0, parent->focusRequests) << "still visible";
    focused->SetPlacement(1, PositionSpec(ReferenceClient, 0, 0), SizeSpec(ReferenceSelf, 0, 0));
    EXPECT_EQ(1, parent->focusRequests);

    const RCPtr<FocusProbe> container = Make<FocusProbe>(parent, u"container", [](LLayoutDescriptor& l) {
        l.XSize = Self(10);
        l.YSize = Self(10);
    });
    container->UpdateLayout();
    container->MarkContainsFocus();
    container->SetPlacement(0, PositionSpec(ReferenceClient, 0, 0), SizeSpec(ReferenceSelf, 0, 0));
    EXPECT_EQ(2, parent->focusRequests);
}

TEST_F(Layout, SettersReportRecordsThatDidNotStick)
{
    const RCPtr<TestControl> root = MakeRoot();
    const RCPtr<TestControl> parent = MakeBox(root, u"parent", 100, 100);
    const RCPtr<TestControl> child = MakeBox(parent, u"child", 10, 10);

    // Normal operation: stored, laid out, false.
    EXPECT_FALSE(child->SetPlacement(0, PositionSpec(ReferenceClient, 0, 7), SizeSpec(ReferenceSelf, 0, 12)));
    EXPECT_EQ((Rect{7, 0, 12, 10}), child->GetRect());

    // A bad axis stores nothing but still lays out.
    child->GetLayout()->YSize.abs = 33;
    EXPECT_TRUE(child->SetPlacement(2, PositionSpec(ReferenceClient, 0, 50), SizeSpec(ReferenceSelf, 0, 50)));
    EXPECT_TRUE(child->SetSizeLimits(-1, SizeSpec(0, 0, 50), SizeSpec(0, 0, 60)));
    EXPECT_EQ((Rect{7, 0, 12, 33}), child->GetRect());

    // A changed docked flag marks the parent's orders for sorting again; an unchanged one does not.
    const int32_t count = parent->GetChildren().GetModificationCount();
    child->SetPlacement(0, PositionSpec(ReferenceClient, 0, 7), SizeSpec(ReferenceSelf, 0, 12));
    EXPECT_EQ(count, parent->GetChildren().GetModificationCount());
    child->SetPlacement(0, PositionSpec(ReferenceClient, 0, 7, true), SizeSpec(ReferenceSelf, 0, 12));
    EXPECT_EQ(count + 1, parent->GetChildren().GetModificationCount());
    child->SetPlacementXY(PositionSpec(ReferenceClient, 0, 7, false), SizeSpec(ReferenceSelf, 0, 12),
                          PositionSpec(ReferenceClient, 0, 0, true), SizeSpec(ReferenceSelf, 0, 33));
    EXPECT_EQ(count + 2, parent->GetChildren().GetModificationCount());

    // Records the descriptor cannot hold as given read back differently.
    EXPECT_TRUE(child->SetPlacement(0, PositionSpec(ReferenceClient, 0, std::nan("")), SizeSpec(ReferenceSelf, 0, 1)));
    EXPECT_FALSE(child->SetSizeLimits(0, SizeSpec(1, 1, 0, u"Children"), SizeSpec(0, 0, 0)));

    // Without a layout nothing can be stored.
    const RCPtr<TestControl> bare(new TestControl(nullptr, String(u"bare")));
    EXPECT_TRUE(bare->SetPlacement(0, PositionSpec(ReferenceClient, 0, 0), SizeSpec(ReferenceSelf, 0, 1)));
    EXPECT_TRUE(bare->SetSizeLimits(0, SizeSpec(0, 0, 0), SizeSpec(0, 0, 0)));
}

TEST_F(Layout, NaturalSizeIsWhatTheMinimumRulesAloneGive)
{
    const RCPtr<TestControl> root = MakeRoot();
    const RCPtr<TestControl> label = Make(root, u"label", [](LLayoutDescriptor& l) {
        l.XSize = Size(ReferenceClient, 1, 0);
        l.YSize = Size(ReferenceClient, 0.5f, 0);
        l.YMinSize = Limit(false, 9);
        l.TextOverflowXType = 1;
        l.TextOverflowYType = 1;
    });
    label->AddLook(MakeTextLook(u"abcdefghi abcdefghi", InsetText()));
    label->SelectLook(0);
    label->UpdateLayout();
    EXPECT_EQ((Rect{0, 0, 1200, 275}), label->GetRect());

    EXPECT_EQ((PointT<double>{61, 17}), label->GetNaturalSize());
    // The records are back and so is the rectangle.
    EXPECT_EQ(ReferenceClient, label->GetLayout()->XSize.kind);
    EXPECT_EQ(0.5f, label->GetLayout()->YSize.rel);
    EXPECT_EQ((Rect{0, 0, 1200, 275}), label->GetRect());

    const RCPtr<TestControl> bare(new TestControl(nullptr, String(u"bare")));
    EXPECT_EQ((PointT<double>{0, 0}), bare->GetNaturalSize());
}

TEST_F(Layout, PositionsConvertThroughScrollAndClientOrigins)
{
    const RCPtr<TestControl> root = MakeRoot();
    const RCPtr<TestControl> outer = MakeBox(root, u"outer", 300, 300);
    outer->AddLook(MakeLook(4, 6, 0, 0));
    outer->SelectLook(0);
    // Moving it sizes the new look too.
    outer->SetPlacement(0, PositionSpec(ReferenceClient, 0, 20), SizeSpec(ReferenceSelf, 0, 300));
    ASSERT_EQ((Rect{4, 6, 296, 294}), outer->GetLookClientRect(-1));
    outer->ScrollOffset() = {10, 25};
    const RCPtr<TestControl> inner = MakeBox(outer, u"inner", 50, 50);
    inner->SetPlacement(1, PositionSpec(ReferenceClient, 0, 40), SizeSpec(ReferenceSelf, 0, 50));
    const RCPtr<TestControl> other = MakeBox(root, u"other", 10, 10);
    other->SetPlacement(0, PositionSpec(ReferenceClient, 0, 100.4), SizeSpec(ReferenceSelf, 0, 10));

    EXPECT_EQ((PointT<double>{0 - 10 + 4, 40 - 25 + 6}), inner->GetPositionInParent());
    EXPECT_EQ((PointT<double>{20, 0}), outer->GetPositionInParent());
    EXPECT_EQ((PointT<double>{20 - 10 + 4, 40 - 25 + 6}), inner->GetPositionInWindow());
    EXPECT_EQ((PointT<double>{0, 0}), root->GetPositionInWindow());

    // other lies at x 100 after normalising; inner at (14, 21).
    PointT<double> point{1.5, 2};
    inner->MapPointFrom(other, point);
    EXPECT_EQ((PointT<double>{1.5 + 100 - 14, 2 - 21}), point);
    other->MapPointFrom(inner, point);
    EXPECT_EQ((PointT<double>{1.5, 2}), point);
    inner->MapPointFrom(RCPtr<LControl>(), point);
    EXPECT_EQ((PointT<double>{1.5, 2}), point);
}

TEST(LayoutDescriptor, PlacementAndLimitsTravelPerAxis)
{
    const RCPtr<LLayoutDescriptor> layout = LLayoutDescriptor::Create();
    LayoutPositionSpec position;
    LayoutSizeSpec size;
    ASSERT_EQ(S_OK, layout->GetPlacement(1, position, size));
    EXPECT_EQ(ReferenceClient, position.kind);
    EXPECT_EQ(ReferenceSelf, size.kind);
    EXPECT_EQ(40.0, size.abs);

    const LayoutPositionSpec x = PositionSpec(ReferencePositionNamed, 0.5f, 3, true, u"left", 0.25f);
    const LayoutSizeSpec width = SizeSpec(ReferenceSizeNamed, 1, -2, u"left");
    EXPECT_EQ(S_OK, layout->SetPlacement(0, x, width));
    EXPECT_TRUE(layout->XIsDocked);
    EXPECT_FALSE(layout->YIsDocked);
    ASSERT_EQ(S_OK, layout->GetPlacement(0, position, size));
    EXPECT_EQ(x, position);
    EXPECT_EQ(width, size);
    EXPECT_EQ(String(u"left"), position.name);

    EXPECT_EQ(E_INVALIDARG, layout->SetPlacement(2, PositionSpec(0, 0, 9), SizeSpec(0, 0, 9)));
    EXPECT_EQ(E_INVALIDARG, layout->GetPlacement(-1, position, size));
    EXPECT_EQ(x, position) << "nothing read";
    EXPECT_EQ(E_INVALIDARG, layout->SetSizeLimits(2, SizeSpec(1, 0, 0), SizeSpec(1, 0, 0)));
    EXPECT_FALSE(layout->XMinSize.named);

    const LayoutSizeSpec minimum = SizeSpec(1, 1, 4, u"Children");
    const LayoutSizeSpec maximum = SizeSpec(0, 0, 90);
    EXPECT_EQ(S_OK, layout->SetSizeLimits(1, minimum, maximum));
    EXPECT_TRUE(layout->YMinSize.named);
    LayoutSizeSpec lowOut;
    LayoutSizeSpec highOut;
    ASSERT_EQ(S_OK, layout->GetSizeLimits(1, lowOut, highOut));
    EXPECT_TRUE(lowOut.EqualsAsLimit(minimum));
    EXPECT_TRUE(highOut.EqualsAsLimit(maximum));
    EXPECT_EQ(1, lowOut.kind);
    EXPECT_EQ(E_INVALIDARG, layout->GetSizeLimits(5, lowOut, highOut));

    // A clone is independent.
    const RCPtr<LLayoutDescriptor> copy = layout->Clone();
    copy->XPosition.abs = 99;
    EXPECT_EQ(3, layout->XPosition.abs);
    EXPECT_EQ(90, copy->YMaxSize.abs);
}

TEST(LayoutDescriptor, NamesCountOnlyForNamedRecords)
{
    struct PositionCase {
        LayoutPositionSpec a;
        LayoutPositionSpec b;
        bool equal;
    };
    const PositionCase positions[] = {
        {PositionSpec(ReferenceClient, 0, 1, false, u"x"), PositionSpec(ReferenceClient, 0, 1, false, u"y"), true},
        {PositionSpec(ReferencePositionNamed, 0, 1, false, u"x"), PositionSpec(ReferencePositionNamed, 0, 1, false, u"y"),
         false},
        {PositionSpec(ReferencePositionNamed, 0, 1, false, u"x"), PositionSpec(ReferencePositionNamed, 0, 1, false, u"X"),
         false},
        {PositionSpec(ReferenceClient, 0, 1, false), PositionSpec(ReferenceClient, 0, 1, true), false},
        {PositionSpec(ReferenceClient, 0, 1, false, u"", 0), PositionSpec(ReferenceClient, 0, 1, false, u"", 1), false},
        {PositionSpec(ReferenceClient, 0.5f, 1), PositionSpec(ReferenceClient, 0.25f, 1), false},
        {PositionSpec(ReferenceClient, 0, 1), PositionSpec(ReferenceParent, 0, 1), false},
    };
    for (const PositionCase& c : positions)
        EXPECT_EQ(c.equal, c.a == c.b) << c.a.kind << " " << c.a.abs;

    struct SizeCase {
        LayoutSizeSpec a;
        LayoutSizeSpec b;
        bool equal;
        bool equalAsLimit;
    };
    const SizeCase sizes[] = {
        {SizeSpec(ReferenceSelf, 0, 5, u"x"), SizeSpec(ReferenceSelf, 0, 5, u"y"), true, false},
        {SizeSpec(ReferenceSizeNamed, 0, 5, u"x"), SizeSpec(ReferenceSizeNamed, 0, 5, u"y"), false, false},
        {SizeSpec(0, 0, 5, u"x"), SizeSpec(0, 0, 5, u"y"), true, true},
        {SizeSpec(1, 0, 5, u"x"), SizeSpec(1, 0, 5, u"x"), true, true},
        {SizeSpec(1, 0, 5, u"x"), SizeSpec(1, 0, 6, u"x"), false, false},
        {SizeSpec(1, 0.5f, 5), SizeSpec(1, 0.25f, 5), false, false},
        {SizeSpec(0, 0, 5), SizeSpec(1, 0, 5), false, false},
    };
    for (const SizeCase& c : sizes) {
        EXPECT_EQ(c.equal, c.a == c.b) << c.a.kind << " " << c.a.abs;
        EXPECT_EQ(c.equalAsLimit, c.a.EqualsAsLimit(c.b)) << c.a.kind << " " << c.a.abs;
    }
}

TEST(LayoutDescriptor, RenameReferenceTouchesPositionsAndSizesOnly)
{
    const RCPtr<LLayoutDescriptor> layout = LLayoutDescriptor::Create();
    layout->XPosition.name = String(u"old");
    layout->YSize.name = String(u"old");
    layout->YPosition.name = String(u"Old");
    layout->XMinSize.name = String(u"old");
    layout->YMaxSize.name = String(u"old");

    EXPECT_EQ(S_OK, layout->RenameReference(String(u"old"), String(u"new")));
    EXPECT_EQ(String(u"new"), layout->XPosition.name);
    EXPECT_EQ(String(u"new"), layout->YSize.name);
    EXPECT_EQ(String(u"Old"), layout->YPosition.name);
    EXPECT_EQ(String(u""), layout->XSize.name);
    EXPECT_EQ(String(u"old"), layout->XMinSize.name);
    EXPECT_EQ(String(u"old"), layout->YMaxSize.name);
    EXPECT_EQ(1, layout->RenameReference(String(u"old"), String(u"new")));
}

} // namespace
} // namespace VQ::Testing
