#include "files/commdlgs.h"
#include "files/conversion.h"
#include "modalscript.h"

#include <QAbstractItemView>
#include <QTemporaryDir>
#include <QtTest>

using Conversion::Direction;

namespace {

// Writes down each dialog as it is shown, joined by '|': a message box's text, a file dialog's
// mode, title, filters (the first must be selected), default suffix and folder.
class Shown : public QObject
{
public:
    Shown() { qApp->installEventFilter(this); }
    QStringList list;

    bool eventFilter(QObject *object, QEvent *event) override
    {
        if (event->type() != QEvent::Show || event->spontaneous())
            return false;
        if (auto *box = qobject_cast<QMessageBox *>(object))
            list << box->text();
        if (auto *d = qobject_cast<QFileDialog *>(object)) {
            const bool open = d->acceptMode() == QFileDialog::AcceptOpen;
            const bool mode
                    = d->fileMode() == (open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
            list << QString("%1 %2: %3 [%4] in %5")
                            .arg(mode ? (open ? "open" : "save") : "odd", d->windowTitle(),
                                 d->nameFilters().join(';'), d->defaultSuffix(),
                                 d->directory().absolutePath());
            if (d->selectedNameFilter() != d->nameFilters().value(0))
                list.last() += " selected " + d->selectedNameFilter();
        }
        return false;
    }
};

} // namespace

// The file dialog and the Convert menu's commands, run with a stand-in converter.
class TestConversion : public QObject
{
    Q_OBJECT

    QTemporaryDir m_tools; // fake/ holds the stand-in converters, junk/ unrunnable ones
    QScopedPointer<QTemporaryDir> m_work;
    QWidget m_owner;

    void touch(const QString &name) const
    {
        QDir(m_work->path()).mkpath(QFileInfo(name).path());
        QFile file(m_work->filePath(name));
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot create %s", qPrintable(file.fileName()));
    }

    // answers, separated by '|': "ok", "yes", "no" and "cancel" answer a dialog so, any other is
    // a file in the work folder to choose. Spare cancels end unexpected dialogs (or one shown
    // again), and if a step misses, what is left is closed so that the test fails, not hangs.
    void play(ModalScript &script, const QString &answers) const
    {
        for (const QString &answer : answers.split('|')) {
            if (answer == "ok" || answer == "yes" || answer == "no")
                script.press(answer == "ok"    ? QMessageBox::Ok
                             : answer == "yes" ? QMessageBox::Yes
                                               : QMessageBox::No);
            else if (answer == "cancel")
                script.cancel();
            else
                script.chooseFile(m_work->filePath(answer));
        }
        script.cancel().cancel().cancel();
        QTimer::singleShot(10000, &script, [] {
            while (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
                dialog->reject();
        });
    }

private slots:
    void initTestCase()
    {
        QVERIFY(QDir(m_tools.path()).mkpath("fake") && QDir(m_tools.path()).mkpath("junk"));
        QDir::setCurrent(m_tools.path()); // so a dialog opens in the editor's folder only if told
        for (const QString name : {"ZRM2TXT.exe", "TXT2ZRM.exe"}) {
            QVERIFY(QFile::link(ZRM_FAKE_CONVERTER, m_tools.filePath("fake/" + name)));
            QFile junk(m_tools.filePath("junk/" + name));
            QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write("MZ no program here\n") > 0);
            QVERIFY(junk.setPermissions(junk.permissions() | QFile::ExeOwner));
            // One beside the editor would be found before those on the PATH.
            QVERIFY(!QFile::exists(QCoreApplication::applicationDirPath() + "/" + name));
        }
    }
    void init()
    {
        m_work.reset(new QTemporaryDir);
        QVERIFY(m_work->isValid());
        qputenv("ZRM_FAKE_CONVERTER_LOG", QFile::encodeName(m_work->filePath("converter.log")));
    }

    void fileDialog_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QString>("filter"); // pairs, each part ended by a NUL character
        QTest::addColumn<QString>("answers");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("chosen");

