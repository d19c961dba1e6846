#include "app/maptooltip.h"

#include "map/projection.h"
#include "props/numbertext.h"
#include "props/proptable.h"

#include <QStringList>

namespace MapToolTip {

namespace {

constexpr double Reach = 2; // pixels
constexpr int MaxNames = 10;

QString oneDecimal(double value)
{
    const QString text = QString::number(value, 'f', 1);
    return text == QLatin1String("-0.0") ? QStringLiteral("0.0") : text;
}

} // namespace

QString text(const PropTable &table, QPointF drawing, float outerWidth, float outerHeight)
{
    QStringList lines{QStringLiteral("X %1, Y %2")
                              .arg(oneDecimal(Projection::toLevelX(drawing.x(), outerWidth)),
                                   oneDecimal(Projection::toLevelY(drawing.y(), outerHeight)))};
    int more = 0;
    for (int row = 0; row < table.size(); ++row) {
        const std::optional<double> x = NumberText::parse(table.field(row, 0));
        if (!x)
            continue;
        const double dx = Projection::toMapX(*x, outerWidth) - drawing.x();
        if (dx > Reach || dx < -Reach)
            continue;
        const std::optional<double> y = NumberText::parse(table.field(row, 2));
        if (!y)
            continue;
        const double dy = Projection::toMapY(*y, outerHeight) - drawing.y();
        if (dx * dx + dy * dy > Reach * Reach)
            continue;
        if (lines.size() <= MaxNames)
            lines << table.name(row);
        else
            ++more;
    }
    if (more > 0)
        lines << QStringLiteral("and %1 more").arg(more);
    return lines.join(u'\n');
}

} // namespace MapToolTip
