#include "app/form1ui.h"

#include "app/fieldbox.h"
#include "app/history.h"
#include "app/namelist.h"
#include "map/mapview.h"
#include "props/proprecord.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStyleOptionButton>

#include <limits>

namespace {

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

} // namespace

void Form1Ui::setupUi(QMainWindow *window, QAbstractItemModel *names)
{
    createControls(window, names);
    createMenus(window);
    fitFont(window);
}

void Form1Ui::createControls(QMainWindow *window, QAbstractItemModel *names)
{
    auto *client = new QWidget(window);
    client->setObjectName(QStringLiteral("Form1Client"));
    client->setMinimumSize(ClientWidth, ClientHeight);
    window->setCentralWidget(client);

    for (int i = 0; i < 7; ++i) {
        QLineEdit *box = i < 6 ? new FieldBox(client) : new QLineEdit(client);
        box->setObjectName(QStringLiteral("Text%1").arg(i + 1));
        box->setMaxLength(std::numeric_limits<int>::max());
        text[i] = box;
    }
    text[6]->setGeometry(8, 8, 177, 19);
    text[6]->setEnabled(false);

    for (int i = 0; i < 6; ++i) {
        text[i]->setGeometry(FieldBoxLeft, FieldBoxTops[i], 121, 19);
        label[i] = new QLabel(QString::fromLatin1(PropRecord::FieldCaptions[i]) + u':', client);
        label[i]->setObjectName(QStringLiteral("Label1_%1").arg(i));
        label[i]->move(CaptionLeft, FieldBoxTops[i] + 8);
    }

    list7 = new NameList(client);
    list7->setObjectName(QStringLiteral("List7"));
    list7->setGeometry(8, 32, 177, 368);
    list7->setModel(names);
    // The Delete key in the name list removes the selected prop, as Remove Prop does.
    auto *remove = new QAction(list7);
    remove->setShortcut(Qt::Key_Delete);
    remove->setShortcutContext(Qt::WidgetShortcut);
    list7->addAction(remove);
    removeKey = remove;

    for (int i = 0; i < 5; ++i) {
        auto *button = new QPushButton(QString::fromLatin1(Buttons[i].caption), client);
        button->setObjectName(QStringLiteral("Command%1").arg(i + 1));
        button->setGeometry(Buttons[i].geometry);
        button->setAutoDefault(false);
        button->setDefault(false);
        command[i] = button;
    }

    picture1 = new MapView(client);
    picture1->setObjectName(QStringLiteral("Picture1"));
    picture1->move(304, 8);

    // Tab order: the name list, the field boxes by number, the map, then the buttons.
    QWidget *tabChain[]
            = {list7,    text[0],    text[1],    text[2],    text[3],    text[4],   text[5],
               picture1, command[0], command[1], command[2], command[3], command[4]};
    for (size_t i = 1; i < std::size(tabChain); ++i)
        QWidget::setTabOrder(tabChain[i - 1], tabChain[i]);
    list7->setFocus();
}

// The layout was drawn for a smaller font than many desktops use. The platform's font family
// stays, at the largest size up to its own at which every button caption fits inside its
// button and every field caption ends before its box; the captions are sized to their text.
void Form1Ui::fitFont(QMainWindow *window)
{
    auto captionsFit = [this] {
        for (const QPushButton *button : command) {
            QStyleOptionButton option;
            option.initFrom(button);
            option.text = button->text();
            const QRect room = button->style()->subElementRect(QStyle::SE_PushButtonContents,
                                                               &option, button);
            const QFontMetrics metrics = button->fontMetrics();
            if (metrics.horizontalAdvance(button->text()) > room.width()
                || metrics.height() > room.height())
                return false;
        }
        for (const QLabel *label : label) {
            if (label->x() + label->sizeHint().width() >= FieldBoxLeft)
                return false;
        }
        return true;
    };
    QWidget *client = window->centralWidget();
    QFont font = client->font();
    for (int size = QFontInfo(font).pixelSize(); size > 1 && !captionsFit(); --size) {
        font.setPixelSize(size - 1);
        client->setFont(font);
    }
    for (QLabel *label : label)
        label->resize(label->sizeHint().width(), qMax(CaptionHeight, label->sizeHint().height()));
}