        const QString zrm = QStringLiteral("ZRM Files\0*.ZRM\0");
        const QString open = "open Pick: ZRM Files (*.ZRM) [ZRM] in %1";
        const QString save = "save Pick: ZRM Files (*.ZRM) [ZRM] in %1";
        // "*.*" would hide names without a dot.
        const QString all = QStringLiteral("All Files\0*.*\0");
        const QString saveAll = "save Pick: All Files (*) [] in %1";
        const QString two = QStringLiteral("Text\0*.txt;*.lst\0ZRM Files\0*.ZRM\0\0\0");
        const QString saveTwo = "save Pick: Text (*.txt *.lst);ZRM Files (*.ZRM) [ZRM] in %1";
        QTest::newRow("1 opens") << 1 << "ZRM" << zrm << "props.ZRM" << open << "props.ZRM";
        QTest::newRow("1, cancelled") << 1 << "ZRM" << zrm << "cancel" << open << "";
        QTest::newRow("2 saves, adds extension") << 2 << "ZRM" << zrm << "a" << save << "a.ZRM";
        QTest::newRow("2, typed extension kept") << 2 << "ZRM" << zrm << "a.txt" << save << "a.txt";
        QTest::newRow("2, cancelled") << 2 << "*" << all << "cancel" << saveAll << "";
        QTest::newRow("0 saves, star is no extension") << 0 << "*" << all << "a" << saveAll << "a";
        QTest::newRow("257 saves, first pair selected")
                << 257 << ".ZRM" << two << "a" << saveTwo << "a.ZRM";
        QTest::newRow("2, refuses a missing folder")
                << 2 << "*" << all << "missing/a|ok|a"
                << saveAll
                           + "|%1/missing\nFolder not found.\nPlease choose a file in a folder "
                             "that exists."
                << "a";
        // Declining leaves the dialog up for another name.
        QTest::newRow("2, asks before replacing")
                << 2 << "*" << all << "props.ZRM|no|a"
                << saveAll + "|props.ZRM already exists.\nDo you want to replace it?"
                << "a";
    }
    void fileDialog()
    {
        QFETCH(int, action);
        QFETCH(QString, extension);
        QFETCH(QString, filter);
        QFETCH(QString, answers);
        QFETCH(QString, shown);
        QFETCH(QString, chosen);
        touch("props.ZRM");
        Shown seen;
        ModalScript script;
        play(script, answers);
        // A cancelled dialog has a valid name in its box.
        QCOMPARE(CommDlgs::ShowFileDialog(&m_owner, qint16(action), "Pick",
                                          answers == "cancel" ? "props.ZRM" : "", filter,
                                          m_work->path(), extension),
                 chosen.isEmpty() ? QString() : m_work->filePath(chosen));
        QCOMPARE(seen.list.join('|'), shown.replace("%1", m_work->path()));
    }

    void allFilesListsNamesWithoutDot()
    {
        touch("PROPS");
        QString listed;
        ModalScript script;
        script.then([&listed](QWidget *dialog) {
            const auto *view = dialog->findChild<QAbstractItemView *>("listView");
            // The folder is read in the background.
            if (QTest::qWaitFor([view] { return view->model()->rowCount(view->rootIndex()) > 0; }))
                listed = view->model()->index(0, 0, view->rootIndex()).data().toString();
            static_cast<QDialog *>(dialog)->reject();
        });
        CommDlgs::ShowFileDialog(&m_owner, 1, "Pick", "", QStringLiteral("All Files\0*.*\0"),
                                 m_work->path(), "*");
        QCOMPARE(listed, "PROPS");
    }

