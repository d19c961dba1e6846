#include "props/windows1252.h"

namespace Windows1252 {

namespace {

// The characters of the bytes 0x80..0x9F; every other byte is the character of its number.
constexpr char16_t HighControls[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool isHighControl(char16_t c)
{
    return c >= 0x80 && c < 0xA0;
}

// The byte of one character, or -1.
int byteOf(char16_t c)
{
    if (c < 0x100 && !isHighControl(c))
        return c;
    for (int i = 0; i < 32; ++i) {
        if (HighControls[i] == c)
            return 0x80 + i;
    }
    return -1;
}

} // namespace

QString decode(QByteArrayView bytes)
{
    QString text = QString::fromLatin1(bytes);
    for (QChar &c : text) {
        if (isHighControl(c.unicode()))
            c = QChar(HighControls[c.unicode() - 0x80]);
    }
    return text;
}

bool canEncode(QStringView text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x80 && byteOf(c.unicode()) < 0)
            return false;
    }
    return true;
}

QByteArray encode(QStringView text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char *out = bytes.data();
    for (const QChar c : text) {
        const int byte = c.unicode() < 0x80 ? c.unicode() : byteOf(c.unicode());
        *out++ = byte < 0 ? '?' : char(byte);
    }
    return bytes;
}

} // namespace Windows1252
