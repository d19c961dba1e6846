#pragma once

#include "props/proprecord.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVector>

#include <optional>

// The prop text file: turning its bytes into a prop list and back, the checks that keep a
// saved file readable, and the thin layer that reads and writes it on disk.
namespace PropTextFile {

// A file never holds more props than the table can (row indexes are 16-bit signed values).
constexpr int MaxCount = 32767;

// Far more than any prop list needs: a larger file is not read, and a list that would make
// one is not saved, so the editor never writes what it could not open again.
constexpr qint64 MaxFileBytes = 64 << 20;

// What a file holds: the prop count, as the canonical text of a whole number, and exactly
// that many records.
struct Contents
{
    QString countText;
    QVector<PropRecord> records;
    // The 1-based line of the file where each record starts.
    QVector<int> lines;
    // What follows the counted props, which is not read into the records: how many complete
    // props (six numbers and a name), and whether other text follows as well.
    int propsAfter = 0;
    bool textAfter = false;
};

// Either contents, or an error message (which already names the line) and the 1-based line
// of the problem; line is 0 when the file itself could not be read.
struct ReadResult
{
    std::optional<Contents> contents;
    QString error;
    int line = 0;
};

// Reads a whole file's bytes (Windows-1252). Numbers are stored as their shortest
// text ("10.50" -> "10.5"); anything else, including a field that is not a number, is stored
// as read. Refuses a missing or bad count and a file that ends before the last prop.
ReadResult parse(const QByteArray &bytes);

// The file's bytes (Windows-1252): the count line exactly as held, then one line per record.
// The caller keeps countText equal to the number of records.
QByteArray serialize(const QString &countText, const QVector<PropRecord> &records);

// The records' lines as serialize() writes them, each ended by CR LF, without a count line.
QString recordLines(const QVector<PropRecord> &records);

// Characters that Windows-1252 cannot hold, for a message: each quoted with its code, the first
// ten and how many more, enough to find them by (a text of Chinese names need not list every
// one).
QString namedCharacters(const QStringList &characters);

// How many items decoded file text holds, read as parse() reads them (a record takes seven),
// and where the items after the last whole record start: the text's size when none follow.
struct ItemCount
{
    qsizetype items = 0;
    qsizetype tailStart = 0;
};
ItemCount countItems(QStringView text);

// Marks the name in Problem::field.
constexpr int NameField = -1;

// A record that would not read back from a saved file: its 0-based row, the field (0..5, or
// NameField) and the offending text.
struct Problem
{
    int row = -1;
    int field = NameField;
    QString text;
};

// The first record whose fields are not all numbers or whose name would not read back;
// nothing when every record can be saved.
std::optional<Problem> findUnsavable(const QVector<PropRecord> &records);

// Every record with a field that does not read as a number, each with the first such field.
QVector<Problem> findFieldsNotNumbers(const QVector<PropRecord> &records);

// The text in double quotes, cut short with "..." when it is long, for a message.
QString quoteForMessage(QStringView text);

// True when a prop with this name would be read back from a saved file with the same name.
bool nameReadsBack(const QString &name);

// How a file's bytes are written, as far as they tell: Windows-1252 unless they plainly say
// otherwise.
enum class Encoding { Windows1252, Utf8, Utf16LE, Utf16BE };

struct Detected
{
    Encoding encoding = Encoding::Windows1252;
    // The byte order mark the file starts with (0 when none); never part of the text.
    int markBytes = 0;
};

// UTF-8 when the bytes start with its mark, or when they hold a valid multi-byte sequence
// and nothing that is not UTF-8; UTF-16 only with its mark.
Detected detectEncoding(QByteArrayView bytes);

// A file's text after its mark, as the Windows-1252 bytes that parse() reads. When the text
// holds characters Windows-1252 cannot hold (each named once, in the order found) or bytes
// that are not valid in its encoding, it cannot be read this way.
struct Recoded
{
    QByteArray bytes;
    QStringList unheld;
    bool malformed = false;
    bool ok() const { return unheld.isEmpty() && !malformed; }
};
Recoded toWindows1252(QByteArrayView bytes, Detected found);

// A whole file's bytes, or an error that names the file and the reason.
struct FileBytes
{
    QByteArray bytes;
    QString error;
};
FileBytes readBytes(const QString &path);

// parse() on the file's bytes; when the file cannot be read, an error naming the reason.
ReadResult readFile(const QString &path);

// ok, or the message that says why the file could not be saved and what it holds now.
struct WriteResult
{
    bool ok = false;
    QString error;
};

// Replaces the file with `bytes`; a failure never leaves the old file damaged where the system
// lets it be put back (see DiskFile::replace).
WriteResult writeFile(const QString &path, const QByteArray &bytes);

} // namespace PropTextFile