    void dosNameLength_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("tooLong");
        QTest::newRow("9.3") << "PROPS1234.ZRM" << true;
        QTest::newRow("12 without dot") << "ABCDEFGHIJKL" << false;
        QTest::newRow("only the total counts") << "A.BCDEFGHIJK" << false;
        QTest::newRow("12 after long folders") << "C:\\Long Game Folder\\PROPS123.ZRM" << false;
        QTest::newRow("13 after slash") << "/game/PROPS1234.ZRM" << true;
        QTest::newRow("backslash after slash") << "/game/LONGFOLDER\\A.ZRM" << false;
        QTest::newRow("slash after backslash") << "C:\\LONGFOLDER/A.ZRM" << false;
    }
    void dosNameLength()
    {
        QFETCH(QString, path);
        QFETCH(bool, tooLong);
        QCOMPARE(Conversion::isNameTooLongForDos(path), tooLong);
    }

    void command_data()
    {
        // The PATH holds only m_tools/tools; the first file chosen is created as the source.
        QTest::addColumn<QString>("tools");
        QTest::addColumn<Direction>("direction");
        QTest::addColumn<QString>("answers");
        QTest::addColumn<QString>("shown"); // %1: the editor's folder, %2: the work folder
        QTest::addColumn<QString>("started"); // %1: the work folder

        const auto txt = Direction::ZrmToTxt, zrm = Direction::TxtToZrm;
        const QString txtSource = "First Select the ZRM file you wish to convert|open Open: ZRM "
                                  "Files (*.ZRM) [ZRM] in %1";
        const QString toTxt = txtSource
                              + "|Now select the destination file; can be any extension "
                                "but I don't recommend using *.ZRM to prevent "
                                "confusion|save Save: All Files (*) [] in %2";
        const QString zrmSource = "First Select the ASCII ZRM file you wish to convert|open Open: "
                                  "All Files (*) [] in %1";
        const QString toZrm = zrmSource
                              + "|Now select the destination ZRM file|save Save: ZRM "
                                "Files (*.ZRM) [ZRM] in %2";
        const QString tooLong = "|The file name is too long for DOS, either rename the file or "
                                "convert it by hand by running going to DOS and typing ZRM2TXT.exe "
                                "ZRMFilename(DOS length) TXTDestination(DOS length)";
        const QString match = "|Names match, not saving";
        const QString notFound = "|Could not start TXT2ZRM.exe: the program was not found beside "
                                 "the editor or on the PATH.";
        const QString cannotRun = "|Could not start ZRM2TXT.exe: "
                                  + m_tools.filePath("junk/ZRM2TXT.exe") + " could not be run.";

        QTest::newRow("zrm to txt") << "fake" << txt << "ok|A.ZRM|ok|B.TXT" << toTxt
                                    << "ZRM2TXT.exe\t%1/A.ZRM\t%1/B.TXT\n";
        QTest::newRow("txt to zrm, adds extension")
                << "fake" << zrm << "ok|A.TXT|ok|B" << toZrm << "TXT2ZRM.exe\t%1/A.TXT\t%1/B.ZRM\n";
        // The first dialog starts in the editor's folder (the last one chosen is gone), the
        // second in the folder of the file the first chose.
        QTest::newRow("folder with a blank") << "fake" << txt << "ok|my dir/A.ZRM|ok|my dir/B"
                                             << QString(toTxt).replace("%2", "%2/my dir")
                                             << "ZRM2TXT.exe\t%1/my dir/A.ZRM\t%1/my dir/B\n";
        QTest::newRow("source too long")
                << "fake" << zrm << "ok|PROPS1234.TXT|ok" << zrmSource + tooLong << "";
        QTest::newRow("destination too long")
                << "fake" << txt << "ok|PROPS123.ZRM|ok|PROPS1234.TXT|ok" << toTxt + tooLong << "";
        QTest::newRow("same file")
                << "fake" << txt << "ok|A.ZRM|ok|A.ZRM|yes|ok"
                << toTxt + "|A.ZRM already exists.\nDo you want to replace it?" + match << "";
        QTest::newRow("destination cancelled")
                << "fake" << zrm << "ok|A.TXT|ok|cancel|ok" << toZrm + match << "";
        QTest::newRow("source cancelled") << "fake" << txt << "ok|cancel" << txtSource << "";
        QTest::newRow("not found") << "none" << zrm << "ok|A.TXT|ok|B|ok" << toZrm + notFound << "";
        QTest::newRow("cannot run")
                << "junk" << txt << "ok|A.ZRM|ok|B|ok" << toTxt + cannotRun << "";
    }
    void command()
    {
        QFETCH(QString, tools);
        QFETCH(Direction, direction);
        QFETCH(QString, answers);
        QFETCH(QString, shown);
        QFETCH(QString, started);
        qputenv("PATH", QFile::encodeName(m_tools.filePath(tools)));
        touch(answers.section('|', 1, 1));
        Shown seen;
        ModalScript script;
        play(script, answers);
        Conversion::run(&m_owner, direction);
        QCOMPARE(seen.list.join('|'), shown.replace("%1", QCoreApplication::applicationDirPath())
                                              .replace("%2", m_work->path()));

        // One line per start: the program's name, then each argument after a tab.
        const auto log = [this] {
            QFile file(m_work->filePath("converter.log"));
            return file.open(QIODevice::ReadOnly) ? QString(file.readAll()) : QString();
        };
        // A converter starts before run() returns; give one started by mistake time to log.
        QTest::qWait(started.isEmpty() ? 250 : 0);
        QTRY_COMPARE_WITH_TIMEOUT(log(), started.replace("%1", m_work->path()), 5000);
    }
};

QTEST_MAIN(TestConversion)
#include "tst_conversion.moc"
