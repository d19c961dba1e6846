#include "harness.h"

#include "app/history.h"
#include "app/recoverykeeper.h"
#include "app/recoveryoffer.h"
#include "files/recoverycopy.h"
#include "props/proptextfile.h"

#include <tuple>

// Recovery copies through real editor processes that are killed, and the offer of a new
// editor: rows of tests/data/recovery.txt.
class TestRecovery : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const QString &name) const { return m_dir.filePath(name); }

    // A new editor's start with `file` on its command line, answering what it is offered; the
    // empty text when it asked what `answers` answer, each offer naming `copied`'s file.
    static QString start(Form1 &window, const QString &answers, const QString &file,
                         const QString &copied)
    {
        ModalScript script;
        if (answers != "-")
            script.play(answers);
        window.show();
        RecoveryOffer::atStart(window, file);
        if (!script.failure.isEmpty())
            return script.failure;
        const qsizetype asked = answers == "-" ? 0 : answers.split(u'|').size();
        if (script.seen.size() != asked)
            return QString("%1 offers were made where %2 were due: %3")
                    .arg(script.seen.size())
                    .arg(asked)
                    .arg(script.seen.join(" / "));
        for (const QString &offer : std::as_const(script.seen)) {
            if (!offer.contains(QDir::toNativeSeparators(copied)))
                return "the offer does not name the file: " + offer;
        }
        return QString();
    }

