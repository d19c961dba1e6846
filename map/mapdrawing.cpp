#include "map/mapdrawing.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <array>
#include <cmath>

namespace MapDrawing {

namespace {

// The small map's outer size in pixels (the 145 x 543 map image and its 2-pixel border), by
// which the projection lays the level area over the image.
constexpr double SmallMapWidth = 149;
constexpr double SmallMapHeight = 547;

// The image's shapes, in its own pixels (0..145 across, 0..543 down), around its centre.
constexpr QPointF Centre(72.5, 271.5);
const QColor Grey(0x80, 0x80, 0x80);
const QColor Green(0x00, 0x80, 0x00);
const QColor White(0xFF, 0xFF, 0xFF);

QPainterPath roundedBox(double halfWidth, double halfHeight, double radius)
{
    QPainterPath path;
    path.addRoundedRect(
            QRectF(Centre.x() - halfWidth, Centre.y() - halfHeight, 2 * halfWidth, 2 * halfHeight),
            radius, radius);
    return path;
}

constexpr int CellSize = 64;

} // namespace

void paintLevel(QPainter &painter, const MapCamera &camera, QSizeF viewSize)
{
    painter.save();
    painter.fillRect(QRectF(QPointF(0, 0), viewSize), Grey);
    const QRectF area = MapCamera::levelArea();
    const QPointF imageOrigin = camera.toView(area.topLeft());
    painter.setTransform(QTransform(area.width() / SmallMapWidth * camera.scale(), 0, 0,
                                    area.height() / SmallMapHeight * camera.scale(),
                                    imageOrigin.x(), imageOrigin.y()));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    // A boundary line 2 pixels wide with 20-pixel corners, its middle one pixel in from the
    // image's edge; the field inside it.
    painter.fillPath(roundedBox(72.5, 271.5, 21), White);
    painter.fillPath(roundedBox(70.5, 269.5, 19), Green);
    // A one-pixel cross through the middle, except inside the centre box.
    painter.fillRect(QRectF(Centre.x() - 0.5, 2, 1, 539), White);
    painter.fillRect(QRectF(2, Centre.y() - 0.5, 141, 1), White);
    const QPainterPath box = roundedBox(30, 60, 12);
    painter.fillPath(box, Green);
    painter.strokePath(box, QPen(White, 1.2));
    painter.restore();
}

void stampDot(QImage &image, QPointF centre, int radius, QRgb color)
{
    // Half the width of each line of a dot, for every radius up to MaxDotRadius: r * (r + 1)
    // rather than r * r gives rounder small dots.
    static const auto halfWidths = [] {
        std::array<std::array<int, 2 * MaxDotRadius + 1>, MaxDotRadius + 1> widths{};
        for (int r = 0; r <= MaxDotRadius; ++r) {
            for (int dy = -r; dy <= r; ++dy)
                widths[r][dy + r] = int(std::sqrt(double(r * (r + 1) - dy * dy)));
        }
        return widths;
    }();
    radius = std::clamp(radius, 0, MaxDotRadius);
    const double x = std::floor(centre.x());
    const double y = std::floor(centre.y());
    // Also false for a position that is no number.
    if (!(x >= -radius && x < image.width() + radius && y >= -radius
          && y < image.height() + radius))
        return;
    const int cx = int(x);
    const int cy = int(y);
    for (int dy = -radius; dy <= radius; ++dy) {
        const int row = cy + dy;
        if (row < 0 || row >= image.height())
            continue;
        const int half = halfWidths[radius][dy + radius];
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(row));
        std::fill(line + std::max(cx - half, 0), line + std::min(cx + half + 1, image.width()),
                  color);
    }
}

LabelPlacer::LabelPlacer(QSizeF area)
    : m_columns(std::max(1, int(std::ceil(area.width() / CellSize))))
    , m_rows(std::max(1, int(std::ceil(area.height() / CellSize))))
    , m_cells(m_columns * m_rows)
{ }

QVector<int> LabelPlacer::cellsOf(const QRectF &rect) const
{
    auto cell = [](double at, int count) {
        return std::clamp(int(std::floor(at / CellSize)), 0, count - 1);
    };
    QVector<int> cells;
    for (int row = cell(rect.top(), m_rows); row <= cell(rect.bottom(), m_rows); ++row) {
        for (int column = cell(rect.left(), m_columns); column <= cell(rect.right(), m_columns);
             ++column)
            cells.append(row * m_columns + column);
    }
    return cells;
}

bool LabelPlacer::place(const QRectF &rect)
{
    const QVector<int> cells = cellsOf(rect);
    for (int cell : cells) {
        for (int kept : m_cells.at(cell)) {
            if (m_kept.at(kept).intersects(rect))
                return false;
        }
    }
    for (int cell : cells)
        m_cells[cell].append(int(m_kept.size()));
    m_kept.append(rect);
    return true;
}

} // namespace MapDrawing
