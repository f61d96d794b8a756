// A window's worth of controls: a tree of 500 controls created from a skin through the control
// factory, laid out in a root window, and released again, as a skin change or a dialog does.
#include "vqframework/application/ApplicationServices.h"
#include "vqframework/control/Control.h"
#include "vqframework/control/RootWindow.h"
#include "vqframework/controlbase/ControlFactory.h"
#include "vqframework/graphics/MeasurementRenderer.h"
#include "vqframework/renderer/Renderer.h"
#include "vqframework/system/LIniFileManager.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

using namespace VQ;
using String = LControlFactory::String;

constexpr int PanelCount = 49;
constexpr int LeavesPerPanel = 9;
constexpr int RootLeaves = 9;
// The root, its panels with their leaves, and leaves of the root's own.
constexpr int ControlCount = 1 + PanelCount * (1 + LeavesPerPanel) + RootLeaves;
static_assert(ControlCount == 500);

class BenchControl : public LControl {
public:
    BenchControl(const RCPtr<LControl>& parent, const String& name) : LControl(parent, name) {}
};

RCPtr<LControl>& CreateBenchControl(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                    const RCPtr<LControlDescriptor>& descriptor)
{
    return LControl::Create<BenchControl>(out, parent, descriptor);
}

// The application as the control core sees it: a factory and an "application" centre.
class BenchApplication : public IApplicationServices {
public:
    explicit BenchApplication(LControlFactory* factory)
        : m_factory(factory), m_center(LNotificationCenter::Create(u"application"))
    {
        SetApplicationServices(this);
    }
    BenchApplication(const BenchApplication&) = delete;
    BenchApplication& operator=(const BenchApplication&) = delete;
    ~BenchApplication() { SetApplicationServices(nullptr); }

    RCPtr<LNotificationCenter> GetNotificationCenter() override { return m_center; }
    RCPtr<LRefCountedObject> GetRootModuleEngine() override { return nullptr; }
    int32_t ShowMessageBox(const StringT<char16_t, char>&, const StringT<char16_t, char>&, uint32_t) override
    {
        return 1;
    }
    StringT<char16_t, char> GetLocalizedString(const char16_t*) override { return {}; }
    RCPtr<LIniFileManager> GetSettingsStore() override { return nullptr; }
    int32_t GetSettingsFileHandle(int32_t) override { return 0; }
    RCPtr<LMeasurementRenderer> GetMeasurementRenderer() override { return nullptr; }
    uint32_t GetTimeMs() override { return 0; }
    LControlFactory* GetControlFactory() override { return m_factory; }
    RCPtr<LFont> GetDefaultFont() override { return nullptr; }
    RectT<int32_t> GetWorkArea() override { return {0, 0, 1920, 1080}; }
    LRootWindow* GetActiveRootWindow() override { return nullptr; }
    LRootWindow* GetRootWindow(int32_t) override { return nullptr; }
    PointT<int32_t> GetScreenCursorPos() override { return {}; }
    uintptr_t GetCursorHandle(const char16_t*) override { return 0; }

private:
    LControlFactory* m_factory;
    RCPtr<LNotificationCenter> m_center;
};

std::string SubControl(const std::string& name, int index)
{
    std::string xml = "<SubControl Name=\"";
    xml += name;
    xml += "\" Class=\"Bench.Control\" TabStop=\"";
    xml += std::to_string(index);
    xml += "\" XPositionRel=\"0\" XPositionAbs=\"4\" YPositionAbs=\"";
    xml += std::to_string(index * 20);
    xml += "\" XSizeToControl=\"Parent\" XSizeRel=\"0.5\" YSizeAbs=\"18\"><CreateParamList>"
           "<CreateParam ID=\"NOT_FOCUSABLE\" Type=\"Boolean\">True</CreateParam></CreateParamList>"
           "<Skin Name=\"S\" LookList=\"Two\" FontSize=\"1\" FontSizeIsRelative=\"True\" />";
    return xml;
}

std::string SkinDocument()
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Varquen_Skin_Definitions>"
                      "<Application Name=\"PresetEditor\"/>"
                      "<Colorizers><Colorizer Name=\"C\" ColorType=\"SolidFill\" Color=\"0xFF333333\"/></Colorizers>"
                      "<Parts><Part Name=\"P\" Width=\"8\" Height=\"8\" ResizeType=\"Tile\" ColorizerName=\"C\""
                      " ColorizerAlphaMod=\"1\"/></Parts>"
                      "<Looks><Look Name=\"Text\"><ClientPart Name=\"P\" OffsetLeft=\"0\" OffsetTop=\"0\""
                      " OffsetRight=\"0\" OffsetBottom=\"0\"/><TextProperties TextLeftRel=\"0\" TextLeftAbs=\"2\""
                      " TextRightRel=\"1\" TextRightAbs=\"-2\" TextHAlign=\"0.5\" TextTopRel=\"0\" TextTopAbs=\"0\""
                      " TextBottomRel=\"1\" TextBottomAbs=\"0\" TextVAlign=\"0.5\" TextForegroundPart=\"P\"/></Look>"
                      "<Look Name=\"Plain\"><ClientPart Name=\"P\" OffsetLeft=\"1\" OffsetTop=\"1\""
                      " OffsetRight=\"-1\" OffsetBottom=\"-1\"/></Look></Looks>"
                      "<LookLists><LookList Name=\"Two\" NumLooks=\"2\"><Look Name=\"Text\" Index=\"0\"/>"
                      "<Look Name=\"Plain\" Index=\"1\"/></LookList></LookLists>"
                      "<Skins><Skin Name=\"Skin1\" FontName=\"Arial\" FontSize=\"9\">";
    xml += SubControl("root", 0);
    for (int p = 0; p < PanelCount; ++p) {
        xml += SubControl("panel" + std::to_string(p), p);
        for (int l = 0; l < LeavesPerPanel; ++l) {
            xml += SubControl("leaf" + std::to_string(l), l);
            xml += "</SubControl>";
        }
        xml += "</SubControl>";
    }
    for (int l = 0; l < RootLeaves; ++l) {
        xml += SubControl("leaf" + std::to_string(l), PanelCount + l);
        xml += "</SubControl>";
    }
    xml += "</SubControl></Skin></Skins></Varquen_Skin_Definitions>";
    return xml;
}

int CountControls(const LControl& control)
{
    int count = 1;
    const LControl::ChildControlList& children = control.GetChildren();
    for (uint32_t i = 0; i < children.GetCount(); ++i)
        count += CountControls(*children.GetAt(i, LControl::ChildControlList::OrderInsertion));
    return count;
}

void CreateLayOutAndReleaseTree(benchmark::State& state)
{
    RCPtr<LControlFactory> factory(new LControlFactory(String(u"PresetEditor")));
    const std::string document = SkinDocument();
    if (factory->ParseXML(document.data(), int32_t(document.size())) != S_OK) {
        state.SkipWithError("the skin does not parse");
        return;
    }
    factory->SetCurrentSkinIndex(0);
    factory->RegisterControlCreateFunction(String(u"Bench.Control"), &CreateBenchControl);
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
