#pragma once

#include "app/mapcanvas.h"

#include <QMainWindow>

#include <array>
#include <functional>

class History;
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
// prop table model holds the document and the map view does the drawing.
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
    // Writes the prop table to the prop text file at `path`.
    void SaveZRM(const QString &path);
    // Opens a file named on the command line or dropped on the window, as File > Open does
    // with the file chosen in its dialog; later file dialogs start in its folder.
    void openFile(const QString &path);

    PropTable *propTable() const { return m_table; }
    MapView *mapView() const { return m_picture1; }
    qint16 placePending() const { return m_placePending; }
    qint16 mouseX() const { return m_mouseX; }
    qint16 mouseY() const { return m_mouseY; }
    // The large map window, made the first time it is wanted.
    LargeMap *largeMap();

    // --- Stand-in for the document's unsaved state, until the document layer holds it ---
    // Puts a recovered list in, with its file, as one step that can be undone, unsaved.
    void restoreList(QString countText, QVector<PropRecord> records, const QString &filePath);
    RecoveryKeeper *recoveryKeeper() const { return m_recovery; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void createControls();
    void createMenus();
    void fitFont();

    // Picks `row` in the name list from code; runs the selection behaviour at once.
    void selectName(int row);
    void showSelectionInNameList();
    // Changes the table's rows without the name list taking its own bookkeeping for a pick,
    // then shows the table's selection in the list.
    void changeTable(const std::function<void()> &change);
    void clearFieldBoxes();
    void writeBackField(int field);
    void writeBackFocusedField();
    void placeSelectedProp(const QString &x, const QString &y);

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
    void mnuVLargeMap_Click();
    void mnuCZRM_Click();
    void mnuCTXT_Click();

    // What the large map asks for; the window carries it out.
    void LargeMap_Find();
    void LargeMap_Click(int row, const QString &x, const QString &y);
    void LargeMap_Pick(int row);
    void LargeMap_Place(const QString &x, const QString &y);
    void LargeMap_Step(MapCanvas::Step step, int row, const FieldTexts &texts);

    PropTable *m_table = nullptr;
    // Every change to the table, as steps Edit > Undo and Redo walk.
    History *m_history = nullptr;

    // m_text[0..5] are Text1..Text6 (the six fields), m_text[6] is Text7 (the count).
    std::array<QLineEdit *, 7> m_text{};
    // The captions of the field boxes, in the order of the boxes.
    std::array<QLabel *, 6> m_label{};
    NameList *m_list7 = nullptr;
    std::array<QPushButton *, 5> m_command{};
    MapView *m_picture1 = nullptr;
    LargeMap *m_largeMap = nullptr;

    // 0 idle, -1 armed: the next click on the map places the selected prop.
    qint16 m_placePending = 0;
    // The last mouse position over the map, in drawing coordinates.
    qint16 m_mouseX = 0;
    qint16 m_mouseY = 0;

    // The last redraw highlighted no prop, so the pen marks no selected prop to turn.
    bool m_noHighlight = false;

    // Set while the table changes underneath the name list, so that the list's own
    // current-row bookkeeping is not taken for a pick by the user.
    bool m_syncingNameList = false;

    // --- Stand-in for the document's unsaved state (see restoreList) ---
    void markSaved(const QString &path);
    RecoveryKeeper *m_recovery = nullptr;
    int m_savedIndex = 0; // the history index at the last Open or Save
    QString m_filePath; // the file last opened or saved
};
