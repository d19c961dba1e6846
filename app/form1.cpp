#include "app/form1.h"

#include "app/fieldbox.h"
#include "app/filedrop.h"
#include "app/filemessages.h"
#include "app/history.h"
#include "app/largemap.h"
#include "app/mapcanvas.h"
#include "app/maptooltip.h"
#include "app/namelist.h"
#include "app/propdocument.h"
#include "app/recoverykeeper.h"
#include "app/smallmap.h"
#include "dialogs/zrmdialogs.h"
#include "files/conversion.h"
#include "files/recentfolder.h"
#include "map/mapview.h"
#include "map/projection.h"
#include "props/numbertext.h"
#include "props/propclipboard.h"
#include "props/proptable.h"
#include "props/proptextfile.h"

#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolTip>

#include <optional>

namespace {

// The window's own texts.
namespace Texts {
const char *const Caption = "ZRM Editer By: Quellmar";
const char *const ExitQuestion = "Are ya sure?";
const char *const OpenTitle = "Open";
const char *const SaveTitle = "Save";
const char *const SaveChanges = "Save the changes to %1 before %2?";
const char *const UnnamedList = "the prop list";
const char *const Closing = "closing";
const char *const StartingNew = "starting a new prop list";
const char *const OpeningOther = "opening another file";
const char *const AskPropName = "Enter the name of the Prop to add";
const char *const ClickToPlace = "Click on map to place the prop";
const char *const TableFull = "The prop list is full: it already holds %1 props, the most the "
                              "editor allows. Remove a prop before adding another.";
const char *const RemoveSeveral = "Remove %1 props?";
const char *const NoRoom = "The prop list cannot take %1 more props: it holds %2, and the editor "
                           "allows at most %3. Nothing was added.";
const char *const BadPropName
        = "The name \"%1\" cannot be used: a saved prop list would not give it back "
          "unchanged.\n\nA name may not contain a comma or a character that Windows-1252 "
          "cannot hold, start with a double quote, start or end with a blank, or start with a "
          "number followed by more text.";
} // namespace Texts

} // namespace

Form1::Form1(QWidget *parent)
    : QMainWindow(parent)
    , m_document(new PropDocument(this))
    , m_table(m_document->table())
{
    setWindowTitle(QString::fromLatin1(Texts::Caption));
    connect(m_document, &PropDocument::modifiedChanged, this, &Form1::showTitle);
    connect(m_document, &PropDocument::filePathChanged, this, &Form1::showTitle);
    // What the document did for the large map, shown here as after the same in this window.
    connect(m_document, &PropDocument::writeBackRequested, this, &Form1::writeBackFocusedField);
    connect(m_document, &PropDocument::picked, this, [this] {
        showSelectionInNameList();
        List7_Click();
    });
    connect(m_document, &PropDocument::placed, this, &Form1::showPlacement);
    // The small map, as after an edit in a box, is redrawn only when asked.
    connect(m_document, &PropDocument::fieldsStepped, this, &Form1::showFieldBoxes);
    m_ui.setupUi(this, m_table);
    connectControls();
    setAcceptDrops(true);
    Form1_Load();
}

Form1::~Form1() = default;

// The file's name and whether the list has unsaved changes, which the window system marks;
// the bare caption while there is neither.
void Form1::showTitle()
{
    const QString path = m_document->filePath();
    const bool modified = m_document->isModified();
    const QString caption = QString::fromLatin1(Texts::Caption);
    setWindowTitle(path.isEmpty() && !modified ? caption
                   : path.isEmpty()
                           ? QStringLiteral("[*]") + caption
                           : QStringLiteral("[*]%1 - %2").arg(QFileInfo(path).fileName(), caption));
    setWindowModified(modified);
}

