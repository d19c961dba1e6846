#pragma once

#include "props/proprecord.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVector>

#include <optional>

// A recovery copy: what an editor with unsaved changes keeps on disk so that a crash, a kill
// or a power cut does not take them, and where such copies live.
namespace RecoveryCopy {

// The list a copy holds and what it belongs to.
struct Contents
{
    QString countText;
    QVector<PropRecord> records;
    // The file the list was opened from or saved to; empty for a list that never had one.
    QString filePath;
    QDateTime written;
};

// The folder of the copies: `recovery` in $ZRM_DATA_DIR when that is set (tests, a portable
// editor), otherwise in the per-user data folder of the application.
QString folder();

// How the name of every copy ends; its lock is the copy's name with LockSuffix after it.
inline constexpr char CopySuffix[] = ".zrmcopy";
inline constexpr char LockSuffix[] = ".lock";

// The copy's bytes: a header naming the file and the time, the bytes File > Save would write
// for the list (none when Save would refuse it), and the list packed so that nothing about it
// is lost, not even a field that is no number.
QByteArray encode(const Contents &contents);

// What encode() was given; nothing when the bytes are no copy this editor can read.
std::optional<Contents> decode(const QByteArray &bytes);

// The bytes File > Save would write, as held in an encoded copy (empty when there are none).
QByteArray savedBytes(const QByteArray &encoded);

// Writes the copy through a temporary file that takes its place in one step once its bytes
// are on the disk; the empty text, or why it could not be written.
QString write(const QString &path, const QByteArray &bytes);

} // namespace RecoveryCopy
