#pragma once

#include <QByteArray>
#include <QString>

// Replacing a whole file on disk so that a failure never leaves it damaged, and telling the
// user in words why a file could not be read or written.
namespace DiskFile {

// What a save left on disk.
enum class Outcome {
    Saved, // the file holds the new bytes
    Unchanged, // the old file was not touched
    NotWritten, // there was no file, and there still is none
    PutBack, // written in place, failed part-way; the old bytes were written back and checked
    Damaged, // written in place, failed part-way, and the old bytes could not all be put back
};

struct SaveResult
{
    Outcome outcome = Outcome::Unchanged;
    // Why the save failed, in words: "there is no room left on the disk".
    QString cause;
    // A damaged file's old bytes, kept whole in a copy beside it: the copy's path, or empty.
    QString keptCopy = QString();
};

// Replaces the file at `path` with `bytes`. A link is followed, also one to a file yet to be
// made. While it saves, the file is locked against another save. Where a new file can be made
// beside it that takes the old one's owner, group, permissions, ACL and extended attributes,
// the new bytes go to that temporary file, which then takes the old one's place in one step,
// and the folder is synced. Otherwise (a folder that takes no new files, another user's file,
// a file with more than one name) the file is written in place: its new size is reserved
// before any old byte is touched, a synced copy of the old bytes waits beside it where the
// folder takes new files, and should a write still fail, the old bytes are written back and
// read back to check them.
SaveResult replace(const QString &path, const QByteArray &bytes);

// How every temporary file a save makes beside a file begins; six letters or digits follow.
inline constexpr char TemporaryPrefix[] = ".zrm-";

// How often saves have asked the system to put a file's bytes (files) or a folder's names
// (folders) on the disk, since the program started.
struct Syncs
{
    int files = 0;
    int folders = 0;
};
Syncs syncsSoFar();

// Why `path` is no file to read or replace ("it is a folder"), or the empty text when it
// names a regular file, after following links, or nothing at all. Nothing is read from it:
// a pipe or a device would wait for data that may never come.
QString whyNotRegular(const QString &path);

// What reading a whole file gave.
struct ReadResult
{
    QByteArray bytes;
    // Why it could not be read, in words ("it does not exist"); empty when it was.
    QString cause;
    bool opened = false; // the cause came after the file was opened: a read failed
    bool tooLarge = false; // it holds more than the limit; `bytes` are not all of it
};

// The bytes of the regular file at `path`, at most `limit` of them. Anything but a regular
// file is refused before a byte is read.
ReadResult read(const QString &path, qint64 limit);

} // namespace DiskFile
