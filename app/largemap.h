#pragma once

#include <QWidget>

class MapCanvas;
class PropTable;
class QLabel;
class QLineEdit;

// The large map window beside the main window: a find box over the map and a status line
// under it. It shows the prop table and passes the user's picks and changes on to the main
// window, which carries them out.
class LargeMap : public QWidget
{
    Q_OBJECT

public:
    LargeMap(const PropTable *table, QWidget *parent);

    MapCanvas *canvas() const { return m_canvas; }
    // Ctrl+F: the find box takes the focus, its text selected.
    void focusFind();

private:
    QLineEdit *m_find = nullptr;
    QLabel *m_found = nullptr;
    MapCanvas *m_canvas = nullptr;
    QLabel *m_status = nullptr;
};