// Each control and menu item to its handler.
void Form1::connectControls()
{
    connect(m_table, &PropTable::countTextChanged, m_text[6], &QLineEdit::setText);
    for (int i = 0; i < 6; ++i)
        connect(static_cast<FieldBox *>(m_text[i]), &FieldBox::leftForControl, this,
                [this, i] { writeBackField(i); });
    connect(m_list7->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!m_syncingNameList)
            pickFromNameList();
    });
    connect(m_list7, &NameList::currentRowClickedAgain, this, [this](int row) {
        m_table->setSelectedRow(row);
        List7_Click();
    });
    connect(m_ui.removeKey, &QAction::triggered, this, &Form1::Command3_Click);
    void (Form1::*const buttons[])()
            = {&Form1::Command1_Click, &Form1::Command2_Click, &Form1::Command3_Click,
               &Form1::Command4_Click, &Form1::Command5_Click};
    for (int i = 0; i < 5; ++i)
        connect(m_command[i], &QPushButton::clicked, this, buttons[i]);
    connect(m_picture1, &MapView::mouseMoved, this, &Form1::Picture1_MouseMove);
    connect(m_picture1, &MapView::clicked, this, &Form1::Picture1_Click);
    connect(m_picture1, &MapView::toolTipRequested, this, [this](QPointF at, QPoint global) {
        QToolTip::showText(
                global,
                MapToolTip::text(*m_table, at, m_picture1->outerWidth(), m_picture1->outerHeight()),
                m_picture1);
    });

    const std::pair<QAction *, void (Form1::*)()> items[]
            = {{m_ui.mnuFNew, &Form1::mnuFNew_Click},
               {m_ui.mnuFOpen, &Form1::mnuFOpen_Click},
               {m_ui.mnuFSave, &Form1::mnuFSave_Click},
               {m_ui.mnuFExit, &Form1::mnuFExit_Click},
               {m_ui.mnuEUndo, &Form1::mnuEUndo_Click},
               {m_ui.mnuERedo, &Form1::mnuERedo_Click},
               {m_ui.mnuECut, &Form1::mnuECut_Click},
               {m_ui.mnuECopy, &Form1::mnuECopy_Click},
               {m_ui.mnuEPaste, &Form1::mnuEPaste_Click},
               {m_ui.mnuEDuplicate, &Form1::mnuEDuplicate_Click},
               {m_ui.mnuVLargeMap, &Form1::mnuVLargeMap_Click},
               {m_ui.mnuCZRM, &Form1::mnuCZRM_Click},
               {m_ui.mnuCTXT, &Form1::mnuCTXT_Click},
               {m_ui.find, &Form1::Find_Click}};
    for (const auto &[action, handler] : items)
        connect(action, &QAction::triggered, this, handler);
    m_ui.followHistory(m_document->history());
}

// With several props selected a box writes only what was typed into it, and never empties
// their fields: one the user left alone is empty where their values differ.
void Form1::writeBackField(int field)
{
    QLineEdit *box = m_text[field];
    if (m_table->selectionCount() > 1) {
        if (!box->isModified() || box->text().isEmpty())
            return;
        box->setModified(false);
        return m_document->editSelectedField(field, box->text());
    }
    m_document->editField(m_table->selectedRow(), field, box->text());
}

void Form1::writeBackFocusedField()
{
    for (int i = 0; i < 6; ++i) {
        if (focusWidget() == m_text[i])
            writeBackField(i);
    }
}

void Form1::selectName(int row)
{
    m_table->setSelectedRow(row);
    showSelectionInNameList();
    List7_Click();
}

void Form1::showSelectionInNameList()
{
    m_syncingNameList = true;
    m_list7->showSelection(m_table->selectedRows(), m_table->selectedRow());
    m_syncingNameList = false;
}

// The list's selection, made by the user, becomes the table's: the props picked before that
// are still selected keep their order, those added follow in table order, and the list's current
// row comes last, as the current prop, when it is selected.
void Form1::pickFromNameList()
{
    const QVector<int> rows = m_list7->selectedRowsInOrder();
    const int current = m_list7->currentIndex().row();
    QVector<bool> inList(m_table->size(), false);
    for (int row : rows)
        inList[row] = true;
    QVector<int> order;
    order.reserve(rows.size());
    for (int row : m_table->selection()) {
        if (inList.value(row) && row != current)
            order.append(row);
    }
    for (int row : rows) {
        if (!m_table->isSelected(row) && row != current)
            order.append(row);
    }
    if (inList.value(current))
        order.append(current);
    m_table->setSelection(order);
    List7_Click();
}

void Form1::changeTable(const std::function<void()> &change)
{
    m_syncingNameList = true;
    change();
    m_syncingNameList = false;
    showSelectionInNameList();
}

void Form1::clearFieldBoxes()
{
    for (int i = 0; i < 6; ++i)
        m_text[i]->setText(QString());
}

