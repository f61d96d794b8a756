// Looks: the layout of client and non-client rectangles, drawing clipped per dirty rectangle and by
// the look's clip region, the image part, the text lines, the colour under a point, looks whose
// parts have no visual part, and one look drawn through the Cairo back end.
#include "vqframework/controlbase/Look.h"

#include "FakeMeasurementRenderer.h"
#include "LookTestSupport.h"
#include "tests/vqframework/application/FakeApplicationServices.h"
#include "tests/vqframework/renderer/GDIRendererTestSupport.h"
#include "vqframework/objectbase/Exception.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace VQ {
namespace {

using test::CoordPixel;
using test::DrawCall;
using test::Dock;
using test::DrawRecorder;
using test::MakeBitmap;
using test::Solid;
using test::Text;

constexpr uint32_t NoColor = 0x00FFFFFF;
constexpr uint32_t Red = 0xFFFF0000;
constexpr uint32_t Blue = 0xFF0000FF;
constexpr uint32_t Green = 0xFF00FF00;

RCPtr<LVisualPartDescriptor> SolidPart(uint32_t argb, int32_t width = 5, int32_t height = 4,
                                       ResizeType resizeType = ResizeStretch)
{
    return LVisualPartDescriptor::CreateFromColorizer(Text("solid"), Solid(argb), width, height, resizeType, 1,
                                                      ImageRef());
}

RCPtr<LVisualPartDescriptor> MissingImagePart()
{
    ImageRef image;
    image.file = Text((std::filesystem::temp_directory_path() / "vq-no-such-image.png").string().c_str());
    image.width = 5;
    image.height = 4;
    return LVisualPartDescriptor::CreateFromImage(Text("lost"), image, ResizeStretch, nullptr, 1, ImageRef());
}

RCPtr<LDockedPart> Client(const RCPtr<LVisualPartDescriptor>& part, int32_t left, int32_t top, int32_t right,
                          int32_t bottom)
{
    return Dock(part, DockRecord::AllGiven, left, top, right, bottom);
}

RectT<double> D(double x, double y, double width, double height)
{
    return {x, y, width, height};
}

// A 100 x 50 look: a blue client area inset by (1, 1, -5, -6) and a red strip of 4 along the bottom.
RCPtr<LLookDescriptor> FramedLook()
{
    RCPtr<LLookDescriptor> descriptor = LLookDescriptor::Create(Text("framed"));
    descriptor->SetClientPart(Client(SolidPart(Blue), 1, 1, -5, -6));
    descriptor->AddNonClientPart(Dock(SolidPart(Red), DockRecord::LeftGiven | DockRecord::RightGiven |
                                                          DockRecord::BottomGiven,
                                      0, 0, 0, 0, 0, 4));
    return descriptor;
}

// Draws with the look's origin at (10, 20) of the window, as a control inside a window would.
class LookDrawing : public testing::Test {
protected:
    void SetUp() override
    {
        renderer->RenderStart(context);
        renderer->PushClip(D(10, 20, 150, 80), D(10, 20, 150, 80), nullptr, true);
    }
    void TearDown() override
    {
        EXPECT_EQ(1u, renderer->Depth()) << "every push popped";
        renderer->PopState();
        renderer->RenderFinish(context);
    }

    // Dirty rectangles in window coordinates.
    static void Dirty(RectRegion& region, std::initializer_list<RectT<int32_t>> rects)
    {
        for (const RectT<int32_t>& r : rects)
            region.AddRect(r.x, r.y, r.x + r.width, r.y + r.height);
    }

