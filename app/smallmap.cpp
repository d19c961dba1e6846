#include "app/smallmap.h"

#include "map/mapview.h"
#include "map/projection.h"
#include "props/numbertext.h"
#include "props/proptable.h"

#include <cmath>
#include <optional>

namespace SmallMap {

namespace {

// Colours as 0x00BBGGRR.
constexpr unsigned int Red = 0x0000FF;
constexpr unsigned int Blue = 0xFF0000;

} // namespace

bool drawProps(MapView *map, const PropTable &table)
{
    auto markRow = [&table, map](int row) {
        const std::optional<double> x = NumberText::parse(table.field(row, 0));
        const std::optional<double> y = NumberText::parse(table.field(row, 2));
        if (!x || !y)
            return false; // a position that is not a number gets no mark
        const float mapX = Projection::toMapX(*x, map->outerWidth());
        const float mapY = Projection::toMapY(*y, map->outerHeight());
        map->setPenPosition(mapX, mapY);
        map->lineTo(mapX, mapY);
        return true;
    };

    map->setPenColor(Red);
    map->clear();
    if (const std::optional<double> count = NumberText::parse(table.countText())) {
        const double last = *count - 1;
        for (int row = 0; row < table.size() && row <= last; ++row)
            markRow(row);
    }
    map->setPenColor(Blue);
    return table.hasSelection() && markRow(table.selectedRow());
}

void strokeHeading(MapView *map, double angle)
{
    const QPointF from = map->penPosition();
    const float x2 = Projection::toSingle(from.x() - std::sin(angle) * 10);
    const float y2 = Projection::toSingle(from.y() - std::cos(angle) * 10);
    map->lineTo(x2, y2);
}

} // namespace SmallMap
