#include "files/diskfile.h"

#include "files/diskfile_system.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <atomic>

namespace DiskFile {

namespace {

using System::Doing;
using System::NativeFile;

// Counted, so that tests can check that a save asks for them.
std::atomic<int> fileSyncs{0};
std::atomic<int> folderSyncs{0};

bool syncFile(NativeFile &file)
{
    ++fileSyncs;
    return file.sync();
}

// After a change of names in the folder of `path`: it is on the disk before "saved".
bool syncFolderOf(const QString &path)
{
    ++folderSyncs;
    return System::syncFolder(QFileInfo(path).absolutePath());
}

using System::describe;

// Makes a new file of a short temporary name (TemporaryPrefix and six letters or digits)
// beside `target`, whose own name may be as long as the system allows. False, with the file's
// error, when none can be made.
bool makeTemporary(const QString &target, NativeFile &file, QString *made)
{
    const QString folder = QFileInfo(target).absolutePath() + u'/';
    for (int tries = 0; tries < 100; ++tries) {
        const quint32 draw = QRandomGenerator::global()->bounded(2176782336u); // 36^6
        const QString name = folder + QLatin1String(TemporaryPrefix)
                             + QString::number(draw, 36).rightJustified(6, u'0');
        if (file.create(name)) {
            *made = name;
            return true;
        }
        if (!QFileInfo::exists(name))
            return false;
    }
    return false;
}

// Writes the bytes it took back over the start of the file, gives the file its old length
// and reads it back: true when it holds exactly its old bytes again.
bool putBack(NativeFile &file, const QByteArray &old, qint64 touched)
{
    const qint64 restore = std::min<qint64>(touched, old.size());
    // The length is set only when the write changed it: setting even the length a file has
    // may need room on some systems (wine's Windows makes it so by writing the last byte).
    if (file.writeAt(0, old.constData(), restore) != restore
        || (file.size() != old.size() && !file.resize(old.size())) || !syncFile(file))
        return false;
    QByteArray check(old.size(), Qt::Uninitialized);
    return file.size() == old.size() && file.readAt(0, check.data(), check.size()) && check == old;
}

// Writes the file over itself. Its new size is reserved before any old byte is touched, and
// should a write still fail, the old bytes are written back and read back to check them.
// Where the folder takes new files, the old bytes are first kept in a copy beside the file,
// on the disk before the file is touched, which outlasts a kill or a power cut part-way.
SaveResult writeInPlace(const QString &path, const QByteArray &bytes)
{
    NativeFile file;
    if (!file.open(path))
        return {Outcome::Unchanged, describe(file.error(), Doing::Changing)};
    if (!file.isRegular())
        return {Outcome::Unchanged, whyNotRegular(path)};
    const qint64 oldSize = file.size();
    const qint64 newSize = bytes.size();
    QByteArray old(std::max<qint64>(0, oldSize), Qt::Uninitialized);
    if (oldSize < 0 || !file.readAt(0, old.data(), old.size()))
        return {Outcome::Unchanged, describe(file.error(), Doing::Changing)};

    NativeFile copy;
    QString copyPath;
    if (makeTemporary(path, copy, &copyPath)) {
        if (copy.writeAt(0, old.constData(), oldSize) != oldSize || !syncFile(copy) || !copy.close()
            || !syncFolderOf(copyPath)) {
            const QString cause
                    = describe(copy.error() ? copy.error() : System::lastError(), Doing::Changing);
            copy.close();
            QFile::remove(copyPath);
            return {Outcome::Unchanged, cause};
        }
    } else if (!copy.deniedHere()) {
        return {Outcome::Unchanged, describe(copy.error(), Doing::Making)};
    }
    const auto dropCopy = [&copyPath] {
        if (!copyPath.isEmpty())
            QFile::remove(copyPath);
    };

    if (!file.reserve(newSize)) {
        const QString cause = describe(file.error(), Doing::Changing);
        // Room set aside in part may have made the file longer.
        if (file.size() != oldSize)
            file.resize(oldSize);
        dropCopy();
        return {Outcome::Unchanged, cause};
    }
    const qint64 written = file.writeAt(0, bytes.constData(), newSize);
    // The new bytes are on the disk before the old ones past them are cut off, and the cut is
    // on the disk before the copy goes.
    if (written == newSize && syncFile(file)
        && (oldSize <= newSize || (file.resize(newSize) && syncFile(file)))) {
        dropCopy();
        return {Outcome::Saved, QString()};
    }
    const QString cause = describe(file.error(), Doing::Changing);
    if (!putBack(file, old, written))
        return {Outcome::Damaged, cause, copyPath}; // the copy stays: it holds the old bytes
    dropCopy();
    return {Outcome::PutBack, cause};
}

// Where a link that points nowhere leads: the file it promises.
QString linkTarget(const QString &path)
{
    QFileInfo info(path);
    for (int hops = 0; hops < 40 && info.isSymLink(); ++hops)
        info.setFile(info.symLinkTarget());
    return info.absoluteFilePath();
}

} // namespace

QString System::describe(Error error, Doing doing)
{
    switch (causeOf(error, doing)) {
    case Cause::Missing:
        return QStringLiteral("it does not exist");
    case Cause::NoRead:
        return QStringLiteral("you have no permission to read it");
    case Cause::IsFolder:
        return QStringLiteral("it is a folder");
    case Cause::DiskFull:
        return QStringLiteral("there is no room left on the disk");
    case Cause::TooLarge:
        return QStringLiteral("the system does not allow a file that large");
    case Cause::NoPermission:
        return doing == Doing::Making
                       ? QStringLiteral("you have no permission to make files in its folder")
                       : QStringLiteral("you have no permission to change it");
    case Cause::NoFolder:
        return QStringLiteral("its folder does not exist");
    case Cause::ReadOnlyDisk:
        return QStringLiteral("the disk it is on is read-only");
    case Cause::HeldOpen:
        return QStringLiteral("another program has it open");
    case Cause::BeingSaved:
        return QStringLiteral("another program is saving it");
    case Cause::Other:
        break;
    }
    const QString words = systemWords(error);
    return words.isEmpty() ? QStringLiteral("the system refused it (error %1)").arg(error) : words;
}

QString whyNotRegular(const QString &path)
{
    return System::whyNotRegular(path);
}

Syncs syncsSoFar()
{
    return {fileSyncs.load(), folderSyncs.load()};
}

ReadResult read(const QString &path, qint64 limit)
{
    ReadResult result;
    if (System::checkNameBeforeReading() && !(result.cause = whyNotRegular(path)).isEmpty())
        return result;
    NativeFile file;
    if (!file.openToRead(path)) {
        result.cause = describe(file.error(), Doing::Reading);
        return result;
    }
    // What was opened is looked at, not the name, which may name something else by now.
    if (!file.isRegular()) {
        result.cause = whyNotRegular(path);
        if (result.cause.isEmpty())
            result.cause = QStringLiteral("it is a pipe or a device, not a regular file");
        return result;
    }
    const qint64 size = file.size();
    if (size > limit) {
        result.tooLarge = true;
        return result;
    }
    // One byte more than it is said to hold shows that it grew meanwhile.
    QByteArray &bytes = result.bytes;
    bytes.resize(std::max<qint64>(size, 0) + 1);
    qint64 done = 0;
    for (qint64 read; done <= limit; done += read) {
        if (done == bytes.size())
            bytes.resize(std::min<qint64>(2 * done, limit + 1));
        if ((read = file.readSome(done, bytes.data() + done, bytes.size() - done)) <= 0) {
            if (read < 0) {
                result.opened = true;
                result.cause = describe(file.error(), Doing::Reading);
            }
            break;
        }
    }
    bytes.truncate(done);
    result.tooLarge = done > limit;
    return result;
}

SaveResult replace(const QString &path, const QByteArray &bytes)
{
    // Nothing is ever put in the place of a pipe or a device (both exist, whatever Qt says).
    QString cause = whyNotRegular(path);
    if (!cause.isEmpty())
        return {Outcome::Unchanged, cause};
    const QFileInfo info(path);
    const bool existed = info.exists();
    // A link is followed, also one to a file yet to be made.
    const QString target = existed ? info.canonicalFilePath() : linkTarget(path);
    const Outcome untouched = existed ? Outcome::Unchanged : Outcome::NotWritten;
    if (existed)
        cause = System::whyNotReplaceable(target);
    if (!cause.isEmpty())
        return {untouched, cause};

    // Held until the save is over: another save of the file fails at once.
    NativeFile original;
    if (existed && !original.openLocked(target))
        return {untouched, describe(original.error(), Doing::Locking)};
    // Each of the file's names must show the new bytes.
    if (existed && original.links() > 1)
        return writeInPlace(target, bytes);

    // The new bytes go to a file of their own beside the old one, which then takes its place.
    NativeFile temp;
    QString tempPath;
    if (!makeTemporary(target, temp, &tempPath)) {
        if (existed && temp.deniedHere())
            return writeInPlace(target, bytes);
        return {untouched, describe(temp.error(), Doing::Making)};
    }
    // A file whose owner, group, ACL or attributes a new file cannot take is written in place.
    if (!temp.takeOver(existed ? &original : nullptr) && existed) {
        temp.close();
        QFile::remove(tempPath);
        return writeInPlace(target, bytes);
    }
    if (temp.writeAt(0, bytes.constData(), bytes.size()) != bytes.size() || !syncFile(temp)
        || !temp.close()) {
        cause = describe(temp.error(), Doing::Changing);
        temp.close();
        QFile::remove(tempPath);
        return {untouched, cause};
    }
    System::Error error = 0;
    if (!System::renameOver(tempPath, target, &error)) {
        QFile::remove(tempPath);
        // A folder that may hold only its owners' files (sticky, as /tmp) keeps a new file
        // from replacing another user's, which may still be written.
        if (existed && System::causeOf(error, Doing::Changing) == System::Cause::NoPermission)
            return writeInPlace(target, bytes);
        return {untouched, describe(error, Doing::Changing)};
    }
    // Until the folder is on the disk, a power cut may bring the old file back. The file is
    // replaced whatever the sync says: there is nothing left to undo.
    syncFolderOf(target);
    return {Outcome::Saved, QString()};
}

} // namespace DiskFile
