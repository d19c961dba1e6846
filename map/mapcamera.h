#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>

// Where the large map looks: its zoom, in view pixels per level unit (the same across and
// down, so angles on screen are angles in the level), and its pan, the level point at the
// view's top-left corner. Level Y grows downwards on screen, as on the small map. A value:
// each change gives a new camera, kept within the level area for the view's size.
class MapCamera
{
public:
    // The closest zoom, in view pixels per level unit.
    static constexpr double MaxScale = 40;

    // The level area the map shows, X -212..228 and Y -1220..420, as the small map's
    // projection lays it over the map image.
    static QRectF levelArea() { return QRectF(-212, -1220, 440, 1640); }

    MapCamera() = default;
    MapCamera(double scale, QPointF origin)
        : m_scale(scale)
        , m_origin(origin)
    { }

    // The whole level area in a view of `size`, centred.
    static MapCamera fitted(QSizeF size);
    static double fittedScale(QSizeF size);

    double scale() const { return m_scale; }
    QPointF origin() const { return m_origin; }
    QPointF toView(QPointF level) const { return (level - m_origin) * m_scale; }
    QPointF toLevel(QPointF view) const { return view / m_scale + m_origin; }

    // Zoomed in by `factor` (out below 1), the level point under `view` staying there.
    MapCamera zoomed(double factor, QPointF view, QSizeF size) const;
    // The drawing moved by `delta` view pixels.
    MapCamera panned(QPointF delta, QSizeF size) const;
    MapCamera centredOn(QPointF level, QSizeF size) const;
    // This camera for a view of `size`: no farther out than the whole level area and no closer
    // than MaxScale; across and down, the area covers the view where it is larger than the
    // view and is centred in it where it is smaller.
    MapCamera clamped(QSizeF size) const;

    // The power of ten nearest to one view pixel in level units, which positions set with the
    // mouse are rounded to.
    double step() const { return nearestPowerOfTen(1 / m_scale); }
    // 10 to the power of log10(value) rounded, so 3 gives 1 and 3.2 gives 10.
    static double nearestPowerOfTen(double value);
    // `value` rounded to the nearest multiple of `step`, a power of ten.
    static double rounded(double value, double step);

    bool operator==(const MapCamera &other) const
    {
        return m_scale == other.m_scale && m_origin == other.m_origin;
    }
    bool operator!=(const MapCamera &other) const { return !(*this == other); }

private:
    double m_scale = 1;
    QPointF m_origin = levelArea().topLeft();
};
