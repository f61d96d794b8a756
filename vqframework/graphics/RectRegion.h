// An area of the integer pixel plane kept as a list of rectangles that never overlap: the dirty,
// repaint and clip areas of windows, render contexts, looks and controls.
#pragma once

#include "vqframework/graphics/RectNodePool.h"
#include "vqframework/storage/IArray.h"
#include "vqframework/storage/RectT.h"

#include <cstdint>

namespace VQ {

// Rectangles in edge form are (left, top, right, bottom) with right and bottom exclusive; one
// with right <= left or bottom <= top is empty. A plain value: copies are made with Append.
class RectRegion {
public:
    RectRegion() = default;
    ~RectRegion();
    RectRegion(const RectRegion&) = delete;
    RectRegion& operator=(const RectRegion&) = delete;

    // Returns every node to the pool.
    void Clear();

    // The whole rectangle becomes one node at the head; the nodes it covers are cut around it.
    // Empty rectangles are ignored.
    void AddRect(int32_t left, int32_t top, int32_t right, int32_t bottom);
    // x and y are rounded half up and the size added after rounding, both truncated toward zero;
    // edges beyond the 32-bit range are clamped and a NaN field makes the rectangle empty.
    void AddRect(const RectT<double>& rect);
    // Prepends a copy of each node of the other region, with no overlap check: for regions that do
    // not overlap this one.
    void Append(const RectRegion& other);

    // Removes the rectangle's area; the removed pieces go to the head of collect when given.
    void SubtractRect(int32_t left, int32_t top, int32_t right, int32_t bottom, RectRegion* collect = nullptr);
    // SubtractRect for each node of the other region, in its list order.
    void Subtract(const RectRegion& other, RectRegion* collect = nullptr);
    void Intersect(const RectRegion& other);

    // Reorders, splits and merges the nodes into bands of equal top and bottom, each sorted by
    // left edge with no two nodes touching, and joins equal spans of adjoining bands.
    void Normalize();
    // Edges that would leave the 32-bit range are clamped; nodes that become empty are dropped.
    void Offset(int32_t dx, int32_t dy);

    uint32_t GetCount() const;
    // All zero and false for an empty region.
    bool GetBounds(int32_t& left, int32_t& top, int32_t& right, int32_t& bottom) const;
    // Replaces the array's content with the nodes as (x, y, width, height), in list order.
    void GetRects(IArray<RectT<int32_t>>& rects) const;

    // True when some node overlaps the rectangle; touching is not overlapping.
    bool Intersects(int32_t left, int32_t top, int32_t right, int32_t bottom) const;
    // The rectangle moved by offset and clamped to the non-negative 32-bit range, then rounded
    // half away from zero; a side of 2^-52 or less (or NaN) intersects nothing.
    bool Intersects(const RectT<double>& rect, const PointT<double>& offset) const;

private:
    void PushFront(RectNode* node);
    RectNode* PushNew(int32_t left, int32_t top, int32_t right, int32_t bottom);

    void SortByTop();
    void CutIntoBands();
    void MergeWithinBands();
    void JoinBands();

    RectNode* m_head = nullptr;
};

} // namespace VQ
