// A platform window for root-window tests: a client area and screen origin the test sets, and a
// record of what the root window asked of it.
#pragma once

#include "vqframework/control/WindowOSServices.h"

#include <vector>

namespace VQ::Testing {

class FakeWindowOSServices : public IWindowOSServices {
public:
    VQRESULT SetCaption(const String& text) override
    {
        captions.push_back(text);
        return S_OK;
    }
    VQRESULT InvalidateAll() override { return S_OK; }
    VQRESULT InvalidateRect(int32_t, int32_t, int32_t, int32_t) override { return S_OK; }
    VQRESULT GetClientRect(RectT<int32_t>& rect) override
    {
        rect = {0, 0, clientSize.x, clientSize.y};
        return S_OK;
    }
    VQRESULT ScreenToClient(PointT<int32_t>& result, const PointT<int32_t>& point) override
    {
        result = {point.x - clientOrigin.x, point.y - clientOrigin.y};
        return S_OK;
    }
    VQRESULT ClientToScreen(PointT<int32_t>& result, const PointT<int32_t>& point) override
    {
        result = {point.x + clientOrigin.x, point.y + clientOrigin.y};
        return S_OK;
    }
    // The window takes the rectangle at once, as a window manager that grants it would.
    VQRESULT SetWindowRect(int32_t x, int32_t y, int32_t width, int32_t height) override
    {
        windowRects.push_back({x, y, width, height});
        clientOrigin = {x, y};
        clientSize = {width, height};
        return S_OK;
    }
    bool Show(int32_t) override { return true; }
    VQRESULT Redraw() override { return S_OK; }
    VQRESULT BringToTop() override { return S_OK; }
    VQRESULT SetTopMost(bool) override { return S_OK; }
    VQRESULT EndModal(int32_t) override { return S_OK; }
    int32_t RunModalLoop() override { return -1; }
    bool IsModal() override { return false; }
    bool IsActive() override { return active; }
    bool HasFocus() override { return active; }
    VQRESULT SetFocus() override
    {
        ++focusRequests;
        return S_OK;
    }
    CursorHandle SetCursor(CursorHandle value) override
    {
        const CursorHandle previous = cursor;
        cursor = value;
        return previous;
    }
    VQRESULT GetCursorPos(PointT<int32_t>& point) override
    {
        point = cursorPos;
        return S_OK;
    }
    uint32_t GetMouseButtons() override { return mouseButtons; }
    SDL_Window* GetWindowHandle() override { return nullptr; }
    VQRESULT SetTextInputFocus(bool, const String&) override { return S_OK; }

    PointT<int32_t> clientOrigin{100, 50};
    PointT<int32_t> clientSize{1200, 550};
    PointT<int32_t> cursorPos;
    uint32_t mouseButtons = 0;
    bool active = true;
    CursorHandle cursor = 0;
    std::vector<String> captions;
    std::vector<RectT<int32_t>> windowRects;
    int32_t focusRequests = 0;
};

} // namespace VQ::Testing
