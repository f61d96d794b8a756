// Painting a window's worth of controls on the Cairo-drawn back end: the whole window, as after a
// resize, and one control that changed, as a value change or a hover does.
#include "bench/ControlTreeBenchSupport.h"
#include "tests/vqframework/control/FakeWindowOSServices.h"
#include "vqframework/renderer/gdi/GDIRenderer.h"

#include <benchmark/benchmark.h>

namespace {

using namespace VQ;
using namespace VQ::Bench;

constexpr int32_t WindowSize = 1024;

// The bench tree in a root window drawn by the Cairo back end into an offscreen context.
struct PaintedTree {
    PaintedTree() : factory(MakeBenchFactory(true)), application(factory.Get())
    {
        services.clientSize = {WindowSize, WindowSize};
        window = LRootWindow::Create(renderer, &services);
        renderer->InitRenderContextInfo({0, 0, WindowSize, WindowSize}, nullptr, true, context);
        if (!factory || !context)
            return;
        factory->CreateTopLevelControl(root, String(u"root"), window.Get());
        if (!root)
            return;
        // The root fills the window; the spread skin lays the panels and leaves out over it.
        window->SetRootControl(root);
    }
    PaintedTree(const PaintedTree&) = delete;
    PaintedTree& operator=(const PaintedTree&) = delete;
    ~PaintedTree()
    {
        root.Release();
        window->ReleaseCyclicReferences();
    }

    bool IsComplete() const { return root && CountControls(*root) == ControlCount; }

    void Paint(const RectRegion& region)
    {
        renderer->RenderStart(context);
        window->Paint(region);
        renderer->RenderFinish(context);
    }

    RCPtr<LControlFactory> factory;
    BenchApplication application;
    Testing::FakeWindowOSServices services;
    RCPtr<LRenderer> renderer = LGDIRenderer::Create();
    RCPtr<LRenderContextInfo> context;
    RCPtr<LRootWindow> window;
    RCPtr<LControl> root;
};

void RepaintWholeWindow(benchmark::State& state)
{
    PaintedTree tree;
    if (!tree.IsComplete()) {
        state.SkipWithError("the tree is not complete");
        return;
    }
    RectRegion region;
    region.AddRect(0, 0, WindowSize, WindowSize);
    for (auto _ : state)
        tree.Paint(region);
    state.SetItemsProcessed(state.iterations() * ControlCount);
}
BENCHMARK(RepaintWholeWindow)->Unit(benchmark::kMicrosecond);

void InvalidateAndRepaintOneControl(benchmark::State& state)
{
    PaintedTree tree;
    if (!tree.IsComplete()) {
        state.SkipWithError("the tree is not complete");
        return;
    }
    // A leaf in the middle of the window, drawn over its panel and the root.
    const RCPtr<LControl> panel = tree.root->FindChild(String(u"panel24"));
    const RCPtr<LControl> leaf = panel ? panel->FindChild(String(u"leaf4")) : nullptr;
    RectRegion region;
    if (leaf) {
        leaf->Invalidate({0, 0, leaf->GetRect().width, leaf->GetRect().height}, true);
        tree.window->TakeDirtyRegion(region);
    }
    if (region.GetCount() == 0) {
        state.SkipWithError("no visible leaf to invalidate");
        return;
    }
    for (auto _ : state) {
        const RectT<double>& rect = leaf->GetRect();
        leaf->Invalidate({0, 0, rect.width, rect.height}, true);
        tree.window->TakeDirtyRegion(region);
        tree.Paint(region);
    }
}
BENCHMARK(InvalidateAndRepaintOneControl)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
