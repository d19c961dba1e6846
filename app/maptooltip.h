#pragma once

#include <QPointF>
#include <QString>

class PropTable;

// The text shown while the mouse rests on the map: the level position under it, then the
// props whose X and Y position lies within 2 pixels of it, at most 10 by name.
namespace MapToolTip {

// `drawing` is the mouse position in the map's drawing coordinates; W and H the map's outer
// size, as the projection takes them.
QString text(const PropTable &table, QPointF drawing, float outerWidth, float outerHeight);

} // namespace MapToolTip
