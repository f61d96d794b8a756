// The window services a root window asks of the platform window that owns it; the root window
// itself stays free of the platform. Operations that need the native window return E_FAIL while it
// does not exist.
#pragma once

#include "vqframework/objectbase/Result.h"
#include "vqframework/storage/RectT.h"
#include "vqframework/storage/StringT.h"

#include <cstdint>

struct SDL_Window;

namespace VQ {

class IWindowOSServices {
public:
    using String = StringT<char16_t, char>;
    // A cursor shared by every window of the process; 0 is none.
    using CursorHandle = uintptr_t;

    virtual VQRESULT SetCaption(const String& text) = 0;
    virtual VQRESULT InvalidateAll() = 0;
    virtual VQRESULT InvalidateRect(int32_t x, int32_t y, int32_t width, int32_t height) = 0;
    // (0, 0, client width, client height); rect is not written when the window cannot tell.
    virtual VQRESULT GetClientRect(RectT<int32_t>& rect) = 0;
    virtual VQRESULT ScreenToClient(PointT<int32_t>& result, const PointT<int32_t>& point) = 0;
    virtual VQRESULT ClientToScreen(PointT<int32_t>& result, const PointT<int32_t>& point) = 0;
    // Places the window so that its client area covers the screen rectangle.
    virtual VQRESULT SetWindowRect(int32_t x, int32_t y, int32_t width, int32_t height) = 0;
    // True when the window was visible before.
    virtual bool Show(int32_t showCommand) = 0;
    virtual VQRESULT Redraw() = 0;
    virtual VQRESULT BringToTop() = 0;
    virtual VQRESULT SetTopMost(bool topMost) = 0;
    virtual VQRESULT EndModal(int32_t result) = 0;
    // The result given to EndModal, or -1 when the application quits during the loop.
    virtual int32_t RunModalLoop() = 0;
    virtual bool IsModal() = 0;
    virtual bool IsActive() = 0;
    virtual bool HasFocus() = 0;
    virtual VQRESULT SetFocus() = 0;
    // Returns the previous cursor.
    virtual CursorHandle SetCursor(CursorHandle cursor) = 0;
    // In client coordinates.
    virtual VQRESULT GetCursorPos(PointT<int32_t>& point) = 0;
    // 1 left, 2 middle, 4 right.
    virtual uint32_t GetMouseButtons() = 0;
    virtual SDL_Window* GetWindowHandle() = 0;
    virtual VQRESULT SetTextInputFocus(bool active, const String& value) = 0;

protected:
    ~IWindowOSServices() = default;
};

} // namespace VQ
