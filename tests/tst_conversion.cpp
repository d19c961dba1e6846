#include "files/commdlgs.h"
#include "files/conversion.h"
#include "harness.h"

using Conversion::Direction;

// The file dialog and the Convert menu's commands, run with a stand-in converter.
class TestConversion : public QObject
{
    Q_OBJECT

    QTemporaryDir m_tools; // fake/ holds stand-in converters, junk/ files that cannot run
    std::unique_ptr<QTemporaryDir> m_work;
    QWidget m_owner;

    // Answers the dialogs: ok, yes, no, cancel, or a file in the work folder (the first one
    // named made beforehand when `make`).
    ModalScript &answer(ModalScript &script, const QString &answers, bool make) const
    {
        QStringList steps = answers.split(u'|');
        for (QString &step : steps) {
            if (QStringList{"ok", "yes", "no", "cancel"}.contains(step))
                continue;
            QFile file(step = m_work->filePath(step));
            if (std::exchange(make, false)
                && (!QDir().mkpath(QFileInfo(file).path()) || !file.open(QIODevice::WriteOnly)))
                qFatal("cannot make %s", qPrintable(step));
        }
        return script.play(steps.join(u'|'));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(QDir(m_tools.path()).mkpath("fake") && QDir(m_tools.path()).mkpath("junk"));
        for (const QString name : {"ZRM2TXT.exe", "TXT2ZRM.exe"}) {
            QVERIFY(QFile::link(ZRM_FAKE_CONVERTER, m_tools.filePath("fake/" + name)));
            QFile junk(m_tools.filePath("junk/" + name));
            QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write("MZ no program here\n") > 0);
            QVERIFY(junk.setPermissions(junk.permissions() | QFile::ExeOwner));
        }
        QDir::setCurrent(m_tools.path()); // so a dialog opens in the editor's folder only if told
    }
    void init()
    {
        m_work = std::make_unique<QTemporaryDir>();
        qputenv("ZRM_FAKE_CONVERTER_LOG", QFile::encodeName(m_work->filePath("converter.log")));
    }

    void fileDialog_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QString>("filter"); // pairs, each part ended by a NUL character
        QTest::addColumn<QString>("answers");
        QTest::addColumn<QString>("shown"); // %1: the work folder
        const QString zrm = QStringLiteral("ZRM Files\0*.ZRM\0"),
                      all = QStringLiteral("All Files\0*.*\0");
        const QString saveAll = "save Pick: All Files (*) [] in %1|"; // "*.*" would hide "a"
        QTest::newRow("1 opens") << 1 << "ZRM" << zrm << "a.ZRM"
                                 << "open Pick: ZRM Files (*.ZRM) [ZRM] in %1|%1/a.ZRM";
        QTest::newRow("2 saves with the extension")
                << 2 << "ZRM" << zrm << "b"
                << "save Pick: ZRM Files (*.ZRM) [ZRM] in %1|%1/b.ZRM";
        QTest::newRow("0 saves, * is none") << 0 << "*" << all << "b" << saveAll + "%1/b";
        QTest::newRow("257 saves, the first pair selected")
                << 257 << ".ZRM" << QStringLiteral("Text\0*.txt;*.lst\0ZRM Files\0*.ZRM\0\0\0")
                << "b"
                << "save Pick: Text (*.txt *.lst);ZRM Files (*.ZRM) [ZRM] in %1|%1/b.ZRM";
        QTest::newRow("2 refuses a missing folder")
                << 2 << "*" << all << "missing/b|ok|b"
                << saveAll
                           + "%1/missing/Folder not found./Please choose a file in a folder that "
                             "exists.|"
                           + saveAll + "%1/b"; // still open for another name
    }
    void fileDialog()
    {
        QFETCH(int, action);
        QFETCH(QString, extension);
        QFETCH(QString, filter);
        QFETCH(QString, answers);
        QFETCH(QString, shown);
        ModalScript script;
        answer(script, answers, action == 1);
        const QString chosen = CommDlgs::ShowFileDialog(&m_owner, qint16(action), "Pick", "",
                                                        filter, m_work->path(), extension);
        QCOMPARE((script.seen << chosen).join(u'|').replace(u'\n', u'/'),
                 shown.replace("%1", m_work->path()));
    }

    void command_data()
    {
        // The PATH holds only m_tools/TOOLS; "beside" puts TXT2ZRM.exe beside the editor.
        QTest::addColumn<QString>("tools");
        QTest::addColumn<Direction>("direction");
        QTest::addColumn<QString>("answers");
        QTest::addColumn<QString>("shown"); // %1: the editor's folder, %2: the work folder
        QTest::addColumn<QString>("started"); // %2: the work folder
        const auto txt = Direction::ZrmToTxt, zrm = Direction::TxtToZrm;
        const QString txtSource = "First Select the ZRM file you wish to convert|open Open: ZRM "
                                  "Files (*.ZRM) [ZRM] in %1";
        const QString toTxt = txtSource
                              + "|Now select the destination file; can be any extension but I "
                                "don't recommend using *.ZRM to "
                                "prevent confusion|save Save: All Files (*) [] in %2";
        const QString zrmSource = "First Select the ASCII ZRM file you wish to convert|open Open: "
                                  "All Files (*) [] in %1";
        const QString toZrm
                = zrmSource
                  + "|Now select the destination ZRM file|save Save: ZRM Files (*.ZRM) [ZRM] in %2";
        const QString tooLong
                = "|The file name is too long for DOS, either rename the file or convert it by "
                  "hand by "
                  "running going to DOS and typing ZRM2TXT.exe ZRMFilename(DOS length) "
                  "TXTDestination(DOS length)";
        const auto row = [](const char *tag, const char *tools, Direction direction,
                            const char *answers, const QString &shown, const char *started) {
            QTest::newRow(tag) << tools << direction << answers << shown << started;
        };
        row("zrm to txt", "fake", txt, "ok|A.ZRM|ok|B.TXT", toTxt,
            "ZRM2TXT.exe\t%2/A.ZRM\t%2/B.TXT\n");
        row("txt to zrm, converter beside the editor", "beside", zrm, "ok|A.TXT|ok|B", toZrm,
            "TXT2ZRM.exe\t%2/A.TXT\t%2/B.ZRM\n");
        // The first dialog starts in the editor's folder (the last one chosen is gone), the
        // second in the folder of the file the first chose.
        row("folder with a blank", "fake", txt, "ok|my dir/A.ZRM|ok|my dir/B",
            QString(toTxt).replace("%2", "%2/my dir"),
            "ZRM2TXT.exe\t%2/my dir/A.ZRM\t%2/my dir/B\n");
        row("12 letters fit, 13 do not", "fake", txt, "ok|PROPS123.ZRM|ok|PROPS1234.TXT|ok",
            toTxt + tooLong, "");
        row("source too long", "fake", zrm, "ok|PROPS1234.TXT|ok", zrmSource + tooLong, "");
        row("same file", "fake", txt, "ok|A.ZRM|ok|A.ZRM|yes|ok",
            toTxt + "|A.ZRM already exists.\nDo you want to replace it?|Names match, not saving",
            "");
        row("destination cancelled", "fake", zrm, "ok|A.TXT|ok|cancel|ok",
            toZrm + "|Names match, not saving", "");
        row("source cancelled", "fake", txt, "ok|cancel", txtSource, "");
        row("not found", "none", zrm, "ok|A.TXT|ok|B|ok",
            toZrm
                    + "|Could not start TXT2ZRM.exe: the program was not found beside the editor "
                      "or on the PATH.",
            "");
        row("cannot run", "junk", txt, "ok|A.ZRM|ok|B|ok",
            toTxt + "|Could not start ZRM2TXT.exe: " + m_tools.filePath("junk/ZRM2TXT.exe")
                    + " could not be run.",
            "");
    }
    void command()
    {
        QFETCH(QString, tools);
        QFETCH(Direction, direction);
        QFETCH(QString, answers);
        QFETCH(QString, shown);
        QFETCH(QString, started);
        const QString beside = QCoreApplication::applicationDirPath() + "/TXT2ZRM.exe";
        QFile::remove(beside);
        QVERIFY(tools != "beside" || QFile::link(ZRM_FAKE_CONVERTER, beside));
        qputenv("PATH", QFile::encodeName(m_tools.filePath(tools)));
        ModalScript script;
        answer(script, answers, true);
        Conversion::run(&m_owner, direction);
        const auto folders = [this](QString text) {
            return text.replace("%1", QCoreApplication::applicationDirPath())
                    .replace("%2", m_work->path());
        };
        QCOMPARE(script.seen.join(u'|'), folders(shown));
        // One line per start: the program's name, then each argument after a tab. A converter
        // starts before run() returns; give one started by mistake time to log.
        const auto log = [this] {
            QFile file(m_work->filePath("converter.log"));
            return file.open(QIODevice::ReadOnly) ? QString(file.readAll()) : QString();
        };
        QTest::qWait(started.isEmpty() ? 250 : 0);
        QTRY_COMPARE_WITH_TIMEOUT(log(), folders(started), 5000);
        QFile::remove(beside);
    }

    void dosNames()
    {
        // Only the length after the last '\' or '/' counts.
        for (const char *fits :
             {"ABCDEFGHIJKL", "A.BCDEFGHIJK", "C:\\Long Game Folder\\PROPS123.ZRM",
              "/game/LONGFOLDER\\A.ZRM", "C:\\LONGFOLDER/A.ZRM"})
            QVERIFY2(!Conversion::isNameTooLongForDos(fits), fits);
    }
};

QTEST_MAIN(TestConversion)
#include "tst_conversion.moc"
