// A window's worth of controls: a tree of 500 controls created from a skin through the control
// factory, laid out in a root window, and released again, as a skin change or a dialog does.
#include "bench/ControlTreeBenchSupport.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

using namespace VQ;
using namespace VQ::Bench;

void CreateLayOutAndReleaseTree(benchmark::State& state)
{
    RCPtr<LControlFactory> factory = MakeBenchFactory();
    if (!factory) {
        state.SkipWithError("the skin does not parse");
        return;
    }
    BenchApplication application(factory.Get());
    RCPtr<LRootWindow> window = LRootWindow::Create(RCPtr<LRenderer>(), nullptr);
    {
        RCPtr<LControl> root;
        factory->CreateTopLevelControl(root, String(u"root"), window.Get());
        const bool complete = root && CountControls(*root) == ControlCount;
        if (root)
            root->Close();
        if (!complete) {
            state.SkipWithError("the tree is not complete");
            return;
        }
    }

    for (auto _ : state) {
        RCPtr<LControl> root;
        factory->CreateTopLevelControl(root, String(u"root"), window.Get());
        if (!root) {
            state.SkipWithError("no tree was created");
            break;
        }
        benchmark::DoNotOptimize(root->UpdateLayout());
        root->Close();
        root.Release();
    }
    state.SetItemsProcessed(state.iterations() * ControlCount);
    window.Release();
}
BENCHMARK(CreateLayOutAndReleaseTree)->Unit(benchmark::kMicrosecond);

// The floor under the figure above: the same 500 nodes joined to their parents and released, with no
// descriptor, looks, string tables or layout.
void JoinAndReleaseBareTree(benchmark::State& state)
{
    RCPtr<LControlFactory> factory(new LControlFactory(String(u"PresetEditor")));
    BenchApplication application(factory.Get());
    std::vector<String> names;
    for (int i = 0; i < PanelCount + RootLeaves; ++i)
        names.emplace_back(("n" + std::to_string(i)).c_str());
    for (auto _ : state) {
        RCPtr<LControl> root(new BenchControl(RCPtr<LControl>(), String(u"root")));
        for (int p = 0; p < PanelCount; ++p) {
            RCPtr<LControl> panel(new BenchControl(root, names[p]));
            for (int l = 0; l < LeavesPerPanel; ++l)
                RCPtr<LControl> leaf(new BenchControl(panel, names[l]));
        }
        for (int l = 0; l < RootLeaves; ++l)
            RCPtr<LControl> leaf(new BenchControl(root, names[PanelCount + l]));
        benchmark::DoNotOptimize(root->GetChildren().GetCount());
        root.Release();
    }
    state.SetItemsProcessed(state.iterations() * ControlCount);
}
BENCHMARK(JoinAndReleaseBareTree)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
