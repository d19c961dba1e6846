#include "files/diskfile.h"
#include "harness.h"
#include "props/proptextfile.h"

#ifndef Q_OS_WIN
#include <csignal>
#include <sys/resource.h>
#include <sys/xattr.h>
#endif

namespace {

#ifndef Q_OS_WIN
// What a save must keep of a file besides its bytes: owner, group, mode, and the extended
// attributes that the ACL and the user's own are.
QStringList keptOf(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat info;
    if (stat(name.constData(), &info) != 0)
        return {};
    QStringList kept{QStringLiteral("owner %1, group %2, mode %3")
                             .arg(info.st_uid)
                             .arg(info.st_gid)
                             .arg(info.st_mode & 07777, 0, 8)};
    QByteArray names(listxattr(name.constData(), nullptr, 0), '\0');
    if (names.size() > 0 && listxattr(name.constData(), names.data(), names.size()) > 0) {
        for (const QByteArray &attribute : names.split('\0')) {
            QByteArray value(4096, '\0');
            const ssize_t size
                    = getxattr(name.constData(), attribute.constData(), value.data(), value.size());
            if (!attribute.isEmpty())
                kept << attribute + '=' + value.left(std::max<ssize_t>(size, 0)).toHex();
        }
    }
    return kept;
}
#endif

} // namespace

