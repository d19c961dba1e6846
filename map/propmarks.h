#pragma once

#include <QPointF>
#include <QRgb>

class PropTable;

// How a map marks the props: one place decides which props get a dot, in which colour and
// order, and which prop gets its heading stroke, for the small map and the large map alike.
namespace PropMarks {

constexpr QRgb Red = 0xFFFF0000;
constexpr QRgb Blue = 0xFF0000FF;

// What differs between the maps.
enum Flag {
    // Only the props the count covers get a red dot (the small map); the large map marks all.
    CountedOnly = 1,
    // The selected props get no red dot under their blue one (both maps: the small map's blue
    // mark covers its red one exactly, the large map's is larger).
    SelectedOnlyBlue = 2,
    // The current prop's heading stroke is drawn with the dots (the large map; the small map
    // draws it only on Show Rotation).
    StrokeCurrent = 4,
};

// What a map does with each mark; positions are in level units, NaN where no number.
class Painter
{
public:
    virtual ~Painter() = default;
    virtual QPointF position(int row) const = 0;
    virtual void dot(int row, QPointF position, QRgb color) = 0;
    virtual void heading(int row, QPointF position) = 0;
};

// Marks every prop red, then every selected prop blue over them in table order and the
// current prop last, so that it is on top and a map's pen ends on it. True when the current
// prop was marked (its position is a number).
bool draw(const PropTable &table, int flags, Painter &painter);

} // namespace PropMarks