void Form1::Form1_Load()
{
    clearFieldBoxes();
    m_text[6]->setText(QStringLiteral("0"));
}

// A prop was picked in the name list, by the user or from code.
void Form1::List7_Click()
{
    m_document->endPlacement();
    showFieldBoxes();
    DrawMap();
}

// Each box shows the selected props' field: the value they share, empty where they differ.
void Form1::showFieldBoxes()
{
    for (int i = 0; i < 6; ++i)
        m_text[i]->setText(m_table->sharedField(i));
}

void Form1::openFile(const QString &path)
{
    RecentFolder::remember(path);
    OpenZRM(path);
}

void Form1::dragEnterEvent(QDragEnterEvent *event)
{
    FileDrop::acceptAsCopy(event);
}

void Form1::dragMoveEvent(QDragMoveEvent *event)
{
    FileDrop::acceptAsCopy(event);
}

// A file dropped anywhere on the window is opened as File > Open would open it. A question
// about unsaved changes waits until the drop is over, so the file manager is not held up.
void Form1::dropEvent(QDropEvent *event)
{
    if (!FileDrop::acceptAsCopy(event))
        return;
    const QString path = FileDrop::droppedFile(event->mimeData());
    if (!m_document->isModified())
        return openFile(path);
    QMetaObject::invokeMethod(
            this, [this, path] { openAsked(path); }, Qt::QueuedConnection);
}

void Form1::openAsked(const QString &path)
{
    if (changesMayGo(Texts::OpeningOther))
        openFile(path);
}

void Form1::DrawMap()
{
    m_noHighlight = !SmallMap::drawProps(m_picture1, *m_table);
}

void Form1::Command1_Click()
{
    DrawMap();
}

// Add Prop: appends a prop with six "0" fields, selects it (which redraws it at level
// (0, 0)) and arms a placement, so the next click on the map puts it there.
void Form1::Command2_Click()
{
    const QString name = ZrmDialogs::askText(this, QString::fromLatin1(Texts::AskPropName));
    if (name.isEmpty())
        return;
    switch (m_document->addProp(name)) {
    case PropDocument::AddResult::Full:
        return ZrmDialogs::showMessage(
                this, QString::fromLatin1(Texts::TableFull).arg(PropTable::MaxRows));
    case PropDocument::AddResult::BadName:
        return ZrmDialogs::showMessage(this, QString::fromLatin1(Texts::BadPropName).arg(name));
    case PropDocument::AddResult::Added:
        break;
    }
    selectName(m_table->size() - 1);
    ZrmDialogs::showMessage(this, QString::fromLatin1(Texts::ClickToPlace));
    m_document->armPlacement();
}

// Remove Prop: deletes the selected row; afterwards no row is selected and the field
// boxes still show the removed prop.
void Form1::Command3_Click()
{
    const int count = m_table->selectionCount();
    if (count > 1
        && !ZrmDialogs::askOkCancel(this, QString::fromLatin1(Texts::RemoveSeveral).arg(count)))
        return;
    bool removed = false;
    changeTable([this, &removed] { removed = m_document->removeSelected(); });
    if (removed)
        DrawMap();
}

// Move Prop: the next click on the map places whichever prop is selected then.
void Form1::Command4_Click()
{
    ZrmDialogs::showMessage(this, QString::fromLatin1(Texts::ClickToPlace));
    m_document->armPlacement();
}

// Show Rotation: the current prop's heading stroke, from the pen position (before the first
// redraw (0, 0)). With no highlight the pen stands on whichever prop was marked last.
void Form1::Command5_Click()
{
    if (m_noHighlight)
        return;
    // With several props selected the box may be empty where their angles differ: the current
    // prop's own angle is stroked.
    const std::optional<double> angle = NumberText::parse(
            m_table->selectionCount() > 1 ? m_table->field(m_table->selectedRow(), 3)
                                          : m_text[3]->text());
    if (!angle)
        return;
    SmallMap::strokeHeading(m_picture1, *angle);
}

void Form1::Picture1_MouseMove(double x, double y)
{
    m_mouseX = Projection::toInt16(x);
    m_mouseY = Projection::toInt16(y);
}

