#include "platform/drawing/DrawingSurface.h"

namespace VQ::Platform {

void DrawingPath::StartFigure() { m_figureOpen = false; }

void DrawingPath::AddLine(DrawingPoint from, DrawingPoint to)
{
    const DrawingPoint points[] = {from, to};
    AddLines(points, 2);
}

void DrawingPath::AddLines(const DrawingPoint* points, size_t count)
{
    if (!points || count == 0)
        return;
    if (!m_figureOpen) {
        m_figures.emplace_back();
        m_figureOpen = true;
    }
    // Lines added to an open figure join it from its last point.
    std::vector<DrawingPoint>& figure = m_figures.back().points;
    size_t first = 0;
    if (!figure.empty() && figure.back().x == points[0].x && figure.back().y == points[0].y)
        first = 1;
    figure.insert(figure.end(), points + first, points + count);
}

void DrawingPath::AddPolygon(const DrawingPoint* points, size_t count)
{
    if (!points || count == 0)
        return;
    m_figures.push_back({{points, points + count}, true});
    m_figureOpen = false;
}

void DrawingPath::CloseFigure()
{
    if (m_figureOpen)
        m_figures.back().closed = true;
    m_figureOpen = false;
}

} // namespace VQ::Platform
