#include "map/maphits.h"

namespace MapHits {

QVector<int> under(const QVector<QPointF> &positions, const MapCamera &camera, QPointF view,
                   double reach)
{
    // Compared in level units, so that a full table costs one subtraction and compare per row.
    const QPointF at = camera.toLevel(view);
    const double levelReach = reach / camera.scale();
    QVector<int> hits;
    for (int row = int(positions.size()) - 1; row >= 0; --row) {
        const double dx = positions[row].x() - at.x();
        if (!(dx <= levelReach && dx >= -levelReach))
            continue; // also a position that is no number
        const double dy = positions[row].y() - at.y();
        if (dx * dx + dy * dy <= levelReach * levelReach)
            hits.append(row);
    }
    return hits;
}

int pick(const QVector<int> &hits, int selected, bool again)
{
    if (hits.isEmpty())
        return -1;
    const qsizetype at = again ? hits.indexOf(selected) : -1;
    return at < 0 ? hits.first() : hits.at((at + 1) % hits.size());
}

} // namespace MapHits