// A click on the map places the selected prop where it was made, when a placement is armed.
void Form1::Picture1_Click()
{
    if (!m_document->placePending())
        return;
    const float x = Projection::toLevelX(m_mouseX, m_picture1->outerWidth());
    const float y = Projection::toLevelY(m_mouseY, m_picture1->outerHeight());
    m_document->place(NumberText::formatSingle(x), NumberText::formatSingle(y));
}

// A placing click shows the placed prop's X and Y position in its boxes and redraws the map.
void Form1::showPlacement()
{
    const int row = m_table->selectedRow();
    m_text[0]->setText(m_table->field(row, 0));
    m_text[2]->setText(m_table->field(row, 2));
    DrawMap();
}

// File > New: empties the list; the map keeps its last drawing.
void Form1::mnuFNew_Click()
{
    if (!changesMayGo(Texts::StartingNew))
        return;
    clearFieldBoxes();
    changeTable([this] { m_document->newList(); });
}

void Form1::mnuFOpen_Click()
{
    if (!changesMayGo(Texts::OpeningOther))
        return;
    const QString path = FileMessages::askForPropFile(this, 1, Texts::OpenTitle);
    if (!path.isEmpty())
        OpenZRM(path);
}

void Form1::mnuFSave_Click()
{
    saveAsked();
}

// The dialog proposes the list's own file, so saving it again is Enter and Yes.
bool Form1::saveAsked()
{
    const QString path
            = FileMessages::askForPropFile(this, 2, Texts::SaveTitle, m_document->filePath());
    if (path.isEmpty())
        return false;
    return SaveZRM(path);
}

bool Form1::changesMayGo(const char *before)
{
    if (!m_document->isModified())
        return true;
    const QString path = m_document->filePath();
    const QString list = path.isEmpty() ? QString::fromLatin1(Texts::UnnamedList)
                                        : QDir::toNativeSeparators(path);
    switch (ZrmDialogs::askSaveDiscardCancel(
            this, QString::fromLatin1(Texts::SaveChanges).arg(list, QString::fromLatin1(before)))) {
    case ZrmDialogs::SaveAnswer::Save:
        return saveAsked();
    case ZrmDialogs::SaveAnswer::Discard:
        return true;
    case ZrmDialogs::SaveAnswer::Cancel:
        break;
    }
    return false;
}

// Reads and checks the whole file before anything changes, so a file that cannot be read
// leaves the table, the boxes, the selection and the map as they were. On success the
// table is replaced, the field boxes are empty, nothing is selected and the map is not
// redrawn.
void Form1::OpenZRM(const QString &path)
{
    std::optional<PropTextFile::Contents> contents = FileMessages::readToOpen(this, path);
    if (!contents)
        return;
    // What the user must know about the file, said at once in one message: the list is open,
    // but it would not be saved as it is, or it would be saved without part of the file.
    const QString notes = FileMessages::openNotes(path, *contents);
    clearFieldBoxes();
    changeTable([this, &path, &contents] {
        m_document->open(path, std::move(contents->countText), std::move(contents->records));
    });
    if (!notes.isEmpty())
        ZrmDialogs::showMessage(this, notes);
}

// Afterwards the last prop is selected, as if each had been picked in turn while its line was
// written.
bool Form1::SaveZRM(const QString &path)
{
    const QString problem = m_document->save(path);
    if (!problem.isEmpty()) {
        ZrmDialogs::showMessage(this, problem);
        return false;
    }
    // Picking every row in turn would redraw the map once per prop; only the last pick
    // can be seen, so only the last one is made.
    if (m_table->size() > 0)
        selectName(m_table->size() - 1);
    return true;
}

// Edit > Undo and Redo: the table goes back to how it was before or after the step, and the
// window then shows it as a fresh pick would: the boxes refilled (what was typed and not yet
// written back is gone), no placement pending, the map redrawn.
void Form1::mnuEUndo_Click()
{
    changeTable([this] { m_document->undo(); });
    List7_Click();
}

void Form1::mnuERedo_Click()
{
    changeTable([this] { m_document->redo(); });
    List7_Click();
}

// Edit > Cut: the selected props go to the clipboard, and from the list without a question.
void Form1::mnuECut_Click()
{
    if (!m_table->hasSelection())
        return;
    mnuECopy_Click();
    changeTable([this] { m_document->cutSelected(); });
    List7_Click();
}

