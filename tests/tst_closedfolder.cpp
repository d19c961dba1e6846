#include "props/proptextfile.h"

#include <QProcess>
#include <QtTest>

#include <unistd.h>

// Saving into a folder where no new file may be made, by a user who may still write the file
// itself. Root may write anywhere, so as root the test runs itself again as nobody.
class TestClosedFolder : public QObject
{
    Q_OBJECT

    // In `folder` (no new files allowed): props.txt may be written, locked.txt may not.
    static void saveInto(const QString &folder)
    {
        PropRecord record;
        record.fields.fill("1");
        record.name = "Barrel";
        const QByteArray bytes = PropTextFile::serialize("1", {record});
        const auto saved = PropTextFile::writeFile(folder + "/props.txt", bytes);
        QVERIFY2(saved.ok, qPrintable(saved.error));
        QVERIFY(!PropTextFile::writeFile(folder + "/locked.txt", bytes).ok);
        QFile props(folder + "/props.txt"), locked(folder + "/locked.txt");
        QVERIFY(props.open(QIODevice::ReadOnly) && locked.open(QIODevice::ReadOnly));
        QCOMPARE(props.readAll(), bytes);
        QCOMPARE(locked.readAll(), QByteArray("old"));
    }

private slots:
    void savesInPlace()
    {
        if (qEnvironmentVariableIsSet("ZRM_CLOSED_FOLDER"))
            return saveInto(qEnvironmentVariable("ZRM_CLOSED_FOLDER"));

        QTemporaryDir dir;
        const QString folder = dir.filePath("closed");
        QVERIFY(QDir().mkdir(folder));
        for (const char *name : {"props.txt", "locked.txt"}) {
            QFile file(folder + '/' + name);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("old") == 3);
        }
        const auto everyone = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
        const auto traverse = everyone | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
        QVERIFY(QFile::setPermissions(folder + "/props.txt", everyone | QFile::WriteOwner
                                                                     | QFile::WriteGroup
                                                                     | QFile::WriteOther));
        QVERIFY(QFile::setPermissions(folder + "/locked.txt", everyone));
        QVERIFY(QFile::setPermissions(folder, traverse));
        if (geteuid() != 0) {
            saveInto(folder);
            QFile::setPermissions(folder, traverse | QFile::WriteOwner); // to clean up
            return;
        }

        // A copy of this program where the user "nobody" may run it.
        const QString copy = dir.filePath(QStringLiteral("tst_closedfolder"));
        QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), copy));
        QVERIFY(QFile::setPermissions(dir.path(), traverse | QFile::WriteOwner));
        QProcess run;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ZRM_CLOSED_FOLDER", folder);
        run.setProcessEnvironment(env);
        run.start("setpriv", {"--reuid=nobody", "--regid=nogroup", "--clear-groups", copy});
        if (!run.waitForFinished(60000) || run.exitStatus() != QProcess::NormalExit)
            QSKIP("setpriv cannot run a program as nobody here");
        const QByteArray output = run.readAllStandardOutput() + run.readAllStandardError();
        if (output.startsWith("setpriv:"))
            QSKIP(output.constData());
        QVERIFY2(run.exitCode() == 0, output.constData());
    }
};

QTEST_GUILESS_MAIN(TestClosedFolder)
#include "tst_closedfolder.moc"
