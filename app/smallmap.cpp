#include "app/smallmap.h"

#include "map/mapview.h"
#include "map/projection.h"
#include "map/propmarks.h"
#include "props/numbertext.h"
#include "props/proptable.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace SmallMap {

namespace {

// Colours as 0x00BBGGRR.
constexpr unsigned int Red = 0x0000FF;
constexpr unsigned int Blue = 0xFF0000;

// The level positions of the props as the map's last drawing read them, each with the X and
// Y texts it was read from, kept with the map. Every drawing reads every prop's position, and
// most texts are the ones read last time: a prop whose texts are the same is not read again.
// A prop is looked for at its row and beside it, so that the rest of the table is still found
// after a prop was removed or put back. The texts are kept as characters of their own, never
// as the table's strings, which would stay in memory after the table let them go.
class PositionCache : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    static PositionCache *of(MapView *map)
    {
        auto *cache = map->findChild<PositionCache *>(QString(), Qt::FindDirectChildrenOnly);
        return cache ? cache : new PositionCache(map);
    }

    // The position of each row of `table`, NaN where a text is no number.
    const QVector<QPointF> &read(const PropTable &table)
    {
        m_spare.resize(table.size());
        m_positions.resize(table.size());
        int next = 0; // the entry where the next row's texts were last time
        for (int row = 0; row < table.size(); ++row) {
            const PropRecord &record = table.record(row);
            const QString &x = record.fields[0];
            const QString &y = record.fields[2];
            int found = -1;
            for (int at : {next, next + 1, next - 1}) {
                if (at >= 0 && at < int(m_entries.size()) && m_entries.at(at).x.is(x)
                    && m_entries.at(at).y.is(y)) {
                    found = at;
                    break;
                }
            }
            Entry &entry = m_spare[row];
            if (found >= 0) {
                entry = m_entries.at(found);
                next = found + 1;
            } else {
                entry.x.set(x);
                entry.y.set(y);
                entry.position = parsed(x, y);
                ++next;
            }
            m_positions[row] = entry.position;
        }
        m_entries.swap(m_spare);
        return m_positions;
    }

private:
    // A short text, or none for a longer one, which is then read every time.
    struct Text
    {
        static constexpr int Capacity = 15;
        QChar chars[Capacity];
        int size = -1;

        void set(const QString &text)
        {
            size = text.size() <= Capacity ? int(text.size()) : -1;
            if (size > 0)
                std::copy_n(text.constData(), size, chars);
        }
        bool is(const QString &text) const
        {
            return size >= 0 && size == text.size()
                   && std::equal(chars, chars + size, text.constData());
        }
    };
    struct Entry
    {
        Text x;
        Text y;
        QPointF position;
    };

    static QPointF parsed(const QString &xText, const QString &yText)
    {
        const std::optional<double> x = NumberText::parse(xText);
        const std::optional<double> y = NumberText::parse(yText);
        const double none = std::numeric_limits<double>::quiet_NaN();
        return x && y ? QPointF(*x, *y) : QPointF(none, none);
    }

    QVector<Entry> m_entries;
    // The entries of the drawing before, kept for their memory.
    QVector<Entry> m_spare;
    QVector<QPointF> m_positions;
};

} // namespace

bool drawProps(MapView *map, const PropTable &table)
{
    // Each mark is a one-point line, which leaves the pen on it.
    class Marks : public PropMarks::Painter
    {
    public:
        Marks(MapView *map, const QVector<QPointF> &positions)
            : m_map(map)
            , m_positions(positions)
        { }
        QPointF position(int row) const override { return m_positions.at(row); }
        void dot(int, QPointF at, QRgb color) override
        {
            if (color != m_color) {
                m_color = color;
                // The map's colours are 0x00BBGGRR.
                m_map->setPenColor(unsigned(qRed(color)) | unsigned(qGreen(color)) << 8
                                   | unsigned(qBlue(color)) << 16);
            }
            const float mapX = Projection::toMapX(at.x(), m_map->outerWidth());
            const float mapY = Projection::toMapY(at.y(), m_map->outerHeight());
            m_map->setPenPosition(mapX, mapY);
            m_map->lineTo(mapX, mapY);
        }
        void heading(int, QPointF) override { }

    private:
        MapView *const m_map;
        const QVector<QPointF> &m_positions;
        QRgb m_color = PropMarks::Red;
    } marks(map, PositionCache::of(map)->read(table));

    map->setPenColor(Red);
    map->clear();
    // A selected prop's blue mark covers its red one exactly, so the red one is left out.
    const bool marked
            = PropMarks::draw(table, PropMarks::CountedOnly | PropMarks::SelectedOnlyBlue, marks);
    map->setPenColor(Blue);
    return marked;
}

void strokeHeading(MapView *map, double angle)
{
    const QPointF from = map->penPosition();
    const float x2 = Projection::toSingle(from.x() - std::sin(angle) * 10);
    const float y2 = Projection::toSingle(from.y() - std::cos(angle) * 10);
    map->lineTo(x2, y2);
}

} // namespace SmallMap

#include "smallmap.moc"
