#include "harness.h"
#include "props/proptextfile.h"

#ifndef Q_OS_WIN
#include <csignal>
#include <sys/resource.h>
#endif

// Saves that fail, in a folder that takes new files (open/) and in one that does not (closed/;
// closedfolder.sh prepares them and runs this as a user who may not write closed/): whatever
// fails, the old file keeps its bytes, nothing is left behind, and the message says why and
// what the file holds. On Windows without closedfolder.sh the test makes open/ itself.
class TestClosedFolder : public QObject
{
    Q_OBJECT

private slots:
    void failedSaves_data()
    {
        addCases("saving.txt", {"file", "old", "state", "bytes", "limit", "said", "after"});
    }
    void failedSaves()
    {
        QFETCH(QString, file);
        QFETCH(QString, old);
        QFETCH(QString, state);
        QFETCH(QString, bytes);
        QFETCH(QString, limit);
        QFETCH(QString, said);
        QFETCH(QString, after);
#ifdef Q_OS_WIN
        if (limit != "-")
            QSKIP("a full disk is stood in for by a file-size limit, which Windows does not have");
        // Under wine closedfolder.sh makes the folders and runs this as another user; elsewhere
        // the test makes open/ itself.
        QTemporaryDir scratch;
        QString root = qEnvironmentVariable("ZRM_SCRATCH");
        if (root.isEmpty()) {
            if (file.startsWith("closed/"))
                QSKIP("a folder closed to new files is made by closedfolder.sh, under wine");
            QVERIFY(QDir(scratch.path()).mkpath("open"));
            root = scratch.path();
        }
#else
        if (state == "held")
            QSKIP("here a file another program has open may still be replaced");
        const QString root = qEnvironmentVariable("ZRM_SCRATCH");
        QVERIFY2(!root.isEmpty() && !QFileInfo(root + "/closed").isWritable(),
                 "run through closedfolder.sh");
#endif
        const QString path = root + '/' + file;
        const QByteArray oldBytes = QByteArray(old.toInt(), 'o'), newBytes(bytes.toInt(), 'n');
        QFile target(path);
        // Files closed to this user hold what closedfolder.sh put there.
        if (old != "-" && (QFileInfo(path).isWritable() || !QFileInfo::exists(path))) {
            QVERIFY(target.open(QIODevice::WriteOnly) && target.write(oldBytes) == old.toInt());
            target.close();
        }
        if (state == "read-only")
            QVERIFY(target.setPermissions(QFile::ReadOwner | QFile::ReadUser));

#ifdef Q_OS_WIN
        // Another program holds the file open and lets nobody else open it.
        const HANDLE held
                = state != "held"
                          ? INVALID_HANDLE_VALUE
                          : CreateFileW(QDir::toNativeSeparators(path).toStdWString().c_str(),
                                        GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        QVERIFY((held != INVALID_HANDLE_VALUE) == (state == "held"));
        PropTextFile::WriteResult result = PropTextFile::writeFile(path, newBytes);
        if (held != INVALID_HANDLE_VALUE)
            CloseHandle(held);
#else
        // Past the limit a write fails with EFBIG, as one on a full disk fails with ENOSPC.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved;
        QVERIFY(getrlimit(RLIMIT_FSIZE, &saved) == 0);
        rlimit lowered = saved;
        lowered.rlim_cur = limit == "-" ? saved.rlim_cur : rlim_t(limit.toLongLong());
        QVERIFY(setrlimit(RLIMIT_FSIZE, &lowered) == 0);
        PropTextFile::WriteResult result = PropTextFile::writeFile(path, newBytes);
        QVERIFY(setrlimit(RLIMIT_FSIZE, &saved) == 0);
#endif

        QCOMPARE(result.ok ? "saved"
                           : QDir::fromNativeSeparators(result.error)
                                     .replace(root, "@")
                                     .replace(u'\n', u'/'),
                 said);
        const QByteArray expected = after == "old" ? oldBytes : after == "new" ? newBytes : "";
        QCOMPARE(target.open(QIODevice::ReadOnly) ? target.readAll() : QByteArray("none"),
                 after == "none" ? QByteArray("none") : expected);
        target.close();
        QCOMPARE(QDir(QFileInfo(path).path())
                         .entryList({QFileInfo(path).fileName() + ".*"},
                                    QDir::Files | QDir::Hidden | QDir::System),
                 QStringList());
        if (state == "read-only")
            QVERIFY(target.setPermissions(QFile::ReadOwner | QFile::WriteOwner) && target.remove());
        QFile::remove(root + "/open/new.txt");
    }
};

QTEST_GUILESS_MAIN(TestClosedFolder)
#include "tst_closedfolder.moc"
