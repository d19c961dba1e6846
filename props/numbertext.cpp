#include "props/numbertext.h"

#include <QVarLengthArray>

#include <algorithm>
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

// A bound for powers of ten far beyond any double, so that counting cannot overflow.
constexpr qint64 Huge = qint64(1) << 40;

} // namespace

std::optional<double> parse(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    if (begin == end)
        return std::nullopt;

    // Validate the shape by hand (and copy it into a byte buffer) so that no
    // locale-dependent or over-lenient conversion ever sees the text.
    QVarLengthArray<char, 64> buffer;
    qsizetype i = begin;
    bool negative = false;
    if (text[i] == u'+' || text[i] == u'-') {
        negative = text[i] == u'-';
        ++i;
    }
    // The power of ten of the first digit that is not 0, to tell an overflow from an
    // underflow; only its sign matters.
    qint64 magnitude = 0;
    bool significant = false;
    int digits = 0;
    for (bool fraction = false; i < end; ++i) {
        const QChar c = text[i];
        if (c == u'.' && !fraction) {
            fraction = true;
        } else if (isDigit(c)) {
            ++digits;
            if (!fraction && (significant || c != u'0')) {
                significant = true;
                magnitude = std::min<qint64>(magnitude + 1, Huge);
            } else if (fraction && !significant) {
                significant = c != u'0';
                magnitude -= !significant;
            }
        } else {
            break;
        }
        buffer.append(char(c.unicode()));
    }
    if (digits == 0)
        return std::nullopt;
    if (i < end && (text[i] == u'e' || text[i] == u'E')) {
        buffer.append('e');
        ++i;
        bool negativeExponent = false;
        if (i < end && (text[i] == u'+' || text[i] == u'-')) {
            negativeExponent = text[i] == u'-';
            buffer.append(char(text[i++].unicode()));
        }
        qint64 exponent = 0;
        const qsizetype exponentStart = i;
        for (; i < end && isDigit(text[i]); ++i) {
            buffer.append(char(text[i].unicode()));
            exponent = std::min<qint64>(exponent * 10 + text[i].digitValue(), Huge);
        }
        if (i == exponentStart)
            return std::nullopt;
        magnitude += negativeExponent ? -exponent : exponent;
    }
    if (i != end)
        return std::nullopt;

    double value = 0;
    const auto result = std::from_chars(buffer.begin(), buffer.end(), value);
    if (result.ptr != buffer.end())
        return std::nullopt;
    if (result.ec == std::errc::result_out_of_range) {
        // Too small for a double reads as 0; too large is no number at all, since a
        // saved file could not give it back.
        if (magnitude > 0)
            return std::nullopt;
        value = 0;
    } else if (result.ec != std::errc() || !std::isfinite(value)) {
        return std::nullopt;
    }
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
