#include "props/numbertext.h"

#include <QVarLengthArray>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

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

// The largest values to `digits` significant digits cut toward zero, in format()'s exponent
// form; only for values of 1e308 and beyond, whose text always has an exponent.
QString cutTowardZero(double value, int digits)
{
    // Seventeen digits tell a double exactly; the digits beyond `digits` are dropped.
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, std::abs(value),
                                   std::chars_format::scientific, 16)
                             .ptr;
    const std::string_view text(buffer, std::size_t(end - buffer));
    const std::size_t e = text.find('e');
    std::string cut(value < 0 ? "-" : "");
    cut += text.substr(0, 1);
    const std::size_t point = cut.size();
    cut += text.substr(2, std::size_t(std::clamp(digits, 1, 17) - 1));
    while (cut.size() > point && cut.back() == '0')
        cut.pop_back();
    if (cut.size() > point)
        cut.insert(point, 1, '.');
    cut += 'E';
    cut += text.substr(e + 1);
    return QString::fromLatin1(cut.data(), qsizetype(cut.size()));
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

namespace {

// The text format() gives, made straight from the shortest digits that read back as `value`
// when there are no more than `digits` of them: rounding the value to `digits` digits then
// changes none of them (a normal double lies far closer to its shortest digits than to any
// rounding boundary), so Qt's exact but slower formatting is not needed. Nothing otherwise.
std::optional<QString> exactFormat(double value, int digits)
{
    if (!std::isnormal(value))
        return std::nullopt;
    char buf[40];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
    if (r.ec != std::errc())
        return std::nullopt;
    const char *p = buf;
    const bool negative = *p == '-';
    p += negative;
    const char *e = static_cast<const char *>(std::memchr(p, 'e', size_t(r.ptr - p)));
    if (!e)
        return std::nullopt;
    char mantissa[24];
    int count = 0;
    for (const char *c = p; c < e; ++c) {
        if (*c != '.')
            mantissa[count++] = *c;
    }
    if (count > digits)
        return std::nullopt;
    int exponent = 0;
    std::from_chars(e + 1 + (e[1] == '+'), r.ptr, exponent);
    QString text;
    text.reserve(32);
    if (negative)
        text += u'-';
    if (exponent < -4 || exponent >= digits) {
        text += QLatin1Char(mantissa[0]);
        if (count > 1) {
            text += u'.';
            text += QLatin1String(mantissa + 1, count - 1);
        }
        text += exponent < 0 ? u"E-" : u"E+";
        const int magnitude = exponent < 0 ? -exponent : exponent;
        if (magnitude < 10)
            text += u'0';
        text += QString::number(magnitude);
    } else if (exponent < 0) {
        text += u"0.";
        text += QString(-exponent - 1, u'0');
        text += QLatin1String(mantissa, count);
    } else {
        const int whole = exponent + 1;
        text += QLatin1String(mantissa, std::min(count, whole));
        if (count < whole)
            text += QString(whole - count, u'0');
        if (count > whole) {
            text += u'.';
            text += QLatin1String(mantissa + whole, count - whole);
        }
    }
    return text;
}

} // namespace

QString format(double value, int digits)
{
    if (value == 0)
        return QStringLiteral("0");
    if (std::optional<QString> text = exactFormat(value, digits))
        return *std::move(text);
    QString text = QString::number(value, 'g', digits);
    // Rounding to `digits` digits may go past the largest double, and that text would read
    // back as no number: the digits are then cut toward zero instead.
    if (std::abs(value) >= 1e308 && std::isfinite(value) && !parse(text))
        return cutTowardZero(value, digits);
    const qsizetype e = text.indexOf(u'e');
    if (e >= 0)
        text[e] = u'E';
    return text;
}

} // namespace NumberText
