// What the control-core tests share: a plain control class, an application with a factory that
// creates it, and descriptors made in code.
#pragma once

#include "tests/vqframework/application/FakeApplicationServices.h"
#include "tests/vqframework/controlbase/ControlBaseTestSupport.h"
#include "vqframework/control/Control.h"
#include "vqframework/controlbase/ControlFactory.h"

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

} // namespace VQ::Testing
