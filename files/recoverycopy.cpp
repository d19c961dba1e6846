#include "files/recoverycopy.h"

#include "props/compacttable.h"
#include "props/proptextfile.h"

#include <QDataStream>
#include <QDir>
#include <QSaveFile>
#include <QStandardPaths>

namespace RecoveryCopy {

namespace {

// The first bytes of every copy, and the version of what follows them.
const QByteArray Magic = QByteArrayLiteral("ZRM recovery copy\n");
constexpr quint32 Version = 1;

struct Parts
{
    QString filePath;
    qint64 writtenMs = 0;
    QByteArray saved;
    QByteArray packed;
};

std::optional<Parts> split(const QByteArray &bytes)
{
    if (!bytes.startsWith(Magic))
        return std::nullopt;
    QDataStream in(bytes.sliced(Magic.size()));
    in.setVersion(QDataStream::Qt_6_0);
    quint32 version = 0;
    Parts parts;
    in >> version;
    if (version != Version)
        return std::nullopt;
    in >> parts.filePath >> parts.writtenMs >> parts.saved >> parts.packed;
    if (in.status() != QDataStream::Ok || !in.atEnd())
        return std::nullopt;
    return parts;
}

} // namespace

QString folder()
{
    const QString base
            = qEnvironmentVariableIsSet("ZRM_DATA_DIR")
                      ? qEnvironmentVariable("ZRM_DATA_DIR")
                      : QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    return QDir(base).filePath(QStringLiteral("recovery"));
}

QByteArray encode(const Contents &contents)
{
    QByteArray saved;
    if (!PropTextFile::findUnsavable(contents.records)) {
        saved = PropTextFile::serialize(contents.countText, contents.records);
        if (saved.size() > PropTextFile::MaxFileBytes)
            saved.clear();
    }
    QByteArray bytes = Magic;
    QDataStream out(&bytes, QIODevice::WriteOnly | QIODevice::Append);
    out.setVersion(QDataStream::Qt_6_0);
    out << Version << contents.filePath << contents.written.toMSecsSinceEpoch() << saved
        << CompactTable::pack(contents.countText, contents.records);
    return bytes;
}

std::optional<Contents> decode(const QByteArray &bytes)
{
    std::optional<Parts> parts = split(bytes);
    if (!parts)
        return std::nullopt;
    Contents contents;
    contents.filePath = parts->filePath;
    contents.written = QDateTime::fromMSecsSinceEpoch(parts->writtenMs, Qt::UTC);
    if (CompactTable::unpack(parts->packed, contents.countText, contents.records))
        return contents;
    // The packed form is the exact one; the saved bytes still give the list as Save wrote it.
    PropTextFile::ReadResult read = PropTextFile::parse(parts->saved);
    if (parts->saved.isEmpty() || !read.contents)
        return std::nullopt;
    contents.countText = read.contents->countText;
    contents.records = std::move(read.contents->records);
    return contents;
}

QByteArray savedBytes(const QByteArray &encoded)
{
    const std::optional<Parts> parts = split(encoded);
    return parts ? parts->saved : QByteArray();
}

QString write(const QString &path, const QByteArray &bytes)
{
    // QSaveFile syncs the new file before it renames it over the old copy.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return file.errorString();
    return QString();
}

} // namespace RecoveryCopy
