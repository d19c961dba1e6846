#include "props/proptextfile.h"

#include <QtTest>

// Saving into a folder where no new file may be made (closedfolder.sh prepares it and runs
// this as a user who may not write the folder): a writable file is written in place, a file
// that may not be written is reported and left as it was.
class TestClosedFolder : public QObject
{
    Q_OBJECT

private slots:
    void savesInPlace()
    {
        const QString folder = qEnvironmentVariable("ZRM_CLOSED_FOLDER");
        QVERIFY2(!folder.isEmpty() && !QFileInfo(folder).isWritable(),
                 "run through closedfolder.sh");
        PropRecord record{{"1", "1", "1", "1", "1", "1"}, "Barrel"};
        const QByteArray bytes = PropTextFile::serialize("1", {record});
        const auto saved = PropTextFile::writeFile(folder + "/props.txt", bytes);
        QVERIFY2(saved.ok, qPrintable(saved.error));
        QVERIFY(!PropTextFile::writeFile(folder + "/locked.txt", bytes).ok);
        QFile props(folder + "/props.txt"), locked(folder + "/locked.txt");
        QVERIFY(props.open(QIODevice::ReadOnly) && locked.open(QIODevice::ReadOnly));
        QCOMPARE(props.readAll() + locked.readAll(), bytes + "old");
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList({"locked.txt", "props.txt"}));
    }
};

QTEST_GUILESS_MAIN(TestClosedFolder)
#include "tst_closedfolder.moc"
