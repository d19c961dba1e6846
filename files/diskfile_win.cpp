// DiskFile's system calls on Windows.
#include "files/diskfile_system.h"

#include <QDir>
#include <QRegularExpression>

#include <algorithm>
#include <string>
#include <utility>

#include <windows.h>

namespace DiskFile::System {

namespace {

std::wstring native(const QString &path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

HANDLE handleOf(qintptr handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

qintptr fromHandle(HANDLE handle)
{
    return reinterpret_cast<qintptr>(handle);
}

} // namespace

Cause causeOf(Error error, Doing doing)
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

QString systemWords(Error error)
{
    wchar_t *text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM
                           | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, DWORD(error), 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    QString words = text ? QString::fromWCharArray(text).trimmed() : QString();
    LocalFree(text);
    if (words.endsWith(u'.'))
        words.chop(1);
    return words;
}

Error lastError()
{
    return GetLastError();
}

bool NativeFile::remember(bool ok)
{
    if (!ok)
        m_error = GetLastError();
    return ok;
}

bool NativeFile::create(const QString &path)
{
    m_handle = fromHandle(CreateFileW(native(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                      nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    return remember(handleOf(m_handle) != INVALID_HANDLE_VALUE);
}

bool NativeFile::openToRead(const QString &path)
{
    m_handle = fromHandle(CreateFileW(native(path).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return remember(handleOf(m_handle) != INVALID_HANDLE_VALUE);
}

bool NativeFile::open(const QString &path)
{
    m_handle = fromHandle(CreateFileW(native(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    return remember(handleOf(m_handle) != INVALID_HANDLE_VALUE);
}

bool NativeFile::openLocked(const QString &path)
{
    // Only its attributes are read, and everything stays shared, so that the file may still
    // be replaced; a second writer is kept out by open().
    m_handle = fromHandle(CreateFileW(native(path).c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return remember(handleOf(m_handle) != INVALID_HANDLE_VALUE);
}

qint64 NativeFile::size()
{
    LARGE_INTEGER size;
    return remember(GetFileSizeEx(handleOf(m_handle), &size)) ? size.QuadPart : -1;
}

bool NativeFile::isRegular()
{
    return GetFileType(handleOf(m_handle)) == FILE_TYPE_DISK;
}

qint64 NativeFile::links()
{
    BY_HANDLE_FILE_INFORMATION info;
    return remember(GetFileInformationByHandle(handleOf(m_handle), &info))
                   ? qint64(info.nNumberOfLinks)
                   : 1;
}

qint64 NativeFile::writeAt(qint64 offset, const char *data, qint64 size)
{
    qint64 done = 0;
    while (done < size) {
        const qint64 chunk = std::min<qint64>(size - done, 1 << 24);
        OVERLAPPED at = {};
        at.Offset = DWORD(quint64(offset + done));
        at.OffsetHigh = DWORD(quint64(offset + done) >> 32);
        DWORD written = 0;
        if (!remember(WriteFile(handleOf(m_handle), data + done, DWORD(chunk), &written, &at)))
            break;
        done += qint64(written);
    }
    return done;
}

qint64 NativeFile::readSome(qint64 offset, char *data, qint64 size)
{
    const qint64 chunk = std::min<qint64>(size, 1 << 24);
    OVERLAPPED at = {};
    at.Offset = DWORD(quint64(offset));
    at.OffsetHigh = DWORD(quint64(offset) >> 32);
    DWORD read = 0;
    if (remember(ReadFile(handleOf(m_handle), data, DWORD(chunk), &read, &at)))
        return qint64(read);
    return m_error == ERROR_HANDLE_EOF ? 0 : -1;
}

bool NativeFile::reserve(qint64 size)
{
    if (size <= 0)
        return true;
    // Room set aside below the file's end would cut the file there.
    LARGE_INTEGER end;
    if (GetFileSizeEx(handleOf(m_handle), &end) && size <= end.QuadPart)
        return true;
    FILE_ALLOCATION_INFO allocation;
    allocation.AllocationSize.QuadPart = size;
    if (SetFileInformationByHandle(handleOf(m_handle), FileAllocationInfo, &allocation,
                                   sizeof allocation))
        return true;
    m_error = GetLastError();
    return m_error != ERROR_DISK_FULL && m_error != ERROR_HANDLE_DISK_FULL
           && m_error != ERROR_FILE_TOO_LARGE;
}

bool NativeFile::resize(qint64 size)
{
    LARGE_INTEGER end;
    end.QuadPart = size;
    return remember(SetFilePointerEx(handleOf(m_handle), end, nullptr, FILE_BEGIN)
                    && SetEndOfFile(handleOf(m_handle)));
}

bool NativeFile::sync()
{
    return remember(FlushFileBuffers(handleOf(m_handle)));
}

bool NativeFile::close()
{
    if (handleOf(m_handle) == INVALID_HANDLE_VALUE)
        return true;
    return remember(CloseHandle(handleOf(std::exchange(m_handle, -1))));
}

bool NativeFile::takeOver(NativeFile *)
{
    // ReplaceFileW gives the new file the old one's owner, ACL, attributes and streams; a
    // new file takes the folder's inherited ACL.
    return true;
}

bool NativeFile::deniedHere() const
{
    return m_error == ERROR_ACCESS_DENIED;
}

QString whyNotReplaceable(const QString &path)
{
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
}

QString whyNotRegular(const QString &path)
{
    const QString notRegular = QStringLiteral("it is a pipe or a device, not a regular file");
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
        return notRegular;
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
    return !disk ? notRegular : folder ? QStringLiteral("it is a folder") : QString();
}

bool checkNameBeforeReading()
{
    // A pipe or the console is not even opened (see whyNotRegular).
    return true;
}

bool renameOver(const QString &from, const QString &to, Error *error)
{
    // ReplaceFileW keeps the replaced file's owner, ACL and streams, which a move drops. Wine
    // does not always manage it; a move still replaces the file.
    if (GetFileAttributesW(native(to).c_str()) != INVALID_FILE_ATTRIBUTES
        && ReplaceFileW(native(to).c_str(), native(from).c_str(), nullptr,
                        REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
        return true;
    if (MoveFileExW(native(from).c_str(), native(to).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    *error = GetLastError();
    return false;
}

bool syncFolder(const QString &)
{
    // Windows writes a change of names through (MOVEFILE_WRITE_THROUGH); a folder's own
    // handle cannot be flushed without rights a user seldom has.
    return true;
}

} // namespace DiskFile::System
