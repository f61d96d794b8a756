// What the control-core tests share: a plain control class, an application with a factory that
// creates it, and descriptors made in code.
#pragma once

#include "tests/vqframework/application/FakeApplicationServices.h"
#include "tests/vqframework/controlbase/ControlBaseTestSupport.h"
#include "vqframework/control/Control.h"
#include "vqframework/controlbase/ControlFactory.h"

#include <initializer_list>

namespace VQ::Testing {

// LControl with a public constructor and read access to the fields tests check.
class TestControl : public LControl {
public:
    TestControl(const RCPtr<LControl>& parent, const String& name) : LControl(parent, name) {}

    float GetOpacity() const { return m_opacity; }
    const RCPtrArray<LLook>& GetLooks() const { return m_looks; }
    const RCPtr<LStringTable>& GetOwnStringTable() const { return m_stringTable; }
    const String& GetTooltip() const { return m_tooltipText; }
    bool GetUseParentTooltip() const { return m_useParentTooltip; }
    const RCPtr<LRootWindow>& GetOwnRootWindow() const { return m_rootWindow; }
    int32_t GetCloseQueueCount() const { return static_cast<int32_t>(m_closeQueue.GetCount()); }
    float GetFontSizeFactor() const { return m_fontSizeFactor; }
    PointT<double>& ScrollOffset() { return m_scrollOffset; }
};

// The create function of TestControl.
inline RCPtr<LControl>& CreateTestControl(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                          const RCPtr<LControlDescriptor>& descriptor)
{
    return LControl::Create<TestControl>(out, parent, descriptor);
}

// A fake application holding a factory named "PresetEditor" with "Test.Control" registered.
struct ControlTestApplication {
    ControlTestApplication() : factory(NewFactory())
    {
        services.controlFactory = factory.Get();
        factory->RegisterControlCreateFunction(LControlFactory::String(u"Test.Control"), &CreateTestControl);
    }

    RCPtr<LControlFactory> factory;
    test::FakeApplicationServices services;
};

// A "Test.Control" descriptor with a fresh layout and no skin, added to parent when given.
inline RCPtr<LControlDescriptor> MakeDescriptor(const char16_t* name, const RCPtr<LControlDescriptor>& parent = {})
{
    RCPtr<LControlDescriptor> descriptor =
        LControlDescriptor::Create(LControlDescriptor::String(u"Test.Control"), LControlDescriptor::String(name),
                                   parent.Get());
    descriptor->SetLayout(LLayoutDescriptor::Create());
    if (parent)
        parent->AddChild(descriptor);
    return descriptor;
}

// A control of class T with a layout that keeps it at the given place, its looks added and sized.
template <class T = TestControl>
RCPtr<T> PlaceControl(const RCPtr<LControl>& parent, const char16_t* name, const RectT<double>& rect,
                      std::initializer_list<RCPtr<LLook>> looks = {})
{
    RCPtr<T> control(new T(parent, LControl::String(name)));
    RCPtr<LControlDescriptor> descriptor = MakeDescriptor(name);
    LLayoutDescriptor& layout = *descriptor->GetLayout();
    layout.XPosition = {0, ReferenceClient, {}, 0, rect.x};
    layout.YPosition = {0, ReferenceClient, {}, 0, rect.y};
    layout.XSize = {ReferenceSelf, {}, 0, rect.width};
    layout.YSize = {ReferenceSelf, {}, 0, rect.height};
    control->CreateFromDescriptor(descriptor);
    for (const RCPtr<LLook>& look : looks) {
        control->AddLook(look);
        // The layout above may have placed the control already, and SetRect sizes looks only on a change.
        if (look)
            look->SetSize(ConvertCoordinate<int32_t>(rect.width), ConvertCoordinate<int32_t>(rect.height));
    }
    control->SelectLook(0);
    control->SetRect({rect.x, rect.y}, {rect.width, rect.height});
    return control;
}

} // namespace VQ::Testing
