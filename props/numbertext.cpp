#include "props/numbertext.h"

#include <charconv>
#include <cmath>

namespace NumberText {

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

std::optional<double> parse(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;

    // Validate the shape by hand (and copy it into a byte buffer) so that no
    // locale-dependent or over-lenient conversion ever sees the text.
    constexpr qsizetype MaxLength = 400;
    if (end - begin == 0 || end - begin > MaxLength)
        return std::nullopt;
    char buffer[MaxLength + 1];
    int length = 0;
    qsizetype i = begin;
    bool negative = false;
    if (text[i] == u'+' || text[i] == u'-') {
        negative = text[i] == u'-';
        ++i;
    }
    int digits = 0;
    while (i < end && isDigit(text[i])) {
        buffer[length++] = char(text[i++].unicode());
        ++digits;
    }
    if (i < end && text[i] == u'.') {
        buffer[length++] = '.';
        ++i;
        while (i < end && isDigit(text[i])) {
            buffer[length++] = char(text[i++].unicode());
            ++digits;
        }
    }
    if (digits == 0)
        return std::nullopt;
    if (i < end && (text[i] == u'e' || text[i] == u'E')) {
        buffer[length++] = 'e';
        ++i;
        if (i < end && (text[i] == u'+' || text[i] == u'-'))
            buffer[length++] = char(text[i++].unicode());
        int exponentDigits = 0;
        while (i < end && isDigit(text[i])) {
            buffer[length++] = char(text[i++].unicode());
            ++exponentDigits;
        }
        if (exponentDigits == 0)
            return std::nullopt;
    }
    if (i != end)
        return std::nullopt;

    double value = 0;
    const auto result = std::from_chars(buffer, buffer + length, value);
    if (result.ec != std::errc() || result.ptr != buffer + length || !std::isfinite(value))
        return std::nullopt;
    return negative ? -value : value;
}

QString format(double value, int digits)
{
    if (value == 0)
        return QStringLiteral("0");
    QString text = QString::number(value, 'g', digits);
    const qsizetype e = text.indexOf(u'e');
    if (e >= 0)
        text[e] = u'E';
    return text;
}

} // namespace NumberText
