// A control that records what the factory asks of it, for tests that run before real controls exist.
#pragma once

#include "vqframework/control/Control.h"

#include <vector>

namespace VQ::Testing {

class FakeControl : public LControl {
public:
    explicit FakeControl(const String& name) : LControl(RCPtr<LControl>(), name) {}

    VQRESULT CreateFromDescriptor(const RCPtr<LControlDescriptor>& descriptor) override
    {
        builtFrom.push_back(descriptor);
        m_descriptor = descriptor;
        return createResult;
    }

    VQRESULT AttachToRootWindow(LRootWindow* rootWindow) override
    {
        ++attachCount;
        attachedToEmptyWindow = rootWindow == nullptr;
        return S_OK;
    }

    std::vector<RCPtr<LControlDescriptor>> builtFrom;
    // The parent the create function was given.
    RCPtr<LControl> parent;
    VQRESULT createResult = S_OK;
    int attachCount = 0;
    bool attachedToEmptyWindow = false;
};

// A create function in the shape every control class registers: constructs the control for its
// parent and builds it from the descriptor.
inline RCPtr<LControl>& CreateFakeControl(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                          const RCPtr<LControlDescriptor>& descriptor)
{
    RCPtr<FakeControl> control(new FakeControl(descriptor->GetName()));
    control->parent = parent;
    control->CreateFromDescriptor(descriptor);
    out = control;
    return out;
}

} // namespace VQ::Testing