private slots:
    // Changes made one after another do not put the copy off: it is written within the write
    // delay of the first of them.
    void steadyChanges()
    {
        qputenv("ZRM_DATA_DIR", QFile::encodeName(path("steady")));
        RecoveryKeeper keeper([] { return RecoverySnapshot{"0", {}, QString()}; });
        bool written = false;
        connect(&keeper, &RecoveryKeeper::copyWritten, this, [&written] { written = true; });
        keeper.setModified(true);
        QDeadlineTimer deadline(20000);
        while (!written && !deadline.hasExpired()) {
            keeper.contentsChanged();
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        QVERIFY2(written, "steady changes kept the recovery copy from being written");
    }

    // With several copies left, the newest is offered first; a list without a file is said
    // to be one.
    void newestFirst()
    {
        const QString data = path("newest");
        qputenv("ZRM_DATA_DIR", QFile::encodeName(data));
        QVERIFY(QDir().mkpath(data + "/recovery"));
        const QDateTime now = QDateTime::currentDateTimeUtc();
        for (const auto &[name, file, age] : {std::tuple{"a", "", 60}, std::tuple{"b", "/x.txt", 0},
                                              std::tuple{"c", "/y.txt", 120}}) {
            const QByteArray copy
                    = RecoveryCopy::encode({"0", {}, QString::fromLatin1(file), now.addSecs(-age)});
            QVERIFY(RecoveryCopy::write(data + "/recovery/" + name + ".zrmcopy", copy).isEmpty());
        }
        Form1 window;
        ModalScript script;
        script.play("cancel|cancel|cancel");
        RecoveryOffer::atStart(window, QString());
        QVERIFY2(script.done(), qPrintable(script.failure));
        const QStringList expected = {QDir::toNativeSeparators("/x.txt"), "an unnamed prop list",
                                      QDir::toNativeSeparators("/y.txt")};
        for (int i = 0; i < 3; ++i)
            QVERIFY2(script.seen.value(i).contains(expected.at(i)),
                     qPrintable(QString("offer %1 should name %2: %3")
                                        .arg(i + 1)
                                        .arg(expected.at(i), script.seen.value(i))));
    }

    void processes_data()
    {
        addCases("recovery.txt", {"typed", "driver", "end", "file", "first", "then"});
    }
    void processes()
    {
        QFETCH(QString, typed);
        QFETCH(QString, driver);
        QFETCH(QString, end);
        QFETCH(QString, file);
        QFETCH(QString, first);
        QFETCH(QString, then);
#ifdef Q_OS_WIN
        if (end == "term")
            QSKIP("Windows ends a session through the session manager alone, not by a signal");
#endif
        const QString data = QDir(path(QTest::currentDataTag())).absolutePath();
        qputenv("ZRM_DATA_DIR", QFile::encodeName(data));
        const QString list = path("list.txt");
        QFile::remove(list);
        QVERIFY(PropTextFile::writeFile(list, "2\r\n0 0 0 0 0 0 Barrel\r\n1 2 3 4 5 6 Crate\r\n")
                        .ok);
        QVector<PropRecord> expected = PropTextFile::parse("2\r\n0 0 0 0 0 0 Barrel\r\n1 2 3 4 5 6 "
                                                           "Crate\r\n")
                                               .contents->records;
        expected[0].fields[0] = typed.section(u'|', -1);
        const bool savable = !PropTextFile::findUnsavable(expected);
        const QByteArray saveBytes
                = savable ? PropTextFile::serialize("2", expected) : QByteArray();

        QProcess editor;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("ZRM_DATA_DIR", data);
        editor.setProcessEnvironment(environment);
        QStringList said;
        connect(&editor, &QProcess::readyReadStandardOutput, &editor, [&] {
            while (editor.canReadLine())
                said << QString::fromLatin1(editor.readLine()).trimmed();
        });
        editor.start(ZRM_RECOVERY_DRIVER, QStringList{list, typed} << driver.split(u','));
        const QString awaited = driver == "save"   ? "removed"
                                : driver == "hold" ? "changed"
                                                   : "written";
        QTRY_VERIFY2_WITH_TIMEOUT(said.contains(awaited) || editor.state() == QProcess::NotRunning,
                                  qPrintable("the editor never said " + awaited), 60000);
        QVERIFY2(said.contains(awaited),
                 qPrintable("the editor ended before it said " + awaited + ": " + said.join(", ")
                            + editor.readAllStandardError()));
        QVERIFY2(said.contains("changed"), "the editor did not take the typed value");
        const QStringList copies = QDir(data + "/recovery").entryList({"*.zrmcopy"});
        if (driver == "-") {
            // What the copy holds is what File > Save would have written.
            QCOMPARE(copies.size(), 1);
            QFile copy(data + "/recovery/" + copies.at(0));
            QVERIFY(copy.open(QIODevice::ReadOnly));
            QCOMPARE(RecoveryCopy::savedBytes(copy.readAll()), saveBytes);
        }
        if (end == "term") {
            editor.terminate();
            QVERIFY2(editor.waitForFinished(60000) && editor.exitStatus() == QProcess::NormalExit,
                     "the editor did not end on SIGTERM");
        } else if (end == "kill") {
            editor.kill();
            QVERIFY(editor.waitForFinished(60000));
        }

        for (const QString &answers : {first, then}) {
            if (end == "running" && editor.state() != QProcess::NotRunning) {
                Form1 beside; // started while the first editor still runs
                const QString failure = start(beside, answers, QString(), list);
                editor.kill();
                QVERIFY(editor.waitForFinished(60000));
                QVERIFY2(failure.isEmpty(), qPrintable("beside a running editor: " + failure));
                continue;
            }
            Form1 window;
            const QString failure = start(window, answers, file == "same" ? list : QString(), list);
            QVERIFY2(failure.isEmpty(), qPrintable(failure));
            if (answers != "yes")
                continue;
            // The list as the killed editor held it, one step that Undo takes back.
            QCOMPARE(window.propTable()->records(), expected);
            QCOMPARE(window.findChild<History *>()->undoText(), QString("Restore"));
            QCOMPARE(window.findChild<History *>()->count(), 1);
            if (!savable)
                continue;
            window.SaveZRM(path("resaved.txt"));
            QFile resaved(path("resaved.txt"));
            QVERIFY(resaved.open(QIODevice::ReadOnly));
            QCOMPARE(resaved.readAll(), saveBytes);
        }
        // The file itself is never written by a restore.
        if (driver == "save")
            return;
        QFile original(list);
        QVERIFY(original.open(QIODevice::ReadOnly));
        QCOMPARE(original.readAll(),
                 QByteArray("2\r\n0 0 0 0 0 0 Barrel\r\n1 2 3 4 5 6 Crate\r\n"));
    }
};

QTEST_MAIN(TestRecovery)
#include "tst_recovery.moc"