void Form1Ui::createMenus(QMainWindow *window)
{
    auto addItem = [](QMenu *menu, const char *name, const char *caption,
                      const QList<QKeySequence> &keys = {}) {
        QAction *action = menu->addAction(QString::fromLatin1(caption));
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcuts(keys);
        return action;
    };
    auto addSeparator = [](QMenu *menu, const char *name) {
        menu->addSeparator()->setObjectName(QString::fromLatin1(name));
    };

    QMenu *file = window->menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    // The same keys on every system, rather than each platform's standard keys: Windows has
    // none for Quit and more for Undo and Redo.
    mnuFNew = addItem(file, "mnuFNew", "&New", {Qt::CTRL | Qt::Key_N});
    mnuFOpen = addItem(file, "mnuFOpen", "&Open", {Qt::CTRL | Qt::Key_O});
    addSeparator(file, "mnuFDash2");
    mnuFSave = addItem(file, "mnuFSave", "&Save", {Qt::CTRL | Qt::Key_S});
    addSeparator(file, "mnuFDash1");
    mnuFExit = addItem(file, "mnuFExit", "E&xit", {Qt::CTRL | Qt::Key_Q});

    QMenu *edit = window->menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("mnuEdit"));
    mnuEUndo = addItem(edit, "mnuEUndo", "&Undo", {Qt::CTRL | Qt::Key_Z});
    mnuERedo = addItem(edit, "mnuERedo", "&Redo",
                       {Qt::CTRL | Qt::SHIFT | Qt::Key_Z, Qt::CTRL | Qt::Key_Y});
    mnuEUndo->setEnabled(false);
    mnuERedo->setEnabled(false);
    addSeparator(edit, "mnuEDash1");
    // These keys work in the name list and on the large map (which add these items), never in
    // a box, where they cut, copy and paste text, and Ctrl+D deletes a character on Linux.
    mnuECut = addItem(edit, "mnuECut", "Cu&t", {Qt::CTRL | Qt::Key_X});
    mnuECopy = addItem(edit, "mnuECopy", "&Copy", {Qt::CTRL | Qt::Key_C});
    mnuEPaste = addItem(edit, "mnuEPaste", "&Paste", {Qt::CTRL | Qt::Key_V});
    mnuEDuplicate = addItem(edit, "mnuEDuplicate", "&Duplicate", {Qt::CTRL | Qt::Key_D});
    for (QAction *action : {mnuECut, mnuECopy, mnuEPaste, mnuEDuplicate}) {
        action->setShortcutContext(Qt::WidgetShortcut);
        list7->addAction(action);
    }

    QMenu *view = window->menuBar()->addMenu(QStringLiteral("&View"));
    view->setObjectName(QStringLiteral("mnuView"));
    mnuVLargeMap
            = addItem(view, "mnuVLargeMap", "&Large Map", {QKeySequence(Qt::CTRL | Qt::Key_M)});
    // Find works from either window, so it is the application's key rather than this window's.
    find = new QAction(window);
    find->setShortcuts(QKeySequence::keyBindings(QKeySequence::Find));
    find->setShortcutContext(Qt::ApplicationShortcut);
    window->addAction(find);

    QMenu *convert = window->menuBar()->addMenu(QStringLiteral("&Convert"));
    convert->setObjectName(QStringLiteral("nmuConvert"));
    mnuCZRM = addItem(convert, "mnuCZRM", "&ZRM to TXT");
    mnuCTXT = addItem(convert, "mnuCTXT", "&TXT to ZRM");
}

void Form1Ui::followHistory(const History *history)
{
    auto follow = [](QAction *action, const QString &verb) {
        return [action, verb](const QString &step) {
            action->setText(step.isEmpty() ? verb : verb + u' ' + step);
        };
    };
    QObject::connect(history, &History::undoTextChanged, mnuEUndo,
                     follow(mnuEUndo, mnuEUndo->text()));
    QObject::connect(history, &History::redoTextChanged, mnuERedo,
                     follow(mnuERedo, mnuERedo->text()));
    QObject::connect(history, &History::canUndoChanged, mnuEUndo, &QAction::setEnabled);
    QObject::connect(history, &History::canRedoChanged, mnuERedo, &QAction::setEnabled);
}
