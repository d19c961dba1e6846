#include "app/form1.h"

#include "app/history.h"
#include "app/largemap.h"
#include "app/maptooltip.h"
#include "app/namelist.h"
#include "app/propcommands.h"
#include "app/recoverykeeper.h"
#include "dialogs/zrmdialogs.h"
#include "files/commdlgs.h"
#include "files/conversion.h"
#include "files/recentfolder.h"
#include "map/mapview.h"
#include "map/projection.h"
#include "props/numbertext.h"
#include "props/proptable.h"
#include "props/proptextfile.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFocusEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QStyleOptionButton>
#include <QToolTip>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace {

// The window's own texts.
namespace Texts {
const char *const Caption = "ZRM Editer By: Quellmar";
const char *const ExitQuestion = "Are ya sure?";
const char *const OpenTitle = "Open";
const char *const SaveTitle = "Save";
const char *const CannotOpen = "Could not open %1\n\n%2";
const char *const ListUnchanged = "\n\nThe prop list was not changed.";
const char *const UnsavableField
        = "Nothing was saved: prop %1 (\"%2\") has the %3 \"%4\", which is not a number. A "
          "saved prop list could not give it back.";
const char *const UnsavableName
        = "Nothing was saved: the name of prop %1 (\"%2\") would not read back unchanged from a "
          "saved prop list.";
const char *const TooLarge = "Nothing was saved: the prop list would make a file of %1 MiB, "
                             "larger than the %2 MiB the editor can open.";
const char *const NotLoaded = "%1 holds %2 after the %3 its first line counts. %4 not loaded, "
                              "and saving the prop list leaves %5 out.";
const char *const FieldsNotNumbers
        = "%1 %2 with a field that is not a number, so the prop list cannot be saved "
          "until each is one. A comma ends an item, so a decimal comma (12,5 for 12.5), or an "
          "item too many or too few on a line, moves every later item.\n\n%3";
const char *const FieldNotNumber = "Prop %1 (line %2): the %3 %4";
const char *const MoreFieldsNotNumbers = "and %1 more";
const char *const AskPropName = "Enter the name of the Prop to add";
const char *const ClickToPlace = "Click on map to place the prop";
const char *const TableFull = "The prop list is full: it already holds %1 props, the most the "
                              "editor allows. Remove a prop before adding another.";
const char *const BadPropName
        = "The name \"%1\" cannot be used: a saved prop list would not give it back "
          "unchanged.\n\nA name may not contain a comma or a character that Windows-1252 "
          "cannot hold, start with a double quote, start or end with a blank, or start with a "
          "number followed by more text.";
const char *const Utf8Mark = "%1 is UTF-8 text: it starts with the UTF-8 byte order mark.";
const char *const Utf8Found = "%1 looks like UTF-8 text: it holds letters written as UTF-8 "
                              "byte sequences, and no byte that UTF-8 cannot hold.";
const char *const Utf16Mark = "%1 is UTF-16 text (%2), as Notepad saves \"Unicode\": it starts "
                              "with the UTF-16 byte order mark.";
const char *const ReadAsWhich
        = "\n\nProp files are Windows-1252 text, and the editor saves them so.\n\nYes: read it "
          "as %1, each letter kept as the same letter in Windows-1252.\nNo: read its bytes as "
          "Windows-1252, as before: a letter written with several bytes becomes several "
          "letters.\nCancel: open nothing.";
const char *const Unheld = "It is %1 text, and it holds characters that Windows-1252, the text "
                           "of prop files, cannot hold: %2. Replace them in the file, or open "
                           "it as Windows-1252.";
const char *const Malformed = "It is %1 text, but it also holds bytes that are not %1.";
} // namespace Texts

// Colours as 0x00BBGGRR.
constexpr unsigned int Red = 0x0000FF;
constexpr unsigned int Blue = 0xFF0000;

// How many steps Edit > Undo can go back, and the most memory they may hold together (the
// last step is kept whatever it holds).
constexpr int HistorySteps = 100;
constexpr qint64 HistoryBytes = qint64(64) << 20;

constexpr int ClientWidth = 458;
constexpr int ClientHeight = 559;

// The tops of the field boxes in the order of their fields (Text1..Text6): on screen the
// Z angle (field 6) stands above the Y angle (field 5). Each caption stands to the left of
// its box, 8 pixels lower.
constexpr int FieldBoxTops[6] = {416, 440, 464, 488, 536, 512};
constexpr int FieldBoxLeft = 64;
constexpr int CaptionLeft = 8;
constexpr int CaptionHeight = 13;

