#include "app/mapcanvas.h"

#include "map/mapdrawing.h"
#include "map/maphits.h"
#include "map/propmarks.h"
#include "props/numbertext.h"
#include "props/proptable.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <numeric>
#include <utility>

namespace {

constexpr QRgb Blue = PropMarks::Blue;
constexpr QRgb Yellow = 0xFFFFFF00;
constexpr int DotRadius = 2;
constexpr int SelectedRadius = 4;
constexpr int FoundRadius = 6;
// The heading stroke, in view pixels. Long enough that turning its end by one pixel is about a
// hundredth of a radian, the step a turn is rounded to there.
constexpr double HeadingLength = 40;
constexpr double HandleRadius = 4;
constexpr double HandleReach = 6;
// Names are drawn only when at most this many props are in view; more would hide the map.
constexpr int LabelLimit = 1000;
constexpr int LabelChars = 60;
constexpr double Pi = 3.14159265358979323846;

QString oneDecimal(double value)
{
    const QString text = QString::number(value, 'f', 1);
    return text == QLatin1String("-0.0") ? QStringLiteral("0.0") : text;
}

bool isFinite(QPointF p)
{
    return std::isfinite(p.x()) && std::isfinite(p.y());
}

} // namespace

MapCanvas::MapCanvas(const PropTable *table, QWidget *parent)
    : QAbstractScrollArea(parent)
    , m_table(table)
{
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    updateMatches();

    // The table keeps the positions; a change only needs a new picture.
    connect(table, &PropTable::fieldChanged, this, &MapCanvas::refresh);
    connect(table, &PropTable::fieldsChanged, this, &MapCanvas::refresh);
    connect(table, &PropTable::rowsInserted, this, &MapCanvas::rowsChanged);
    connect(table, &PropTable::rowsRemoved, this, &MapCanvas::rowsChanged);
    connect(table, &PropTable::modelReset, this, &MapCanvas::rowsChanged);
    connect(table, &PropTable::selectionChanged, this, &MapCanvas::refresh);
}

// Rows came or went: a drag or turn under way has lost its prop, and a click at the same
// point no longer means the same dots.
void MapCanvas::rowsChanged()
{
    if (m_gesture != Gesture::None && m_gesture != Gesture::Pan)
        m_gesture = Gesture::Cancelled;
    m_clickedBefore = false;
    updateMatches();
    refresh();
}

void MapCanvas::setFindText(const QString &text)
{
    m_findText = text;
    updateMatches();
    refresh();
}

void MapCanvas::updateMatches()
{
    m_matches.clear();
    m_isMatch.fill(false, m_table->size());
    for (int row = 0; !m_findText.isEmpty() && row < m_table->size(); ++row) {
        if (m_table->name(row).contains(m_findText, Qt::CaseInsensitive)) {
            m_matches.append(row);
            m_isMatch[row] = true;
        }
    }
    emit matchCountChanged(matchCount());
}

void MapCanvas::findNext()
{
    if (m_matches.isEmpty())
        return;
    const auto next
            = std::upper_bound(m_matches.cbegin(), m_matches.cend(), m_table->selectedRow());
    const int row = next == m_matches.cend() ? m_matches.first() : *next;
    emit pickRequested(row);
    if (isFinite(positions().at(row)))
        setCamera(m_camera.centredOn(positions().at(row), viewSize()));
}

void MapCanvas::selectFound()
{
    emit selectRequested(m_matches);
}

std::optional<QPointF> MapCanvas::mouseLevelPosition() const
{
    if (!m_mouseInside)
        return std::nullopt;
    return m_camera.toLevel(m_mouseAt);
}

