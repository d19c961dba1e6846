#pragma once

#include "map/mapcamera.h"

#include <QVector>

// Which props lie under a point of the large map. Props are drawn in table order, so the last
// row is on top.
namespace MapHits {

// How near a dot's centre a point must be, in view pixels, to be on it.
constexpr double Reach = 4;

// The rows whose level position (NaN where it is no number) lies within `reach` view pixels
// of `view`, the topmost (the last in the table) first.
QVector<int> under(const QVector<QPointF> &positions, const MapCamera &camera, QPointF view,
                   double reach = Reach);

// The row a click picks among `hits` (topmost first): the topmost, or, when the click is at the
// same point as the one before (`again`) and `selected` is among them, the one below it, and
// after the lowest the topmost again. -1 when there are none.
int pick(const QVector<int> &hits, int selected, bool again);

} // namespace MapHits
