#include "formfixture.h"
#include "modalscript.h"
#include "props/numbertext.h"
#include "props/proptextfile.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QKeySequence>
#include <QRandomGenerator>
#include <QTemporaryDir>

namespace {

QStringList list(const char *items)
{
    return QString::fromUtf8(items).split(QLatin1Char('|'));
}

const QStringList Numbers = list("12.5|-3|0|7|250|-1220|83.30202|1e2|-0| 7 |+4|.5|3.|1.5E-3");
const QStringList Garbage = list("abc|1,5||1 2|--1|0x10|\"q|-|e5");
const QStringList GoodNames = list("Barrel|Big Crate|12Barrels|x|Crate-2");
const QStringList BadNames = list("a,b|\"q| x|x |12 Barrels|");
// Typed into file dialogs: a missing folder, a file as a folder, folders, new and old files.
const QStringList Targets = list("missing/x.txt|good.txt/x.txt||sub dir|out1.txt|out2.txt|"
                                 "sub dir/out 3.txt|OUT.ZRM|good.txt");
const QStringList Menus = list("mnuFNew|mnuFOpen|mnuFSave|mnuFSave|mnuCZRM|mnuCTXT|mnuFExit|"
                               "mnuEUndo|mnuEUndo|mnuERedo");
const QStringList Leaves = list("Tab|Shift+Tab|click box|click count|click list|click map|stay");

} // namespace

// A long seeded random walk of user actions on the real window, its menus and its dialogs,
// checking after every action that the window, the table and the files on disk agree.
class TestSoak : public QObject, FormFixture
{
    Q_OBJECT

    quint32 m_seed = 20240611;
    int m_actions = 5000, m_index = 0, m_saved = 0;
    QRandomGenerator m_rng;
    QTemporaryDir m_tools, m_work;
    QString m_root, m_menu; // m_work's canonical path; the menu item the action chose
    QTimer m_poll;
    QElapsedTimer m_clock; // since the action began
    bool m_answering = false;
    QStringList m_messages, m_chosen, m_recent; // what dialogs said and chose; actions
    QMap<QString, QByteArray> m_files; // every file in the work folder

