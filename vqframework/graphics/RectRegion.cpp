#include "vqframework/graphics/RectRegion.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace VQ {

namespace {

bool Overlaps(const RectNode& node, int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    return left < right && top < bottom && node.left < right && left < node.right && node.top < bottom &&
           top < node.bottom;
}

int32_t ClampToEdge(double value)
{
    return static_cast<int32_t>(std::clamp(value, CoordinateLimits<int32_t>::Minimum, CoordinateLimits<int32_t>::Maximum));
}

int32_t ClampToEdge(int64_t value)
{
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

void SwapEdges(RectNode& a, RectNode& b)
{
    std::swap(a.left, b.left);
    std::swap(a.top, b.top);
    std::swap(a.right, b.right);
    std::swap(a.bottom, b.bottom);
}

} // namespace

RectRegion::~RectRegion()
{
    Clear();
}

void RectRegion::Clear()
{
    RectNodePool& pool = RectNodePool::Get();
    while (RectNode* node = m_head) {
        m_head = node->next;
        pool.Free(node);
    }
}

void RectRegion::PushFront(RectNode* node)
{
    node->next = m_head;
    m_head = node;
}

RectNode* RectRegion::PushNew(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    RectNode* node = RectNodePool::Get().Alloc();
    node->left = left;
    node->top = top;
    node->right = right;
    node->bottom = bottom;
    PushFront(node);
    return node;
}

void RectRegion::AddRect(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    if (right <= left || bottom <= top)
        return;
    SubtractRect(left, top, right, bottom);
    PushNew(left, top, right, bottom);
}

void RectRegion::AddRect(const RectT<double>& rect)
{
    if (std::isnan(rect.x) || std::isnan(rect.y) || std::isnan(rect.width) || std::isnan(rect.height))
        return;
    const int32_t left = ClampToEdge(std::trunc(rect.x + 0.5));
    const int32_t top = ClampToEdge(std::trunc(rect.y + 0.5));
    const int32_t right = ClampToEdge(left + std::trunc(rect.width + 0.5));
    const int32_t bottom = ClampToEdge(top + std::trunc(rect.height + 0.5));
    AddRect(left, top, right, bottom);
}

void RectRegion::Append(const RectRegion& other)
{
    // Copies go in front of the walk, so appending a region to itself ends.
    for (const RectNode* node = other.m_head; node; node = node->next)
        PushNew(node->left, node->top, node->right, node->bottom);
}

void RectRegion::SubtractRect(int32_t left, int32_t top, int32_t right, int32_t bottom, RectRegion* collect)
{
    // An empty rectangle overlaps nothing; cutting with one would leave empty nodes.
    if (right <= left || bottom <= top)
        return;
    RectNode* prev = nullptr;
    RectNode* q = m_head;
    while (q) {
        RectNode* const next = q->next;
        if (!Overlaps(*q, left, top, right, bottom)) {
            prev = q;
            q = next;
            continue;
        }
        if (prev)
            prev->next = next;
        else
            m_head = next;
        if (q->top < top) {
            PushNew(q->left, q->top, q->right, top);
            q->top = top;
        }
        if (bottom < q->bottom) {
            PushNew(q->left, bottom, q->right, q->bottom);
            q->bottom = bottom;
        }
        if (q->left < left) {
            PushNew(q->left, q->top, left, q->bottom);
            q->left = left;
        }
        if (right < q->right) {
            PushNew(right, q->top, q->right, q->bottom);
            q->right = right;
        }
        if (collect)
            collect->PushFront(q);
        else
            RectNodePool::Get().Free(q);
        // Nodes put at the head now stand before the successor when q was the head.
        if (!prev && m_head != next) {
            prev = m_head;
            while (prev->next != next)
                prev = prev->next;
        }
        q = next;
    }
}

void RectRegion::Subtract(const RectRegion& other, RectRegion* collect)
{
    if (&other == this) {
        // Every node is its own overlap; walking the list being cut would read freed nodes.
        while (RectNode* node = m_head) {
            m_head = node->next;
            if (collect)
                collect->PushFront(node);
            else
                RectNodePool::Get().Free(node);
        }
        return;
    }
    for (const RectNode* node = other.m_head; node; node = node->next)
        SubtractRect(node->left, node->top, node->right, node->bottom, collect);
}

void RectRegion::Intersect(const RectRegion& other)
{
    RectRegion overlap;
    Subtract(other, &overlap);
    std::swap(m_head, overlap.m_head);
}

void RectRegion::Normalize()
{
    SortByTop();
    CutIntoBands();
    MergeWithinBands();
    JoinBands();
}

// Bubble passes, so that equal tops keep their order.
void RectRegion::SortByTop()
{
    bool swapped = true;
    while (swapped) {
        swapped = false;
        for (RectNode* node = m_head; node && node->next; node = node->next) {
            if (node->next->top < node->top) {
                SwapEdges(*node, *node->next);
                swapped = true;
            }
        }
    }
}

// Cuts every node at the band limit of its group, the nearest bottom or next top below its top,
// keeping the list sorted by top; the lower pieces are cut again when the walk reaches them.
void RectRegion::CutIntoBands()
{
    int32_t limit = 0;
    bool limitIsTop = false;
    for (RectNode* node = m_head; node; node = node->next) {
        if (node == m_head || node->top >= limit || node->bottom <= limit) {
            limit = node->bottom;
            limitIsTop = false;
            const RectNode* other = node->next;
            for (; other && other->top == node->top; other = other->next)
                limit = std::min(limit, other->bottom);
            if (other && other->top < limit) {
                limit = other->top;
                limitIsTop = true;
            }
            if (limit >= node->bottom)
                continue;
        }
        RectNode* piece = RectNodePool::Get().Alloc();
        piece->left = node->left;
        piece->top = limit;
        piece->right = node->right;
        piece->bottom = node->bottom;
        node->bottom = limit;
        RectNode* after = node;
        if (limitIsTop) {
            while (after->top != limit && after->next)
                after = after->next;
        } else {
            while (after->next && after->next->top < limit)
                after = after->next;
        }
        piece->next = after->next;
        after->next = piece;
    }
}

// Within each run of equal tops, touching nodes merge and the rest bubble into order by left edge.
void RectRegion::MergeWithinBands()
{
    RectNodePool& pool = RectNodePool::Get();
    for (RectNode* first = m_head; first;) {
        const int32_t top = first->top;
        // Passes repeat after a merge as well: a merged node may touch one it has passed.
        bool changed = true;
        while (changed) {
            changed = false;
            RectNode* node = first;
            while (node->next && node->next->top == top) {
                RectNode* successor = node->next;
                if (node->right == successor->left || successor->right == node->left) {
                    node->left = std::min(node->left, successor->left);
                    node->right = std::max(node->right, successor->right);
                    node->next = successor->next;
                    pool.Free(successor);
                    changed = true;
                } else if (successor->left < node->left) {
                    SwapEdges(*node, *successor);
                    node = successor;
                    changed = true;
                } else {
                    node = successor;
                }
            }
        }
        while (first && first->top == top)
            first = first->next;
    }
}

// From the top, a node whose span continues unchanged in the adjoining band below is merged into
// that lower node, which keeps its place; a band is a run of equal bottoms, as merging moves tops.
void RectRegion::JoinBands()
{
    RectNodePool& pool = RectNodePool::Get();
    RectNode** bandLink = &m_head;
    while (*bandLink) {
        const int32_t bottom = (*bandLink)->bottom;
        RectNode** nextLink = bandLink;
        while (*nextLink && (*nextLink)->bottom == bottom)
            nextLink = &(*nextLink)->next;
        RectNode* const below = *nextLink;
        if (below && below->top == bottom) {
            RectNode** link = bandLink;
            while (*link != below) {
                RectNode* upper = *link;
                RectNode* lower = below;
                while (lower && lower->bottom == below->bottom &&
                       !(lower->top == bottom && lower->left == upper->left && lower->right == upper->right))
                    lower = lower->next;
                if (lower && lower->bottom == below->bottom) {
                    lower->top = upper->top;
                    *link = upper->next;
                    pool.Free(upper);
                } else {
                    link = &upper->next;
                }
            }
            nextLink = link;
        }
        bandLink = nextLink;
    }
}

void RectRegion::Offset(int32_t dx, int32_t dy)
{
    if (dx == 0 && dy == 0)
        return;
    RectNode** link = &m_head;
    while (RectNode* node = *link) {
        node->left = ClampToEdge(int64_t{node->left} + dx);
        node->right = ClampToEdge(int64_t{node->right} + dx);
        node->top = ClampToEdge(int64_t{node->top} + dy);
        node->bottom = ClampToEdge(int64_t{node->bottom} + dy);
        if (node->left < node->right && node->top < node->bottom) {
            link = &node->next;
        } else {
            *link = node->next;
            RectNodePool::Get().Free(node);
        }
    }
}

uint32_t RectRegion::GetCount() const
{
    uint32_t count = 0;
    for (const RectNode* node = m_head; node; node = node->next)
        ++count;
    return count;
}

bool RectRegion::GetBounds(int32_t& left, int32_t& top, int32_t& right, int32_t& bottom) const
{
    left = top = right = bottom = 0;
    if (!m_head)
        return false;
    left = m_head->left;
    top = m_head->top;
    right = m_head->right;
    bottom = m_head->bottom;
    for (const RectNode* node = m_head->next; node; node = node->next) {
        left = std::min(left, node->left);
        top = std::min(top, node->top);
        right = std::max(right, node->right);
        bottom = std::max(bottom, node->bottom);
    }
    return true;
}

void RectRegion::GetRects(IArray<RectT<int32_t>>& rects) const
{
    rects.SetCount(0);
    // A node wider than the 32-bit range has its size clamped.
    for (const RectNode* node = m_head; node; node = node->next)
        rects.Add({node->left, node->top, ClampToEdge(int64_t{node->right} - node->left),
                   ClampToEdge(int64_t{node->bottom} - node->top)});
}

bool RectRegion::Intersects(int32_t left, int32_t top, int32_t right, int32_t bottom) const
{
    for (const RectNode* node = m_head; node; node = node->next) {
        if (Overlaps(*node, left, top, right, bottom))
            return true;
    }
    return false;
}

bool RectRegion::Intersects(const RectT<double>& rect, const PointT<double>& offset) const
{
    const double left = std::max(0.0, rect.x + offset.x);
    const double top = std::max(0.0, rect.y + offset.y);
    const double right = std::min(rect.x + rect.width + offset.x, CoordinateLimits<int32_t>::Maximum);
    const double bottom = std::min(rect.y + rect.height + offset.y, CoordinateLimits<int32_t>::Maximum);
    // Written so that NaN sides count as empty too.
    if (!(right - left > CoordinateLimits<double>::Epsilon) || !(bottom - top > CoordinateLimits<double>::Epsilon))
        return false;
    return Intersects(ConvertCoordinate<int32_t>(left), ConvertCoordinate<int32_t>(top), ConvertCoordinate<int32_t>(right),
                      ConvertCoordinate<int32_t>(bottom));
}

} // namespace VQ
