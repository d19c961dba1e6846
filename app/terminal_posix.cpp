#include "app/terminal.h"

#include <QStringDecoder>

#include <cstdio>
#include <optional>
#include <utility>

namespace Terminal {

namespace {

// The text of `bytes` when they are valid UTF-8.
std::optional<QString> fromUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(bytes);
    return decoder.hasError() ? std::nullopt : std::optional(std::move(text));
}

// `bytes` with each byte that belongs to no UTF-8 character (of one to four bytes) as \xHH.
QString escaped(QByteArrayView bytes)
{
    QString text;
    for (qsizetype i = 0; i < bytes.size();) {
        qsizetype length = 1;
        std::optional<QString> character;
        while (length <= 4 && i + length <= bytes.size()
               && !(character = fromUtf8(bytes.sliced(i, length))))
            ++length;
        if (character) {
            text += *character;
            i += length;
        } else {
            text += QStringLiteral("\\x")
                    + QString::number(uchar(bytes[i++]), 16).rightJustified(2, u'0').toUpper();
        }
    }
    return text;
}

} // namespace

QStringList arguments(int argc, char *argv[], QList<qsizetype> *unreadable)
{
    QStringList result;
    for (int i = 0; i < argc; ++i) {
        const QByteArrayView bytes(argv[i]);
        if (std::optional<QString> text = fromUtf8(bytes)) {
            result << *text;
        } else {
            result << escaped(bytes);
            *unreadable << i;
        }
    }
    return result;
}

void print(const QString &output, const QString &error)
{
    std::fputs(output.toLocal8Bit().constData(), stdout);
    std::fputs(error.toLocal8Bit().constData(), stderr);
}

bool asksForHelp(const QString &)
{
    return false; // "/?" names a file here
}

} // namespace Terminal
