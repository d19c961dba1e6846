#include "files/commdlgs.h"
#include "files/conversion.h"
#include "harness.h"

// The file dialog and the Convert menu's commands, run with a stand-in converter.
class TestConversion : public QObject, Harness
{
    Q_OBJECT

    QTemporaryDir m_tools; // fake/ holds the stand-in converters, junk/ files that cannot run

    // Whether the editor has taken the end of every converter it started: each one's error
    // output is read and its file removed from the temporary folder then.
    bool convertersEnded() const
    {
        const QDir temporary(m_tools.filePath("tmp"));
        const auto ended = [&] {
            return temporary.entryList({"zrm-converter-*"}, QDir::Files).isEmpty();
        };
        if (QTest::qWaitFor(ended, 20000))
            return true;
        qWarning("error output files left: %s",
                 qPrintable(temporary.entryList({"zrm-converter-*"}, QDir::Files).join(' ')));
        return false;
    }

    // Answers the dialogs: ok, yes, no, cancel, or a file in the scratch folder; the first file
    // named is made beforehand when `make`. "end" lets a held converter go on while the dialog
    // is open, notes in `seen` whether the editor took its end, and then closes the dialog.
    void answer(ModalScript &script, const QString &answers, bool make)
    {
        for (QString step : answers.split(u'|')) {
            if (step == "end") {
                script.then([this, &script](QWidget *dialog) {
                    write("go", "x");
                    script.seen << (convertersEnded() ? "(ended)" : "(running)");
                    static_cast<QDialog *>(dialog)->reject();
                });
                continue;
            }
            if (!QStringList{"ok", "yes", "no", "cancel", "discard"}.contains(step)
                && !step.startsWith(u'='))
                step = std::exchange(make, false) ? write(step, "") : path(step);
            script.play(step);
        }
    }

private slots:
    void initTestCase()
    {
        QVERIFY(QDir(m_tools.path()).mkpath("fake") && QDir(m_tools.path()).mkpath("junk"));
        for (const QString name : {"ZRM2TXT.exe", "TXT2ZRM.exe"}) {
            QVERIFY(QFile::copy(ZRM_FAKE_CONVERTER, m_tools.filePath("fake/" + name)));
            QFile junk(m_tools.filePath("junk/" + name));
            QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write("MZ no program here\n") > 0);
            QVERIFY(junk.setPermissions(junk.permissions() | QFile::ExeOwner));
        }
        // Temporary files in a folder of their own, where the converters' are told apart.
        QVERIFY(QDir(m_tools.path()).mkpath("tmp"));
        for (const char *name : {"TMPDIR", "TMP", "TEMP"})
            qputenv(name, QFile::encodeName(m_tools.filePath("tmp")));
    }
    void init()
    {
        QVERIFY(start());
        qputenv("ZRM_FAKE_CONVERTER_LOG", QFile::encodeName(path("converter.log")));
    }
    void cleanup() { form.reset(); }

    void fileDialog_data()
    {
        addCases("conversion.txt", {"action", "extension", "filter", "answers", "shown"});
    }
    void fileDialog()
    {
        QFETCH(QString, action);
        QFETCH(QString, extension);
        QFETCH(QString, filter);
        QFETCH(QString, answers);
        QFETCH(QString, shown);
        ModalScript script;
        answer(script, answers, action == "1");
        script.seen << CommDlgs::ShowFileDialog(form.get(), qint16(action.toInt()), "Pick", "",
                                                filter, dir->path(), extension);
        QVERIFY2(script.failure.isEmpty(), qPrintable(script.failure));
        QCOMPARE(scrub(script.seen.join(u'|')).replace(u'\n', u'/'), shown);
    }

    void commands_data()
    {
        addCases("conversion.txt", {"tools", "does", "answers", "steps", "seen"});
    }
    void commands()
    {
        QFETCH(QString, tools);
        QFETCH(QString, does);
        QFETCH(QString, answers);
        QFETCH(QString, steps);
        QFETCH(QString, seen);
#ifdef Q_OS_WIN
        // The editor's end of a converter is seen by its error output file going; under wine
        // the console the converter ran in keeps that file open, so it stays.
        if (answers.contains(QStringLiteral("end")))
            QSKIP("wine's console keeps the converter's error output file open");
#endif
        const QString beside = QCoreApplication::applicationDirPath() + "/TXT2ZRM.exe";
        QFile::remove(beside);
        QVERIFY(tools != "beside" || QFile::copy(ZRM_FAKE_CONVERTER, beside));
        qputenv("PATH", QFile::encodeName(m_tools.filePath(tools)));
        qputenv("ZRM_FAKE_CONVERTER_DO", does.toLatin1());
        ModalScript script;
        answer(script, answers, true);
        const QString shown = run(steps, &script).replace(m_tools.path(), "<tools>") + ' ';
        QVERIFY2(script.failure.isEmpty(), qPrintable(script.failure));
        // One line per start: the converter's name, then each argument after a tab. It starts
        // before the command ends; give one started by mistake time to log. Then what the
        // editor said when the converter ended (and an "end" answer's note, in its order), and
        // the list if one was opened.
        const auto log = [this] {
            QFile file(path("converter.log"));
            return file.open(QIODevice::ReadOnly) ? scrub(file.readAll()).replace(u'\n', u'/')
                                                  : "<none>";
        };
        const auto ended = [&] {
            QString said;
            for (const QString &text : script.seen)
                said += text.startsWith("The conversion") || text.startsWith("(")
                                ? " => " + scrub(text)
                                : "";
            return said.replace(u'\n', u'/') + (table()->records().isEmpty() ? "" : " " + rows());
        };
        QTest::qWait(seen.endsWith("<none>") ? 250 : 0);
        QTRY_COMPARE_WITH_TIMEOUT(shown + log() + ended(), seen, 5000);
        QFile::remove(beside);
    }

    // A converter still running when the window goes is left to finish its work.
    void leftRunning()
    {
#ifdef Q_OS_WIN
        QSKIP("wine's console keeps the converter's error output file open");
#endif
        qputenv("PATH", QFile::encodeName(m_tools.filePath("fake")));
        qputenv("ZRM_FAKE_CONVERTER_DO", "gc");
        ModalScript script;
        answer(script, "ok|A.ZRM|ok|B.TXT", true);
        run("menu mnuCZRM", &script);
        QVERIFY2(script.done(), qPrintable(script.failure));
        QTest::failOnWarning(QRegularExpression("QProcess"));
        form.reset();
        write("go", "x");
        QTRY_VERIFY2_WITH_TIMEOUT(QFile::exists(path("B.TXT")),
                                  "the converter was stopped with the window: it wrote nothing",
                                  20000);
        QVERIFY2(convertersEnded(), "the editor did not take the converter's end");
        QVERIFY2(script.seen.size() == 4, "a report came up with no window to show it over");
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
