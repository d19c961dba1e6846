#pragma once

#include "map/mapcamera.h"

#include <QImage>
#include <QRectF>
#include <QVector>

class QPainter;

// Drawing the large map: the level as the map image shows it, sharp at any zoom, and props as
// dots stamped straight into the picture, fast enough for a full table in every frame.
namespace MapDrawing {

// The level as the map image shows it (grey surround, white boundary, green field, centre box
// and cross), drawn from the shapes that make the image rather than scaled from its pixels.
// The image lies where the small map's projection puts it, so a prop's dot stands on the same
// feature on both maps.
void paintLevel(QPainter &painter, const MapCamera &camera, QSizeF viewSize);

constexpr int MaxDotRadius = 8;

// Sets the pixels of a round dot of `radius` pixels (up to MaxDotRadius) around the pixel that
// holds `centre`, in an image of 32 bits a pixel; pixels outside the image are left out.
void stampDot(QImage &image, QPointF centre, int radius, QRgb color);

// Keeps labels that overlap no label kept before them, taking them in order of priority.
class LabelPlacer
{
public:
    explicit LabelPlacer(QSizeF area);
    // True, and `rect` kept, when it overlaps no kept label.
    bool place(const QRectF &rect);

private:
    QVector<int> cellsOf(const QRectF &rect) const;

    int m_columns;
    int m_rows;
    QVector<QRectF> m_kept;
    // For each cell of a coarse grid over the area, the kept labels that reach into it.
    QVector<QVector<int>> m_cells;
};

} // namespace MapDrawing