// Edit > Copy: the selected props, in table order, as lines of a prop text file.
void Form1::mnuECopy_Click()
{
    const QVector<PropRecord> records = m_table->selectedRecords();
    if (!records.isEmpty())
        QGuiApplication::clipboard()->setText(PropClipboard::copyText(records));
}

// Edit > Paste: the props on the clipboard at the end of the list, selected; with the mouse
// over the large map, moved so that the middle of the group lies under it.
void Form1::mnuEPaste_Click()
{
    PropClipboard::Pasted pasted = PropClipboard::readPaste(QGuiApplication::clipboard()->text(),
                                                            PropTable::MaxRows - m_table->size());
    if (!pasted.error.isEmpty())
        return ZrmDialogs::showMessage(this, pasted.error);
    if (m_largeMap && m_largeMap->isVisible())
        m_largeMap->canvas()->moveUnderMouse(pasted.records);
    const QString notes = FileMessages::pasteNotes(pasted.records, pasted.lines);
    const int count = int(pasted.records.size());
    PropDocument::AddResult result = PropDocument::AddResult::Added;
    changeTable(
            [this, &pasted, &result] { result = m_document->paste(std::move(pasted.records)); });
    if (result == PropDocument::AddResult::Full)
        return showNoRoom(count);
    List7_Click();
    if (!notes.isEmpty())
        ZrmDialogs::showMessage(this, notes);
}

// Edit > Duplicate: copies of the selected props at the end of the list, selected.
void Form1::mnuEDuplicate_Click()
{
    PropDocument::AddResult result = PropDocument::AddResult::Added;
    const int count = m_table->selectionCount();
    if (count == 0)
        return;
    changeTable([this, &result] { result = m_document->duplicateSelected(); });
    if (result == PropDocument::AddResult::Full)
        return showNoRoom(count);
    List7_Click();
}

void Form1::showNoRoom(int count)
{
    ZrmDialogs::showMessage(this, QString::fromLatin1(Texts::NoRoom)
                                          .arg(count)
                                          .arg(m_table->size())
                                          .arg(PropTable::MaxRows));
}

// File > Exit: with unsaved changes the question about them is the only one; otherwise OK
// ends the program.
void Form1::mnuFExit_Click()
{
    if (m_document->isModified()) {
        m_discarding = changesMayGo(Texts::Closing);
        if (m_discarding)
            close();
        m_discarding = false;
    } else if (ZrmDialogs::askOkCancel(this, QString::fromLatin1(Texts::ExitQuestion))) {
        close();
    }
}

void Form1::mnuCZRM_Click()
{
    Conversion::run(this, Conversion::Direction::ZrmToTxt,
                    [this](const QString &path) { openAsked(path); });
}

void Form1::mnuCTXT_Click()
{
    Conversion::run(this, Conversion::Direction::TxtToZrm, {});
}

// The close box (or Alt+F4) ends the editor at once, unless unsaved changes would go with it
// and the user keeps them.
void Form1::closeEvent(QCloseEvent *event)
{
    // When the desktop session ends, nothing is asked and the recovery copy stays.
    const bool ending = recoveryKeeper()->sessionEnding();
    if (!m_discarding && !ending && !changesMayGo(Texts::Closing))
        return event->ignore();
    if (!ending)
        recoveryKeeper()->discard();
    if (m_largeMap)
        m_largeMap->close();
    QMainWindow::closeEvent(event);
}

LargeMap *Form1::largeMap()
{
    if (m_largeMap)
        return m_largeMap;
    m_largeMap = new LargeMap(m_document, this);
    // Edit > Undo and Redo answer their keys there too.
    m_largeMap->addActions({m_ui.mnuEUndo, m_ui.mnuERedo});
    m_largeMap->canvas()->addActions(
            {m_ui.mnuECut, m_ui.mnuECopy, m_ui.mnuEPaste, m_ui.mnuEDuplicate, m_ui.removeKey});
    m_largeMap->placeBeside(this);
    return m_largeMap;
}

// View > Large Map: shows the large map, or brings it to the front. Closing it only hides it,
// so it comes back where it was.
void Form1::mnuVLargeMap_Click()
{
    LargeMap *map = largeMap();
    map->show();
    map->raise();
    map->activateWindow();
}

void Form1::Find_Click()
{
    mnuVLargeMap_Click();
    m_largeMap->focusFind();
}
