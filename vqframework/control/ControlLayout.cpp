// Where a control lies and how large it is: its layout records computed against its parent, its
// siblings, its children, its text or, at top level, its window, the screen and the pointer.
#include "vqframework/control/Control.h"

#include "vqframework/application/ApplicationServices.h"
#include "vqframework/control/LayoutSuspension.h"
#include "vqframework/control/RootWindow.h"

#include <algorithm>
#include <cmath>

namespace VQ {

namespace {

constexpr double SizeEpsilon = 2.220446049250313e-16;
constexpr double SizeKeptEpsilon = 2.220446049250313e-15;
constexpr double TextLimit = 8388608.0;

// 0 for an infinity or a NaN, else the value within the coordinate limit.
double FiniteCoordinate(double value)
{
    return std::isfinite(value) ? ConvertCoordinate<double>(value) : 0.0;
}

// A float factor times a size, taken from the float's exact value, rounded half away from zero.
double RoundedShare(float rel, double size)
{
    return std::round(static_cast<double>(rel) * size);
}

// A text length in whole pixels; out-of-range values clamp instead of overflowing.
double TruncatedPixels(double value)
{
    return static_cast<double>(detail::TruncateCoordinate(value));
}

const LayoutPosition& PositionOf(const LLayoutDescriptor& layout, int32_t axis)
{
    return axis == 0 ? layout.XPosition : layout.YPosition;
}

const LayoutSize& SizeOf(const LLayoutDescriptor& layout, int32_t axis)
{
    return axis == 0 ? layout.XSize : layout.YSize;
}

bool IsDocked(const LLayoutDescriptor* layout, int32_t axis)
{
    return layout && (axis == 0 ? layout->XIsDocked : layout->YIsDocked);
}

double Origin(const RectT<double>& rect, int32_t axis)
{
    return axis == 0 ? rect.x : rect.y;
}

double Extent(const RectT<double>& rect, int32_t axis)
{
    return axis == 0 ? rect.width : rect.height;
}

// One reference of an axis: where it starts and how long it is.
struct Span {
    double origin = 0;
    double size = 0;
};

// The rectangle a size limit measures against, in the coordinates of the control's own position.
struct LimitBox {
    PointT<double> origin;
    PointT<double> extent;
};

// The box a named limit measures against: a child of that name or, for "Children", the children's
// bounding box, of which only the extent counts on the axis in hand. False when the rule does nothing.
bool GetLimitBox(const LControl& control, const LControl::String& name, double position, double anchor, int32_t axis,
                 bool forMaximum, LimitBox& box)
{
    const RectT<double> client = control.GetLookClientRect(-1);
    // Into this control's position coordinates: content minus scroll plus the client origin, and a
    // docked child's own scroll share removed once more.
    const auto place = [&](const LControl& child, bool dockedCorrection) {
        RectT<double> placed = child.GetRect();
        for (int32_t i = 0; i < 2; ++i) {
            double origin = Origin(placed, i) - control.GetScrollOffset()[i] + Origin(client, i);
            if (dockedCorrection && IsDocked(child.GetLayout().Get(), i))
                origin -= control.GetScrollOffset()[i];
            (i == 0 ? placed.x : placed.y) = origin;
        }
        return placed;
    };

    if (const RCPtr<LControl>& child = control.FindChild(name)) {
        const RectT<double> placed = place(*child, true);
        for (int32_t i = 0; i < 2; ++i) {
            box.origin[i] = (i == axis ? position : 0) + Origin(placed, i);
            box.extent[i] = Extent(placed, i);
        }
        return true;
    }
    if (!(name == u"Children"))
        return false;

    const RCPtr<LControl>& first = control.GetChildren().GetAt(0, LControl::ChildControlList::OrderInsertion);
    if (forMaximum && IsDocked(first->GetLayout().Get(), 0) && IsDocked(first->GetLayout().Get(), 1))
        return false;
    RectT<double> bounds = place(*first, false);
    for (uint32_t i = 1; i < control.GetChildren().GetCount(); ++i) {
        const RCPtr<LControl>& child = control.GetChildren().GetAt(i, LControl::ChildControlList::OrderInsertion);
        // The minimum covers only what is drawn inside this control; the maximum covers every child.
        if (!forMaximum && !(child->GetLayout() && child->GetLayout()->ClipToParent))
            continue;
        RectT<double>::Union(bounds, bounds, place(*child, true));
    }
    for (int32_t i = 0; i < 2; ++i) {
        box.extent[i] = Extent(bounds, i);
        box.origin[i] = i == axis ? position - anchor * box.extent[i] : Origin(bounds, i);
    }
    return true;
}

// The look's frame around its client area, added to a size that covers children; whether it added any.
bool AddNonClientFrame(const LControl& control, int32_t axis, double& size)
{
    if (!control.GetLook(-1))
        return false;
    const double frame = ConvertCoordinate<double>(Extent(control.GetRect(), axis) - Extent(control.GetLookClientRect(-1), axis));
    size += frame;
    return frame != 0;
}

} // namespace

VQRESULT LControl::UpdateLayout()
{
    if (!m_layout)
        return E_FAIL;
    const RCPtr<LLayoutDescriptor> layout = m_layout;

    RectT<double> rect;
    if (m_parent) {
        if (ComputeControlRect(layout.Get(), m_parent.Get(), {}, {}, {}, rect) != S_OK)
            rect = {};
    } else {
        if (m_created && !m_rootWindow)
            return E_FAIL;
        IApplicationServices* application = GetApplicationServices();
        LRootWindow* window = m_rootWindow.Get();
        if (!window && application)
            window = application->GetActiveRootWindow();
        if (!window && application)
            window = application->GetRootWindow(0);
        if (!window)
            return E_FAIL;

        const RectT<double> workArea =
            application ? application->GetWorkArea().ToDouble() : RectT<double>{};
        // x and y: the screen position of the client origin; width and height: the client size.
        const RectT<double> client = window->GetScreenRect().ToDouble();
        const PointT<double> clientSize{ConvertCoordinate<double>(client.width), ConvertCoordinate<double>(client.height)};
        const PointT<double> origin{client.x, client.y};
        // The screen's origin in the window's client coordinates; the work area's own x and y do not count.
        const RectT<double> screen{-origin.x, -origin.y, ConvertCoordinate<double>(workArea.width),
                                   ConvertCoordinate<double>(workArea.height)};
        const PointT<double> cursor =
            application ? application->GetScreenCursorPos().ToDouble() : PointT<double>{};
        const PointT<double> point{ConvertCoordinate<double>(cursor.x - origin.x), ConvertCoordinate<double>(cursor.y - origin.y)};
        if (ComputeControlRect(layout.Get(), nullptr, screen, clientSize, point, rect) != S_OK)
            rect = {};
    }

    PointT<double> position{rect.x, rect.y};
    PointT<double> size{rect.width, rect.height};
    ApplyMinSize(position, size);
    ApplyMaxSize(position, size);
    rect = {position.x, position.y, size.x, size.y};
    rect.Normalize();
    // Skin values can reach infinity, and a NaN never compares equal: such a rectangle would count
    // as changed at every layout.
    rect = {FiniteCoordinate(rect.x), FiniteCoordinate(rect.y), FiniteCoordinate(rect.width),
            FiniteCoordinate(rect.height)};
    return SetRect({rect.x, rect.y}, {rect.width, rect.height});
}

VQRESULT LControl::UpdateLayout(int32_t, int32_t)
{
    UpdateLayout();
    return S_OK;
}

VQRESULT LControl::ComputeControlRect(const LLayoutDescriptor* layout, LControl* parent, const RectT<double>& screen,
                                      const PointT<double>& clientSize, const PointT<double>& point,
                                      RectT<double>& rect)
{
    if (!layout) {
        rect = {};
        if (parent || (screen.width > SizeEpsilon && screen.height > SizeEpsilon))
            return E_INVALIDARG;
        return S_OK;
    }

    RectT<double> parentFrame;
    RectT<double> clientFrame;
    PointT<double> scroll;
    if (parent) {
        const RectT<double> client = parent->GetLookClientRect(-1);
        parentFrame = {-client.x, -client.y, parent->m_rect.width, parent->m_rect.height};
        clientFrame = {0, 0, client.width, client.height};
        scroll = parent->m_scrollOffset;
    } else {
        parentFrame = screen;
        clientFrame = {0, 0, clientSize.x, clientSize.y};
    }

    // A sibling's current rectangle, taken where it lies unscrolled when it is docked; at top level
    // every name means the pointer.
    const auto named = [&](const LControl::String& name, int32_t axis) -> Span {
        if (!parent)
            return {point[axis], 0};
        const RCPtr<LControl>& sibling = parent->FindChild(name);
        if (!sibling)
            return {};
        double origin = Origin(sibling->m_rect, axis);
        if (IsDocked(sibling->m_layout.Get(), axis))
            origin -= scroll[axis];
        return {origin, Extent(sibling->m_rect, axis)};
    };
    // Kinds no reader produces measure against nothing, like a name that is not found.
    const auto reference = [&](int32_t kind, const LControl::String& name, int32_t axis, int32_t namedKind) -> Span {
        if (kind == ReferenceParent)
            return {Origin(parentFrame, axis), Extent(parentFrame, axis)};
        if (kind == ReferenceClient)
            return {0, Extent(clientFrame, axis)};
        if (kind == namedKind)
            return named(name, axis);
        return {};
    };

    PointT<double> position;
    PointT<double> size;
    for (int32_t axis = 0; axis < 2; ++axis) {
        const LayoutPosition& placement = PositionOf(*layout, axis);
        const LayoutSize& extent = SizeOf(*layout, axis);
        const double a = placement.anchor;

        const Span from = reference(placement.kind, placement.name, axis, ReferencePositionNamed);
        const double p = RoundedShare(placement.rel, from.size) + placement.abs + from.origin;

        double s = 0;
        if (extent.kind == ReferenceSelf) {
            s = extent.abs < 0 ? 0 : extent.abs;
        } else {
            const Span to = reference(extent.kind, extent.name, axis, ReferenceSizeNamed);
            const double far = RoundedShare(extent.rel, to.size) + to.origin + extent.abs;
            const double d = far - p;
            if (d > 0 && a >= 0 && a < 1)
                s = d / (1 - a);
            else if (d < 0 && a > 0 && a <= 1)
                s = -d / a;
        }

        double start = p - a * s;
        // A docked axis keeps its place in the parent's view while the parent scrolls.
        if (IsDocked(layout, axis))
            start += scroll[axis];
        position[axis] = start;
        size[axis] = s;
    }
    rect = {position.x, position.y, size.x, size.y};
    return S_OK;
}

VQRESULT LControl::ApplyMinSize(PointT<double>& position, PointT<double>& size)
{
    if (!m_layout)
        return 0;
    const RCPtr<LLayoutDescriptor> layout = m_layout;
    VQRESULT result = 0;
    for (int32_t axis = 0; axis < 2; ++axis) {
        const LayoutLimit& minimum = axis == 0 ? layout->XMinSize : layout->YMinSize;
        const double a = PositionOf(*layout, axis).anchor;
        double& p = position[axis];
        double& s = size[axis];
        VQRESULT axisResult = 0;

        if (!minimum.named) {
            double m = minimum.abs;
            const RCPtr<LLook>& look = GetLook(-1);
            const RCPtr<LFontText> text = look ? look->GetTextBlock() : nullptr;
            const bool expandX = axis == 0 && layout->TextOverflowXType == 1;
            const bool expandY = axis == 1 && layout->TextOverflowYType == 1;
            if (text && look->GetDescriptor() && (expandX || expandY)) {
                const LookTextProperties& props = look->GetDescriptor()->GetTextProperties();
                if (expandX) {
                    const double left = props.TextLeftAbs + static_cast<double>(props.TextLeftRel) * size.x;
                    const double right = props.TextRightAbs + static_cast<double>(props.TextRightRel) * size.x;
                    const double available = static_cast<float>(std::clamp(right - left, -TextLimit, TextLimit));
                    text->SetWrap(false);
                    const double growth = std::ceil(text->GetTextWidth() - available);
                    // Equal relative edges do not widen the text rectangle with the control.
                    const double rel = static_cast<double>(props.TextRightRel) - props.TextLeftRel;
                    if (growth > 0 && rel != 0)
                        m = std::max(m, size.x + TruncatedPixels(std::ceil(growth / rel)));
                    const LayoutLimit& maximum = layout->XMaxSize;
                    if (!maximum.named && maximum.abs > 0 && m > maximum.abs) {
                        m = maximum.abs;
                        text->SetWrap(true);
                    }
                } else {
                    const double top = props.TextTopAbs + static_cast<double>(props.TextTopRel) * size.y;
                    const double bottom = props.TextBottomAbs + static_cast<double>(props.TextBottomRel) * size.y;
                    const double available = static_cast<float>(std::clamp(bottom - top, -TextLimit, TextLimit));
                    const int32_t width = detail::TruncateCoordinate(size.x);
                    const double growth = std::ceil(text->GetTextHeight(width) - available);
                    const double rel = static_cast<double>(props.TextBottomRel) - props.TextTopRel;
                    if (growth > 0 && rel != 0)
                        m = std::max(m, size.y + TruncatedPixels(std::ceil(growth / rel)));
                }
            }
            if (m > s) {
                // The anchor point keeps its place.
                p -= std::round(a * (m - s));
                s = m;
                axisResult = 1;
            }
        } else if (m_children.GetCount() > 0) {
            const bool children = minimum.name == u"Children";
            LimitBox box;
            if (!GetLimitBox(*this, minimum.name, p, a, axis, false, box))
                continue;
            const double extent = box.extent[axis];
            if (extent > 0) {
                const double far = static_cast<double>(minimum.rel) * extent + box.origin[axis] + minimum.abs;
                if (p > far) {
                    if (a > 0 && a <= 1) {
                        const double excess = p - far;
                        p = far;
                        s += std::round(excess / a);
                        axisResult = 1;
                    } else {
                        axisResult = E_FAIL;
                    }
                } else if (far > p + s) {
                    if (a >= 0 && a < 1) {
                        const double excess = far - (p + s);
                        p -= std::round(excess * a / (1 - a));
                        s = std::round(far) - p;
                        axisResult = 1;
                    } else {
                        axisResult = E_FAIL;
                    }
                }
                if (children && AddNonClientFrame(*this, axis, s) && axisResult == 0)
                    axisResult = 1;
            }
        }
        if (axisResult != 0)
            result = axisResult;
    }
    return result;
}

VQRESULT LControl::ApplyMaxSize(PointT<double>& position, PointT<double>& size)
{
    if (!m_layout)
        return 0;
    const RCPtr<LLayoutDescriptor> layout = m_layout;
    VQRESULT result = 0;
    for (int32_t axis = 0; axis < 2; ++axis) {
        const LayoutLimit& maximum = axis == 0 ? layout->XMaxSize : layout->YMaxSize;
        const double a = PositionOf(*layout, axis).anchor;
        double& p = position[axis];
        double& s = size[axis];

        if (!maximum.named) {
            // Only a positive Abs is a maximum: 0 means none, and a negative one could only flip the control.
            if (maximum.abs > 0 && maximum.abs < s) {
                p -= std::round(a * (maximum.abs - s));
                s = maximum.abs;
                result = 1;
            }
            continue;
        }
        if (m_children.GetCount() == 0)
            continue;
        LimitBox box;
        if (!GetLimitBox(*this, maximum.name, p, a, axis, true, box))
            continue;
        if (box.extent.x > SizeEpsilon && box.extent.y > SizeEpsilon) {
            const double far = static_cast<double>(maximum.rel) * box.extent[axis] + box.origin[axis] + maximum.abs;
            if (p < far && far < p + s) {
                p -= std::round(a * (far - (p + s)));
                s = std::round(far) - p;
                result = 1;
            }
        }
        if (maximum.name == u"Children" && AddNonClientFrame(*this, axis, s))
            result = 1;
    }
    return result;
}

VQRESULT LControl::SetRect(const PointT<double>& position, const PointT<double>& size)
{
    if (position.x == m_rect.x && position.y == m_rect.y && size.x == m_rect.width && size.y == m_rect.height)
        return 1;
    // Held: the children, siblings, parent and focus hand-off may run code that drops this control.
    // A control still under construction has no reference yet, and one taken here would delete it.
    RCPtr<LControl> self;
    if (GetRefCount() > 0)
        self = RCPtr<LControl>(this);
    GetClientRect();
    const bool sizeKept =
        std::fabs(size.x - m_rect.width) < SizeKeptEpsilon && std::fabs(size.y - m_rect.height) < SizeKeptEpsilon;
    const bool clip = m_layout ? m_layout->ClipToParent : true;

    Invalidate({0, 0, m_rect.width, m_rect.height}, clip);
    if (m_overflowCount > 0)
        InvalidateOverflow();

    m_rect = {position.x, position.y, size.x, size.y};
    const int32_t width = ConvertCoordinate<int32_t>(size.x);
    const int32_t height = ConvertCoordinate<int32_t>(size.y);
    for (uint32_t i = 0; i < m_looks.GetCount(); ++i)
        if (const RCPtr<LLook>& look = m_looks.GetAt(i))
            look->SetSize(width, height);

    if (!sizeKept && !m_layoutSuspended) {
        // Cleared also when a child list that shrank under the walk throws.
        const LayoutSuspension suspension(m_layoutSuspended);
        const uint32_t count = m_children.GetCount();
        for (uint32_t i = 0; i < count; ++i) {
            const RCPtr<LControl> child = m_children.GetAt(i, ChildControlList::OrderInsertion);
            static_cast<UITarget&>(*child).UpdateLayout(width, height);
        }
        // The named limits depend on the children's new rectangles.
        UpdateLayout();
    }

    if (m_parent) {
        const RCPtr<LControl> parent = m_parent;
        const int32_t index = parent->m_children.IndexOf(this);
        if (index >= 0) {
            // A sibling that changes walks the ones after it itself.
            for (uint32_t i = static_cast<uint32_t>(index) + 1; i < parent->m_children.GetCount(); ++i) {
                const RCPtr<LControl> sibling = parent->m_children.GetAt(i, ChildControlList::OrderInsertion);
                if (sibling->UpdateLayout() != 1)
                    break;
            }
            parent->OnChildChanged(self);
        }
    } else if (m_rootWindow) {
        // The window keeps its place and takes the control's size.
        const RectT<int32_t> screen = m_rootWindow->GetScreenRect();
        m_rootWindow->SetWindowRect({screen.x, screen.y, width, height});
    }

    if ((size.x <= 0 || size.y <= 0) && m_parent && (m_hasFocus || m_containsFocus))
        m_parent->SetFocus(true);

    Invalidate({0, 0, size.x, size.y}, m_layout ? m_layout->ClipToParent : clip);
    if (m_overflowCount > 0)
        InvalidateOverflow();
    CheckClientSize();
    return S_OK;
}

bool LControl::SetPlacement(int32_t axis, const LayoutPositionSpec& position, const LayoutSizeSpec& size)
{
    if (!m_layout)
        return true;
    // The siblings' drawing order depends on docking.
    if ((axis == 0 || axis == 1) && m_parent && position.docked != IsDocked(m_layout.Get(), axis))
        m_parent->m_children.Touch();
    m_layout->SetPlacement(axis, position, size);
    UpdateLayout();
    LayoutPositionSpec storedPosition;
    LayoutSizeSpec storedSize;
    if (!m_layout || m_layout->GetPlacement(axis, storedPosition, storedSize) != S_OK)
        return true;
    return !(storedPosition == position) || !(storedSize == size);
}

bool LControl::SetPlacementXY(const LayoutPositionSpec& positionX, const LayoutSizeSpec& sizeX,
                              const LayoutPositionSpec& positionY, const LayoutSizeSpec& sizeY)
{
    if (!m_layout)
        return true;
    if (m_parent && (positionX.docked != m_layout->XIsDocked || positionY.docked != m_layout->YIsDocked))
        m_parent->m_children.Touch();
    m_layout->SetPlacement(0, positionX, sizeX);
    m_layout->SetPlacement(1, positionY, sizeY);
    UpdateLayout();
    if (!m_layout)
        return true;
    LayoutPositionSpec storedX, storedY;
    LayoutSizeSpec storedSizeX, storedSizeY;
    m_layout->GetPlacement(0, storedX, storedSizeX);
    m_layout->GetPlacement(1, storedY, storedSizeY);
    return !(storedX == positionX) || !(storedSizeX == sizeX) || !(storedY == positionY) ||
           !(storedSizeY == sizeY);
}

bool LControl::SetSizeLimits(int32_t axis, const LayoutSizeSpec& minimum, const LayoutSizeSpec& maximum)
{
    if (!m_layout)
        return true;
    m_layout->SetSizeLimits(axis, minimum, maximum);
    UpdateLayout();
    LayoutSizeSpec storedMinimum;
    LayoutSizeSpec storedMaximum;
    if (!m_layout || m_layout->GetSizeLimits(axis, storedMinimum, storedMaximum) != S_OK)
        return true;
    return !storedMinimum.EqualsAsLimit(minimum) || !storedMaximum.EqualsAsLimit(maximum);
}

PointT<double> LControl::GetNaturalSize()
{
    PointT<double> natural;
    for (int32_t axis = 0; axis < 2; ++axis) {
        LayoutPositionSpec position;
        LayoutSizeSpec size;
        if (!m_layout || m_layout->GetPlacement(axis, position, size) != S_OK)
            return {};
        SetPlacement(axis, position, LayoutSizeSpec{ReferenceSelf, {}, 0, 0});
        natural[axis] = Extent(m_rect, axis);
        SetPlacement(axis, position, size);
    }
    return natural;
}

PointT<double> LControl::GetMaxSize()
{
    if (!m_layout)
        return {};
    // Only a positive absolute maximum limits; named maxima depend on the children.
    const auto limit = [](const LayoutLimit& maximum) { return !maximum.named && maximum.abs > 0 ? maximum.abs : 0.0; };
    return {limit(m_layout->XMaxSize), limit(m_layout->YMaxSize)};
}

PointT<double> LControl::GetPositionInParent()
{
    if (!m_parent)
        return {m_rect.x, m_rect.y};
    const RectT<double> client = m_parent->GetLookClientRect(-1);
    return {m_rect.x - m_parent->m_scrollOffset.x + client.x, m_rect.y - m_parent->m_scrollOffset.y + client.y};
}

PointT<double> LControl::GetPositionInWindow()
{
    PointT<double> position{m_rect.x, m_rect.y};
    for (const LControl* ancestor = m_parent.Get(); ancestor; ancestor = ancestor->m_parent.Get()) {
        const RectT<double> client = ancestor->GetLookClientRect(-1);
        position.x += client.x - ancestor->m_scrollOffset.x + ancestor->m_rect.x;
        position.y += client.y - ancestor->m_scrollOffset.y + ancestor->m_rect.y;
    }
    return position;
}

void LControl::MapPointFrom(const RCPtr<LControl>& other, PointT<double>& point)
{
    if (!other)
        return;
    const auto whole = [](const PointT<double>& position) {
        const PointT<double> rounded = position.Round().ToDouble();
        return PointT<double>{ConvertCoordinate<double>(rounded.x), ConvertCoordinate<double>(rounded.y)};
    };
    const PointT<double> from = whole(other->GetPositionInWindow());
    const PointT<double> to = whole(GetPositionInWindow());
    point.x += from.x - to.x;
    point.y += from.y - to.y;
}

} // namespace VQ
