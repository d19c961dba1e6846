// DiskFile's system calls on Linux and other POSIX systems.
#include "files/diskfile_system.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <utility>

namespace DiskFile::System {

namespace {

// A write past the file-size limit (ulimit -f) sends SIGXFSZ, which by default ends the
// program with every unsaved change. Ignored, the write fails with EFBIG instead and the save
// says so. Done as the program starts, in every program that saves.
const bool fileSizeSignalIgnored = std::signal(SIGXFSZ, SIG_IGN) != SIG_ERR;

QByteArray name(const QString &path)
{
    return QFile::encodeName(path);
}

int fd(qintptr handle)
{
    return int(handle);
}

// Extended attributes that go with a file's contents: the user's own, and its ACL (which sets
// the group bits of the mode as its mask, so it comes before the mode).
bool copiedAttribute(const QByteArray &attribute)
{
    return attribute.startsWith("user.") || attribute == "system.posix_acl_access";
}

// Copies the extended attributes of `from` that go with the file to `to`.
bool copyAttributes(int from, int to)
{
    QByteArray names;
    for (;;) {
        const ssize_t size = flistxattr(from, nullptr, 0);
        if (size < 0)
            return errno == ENOTSUP || errno == ENOSYS;
        names.resize(size);
        const ssize_t got = flistxattr(from, names.data(), size_t(names.size()));
        if (got >= 0) {
            names.resize(got);
            break;
        }
        if (errno != ERANGE)
            return false;
    }
    for (const QByteArray &attribute : names.split('\0')) {
        if (attribute.isEmpty() || !copiedAttribute(attribute))
            continue;
        QByteArray value;
        ssize_t size;
        for (;;) {
            size = fgetxattr(from, attribute.constData(), nullptr, 0);
            if (size < 0)
                break;
            value.resize(size);
            size = fgetxattr(from, attribute.constData(), value.data(), size_t(value.size()));
            if (size >= 0 || errno != ERANGE)
                break;
        }
        if (size < 0) {
            if (errno == ENODATA) // removed meanwhile
                continue;
            return false;
        }
        if (fsetxattr(to, attribute.constData(), value.constData(), size_t(size), 0) != 0)
            return false;
    }
    return true;
}

} // namespace

Cause causeOf(Error error, Doing doing)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return doing == Doing::Reading ? Cause::Missing : Cause::NoFolder;
    case EACCES:
    case EPERM:
        return doing == Doing::Reading ? Cause::NoRead : Cause::NoPermission;
    case EAGAIN:
        return doing == Doing::Locking ? Cause::BeingSaved : Cause::Other;
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

QString systemWords(Error error)
{
    const QString words
            = error == 0 ? QString() : QString::fromLocal8Bit(std::strerror(int(error)));
    return words.left(1).toLower() + words.mid(1);
}

Error lastError()
{
    return errno;
}

bool NativeFile::remember(bool ok)
{
    if (!ok)
        m_error = errno;
    return ok;
}

bool NativeFile::create(const QString &path)
{
    m_handle = ::open(name(path).constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    return remember(m_handle != -1);
}

bool NativeFile::openToRead(const QString &path)
{
    m_handle = ::open(name(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    return remember(m_handle != -1);
}

bool NativeFile::open(const QString &path)
{
    m_handle = ::open(name(path).constData(), O_RDWR | O_CLOEXEC);
    return remember(m_handle != -1);
}

bool NativeFile::openLocked(const QString &path)
{
    // A lock of the open file itself, not of the process: closing another handle of the
    // same file does not drop it. O_NONBLOCK: a pipe put there meanwhile does not wait.
    m_handle = ::open(name(path).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (!remember(m_handle != -1))
        return false;
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    if (fcntl(fd(m_handle), F_OFD_SETLK, &lock) == 0)
        return true;
    // A file system (or a kernel) that keeps no such locks saves unlocked, as before them.
    if (errno != EAGAIN && errno != EACCES)
        return true;
    m_error = EAGAIN;
    ::close(fd(std::exchange(m_handle, -1)));
    return false;
}

qint64 NativeFile::size()
{
    struct stat info;
    return remember(fstat(fd(m_handle), &info) == 0) ? qint64(info.st_size) : -1;
}

bool NativeFile::isRegular()
{
    struct stat info;
    return remember(fstat(fd(m_handle), &info) == 0) && S_ISREG(info.st_mode);
}

qint64 NativeFile::links()
{
    struct stat info;
    return remember(fstat(fd(m_handle), &info) == 0) ? qint64(info.st_nlink) : 1;
}

qint64 NativeFile::writeAt(qint64 offset, const char *data, qint64 size)
{
    qint64 done = 0;
    while (done < size) {
        const qint64 chunk = std::min<qint64>(size - done, 1 << 24);
        const ssize_t written = pwrite(fd(m_handle), data + done, size_t(chunk), offset + done);
        if (written < 0 && errno == EINTR)
            continue;
        if (!remember(written > 0))
            break;
        done += qint64(written);
    }
    return done;
}

qint64 NativeFile::readSome(qint64 offset, char *data, qint64 size)
{
    const qint64 chunk = std::min<qint64>(size, 1 << 24);
    ssize_t read;
    while ((read = pread(fd(m_handle), data, size_t(chunk), offset)) < 0 && errno == EINTR) { }
    return remember(read >= 0) ? qint64(read) : -1;
}

bool NativeFile::reserve(qint64 size)
{
    if (size <= 0)
        return true;
    int result;
    while ((result = posix_fallocate(fd(m_handle), 0, off_t(size))) == EINTR) { }
    m_error = result;
    return result == 0 || result == EOPNOTSUPP || result == ENOSYS || result == EINVAL;
}

bool NativeFile::resize(qint64 size)
{
    return remember(ftruncate(fd(m_handle), off_t(size)) == 0);
}

bool NativeFile::sync()
{
    return remember(fsync(fd(m_handle)) == 0);
}

bool NativeFile::close()
{
    if (m_handle == -1)
        return true;
    return remember(::close(fd(std::exchange(m_handle, -1))) == 0);
}

bool NativeFile::takeOver(NativeFile *original)
{
    struct stat old;
    if (!original || fstat(fd(original->m_handle), &old) != 0) {
        const mode_t mask = umask(0);
        umask(mask);
        return remember(fchmod(fd(m_handle), 0666 & ~mask) == 0);
    }
    // The owner first: changing it may clear the set-id bits, which the mode then puts back.
    if ((old.st_uid != geteuid() || old.st_gid != getegid())
        && !remember(fchown(fd(m_handle), old.st_uid, old.st_gid) == 0))
        return false;
    if (!copyAttributes(fd(original->m_handle), fd(m_handle))) {
        m_error = errno;
        return false;
    }
    return remember(fchmod(fd(m_handle), old.st_mode & 07777) == 0);
}

bool NativeFile::deniedHere() const
{
    return m_error == EACCES || m_error == EPERM;
}

QString whyNotReplaceable(const QString &path)
{
    // The write bits count for root as well, who may write anything.
    struct stat info;
    if (stat(name(path).constData(), &info) == 0 && !(info.st_mode & 0222))
        return QStringLiteral("it is read-only");
    if (access(name(path).constData(), W_OK) == 0)
        return QString();
    return describe(errno, Doing::Changing);
}

QString whyNotRegular(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists() || info.isFile())
        return QString();
    return info.isDir() ? QStringLiteral("it is a folder")
                        : QStringLiteral("it is a pipe or a device, not a regular file");
}

bool checkNameBeforeReading()
{
    return false;
}

bool renameOver(const QString &from, const QString &to, Error *error)
{
    if (rename(name(from).constData(), name(to).constData()) == 0)
        return true;
    *error = errno;
    return false;
}

bool syncFolder(const QString &folder)
{
    const int handle = ::open(name(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (handle == -1)
        return false;
    // Some file systems cannot sync a folder; their names are as safe as they get.
    const bool synced = fsync(handle) == 0 || errno == EINVAL;
    ::close(handle);
    return synced;
}

} // namespace DiskFile::System
