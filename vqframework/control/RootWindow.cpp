#include "vqframework/control/RootWindow.h"

#include "vqframework/control/Control.h"

#include "vqframework/renderer/Renderer.h"

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <utility>

namespace VQ {

LRootWindow::LRootWindow(const RCPtr<LRenderer>& renderer, IWindowOSServices* services)
    : m_renderer(renderer), m_services(services)
{
}

LRootWindow::~LRootWindow() = default;

RCPtr<LRootWindow> LRootWindow::Create(const RCPtr<LRenderer>& renderer, IWindowOSServices* services)
{
    RCPtr<LRootWindow> window(new LRootWindow(renderer, services));
    window->SetDistributor(window);
    window->m_hotKeyManager = LGlobalHotKeyManager::Create(window->GetPostingReceiver());
    return window;
}

VQRESULT LRootWindow::ReleaseCyclicReferences()
{
    RemoveAllClients();
    m_services = nullptr;
    SetRootControl(RCPtr<LControl>());
    Shutdown();
    return GetCyclicCount() == 0 && GetRefCount() == 1 ? S_OK : E_FAIL;
}

RectT<int32_t> LRootWindow::GetScreenRect()
{
    if (m_services) {
        RectT<int32_t> client = m_windowRect;
        PointT<int32_t> origin{m_windowRect.x, m_windowRect.y};
        if (m_services->GetClientRect(client) >= 0 && m_services->ClientToScreen(origin, {0, 0}) >= 0)
            m_windowRect = {origin.x, origin.y, client.width, client.height};
    }
    return m_windowRect;
}

PointT<int32_t> LRootWindow::GetClientSize()
{
    const RectT<int32_t> rect = GetScreenRect();
    return {rect.width, rect.height};
}

void LRootWindow::SetWindowRect(const RectT<int32_t>& rect)
{
    if (!m_services || rect == GetScreenRect())
        return;
    m_services->SetWindowRect(rect.x, rect.y, rect.width, rect.height);
}

void LRootWindow::Invalidate(int32_t x, int32_t y, int32_t width, int32_t height)
{
    if (width <= 0 || height <= 0)
        return;
    const int64_t right = std::min<int64_t>(int64_t(x) + width, INT32_MAX);
    const int64_t bottom = std::min<int64_t>(int64_t(y) + height, INT32_MAX);
    std::scoped_lock lock(m_regionLock);
    m_dirtyRegion.AddRect(x, y, static_cast<int32_t>(right), static_cast<int32_t>(bottom));
}

void LRootWindow::TakeDirtyRegion(RectRegion& region)
{
    region.Clear();
    std::scoped_lock lock(m_regionLock);
    region.Append(m_dirtyRegion);
    m_dirtyRegion.Clear();
}

VQRESULT LRootWindow::SetRootControl(const RCPtr<LControl>& control)
{
    // A copy: the argument may be m_rootControl itself, which is emptied below.
    const RCPtr<LControl> root = control;
    const bool reinstall = root && root == m_rootControl;
    m_focusControl.Release();
    m_previousFocusControl.Release();
    m_hoverControl.Release();
    m_captureControl.Release();
    // The old tree's tooltip would otherwise stay shown and keep that tree alive.
    if (const RCPtr<LControl> owner = std::exchange(m_tooltipOwner, RCPtr<LControl>()))
        owner->ShowTooltip(false);
    // The control already shown stays open and keeps its link to this window.
    if (m_rootControl && !reinstall) {
        const RCPtr<LControl> old = std::exchange(m_rootControl, RCPtr<LControl>());
        // The old control's link to this window stops counting as cyclic before Close drops it.
        AddCyclicReferences(-1);
        old->Close();
        m_hotKeyManager->GetHotKeyMap().Clear();
    }
    if (!root)
        return S_OK;

    m_rootControl = root;
    if (const RCPtr<LStringTable> table = root->GetStringTable())
        (void)m_hotKeyManager->GetHotKeyMap().Load(table.Get(), u"GHK");
    if (!root->GetRootWindow())
        root->AttachToRootWindow(this);
    // The root control always fills the client area.
    if (const RCPtr<LLayoutDescriptor>& layout = root->GetLayout()) {
        LayoutPositionSpec position[2];
        LayoutSizeSpec size[2];
        for (int32_t axis = 0; axis < 2; ++axis) {
            layout->GetPlacement(axis, position[axis], size[axis]);
            position[axis] = {0, ReferenceClient, position[axis].name, 0, 0, position[axis].docked};
            size[axis] = {ReferenceClient, size[axis].name, 1.0f, 0};
        }
        root->SetPlacementXY(position[0], size[0], position[1], size[1]);
    }
    if (!m_focusControl && m_services) {
        if (m_services->HasFocus())
            root->SetFocus(true);
        else
            m_services->SetFocus();
    }
    if (!reinstall)
        AddCyclicReferences(1);
    const PointT<int32_t> client = GetClientSize();
    Invalidate(0, 0, client.x, client.y);
    return S_OK;
}

} // namespace VQ
