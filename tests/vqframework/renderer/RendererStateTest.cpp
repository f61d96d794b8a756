#include "RecordingRenderer.h"

#include "vqframework/objectbase/Exception.h"
#include "vqframework/renderer/Renderer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>

namespace VQ {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::MatchesRegex;

const char* const FlavorMessage = "Runtime Error : Unknown PushClip flavor : VQ::CAutoClip::CAutoClip : "
                                  "vqframework/renderer/Renderer\\.cpp : Line [0-9]+";

void ExpectSameState(const RenderState& expected, const RenderState& actual)
{
    EXPECT_EQ(expected.offset, actual.offset);
    EXPECT_EQ(expected.clip, actual.clip);
    EXPECT_EQ(expected.opacity, actual.opacity);
    EXPECT_EQ(expected.stencilSet, actual.stencilSet);
    EXPECT_EQ(expected.stencil.Get(), actual.stencil.Get());
}

// A frame on one context, its origin and clip moved off the fresh values so that restoring them
// means something.
class RendererState : public ::testing::Test {
protected:
    void SetUp() override
    {
        renderer->RenderStart(context);
        renderer->Translate({100, 50});
        renderer->SetClipRect({0, 0, 300, 200});
        State().opacity = 0.5f;
        renderer->hooks.clear();
    }

    RenderState& State() { return context->GetState(); }
    size_t SavedCount() { return context->GetSavedStates().size(); }

