// What a root window calls on the controls of its tree: pointer and key input, capture, focus and
// the layout after a resize. Results: 0 handled, 1 refused or not handled, E_INVALIDARG for a bad
// argument.
#pragma once

#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/objectbase/Result.h"

#include <cstdint>

namespace VQ {

class LKeyParam;
class LMouseButtonParam;
class LMouseWheelParam;
class LPointWithModifiersParam;

class UITarget : public virtual LRefCountedObject {
public:
    virtual VQRESULT MouseEnter() = 0;
    // Points are in the control's own coordinates.
    virtual VQRESULT MouseMove(const RCPtr<LPointWithModifiersParam>& param) = 0;
    virtual VQRESULT MouseDown(const RCPtr<LMouseButtonParam>& param) = 0;
    virtual VQRESULT MouseUp(const RCPtr<LMouseButtonParam>& param) = 0;
    virtual VQRESULT MouseLeave() = 0;
    virtual VQRESULT SetCapture(int32_t button, int32_t x, int32_t y) = 0;
    virtual VQRESULT ReleaseCapture() = 0;
    virtual void KeyInput(const RCPtr<LKeyParam>& param) = 0;
    // The wheel's point is in window client coordinates.
    virtual VQRESULT MouseWheel(const RCPtr<LMouseWheelParam>& param) = 0;
    virtual VQRESULT MouseHWheel(const RCPtr<LMouseWheelParam>& param) = 0;
    // The new client size of the window.
    virtual VQRESULT UpdateLayout(int32_t width, int32_t height) = 0;
    // A veto of the focus leaving the control.
    virtual bool CanLoseFocus() = 0;
    virtual bool KillFocus() = 0;
};

} // namespace VQ
