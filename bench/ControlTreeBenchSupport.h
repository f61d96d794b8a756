// The control tree the control benchmarks share: 500 controls of one plain class in a skin document
// (a root, 49 panels of 9 leaves, 9 leaves of the root's own), and the application the control core
// needs around them.
#pragma once

#include "vqframework/application/ApplicationServices.h"
#include "vqframework/control/Control.h"
#include "vqframework/control/RootWindow.h"
#include "vqframework/controlbase/ControlFactory.h"
#include "vqframework/graphics/MeasurementRenderer.h"
#include "vqframework/renderer/Renderer.h"
#include "vqframework/system/LIniFileManager.h"

#include <string>

namespace VQ::Bench {

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

inline RCPtr<LControl>& CreateBenchControl(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
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

// Where a control sits: left, top, width, height in its parent's client area.
struct Placement {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// Without a placement the control is one 18-pixel row, half its parent's width, at row index.
inline std::string SubControl(const std::string& name, int index, const Placement* placement = nullptr)
{
    std::string xml = "<SubControl Name=\"";
    xml += name;
    xml += "\" Class=\"Bench.Control\" TabStop=\"";
    xml += std::to_string(index);
    if (placement) {
        xml += "\" XPositionRel=\"0\" XPositionAbs=\"";
        xml += std::to_string(placement->x);
        xml += "\" YPositionAbs=\"";
        xml += std::to_string(placement->y);
        xml += "\" XSizeAbs=\"";
        xml += std::to_string(placement->width);
        xml += "\" YSizeAbs=\"";
        xml += std::to_string(placement->height);
    } else {
        xml += "\" XPositionRel=\"0\" XPositionAbs=\"4\" YPositionAbs=\"";
        xml += std::to_string(index * 20);
        xml += "\" XSizeToControl=\"Parent\" XSizeRel=\"0.5";
    }
    if (!placement)
        xml += "\" YSizeAbs=\"18";
    xml += "\"><CreateParamList>"
           "<CreateParam ID=\"NOT_FOCUSABLE\" Type=\"Boolean\">True</CreateParam></CreateParamList>"
           "<Skin Name=\"S\" LookList=\"Two\" FontSize=\"1\" FontSizeIsRelative=\"True\" />";
    return xml;
}

// With spread, the tree covers a 1024-pixel square instead of stacking every control in rows: the
// panels in a 7 x 7 grid with their leaves in 3 x 3 grids, the root's own leaves along the bottom.
inline std::string SkinDocument(bool spread = false)
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
    const Placement root{0, 0, 1024, 1024};
    xml += SubControl("root", 0, spread ? &root : nullptr);
    for (int p = 0; p < PanelCount; ++p) {
        const Placement panel{4 + p % 7 * 146, 4 + p / 7 * 140, 140, 134};
        xml += SubControl("panel" + std::to_string(p), p, spread ? &panel : nullptr);
        for (int l = 0; l < LeavesPerPanel; ++l) {
            const Placement leaf{4 + l % 3 * 44, 4 + l / 3 * 42, 40, 38};
            xml += SubControl("leaf" + std::to_string(l), l, spread ? &leaf : nullptr);
            xml += "</SubControl>";
        }
        xml += "</SubControl>";
    }
    for (int l = 0; l < RootLeaves; ++l) {
        const Placement leaf{4 + l * 110, 984, 100, 36};
        xml += SubControl("leaf" + std::to_string(l), PanelCount + l, spread ? &leaf : nullptr);
        xml += "</SubControl>";
    }
    xml += "</SubControl></Skin></Skins></Varquen_Skin_Definitions>";
    return xml;
}

inline int CountControls(const LControl& control)
{
    int count = 1;
    const LControl::ChildControlList& children = control.GetChildren();
    for (uint32_t i = 0; i < children.GetCount(); ++i)
        count += CountControls(*children.GetAt(i, LControl::ChildControlList::OrderInsertion));
    return count;
}

// A factory holding the bench skin with "Bench.Control" registered; null when the skin does not parse.
inline RCPtr<LControlFactory> MakeBenchFactory(bool spread = false)
{
    RCPtr<LControlFactory> factory(new LControlFactory(String(u"PresetEditor")));
    const std::string document = SkinDocument(spread);
    if (factory->ParseXML(document.data(), int32_t(document.size())) != S_OK)
        return nullptr;
    factory->SetCurrentSkinIndex(0);
    factory->RegisterControlCreateFunction(String(u"Bench.Control"), &CreateBenchControl);
    return factory;
}

} // namespace VQ::Bench