void MapCanvas::moveUnderMouse(QVector<PropRecord> &records) const
{
    const std::optional<QPointF> mouse = mouseLevelPosition();
    if (!mouse)
        return;
    auto positionOf = [](const PropRecord &record) -> std::optional<QPointF> {
        const std::optional<double> x = NumberText::parse(record.fields[0]);
        const std::optional<double> y = NumberText::parse(record.fields[2]);
        if (!x || !y)
            return std::nullopt;
        return QPointF(*x, *y);
    };
    // The bounding box's corners; a box of one point has no size, which QRectF would ignore.
    std::optional<std::pair<QPointF, QPointF>> box;
    for (const PropRecord &record : std::as_const(records)) {
        const std::optional<QPointF> at = positionOf(record);
        if (!at)
            continue;
        if (!box)
            box = std::pair(*at, *at);
        box->first = QPointF(std::min(box->first.x(), at->x()), std::min(box->first.y(), at->y()));
        box->second
                = QPointF(std::max(box->second.x(), at->x()), std::max(box->second.y(), at->y()));
    }
    if (!box)
        return;
    const QPointF by = *mouse - (box->first + box->second) / 2;
    const QPointF rounded(MapCamera::rounded(by.x(), m_camera.step()),
                          MapCamera::rounded(by.y(), m_camera.step()));
    for (PropRecord &record : records) {
        if (!positionOf(record))
            continue;
        record.fields[0] = movedText(record.fields[0], rounded.x());
        record.fields[2] = movedText(record.fields[2], rounded.y());
    }
}

void MapCanvas::fit()
{
    setCamera(MapCamera::fitted(viewSize()));
}

void MapCanvas::zoomBy(double factor)
{
    zoomAbout(factor,
              m_mouseInside ? m_mouseAt : QPointF(viewSize().width(), viewSize().height()) / 2);
}

void MapCanvas::zoomAbout(double factor, QPointF view)
{
    setCamera(m_camera.zoomed(factor, view, viewSize()));
}

void MapCanvas::setCamera(const MapCamera &camera)
{
    const MapCamera clamped = camera.clamped(viewSize());
    if (clamped != m_camera)
        m_clickedBefore = false;
    m_camera = clamped;
    m_fitted = m_camera == MapCamera::fitted(viewSize());
    syncScrollBars();
    refresh();
}

// The scroll bars span the level area at the current zoom, their values the pan.
void MapCanvas::syncScrollBars()
{
    m_syncingScrollBars = true;
    const QRectF area = MapCamera::levelArea();
    const double scale = m_camera.scale();
    auto sync = [](QScrollBar *bar, double content, double view, double offset) {
        bar->setRange(0, std::max(0, int(std::lround(content - view))));
        bar->setPageStep(std::max(1, int(view)));
        bar->setSingleStep(20);
        bar->setValue(int(std::lround(offset)));
    };
    sync(horizontalScrollBar(), area.width() * scale, viewSize().width(),
         (m_camera.origin().x() - area.left()) * scale);
    sync(verticalScrollBar(), area.height() * scale, viewSize().height(),
         (m_camera.origin().y() - area.top()) * scale);
    m_syncingScrollBars = false;
}

void MapCanvas::scrollContentsBy(int, int)
{
    if (m_syncingScrollBars)
        return;
    const QRectF area = MapCamera::levelArea();
    const double scale = m_camera.scale();
    setCamera(MapCamera(scale, QPointF(area.left() + horizontalScrollBar()->value() / scale,
                                       area.top() + verticalScrollBar()->value() / scale)));
}

void MapCanvas::resizeEvent(QResizeEvent *)
{
    setCamera(m_fitted ? MapCamera::fitted(viewSize()) : m_camera);
}

void MapCanvas::refresh()
{
    m_paintPending = true;
    viewport()->update();
    const QString status = statusText();
    if (status != m_status) {
        m_status = status;
        emit statusChanged(m_status);
    }
}

QPointF MapCanvas::positionOf(int row) const
{
    return m_gesture == Gesture::Drag && m_table->isSelected(row) ? positions().at(row) + m_dragBy
                                                                  : positions().at(row);
}

double MapCanvas::angleOf(int row) const
{
    if (m_gesture == Gesture::Turn && row == m_row)
        return m_angleTo;
    return NumberText::parse(m_table->field(row, 3))
            .value_or(std::numeric_limits<double>::quiet_NaN());
}

// The end of the heading stroke of `row`, in view pixels: 0 up the map, positive angles turning
// counter-clockwise, as Show Rotation draws it.
QPointF MapCanvas::headingEnd(int row) const
{
    const double angle = angleOf(row);
    return m_camera.toView(positionOf(row))
           + QPointF(-std::sin(angle), -std::cos(angle)) * HeadingLength;
}

