#pragma once

#include <QtGlobal>

#include <cmath>
#include <limits>

// The fixed linear projection between level coordinates (a prop's X and Y position) and
// map-view coordinates (from the top-left of the map's drawing area, y downwards), where
// W and H are the map view's outer width and height. The level rectangle X -212..228,
// Y -1220..420 maps onto (0, 0)..(W, H).
namespace Projection {

// Rounds to single precision; a value beyond its range becomes an infinity (a plain cast
// would be undefined there), which then gets no mark.
inline float toSingle(double value)
{
    if (value > std::numeric_limits<float>::max())
        return std::numeric_limits<float>::infinity();
    if (value < -std::numeric_limits<float>::max())
        return -std::numeric_limits<float>::infinity();
    return float(value);
}

// Evaluated in double precision, left to right, and rounded to single precision as the
// pen position holds it.
inline float toMapX(double levelX, double outerWidth)
{
    return toSingle((levelX + 212) / 440 * outerWidth);
}

inline float toMapY(double levelY, double outerHeight)
{
    return toSingle((levelY + 1220) / 820 * outerHeight / 2);
}

// The inverse, for a mouse position held as a single-precision value: evaluated in this
// order (divide, multiply, subtract) in double precision and rounded to single precision
// once at the end, so the mouse at (100, 300) gives exactly 83.30202 and -320.5484.
inline float toLevelX(float mapX, float outerWidth)
{
    return float(double(mapX) / outerWidth * 440 - 212);
}

inline float toLevelY(float mapY, float outerHeight)
{
    return float(double(mapY) / outerHeight * 2 * 820 - 1220);
}

// A drawing coordinate as a 16-bit whole number, as the mouse position is kept.
inline qint16 toInt16(double value)
{
    // Rounds to the nearest integer, ties to even, and keeps a drag far outside the map
    // within the 16-bit range.
    const double rounded = std::nearbyint(value);
    if (std::isnan(rounded))
        return 0;
    if (rounded < std::numeric_limits<qint16>::min())
        return std::numeric_limits<qint16>::min();
    if (rounded > std::numeric_limits<qint16>::max())
        return std::numeric_limits<qint16>::max();
    return qint16(rounded);
}

} // namespace Projection