// Saves, most of them failing, in a folder that takes new files (open/) and in one that does
// not (closed/; closedfolder.sh prepares them and runs this as root and as a user who may not
// write closed/): whatever fails, the old file keeps its bytes, nothing is left behind, and the
// message says why and what the file holds; whatever is saved, the file keeps its owner, group,
// mode, ACL, attributes and links. On Windows without closedfolder.sh the test makes open/
// itself.
class TestClosedFolder : public QObject
{
    Q_OBJECT

private slots:
    void failedSaves_data()
    {
        addCases("saving.txt",
                 {"file", "old", "state", "bytes", "limit", "syncs", "said", "after"});
    }
    void failedSaves()
    {
        QFETCH(QString, file);
        QFETCH(QString, old);
        QFETCH(QString, state);
        QFETCH(QString, bytes);
        QFETCH(QString, limit);
        QFETCH(QString, syncs);
        QFETCH(QString, said);
        QFETCH(QString, after);
#ifdef Q_OS_WIN
        if (limit != "-")
            QSKIP("a full disk is stood in for by a file-size limit, which Windows does not have");
        if (state == "locked")
            QSKIP("Windows has no lock of a file's own: its in-place open shuts out a second "
                  "writer (see the file another program has open)");
        if (state.endsWith(" link") && state != "hard link")
            QSKIP("a symbolic link needs rights on Windows that a user seldom has");
        if (state == "attributes")
            QSKIP("owners, ACLs and attributes are made and checked by Linux calls");
        if (file.size() > 200)
            QSKIP("a name that long passes Windows' path limit");
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
        QVERIFY2(!root.isEmpty(), "run through closedfolder.sh");
        if (file.startsWith("closed/") && QFileInfo(root + "/closed").isWritable())
            QSKIP("root may make files in any folder: these cases run as nobody");
#endif
        const QString path = root + '/' + file;
        if (state == "attributes" && !QFileInfo::exists(path))
            QSKIP("the files with owners, ACLs and attributes are prepared by closedfolder.sh as "
                  "root");
        const QByteArray oldBytes = QByteArray(old.toInt(), 'o'), newBytes(bytes.toInt(), 'n');
        // A symbolic link is saved through to its target, "-target" after its name.
        const bool symbolic = state == "symbolic link" || state == "dangling link";
        const QString target = symbolic ? path + "-target" : path;
        if (symbolic)
            QVERIFY((QFile::remove(path), QFile::remove(target), QFile::link(target, path)));
        QFile written(target);
        // Files closed to this user hold what closedfolder.sh put there.
        if (old != "-" && (QFileInfo(target).isWritable() || !QFileInfo::exists(target))) {
            QVERIFY(written.open(QIODevice::WriteOnly) && written.write(oldBytes) == old.toInt());
            written.close();
#ifndef Q_OS_WIN
            // A mode no new file gets, which the save must keep.
            if (written.fileName().startsWith(root + "/open/"))
                QVERIFY(chmod(QFile::encodeName(target).constData(), 0640) == 0);
#endif
        }
        if (state == "read-only")
            QVERIFY(written.setPermissions(QFile::ReadOwner | QFile::ReadUser));

        const QString other = path + "-2"; // another name of the same file
        QFile::remove(other);
#ifdef Q_OS_WIN
        QVERIFY(state != "hard link"
                || CreateHardLinkW(QDir::toNativeSeparators(other).toStdWString().c_str(),
                                   QDir::toNativeSeparators(path).toStdWString().c_str(), nullptr));
#else
        QVERIFY(state != "hard link"
                || ::link(QFile::encodeName(path).constData(), QFile::encodeName(other).constData())
                           == 0);
#endif

#ifdef Q_OS_WIN
        // Another program holds the file open and lets nobody else open it.
        const HANDLE held
                = state != "held"
                          ? INVALID_HANDLE_VALUE
                          : CreateFileW(QDir::toNativeSeparators(path).toStdWString().c_str(),
                                        GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        QVERIFY((held != INVALID_HANDLE_VALUE) == (state == "held"));
        const DiskFile::Syncs before = DiskFile::syncsSoFar();
        PropTextFile::WriteResult result = PropTextFile::writeFile(path, newBytes);
        if (held != INVALID_HANDLE_VALUE)
            CloseHandle(held);
#else
        const QStringList kept = keptOf(path);
        if (state == "attributes" && !kept.filter(QRegularExpression("^user\\.")).size())
            QSKIP("the file system takes no extended attributes (or setfattr is missing)");
        // Another save holds the file.
        const int locked
                = state == "locked" ? ::open(QFile::encodeName(path).constData(), O_RDWR) : -1;
        struct flock lock = {};
        lock.l_type = F_WRLCK;
        QVERIFY(state != "locked" || fcntl(locked, F_OFD_SETLK, &lock) == 0);
        if (state == "child" && !qEnvironmentVariableIsSet("ZRM_SAVE_CHILD")) {
            // As the editor starts: SIGXFSZ has the system's default action, to end the program.
            QProcess child;
            child.setProgram(QCoreApplication::applicationFilePath());
            child.setArguments({"failedSaves:" + QString(QTest::currentDataTag())});
            child.setProcessChannelMode(QProcess::MergedChannels);
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert("ZRM_SAVE_CHILD", "1");
            child.setProcessEnvironment(environment);
            child.setChildProcessModifier([] { std::signal(SIGXFSZ, SIG_DFL); });
            child.start();
            QVERIFY(child.waitForFinished(120000));
            QVERIFY2(child.exitStatus() == QProcess::NormalExit,
                     "the save past the file-size limit ended the program");
            QVERIFY2(child.exitCode() == 0, child.readAll().constData());
            return;
        }
        // Past the limit a write fails with EFBIG, as one on a full disk fails with ENOSPC.
        rlimit saved;
        QVERIFY(getrlimit(RLIMIT_FSIZE, &saved) == 0);
        rlimit lowered = saved;
        lowered.rlim_cur = limit == "-" ? saved.rlim_cur : rlim_t(limit.toLongLong());
        QVERIFY(setrlimit(RLIMIT_FSIZE, &lowered) == 0);
        const DiskFile::Syncs before = DiskFile::syncsSoFar();
        PropTextFile::WriteResult result = PropTextFile::writeFile(path, newBytes);
        QVERIFY(setrlimit(RLIMIT_FSIZE, &saved) == 0);
        if (locked != -1)
            ::close(locked);
#endif
        const DiskFile::Syncs afterSave = DiskFile::syncsSoFar();

        QCOMPARE(result.ok ? "saved"
                           : QDir::fromNativeSeparators(result.error)
                                     .replace(root, "@")
                                     .replace(u'\n', u'/'),
                 said);
        const QByteArray expected = after == "old" ? oldBytes : after == "new" ? newBytes : "";
        QCOMPARE(written.open(QIODevice::ReadOnly) ? written.readAll() : QByteArray("none"),
                 after == "none" ? QByteArray("none") : expected);
        written.close();
        if (!syncs.isEmpty())
            QCOMPARE(QStringLiteral("files %1, folders %2")
                             .arg(afterSave.files - before.files)
                             .arg(afterSave.folders - before.folders),
                     syncs);
        QVERIFY2(!symbolic || QFileInfo(path).isSymLink(), "the link was replaced by a file");
#ifndef Q_OS_WIN
        if (!kept.isEmpty())
            QCOMPARE(keptOf(path), kept);
#endif
        if (state == "hard link") {
            QFile name2(other);
            QVERIFY(name2.open(QIODevice::ReadOnly));
            QVERIFY2(name2.readAll() == expected, "the file's other name holds another list");
            name2.close();
            QVERIFY(name2.remove());
        }
        QCOMPARE(QDir(QFileInfo(target).path())
                         .entryList({QLatin1String(DiskFile::TemporaryPrefix) + '*'},
                                    QDir::Files | QDir::Hidden | QDir::System),
                 QStringList());
        if (state == "read-only")
            QVERIFY(written.setPermissions(QFile::ReadOwner | QFile::WriteOwner)
                    && written.remove());
        if (symbolic)
            QVERIFY(QFile::remove(path) && QFile::remove(target));
        QFile::remove(root + "/open/new.txt");
    }
};

QTEST_GUILESS_MAIN(TestClosedFolder)
#include "tst_closedfolder.moc"
