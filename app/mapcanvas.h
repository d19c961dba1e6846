#pragma once

#include "map/mapcamera.h"
#include "props/proprecord.h"
#include "props/proptable.h"

#include <QAbstractScrollArea>
#include <QImage>
#include <QStringList>
#include <QVector>

#include <optional>

// The large map's drawing area: the level, every prop as a dot, the selected ones blue and the
// current one with its heading stroke, names where they fit and the props found highlighted, at
// any zoom and pan.
// It keeps the props' positions parsed as the table changes, and turns clicks, drags and keys
// into requests: it never changes the table or the selection itself.
class MapCanvas : public QAbstractScrollArea
{
    Q_OBJECT

public:
    enum class Step { Move, Nudge, Turn };
    // One zoom key press or wheel step.
    static constexpr double ZoomStep = 1.25;

    explicit MapCanvas(const PropTable *table, QWidget *parent = nullptr);

    const MapCamera &camera() const { return m_camera; }
    QSizeF viewSize() const { return QSizeF(viewport()->size()); }
    // The whole level in view.
    void fit();
    // Zooms in by `factor` (out below 1) about the mouse when it is over the map, else about
    // the middle.
    void zoomBy(double factor);

    // Highlights the props whose names contain `text`, case-insensitive; none for no text.
    void setFindText(const QString &text);
    int matchCount() const { return int(m_matches.size()); }
    // Asks for the next match after the selected prop (in table order) to be picked, and
    // centres the map on it.
    void findNext();
    // Asks for every prop found to be selected.
    void selectFound();
    // Where the mouse is over the map, in level units; nothing when it is not over the map.
    std::optional<QPointF> mouseLevelPosition() const;
    // With the mouse over the map, moves the props whose positions are numbers so that the
    // middle of their bounding box lies under it, the distance rounded as a drag's is.
    void moveUnderMouse(QVector<PropRecord> &records) const;
    // `text` moved by `by` level units; a text that is no number, or that the move would not
    // change, is kept byte for byte.
    static QString movedText(const QString &text, double by);

    QString statusText() const;
    // What the last paint showed, and the names it drew; whether a newer picture is on its way.
    const QImage &frame() const { return m_frame; }
    const QStringList &drawnNames() const { return m_drawnNames; }
    bool paintPending() const { return m_paintPending; }

signals:
    // A press and release without moving: `row` is the prop a pick there takes (-1 for none),
    // `x` and `y` the level position there, rounded to the camera's step, as text.
    void clicked(int row, const QString &x, const QString &y);
    void pickRequested(int row);
    // A new selection, in the order of picking: Ctrl+click, a rectangle, Ctrl+A, Escape.
    void selectRequested(const QVector<int> &rows);
    // Sent before a press of the left button or an arrow key acts on the props, so that what
    // was typed into a field box and not yet written back goes into the table first.
    void commitRequested();
    // New texts for fields of the selected props by a drag or a nudge, or of the current prop
    // by a turn; each differs from the field's text.
    void stepRequested(MapCanvas::Step step, const QVector<PropTable::FieldText> &texts);
    void matchCountChanged(int count);
    void statusChanged(const QString &text);

protected:
    bool viewportEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    // What the mouse is doing: a press not yet moved, then a drag of the selected props, a turn
    // of the current prop's heading, a pan, or a rectangle that selects the props inside it
    // (Shift); a cancelled drag waits for its release.
    enum class Gesture { None, Pressed, Drag, Turn, Pan, Rectangle, Cancelled };

    const QVector<QPointF> &positions() const { return m_table->positions(); }
    void rowsChanged();
    void updateMatches();
    void setCamera(const MapCamera &camera);
    void syncScrollBars();
    void refresh();
    void zoomAbout(double factor, QPointF view);
    // Where `row` is drawn: moved by the drag for the prop being dragged.
    QPointF positionOf(int row) const;
    double angleOf(int row) const;
    QPointF headingEnd(int row) const;
    void click(QPointF at);
    void follow(QPointF at);
    QString positionText(double value) const;
    QString movedText(int row, int field, double by) const;
    // The selected props moved by `by` level units: the texts that change.
    QVector<PropTable::FieldText> movedSelection(QPointF by) const;
    void selectInRectangle(QPointF to);
    void paintLabels(QPainter &painter, int visible);

    const PropTable *const m_table;
    QString m_findText;
    QVector<int> m_matches;
    QVector<bool> m_isMatch;

    MapCamera m_camera;
    bool m_fitted = true;
    bool m_syncingScrollBars = false;
    bool m_paintPending = true;
    QImage m_background;
    MapCamera m_backgroundCamera;
    QImage m_frame;
    QStringList m_drawnNames;

    Gesture m_gesture = Gesture::None;
    Gesture m_pressedFor = Gesture::None;
    Qt::MouseButton m_button = Qt::NoButton;
    QPointF m_pressAt;
    QPointF m_lastAt;
    int m_row = -1;
    Qt::KeyboardModifiers m_pressModifiers;
    // How far the drag moves its prop, in level units, each axis rounded to the camera's step.
    QPointF m_dragBy;
    double m_angleFrom = 0;
    double m_angleTo = 0;
    bool m_clickedBefore = false;
    QPointF m_lastClickAt;
    bool m_mouseInside = false;
    QPointF m_mouseAt;
    QString m_status;
};
