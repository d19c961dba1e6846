#include "map/mapcamera.h"

#include <algorithm>
#include <cmath>

namespace {

// Across or down: where the view starts in the level, for a view `viewSpan` level units long
// on an area from `start` of `span` units.
double clampedStart(double origin, double viewSpan, double start, double span)
{
    if (viewSpan >= span)
        return start - (viewSpan - span) / 2;
    return std::clamp(origin, start, start + span - viewSpan);
}

} // namespace

double MapCamera::fittedScale(QSizeF size)
{
    const QRectF area = levelArea();
    // An empty view still gets a usable zoom.
    return std::max(std::min(size.width() / area.width(), size.height() / area.height()), 1e-6);
}

MapCamera MapCamera::fitted(QSizeF size)
{
    return MapCamera(fittedScale(size), levelArea().topLeft()).clamped(size);
}

MapCamera MapCamera::zoomed(double factor, QPointF view, QSizeF size) const
{
    const double scale = std::clamp(m_scale * factor, fittedScale(size),
                                    std::max(MaxScale, fittedScale(size)));
    return MapCamera(scale, toLevel(view) - view / scale).clamped(size);
}

MapCamera MapCamera::panned(QPointF delta, QSizeF size) const
{
    return MapCamera(m_scale, m_origin - delta / m_scale).clamped(size);
}

MapCamera MapCamera::centredOn(QPointF level, QSizeF size) const
{
    return MapCamera(m_scale, level - QPointF(size.width(), size.height()) / 2 / m_scale)
            .clamped(size);
}

MapCamera MapCamera::clamped(QSizeF size) const
{
    const QRectF area = levelArea();
    const double scale
            = std::clamp(m_scale, fittedScale(size), std::max(MaxScale, fittedScale(size)));
    return MapCamera(
            scale,
            QPointF(clampedStart(m_origin.x(), size.width() / scale, area.left(), area.width()),
                    clampedStart(m_origin.y(), size.height() / scale, area.top(), area.height())));
}

double MapCamera::nearestPowerOfTen(double value)
{
    return std::pow(10.0, std::round(std::log10(value)));
}

double MapCamera::rounded(double value, double step)
{
    if (step >= 1)
        return std::round(value / step) * step;
    // Multiplying by the whole number 1 / step keeps 0.1 steps exact in decimal text.
    const double perUnit = std::round(1 / step);
    const double result = std::round(value * perUnit) / perUnit;
    return std::isfinite(result) ? result : value;
}
