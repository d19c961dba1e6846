#include "app/form1.h"
#include "files/conversion.h"
#include "map/mapview.h"
#include "modalscript.h"
#include "props/numbertext.h"
#include "props/proptable.h"
#include "props/proptextfile.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QKeySequence>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

QStringList list(const char *items)
{
    return QString::fromUtf8(items).split(QLatin1Char('|'));
}

const QStringList Numbers = list("12.5|-3|0|7|250|-1220|83.30202|1e2|-0| 7 |+4|.5|3.|1.5E-3");
const QStringList Garbage = list("abc|1,5||1 2|--1|0x10|\"q|-|e5");
const QStringList GoodNames = list("Barrel|Big Crate|12Barrels|x|1|Crate-2");
const QStringList BadNames = list("a,b|\"q| x|x |12 Barrels|1.50|");
// What is typed into a file dialog, below the work folder: folders that do not exist, a
// "folder" that is a file, folders ("" is the work folder itself), new and existing files.
const QStringList Targets = list("missing/x.txt|two_props.txt/x.txt||sub dir|nothing.txt|out1.txt|"
                                 "out2.txt|sub dir/out 3.txt|OUT.ZRM|OUT|good.txt|long name.txt");
const QStringList Menus = list("mnuFNew|mnuFOpen|mnuFOpen|mnuFSave|mnuFSave|mnuFSave|mnuCZRM|"
                               "mnuCTXT|mnuFExit");
const QStringList Leaves = list("Tab|Tab|Shift+Tab|click a box|click the count|click the list|"
                                "click the map|stay|stay");

} // namespace

// A long seeded random walk of user actions on the real window, its menus and its dialogs,
// checking after every action that the window, the table and the files on disk agree.
class TestSoak : public QObject
{
    Q_OBJECT

    quint32 m_seed = 20240611;
    int m_actions = 5000;
    int m_index = 0;
    QRandomGenerator m_rng;
    QTemporaryDir m_tools, m_work;
    QString m_root; // m_work's path, canonical
    std::unique_ptr<Form1> m_form;
    QAbstractItemView *m_list = nullptr;
    MapView *m_map = nullptr;
    QTimer m_poll;
    QElapsedTimer m_clock; // since the action began
    bool m_answering = false, m_overdue = false;
    QString m_menu; // the menu item the action chose
    QStringList m_messages, m_chosen, m_notes; // what the dialogs said, returned and were told
    QVector<PropRecord> m_before; // the table before the action
    QMap<QString, QByteArray> m_files; // every file in the work folder, hashed
    QStringList m_recent;
    int m_saved = 0, m_runs = 0;

