#include "map/mapview.h"

#include "map/mapdrawing.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace {

QColor colorFromBgr(unsigned int bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

} // namespace

MapView::MapView(QWidget *parent)
    : QFrame(parent)
    , m_map(QStringLiteral(":/map.bmp"))
{
    m_map = m_map.convertToFormat(QImage::Format_RGB32);
    m_canvas = m_map;
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(BorderWidth);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setFixedSize(m_map.width() + 2 * BorderWidth, m_map.height() + 2 * BorderWidth);
}

void MapView::setPenColor(unsigned int bgr)
{
    m_penColor = bgr & 0xFFFFFF;
}

void MapView::clear()
{
    m_canvas = m_map;
    m_penX = 0;
    m_penY = 0;
    scheduleRepaint();
}

void MapView::setPenPosition(float x, float y)
{
    m_penX = x;
    m_penY = y;
}

void MapView::lineTo(float x, float y)
{
    if (x == m_penX && y == m_penY) {
        // A dot: the 3 x 3 pixels around the pixel that holds the point, stamped rather than
        // painted, since a redraw stamps tens of thousands of them.
        MapDrawing::stampDot(m_canvas, QPointF(x, y), PenWidth / 2, colorFromBgr(m_penColor).rgb());
    } else if (std::isfinite(m_penX) && std::isfinite(m_penY) && std::isfinite(x)
               && std::isfinite(y)) {
        QPainter painter(&m_canvas);
        QPen pen(colorFromBgr(m_penColor), PenWidth, Qt::SolidLine, Qt::RoundCap);
        painter.setPen(pen);
        painter.drawLine(QPointF(m_penX, m_penY), QPointF(x, y));
    }
    m_penX = x;
    m_penY = y;
    scheduleRepaint();
}

// A redraw stamps tens of thousands of dots; asking for a repaint once until it happens
// saves most of the cost of asking for each.
void MapView::scheduleRepaint()
{
    if (m_repaintPending)
        return;
    m_repaintPending = true;
    update();
}

bool MapView::event(QEvent *event)
{
    if (event->type() != QEvent::ToolTip)
        return QFrame::event(event);
    const auto *help = static_cast<QHelpEvent *>(event);
    emit toolTipRequested(toDrawing(help->pos()), help->globalPos());
    return true;
}

void MapView::paintEvent(QPaintEvent *event)
{
    m_repaintPending = false;
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.drawImage(contentsRect().topLeft(), m_canvas);
}

QPointF MapView::toDrawing(const QPointF &widgetPos) const
{
    return widgetPos - QPointF(contentsRect().topLeft());
}

void MapView::mouseMoveEvent(QMouseEvent *event)
{
    const QPointF pos = toDrawing(event->position());
    emit mouseMoved(pos.x(), pos.y());
}

void MapView::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton;
}

// A click is a left press and release over the map, as with any push control. The release
// carries the click's own position, which is reported as a move first: the mouse may have
// moved while a message box kept the moves from the map, and the click must land where it is.
void MapView::mouseReleaseEvent(QMouseEvent *event)
{
    const bool wasPressed = m_pressed;
    m_pressed = false;
    if (wasPressed && event->button() == Qt::LeftButton
        && rect().contains(event->position().toPoint())) {
        const QPointF pos = toDrawing(event->position());
        emit mouseMoved(pos.x(), pos.y());
        emit clicked();
    }
}