struct ButtonPlace
{
    const char *caption;
    QRect geometry;
};
const ButtonPlace Buttons[5] = {
        {"Draw Props on Map", QRect(192, 32, 105, 33)}, {"Add Prop", QRect(192, 72, 105, 33)},
        {"Remove Prop", QRect(192, 112, 105, 33)},      {"Move Prop", QRect(192, 152, 105, 33)},
        {"Show Rotation", QRect(200, 272, 89, 33)},
};

// The file dialog for File > Open (action 1) and File > Save (action 2): every file type,
// starting in the editor's own folder. Empty when the user cancelled.
QString askForPropFile(QWidget *owner, qint16 action, const char *title)
{
    const QString allFiles
            = QStringLiteral("All Files") + QChar(0) + QStringLiteral("*.*") + QChar(0);
    return CommDlgs::ShowFileDialog(owner, action, QString::fromLatin1(title), QString(), allFiles,
                                    RecentFolder::startFolder(), QStringLiteral("*"));
}

qint16 toInt16(double value)
{
    // Rounds to the nearest integer, ties to even, and keeps a drag far outside the map
    // within the 16-bit range.
    const double rounded = std::nearbyint(value);
    if (std::isnan(rounded))
        return 0;
    if (rounded < std::numeric_limits<qint16>::min())
        return std::numeric_limits<qint16>::min();
    if (rounded > std::numeric_limits<qint16>::max())
        return std::numeric_limits<qint16>::max();
    return qint16(rounded);
}

} // namespace

Form1::Form1(QWidget *parent)
    : QMainWindow(parent)
    , m_table(new PropTable(this))
    , m_history(new History(this))
{
    m_history->setUndoLimit(HistorySteps);
    m_history->setByteLimit(HistoryBytes);
    setWindowTitle(QString::fromLatin1(Texts::Caption));
    createControls();
    createMenus();
    fitFont();
    setAcceptDrops(true);
    Form1_Load();

    // --- Stand-in for the document's unsaved state: unsaved = the history is not at the
    // index of the last Open or Save; the file = the file last opened or saved. ---
    m_recovery = new RecoveryKeeper(
            [this] {
                return RecoverySnapshot{m_table->countText(), m_table->records(), m_filePath};
            },
            this);
    connect(m_history, &History::indexChanged, m_recovery,
            [this](int index) { m_recovery->setModified(index != m_savedIndex); });
    connect(m_table, &PropTable::rowsInserted, m_recovery, &RecoveryKeeper::contentsChanged);
    connect(m_table, &PropTable::rowsRemoved, m_recovery, &RecoveryKeeper::contentsChanged);
    connect(m_table, &PropTable::modelReset, m_recovery, &RecoveryKeeper::contentsChanged);
    connect(m_table, &PropTable::fieldChanged, m_recovery, &RecoveryKeeper::contentsChanged);
}

void Form1::markSaved(const QString &path)
{
    m_savedIndex = m_history->index();
    m_filePath = path;
    m_recovery->setModified(false);
}

void Form1::restoreList(QString countText, QVector<PropRecord> records, const QString &filePath)
{
    if (m_savedIndex >= m_history->index())
        m_savedIndex = -1; // the saved point is no longer reachable
    clearFieldBoxes();
    changeTable([&] {
        m_history->push(new ReplaceTableCommand(m_table, QStringLiteral("Restore"),
                                                std::move(countText), std::move(records)));
    });
    m_filePath = filePath;
    m_recovery->contentsChanged();
}

Form1::~Form1() = default;