    RCPtr<LRecordingRenderer> renderer = LRecordingRenderer::Create();
    RCPtr<LRecordingContext> context = LRecordingContext::Create();
};

TEST_F(RendererState, PopStateWithNothingSavedChangesNothing)
{
    const RenderState before = State();
    renderer->PopState();
    ExpectSameState(before, State());
    EXPECT_THAT(renderer->hooks, IsEmpty());
}

TEST_F(RendererState, PushTranslationOutsideEverySavedStateChangesNothing)
{
    const RenderState before = State();
    renderer->PushTranslation({7, 8});
    ExpectSameState(before, State());
    EXPECT_EQ(0u, SavedCount());
    EXPECT_THAT(renderer->hooks, IsEmpty());
}

TEST_F(RendererState, PushTranslationRoundsHalfAwayFromZeroAndKeepsTheClipOnTheTarget)
{
    struct Case {
        PointT<double> offset;
        PointT<double> rounded;
    };
    const Case cases[] = {
        {{2.5, -2.5}, {3, -3}},
        {{1.49, -1.5}, {1, -2}},
        {{-0.4, 0.5}, {0, 1}},
    };
    renderer->PushState();
    for (const Case& c : cases) {
        const RenderState before = State();
        renderer->hooks.clear();
        renderer->PushTranslation(c.offset);
        EXPECT_EQ(2u, SavedCount());
        EXPECT_EQ((PointT<double>{100 + c.rounded.x, 50 + c.rounded.y}), State().offset);
        EXPECT_EQ((RectT<double>{-c.rounded.x, -c.rounded.y, 300, 200}), State().clip);
        ASSERT_EQ(1u, renderer->hooks.size());
        EXPECT_THAT(renderer->hooks[0], ::testing::StartsWith("translate "));

        renderer->PopState();
        EXPECT_EQ(1u, SavedCount());
        ExpectSameState(before, State());
    }
}

TEST_F(RendererState, PushClipMovesTheOriginAndNormalisesTheClip)
{
    struct Case {
        const char* name;
        RectT<double> currentClip;
        RectT<double> bounds;
        RectT<double> clip;
        bool relative;
        PointT<double> offset;
        RectT<double> expectedClip;
    };
    // The frame's origin is (100, 50).
    const Case cases[] = {
        {"relative, whole part of the bounds", {0, 0, 300, 200}, {10.4, 20.6, 50, 40}, {0, 0, 100, 100}, true,
         {110, 71}, {0, -1, 50, 40}},
        {"relative, halves away from zero", {-50, -50, 300, 200}, {-2.5, 2.5, 10, 10}, {-2.5, 2.5, 10, 10}, true,
         {97, 53}, {0, -1, 10, 10}},
        {"relative, cut by the current clip", {0, 0, 30, 30}, {10, 10, 100, 100}, {0, 0, 1000, 1000}, true,
         {110, 60}, {0, 0, 20, 20}},
        {"relative, clip misses the bounds", {0, 0, 300, 200}, {0, 0, 10, 10}, {20, 20, 5, 5}, true, {100, 50},
         {20, 20, 0, 0}},
        {"relative, bounds miss the current clip", {0, 0, 10, 10}, {50, 50, 100, 100}, {0, 0, 1000, 1000}, true,
         {150, 100}, {0, 0, 0, 0}},
        {"target bounds lose the origin", {0, 0, 300, 200}, {110.6, 50.4, 10, 10}, {3.5, 2.25, 10, 10}, false,
         {111, 50}, {3, 2, 10, 10}},
        {"negative size flips before flooring", {0, 0, 300, 200}, {100, 50, 10, 10}, {5.5, 3.2, -2, 4.5}, false,
         {100, 50}, {3, 3, 2, 4}},
    };
    for (const Case& c : cases) {
        renderer->SetClipRect(c.currentClip);
        renderer->PushClip(c.bounds, c.clip, nullptr, c.relative);
        EXPECT_EQ(c.offset, State().offset) << c.name;
        EXPECT_EQ(c.expectedClip, State().clip) << c.name;
        EXPECT_EQ(1u, SavedCount()) << c.name;
        renderer->PopState();
        EXPECT_EQ((PointT<double>{100, 50}), State().offset) << c.name;
        EXPECT_EQ(c.currentClip, State().clip) << c.name;
    }
}

TEST_F(RendererState, PushClipReachesTheBackEndThroughClipThenTranslate)
{
    renderer->PushClip({10.4, 20.6, 50, 40}, {0, 0, 100, 100}, nullptr, true);
    EXPECT_THAT(renderer->hooks, ElementsAre("clip 10 20 50 40", "translate 10 21"));

    renderer->hooks.clear();
    renderer->PopState();
    EXPECT_THAT(renderer->hooks, ElementsAre("translate -10 -21", "clip 0 0 300 200", "stencil none"));
}

TEST_F(RendererState, PushClipThenPopStateRestoresOriginClipAndStencil)
{
    enum Existing { NoStencil, StencilSet, StencilUnflagged };
    struct Case {
        const char* name;
        Existing existing;
        bool giveStencil;
        bool relative;
    };
    const Case cases[] = {
        {"no stencil anywhere", NoStencil, false, true},
        {"given stencil is set", NoStencil, true, true},
        {"given stencil is set, target bounds", NoStencil, true, false},
        {"a set stencil makes a clone", StencilSet, true, true},
        {"a set stencil makes a clone, target bounds", StencilSet, true, false},
        {"an unflagged stencil is replaced", StencilUnflagged, true, true},
        {"no stencil keeps the set one", StencilSet, false, true},
    };
    for (const Case& c : cases) {
        const RCPtr<LStencil> existing = LStencil::Create(20, 10);
        if (c.existing != NoStencil) {
            renderer->SetStencil(existing);
            State().stencilSet = c.existing == StencilSet;
        }
        const RCPtr<LStencil> given = c.giveStencil ? LStencil::Create(8, 6) : RCPtr<LStencil>();
        const RenderState before = State();

        renderer->PushClip({30.5, 20.5, 40, 40}, {0, 0, 60, 60}, given, c.relative);
        State().opacity = 0.25f;
        if (!given) {
            EXPECT_EQ(before.stencil.Get(), State().stencil.Get()) << c.name;
            EXPECT_EQ(before.stencilSet, State().stencilSet) << c.name;
        } else if (c.existing == StencilSet) {
            ASSERT_TRUE(State().stencil) << c.name;
            EXPECT_NE(given.Get(), State().stencil.Get()) << c.name;
            EXPECT_NE(existing.Get(), State().stencil.Get()) << c.name;
            EXPECT_EQ(8, State().stencil->GetWidth()) << c.name;
            EXPECT_EQ(6, State().stencil->GetHeight()) << c.name;
            EXPECT_TRUE(State().stencilSet) << c.name;
        } else {
            EXPECT_EQ(given.Get(), State().stencil.Get()) << c.name;
            EXPECT_TRUE(State().stencilSet) << c.name;
        }

        renderer->PopState();
        EXPECT_EQ(0u, SavedCount()) << c.name;
        ExpectSameState(before, State());

        renderer->SetStencil(nullptr);
        State().stencilSet = false;
    }
}

TEST_F(RendererState, AutoClipPushesByFlavorAndPopsOnLeaving)
{
    struct Case {
        int32_t flavor;
        PointT<double> offset;
        RectT<double> clip;
    };
    const Case cases[] = {
        {PushClipParams::PushStateFlavor, {100, 50}, {0, 0, 300, 200}},
        {PushClipParams::PushClipFlavor, {110, 71}, {0, -1, 50, 40}},
        {PushClipParams::PushTranslationFlavor, {103, 46}, {-3, 4, 300, 200}},
    };
    PushClipParams params;
    params.bounds = {10.4, 20.6, 50, 40};
    params.clip = {0, 0, 100, 100};
    params.relative = true;
    params.translation = {2.5, -4.4};
    // Translations apply only inside a saved state.
    renderer->PushState();
    for (const Case& c : cases) {
        const RenderState before = State();
        params.flavor = c.flavor;
        {
            CAutoClip clip(renderer, params);
            EXPECT_EQ(2u, SavedCount()) << c.flavor;
            EXPECT_EQ(c.offset, State().offset) << c.flavor;
            EXPECT_EQ(c.clip, State().clip) << c.flavor;
        }
        EXPECT_EQ(1u, SavedCount()) << c.flavor;
        ExpectSameState(before, State());
    }
}

TEST_F(RendererState, AutoClipWithAnUnknownFlavorThrowsBeforePushing)
{
    const int32_t references = renderer->GetRefCount();
    for (int32_t flavor : {3, -1}) {
        PushClipParams params;
        params.flavor = flavor;
        try {
            CAutoClip clip(renderer, params);
            ADD_FAILURE() << "no exception for flavor " << flavor;
        } catch (const Exception<std::runtime_error>& e) {
            EXPECT_THAT(e.what(), MatchesRegex(FlavorMessage));
        }
        EXPECT_EQ(0u, SavedCount());
        EXPECT_THAT(renderer->hooks, IsEmpty());
        EXPECT_EQ(references, renderer->GetRefCount());
    }
}

} // namespace
} // namespace VQ
