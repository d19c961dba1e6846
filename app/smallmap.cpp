#include "app/smallmap.h"

#include "map/mapview.h"
#include "map/projection.h"
#include "map/propmarks.h"
#include "props/numbertext.h"
#include "props/proptable.h"

#include <cmath>
#include <limits>
#include <optional>

namespace SmallMap {

namespace {

// Colours as 0x00BBGGRR.
constexpr unsigned int Red = 0x0000FF;
constexpr unsigned int Blue = 0xFF0000;

} // namespace

bool drawProps(MapView *map, const PropTable &table)
{
    // Each mark is a one-point line, which leaves the pen on it.
    class Marks : public PropMarks::Painter
    {
    public:
        Marks(MapView *map, const PropTable &table)
            : m_map(map)
            , m_positions(table.positions())
        { }
        QPointF position(int row) const override { return m_positions.at(row); }
        void dot(int, QPointF at, QRgb color) override
        {
            if (color != m_color) {
                m_color = color;
                // The map's colours are 0x00BBGGRR.
                m_map->setPenColor(unsigned(qRed(color)) | unsigned(qGreen(color)) << 8
                                   | unsigned(qBlue(color)) << 16);
            }
            const float mapX = Projection::toMapX(at.x(), m_map->outerWidth());
            const float mapY = Projection::toMapY(at.y(), m_map->outerHeight());
            m_map->setPenPosition(mapX, mapY);
            m_map->lineTo(mapX, mapY);
        }
        void heading(int, QPointF) override { }

    private:
        MapView *const m_map;
        const QVector<QPointF> &m_positions;
        QRgb m_color = PropMarks::Red;
    } marks(map, table);

    map->setPenColor(Red);
    map->clear();
    // A selected prop's blue mark covers its red one exactly, so the red one is left out.
    const bool marked
            = PropMarks::draw(table, PropMarks::CountedOnly | PropMarks::SelectedOnlyBlue, marks);
    map->setPenColor(Blue);
    return marked;
}

void strokeHeading(MapView *map, double angle)
{
    const QPointF from = map->penPosition();
    const float x2 = Projection::toSingle(from.x() - std::sin(angle) * 10);
    const float y2 = Projection::toSingle(from.y() - std::cos(angle) * 10);
    map->lineTo(x2, y2);
}

} // namespace SmallMap