    int pick(qsizetype n) { return m_rng.bounded(int(n)); }
    const QString &any(const QStringList &from) { return from.at(pick(from.size())); }
    QPoint mapPoint(int margin)
    {
        const QSize size = form->mapView()->size();
        return {pick(size.width() + 2 * margin) - margin,
                pick(size.height() + 2 * margin) - margin};
    }
    void log(const QString &what) { m_recent << QStringLiteral("#%1 %2").arg(m_index).arg(what); }
    void note(QString what) { m_recent.last() += " [" + what.replace(m_root, "<tmp>") + ']'; }
    QByteArray where(const QString &what) const
    {
        const QString context = QStringLiteral("\n   seed %1, action #%2; the last actions:\n   ");
        return (what + context.arg(m_seed).arg(m_index)
                + m_recent.mid(qMax(0, m_recent.size() - 10)).join("\n   "))
                .toLocal8Bit();
    }
    QMap<QString, QByteArray> scanFiles() const
    {
        QMap<QString, QByteArray> files;
        for (QDirIterator it(m_root, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
            QFile file(it.next()); // "=" tells an empty file from a missing one
            files[file.fileName()] = file.open(QIODevice::ReadOnly) ? "=" + file.readAll() : "?";
        }
        return files;
    }

    // Answers the modal window that is up at random, as a user could (but never OK to the exit
    // question); one still up after a few answers, or long overdue, is closed by force.
    void answer(QWidget *modal)
    {
        const int tries = modal->property("tries").toInt();
        auto *fileDialog = qobject_cast<QFileDialog *>(modal);
        auto *input = qobject_cast<QInputDialog *>(modal);
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (m_clock.elapsed() > 10000 || tries >= 4 || !(box || fileDialog || input)) {
            note(QStringLiteral("%1 closed by force").arg(modal->metaObject()->className()));
            return void(modal->close()); // a dialog's close box rejects it
        }
        // A typed name wins over a selection in the file list only in an active dialog.
        if (fileDialog && QApplication::activeWindow() != modal)
            return modal->activateWindow();
        modal->setProperty("tries", tries + 1);
        if (box) {
            if (tries == 0 && box->windowTitle() == QLatin1String("ZRM"))
                m_messages << box->text();
            QList<QAbstractButton *> choices = box->buttons();
            if (box->text() == QLatin1String("Are ya sure?"))
                choices.removeOne(box->button(QMessageBox::Ok));
            QAbstractButton *button = choices.value(pick(choices.size() + 1)); // or Esc
            note(box->text().left(20).simplified() + ": " + (button ? button->text() : "Esc"));
            return button ? button->click() : QTest::keyClick(box, Qt::Key_Escape);
        }
        const int r = pick(6);
        if (r == 0) {
            note(QStringLiteral("%1 cancelled").arg(modal->metaObject()->className()));
            return QTest::keyClick(modal, Qt::Key_Escape);
        }
        if (fileDialog) {
            if (tries == 0)
                connect(fileDialog, &QFileDialog::fileSelected, this,
                        [this](const QString &path) { m_chosen << path; });
            QString path = m_root + QLatin1Char('/') + any(Targets);
            if (fileDialog->acceptMode() == QFileDialog::AcceptOpen && r > 2)
                path = m_files.keys().at(pick(m_files.size())); // an existing file
            note("typed " + path);
            return ModalScript::acceptFileName(fileDialog, path);
        }
        const QString name = r == 1 ? any(BadNames) : any(GoodNames);
        note("name \"" + name + '"');
        QTest::keyClicks(input->findChild<QLineEdit *>(), name);
        QTest::keyClick(input->findChild<QLineEdit *>(), Qt::Key_Return);
    }

    // One user action, chosen at random.
    void act()
    {
        MapView *map = form->mapView();
        const int r = pick(100), rows = table()->size();
        if (r < 18 && rows > 0) {
            const int row = pick(rows);
            log(QStringLiteral("click name %1").arg(row));
            list7()->scrollTo(table()->index(row));
            pickName(row);
        } else if (r < 25) {
            const Qt::Key keys[] = {Qt::Key_Up,  Qt::Key_Down,   Qt::Key_Down,    Qt::Key_Home,
                                    Qt::Key_End, Qt::Key_PageUp, Qt::Key_PageDown};
            const Qt::Key key = keys[pick(std::size(keys))];
            log("list key " + QKeySequence(key).toString());
            list7()->setFocus(Qt::TabFocusReason); // tabbed there first
            QTest::keyClick(list7(), key);
        } else if (r < 42) { // Add Prop and Remove Prop more often than the others
            const int n = QStringLiteral("12223345").at(pick(8)).digitValue();
            log(QStringLiteral("Command%1").arg(n));
            QTest::mouseClick(command(n), Qt::LeftButton);
        } else if (r < 68) { // a move (also outside the map), a click, or a far drag (no click)
            const int how = r < 57 ? 0 : r < 66 ? 1 : 2;
            const QPoint from = mapPoint(0), far(pick(140001) - 70000, pick(140001) - 70000);
            const QPoint to = how == 0 ? mapPoint(60) : how == 1 ? from : far;
            log(QString::asprintf("map %s %d,%d", how ? how > 1 ? "drag to" : "click" : "move",
                                  to.x(), to.y()));
            if (how > 0)
                QTest::mousePress(map, Qt::LeftButton, {}, from);
            QTest::mouseMove(map, to);
            if (how > 0)
                QTest::mouseRelease(map, Qt::LeftButton, {}, to);
        } else if (r < 92) { // a field box: typed into, then left or not
            const int n = 1 + pick(6), how = pick(3), leave = pick(Leaves.size());
            const QString typed = pick(8) ? any(Numbers) : any(Garbage);
            log(QStringLiteral("Text%1 %2 \"%3\", %4")
                        .arg(n)
                        .arg(list("replace|append|backspace").at(how), typed, Leaves[leave]));
            const Qt::Key first[] = {Qt::Key_A, Qt::Key_End, Qt::Key_Backspace};
            QWidget *const elsewhere[]
                    = {text(1 + (n + pick(5)) % 6), text(7), list7()->viewport(), map};
            QTest::mouseClick(text(n), Qt::LeftButton);
            QTest::keyClick(text(n), first[how], how == 0 ? Qt::ControlModifier : Qt::NoModifier);
            QTest::keyClicks(text(n), typed);
            if (typed.isEmpty())
                QTest::keyClick(text(n), Qt::Key_Backspace);
            if (leave < 2)
                QTest::keyClick(text(n), leave ? Qt::Key_Backtab : Qt::Key_Tab);
            else if (leave < 6)
                QTest::mouseClick(elsewhere[leave - 2], Qt::LeftButton, {},
                                  QPoint(1 + pick(18), 1 + pick(18)));
        } else {
            log(m_menu = any(Menus));
            action(qPrintable(m_menu))->trigger();
        }
    }
    // What must hold after every action. A save that reports nothing must give back the table,
    // numbers by their value, and its file is the one that may change.
    void check()
    {
        QVERIFY2(form->isVisible(), where("the window is gone"));
        for (QWidget *top : QApplication::topLevelWidgets())
            QVERIFY2(top == form.get() || !top->isVisible(),
                     where(QString("still open: ") + top->metaObject()->className()));
        const int rows = table()->size(), selected = table()->selectedRow();
        const int current = list7()->currentIndex().row(), pending = form->placePending();
        const int names = list7()->model()->rowCount();
        QVERIFY2(text(7)->text() == QString::number(rows) && names == rows && selected >= -1
                         && selected < rows && selected == current
                         && (pending == 0 || pending == -1),
                 where(QString::asprintf("count %s, %d props, %d names, selected %d, list %d, "
                                         "placePending %d",
                                         qPrintable(text(7)->text()), rows, names, selected,
                                         current, pending)));
        const QVector<PropRecord> &records = table()->records();
        QVERIFY2(m_menu != QLatin1String("mnuFNew") || records.isEmpty(), where("New left props"));
        const QString path = m_chosen.value(0);
        if (m_menu == QLatin1String("mnuFSave") && !path.isEmpty() && m_messages.isEmpty()) {
            const auto file = PropTextFile::readFile(path);
            bool same = file.contents && file.contents->countText == table()->countText()
                        && file.contents->records.size() == records.size();
            for (int row = 0; same && row < records.size(); ++row) {
                const PropRecord &read = file.contents->records.at(row), &held = records.at(row);
                same = read.name == held.name;
                for (int f = 0; same && f < PropRecord::FieldCount; ++f) {
                    const auto value = NumberText::parse(held.fields.at(f));
                    same = value && value == NumberText::parse(read.fields.at(f));
                }
            }
            QVERIFY2(same, where("the saved file differs from the table " + file.error));
            ++m_saved;
            m_files[QFileInfo(path).canonicalFilePath()] = "saved";
        }
        const QMap<QString, QByteArray> now = scanFiles();
        QStringList changed;
        for (const QString &path : now.keys() + m_files.keys())
            if (now.value(path) != m_files.value(path) && m_files.value(path) != "saved")
                changed << path;
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

        // The stand-in converters go first on the PATH.
        QVERIFY(m_tools.isValid() && m_work.isValid());
        for (const char *name : {"ZRM2TXT.exe", "TXT2ZRM.exe"})
            QVERIFY(QFile::copy(QStringLiteral(ZRM_FAKE_CONVERTER), m_tools.filePath(name)));
        qputenv("PATH", QFile::encodeName(m_tools.path()) + ':' + qgetenv("PATH"));
        qputenv("ZRM_FAKE_CONVERTER_LOG", QFile::encodeName(m_tools.filePath("converter.log")));

        m_root = QDir(m_work.path()).canonicalPath();
        QVERIFY(QDir(m_root).mkdir(QStringLiteral("sub dir")));
        const QList<QPair<QString, QByteArray>> files
                = {{"good.txt", "3\r\n83.30202 0 -320.5484 0 1.5 0 Barrel\r\n"
                                "10.50 2 -1220 0 0 0 Big Crate\r\n1 2 3 4 5 6 Keg\r\n"},
                   {"LEVEL1.ZRM", "2\r\n1 2 3 4 5 6 A\r\n-1 -2 -3 0 0 0 B\r\n"},
                   {"A.ZRM", QByteArray("\x00\x01ZRM\xff\xfe\x02", 7)},
                   {"ends early.txt", "3\n1 2 3 4 5 6 A\n"},
                   {"sub dir/deep.txt", "1\n5 5 5 0 0 0 Deep one\n"}};
        for (const auto &[name, bytes] : files) {
            QFile file(m_root + QLatin1Char('/') + name);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        }
        m_files = scanFiles();

        QVERIFY(start());
        connect(&m_poll, &QTimer::timeout, this, [this] {
            QWidget *modal = QApplication::activeModalWidget();
            if (m_answering || !modal || !modal->isVisible())
                return;
            // Answered from the event loop, so that nested modal loops are polled as well.
            m_answering = true;
            QTimer::singleShot(0, this, [this, modal = QPointer<QWidget>(modal)] {
                m_answering = false;
                if (modal && modal->isVisible() && modal == QApplication::activeModalWidget())
                    answer(modal);
            });
        });
        m_poll.start(2);
    }

    void randomWalk()
    {
        for (m_index = 0; m_index < m_actions; ++m_index) {
            if (QApplication::activeWindow() != form.get())
                QVERIFY2(reactivate(), where("the window stays inactive"));
            m_menu.clear();
            m_messages = m_chosen = QStringList();
            m_clock.start();
            act();
            QCoreApplication::processEvents();
            const qint64 ms = m_clock.elapsed();
            QVERIFY2(ms < 5000, where(QStringLiteral("the action took %1 ms").arg(ms)));
            check();
            if (QTest::currentTestFailed())
                return;
        }
        qInfo("soak: %d actions, %d saves checked", m_actions, m_saved);
    }
};

QTEST_MAIN(TestSoak)
#include "tst_soak.moc"