    int pick(qsizetype n) { return m_rng.bounded(int(n)); }
    const QString &any(const QStringList &from) { return from.at(pick(from.size())); }
    PropTable *table() const { return m_form->propTable(); }
    QLineEdit *box(int n) const { return m_form->findChild<QLineEdit *>(QString("Text%1").arg(n)); }
    QPoint mapPoint(int margin)
    {
        return {pick(m_map->width() + 2 * margin) - margin,
                pick(m_map->height() + 2 * margin) - margin};
    }
    void log(const QString &what)
    {
        m_recent << QStringLiteral("#%1 %2").arg(m_index).arg(what);
        if (m_recent.size() > 10)
            m_recent.removeFirst();
    }
    QByteArray where(const QString &what) const
    {
        const QString context = QStringLiteral("\n   seed %1, action #%2; the last actions:\n   ");
        return (what + context.arg(m_seed).arg(m_index) + m_recent.join("\n   ")).toLocal8Bit();
    }
    QMap<QString, QByteArray> scanFiles() const
    {
        QMap<QString, QByteArray> files;
        QDirIterator it(m_root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            if (file.open(QIODevice::ReadOnly))
                files[file.fileName()]
                        = QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1);
        }
        return files;
    }

    // Answers the modal window that is up, at random but as a user could: a message box with
    // one of its buttons or Esc (never OK to the exit question, which would end the walk),
    // the name box with a good or a bad name, a file dialog with a path; the last two may
    // be cancelled. A window still up after a few answers, or when the action is long
    // overdue, is closed, so that the walk cannot hang.
    void answer(QWidget *modal)
    {
        const int tries = modal->property("soakTries").toInt();
        const int waits = modal->property("soakWaits").toInt();
        auto *dialog = qobject_cast<QDialog *>(modal);
        auto *fileDialog = qobject_cast<QFileDialog *>(modal);
        auto *input = qobject_cast<QInputDialog *>(modal);
        auto *box = qobject_cast<QMessageBox *>(modal);
        m_overdue = m_clock.elapsed() > 10000;
        if (m_overdue || tries >= 4 || waits >= 250 || !dialog || !(box || fileDialog || input)) {
            m_notes << QStringLiteral("%1 closed by force").arg(modal->metaObject()->className());
            return dialog ? dialog->reject() : void(modal->close());
        }
        // A typed name wins over a selection in the file list only while the name box has
        // the focus, which takes the dialog being the active window.
        if (fileDialog && QApplication::activeWindow() != modal) {
            modal->setProperty("soakWaits", waits + 1);
            return modal->activateWindow();
        }
        modal->setProperty("soakTries", tries + 1);
        auto *buttons = modal->findChild<QDialogButtonBox *>();
        if (box) {
            if (tries == 0 && box->windowTitle() == QLatin1String("ZRM"))
                m_messages << box->text();
            QList<QAbstractButton *> choices = box->buttons();
            if (box->text() == QLatin1String("Are ya sure?"))
                choices.removeOne(box->button(QMessageBox::Ok));
            const int i = pick(choices.size() + 1);
            m_notes << box->text().left(20).simplified() + ": "
                               + (i < choices.size() ? choices[i]->text() : QStringLiteral("Esc"));
            return i < choices.size() ? choices[i]->click() : QTest::keyClick(box, Qt::Key_Escape);
        }
        const int r = pick(6);
        if (r == 0) {
            m_notes << QStringLiteral("%1 cancelled").arg(modal->metaObject()->className());
            return pick(2) ? QTest::keyClick(modal, Qt::Key_Escape)
                           : buttons->button(QDialogButtonBox::Cancel)->click();
        }
        if (fileDialog) {
            connect(fileDialog, &QFileDialog::fileSelected, this, &TestSoak::fileChosen,
                    Qt::UniqueConnection);
            QString path = m_root + QLatin1Char('/') + any(Targets);
            if (fileDialog->acceptMode() == QFileDialog::AcceptOpen && r > 2)
                path = m_files.keys().at(pick(m_files.size())); // an existing file
            m_notes << "typed " + path;
            return ModalScript::acceptFileName(fileDialog, path);
        }
        const QString name = r == 1 ? any(BadNames) : any(GoodNames);
        m_notes << "name \"" + name + '"';
        QTest::keyClicks(input->findChild<QLineEdit *>(), name);
        pick(2) ? QTest::keyClick(input->findChild<QLineEdit *>(), Qt::Key_Return)
                : buttons->button(QDialogButtonBox::Ok)->click();
    }
    void fileChosen(const QString &path) { m_chosen << path; }

    // One user action, chosen at random.
    void act()
    {
        QWidget *viewport = m_list->viewport();
        const int r = pick(1000), rows = table()->size();
        if (r < 190 && rows > 0 && r % 10 > 0) { // a name: click, right click or double click
            const QModelIndex index = table()->index(pick(rows));
            m_list->scrollTo(index);
            const QPoint at = m_list->visualRect(index).center();
            log(QStringLiteral("list %1 %2")
                        .arg(list("|right click|double click").value(r % 10, "click"))
                        .arg(index.row()));
            QTest::mouseClick(viewport, r % 10 == 1 ? Qt::RightButton : Qt::LeftButton, {}, at);
            if (r % 10 == 2) {
                QTest::mouseDClick(viewport, Qt::LeftButton, {}, at);
                QTest::mouseRelease(viewport, Qt::LeftButton, {}, at);
            }
        } else if (r < 190) { // below the names, or anywhere in an empty list
            const QPoint at(pick(viewport->width()), viewport->height() - 1 - pick(60));
            log(QString::asprintf("list click at %d,%d", at.x(), at.y()));
            QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
        } else if (r < 260) {
            const Qt::Key keys[] = {Qt::Key_Up,  Qt::Key_Down,   Qt::Key_Down,    Qt::Key_Home,
                                    Qt::Key_End, Qt::Key_PageUp, Qt::Key_PageDown};
            const Qt::Key key = keys[pick(std::size(keys))];
            log("list key " + QKeySequence(key).toString());
            if (!m_list->hasFocus())
                m_list->setFocus(Qt::TabFocusReason); // tabbed there first
            QTest::keyClick(m_list, key);
        } else if (r < 430) { // Add Prop and Remove Prop more often than the others
            const QString button = QStringLiteral("Command") + "12223345"[pick(8)];
            log(button);
            QTest::mouseClick(m_form->findChild<QPushButton *>(button), Qt::LeftButton);
        } else if (r < 580) {
            log("map move");
            for (int i = pick(3); i >= 0; --i) {
                const QPoint at = mapPoint(60); // also outside the map
                m_recent.last() += QString::asprintf(" %d,%d", at.x(), at.y());
                QTest::mouseMove(m_map, at);
            }
        } else if (r < 670) {
            const QPoint at = mapPoint(0);
            log(QString::asprintf("map click %d,%d", at.x(), at.y()));
            QTest::mouseClick(m_map, Qt::LeftButton, {}, at);
        } else if (r < 690) { // a drag far beyond the map, which is no click
            const QPoint to(pick(140001) - 70000, pick(140001) - 70000);
            log(QString::asprintf("map drag to %d,%d", to.x(), to.y()));
            QTest::mousePress(m_map, Qt::LeftButton, {}, mapPoint(0));
            QTest::mouseMove(m_map, to);
            QTest::mouseRelease(m_map, Qt::LeftButton, {}, to);
        } else if (r < 950) {
            typeIntoField();
        } else {
            log(m_menu = any(Menus));
            m_form->findChild<QAction *>(m_menu)->trigger();
        }
    }
    void typeIntoField()
    {
        const int n = 1 + pick(6), how = pick(5), leave = pick(Leaves.size());
        const QString typed = pick(8) ? any(Numbers) : any(Garbage);
        log(QStringLiteral("Text%1 %2 \"%3\", %4")
                    .arg(n)
                    .arg(list("replace|replace|replace|append|backspace").at(how), typed,
                         Leaves[leave]));
        const Qt::Key first[] = {Qt::Key_A, Qt::Key_A, Qt::Key_A, Qt::Key_End, Qt::Key_Backspace};
        QWidget *const elsewhere[]
                = {box(1 + (n + pick(5)) % 6), box(7), m_list->viewport(), m_map};
        QTest::mouseClick(box(n), Qt::LeftButton);
        QTest::keyClick(box(n), first[how], how < 3 ? Qt::ControlModifier : Qt::NoModifier);
        QTest::keyClicks(box(n), typed);
        if (typed.isEmpty())
            QTest::keyClick(box(n), Qt::Key_Backspace);
        if (leave < 3)
            QTest::keyClick(box(n), Qt::Key_Tab, leave == 2 ? Qt::ShiftModifier : Qt::NoModifier);
        else if (leave < 7)
            QTest::mouseClick(elsewhere[leave - 3], Qt::LeftButton, {},
                              QPoint(1 + pick(18), 1 + pick(18)));
    }

    // What the menu commands must have done.
    void checkMenu()
    {
        const QString message = m_messages.value(0), path = m_chosen.value(0);
        const QVector<PropRecord> &records = table()->records();
        if (m_menu == QLatin1String("mnuFNew"))
            QVERIFY2(records.isEmpty(), where("File > New left props"));
        if (m_menu == QLatin1String("mnuFOpen")) {
            const auto file
                    = path.isEmpty() ? PropTextFile::ReadResult() : PropTextFile::readFile(path);
            QVERIFY2(path.isEmpty() || message.startsWith("Could not open") == !file.contents,
                     where(path + " was opened with the message: " + message));
            QVERIFY2((path.isEmpty() || !file.contents)
                             ? records == m_before
                             : (records == file.contents->records
                                && table()->countText() == file.contents->countText
                                && table()->selectedRow() == -1),
                     where("the table is not what Open should have left: " + path));
        }
        if (m_menu == QLatin1String("mnuFSave") && message.startsWith("Nothing was saved"))
            QVERIFY2(PropTextFile::findUnsavable(records), where("refused to save: " + message));
        if (m_menu == QLatin1String("mnuFSave") && message.startsWith("Could not save"))
            QVERIFY2(!QFileInfo(QFileInfo(path).path()).isDir(), where(message));
        if (m_menu == QLatin1String("mnuFSave") && !path.isEmpty() && message.isEmpty()) {
            // Saved: the file gives back the table as it was then, numbers by their value.
            // Nothing may follow the last prop, such as the tail of a longer old file.
            QFile saved(path);
            const QByteArray bytes = saved.open(QIODevice::ReadOnly) ? saved.readAll() : "";
            const auto file = PropTextFile::parse(bytes);
            bool same = file.contents && file.contents->countText == table()->countText()
                        && file.contents->records.size() == records.size()
                        && bytes.count('\n') == records.size() + 1 && bytes.endsWith('\n');
            for (int row = 0; same && row < records.size(); ++row) {
                same = file.contents->records.at(row).name == records.at(row).name;
                for (int f = 0; same && f < PropRecord::FieldCount; ++f) {
                    const QString &a = file.contents->records.at(row).fields.at(f);
                    const QString &b = records.at(row).fields.at(f);
                    same = a == b
                           || (NumberText::parse(a)
                               && NumberText::parse(a) == NumberText::parse(b));
                }
            }
            QVERIFY2(same, where("the saved file differs from the table " + file.error));
            ++m_saved;
            m_files[QFileInfo(path).canonicalFilePath()] = "saved"; // may change
        }
        if (m_menu.startsWith(QLatin1String("mnuC"))) {
            const bool starts = m_chosen.size() == 2 && m_chosen[0] != m_chosen[1]
                                && !Conversion::isNameTooLongForDos(m_chosen[0])
                                && !Conversion::isNameTooLongForDos(m_chosen[1]);
            QVERIFY2(starts == (m_chosen.size() == 2 && m_messages.size() == 2),
                     where("the converter was started or not, after: " + m_messages.join(" / ")));
            m_runs += starts;
        }
    }

    // What must hold after every action.
    void checkInvariants()
    {
        QVERIFY2(m_form->isVisible(), where("the window is gone"));
        QVERIFY2(!m_overdue, where("a dialog had to be closed by force"));
        for (QWidget *top : QApplication::topLevelWidgets())
            QVERIFY2(top == m_form.get() || !top->isVisible(),
                     where(QStringLiteral("still open: %1 \"%2\"")
                                   .arg(top->metaObject()->className(), top->windowTitle())));
        const int rows = table()->size(), selected = table()->selectedRow();
        const int current = m_list->currentIndex().isValid() ? m_list->currentIndex().row() : -1;
        const qint16 pending = m_form->placePending();
        QVERIFY2(box(7)->text() == QString::number(rows) && m_list->model()->rowCount() == rows
                         && selected >= -1 && selected < rows && selected == current
                         && (pending == 0 || pending == -1),
                 where(QString::asprintf("count box \"%s\", %d props, %d names, prop %d selected, "
                                         "list at %d, placePending %d",
                                         qPrintable(box(7)->text()), rows,
                                         m_list->model()->rowCount(), selected, current, pending)));
        const QMap<QString, QByteArray> now = scanFiles();
        QStringList changed;
        for (const QString &path : QStringList(now.keys()) + m_files.keys()) {
            if (now.value(path) != m_files.value(path) && m_files.value(path) != "saved")
                changed << path;
        }
        QVERIFY2(changed.isEmpty(), where("changed without a save: " + changed.join(", ")));
        m_files = now;
    }