QString MapCanvas::positionText(double value) const
{
    return NumberText::formatDouble(MapCamera::rounded(value, m_camera.step()));
}

// The text of position field `field` of `row` moved by `by` level units. A field that does not
// move (by 0, or by less than its text can show) keeps its text byte for byte: a drag across
// leaves Y as it was written, "-400.50" included.
QString MapCanvas::movedText(int row, int field, double by) const
{
    return movedText(m_table->field(row, field), by);
}

QString MapCanvas::movedText(const QString &text, double by)
{
    const std::optional<double> value = NumberText::parse(text);
    if (!value)
        return text;
    const double to = *value + by;
    const QString moved = NumberText::formatDouble(to);
    // A move of more than the last of the 15 digits the text shows always shows; a smaller
    // one is compared as text.
    if (std::abs(by) > 1e-13 * std::max(std::abs(*value), std::abs(to)))
        return moved;
    return moved == NumberText::formatDouble(*value) ? text : moved;
}

QVector<PropTable::FieldText> MapCanvas::movedSelection(QPointF by) const
{
    QVector<PropTable::FieldText> texts;
    for (int row : m_table->selectedRows()) {
        for (const auto &[field, distance] : {std::pair(0, by.x()), std::pair(2, by.y())}) {
            if (distance == 0)
                continue;
            QString text = movedText(row, field, distance);
            if (text != m_table->field(row, field))
                texts.append({row, field, std::move(text)});
        }
    }
    return texts;
}

QString MapCanvas::statusText() const
{
    QStringList parts;
    if (m_gesture == Gesture::Drag)
        parts << QStringLiteral("Move to X %1, Y %2")
                         .arg(movedText(m_row, 0, m_dragBy.x()), movedText(m_row, 2, m_dragBy.y()));
    else if (m_gesture == Gesture::Turn)
        parts << QStringLiteral("Turn to %1").arg(NumberText::formatDouble(m_angleTo));
    else if (m_mouseInside) {
        const QPointF at = m_camera.toLevel(m_mouseAt);
        const auto under = MapHits::under(positions(), m_camera, m_mouseAt).size();
        parts << QStringLiteral("X %1, Y %2").arg(oneDecimal(at.x()), oneDecimal(at.y()))
              << (under == 1 ? QStringLiteral("1 prop here")
                             : QStringLiteral("%1 props here").arg(under));
    }
    parts << QStringLiteral("Zoom %1 pixels a unit").arg(m_camera.scale(), 0, 'g', 3);
    return parts.join(QStringLiteral("    "));
}

