#include "map/propmarks.h"

#include "props/numbertext.h"
#include "props/proptable.h"

#include <cmath>
#include <optional>

namespace PropMarks {

namespace {

bool isNumber(QPointF p)
{
    return std::isfinite(p.x()) && std::isfinite(p.y());
}

} // namespace

bool draw(const PropTable &table, int flags, Painter &painter)
{
    int last = table.size() - 1;
    if (flags & CountedOnly) {
        const std::optional<double> count = NumberText::parse(table.countText());
        const double limit = count ? *count - 1 : -1;
        last = !(limit >= 0) ? -1 : limit < last ? int(std::floor(limit)) : last;
    }
    const bool skipSelected = flags & SelectedOnlyBlue;
    for (int row = 0; row <= last; ++row) {
        if (skipSelected && table.isSelected(row))
            continue;
        const QPointF at = painter.position(row);
        if (isNumber(at))
            painter.dot(row, at, Red);
    }
    const int current = table.selectedRow();
    if (table.selectionCount() > 1) {
        for (int row : table.selectedRows()) {
            const QPointF at = painter.position(row);
            if (row != current && isNumber(at))
                painter.dot(row, at, Blue);
        }
    }
    if (current < 0)
        return false;
    const QPointF at = painter.position(current);
    if (!isNumber(at))
        return false;
    painter.dot(current, at, Blue);
    if (flags & StrokeCurrent)
        painter.heading(current, at);
    return true;
}

} // namespace PropMarks