void Form1::createControls()
{
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("Form1Client"));
    client->setMinimumSize(ClientWidth, ClientHeight);
    setCentralWidget(client);

    for (int i = 0; i < 7; ++i) {
        auto *box = new QLineEdit(client);
        box->setObjectName(QStringLiteral("Text%1").arg(i + 1));
        box->setMaxLength(std::numeric_limits<int>::max());
        m_text[i] = box;
    }
    m_text[6]->setGeometry(8, 8, 177, 19);
    m_text[6]->setEnabled(false);
    connect(m_table, &PropTable::countTextChanged, m_text[6], &QLineEdit::setText);

    for (int i = 0; i < 6; ++i) {
        m_text[i]->setGeometry(FieldBoxLeft, FieldBoxTops[i], 121, 19);
        m_text[i]->installEventFilter(this);
        m_label[i] = new QLabel(QString::fromLatin1(PropRecord::FieldCaptions[i]) + u':', client);
        m_label[i]->setObjectName(QStringLiteral("Label1_%1").arg(i));
        m_label[i]->move(CaptionLeft, FieldBoxTops[i] + 8);
    }

    m_list7 = new NameList(client);
    m_list7->setObjectName(QStringLiteral("List7"));
    m_list7->setGeometry(8, 32, 177, 368);
    m_list7->setModel(m_table);
    connect(m_list7->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) {
                if (m_syncingNameList || !current.isValid())
                    return;
                m_table->setSelectedRow(current.row());
                List7_Click();
            });
    connect(m_list7, &NameList::currentRowClickedAgain, this, [this](int row) {
        m_table->setSelectedRow(row);
        List7_Click();
    });
    // The Delete key in the name list removes the selected prop, as Remove Prop does.
    auto *remove = new QAction(m_list7);
    remove->setShortcut(Qt::Key_Delete);
    remove->setShortcutContext(Qt::WidgetShortcut);
    m_list7->addAction(remove);
    connect(remove, &QAction::triggered, this, &Form1::Command3_Click);

    for (int i = 0; i < 5; ++i) {
        auto *button = new QPushButton(QString::fromLatin1(Buttons[i].caption), client);
        button->setObjectName(QStringLiteral("Command%1").arg(i + 1));
        button->setGeometry(Buttons[i].geometry);
        button->setAutoDefault(false);
        button->setDefault(false);
        m_command[i] = button;
    }
    connect(m_command[0], &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(m_command[1], &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(m_command[2], &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(m_command[3], &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(m_command[4], &QPushButton::clicked, this, &Form1::Command5_Click);

    m_picture1 = new MapView(client);
    m_picture1->setObjectName(QStringLiteral("Picture1"));
    m_picture1->move(304, 8);
    connect(m_picture1, &MapView::mouseMoved, this, &Form1::Picture1_MouseMove);
    connect(m_picture1, &MapView::clicked, this, &Form1::Picture1_Click);
    connect(m_picture1, &MapView::toolTipRequested, this, [this](QPointF at, QPoint global) {
        QToolTip::showText(
                global,
                MapToolTip::text(*m_table, at, m_picture1->outerWidth(), m_picture1->outerHeight()),
                m_picture1);
    });

    // Tab order: the name list, the field boxes by number, the map, then the buttons.
    QWidget *tabChain[] = {m_list7,      m_text[0],    m_text[1],   m_text[2],    m_text[3],
                           m_text[4],    m_text[5],    m_picture1,  m_command[0], m_command[1],
                           m_command[2], m_command[3], m_command[4]};
    for (size_t i = 1; i < std::size(tabChain); ++i)
        setTabOrder(tabChain[i - 1], tabChain[i]);
    m_list7->setFocus();
}

// The layout was drawn for a smaller font than many desktops use. The platform's font family
// stays, at the largest size up to its own at which every button caption fits inside its
// button and every field caption ends before its box; the captions are sized to their text.
void Form1::fitFont()
{
    auto captionsFit = [this] {
        for (const QPushButton *button : m_command) {
            QStyleOptionButton option;
            option.initFrom(button);
            option.text = button->text();
            const QRect room
                    = style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
            const QFontMetrics metrics = button->fontMetrics();
            if (metrics.horizontalAdvance(button->text()) > room.width()
                || metrics.height() > room.height())
                return false;
        }
        for (const QLabel *label : m_label) {
            if (label->x() + label->sizeHint().width() >= FieldBoxLeft)
                return false;
        }
        return true;
    };
    QWidget *client = centralWidget();
    QFont font = client->font();
    for (int size = QFontInfo(font).pixelSize(); size > 1 && !captionsFit(); --size) {
        font.setPixelSize(size - 1);
        client->setFont(font);
    }
    for (QLabel *label : m_label)
        label->resize(label->sizeHint().width(), qMax(CaptionHeight, label->sizeHint().height()));
}

void Form1::createMenus()
{
    auto addItem = [this](QMenu *menu, const char *name, const char *caption,
                          void (Form1::*handler)(), const QList<QKeySequence> &keys = {}) {
        QAction *action = menu->addAction(QString::fromLatin1(caption));
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcuts(keys);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    auto addSeparator = [](QMenu *menu, const char *name) {
        menu->addSeparator()->setObjectName(QString::fromLatin1(name));
    };

    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    // The same keys on every system, rather than each platform's standard keys: Windows has
    // none for Quit and more for Undo and Redo.
    addItem(file, "mnuFNew", "&New", &Form1::mnuFNew_Click, {Qt::CTRL | Qt::Key_N});
    addItem(file, "mnuFOpen", "&Open", &Form1::mnuFOpen_Click, {Qt::CTRL | Qt::Key_O});
    addSeparator(file, "mnuFDash2");
    addItem(file, "mnuFSave", "&Save", &Form1::mnuFSave_Click, {Qt::CTRL | Qt::Key_S});
    addSeparator(file, "mnuFDash1");
    addItem(file, "mnuFExit", "E&xit", &Form1::mnuFExit_Click, {Qt::CTRL | Qt::Key_Q});

    QMenu *edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("mnuEdit"));
    QAction *undo
            = addItem(edit, "mnuEUndo", "&Undo", &Form1::mnuEUndo_Click, {Qt::CTRL | Qt::Key_Z});
    QAction *redo = addItem(edit, "mnuERedo", "&Redo", &Form1::mnuERedo_Click,
                            {Qt::CTRL | Qt::SHIFT | Qt::Key_Z, Qt::CTRL | Qt::Key_Y});
    // Each item names the step it would take back or do again.
    auto follow = [](QAction *action, const QString &verb) {
        return [action, verb](const QString &step) {
            action->setText(step.isEmpty() ? verb : verb + u' ' + step);
        };
    };
    connect(m_history, &History::undoTextChanged, undo, follow(undo, undo->text()));
    connect(m_history, &History::redoTextChanged, redo, follow(redo, redo->text()));
    connect(m_history, &History::canUndoChanged, undo, &QAction::setEnabled);
    connect(m_history, &History::canRedoChanged, redo, &QAction::setEnabled);
    undo->setEnabled(false);
    redo->setEnabled(false);

    QMenu *view = menuBar()->addMenu(QStringLiteral("&View"));
    view->setObjectName(QStringLiteral("mnuView"));
    addItem(view, "mnuVLargeMap", "&Large Map", &Form1::mnuVLargeMap_Click,
            {QKeySequence(Qt::CTRL | Qt::Key_M)});
    // Find works from either window, so it is the application's key rather than this window's.
    auto *find = new QAction(this);
    find->setShortcuts(QKeySequence::keyBindings(QKeySequence::Find));
    find->setShortcutContext(Qt::ApplicationShortcut);
    addAction(find);
    connect(find, &QAction::triggered, this, &Form1::LargeMap_Find);

    QMenu *convert = menuBar()->addMenu(QStringLiteral("&Convert"));
    convert->setObjectName(QStringLiteral("nmuConvert"));
    addItem(convert, "mnuCZRM", "&ZRM to TXT", &Form1::mnuCZRM_Click);
    addItem(convert, "mnuCTXT", "&TXT to ZRM", &Form1::mnuCTXT_Click);
}

// A field box writes its text back when the focus moves from it to another control of the
// window: by Tab or Backtab, or by a click on another control. Opening a menu, a message
// box or another window taking the focus is no such move and commits nothing.
bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    const int field = int(std::find(m_text.begin(), m_text.begin() + 6, watched) - m_text.begin());
    if (field == 6)
        return QMainWindow::eventFilter(watched, event);
    if (event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason == Qt::MouseFocusReason || reason == Qt::TabFocusReason
            || reason == Qt::BacktabFocusReason)
            writeBackField(field);
    } else if ((event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove)
               && static_cast<QDropEvent *>(event)->mimeData()->hasUrls()) {
        // A dragged file is no text for the box: the window takes it.
        event->ignore();
        return true;
    } else if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
        // Ctrl+Y, a key of Edit > Redo, redoes typing in a box, as the standard keys do.
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->keyCombination() == QKeyCombination(Qt::ControlModifier, Qt::Key_Y)) {
            if (event->type() == QEvent::KeyPress)
                m_text[field]->redo();
            event->accept();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void Form1::writeBackField(int field)
{
    const int row = m_table->selectedRow();
    const QString text = m_text[field]->text();
    // Rewriting the same text changes nothing, and is no step to undo.
    if (row < 0 || text == m_table->field(row, field))
        return;
    const QString step = QStringLiteral("Edit ") + PropRecord::FieldCaptions[field];
    m_history->push(new FieldsCommand(m_table, step, row, {{field, text}}));
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
    QItemSelectionModel *selection = m_list7->selectionModel();
    const int row = m_table->selectedRow();
    if (row >= 0) {
        const QModelIndex index = m_table->index(row);
        selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        m_list7->scrollTo(index);
    } else {
        selection->clearCurrentIndex();
        selection->clearSelection();
    }
    m_syncingNameList = false;
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
    m_placePending = 0;
    const int row = m_table->selectedRow();
    for (int i = 0; i < 6; ++i)
        m_text[i]->setText(row >= 0 ? m_table->field(row, i) : QString());
    DrawMap();
}

void Form1::openFile(const QString &path)
{
    RecentFolder::remember(path);
    OpenZRM(path);
}

namespace {

// The one local regular file a drag carries; empty for several files or anything else.
QString droppedFile(const QMimeData *data)
{
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1 || !urls.constFirst().isLocalFile())
        return QString();
    const QString path = urls.constFirst().toLocalFile();
    return QFileInfo(path).isFile() ? path : QString();
}

// A file is only ever taken as a copy: accepting the move a file manager proposes with Shift
// held would let it delete the file once it is dropped.
bool acceptAsCopy(QDropEvent *event)
{
    if (!(event->possibleActions() & Qt::CopyAction) || droppedFile(event->mimeData()).isEmpty())
        return false;
    event->setDropAction(Qt::CopyAction);
    event->accept();
    return true;
}

// The bytes of a file as the reader takes them. A file that is plainly UTF-8 or UTF-16 is
// read as such only when the user says so, and its mark is never read as text. Nothing when
// the user cancelled, or when the file cannot be read as asked (the user has been told).
std::optional<QByteArray> textToRead(QWidget *owner, const QString &path, const QByteArray &bytes)
{
    using PropTextFile::Encoding;
    const PropTextFile::Detected found = PropTextFile::detectEncoding(bytes);
    if (found.encoding == Encoding::Windows1252)
        return bytes;
    const QString name = QDir::toNativeSeparators(path);
    const QString encoding
            = found.encoding == Encoding::Utf8 ? QStringLiteral("UTF-8") : QStringLiteral("UTF-16");
    const QString what
            = found.encoding != Encoding::Utf8
                      ? QString::fromLatin1(Texts::Utf16Mark)
                                .arg(name, found.encoding == Encoding::Utf16LE ? "little-endian"
                                                                               : "big-endian")
              : found.markBytes > 0 ? QString::fromLatin1(Texts::Utf8Mark).arg(name)
                                    : QString::fromLatin1(Texts::Utf8Found).arg(name);
    switch (ZrmDialogs::askYesNoCancel(
            owner, what + QString::fromLatin1(Texts::ReadAsWhich).arg(encoding))) {
    case ZrmDialogs::Answer::Cancel:
        return std::nullopt;
    case ZrmDialogs::Answer::No:
        return bytes.sliced(found.markBytes);
    case ZrmDialogs::Answer::Yes:
        break;
    }
    PropTextFile::Recoded recoded = PropTextFile::toWindows1252(bytes, found);
    if (recoded.ok())
        return std::move(recoded.bytes);
    QStringList problems;
    if (!recoded.unheld.isEmpty()) {
        // Enough to find them by; a file of Chinese names need not list every one.
        constexpr int MaxNamed = 10;
        QStringList named;
        for (const QString &c : recoded.unheld.mid(0, MaxNamed))
            named << QStringLiteral("\"%1\" (U+%2)")
                             .arg(c, QString::number(c.toUcs4().value(0), 16)
                                             .toUpper()
                                             .rightJustified(4, u'0'));
        if (recoded.unheld.size() > MaxNamed)
            named << QStringLiteral("and %1 more").arg(recoded.unheld.size() - MaxNamed);
        problems << QString::fromLatin1(Texts::Unheld)
                            .arg(encoding, named.join(QStringLiteral(", ")));
    }
    if (recoded.malformed)
        problems << QString::fromLatin1(Texts::Malformed).arg(encoding);
    ZrmDialogs::showMessage(
            owner,
            QString::fromLatin1(Texts::CannotOpen).arg(name, problems.join(QStringLiteral("\n\n")))
                    + QString::fromLatin1(Texts::ListUnchanged));
    return std::nullopt;
}

} // namespace

void Form1::dragEnterEvent(QDragEnterEvent *event)
{
    acceptAsCopy(event);
}

void Form1::dragMoveEvent(QDragMoveEvent *event)
{
    acceptAsCopy(event);
}

// A file dropped anywhere on the window is opened as File > Open would open it.
void Form1::dropEvent(QDropEvent *event)
{
    if (acceptAsCopy(event))
        openFile(droppedFile(event->mimeData()));
}

void Form1::DrawMap()
{
    MapView *map = m_picture1;
    auto markRow = [this, map](int row) {
        const std::optional<double> x = NumberText::parse(m_table->field(row, 0));
        const std::optional<double> y = NumberText::parse(m_table->field(row, 2));
        if (!x || !y)
            return false; // a position that is not a number gets no mark
        const float mapX = Projection::toMapX(*x, map->outerWidth());
        const float mapY = Projection::toMapY(*y, map->outerHeight());
        map->setPenPosition(mapX, mapY);
        map->lineTo(mapX, mapY);
        return true;
    };

    map->setPenColor(Red);
    map->clear();
    if (const std::optional<double> count = NumberText::parse(m_table->countText())) {
        const double last = *count - 1;
        for (int row = 0; row < m_table->size() && row <= last; ++row)
            markRow(row);
    }
    map->setPenColor(Blue);
    m_noHighlight = !m_table->hasSelection() || !markRow(m_table->selectedRow());
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
    if (m_table->size() >= PropTable::MaxRows) {
        ZrmDialogs::showMessage(this,
                                QString::fromLatin1(Texts::TableFull).arg(PropTable::MaxRows));
        return;
    }
    if (!PropTextFile::nameReadsBack(name)) {
        ZrmDialogs::showMessage(this, QString::fromLatin1(Texts::BadPropName).arg(name));
        return;
    }
    m_history->push(new AddPropCommand(m_table, name));
    selectName(m_table->size() - 1);
    ZrmDialogs::showMessage(this, QString::fromLatin1(Texts::ClickToPlace));
    m_placePending = -1;
}

// Remove Prop: deletes the selected row; afterwards no row is selected and the field
// boxes still show the removed prop.
void Form1::Command3_Click()
{
    if (!m_table->hasSelection())
        return;
    changeTable([this] { m_history->push(new RemovePropCommand(m_table)); });
    DrawMap();
}

// Move Prop: the next click on the map places whichever prop is selected then.
void Form1::Command4_Click()
{
    ZrmDialogs::showMessage(this, QString::fromLatin1(Texts::ClickToPlace));
    m_placePending = -1;
}

// Show Rotation: a 10-unit heading stroke from the pen position in the direction of the
// X angle (radians; 0 points up the map, positive angles turn counter-clockwise). Before
// the first redraw the pen stands at (0, 0).
void Form1::Command5_Click()
{
    // With no highlight the pen stands on whichever prop was marked last.
    if (m_noHighlight)
        return;
    const std::optional<double> angle = NumberText::parse(m_text[3]->text());
    if (!angle)
        return;
    const QPointF from = m_picture1->penPosition();
    const float x2 = Projection::toSingle(from.x() - std::sin(*angle) * 10);
    const float y2 = Projection::toSingle(from.y() - std::cos(*angle) * 10);
    m_picture1->lineTo(x2, y2);
}

void Form1::Picture1_MouseMove(double x, double y)
{
    m_mouseX = toInt16(x);
    m_mouseY = toInt16(y);
}

// A click on the map places the selected prop where it was made, when a placement is armed.
void Form1::Picture1_Click()
{
    if (!m_placePending)
        return;
    const float x = Projection::toLevelX(m_mouseX, m_picture1->outerWidth());
    const float y = Projection::toLevelY(m_mouseY, m_picture1->outerHeight());
    placeSelectedProp(NumberText::formatSingle(x), NumberText::formatSingle(y));
}

// A placing click writes the X and Y position of the selected prop into its boxes and its row
// and ends the placement. With no prop selected there is nowhere to write, so the placement
// just ends.
void Form1::placeSelectedProp(const QString &x, const QString &y)
{
    m_placePending = 0;
    const int row = m_table->selectedRow();
    if (row < 0)
        return;
    m_text[0]->setText(x);
    m_text[2]->setText(y);
    // A click where the prop already is changes nothing, and is no step to undo.
    if (x == m_table->field(row, 0) && y == m_table->field(row, 2))
        return DrawMap();
    m_history->push(
            new FieldsCommand(m_table, QStringLiteral("Place Prop"), row, {{0, x}, {2, y}}));
    DrawMap();
}

// File > New: discards the table at once; the map keeps its last drawing.
void Form1::mnuFNew_Click()
{
    clearFieldBoxes();
    changeTable([this] {
        m_history->push(
                new ReplaceTableCommand(m_table, QStringLiteral("New"), QStringLiteral("0"), {}));
    });
}

void Form1::mnuFOpen_Click()
{
    const QString path = askForPropFile(this, 1, Texts::OpenTitle);
    if (!path.isEmpty())
        OpenZRM(path);
}

void Form1::mnuFSave_Click()
{
    const QString path = askForPropFile(this, 2, Texts::SaveTitle);
    if (!path.isEmpty())
        SaveZRM(path);
}

// Reads and checks the whole file before anything changes, so a file that cannot be read
// leaves the table, the boxes, the selection and the map as they were. On success the
// table is replaced, the field boxes are empty, nothing is selected and the map is not
// redrawn.
void Form1::OpenZRM(const QString &path)
{
    PropTextFile::ReadResult result;
    PropTextFile::FileBytes file = PropTextFile::readBytes(path);
    result.error = std::move(file.error);
    if (result.error.isEmpty()) {
        const std::optional<QByteArray> text = textToRead(this, path, file.bytes);
        if (!text)
            return;
        result = PropTextFile::parse(*text);
    }
    if (!result.contents) {
        // An error without a line already names the file it could not read.
        const QString problem = result.line > 0
                                        ? QString::fromLatin1(Texts::CannotOpen)
                                                  .arg(QDir::toNativeSeparators(path), result.error)
                                        : result.error;
        ZrmDialogs::showMessage(this, problem + QString::fromLatin1(Texts::ListUnchanged));
        return;
    }
    const int propsAfter = result.contents->propsAfter;
    const bool textAfter = result.contents->textAfter;
    const int count = int(result.contents->records.size());
    const QVector<int> lines = std::move(result.contents->lines);
    const QVector<PropTextFile::Problem> notNumbers
            = PropTextFile::findFieldsNotNumbers(result.contents->records);
    clearFieldBoxes();
    changeTable([this, &result] {
        m_history->push(new ReplaceTableCommand(m_table, QStringLiteral("Open"),
                                                std::move(result.contents->countText),
                                                std::move(result.contents->records)));
    });
    markSaved(path); // stand-in
    auto props = [](int n) {
        return n == 1 ? QStringLiteral("1 prop") : QStringLiteral("%1 props").arg(n);
    };
    // What the user must know about the file, said at once in one message: the list is open,
    // but it would not be saved as it is, or it would be saved without part of the file.
    QStringList told;
    // Props past the count are the file's own business, but the user must not lose them
    // unaware.
    if (propsAfter > 0 || textAfter) {
        const QString more = propsAfter == 0 ? QStringLiteral("other text")
                             : propsAfter == 1
                                     ? QStringLiteral("1 more complete prop")
                                     : QStringLiteral("%1 more complete props").arg(propsAfter);
        const bool one = propsAfter + int(textAfter) == 1;
        told << QString::fromLatin1(Texts::NotLoaded)
                        .arg(QDir::toNativeSeparators(path),
                             propsAfter > 0 && textAfter ? more + QStringLiteral(" and other text")
                                                         : more,
                             props(count),
                             one ? QStringLiteral("It was") : QStringLiteral("They were"),
                             one ? QStringLiteral("it") : QStringLiteral("them"));
    }
    // A field that is no number is most often an item gone astray, which moves the rest of
    // the file: a few are named, where to look first.
    if (!notNumbers.isEmpty()) {
        constexpr int Named = 5;
        QStringList named;
        for (int i = 0; i < std::min<int>(Named, notNumbers.size()); ++i) {
            const PropTextFile::Problem &p = notNumbers.at(i);
            named << QString::fromLatin1(Texts::FieldNotNumber)
                             .arg(p.row + 1)
                             .arg(lines.value(p.row))
                             .arg(QString::fromLatin1(PropRecord::FieldCaptions[p.field]),
                                  PropTextFile::quoteForMessage(p.text));
        }
        if (notNumbers.size() > Named)
            named << QString::fromLatin1(Texts::MoreFieldsNotNumbers)
                             .arg(notNumbers.size() - Named);
        told << QString::fromLatin1(Texts::FieldsNotNumbers)
                        .arg(told.isEmpty() ? QDir::toNativeSeparators(path) + " holds"
                                            : QStringLiteral("It also holds"),
                             props(int(notNumbers.size())), named.join(u'\n'));
    }
    if (!told.isEmpty())
        ZrmDialogs::showMessage(this, told.join(QStringLiteral("\n\n")));
}

// Writes the table as a prop text file. An edit still being typed is committed first, a
// table that would not read back is refused before anything is written, and the file is
// replaced in one step. Afterwards the last prop is selected, as if each had been picked
// in turn while its line was written.
void Form1::SaveZRM(const QString &path)
{
    writeBackFocusedField();
    const QVector<PropRecord> &records = m_table->records();
    if (const auto problem = PropTextFile::findUnsavable(records)) {
        const QString name = records.at(problem->row).name;
        const QString message
                = problem->field == PropTextFile::NameField
                          ? QString::fromLatin1(Texts::UnsavableName)
                                    .arg(problem->row + 1)
                                    .arg(name)
                          : QString::fromLatin1(Texts::UnsavableField)
                                    .arg(problem->row + 1)
                                    .arg(name,
                                         QString::fromLatin1(
                                                 PropRecord::FieldCaptions[problem->field]),
                                         problem->text);
        ZrmDialogs::showMessage(this, message);
        return;
    }
    const QByteArray bytes = PropTextFile::serialize(m_table->countText(), records);
    if (bytes.size() > PropTextFile::MaxFileBytes) {
        ZrmDialogs::showMessage(this, QString::fromLatin1(Texts::TooLarge)
                                              .arg((bytes.size() + (1 << 20) - 1) >> 20)
                                              .arg(PropTextFile::MaxFileBytes >> 20));
        return;
    }
    const PropTextFile::WriteResult written = PropTextFile::writeFile(path, bytes);
    if (!written.ok) {
        ZrmDialogs::showMessage(this, written.error);
        return;
    }
    markSaved(path); // stand-in
    // Picking every row in turn would redraw the map once per prop; only the last pick
    // can be seen, so only the last one is made.
    if (m_table->size() > 0)
        selectName(m_table->size() - 1);
}

// Edit > Undo and Redo: the table goes back to how it was before or after the step, and the
// window then shows it as a fresh pick would: the boxes refilled (what was typed and not yet
// written back is gone), no placement pending, the map redrawn.
void Form1::mnuEUndo_Click()
{
    changeTable([this] { m_history->undo(); });
    List7_Click();
}

void Form1::mnuERedo_Click()
{
    changeTable([this] { m_history->redo(); });
    List7_Click();
}

// File > Exit: OK ends the program without any question about unsaved work.
void Form1::mnuFExit_Click()
{
    if (ZrmDialogs::askOkCancel(this, QString::fromLatin1(Texts::ExitQuestion)))
        close();
}

void Form1::mnuCZRM_Click()
{
    Conversion::run(this, Conversion::Direction::ZrmToTxt,
                    [this](const QString &path) { openFile(path); });
}

void Form1::mnuCTXT_Click()
{
    Conversion::run(this, Conversion::Direction::TxtToZrm, {});
}

void Form1::closeEvent(QCloseEvent *event)
{
    if (m_largeMap)
        m_largeMap->close();
    QMainWindow::closeEvent(event);
}

LargeMap *Form1::largeMap()
{
    if (m_largeMap)
        return m_largeMap;
    m_largeMap = new LargeMap(m_table, this);
    const MapCanvas *canvas = m_largeMap->canvas();
    connect(canvas, &MapCanvas::clicked, this, &Form1::LargeMap_Click);
    connect(canvas, &MapCanvas::pickRequested, this, &Form1::LargeMap_Pick);
    connect(canvas, &MapCanvas::stepRequested, this, &Form1::LargeMap_Step);
    connect(canvas, &MapCanvas::commitRequested, this, &Form1::writeBackFocusedField);
    // Edit > Undo and Redo answer their keys there too.
    m_largeMap->addActions({findChild<QAction *>(QStringLiteral("mnuEUndo")),
                            findChild<QAction *>(QStringLiteral("mnuERedo"))});
    // Beside the main window, on the screen. A window that was never shown has no frame yet:
    // the window manager will give it one like the main window's.
    const QRect screen = this->screen()->availableGeometry();
    const QSize frame = frameSize() - size();
    m_largeMap->resize(m_largeMap->size().boundedTo(screen.size() - frame));
    const QRect room = screen.adjusted(0, 0, -m_largeMap->width() - frame.width(),
                                       -m_largeMap->height() - frame.height());
    const QPoint right = frameGeometry().topRight() + QPoint(1, 0);
    const QPoint left = frameGeometry().topLeft() - QPoint(m_largeMap->width() + frame.width(), 0);
    // Where it fits on neither side, it goes to the side with more room, where it covers less
    // of the main window.
    const bool rightIsRoomier
            = screen.right() - frameGeometry().right() >= frameGeometry().left() - screen.left();
    const QPoint place = right.x() <= room.right() || (left.x() < room.left() && rightIsRoomier)
                                 ? right
                                 : left;
    m_largeMap->move(std::clamp(place.x(), room.left(), std::max(room.left(), room.right())),
                     std::clamp(place.y(), room.top(), std::max(room.top(), room.bottom())));
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

void Form1::LargeMap_Find()
{
    mnuVLargeMap_Click();
    m_largeMap->focusFind();
}

// A click on the large map places the selected prop while a placement waits for its click,
// and otherwise picks the prop under it, if any.
void Form1::LargeMap_Click(int row, const QString &x, const QString &y)
{
    if (m_placePending)
        LargeMap_Place(x, y);
    else if (row >= 0)
        LargeMap_Pick(row);
}

// As a click on the name: what was typed into a box goes into the prop it was typed for first.
void Form1::LargeMap_Pick(int row)
{
    writeBackFocusedField();
    selectName(row);
}

// As a placing click on the small map, at a position the large map has already rounded.
void Form1::LargeMap_Place(const QString &x, const QString &y)
{
    writeBackFocusedField();
    placeSelectedProp(x, y);
}

// A drag, nudge or turn of the selected prop on the large map. The boxes show the new fields;
// the small map, as after an edit in a box, is redrawn only when asked.
void Form1::LargeMap_Step(MapCanvas::Step step, int row, const FieldTexts &texts)
{
    writeBackFocusedField();
    if (row < 0 || row != m_table->selectedRow())
        return;
    if (step == MapCanvas::Step::Nudge)
        m_history->push(new NudgePropCommand(m_table, row, texts));
    else
        m_history->push(new FieldsCommand(m_table,
                                          step == MapCanvas::Step::Move
                                                  ? QStringLiteral("Move Prop")
                                                  : QStringLiteral("Turn Prop"),
                                          row, texts));
    for (const auto &[field, text] : texts)
        m_text[field]->setText(text);
}
