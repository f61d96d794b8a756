#include "vqframework/renderer/opengl/GLPolygon.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <array>
#include <cmath>
#include <deque>
#include <vector>

namespace VQ {

namespace {

// The callbacks are the GL calls themselves: each vertex carries its three coordinates.
extern "C" {
void TessBegin(GLenum type)
{
    glBegin(type);
}
void TessEnd()
{
    glEnd();
}
void TessVertex(void* data)
{
    glVertex3dv(static_cast<const GLdouble*>(data));
}
// Where contours cross, GLU asks for a new vertex; it is kept until the polygon ends.
void TessCombine(GLdouble coords[3], void*[4], GLfloat[4], void** out, void* polygonData)
{
    auto* extra = static_cast<std::deque<std::array<GLdouble, 3>>*>(polygonData);
    extra->push_back({coords[0], coords[1], coords[2]});
    *out = extra->back().data();
}
}

using TessCallback = void (*)();

GLUtesselator* Tessellator()
{
    static GLUtesselator* tessellator = [] {
        GLUtesselator* made = gluNewTess();
        if (made == nullptr)
            return made;
        gluTessCallback(made, GLU_TESS_BEGIN, reinterpret_cast<TessCallback>(&TessBegin));
        gluTessCallback(made, GLU_TESS_END, reinterpret_cast<TessCallback>(&TessEnd));
        gluTessCallback(made, GLU_TESS_VERTEX, reinterpret_cast<TessCallback>(&TessVertex));
        gluTessCallback(made, GLU_TESS_COMBINE_DATA, reinterpret_cast<TessCallback>(&TessCombine));
        gluTessNormal(made, 0.0, 0.0, 1.0);
        gluTessProperty(made, GLU_TESS_TOLERANCE, 1.0);
        return made;
    }();
    return tessellator;
}

} // namespace

void CGLPolygon::Fill(const PointT<float>* points, uint32_t count)
{
    GLUtesselator* tessellator = Tessellator();
    if (tessellator == nullptr || points == nullptr || count < 3)
        return;
    // The tessellator's sweep crashes on a coordinate that is not a number or infinite.
    for (uint32_t i = 0; i < count; ++i)
        if (!std::isfinite(points[i].x) || !std::isfinite(points[i].y))
            return;
    // GLU keeps the vertex pointers until the polygon ends.
    std::vector<GLdouble> vertices(size_t(count) * 3);
    for (uint32_t i = 0; i < count; ++i) {
        vertices[size_t(i) * 3] = points[i].x;
        vertices[size_t(i) * 3 + 1] = points[i].y;
        vertices[size_t(i) * 3 + 2] = 0.0;
    }
    // A deque keeps the addresses of what it holds as it grows.
    std::deque<std::array<GLdouble, 3>> extra;
    gluTessProperty(tessellator, GLU_TESS_BOUNDARY_ONLY, GL_FALSE);
    gluTessBeginPolygon(tessellator, &extra);
    gluTessBeginContour(tessellator);
    for (uint32_t i = 0; i < count; ++i)
        gluTessVertex(tessellator, &vertices[size_t(i) * 3], &vertices[size_t(i) * 3]);
    gluTessEndContour(tessellator);
    gluTessEndPolygon(tessellator);
}

} // namespace VQ