private slots:
    void initTestCase()
    {
        // The offscreen platform warns about every dialog it sizes, which says nothing here.
        static QtMessageHandler next = nullptr;
        next = qInstallMessageHandler(
                [](QtMsgType type, const QMessageLogContext &context, const QString &msg) {
                    if (!msg.contains(QLatin1String("propagateSizeHints")))
                        next(type, context, msg);
                });
        bool ok = false;
        if (const uint seed = qEnvironmentVariable("ZRM_SOAK_SEED").toUInt(&ok); ok)
            m_seed = seed;
        if (const int n = qEnvironmentVariableIntValue("ZRM_SOAK_ACTIONS", &ok); ok && n > 0)
            m_actions = n;
        m_rng.seed(m_seed);
        qInfo("soak: seed %u, %d actions (ZRM_SOAK_SEED, ZRM_SOAK_ACTIONS)", m_seed, m_actions);

        // The stand-in converters go first on the PATH; none may stand beside the program.
        QVERIFY(m_tools.isValid() && m_work.isValid());
        for (const char *name : {"ZRM2TXT.exe", "TXT2ZRM.exe"}) {
            QVERIFY(!QFile::exists(QDir(QCoreApplication::applicationDirPath()).filePath(name)));
            QVERIFY(QFile::copy(QStringLiteral(ZRM_FAKE_CONVERTER), m_tools.filePath(name)));
        }
        qputenv("PATH", QFile::encodeName(m_tools.path()) + ':' + qgetenv("PATH"));
        qputenv("ZRM_FAKE_CONVERTER_LOG", QFile::encodeName(m_tools.filePath("converter.log")));

        // Good and bad files to open, one with enough props to scroll the name list.
        m_root = QDir(m_work.path()).canonicalPath();
        QVERIFY(QDir(m_root).mkdir(QStringLiteral("sub dir")));
        QByteArray many = "60\r\n";
        for (int i = 0; i < 60; ++i)
            many += QString::asprintf("%d 0 %d 0.5 0 0 Prop %d\r\n", i * 3 - 90, -20 * i, i)
                            .toLatin1();
        const QList<QPair<QString, QByteArray>> files
                = {{"good.txt", "3\r\n83.30202 0 -320.5484 0 1.5 0 Barrel\r\n"
                                "10.50 2 -1220 0 0 0 Big Crate\r\n1 2 3 4 5 6 Keg\r\n"},
                   {"LEVEL1.ZRM", "2\r\n1 2 3 4 5 6 A\r\n-1 -2 -3 0 0 0 B\r\n"},
                   {"A.ZRM", QByteArray("\x00\x01ZRM\xff\xfe\x02", 7)},
                   {"sub dir/deep.txt", "1\n5 5 5 0 0 0 Deep one\n"},
                   {"many.txt", many}};
        for (const auto &[name, bytes] : files) {
            QFile file(m_root + QLatin1Char('/') + name);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        }
        for (const char *name : {"two_props.txt", "mixed_separators.txt", "ends_early.txt"})
            QVERIFY(QFile::copy(QStringLiteral(ZRM_TEST_DATA "/") + name,
                                m_root + QLatin1Char('/') + name));
        m_files = scanFiles();

        m_form = std::make_unique<Form1>();
        m_form->show();
        m_list = m_form->findChild<QAbstractItemView *>(QStringLiteral("List7"));
        m_map = m_form->mapView();
        connect(&m_poll, &QTimer::timeout, this, [this] {
            QWidget *modal = QApplication::activeModalWidget();
            if (m_answering || !modal || !modal->isVisible())
                return;
            // Answered from the event loop, so that the poll goes on in a nested modal loop
            // (a file dialog's warning) that an answer opens.
            m_answering = true;
            QTimer::singleShot(0, this, [this, modal = QPointer<QWidget>(modal)] {
                m_answering = false;
                if (modal && modal->isVisible() && modal == QApplication::activeModalWidget())
                    answer(modal);
            });
        });
        m_poll.start(2);
    }
    void cleanupTestCase() { m_form.reset(); }

    void randomWalk()
    {
        QElapsedTimer walk;
        walk.start();
        for (m_index = 0; m_index < m_actions; ++m_index) {
            // After a dialog a user's next click would make the window active again.
            if (QApplication::activeWindow() != m_form.get()) {
                m_form->activateWindow();
                QVERIFY2(QTest::qWaitForWindowActive(m_form.get()),
                         where("the window stays inactive"));
            }
            m_before = table()->records();
            m_menu.clear();
            m_messages.clear();
            m_chosen.clear();
            m_notes.clear();
            m_clock.start();
            act();
            QCoreApplication::processEvents();
            const qint64 ms = m_clock.elapsed();
            if (!m_notes.isEmpty())
                m_recent.last() += " [" + m_notes.join("; ").replace(m_root, "<tmp>") + ']';
            QVERIFY2(ms < 5000, where(QStringLiteral("the action took %1 ms").arg(ms)));
            if (!m_menu.isEmpty())
                checkMenu();
            if (!QTest::currentTestFailed())
                checkInvariants();
            if (QTest::currentTestFailed())
                return;
        }
        qInfo("soak: %d actions in %lld ms, %d saves checked, %d converter starts", m_actions,
              walk.elapsed(), m_saved, m_runs);
    }
};

QTEST_MAIN(TestSoak)
#include "tst_soak.moc"
