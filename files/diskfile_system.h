#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// The system calls under DiskFile: one file for each system (diskfile_posix.cpp,
// diskfile_win.cpp) holds what this declares, so that the save itself reads the same on both.
namespace DiskFile::System {

// The number of the system's last error: errno, or Windows' GetLastError().
using Error = qint64;

// What a failed call was trying to do, which decides how a refusal is put in words.
enum class Doing { Reading, Making, Changing, Locking };

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
    BeingSaved,
    Other
};

Cause causeOf(Error error, Doing doing);
// The system's own words for an error none of the editor's words fit, or the empty text.
QString systemWords(Error error);
Error lastError();

// An open file with the last error the system gave for it.
class NativeFile
{
public:
    NativeFile() = default;
    NativeFile(const NativeFile &) = delete;
    NativeFile &operator=(const NativeFile &) = delete;
    ~NativeFile() { close(); }

    // A new file, made only if no file of that name exists, that only its maker may read.
    bool create(const QString &path);
    // Opening a pipe for reading does not wait for a writer: nothing is read from anything
    // but a regular file.
    bool openToRead(const QString &path);
    // To write in place. On Windows no other program may write it meanwhile.
    bool open(const QString &path);
    // Holds the file against another save for as long as this stays open: false when
    // another program holds it (the error then means "being saved" when Locking). Where the
    // system has no such lock (Windows, whose in-place open refuses a second writer) it only
    // opens the file to look at it.
    bool openLocked(const QString &path);

    qint64 size();
    bool isRegular();
    // How many names the file has in its file system (hard links), or 1 when unknown.
    qint64 links();

    // How many of the bytes were written from `offset` on before a write failed.
    qint64 writeAt(qint64 offset, const char *data, qint64 size);
    // How many bytes from `offset` on were read into `data` (0 at the end of the file), or
    // -1 when the read failed.
    qint64 readSome(qint64 offset, char *data, qint64 size);
    // Reads exactly `size` bytes from `offset` on.
    bool readAt(qint64 offset, char *data, qint64 size)
    {
        for (qint64 done = 0, read; done < size; done += read)
            if ((read = readSome(offset + done, data + done, size - done)) <= 0)
                return false;
        return true;
    }
    // Makes the disk set aside room for `size` bytes, so that writing them cannot run out of
    // room part-way. True also where the file system cannot set room aside.
    bool reserve(qint64 size);
    bool resize(qint64 size);
    bool sync();
    bool close();

    // Gives this new file what makes `original` the file it is besides its bytes: its owner
    // and group, ACL, extended attributes and permissions, or, with none, the permissions any
    // new file of the user's gets. False when any of them cannot be kept: the original is
    // then to be written in place. Where replacing a file keeps all this itself (Windows),
    // there is nothing to do.
    bool takeOver(NativeFile *original);

    Error error() const { return m_error; }
    // The folder takes no new files (or refuses to let this file replace another there).
    bool deniedHere() const;

private:
    bool remember(bool ok);

    qintptr m_handle = -1; // a file descriptor, or a HANDLE (INVALID_HANDLE_VALUE is -1)
    Error m_error = 0;
};

// Why a file that exists may not be replaced, or the empty text: it is read-only, or held by
// another program.
QString whyNotReplaceable(const QString &path);
// The part of DiskFile::whyNotRegular() that depends on the system.
QString whyNotRegular(const QString &path);
// Whether a file's name must be looked at before it is opened to read (Windows: a pipe or
// the console would be opened, not looked at).
bool checkNameBeforeReading();

// Moves `from` over the file `to`, which keeps, where the system can, its security settings
// and other streams.
bool renameOver(const QString &from, const QString &to, Error *error);
// Makes a change of names in the folder last through a power cut. True also where the file
// system cannot do that.
bool syncFolder(const QString &folder);

// Why a call failed, in words that finish "Cannot save FILE: ...". Shared by both systems.
QString describe(Error error, Doing doing);

} // namespace DiskFile::System