void MapCanvas::paintEvent(QPaintEvent *)
{
    const QSize size = viewport()->size();
    const qreal ratio = viewport()->devicePixelRatioF();
    const QSize pixels = size * ratio;
    if (pixels.isEmpty())
        return;
    if (m_background.size() != pixels || m_backgroundCamera != m_camera) {
        m_background = QImage(pixels, QImage::Format_RGB32);
        m_background.setDevicePixelRatio(ratio);
        QPainter painter(&m_background);
        MapDrawing::paintLevel(painter, m_camera, size);
        m_backgroundCamera = m_camera;
    }
    if (m_frame.size() != pixels) {
        m_frame = QImage(pixels, QImage::Format_RGB32);
        m_frame.setDevicePixelRatio(ratio);
    }
    std::memcpy(m_frame.bits(), m_background.constBits(), size_t(m_frame.sizeInBytes()));

    // Dots are stamped in device pixels; positions are parsed once, not for each paint.
    const double scale = m_camera.scale() * ratio;
    const QPointF origin = m_camera.origin();
    auto device = [&](QPointF level) {
        return (level - origin) * scale;
    };
    for (int row : std::as_const(m_matches))
        MapDrawing::stampDot(m_frame, device(positionOf(row)), int(FoundRadius * ratio), Yellow);

    // Red dots, then the selected props' larger blue ones; the current prop's stroke is drawn
    // once every dot is stamped.
    class Marks : public PropMarks::Painter
    {
    public:
        Marks(const MapCanvas &canvas, QImage &frame, std::function<QPointF(QPointF)> device,
              double ratio, QSize pixels)
            : m_canvas(canvas)
            , m_device(std::move(device))
            , m_frame(frame)
            , m_radius(int(std::lround(DotRadius * ratio)))
            , m_selectedRadius(int(SelectedRadius * ratio))
            , m_inView(QPointF(0, 0), QSizeF(pixels))
        { }
        QPointF position(int row) const override { return m_canvas.positionOf(row); }
        void dot(int, QPointF at, QRgb color) override
        {
            const QPointF device = m_device(at);
            const bool selected = color != PropMarks::Red;
            visible += m_inView.contains(device);
            MapDrawing::stampDot(m_frame, device, selected ? m_selectedRadius : m_radius, color);
        }
        void heading(int row, QPointF) override { stroked = row; }
        int visible = 0;
        int stroked = -1;

    private:
        const MapCanvas &m_canvas;
        const std::function<QPointF(QPointF)> m_device;
        QImage &m_frame;
        const int m_radius;
        const int m_selectedRadius;
        const QRectF m_inView;
    } marks(*this, m_frame, device, ratio, pixels);
    PropMarks::draw(*m_table, PropMarks::SelectedOnlyBlue | PropMarks::StrokeCurrent, marks);

    QPainter painter(&m_frame);
    painter.setRenderHint(QPainter::Antialiasing);
    // A prop far outside the view gets no stroke: the painter is not made for coordinates
    // such as 1e300.
    const QRectF nearView
            = QRectF(QPointF(0, 0), QSizeF(size))
                      .adjusted(-HeadingLength, -HeadingLength, HeadingLength, HeadingLength);
    const int current = marks.stroked;
    if (current >= 0 && nearView.contains(m_camera.toView(positionOf(current)))
        && std::isfinite(angleOf(current))) {
        const QPointF end = headingEnd(current);
        painter.setPen(QPen(QColor::fromRgb(Blue), 2));
        painter.drawLine(m_camera.toView(positionOf(current)), end);
        painter.setBrush(Qt::white);
        painter.drawEllipse(end, HandleRadius, HandleRadius);
    }
    if (m_gesture == Gesture::Rectangle) {
        painter.setPen(QPen(QColor::fromRgb(Blue), 1, Qt::DashLine));
        painter.setBrush(QColor(0, 0, 255, 40));
        painter.drawRect(QRectF(m_pressAt, m_lastAt).normalized());
    }
    paintLabels(painter, marks.visible);
    painter.end();
    QPainter(viewport()).drawImage(0, 0, m_frame);
    m_paintPending = false;
}

// Names beside their dots, each where it overlaps no name drawn before it: the selected prop's
// first, then those found, then the rest from the top of the pile down. In a crowded view only
// the selected prop's name is drawn.
void MapCanvas::paintLabels(QPainter &painter, int visible)
{
    m_drawnNames.clear();
    const QFontMetricsF metrics(font());
    const QRectF view(QPointF(0, 0), viewSize());
    MapDrawing::LabelPlacer placer(viewSize());
    painter.setFont(font());
    auto label = [&](int row) {
        const QPointF at = m_camera.toView(positionOf(row));
        const QString name = m_table->name(row).left(LabelChars);
        if (!view.contains(at) || name.trimmed().isEmpty())
            return;
        const QRectF box(at.x() + 2 * DotRadius + 2, at.y() - metrics.height() / 2,
                         metrics.horizontalAdvance(name) + 4, metrics.height());
        if (!placer.place(box))
            return;
        painter.fillRect(box, QColor(255, 255, 255, 200));
        painter.setPen(Qt::black);
        painter.drawText(box, Qt::AlignCenter, name);
        m_drawnNames << name;
    };
    const int selected = m_table->selectedRow();
    if (selected >= 0)
        label(selected);
    if (visible > LabelLimit)
        return;
    for (auto row = m_matches.crbegin(); row != m_matches.crend(); ++row) {
        if (*row != selected)
            label(*row);
    }
    for (int row = int(positions().size()) - 1; row >= 0; --row) {
        if (row != selected && !m_isMatch.at(row))
            label(row);
    }
}

