#include "RecordingRenderer.h"

#include "vqframework/objectbase/Exception.h"
#include "vqframework/renderer/Renderer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace VQ {
namespace {

using ::testing::MatchesRegex;

const char* const NullMessage =
    "Runtime Error : Render context is NULL : VQ::LRenderer::RenderStart : vqframework/renderer/Renderer\\.cpp : "
    "Line [0-9]+";
const char* const ReenteredMessage = "Runtime Error : Render context reentered\\. : VQ::LRenderer::RenderStart : "
                                     "vqframework/renderer/Renderer\\.cpp : Line [0-9]+";
const char* const MismatchMessage =
    "Runtime Error : RenderFinish context does not match RenderStart context : VQ::LRenderer::RenderFinish : "
    "vqframework/renderer/Renderer\\.cpp : Line [0-9]+";
const char* const DomainMessage =
    "Domain Error : VQ::LRenderer::Create : vqframework/renderer/RendererFactory\\.cpp : Line [0-9]+";

TEST(RendererFrame, ContextsNestAndFinishInReverseOrder)
{
    RCPtr<LRecordingRenderer> renderer = LRecordingRenderer::Create();
    RCPtr<LRenderContextInfo> window = LRecordingContext::Create();
    RCPtr<LRenderContextInfo> cache = LRecordingContext::Create(true);
    EXPECT_FALSE(renderer->GetCurrentContext());

    EXPECT_EQ(S_OK, renderer->RenderStart(window));
    EXPECT_EQ(S_OK, renderer->RenderStart(cache));
    EXPECT_EQ(2u, renderer->GetContextDepth());
    EXPECT_EQ(cache, renderer->GetCurrentContext());
    EXPECT_EQ(2, cache->GetRefCount());

    EXPECT_EQ(S_OK, renderer->RenderFinish(cache));
    EXPECT_EQ(window, renderer->GetCurrentContext());
    EXPECT_EQ(1, cache->GetRefCount());
    EXPECT_EQ(S_OK, renderer->RenderFinish(window));
    EXPECT_FALSE(renderer->GetCurrentContext());

    // The next frame starts the same context again.
    EXPECT_EQ(S_OK, renderer->RenderStart(window));
    EXPECT_EQ(window, renderer->GetCurrentContext());
}

TEST(RendererFrame, MisuseThrowsAndLeavesTheStackUnchanged)
{
    enum Action { StartNull, StartBottom, StartTop, FinishBottom, FinishNull, FinishOther, FinishEmpty };
    struct Case {
        Action action;
        const char* message;
    };
    const Case cases[] = {
        {StartNull, NullMessage},        {StartBottom, ReenteredMessage}, {StartTop, ReenteredMessage},
        {FinishBottom, MismatchMessage}, {FinishNull, MismatchMessage},   {FinishOther, MismatchMessage},
        {FinishEmpty, MismatchMessage},
    };
    for (const Case& c : cases) {
        RCPtr<LRecordingRenderer> renderer = LRecordingRenderer::Create();
        RCPtr<LRenderContextInfo> bottom = LRecordingContext::Create();
        RCPtr<LRenderContextInfo> top = LRecordingContext::Create();
        RCPtr<LRenderContextInfo> other = LRecordingContext::Create();
        const bool empty = c.action == FinishEmpty;
        if (!empty) {
            renderer->RenderStart(bottom);
            renderer->RenderStart(top);
        }
        try {
            switch (c.action) {
            case StartNull: renderer->RenderStart(nullptr); break;
            case StartBottom: renderer->RenderStart(bottom); break;
            case StartTop: renderer->RenderStart(top); break;
            case FinishBottom: renderer->RenderFinish(bottom); break;
            case FinishNull: renderer->RenderFinish(nullptr); break;
            case FinishOther:
            case FinishEmpty: renderer->RenderFinish(other); break;
            }
            ADD_FAILURE() << "no exception for case " << c.action;
        } catch (const Exception<std::runtime_error>& e) {
            EXPECT_THAT(e.what(), MatchesRegex(c.message)) << "case " << c.action;
        }
        EXPECT_EQ(empty ? 0u : 2u, renderer->GetContextDepth()) << "case " << c.action;
        if (!empty) {
            EXPECT_EQ(top, renderer->GetCurrentContext()) << "case " << c.action;
            EXPECT_EQ(S_OK, renderer->RenderFinish(top));
            EXPECT_EQ(S_OK, renderer->RenderFinish(bottom));
        }
    }
}

TEST(RendererFrame, FreshStateIsUnboundedAtTheOrigin)
{
    RCPtr<LRenderContextInfo> context = LRecordingContext::Create();
    const RenderState& state = context->GetState();
    EXPECT_EQ((PointT<double>{0, 0}), state.offset);
    EXPECT_EQ(-5000000136282112.0, state.clip.x);
    EXPECT_EQ(-5000000136282112.0, state.clip.y);
    EXPECT_EQ(10000000272564224.0, state.clip.width);
    EXPECT_EQ(10000000272564224.0, state.clip.height);
    EXPECT_EQ(static_cast<double>(-5e15f), state.clip.x);
    EXPECT_EQ(static_cast<double>(1e16f), state.clip.width);
    EXPECT_EQ(1.0f, state.opacity);
    EXPECT_FALSE(state.stencilSet);
    EXPECT_FALSE(state.stencil);
    EXPECT_TRUE(context->GetSavedStates().empty());
    EXPECT_EQ((RectT<int32_t>{0, 0, 200, 100}), context->GetRect());
}

TEST(RendererFrame, ViewportReplacesTheCurrentContextsRectangle)
{
    RCPtr<LRecordingRenderer> renderer = LRecordingRenderer::Create();
    RCPtr<LRenderContextInfo> window = LRecordingContext::Create();
    RCPtr<LRenderContextInfo> cache = LRecordingContext::Create(true);
    renderer->RenderStart(window);
    renderer->RenderStart(cache);
    EXPECT_EQ(S_OK, renderer->SetViewport({5, 6, 70, 80}));
    EXPECT_EQ((RectT<int32_t>{5, 6, 70, 80}), cache->GetRect());
    EXPECT_EQ((RectT<int32_t>{0, 0, 200, 100}), window->GetRect());
}

TEST(RendererFactory, MakesTheCairoBackEndAndTheStubAndRefusesUnknownTypes)
{
    RCPtr<LRenderer> drawing = LRenderer::Create(LRenderer::GDIPlus, {0, 0, 640, 480}, nullptr);
    ASSERT_TRUE(drawing);
    EXPECT_EQ(LRenderer::GDIPlus, drawing->GetRendererType());

    RCPtr<LRenderer> stub = LRenderer::Create(LRenderer::Direct3D9, {0, 0, 640, 480}, nullptr);
    ASSERT_TRUE(stub);
    EXPECT_EQ(LRenderer::Direct3D9, stub->GetRendererType());

    for (int32_t type : {3, -1, std::numeric_limits<int32_t>::min()}) {
        try {
            LRenderer::Create(type, {0, 0, 640, 480}, nullptr);
            ADD_FAILURE() << "no exception for type " << type;
        } catch (const Exception<std::domain_error>& e) {
            EXPECT_THAT(e.what(), MatchesRegex(DomainMessage)) << "type " << type;
        }
    }
}

} // namespace
} // namespace VQ
