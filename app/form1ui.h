#pragma once

#include <array>

class History;
class MapView;
class NameList;
class QAbstractItemModel;
class QAction;
class QLabel;
class QLineEdit;
class QMainWindow;
class QPushButton;

// The main window's controls and menu items, made, named and laid out in one place as a
// designer form's setupUi() does; the window connects them to its handlers.
class Form1Ui
{
public:
    // Fills `window` with its controls and menus; the name list shows `names`.
    void setupUi(QMainWindow *window, QAbstractItemModel *names);
    // Edit > Undo and Redo name the step they would take back or do again, and are enabled
    // while there is one.
    void followHistory(const History *history);

    // text[0..5] are Text1..Text6 (the six fields), text[6] is Text7 (the count).
    std::array<QLineEdit *, 7> text{};
    // The captions of the field boxes, in the order of the boxes.
    std::array<QLabel *, 6> label{};
    NameList *list7 = nullptr;
    std::array<QPushButton *, 5> command{};
    MapView *picture1 = nullptr;

    QAction *mnuFNew = nullptr;
    QAction *mnuFOpen = nullptr;
    QAction *mnuFSave = nullptr;
    QAction *mnuFExit = nullptr;
    QAction *mnuEUndo = nullptr;
    QAction *mnuERedo = nullptr;
    QAction *mnuECut = nullptr;
    QAction *mnuECopy = nullptr;
    QAction *mnuEPaste = nullptr;
    QAction *mnuEDuplicate = nullptr;
    QAction *mnuVLargeMap = nullptr;
    QAction *mnuCZRM = nullptr;
    QAction *mnuCTXT = nullptr;
    // Ctrl+F in either window, and Delete in the name list.
    QAction *find = nullptr;
    QAction *removeKey = nullptr;

private:
    void createControls(QMainWindow *window, QAbstractItemModel *names);
    void createMenus(QMainWindow *window);
    void fitFont(QMainWindow *window);
};
