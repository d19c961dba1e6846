#pragma once

class MapView;
class PropTable;

// The small map's drawings: every prop as a mark, and the selected prop's heading stroke.
namespace SmallMap {

// Clears the map, marks every counted prop red and the selected prop blue. False when no prop
// was marked blue (none selected, or its position is no number): the pen then stands on
// whichever prop was marked last.
bool drawProps(MapView *map, const PropTable &table);

// A 10-unit stroke from the pen position in the direction of `angle` (radians; 0 points up the
// map, positive angles turn counter-clockwise).
void strokeHeading(MapView *map, double angle);

} // namespace SmallMap
