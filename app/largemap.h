#pragma once

#include <QWidget>

class MapCanvas;
class PropDocument;
class QLabel;
class QLineEdit;
class QPushButton;

// The large map window beside the main window: a find box over the map and a status line
// under it. It shows the prop table and hands the user's picks and changes to the document,
// which carries them out.
class LargeMap : public QWidget
{
    Q_OBJECT

public:
    LargeMap(PropDocument *document, QWidget *parent);

    MapCanvas *canvas() const { return m_canvas; }
    // Ctrl+F: the find box takes the focus, its text selected.
    void focusFind();
    // Moves the window beside `main` (right, else left), all of it on the screen.
    void placeBeside(const QWidget *main);

private:
    QLineEdit *m_find = nullptr;
    QLabel *m_found = nullptr;
    QPushButton *m_selectFound = nullptr;
    MapCanvas *m_canvas = nullptr;
    QLabel *m_status = nullptr;
};
