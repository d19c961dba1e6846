#include "harness.h"
#include "props/proptextfile.h"

#include <csignal>
#include <sys/resource.h>

// Saves that fail part-way, in a folder that takes new files and in one that does not
// (closedfolder.sh prepares them and runs this as a user who may not write closed/): whatever
// fails, the old file keeps its bytes, nothing is left behind, and the message says why and
// what the file holds.
class TestClosedFolder : public QObject
{
    Q_OBJECT

private slots:
    void failedSaves_data()
    {
        addCases("saving.txt", {"file", "old", "bytes", "limit", "said", "after"});
    }
    void failedSaves()
    {
        QFETCH(QString, file);
        QFETCH(QString, old);
        QFETCH(QString, bytes);
        QFETCH(QString, limit);
        QFETCH(QString, said);
        QFETCH(QString, after);
        const QString root = qEnvironmentVariable("ZRM_SCRATCH");
        QVERIFY2(!root.isEmpty() && !QFileInfo(root + "/closed").isWritable(),
                 "run through closedfolder.sh");
        const QString path = root + '/' + file;
        const QByteArray oldBytes = QByteArray(old.toInt(), 'o'), newBytes(bytes.toInt(), 'n');
        QFile target(path);
        // Files closed to this user hold what closedfolder.sh put there.
        if (old != "-" && QFileInfo(path).isWritable()) {
            QVERIFY(target.open(QIODevice::WriteOnly) && target.write(oldBytes) == old.toInt());
            target.close();
        }

        // Past the limit a write fails with EFBIG, as one on a full disk fails with ENOSPC.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved;
        QVERIFY(getrlimit(RLIMIT_FSIZE, &saved) == 0);
        rlimit lowered = saved;
        lowered.rlim_cur = limit == "-" ? saved.rlim_cur : rlim_t(limit.toLongLong());
        QVERIFY(setrlimit(RLIMIT_FSIZE, &lowered) == 0);
        PropTextFile::WriteResult result = PropTextFile::writeFile(path, newBytes);
        QVERIFY(setrlimit(RLIMIT_FSIZE, &saved) == 0);

        QCOMPARE(result.ok ? "saved" : result.error.replace(root, "@").replace(u'\n', u'/'), said);
        const QByteArray expected = after == "old" ? oldBytes : after == "new" ? newBytes : "";
        QCOMPARE(target.open(QIODevice::ReadOnly) ? target.readAll() : QByteArray("none"),
                 after == "none" ? QByteArray("none") : expected);
        QCOMPARE(QDir(QFileInfo(path).path())
                         .entryList({QFileInfo(path).fileName() + ".*"},
                                    QDir::Files | QDir::Hidden | QDir::System),
                 QStringList());
        QFile::remove(root + "/open/new.txt");
    }
};

QTEST_GUILESS_MAIN(TestClosedFolder)
#include "tst_closedfolder.moc"
