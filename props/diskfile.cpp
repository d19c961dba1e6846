#include "props/diskfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <algorithm>
#include <utility>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace DiskFile {

namespace {

// What a failed call was trying to do, which decides how a refusal is put in words.
enum class Doing { Reading, Making, Changing };

const char *const NotRegular = "it is a pipe or a device, not a regular file";

// What the system's error comes to, in the terms the editor's messages use.
enum class Cause {
    Missing,
    NoRead,
    IsFolder,
    DiskFull,
    TooLarge,
    NoPermission,
    NoFolder,
    ReadOnlyDisk,
    HeldOpen,
    Other
};

#ifdef Q_OS_WIN
using Handle = HANDLE;
using SystemError = DWORD;
const Handle NoHandle = INVALID_HANDLE_VALUE;

SystemError lastError()
{
    return GetLastError();
}

std::wstring native(const QString &path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

Cause causeOf(SystemError error, Doing doing)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
        return doing == Doing::Reading ? Cause::Missing : Cause::Other;
    case ERROR_PATH_NOT_FOUND:
        return doing == Doing::Reading ? Cause::Missing : Cause::NoFolder;
    case ERROR_DIRECTORY:
        return Cause::NoFolder;
    case ERROR_ACCESS_DENIED:
        return doing == Doing::Reading ? Cause::NoRead : Cause::NoPermission;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return Cause::DiskFull;
    case ERROR_FILE_TOO_LARGE:
        return Cause::TooLarge;
    case ERROR_WRITE_PROTECT:
        return Cause::ReadOnlyDisk;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
        return Cause::HeldOpen;
    default:
        return Cause::Other;
    }
}

// The system's own words for an error none of the editor's words fit.
QString systemWords(SystemError error)
{
    wchar_t *text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM
                           | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, error, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    QString words = text ? QString::fromWCharArray(text).trimmed() : QString();
    LocalFree(text);
    if (words.endsWith(u'.'))
        words.chop(1);
    return words;
}
#else
using Handle = int;
using SystemError = int;
const Handle NoHandle = -1;

SystemError lastError()
{
    return errno;
}

Cause causeOf(SystemError error, Doing doing)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return doing == Doing::Reading ? Cause::Missing : Cause::NoFolder;
    case EACCES:
    case EPERM:
        return doing == Doing::Reading ? Cause::NoRead : Cause::NoPermission;
    case EISDIR:
        return doing == Doing::Reading ? Cause::IsFolder : Cause::Other;
    case ENOSPC:
    case EDQUOT:
        return Cause::DiskFull;
    case EFBIG:
        return Cause::TooLarge;
    case EROFS:
        return Cause::ReadOnlyDisk;
    default:
        return Cause::Other;
    }
}

QString systemWords(SystemError error)
{
    const QString words = error == 0 ? QString() : QString::fromLocal8Bit(std::strerror(error));
    return words.left(1).toLower() + words.mid(1);
}
#endif

// Why a call failed, in words that finish "Cannot save FILE: ...".
QString describe(SystemError error, Doing doing)
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
    case Cause::Other:
        break;
    }
    const QString words = systemWords(error);
    return words.isEmpty() ? QStringLiteral("the system refused it (error %1)").arg(error) : words;
}

// An open file with the last error the system gave for it.
class NativeFile
{
public:
    NativeFile() = default;
    NativeFile(const NativeFile &) = delete;
    NativeFile &operator=(const NativeFile &) = delete;
    ~NativeFile() { close(); }

