#include "vqframework/renderer/D3D9Renderer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>

namespace VQ {
namespace {

TEST(D3D9Renderer, MeasuresNothingAndLeavesMetricsUntouched)
{
    RCPtr<LD3D9Renderer> renderer = LD3D9Renderer::Create();
    EXPECT_EQ(2, renderer->GetRendererType());

    int32_t lineHeight = 7;
    int32_t ascent = -8;
    int32_t descent = 9;
    EXPECT_EQ(S_OK, renderer->GetFontMetrics(nullptr, lineHeight, ascent, descent));
    EXPECT_EQ(7, lineHeight);
    EXPECT_EQ(-8, ascent);
    EXPECT_EQ(9, descent);
    EXPECT_EQ((RectT<float>{0, 0, 0, 0}), renderer->MeasureString(u"text", nullptr));
}

TEST(D3D9Renderer, MakesContextsThatCanDrawIntoNothing)
{
    RCPtr<LD3D9Renderer> renderer = LD3D9Renderer::Create();
    for (bool offscreen : {false, true}) {
        RCPtr<LRenderContextInfo> context;
        EXPECT_EQ(S_OK, renderer->InitRenderContextInfo({1, 2, 30, 40}, nullptr, offscreen, context));
        ASSERT_TRUE(context);
        EXPECT_EQ((RectT<int32_t>{1, 2, 30, 40}), context->GetRect());
        EXPECT_EQ(offscreen, context->IsOffscreen());
        EXPECT_EQ((PointT<int32_t>{0, 0}), context->GetMaximumSize());
        EXPECT_EQ(E_NOTIMPL, renderer->DrawRenderContext(context, {0, 0}, {0, 0, 10, 10}));
        EXPECT_EQ(E_NOTIMPL, renderer->ScrollRenderContext(context, {3, 4}));
    }
}

TEST(D3D9Renderer, FramesKeepNoContextSoStateOperationsDoNothing)
{
    RCPtr<LD3D9Renderer> renderer = LD3D9Renderer::Create();
    RCPtr<LRenderContextInfo> context;
    renderer->InitRenderContextInfo({0, 0, 30, 40}, nullptr, false, context);

    EXPECT_EQ(S_OK, renderer->RenderStart(context));
    EXPECT_EQ(S_OK, renderer->RenderStart(context));
    EXPECT_EQ(0u, renderer->GetContextDepth());
    EXPECT_FALSE(renderer->GetCurrentContext());

    const RCPtr<LStencil> stencil = LStencil::Create(4, 4);
    EXPECT_TRUE(Succeeded(renderer->SetViewport({5, 5, 10, 10})));
    EXPECT_TRUE(Succeeded(renderer->SetStencil(stencil)));
    renderer->PushState();
    renderer->PushClip({1, 2, 3, 4}, {0, 0, 3, 4}, stencil, true);
    renderer->PushTranslation({5, 6});
    renderer->SetClipRect({0, 0, 1, 1});
    renderer->Translate({7, 8});
    renderer->FillRect({0, 0, 10, 10}, RGBAColor(), false);
    renderer->PopState();

    const RenderState fresh;
    EXPECT_EQ((RectT<int32_t>{0, 0, 30, 40}), context->GetRect());
    EXPECT_EQ(fresh.offset, context->GetState().offset);
    EXPECT_EQ(fresh.clip, context->GetState().clip);
    EXPECT_FALSE(context->GetState().stencil);
    EXPECT_FALSE(context->GetState().stencilSet);
    EXPECT_TRUE(context->GetSavedStates().empty());
    EXPECT_EQ(1, stencil->GetRefCount());

    EXPECT_EQ(S_OK, renderer->RenderFinish(context));
    EXPECT_EQ(S_OK, renderer->RenderFinish(context));
    EXPECT_EQ(0u, renderer->GetContextDepth());
}

} // namespace
} // namespace VQ
