// The argument types that exist only to be drawn: how a bitmap fills a larger rectangle, polylines
// whose built paths renderers cache, and lists of coloured rectangles.
#pragma once

#include "vqframework/storage/Array.h"
#include "vqframework/storage/RectT.h"

#include <cstdint>

namespace VQ {

enum ResizeType : int32_t { ResizeStretch = 0, ResizeTile = 1, ResizeCenter = 2 };

// Renderers cache the path built from a polyline under the polyline's address. The owner sets the
// changed flag after editing the points; a new polyline starts changed, so a path cached for a
// polyline that lived at the same address before is never reused.
template <class T> struct PolylineT {
    PolylineT() = default;
    // A copy or an assigned polyline may sit where a cached path was built from other points.
    PolylineT(const PolylineT& other) : points(other.points), lineWidth(other.lineWidth) {}
    PolylineT& operator=(const PolylineT& other)
    {
        points = other.points;
        lineWidth = other.lineWidth;
        changed = true;
        return *this;
    }

    Array<PointT<T>> points;
    T lineWidth = 1;
    bool changed = true;
};

// Rectangles with one packed 0xAARRGGBB colour each; the scale applies to every rectangle.
template <class T> struct ColorRectListT {
    Array<RectT<T>> rects;
    Array<uint32_t> colors;
    T scaleX = 1;
    T scaleY = 1;
};

} // namespace VQ
