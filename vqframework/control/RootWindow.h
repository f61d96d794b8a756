// The host of one control tree in one platform window: it keeps the window's geometry, collects the
// areas its controls invalidate into a dirty region, and owns the notification queue of the controls
// of its window. It reaches the platform window only through IWindowOSServices.
#pragma once

#include "vqframework/control/GlobalHotKeyManager.h"
#include "vqframework/control/WindowOSServices.h"
#include "vqframework/graphics/RectRegion.h"
#include "vqframework/notification/NotificationDistributor.h"
#include "vqframework/notification/NotificationQueue.h"
#include "vqframework/objectbase/Mutex.h"
#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/renderer/Renderer.h"
#include "vqframework/storage/RectT.h"

#include <cstdint>

namespace VQ {

class LControl;

class LRootWindow : public LNotificationDistributor, public LNotificationQueue {
public:
    // The queue delivers through the window itself (one cyclic reference). The services are not
    // counted: the platform window outlives the root window or clears them first.
    static RCPtr<LRootWindow> Create(const RCPtr<LRenderer>& renderer, IWindowOSServices* services);

    // Drops the clients registered with the window, forgets the services and shuts the queue down.
    VQRESULT ReleaseCyclicReferences() override;

    IWindowOSServices* GetOSServices() const { return m_services; }
    void ClearOSServices() { m_services = nullptr; }
    const RCPtr<LRenderer>& GetRenderer() const { return m_renderer; }

    // The screen position of the client origin and the client size, refreshed from the platform
    // window when there is one.
    RectT<int32_t> GetScreenRect();
    PointT<int32_t> GetClientSize();
    // Moves and sizes the window so that its client area covers the screen rectangle; nothing without
    // services or when the window already covers it.
    void SetWindowRect(const RectT<int32_t>& rect);

    // Adds a rectangle in client pixels to the dirty region. Callable from any thread.
    void Invalidate(int32_t x, int32_t y, int32_t width, int32_t height);
    // Moves the dirty region into region, leaving it empty.
    void TakeDirtyRegion(RectRegion& region);

    // The control tree the window shows; none removes it. The "GHK" keys of its string table replace
    // the hot keys of the previous tree. Returns 0.
    VQRESULT SetRootControl(const RCPtr<LControl>& control);
    const RCPtr<LControl>& GetRootControl() const { return m_rootControl; }
    // Posts the commands of the window's hot keys to the window's own queue.
    const RCPtr<LGlobalHotKeyManager>& GetHotKeyManager() const { return m_hotKeyManager; }

    // Draws the tree into the region (client pixels) with the window's renderer.
    void Paint(const RectRegion& region);
    // Draws a control and its clipped descendants, then the non-clipping ones in an unclipped pass.
    void RenderTree(const RCPtr<LControl>& control, const RectRegion& region, bool unclippedPass);

    // The deepest control under a client point and the point in its coordinates; none when no
    // control lies there. With updateHover the control found becomes the hover control.
    virtual RCPtr<LControl> ControlAtPoint(const PointT<int32_t>& point, PointT<int32_t>& localPoint,
                                           bool updateHover);
    void SetHoverControl(const RCPtr<LControl>& control);
    const RCPtr<LControl>& GetHoverControl() const { return m_hoverControl; }
    const RCPtr<LControl>& GetCaptureControl() const { return m_captureControl; }
    const RCPtr<LControl>& GetFocusControl() const { return m_focusControl; }
    const RCPtr<LControl>& GetTooltipOwner() const { return m_tooltipOwner; }
    // The pointer in client pixels.
    PointT<int32_t> GetCursorPos();
    // 0 applies the application's arrow cursor; returns the previous cursor (0 without services).
    IWindowOSServices::CursorHandle SetCursor(IWindowOSServices::CursorHandle cursor);

protected:
    ~LRootWindow() override;

private:
    LRootWindow(const RCPtr<LRenderer>& renderer, IWindowOSServices* services);

    RCPtr<LRenderer> m_renderer;
    IWindowOSServices* m_services;
    // Until the platform window answers.
    RectT<int32_t> m_windowRect{0, 0, 1024, 768};
    RCPtr<LControl> m_rootControl;
    RectRegion m_dirtyRegion;
    // Guards m_dirtyRegion, the one thing other threads reach.
    Mutex m_regionLock;
    RCPtr<LControl> m_focusControl;
    RCPtr<LControl> m_previousFocusControl;
    RCPtr<LControl> m_hoverControl;
    RCPtr<LControl> m_tooltipOwner;
    RCPtr<LControl> m_captureControl;
    // Holds the queue's posting receiver, which lets go of the queue at shutdown.
    RCPtr<LGlobalHotKeyManager> m_hotKeyManager;
};

} // namespace VQ
