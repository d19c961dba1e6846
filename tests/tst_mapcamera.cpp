#include "harness.h"
#include "map/mapdrawing.h"
#include "map/maphits.h"
#include "map/projection.h"
#include "props/numbertext.h"

// The large map's view transforms, zoom and pan limits, rounding and hit-testing, without
// widgets: the cases of tests/data/mapcamera.txt.
class TestMapCamera : public QObject
{
    Q_OBJECT

private slots:
    void views_data() { addCases("mapcamera.txt", {"size", "dots", "steps", "seen"}); }
    void views()
    {
        QFETCH(QString, size);
        QFETCH(QString, dots);
        QFETCH(QString, steps);
        QFETCH(QString, seen);
        auto point = [](const QString &text) {
            return QPointF(text.section(u',', 0, 0).toDouble(), text.section(u',', 1).toDouble());
        };
        auto show = [](QPointF p) {
            return QString("%1,%2").arg(p.x()).arg(p.y());
        };
        const QSizeF view(point(size).x(), point(size).y());
        QVector<QPointF> positions;
        for (const QString &dot : dots.split(u' ', Qt::SkipEmptyParts))
            positions << (dot == "-" ? QPointF(qQNaN(), qQNaN()) : point(dot));
        MapCamera camera = MapCamera::fitted(view);
        QStringList out;
        for (const QString &step : steps.split(u';')) {
            const QStringList w = step.trimmed().split(u' ') << ""
                                                             << ""
                                                             << "";
            if (w[0] == "camera" || w[0] == "zoom" || w[0] == "pan" || w[0] == "centre")
                camera = w[0] == "camera" ? MapCamera(w[1].toDouble(), point(w[2])).clamped(view)
                         : w[0] == "zoom" ? camera.zoomed(w[1].toDouble(), point(w[2]), view)
                         : w[0] == "pan"  ? camera.panned(point(w[1]), view)
                                          : camera.centredOn(point(w[1]), view);
            else if (w[0] == "?c" || w[0] == "?v" || w[0] == "?l")
                out << (w[0] == "?c" ? QString::number(camera.scale()) + ' ' + show(camera.origin())
                        : w[0] == "?v" ? show(camera.toView(point(w[1])))
                                       : show(camera.toLevel(point(w[1]))));
            else if (w[0] == "?step" || w[0] == "?round")
                out << (w[0] == "?step" ? QString::number(camera.step())
                                        : NumberText::formatDouble(MapCamera::rounded(
                                                w[1].toDouble(), camera.step())));
            else if (w[0] == "?h" || w[0] == "?pick") {
                const QVector<int> hits = MapHits::under(positions, camera, point(w[1]));
                QStringList rows;
                for (int row : hits)
                    rows << QString::number(row);
                out << (w[0] == "?pick" ? QString::number(
                                MapHits::pick(hits, w[2].toInt(), w[3] == "again"))
                        : rows.isEmpty() ? "-"
                                         : rows.join(u','));
            } else
                QFAIL(qPrintable("unknown step " + step));
        }
        QCOMPARE(out.join(u' '), seen);
    }

    // The large map draws the level where the small map's projection puts the map image: at
    // the middle of every image pixel (give or take a view pixel, at edges) the drawing has
    // that pixel's colour.
    void levelDrawing()
    {
        const QImage map = QImage(":/map.bmp").convertToFormat(QImage::Format_RGB32);
        const QSize size(600, 1640);
        const MapCamera camera = MapCamera::fitted(size);
        QImage drawn(size, QImage::Format_RGB32);
        QPainter painter(&drawn);
        MapDrawing::paintLevel(painter, camera, size);
        painter.end();
        int wrong = 0;
        for (int y = 0; y < map.height(); ++y) {
            for (int x = 0; x < map.width(); ++x) {
                const QPointF middle = camera.toView(QPointF(Projection::toLevelX(x + 0.5f, 149),
                                                             Projection::toLevelY(y + 0.5f, 547)));
                const QPoint at(int(std::floor(middle.x())), int(std::floor(middle.y())));
                bool near = false;
                for (int d = 0; d < 9; ++d)
                    near |= drawn.pixel(at + QPoint(d % 3 - 1, d / 3 - 1)) == map.pixel(x, y);
                wrong += !near;
                if (!near)
                    qDebug() << x << y << at << Qt::hex << drawn.pixel(at) << map.pixel(x, y);
            }
        }
        QCOMPARE(wrong, 0);
    }
};

QTEST_MAIN(TestMapCamera)
#include "tst_mapcamera.moc"
