#pragma once

#include <QFrame>
#include <QImage>
#include <QPointF>

// The map box: shows the level's map bitmap inside a sunken two-pixel border and keeps
// whatever was drawn on it since the last clear, like a picture box with a pen. It draws
// only when told to; it reports mouse moves and clicks and never touches the prop table.
class MapView : public QFrame
{
    Q_OBJECT

public:
    static constexpr int BorderWidth = 2;
    static constexpr int PenWidth = 3;

    explicit MapView(QWidget *parent = nullptr);

    // The outer size, border included, in the drawing unit (pixels).
    float outerWidth() const { return float(width()); }
    float outerHeight() const { return float(height()); }

    // Colours are 0x00BBGGRR values.
    void setPenColor(unsigned int bgr);
    unsigned int penColor() const { return m_penColor; }

    // Removes every mark, shows the plain map and puts the pen at (0, 0).
    void clear();

    QPointF penPosition() const { return QPointF(m_penX, m_penY); }
    void setPenPosition(float x, float y);

    // A line from the pen position to (x, y) in the pen colour; the pen then stands at
    // (x, y). With (x, y) equal to the pen position it draws one dot.
    void lineTo(float x, float y);

    // The drawing area as it currently shows: map bitmap plus marks.
    const QImage &canvas() const { return m_canvas; }

signals:
    // A move over the map, and the position of a click just before the click itself.
    void mouseMoved(double x, double y);
    void clicked();
    // The mouse rests on the map at `drawing` (drawing coordinates), `global` on the screen.
    void toolTipRequested(QPointF drawing, QPoint global);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QPointF toDrawing(const QPointF &widgetPos) const;
    void scheduleRepaint();

    QImage m_map;
    QImage m_canvas;
    unsigned int m_penColor = 0x000000;
    float m_penX = 0;
    float m_penY = 0;
    bool m_pressed = false;
    bool m_repaintPending = false;
};