    // A new file, made only if no file of that name exists.
    bool create(const QString &path)
    {
#ifdef Q_OS_WIN
        m_handle = CreateFileW(native(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
#else
        m_handle = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_EXCL, 0600);
#endif
        return remember(m_handle != NoHandle);
    }

    // Opening a pipe for reading does not wait for a writer: nothing is read from anything
    // but a regular file.
    bool openToRead(const QString &path)
    {
#ifdef Q_OS_WIN
        m_handle = CreateFileW(native(path).c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
#else
        m_handle = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
#endif
        return remember(m_handle != NoHandle);
    }

    bool open(const QString &path)
    {
#ifdef Q_OS_WIN
        m_handle = CreateFileW(native(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
#else
        m_handle = ::open(QFile::encodeName(path).constData(), O_RDWR);
#endif
        return remember(m_handle != NoHandle);
    }

    qint64 size()
    {
#ifdef Q_OS_WIN
        LARGE_INTEGER size;
        return remember(GetFileSizeEx(m_handle, &size)) ? size.QuadPart : -1;
#else
        struct stat info;
        return remember(fstat(m_handle, &info) == 0) ? qint64(info.st_size) : -1;
#endif
    }

    bool isRegular()
    {
#ifdef Q_OS_WIN
        return GetFileType(m_handle) == FILE_TYPE_DISK;
#else
        struct stat info;
        return remember(fstat(m_handle, &info) == 0) && S_ISREG(info.st_mode);
#endif
    }

    // How many of the bytes were written from `offset` on before a write failed.
    qint64 writeAt(qint64 offset, const char *data, qint64 size)
    {
        qint64 done = 0;
        while (done < size) {
            const qint64 chunk = std::min<qint64>(size - done, 1 << 24);
#ifdef Q_OS_WIN
            OVERLAPPED at = {};
            at.Offset = DWORD(quint64(offset + done));
            at.OffsetHigh = DWORD(quint64(offset + done) >> 32);
            DWORD written = 0;
            if (!remember(WriteFile(m_handle, data + done, DWORD(chunk), &written, &at)))
                break;
#else
            const ssize_t written = pwrite(m_handle, data + done, size_t(chunk), offset + done);
            if (written < 0 && errno == EINTR)
                continue;
            if (!remember(written > 0))
                break;
#endif
            done += qint64(written);
        }
        return done;
    }

    // How many bytes from `offset` on were read into `data` (0 at the end of the file), or
    // -1 when the read failed.
    qint64 readSome(qint64 offset, char *data, qint64 size)
    {
        const qint64 chunk = std::min<qint64>(size, 1 << 24);
#ifdef Q_OS_WIN
        OVERLAPPED at = {};
        at.Offset = DWORD(quint64(offset));
        at.OffsetHigh = DWORD(quint64(offset) >> 32);
        DWORD read = 0;
        if (remember(ReadFile(m_handle, data, DWORD(chunk), &read, &at)))
            return qint64(read);
        return m_error == ERROR_HANDLE_EOF ? 0 : -1;
#else
        ssize_t read;
        while ((read = pread(m_handle, data, size_t(chunk), offset)) < 0 && errno == EINTR) { }
        return remember(read >= 0) ? qint64(read) : -1;
#endif
    }

    bool readAt(qint64 offset, char *data, qint64 size)
    {
        for (qint64 done = 0, read; done < size; done += read)
            if ((read = readSome(offset + done, data + done, size - done)) <= 0)
                return false;
        return true;
    }

    // Makes the disk set aside room for `size` bytes, so that writing them cannot run out of
    // room part-way. True also where the file system cannot set room aside.
    bool reserve(qint64 size)
    {
        if (size <= 0)
            return true;
#ifdef Q_OS_WIN
        // Room set aside below the file's end would cut the file there.
        LARGE_INTEGER end;
        if (GetFileSizeEx(m_handle, &end) && size <= end.QuadPart)
            return true;
        FILE_ALLOCATION_INFO allocation;
        allocation.AllocationSize.QuadPart = size;
        if (SetFileInformationByHandle(m_handle, FileAllocationInfo, &allocation,
                                       sizeof allocation))
            return true;
        m_error = GetLastError();
        return m_error != ERROR_DISK_FULL && m_error != ERROR_HANDLE_DISK_FULL
               && m_error != ERROR_FILE_TOO_LARGE;
#else
        int result;
        while ((result = posix_fallocate(m_handle, 0, off_t(size))) == EINTR) { }
        m_error = result;
        return result == 0 || result == EOPNOTSUPP || result == ENOSYS || result == EINVAL;
#endif
    }

    bool resize(qint64 size)
    {
#ifdef Q_OS_WIN
        LARGE_INTEGER end;
        end.QuadPart = size;
        return remember(SetFilePointerEx(m_handle, end, nullptr, FILE_BEGIN)
                        && SetEndOfFile(m_handle));
#else
        return remember(ftruncate(m_handle, off_t(size)) == 0);
#endif
    }

    bool sync()
    {
#ifdef Q_OS_WIN
        return remember(FlushFileBuffers(m_handle));
#else
        return remember(fsync(m_handle) == 0);
#endif
    }

    bool close()
    {
        if (m_handle == NoHandle)
            return true;
        const Handle handle = std::exchange(m_handle, NoHandle);
#ifdef Q_OS_WIN
        return remember(CloseHandle(handle));
#else
        return remember(::close(handle) == 0);
#endif
    }

    // A file that is not ours to replace keeps its permissions and owner in the new one; a
    // new file gets the permissions any new file of the user's gets.
    void takePermissionsOf(const QString &path, bool existed)
    {
#ifdef Q_OS_WIN
        Q_UNUSED(path);
        Q_UNUSED(existed);
#else
        struct stat old;
        if (existed && stat(QFile::encodeName(path).constData(), &old) == 0) {
            // The owner first: changing it may clear the set-id bits, which the mode then puts
            // back. Only the owner or root may do either; a failure leaves them as made.
            if (old.st_uid != geteuid() || old.st_gid != getegid())
                (void)!fchown(m_handle, old.st_uid, old.st_gid);
            (void)fchmod(m_handle, old.st_mode & 07777);
            return;
        }
        const mode_t mask = umask(0);
        umask(mask);
        (void)fchmod(m_handle, 0666 & ~mask);
#endif
    }

    SystemError error() const
    {
        return m_error;
    }
    // The folder takes no new files.
    bool deniedHere() const
    {
#ifdef Q_OS_WIN
        return m_error == ERROR_ACCESS_DENIED;
#else
        return m_error == EACCES || m_error == EPERM;
#endif
    }

private:
    bool remember(bool ok)
    {
        if (!ok)
            m_error = lastError();
        return ok;
    }

    Handle m_handle = NoHandle;
    SystemError m_error = 0;
};

// Why a file that exists may not be replaced, or the empty text.
QString whyNotReplaceable(const QString &path)
{
#ifdef Q_OS_WIN
    const DWORD attributes = GetFileAttributesW(native(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return QStringLiteral("it is read-only");
    // A program that has the file open keeps it from being replaced or deleted.
    const HANDLE probe = CreateFileW(native(path).c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION
                       ? describe(error, Doing::Changing)
                       : QString();
    }
    CloseHandle(probe);
    return QString();
#else
    const QByteArray name = QFile::encodeName(path);
    if (access(name.constData(), W_OK) == 0)
        return QString();
    const int error = errno;
    struct stat info;
    if (error == EACCES && stat(name.constData(), &info) == 0 && !(info.st_mode & 0222))
        return QStringLiteral("it is read-only");
    return describe(error, Doing::Changing);
#endif
}

bool renameOver(const QString &from, const QString &to, QString *cause)
{
#ifdef Q_OS_WIN
    if (MoveFileExW(native(from).c_str(), native(to).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
#else
    if (rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return true;
#endif
    *cause = describe(lastError(), Doing::Changing);
    return false;
}

// Writes the bytes it took back over the start of the file, gives the file its old length
// and reads it back: true when it holds exactly its old bytes again.
bool putBack(NativeFile &file, const QByteArray &old, qint64 touched, qint64 oldSize)
{
    const qint64 restore = std::min<qint64>(touched, old.size());
    // The length is set only when the write changed it: setting even the length a file has
    // may need room on some systems (wine's Windows makes it so by writing the last byte).
    if (file.writeAt(0, old.constData(), restore) != restore
        || (file.size() != oldSize && !file.resize(oldSize)) || !file.sync())
        return false;
    QByteArray check(old.size(), Qt::Uninitialized);
    return file.size() == oldSize && file.readAt(0, check.data(), check.size()) && check == old;
}

SaveResult writeInPlace(const QString &path, const QByteArray &bytes)
{
    NativeFile file;
    if (!file.open(path))
        return {Outcome::Unchanged, describe(file.error(), Doing::Changing)};
    if (!file.isRegular())
        return {Outcome::Unchanged, whyNotRegular(path)};
    const qint64 oldSize = file.size();
    const qint64 newSize = bytes.size();
    // Only the old bytes the new ones cover can be overwritten: they are kept to put back.
    QByteArray old(std::max<qint64>(0, std::min(oldSize, newSize)), Qt::Uninitialized);
    if (oldSize < 0 || !file.readAt(0, old.data(), old.size()))
        return {Outcome::Unchanged, describe(file.error(), Doing::Changing)};
    if (!file.reserve(newSize)) {
        const QString cause = describe(file.error(), Doing::Changing);
        // Room set aside in part may have made the file longer.
        if (file.size() != oldSize)
            file.resize(oldSize);
        return {Outcome::Unchanged, cause};
    }
    const qint64 written = file.writeAt(0, bytes.constData(), newSize);
    // The new bytes are on the disk before the old ones past them are cut off.
    if (written == newSize && file.sync() && file.resize(newSize))
        return {Outcome::Saved, QString()};
    const QString cause = describe(file.error(), Doing::Changing);
    return {putBack(file, old, written, oldSize) ? Outcome::PutBack : Outcome::Damaged, cause};
}

} // namespace

QString whyNotRegular(const QString &path)
{
#ifdef Q_OS_WIN
    // Windows keeps pipes and devices out of the folders, and Qt does not see them: a pipe
    // (\\server\pipe\name) or a device (\\.\COM1) has a name of its own, and the old DOS
    // names (CON, NUL, COM1 ...) name a device in every folder. Opening a pipe would take one
    // of its connections, and the console does not open this way: they are known by name.
    static const QRegularExpression special(
            QStringLiteral(R"(^\\\\[^\\]+\\pipe\\|^\\\\[.?]\\(?![a-z]:|unc\\|volume\{))"
                           R"(|(^|\\)(con|prn|aux|nul|com\d|lpt\d|conin\$|conout\$)[ .]*$)"),
            QRegularExpression::CaseInsensitiveOption);
    const QString name = QDir::toNativeSeparators(path);
    if (name.contains(special))
        return QString::fromLatin1(NotRegular);
    // Any other device (a DOS name with an extension, "nul.txt", is one before Windows 11)
    // shows itself when it is opened to read its attributes only.
    const HANDLE probe = CreateFileW(native(path).c_str(), FILE_READ_ATTRIBUTES,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (probe == INVALID_HANDLE_VALUE)
        return QString(); // nothing there, or nothing to tell: opening it says why
    BY_HANDLE_FILE_INFORMATION info;
    const bool disk = GetFileType(probe) == FILE_TYPE_DISK;
    const bool folder = disk && GetFileInformationByHandle(probe, &info)
                        && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    CloseHandle(probe);
    return !disk    ? QString::fromLatin1(NotRegular)
           : folder ? QStringLiteral("it is a folder")
                    : QString();
#else
    const QFileInfo info(path);
    if (!info.exists() || info.isFile())
        return QString();
    return info.isDir() ? QStringLiteral("it is a folder") : QString::fromLatin1(NotRegular);
#endif
}

ReadResult read(const QString &path, qint64 limit)
{
    ReadResult result;
#ifdef Q_OS_WIN
    // A pipe or the console is not even opened (see whyNotRegular).
    if (!(result.cause = whyNotRegular(path)).isEmpty())
        return result;
#endif
    NativeFile file;
    if (!file.openToRead(path)) {
        result.cause = describe(file.error(), Doing::Reading);
        return result;
    }
    // What was opened is looked at, not the name, which may name something else by now.
    if (!file.isRegular()) {
        result.cause = whyNotRegular(path);
        if (result.cause.isEmpty())
            result.cause = QString::fromLatin1(NotRegular);
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
    const QString target = existed ? info.canonicalFilePath() : info.absoluteFilePath();
    const Outcome untouched = existed ? Outcome::Unchanged : Outcome::NotWritten;
    if (existed)
        cause = whyNotReplaceable(target);
    if (!cause.isEmpty())
        return {untouched, cause};

    // The new bytes go to a file of their own beside the old one, which then takes its place.
    NativeFile temp;
    QString tempPath;
    for (int tries = 0; tempPath.isEmpty() && tries < 100; ++tries) {
        const QString name = QStringLiteral("%1.%2").arg(
                target, QString::number(QRandomGenerator::global()->generate(), 36));
        if (temp.create(name))
            tempPath = name;
        else if (!QFileInfo::exists(name))
            break;
    }
    if (tempPath.isEmpty()) {
        if (existed && temp.deniedHere())
            return writeInPlace(target, bytes);
        return {untouched, describe(temp.error(), Doing::Making)};
    }
    temp.takePermissionsOf(target, existed);
    if (temp.writeAt(0, bytes.constData(), bytes.size()) != bytes.size() || !temp.sync()
        || !temp.close()) {
        cause = describe(temp.error(), Doing::Changing);
        temp.close();
        QFile::remove(tempPath);
        return {untouched, cause};
    }
    if (!renameOver(tempPath, target, &cause)) {
        QFile::remove(tempPath);
        return {untouched, cause};
    }
    return {Outcome::Saved, QString()};
}

} // namespace DiskFile
