// Fills polygons of any shape through the GLU tessellator, which splits them into triangles GL can
// draw. One tessellator serves the process; it is made on first use and never freed.
#pragma once

#include "vqframework/storage/RectT.h"

#include <cstdint>

namespace VQ {

class CGLPolygon {
public:
    // Fills one contour through the points (z = 0) with the current colour and matrices; boundary-only
    // off. Fewer than three points, or any point not finite, draw nothing.
    static void Fill(const PointT<float>* points, uint32_t count);
};

} // namespace VQ