bool MapCanvas::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::Leave) {
        m_mouseInside = false;
        refresh();
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void MapCanvas::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    if (m_gesture != Gesture::None)
        return;
    const QPointF at = event->position();
    m_pressAt = m_lastAt = at;
    m_button = event->button();
    if (m_button == Qt::MiddleButton) {
        m_gesture = Gesture::Pan;
        return;
    }
    if (m_button != Qt::LeftButton)
        return;
    // What the press finds, and the click, drag or turn it starts, see typed values in.
    emit commitRequested();
    m_gesture = Gesture::Pressed;
    m_pressModifiers = event->modifiers();
    // Shift draws a rectangle; the current prop's heading end turns it; a dot drags the
    // selected props (its own alone when it is not selected), the current one first where
    // dots lie on each other, then any selected one; empty space pans.
    m_row = -1;
    if (m_pressModifiers & Qt::ShiftModifier) {
        m_pressedFor = Gesture::Rectangle;
        return;
    }
    const int selected = m_table->selectedRow();
    if (selected >= 0 && isFinite(positions().at(selected)) && std::isfinite(angleOf(selected))
        && QLineF(at, headingEnd(selected)).length() <= HandleReach) {
        m_pressedFor = Gesture::Turn;
        m_row = selected;
        return;
    }
    const QVector<int> hits = MapHits::under(positions(), m_camera, at);
    const auto selectedHit = std::find_if(hits.cbegin(), hits.cend(),
                                          [this](int row) { return m_table->isSelected(row); });
    m_row = hits.contains(selected)      ? selected
            : selectedHit != hits.cend() ? *selectedHit
                                         : hits.value(0, -1);
    m_pressedFor = m_row >= 0 ? Gesture::Drag : Gesture::Pan;
}

void MapCanvas::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
    m_mouseInside = viewport()->rect().contains(event->position().toPoint());
    m_mouseAt = event->position();
    if (m_gesture == Gesture::Pressed
        && (m_mouseAt - m_pressAt).manhattanLength() >= QApplication::startDragDistance()) {
        // A drag of a prop that is not selected selects it first, as a click on its name does.
        if (m_pressedFor == Gesture::Drag && !m_table->isSelected(m_row))
            emit pickRequested(m_row);
        if (m_pressedFor == Gesture::Turn)
            m_angleFrom = m_angleTo = angleOf(m_row);
        m_gesture = m_pressedFor;
        m_clickedBefore = false;
    }
    follow(m_mouseAt);
    m_lastAt = m_mouseAt;
    refresh();
}

void MapCanvas::follow(QPointF at)
{
    if (m_gesture == Gesture::Drag) {
        // The move, not the position it leads to, is rounded: a drag along one pixel row leaves
        // Y as it is.
        const QPointF by = (at - m_pressAt) / m_camera.scale();
        m_dragBy = QPointF(MapCamera::rounded(by.x(), m_camera.step()),
                           MapCamera::rounded(by.y(), m_camera.step()));
    } else if (m_gesture == Gesture::Turn) {
        const QPointF from = at - m_camera.toView(positions().at(m_row));
        const double distance = std::hypot(from.x(), from.y());
        if (distance < 1)
            return;
        // The angle nearest to the one the turn began with, so that a turn of a prop at 6
        // radians goes on from there instead of jumping back by a full turn.
        double angle = std::atan2(-from.x(), -from.y());
        angle += 2 * Pi * std::round((m_angleFrom - angle) / (2 * Pi));
        m_angleTo = MapCamera::rounded(angle, MapCamera::nearestPowerOfTen(1 / distance));
    } else if (m_gesture == Gesture::Pan) {
        setCamera(m_camera.panned(at - m_lastAt, viewSize()));
    }
}

