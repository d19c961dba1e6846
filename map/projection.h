#pragma once

// The fixed linear projection between level coordinates (a prop's X and Y position) and
// map-view coordinates (from the top-left of the map's drawing area, y downwards), where
// W and H are the map view's outer width and height. The level rectangle X -212..228,
// Y -1220..420 maps onto (0, 0)..(W, H).
namespace Projection {

// Evaluated in double precision, left to right, and rounded to single precision as the
// pen position holds it.
inline float toMapX(double levelX, double outerWidth)
{
    return float((levelX + 212) / 440 * outerWidth);
}

inline float toMapY(double levelY, double outerHeight)
{
    return float((levelY + 1220) / 820 * outerHeight / 2);
}

// The inverse, for a mouse position: each step in single precision, in this order, so a
// click always gives the same text for the same point.
inline float toLevelX(float mapX, float outerWidth)
{
    float x = mapX / outerWidth;
    x = x * 440.0f;
    return x - 212.0f;
}

inline float toLevelY(float mapY, float outerHeight)
{
    float y = mapY / outerHeight;
    y = y * 2.0f;
    y = y * 820.0f;
    return y - 1220.0f;
}

} // namespace Projection
