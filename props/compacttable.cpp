#include "props/compacttable.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

// A heap block: the allocator's 8 bytes beside the request, in steps of 16, at least 32.
qint64 heapBlock(qint64 requested)
{
    return std::max<qint64>(32, (requested + 8 + 15) & ~qint64(15));
}

// Before compression each string is a number, 0 for a null string and otherwise
// 1 + (length << 1 | wide), followed by its characters: one byte each when all are below
// 256, else two bytes each in the machine's order. Numbers take 7 bits a byte, low first,
// the high bit set on all but the last.
void putNumber(char *&out, quint64 n)
{
    for (; n >= 0x80; n >>= 7)
        *out++ = char(n | 0x80);
    *out++ = char(n);
}

void putText(char *&out, const QString &text)
{
    if (text.isNull())
        return putNumber(out, 0);
    const qsizetype size = text.size();
    const QChar *chars = text.constData();
    const bool wide = std::any_of(chars, chars + size, [](QChar c) { return c.unicode() > 0xff; });
    putNumber(out, 1 + (quint64(size) << 1 | quint64(wide)));
    if (wide) {
        std::memcpy(out, chars, size * sizeof(QChar));
        out += size * sizeof(QChar);
    } else {
        for (qsizetype i = 0; i < size; ++i)
            *out++ = char(chars[i].unicode());
    }
}

class Reader
{
public:
    explicit Reader(const QByteArray &bytes)
        : m_pos(bytes.constData())
        , m_end(bytes.constData() + bytes.size())
    { }

    bool atEnd() const { return m_ok && m_pos == m_end; }
    bool ok() const { return m_ok; }

    quint64 number()
    {
        quint64 n = 0;
        for (int shift = 0; m_pos < m_end && shift < 64; shift += 7) {
            const auto byte = uchar(*m_pos++);
            n |= quint64(byte & 0x7f) << shift;
            if (!(byte & 0x80))
                return n;
        }
        m_ok = false;
        return 0;
    }

    QString text()
    {
        const quint64 head = number();
        if (head == 0)
            return QString();
        const bool wide = (head - 1) & 1;
        const quint64 size = (head - 1) >> 1;
        const quint64 left = quint64(m_end - m_pos);
        if (size > left || (wide && size * 2 > left)) {
            m_ok = false;
            return QString();
        }
        if (!wide) {
            // Not null even when empty: the start of the bytes is never null.
            const QString text = QString::fromLatin1(m_pos, qsizetype(size));
            m_pos += size;
            return text;
        }
        QString text(qsizetype(size), Qt::Uninitialized);
        std::memcpy(text.data(), m_pos, size * sizeof(QChar));
        m_pos += size * sizeof(QChar);
        return text;
    }

private:
    const char *m_pos;
    const char *m_end;
    bool m_ok = true;
};

} // namespace

namespace CompactTable {

qint64 heldBytes(const QString &text)
{
    // The array header (16 bytes) and the characters with their terminating null.
    return text.isEmpty() ? 0 : heapBlock(16 + 2 * (qint64(text.size()) + 1));
}

qint64 heldBytes(const PropRecord &record)
{
    qint64 bytes = heldBytes(record.name);
    for (const QString &field : record.fields)
        bytes += heldBytes(field);
    return bytes;
}

qint64 heldBytes(const QString &countText, const QVector<PropRecord> &records)
{
    qint64 bytes = heldBytes(countText);
    if (records.capacity() > 0)
        bytes += heapBlock(16 + records.capacity() * qint64(sizeof(PropRecord)));
    for (const PropRecord &record : records)
        bytes += heldBytes(record);
    return bytes;
}

QByteArray pack(const QString &countText, const QVector<PropRecord> &records)
{
    // At most 10 bytes for each number and two for each character.
    auto room = [](const QString &text) {
        return 10 + 2 * qint64(text.size());
    };
    qint64 most = 10 + room(countText);
    for (const PropRecord &record : records) {
        most += room(record.name);
        for (const QString &field : record.fields)
            most += room(field);
    }
    // qCompress keeps the length in 32 bits.
    if (most > std::numeric_limits<qint32>::max())
        return QByteArray();
    QByteArray raw(qsizetype(most), Qt::Uninitialized);
    char *out = raw.data();
    putNumber(out, quint64(records.size()));
    putText(out, countText);
    for (const PropRecord &record : records) {
        for (const QString &field : record.fields)
            putText(out, field);
        putText(out, record.name);
    }
    raw.truncate(out - raw.constData());
    return qCompress(raw, 1);
}

bool unpack(const QByteArray &packed, QString &countText, QVector<PropRecord> &records)
{
    const QByteArray raw = qUncompress(packed);
    Reader in(raw);
    const quint64 size = in.number();
    // Every record takes at least 7 bytes.
    if (!in.ok() || size > quint64(raw.size()) / 7)
        return false;
    QString count = in.text();
    QVector<PropRecord> read(static_cast<qsizetype>(size));
    for (PropRecord &record : read) {
        for (QString &field : record.fields)
            field = in.text();
        record.name = in.text();
    }
    if (!in.atEnd())
        return false;
    countText = std::move(count);
    records = std::move(read);
    return true;
}

} // namespace CompactTable