    RCPtr<DrawRecorder> renderer = DrawRecorder::Create();
    RCPtr<LRecordingContext> context = LRecordingContext::Create();
};

TEST(LookLayout, ClientRectangleIsTheOffsetsClampedToTheLook)
{
    struct Case {
        int32_t left, top, right, bottom;
        RectT<int32_t> expected;
    };
    const Case cases[] = {
        {1, 1, -5, -6, {1, 1, 94, 43}},
        {1, 1, 20, 0, {1, 1, 99, 49}}, // an OffsetRight beyond the width gives W - x, never more
        {150, -3, 0, -60, {100, 0, 0, 0}},
        {10, 10, -95, -45, {10, 10, 0, 0}},
    };
    for (const Case& c : cases) {
        RCPtr<LLookDescriptor> descriptor = LLookDescriptor::Create(Text("look"));
        descriptor->SetClientPart(Client(SolidPart(Blue), c.left, c.top, c.right, c.bottom));
        RCPtr<LLook> look = LLook::Create(descriptor, false);
        EXPECT_TRUE(look->SetSize(100, 50));
        EXPECT_EQ(c.expected, look->GetClientRect()) << c.left << " " << c.top << " " << c.right << " " << c.bottom;
    }
}

TEST(LookLayout, NonClientRectanglesDockToTheGivenEdgesAndCentreOnTheOthers)
{
    using F = DockRecord;
    struct Case {
        int32_t flags, left, top, right, bottom, width, height;
        RectT<int32_t> expected;
    };
    const Case cases[] = {
        {F::LeftGiven | F::TopGiven | F::RightGiven, 0, 0, -5, 0, 0, 1, {0, 0, 95, 1}},
        {F::TopGiven | F::RightGiven, 0, 0, 0, 0, 0, 0, {95, 0, 5, 4}},
        {0, 0, 0, 0, 0, 0, 0, {47, 23, 5, 4}},
        {0, 0, 0, 0, 0, 8, 7, {46, 21, 8, 7}},
        {F::LeftGiven | F::BottomGiven, 2, 0, 0, -3, 0, 0, {2, 43, 5, 4}},
        {F::AllGiven, 3, 4, -3, -4, 0, 0, {3, 4, 94, 42}},
    };
    for (const Case& c : cases) {
        RCPtr<LLookDescriptor> descriptor = LLookDescriptor::Create(Text("look"));
        descriptor->AddNonClientPart(
            Dock(SolidPart(Red, 5, 4), c.flags, c.left, c.top, c.right, c.bottom, c.width, c.height));
        RCPtr<LLook> look = LLook::Create(descriptor, false);
        look->SetSize(100, 50);
        ASSERT_EQ(1u, look->GetNonClientCount());
        EXPECT_EQ(c.expected, look->GetNonClientRect(0)) << "flags " << c.flags;
        EXPECT_TRUE(look->GetNonClientPart(0));
    }
}

TEST(LookLayout, UnchangedSizeReturnsTrueAndRebindingLaysOutAgain)
{
    RCPtr<LLook> look = LLook::Create(FramedLook(), false);
    EXPECT_EQ((RectT<int32_t>{}), look->GetClientRect()) << "a new look is laid out at 0 x 0";
    EXPECT_TRUE(look->SetSize(100, 50));
    EXPECT_TRUE(look->SetSize(100, 50));
    EXPECT_EQ((RectT<int32_t>{1, 1, 94, 43}), look->GetClientRect());
    EXPECT_EQ((RectT<int32_t>{0, 46, 100, 4}), look->GetNonClientRect(0));

    // Bound to another descriptor at the same size, the look follows it at once.
    RCPtr<LLookDescriptor> other = LLookDescriptor::Create(Text("other"));
    other->SetClientPart(Client(SolidPart(Green), 2, 2, -2, -2));
    EXPECT_EQ(S_OK, look->Initialize(other, false));
    EXPECT_EQ(100, look->GetWidth());
    EXPECT_EQ((RectT<int32_t>{2, 2, 96, 46}), look->GetClientRect());
    EXPECT_EQ(0u, look->GetNonClientCount());
    EXPECT_EQ(0xFF00FF00u, look->GetColorAtPoint(50, 25));

    EXPECT_EQ(E_INVALIDARG, look->Initialize(nullptr, false));
    EXPECT_EQ(other.Get(), look->GetDescriptor().Get());
    EXPECT_FALSE(LLook::Create(nullptr, false));
}

TEST(LookLayout, ALookReboundAtNoSizeKeepsNothingOfTheFormerDescriptor)
{
    // B docks two parts, where the framed look had one, and gives the client area other offsets.
    RCPtr<LLookDescriptor> b = LLookDescriptor::Create(Text("b"));
    b->SetClientPart(Client(SolidPart(Green), 3, 3, -3, -3));
    b->AddNonClientPart(Dock(SolidPart(Blue, 6, 2), DockRecord::TopGiven, 0, 1, 0, 0));
    b->AddNonClientPart(Dock(SolidPart(Green, 2, 8), DockRecord::LeftGiven, 1, 0, 0, 0));
    const RCPtr<LLook> fresh = LLook::Create(b, false);

    for (bool everSized : {true, false}) {
        SCOPED_TRACE(everSized ? "sized and back to 0 x 0" : "never sized");
        RCPtr<LLook> look = LLook::Create(FramedLook(), false);
        if (everSized) {
            look->SetSize(100, 50);
            look->SetSize(0, 0);
        }
        ASSERT_EQ(S_OK, look->Initialize(b, false));
        EXPECT_EQ(fresh->GetClientRect(), look->GetClientRect());
        EXPECT_EQ(b->GetClientPart()->GetVisualPart().Get(), look->GetClientPart().Get());
        ASSERT_EQ(2u, look->GetNonClientCount());
        for (uint32_t i = 0; i < 2; ++i) {
            EXPECT_EQ(fresh->GetNonClientRect(i), look->GetNonClientRect(i)) << i;
            EXPECT_EQ(b->GetNonClientParts().GetAt(i)->GetVisualPart().Get(), look->GetNonClientPart(i).Get()) << i;
        }
        // Laid out for B, whose top part sits one pixel down and is centred across.
        EXPECT_EQ((RectT<int32_t>{-3, 1, 6, 2}), look->GetNonClientRect(0));
    }
}

TEST(LookLayout, NullNonClientPartsAreRefusedAndLaidOutAsNothing)
{
    RCPtr<LLookDescriptor> descriptor = FramedLook();
    EXPECT_EQ(E_INVALIDARG, descriptor->AddNonClientPart(nullptr));
    ASSERT_EQ(1u, descriptor->GetNonClientParts().GetCount());

    // One that reaches the list anyway, as a list filled some other way could hold.
    auto& parts = const_cast<RCPtrArray<LDockedPart>&>(descriptor->GetNonClientParts());
    parts.InsertAt(0, RCPtr<LDockedPart>());
    RCPtr<LLook> look = LLook::Create(descriptor, false);
    look->SetSize(100, 50);
    ASSERT_EQ(2u, look->GetNonClientCount());
    EXPECT_EQ((RectT<int32_t>{}), look->GetNonClientRect(0));
    EXPECT_FALSE(look->GetNonClientPart(0));
    EXPECT_EQ((RectT<int32_t>{0, 46, 100, 4}), look->GetNonClientRect(1));
    EXPECT_EQ(Red, look->GetColorAtPoint(0, 47));

    RCPtr<DrawRecorder> renderer = DrawRecorder::Create();
    RCPtr<LRecordingContext> context = LRecordingContext::Create();
    renderer->RenderStart(context);
    RectRegion dirty;
    dirty.AddRect(0, 0, 100, 50);
    EXPECT_EQ(S_OK, look->DrawNonClientParts(renderer, dirty));
    renderer->RenderFinish(context);
    EXPECT_EQ(1u, renderer->calls.size());
}

TEST(LookLayout, TheLooksOwnClipRegionSetAgainStaysAsItWas)
{
    RCPtr<LLook> look = LLook::Create(FramedLook(), false);
    look->GetClipRegion().AddRect(0, 0, 10, 10);
    look->GetClipRegion().AddRect(20, 0, 30, 5);
    look->SetClipRegion(look->GetClipRegion());
    Array<RectT<int32_t>> rects;
    look->GetClipRegion().GetRects(rects);
    EXPECT_THAT(std::vector<RectT<int32_t>>(rects.begin(), rects.end()),
                ::testing::UnorderedElementsAre(RectT<int32_t>{0, 0, 10, 10}, RectT<int32_t>{20, 0, 10, 5}));
}

TEST_F(LookDrawing, NonClientPartsDrawOncePerDirtyRectangleTheyMeet)
{
    RCPtr<LLook> look = LLook::Create(FramedLook(), false);
    look->SetSize(100, 50);
    RectRegion dirty;
    // In look coordinates (0, 46, 20, 4), (50, 40, 10, 8) and (0, 0, 30, 10): the last misses the strip.
    Dirty(dirty, {{10, 66, 20, 4}, {60, 60, 10, 8}, {10, 20, 30, 10}});
    EXPECT_EQ(S_OK, look->DrawNonClientParts(renderer, dirty));

    ASSERT_EQ(2u, renderer->calls.size());
    std::vector<RectT<double>> clips;
    for (const DrawCall& call : renderer->calls) {
        EXPECT_EQ("fill", call.what);
        EXPECT_EQ((RectT<int32_t>{0, 0, 100, 4}), call.rect);
        EXPECT_EQ((PointT<double>{10, 66}), call.origin) << "drawn at the part's corner";
        clips.push_back(call.clip);
    }
    EXPECT_THAT(clips, ::testing::UnorderedElementsAre(D(0, 0, 20, 4), D(50, 0, 10, 2)));
}

TEST_F(LookDrawing, DirtyRectanglesThatMissAndTheLooksClipRegionRestrictDrawing)
{
    RCPtr<LLook> look = LLook::Create(FramedLook(), false);
    look->SetSize(100, 50);
    RectRegion missing;
    Dirty(missing, {{200, 200, 10, 10}});
    look->DrawNonClientParts(renderer, missing);
    look->DrawClientPart(renderer, missing);
    EXPECT_TRUE(renderer->calls.empty());

    RectRegion clipRegion;
    clipRegion.AddRect(0, 46, 5, 50);
    clipRegion.AddRect(90, 0, 100, 10);
    look->SetClipRegion(clipRegion);
    RectRegion dirty;
    Dirty(dirty, {{10, 66, 20, 4}, {60, 60, 10, 8}});
    look->DrawNonClientParts(renderer, dirty);
    look->DrawClientPart(renderer, dirty);
    ASSERT_EQ(1u, renderer->calls.size()) << "only the strip's corner is both dirty and in the clip region";
    EXPECT_EQ(D(0, 0, 5, 4), renderer->calls[0].clip);

    // The client corner of the clip region is not dirty: drawing it needs it in the dirty region.
    renderer->calls.clear();
    RectRegion corner;
    Dirty(corner, {{95, 20, 20, 20}});
    look->DrawClientPart(renderer, corner);
    ASSERT_EQ(1u, renderer->calls.size());
    EXPECT_EQ((PointT<double>{11, 21}), renderer->calls[0].origin);
    EXPECT_EQ(D(89, 0, 5, 9), renderer->calls[0].clip);
}

TEST_F(LookDrawing, TheRenderersClipSkipsPiecesItHides)
{
    RCPtr<LLook> look = LLook::Create(FramedLook(), false);
    look->SetSize(100, 50);
    renderer->PushClip(D(0, 0, 100, 50), D(0, 0, 100, 20), nullptr, true);
    RectRegion dirty;
    Dirty(dirty, {{10, 20, 100, 50}});
    look->DrawNonClientParts(renderer, dirty);
    EXPECT_TRUE(renderer->calls.empty()) << "the strip lies below the renderer's clip";
    look->DrawClientPart(renderer, dirty);
    EXPECT_EQ(1u, renderer->calls.size());
    renderer->PopState();
}

TEST_F(LookDrawing, AnImagePartDrawsOverTheClientPartOrReplacesIt)
{
    RCPtr<LLook> look = LLook::Create(FramedLook(), false);
    look->SetSize(100, 50);
    RectRegion dirty;
    Dirty(dirty, {{0, 0, 300, 300}});
    const RCPtr<LBitmap> image = MakeBitmap(3, 3, CoordPixel);

    struct Case {
        bool replace;
        std::vector<std::string> calls;
    };
    for (const Case& c : {Case{false, {"fill", "bitmap"}}, Case{true, {"bitmap"}}}) {
        renderer->calls.clear();
        EXPECT_FALSE(look->SetImage(image, ResizeCenter, c.replace));
        EXPECT_EQ(S_OK, look->DrawClientPart(renderer, dirty));
        std::vector<std::string> drawn;
        for (const DrawCall& call : renderer->calls) {
            drawn.push_back(call.what);
            EXPECT_EQ((RectT<int32_t>{0, 0, 94, 43}), call.rect);
            EXPECT_EQ((PointT<double>{11, 21}), call.origin);
        }
        EXPECT_EQ(c.calls, drawn) << "replace " << c.replace;
    }
    EXPECT_EQ(ResizeCenter, renderer->calls[0].resizeType);

    EXPECT_FALSE(look->SetImage(nullptr, ResizeStretch, false)) << "removing the image is a change";
    EXPECT_TRUE(look->SetImage(nullptr, ResizeStretch, false)) << "nothing to remove";
    EXPECT_FALSE(look->GetImagePart());
}

TEST(LookColor, NonClientPartsFirstThenTheImageThenTheClientPart)
{
    RCPtr<LLookDescriptor> descriptor = FramedLook();
    // A transparent part over the left edge lets what lies below show.
    descriptor->AddNonClientPart(
        Dock(SolidPart(0x00FF00FF), DockRecord::LeftGiven | DockRecord::TopGiven | DockRecord::BottomGiven, 0, 0, 0,
             0, 10, 0));
    RCPtr<LLook> look = LLook::Create(descriptor, false);
    look->SetSize(100, 50);

    EXPECT_EQ(Red, look->GetColorAtPoint(50, 48));
    EXPECT_EQ(Red, look->GetColorAtPoint(5, 47)) << "the first opaque part wins";
    EXPECT_EQ(Blue, look->GetColorAtPoint(5, 20)) << "through the transparent part";
    EXPECT_EQ(Blue, look->GetColorAtPoint(1, 1));
    for (auto [x, y] : {std::pair{0, 0}, {97, 20}, {50, 45}, {-1, 48}, {100, 48}})
        EXPECT_EQ(NoColor, look->GetColorAtPoint(x, y)) << x << ", " << y;

    // An image the size of the client area, opaque on its left half only.
    look->SetImage(MakeBitmap(94, 43, [](int32_t x, int32_t) { return x < 47 ? Green : 0u; }), ResizeStretch,
                   false);
    EXPECT_EQ(Green, look->GetColorAtPoint(20, 20));
    EXPECT_EQ(Blue, look->GetColorAtPoint(70, 20)) << "the client part below the image's transparent half";
    EXPECT_EQ(Red, look->GetColorAtPoint(20, 48));
}

TEST_F(LookDrawing, PartsWithoutAVisualPartAreSkippedAndReadTransparent)
{
    RCPtr<LLookDescriptor> descriptor = LLookDescriptor::Create(Text("broken"));
    descriptor->SetClientPart(Client(MissingImagePart(), 0, 0, 0, 0));
    descriptor->AddNonClientPart(Dock(MissingImagePart(), 0, 0, 0, 0, 0));
    descriptor->AddNonClientPart(Dock(SolidPart(Red), DockRecord::LeftGiven | DockRecord::TopGiven, 0, 0, 0, 0));
    RCPtr<LLook> look = LLook::Create(descriptor, false);
    EXPECT_TRUE(look->SetSize(100, 50));
    EXPECT_FALSE(look->GetClientPart());
    EXPECT_FALSE(look->GetNonClientPart(0));
    EXPECT_EQ((RectT<int32_t>{47, 23, 5, 4}), look->GetNonClientRect(0)) << "laid out from the descriptor's size";

    RectRegion dirty;
    Dirty(dirty, {{0, 0, 300, 300}});
    EXPECT_EQ(S_OK, look->DrawNonClientParts(renderer, dirty));
    EXPECT_EQ(S_OK, look->DrawClientPart(renderer, dirty));
    ASSERT_EQ(1u, renderer->calls.size()) << "only the part that has a visual part";
    EXPECT_EQ(Red, look->GetColorAtPoint(1, 1));
    EXPECT_EQ(NoColor, look->GetColorAtPoint(49, 25));
    EXPECT_EQ(NoColor, look->GetColorAtPoint(60, 30));
}

TEST_F(LookDrawing, ALookWithoutClientPartDrawsOnlyItsImageOverTheWholeLook)
{
    RCPtr<LLookDescriptor> descriptor = LLookDescriptor::Create(Text("bare"));
    RCPtr<LLook> look = LLook::Create(descriptor, false);
    EXPECT_TRUE(look->SetSize(40, 30));
    RectRegion dirty;
    Dirty(dirty, {{0, 0, 300, 300}});
    EXPECT_EQ(S_OK, look->DrawNonClientParts(renderer, dirty));
    EXPECT_EQ(S_OK, look->DrawClientPart(renderer, dirty));
    EXPECT_TRUE(renderer->calls.empty());
    EXPECT_EQ(NoColor, look->GetColorAtPoint(5, 5));

    look->SetImage(MakeBitmap(2, 2, CoordPixel), ResizeTile, false);
    look->DrawClientPart(renderer, dirty);
    ASSERT_EQ(1u, renderer->calls.size());
    EXPECT_EQ((RectT<int32_t>{0, 0, 40, 30}), renderer->calls[0].rect);
    EXPECT_EQ(CoordPixel(1, 0), look->GetColorAtPoint(5, 4));
}

// Text.

LookTextProperties WholeLookText()
{
    LookTextProperties text;
    text.TextLeftAbs = 3;
    text.TextTopAbs = 2;
    text.TextRightRel = 1;
    text.TextBottomRel = 1;
    return text;
}

TEST(LookText, WithoutTextPropertiesThereIsNoTextBlockAndTheSettersReportNoChange)
{
    RCPtr<LLook> look = LLook::Create(FramedLook(), false);
    EXPECT_FALSE(look->GetTextBlock());
    EXPECT_TRUE(look->SetText(Text("ignored")));
    EXPECT_TRUE(look->SetFont(LFont::GetFont(Text("Sans"), 10, 0)));
    RCPtr<DrawRecorder> renderer = DrawRecorder::Create();
    RectRegion dirty;
    dirty.AddRect(0, 0, 100, 50);
    EXPECT_EQ(1, look->DrawLabelText(renderer, dirty, 0, 0));
}

TEST(LookText, TheTextBlockTakesTheWrapFlagAlignmentsAndTextRectangle)
{
    RCPtr<LLookDescriptor> descriptor = FramedLook();
    LookTextProperties text = WholeLookText();
    text.TextHAlign = 0.5f;
    text.TextVAlign = 1;
    text.TextLeftRel = 0.25f;
    text.TextTopRel = 0.1f;
    descriptor->SetTextProperties(text, SolidPart(0xFF000000));
    RCPtr<LLook> look = LLook::Create(descriptor, true);
    ASSERT_TRUE(look->GetTextBlock());
    EXPECT_TRUE(look->GetTextPart());
    look->SetSize(101, 51);
    const RCPtr<LFontText>& block = look->GetTextBlock();
    EXPECT_TRUE(block->GetWrap());
    EXPECT_EQ(0.5f, block->GetHorizontalAlignment());
    EXPECT_EQ(1.0f, block->GetVerticalAlignment());
    // Left 3 + 25.25, top 2 + 5.1: the origin truncated, the size rounded.
    EXPECT_EQ((PointT<int32_t>{28, 7}), look->GetTextOrigin());
    EXPECT_EQ(73, block->GetWidth());
    EXPECT_EQ(44, block->GetHeight());

    EXPECT_TRUE(look->SetText(Text("label")));
    EXPECT_FALSE(look->SetText(Text("label")));
    const RCPtr<LFont> font = LFont::GetFont(Text("Sans"), 10, 0);
    EXPECT_TRUE(look->SetFont(font));
    EXPECT_FALSE(look->SetFont(font));
}

TEST_F(LookDrawing, TextIsDrawnLineByLineInTheTextPartsColour)
{
    test::FakeApplicationServices app;
    // Lines measured as 6 pixels per character, 10 high.
    RCPtr<test::FakeMeasurementRenderer> measure(new test::FakeMeasurementRenderer());
    measure->advance = 6;
    measure->height = 10;
    measure->lineHeight = 10;
    measure->ascent = -8;
    measure->descent = 2;
    app.measurementRenderer = measure;
    RCPtr<LLookDescriptor> descriptor = FramedLook();
    LookTextProperties properties = WholeLookText();
    properties.TextHAlign = 0.5f;
    properties.TextVAlign = 0.5f;
    RCPtr<LVisualPartDescriptor> ink =
        LVisualPartDescriptor::CreateFromColorizer(Text("ink"), Solid(0x80102030), 1, 1, ResizeStretch, 0.5f,
                                                   ImageRef());
    descriptor->SetTextProperties(properties, ink);
    RCPtr<LLook> look = LLook::Create(descriptor, false);
    look->SetSize(100, 50);
    look->SetFont(LFont::GetFont(Text("Sans"), 10, 0));
    look->SetText(Text("one\nthree"));

    RectRegion dirty;
    Dirty(dirty, {{0, 0, 300, 300}});
    EXPECT_EQ(S_OK, look->DrawLabelText(renderer, dirty, 1.5, -2.5));

    const RCPtr<LFontText>& block = look->GetTextBlock();
    ASSERT_EQ(2, block->GetLineCount());
    ASSERT_EQ(2u, renderer->calls.size());
    const char* lines[] = {"one", "three"};
    for (int32_t i = 0; i < 2; ++i) {
        const DrawCall& call = renderer->calls[size_t(i)];
        const RectT<float> rect = block->GetLineRect(i);
        EXPECT_EQ("string", call.what);
        EXPECT_EQ(lines[i], call.text);
        EXPECT_EQ((PointT<double>{rect.x - 1.5, rect.y + 2.5}.Round()), call.position) << lines[i];
        EXPECT_EQ(0x40102030u, call.color.ToARGB()) << "the colour of the text part's pixels";
        EXPECT_EQ((PointT<double>{13, 22}), call.origin) << "at the text origin";
        EXPECT_EQ(D(0, 0, 97, 48), call.clip);
    }

    // A dirty rectangle outside the text rectangle draws nothing.
    renderer->calls.clear();
    RectRegion above;
    Dirty(above, {{10, 20, 100, 2}});
    EXPECT_EQ(S_OK, look->DrawLabelText(renderer, above, 0, 0));
    EXPECT_TRUE(renderer->calls.empty());
}

TEST_F(LookDrawing, ATextPartWithABitmapIsNotSupported)
{
    RCPtr<LLookDescriptor> descriptor = FramedLook();
    ImageRef image;
    image.file = Text(TEST_IMAGE_FILE);
    image.width = 4;
    image.height = 4;
    descriptor->SetTextProperties(WholeLookText(), LVisualPartDescriptor::CreateFromImage(
                                                       Text("ink"), image, ResizeStretch, nullptr, 1, ImageRef()));
    RCPtr<LLook> look = LLook::Create(descriptor, false);
    look->SetSize(100, 50);
    ASSERT_TRUE(look->GetTextPart());

    RectRegion dirty;
    Dirty(dirty, {{0, 0, 300, 300}});
    try {
        look->DrawLabelText(renderer, dirty, 0, 0);
        ADD_FAILURE() << "no exception";
    } catch (const Exception<std::domain_error>& e) {
        EXPECT_THAT(e.what(), ::testing::MatchesRegex(
                                  "Domain Error : Bitmap fill for text foreground part not yet implemented\\. : "
                                  "VQ::LLook::DrawLabelText : .*Look\\.cpp : Line [0-9]+"));
    }
    EXPECT_TRUE(renderer->calls.empty());
}

TEST(LookText, AGradientTextPartFailsWhenTheLookIsBound)
{
    // A gradient part is made into a bitmap, and gradient bitmaps are not made yet: the look cannot
    // be bound, so drawing never meets a gradient text part.
    RCPtr<LLookDescriptor> descriptor = FramedLook();
    RCPtr<LColorizer> gradient = LColorizer::Create(Text("ramp"), LColorizer::LinearGradient, test::ColorOf(Red),
                                                    test::ColorOf(Blue), 0, 0, 1, 0);
    descriptor->SetTextProperties(WholeLookText(), LVisualPartDescriptor::CreateFromColorizer(
                                                       Text("ink"), gradient, 4, 4, ResizeStretch, 1, ImageRef()));
    try {
        LLook::Create(descriptor, false);
        ADD_FAILURE() << "no exception";
    } catch (const Exception<std::domain_error>& e) {
        EXPECT_THAT(e.what(), ::testing::MatchesRegex(
                                  "Domain Error : VQ::LBitmap::CreateGradientFilledBitmap : .*Bitmap\\.cpp : Line [0-9]+"));
    }
    RCPtr<LLook> look = LLook::Create(FramedLook(), false);
    EXPECT_THROW(look->Initialize(descriptor, false), Exception<std::domain_error>) << "nor rebound";
}

// The Cairo-drawn back end: a look at (5, 5) of a 60 x 40 surface.
using LookPixels = GDIRendererTest;

TEST_F(LookPixels, ClientAreaAndStripReachTheSurface)
{
    RCPtr<LLookDescriptor> descriptor = LLookDescriptor::Create(Text("pixels"));
    descriptor->SetClientPart(Client(SolidPart(Blue), 0, 4, 0, 0));
    descriptor->AddNonClientPart(
        Dock(SolidPart(Red), DockRecord::LeftGiven | DockRecord::TopGiven | DockRecord::RightGiven, 0, 0, 0, 0, 0, 4));
    RCPtr<LLook> look = LLook::Create(descriptor, false);
    look->SetSize(40, 30);

    RCPtr<LRenderContextInfo> context = MakeContext(60, 40);
    Start(context);
    renderer->PushClip(D(5, 5, 40, 30), D(5, 5, 40, 30), nullptr, true);
    EXPECT_EQ(S_OK, look->DrawNonClientParts(renderer, context->GetRegion()));
    EXPECT_EQ(S_OK, look->DrawClientPart(renderer, context->GetRegion()));
    renderer->PopState();
    ExpectPixels(context, [](int32_t x, int32_t y) -> uint32_t {
        if (x < 5 || y < 5 || x >= 45 || y >= 35)
            return 0;
        return y < 9 ? Red : Blue;
    });
    renderer->RenderFinish(context);
}

} // namespace
} // namespace VQ