void MapCanvas::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() != m_button || m_gesture == Gesture::None)
        return;
    const Gesture gesture = std::exchange(m_gesture, Gesture::None);
    if (gesture == Gesture::Pressed) {
        click(event->position());
    } else if (gesture == Gesture::Drag) {
        const QVector<PropTable::FieldText> texts = movedSelection(m_dragBy);
        if (!texts.isEmpty())
            emit stepRequested(Step::Move, texts);
    } else if (gesture == Gesture::Turn) {
        const QString angle = NumberText::formatDouble(m_angleTo);
        if (angle != m_table->field(m_row, 3))
            emit stepRequested(Step::Turn, {{m_row, 3, angle}});
    } else if (gesture == Gesture::Rectangle) {
        selectInRectangle(event->position());
    }
    refresh();
}

// The props whose dots lie inside the rectangle become the selection, or join it with Ctrl;
// the last of them in the table becomes the current prop.
void MapCanvas::selectInRectangle(QPointF to)
{
    const QRectF area = QRectF(m_camera.toLevel(m_pressAt), m_camera.toLevel(to)).normalized();
    QVector<int> rows;
    if (m_pressModifiers & Qt::ControlModifier)
        rows = m_table->selection();
    for (int row = 0; row < int(positions().size()); ++row) {
        const QPointF at = positions().at(row);
        if (at.x() >= area.left() && at.x() <= area.right() && at.y() >= area.top()
            && at.y() <= area.bottom() && !m_table->isSelected(row))
            rows.append(row);
    }
    emit selectRequested(rows);
}

// A second click at the same point, with nothing changed in between, picks the next dot down.
// Ctrl+click adds the prop under the mouse to the selection or takes it out.
void MapCanvas::click(QPointF at)
{
    const bool again
            = m_clickedBefore
              && (at - m_lastClickAt).manhattanLength() < QApplication::startDragDistance();
    m_clickedBefore = true;
    m_lastClickAt = at;
    const int row = MapHits::pick(MapHits::under(positions(), m_camera, at), m_table->selectedRow(),
                                  again);
    if (m_pressModifiers & Qt::ControlModifier) {
        if (row < 0)
            return;
        QVector<int> rows = m_table->selection();
        if (!rows.removeOne(row))
            rows.append(row);
        return emit selectRequested(rows);
    }
    const QPointF level = m_camera.toLevel(at);
    emit clicked(row, positionText(level.x()), positionText(level.y()));
}

void MapCanvas::wheelEvent(QWheelEvent *event)
{
    if (!(event->modifiers() & Qt::ControlModifier))
        return QAbstractScrollArea::wheelEvent(event);
    event->accept();
    zoomAbout(std::pow(ZoomStep, event->angleDelta().y() / 120.0), event->position());
}

void MapCanvas::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (key == Qt::Key_Escape
        && (m_gesture == Gesture::Drag || m_gesture == Gesture::Turn
            || m_gesture == Gesture::Rectangle)) {
        m_gesture = Gesture::Cancelled;
        return refresh();
    }
    if (m_gesture == Gesture::None && key == Qt::Key_Escape && modifiers == Qt::NoModifier) {
        if (m_table->hasSelection())
            emit selectRequested({});
        return;
    }
    if (m_gesture == Gesture::None && event->matches(QKeySequence::SelectAll)) {
        QVector<int> rows(m_table->size());
        std::iota(rows.begin(), rows.end(), 0);
        return emit selectRequested(rows);
    }
    if (key == Qt::Key_0 && modifiers == Qt::NoModifier)
        return fit();
    const bool arrow = key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up
                       || key == Qt::Key_Down;
    if (!arrow || (modifiers & ~Qt::ShiftModifier))
        return QAbstractScrollArea::keyPressEvent(event);
    // One level unit that way on screen, ten with Shift: X grows to the right, Y downwards.
    if (!m_table->hasSelection() || m_gesture != Gesture::None)
        return;
    const bool across = key == Qt::Key_Left || key == Qt::Key_Right;
    const double distance = (modifiers & Qt::ShiftModifier ? 10 : 1)
                            * (key == Qt::Key_Left || key == Qt::Key_Up ? -1 : 1);
    emit commitRequested();
    // A nudge that changes no text (a field that is no number, or one too large to show the
    // move) is no step.
    const QVector<PropTable::FieldText> texts
            = movedSelection(across ? QPointF(distance, 0) : QPointF(0, distance));
    if (!texts.isEmpty())
        emit stepRequested(Step::Nudge, texts);
}
