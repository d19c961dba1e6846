#pragma once

#include "app/form1ui.h"
#include "app/propdocument.h"

#include <QMainWindow>

#include <array>
#include <functional>

class LargeMap;
class MapView;
class NameList;
class PropTable;
class QLabel;
class QLineEdit;
class QPushButton;
class RecoveryKeeper;

// The editor's one window: the prop count, the name list, the six field boxes, the map
// and the buttons and menus. Each handled control event has one small handler here; the
// document carries out every change to the list and the map view does the drawing.
class Form1 : public QMainWindow
{
    Q_OBJECT

public:
    explicit Form1(QWidget *parent = nullptr);
    ~Form1() override;

    // Clears the map, marks every prop red and the selected prop blue.
    void DrawMap();
    // Replaces the prop table with the prop text file at `path`.
    void OpenZRM(const QString &path);
    // Writes the prop table to the prop text file at `path`; false when nothing was saved.
    bool SaveZRM(const QString &path);
    // Opens a file named on the command line or dropped on the window, as File > Open does
    // with the file chosen in its dialog; later file dialogs start in its folder.
    void openFile(const QString &path);
    // Opens `path` as File > Open does once its file is chosen: after the question about
    // unsaved changes, when there are any.
    void openAsked(const QString &path);

    PropDocument *document() const { return m_document; }
    RecoveryKeeper *recoveryKeeper() const { return m_document->recovery(); }
    PropTable *propTable() const { return m_table; }
    MapView *mapView() const { return m_picture1; }
    qint16 placePending() const { return m_document->placePending(); }
    qint16 mouseX() const { return m_mouseX; }
    qint16 mouseY() const { return m_mouseY; }
    // The large map window, made the first time it is wanted.
    LargeMap *largeMap();

protected:
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void connectControls();

    // Picks `row` in the name list from code; runs the selection behaviour at once.
    void selectName(int row);
    void showSelectionInNameList();
    void pickFromNameList();
    void showFieldBoxes();
    // Says that `count` more props would pass the most the list can hold.
    void showNoRoom(int count);
    // Changes the table's rows without the name list taking its own bookkeeping for a pick,
    // then shows the table's selection in the list.
    void changeTable(const std::function<void()> &change);
    void clearFieldBoxes();
    void writeBackField(int field);
    void writeBackFocusedField();
    void showPlacement();
    void showTitle();
    // File > Save's dialog and save; true when the list was saved.
    bool saveAsked();
    // Before the list would be replaced or the editor end: with unsaved changes, asks whether
    // to save them first. True when the caller may go on.
    bool changesMayGo(const char *before);

    // Event handlers, one per handled control event.
    void Form1_Load();
    void List7_Click();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Picture1_MouseMove(double x, double y);
    void Picture1_Click();
    void mnuFNew_Click();
    void mnuFOpen_Click();
    void mnuFSave_Click();
    void mnuFExit_Click();
    void mnuEUndo_Click();
    void mnuERedo_Click();
    void mnuECut_Click();
    void mnuECopy_Click();
    void mnuEPaste_Click();
    void mnuEDuplicate_Click();
    void mnuVLargeMap_Click();
    void mnuCZRM_Click();
    void mnuCTXT_Click();
    void Find_Click();

    PropDocument *m_document = nullptr;
    PropTable *m_table = nullptr;

    Form1Ui m_ui;
    // The controls by their names in the layout.
    std::array<QLineEdit *, 7> &m_text = m_ui.text;
    NameList *&m_list7 = m_ui.list7;
    std::array<QPushButton *, 5> &m_command = m_ui.command;
    MapView *&m_picture1 = m_ui.picture1;
    LargeMap *m_largeMap = nullptr;

    // The last mouse position over the map, in drawing coordinates.
    qint16 m_mouseX = 0;
    qint16 m_mouseY = 0;

    // The last redraw highlighted no prop, so the pen marks no selected prop to turn.
    bool m_noHighlight = false;

    // Set while the table changes underneath the name list, so that the list's own
    // current-row bookkeeping is not taken for a pick by the user.
    bool m_syncingNameList = false;
    // Exit's question about unsaved changes was answered: closing asks nothing more.
    bool m_discarding = false;
};
