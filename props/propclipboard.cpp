#include "props/propclipboard.h"

#include "props/numbertext.h"
#include "props/proptextfile.h"
#include "props/windows1252.h"

#include <QSet>
#include <QStringList>
#include <QStringView>

#include <algorithm>

namespace PropClipboard {

namespace {

namespace Texts {
const char *const NoProp = "The clipboard holds no prop: a prop is a line of a prop text file, "
                           "six numbers and a name, such as \"0 0 0 0 0 0 Barrel\".";
const char *const Unheld = "The clipboard holds characters that Windows-1252, the text of prop "
                           "files, cannot hold: %1. Replace them, and copy the text again.";
const char *const NoWholeProp = "The clipboard holds no whole prop: %1 is %2 of the seven a prop "
                                "needs (six numbers and a name).";
const char *const Incomplete = "The clipboard's text does not end with a whole prop: after %1 "
                               "comes %2, %3 of the seven a prop needs (six numbers and a name).";
const char *const ItemsHint = " Copy whole lines, and look for a line with an item too many or "
                              "too few: a comma ends an item, and an item that is not a number "
                              "runs to the next comma or line end.";
const char *const CountHint = " The first line, %1, was read as part of a prop: a first line "
                              "that is only a number is skipped only when it is the number of "
                              "props after it.";
const char *const TooMany = "The clipboard holds %1, but the prop list can take only %2 more: it "
                            "holds %3, and %4 props is the most the editor allows.";
} // namespace Texts

constexpr int ItemsPerProp = PropRecord::FieldCount + 1;

QString props(qsizetype n)
{
    return n == 1 ? QStringLiteral("1 prop") : QStringLiteral("%1 props").arg(n);
}

bool isBlankOrLineEnd(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

// Where the line end at `pos` (CR LF, CR or LF) is over; `pos` itself when there is none.
qsizetype afterLineEnd(QStringView text, qsizetype pos)
{
    if (pos < text.size() && text[pos] == u'\r')
        return pos + 1 < text.size() && text[pos + 1] == u'\n' ? pos + 2 : pos + 1;
    return pos < text.size() && text[pos] == u'\n' ? pos + 1 : pos;
}

// Blank lines before and after the props, as a text editor's selection often has, would each
// be an empty item. The line end after the last line stays: it ends that prop's name, which
// is an item only when something ends it (an empty name).
QStringView withoutBlankLines(QStringView text)
{
    qsizetype start = 0;
    while (start < text.size() && isBlankOrLineEnd(text[start]))
        ++start;
    qsizetype end = text.size();
    while (end > start && isBlankOrLineEnd(text[end - 1]))
        --end;
    while (end < text.size() && (text[end] == u' ' || text[end] == u'\t'))
        ++end;
    return text.sliced(start, afterLineEnd(text, end) - start);
}

// Each character that has no byte in Windows-1252, once, in the order found; a surrogate pair
// is one character.
QStringList unheldCharacters(QStringView text)
{
    QStringList unheld;
    if (Windows1252::canEncode(text))
        return unheld;
    // A set, so that a long text full of such characters is still looked through at once.
    QSet<char32_t> seen;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool pair
                = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        const QStringView c = text.sliced(i, pair ? 2 : 1);
        const char32_t code = pair ? QChar::surrogateToUcs4(c[0], c[1]) : c[0].unicode();
        if (!Windows1252::canEncode(c) && !seen.contains(code)) {
            seen.insert(code);
            unheld << c.toString();
        }
        i += pair ? 1 : 0;
    }
    return unheld;
}

// How many lines end before `pos`: CR LF, CR and LF each end one.
int linesBefore(QStringView text, qsizetype pos)
{
    int lines = 0;
    for (qsizetype i = 0; i < pos; ++i) {
        if (text[i] == u'\n' || (text[i] == u'\r' && (i + 1 == pos || text[i + 1] != u'\n')))
            ++lines;
    }
    return lines;
}

Pasted refused(const QString &message)
{
    Pasted result;
    result.error = message;
    return result;
}

} // namespace

QString copyText(const QVector<PropRecord> &records)
{
    return PropTextFile::recordLines(records);
}

Pasted readPaste(const QString &text, int room)
{
    const QStringList unheld = unheldCharacters(text);
    if (!unheld.isEmpty())
        return refused(
                QString::fromLatin1(Texts::Unheld).arg(PropTextFile::namedCharacters(unheld)));

    const QStringView body = withoutBlankLines(text);
    const qsizetype firstLineEnd = std::find_if(body.begin(), body.end(),
                                                [](QChar c) { return c == u'\r' || c == u'\n'; })
                                   - body.begin();
    // A whole prop text file pastes: its count line is the one line that is only a number, the
    // number of props after it. Any other first line starts the first prop.
    QStringView propText = body;
    PropTextFile::ItemCount items;
    bool counted = false;
    const std::optional<double> first = NumberText::parse(body.first(firstLineEnd));
    if (first) {
        const QStringView afterFirst = body.sliced(afterLineEnd(body, firstLineEnd));
        items = PropTextFile::countItems(afterFirst);
        counted = *first == double(items.items / ItemsPerProp);
        if (counted)
            propText = afterFirst;
    }
    if (!counted)
        items = PropTextFile::countItems(body);

    const qsizetype count = items.items / ItemsPerProp;
    if (items.items == 0)
        return refused(QString::fromLatin1(Texts::NoProp));
    // What the last items were meant to be is not known (a line cut short, or a comma in a
    // name that moved every later item): the user decides, rather than losing them unaware.
    const qsizetype leftOver = items.items % ItemsPerProp;
    if (leftOver > 0) {
        const QString tail
                = PropTextFile::quoteForMessage(propText.sliced(items.tailStart).trimmed());
        const QString itemCount = leftOver == 1 ? QStringLiteral("1 item")
                                                : QStringLiteral("%1 items").arg(leftOver);
        QString message = count == 0 ? QString::fromLatin1(Texts::NoWholeProp).arg(tail, itemCount)
                                     : QString::fromLatin1(Texts::Incomplete)
                                               .arg(props(count), tail, itemCount);
        message += QString::fromLatin1(Texts::ItemsHint);
        if (first && !counted)
            message += QString::fromLatin1(Texts::CountHint)
                               .arg(PropTextFile::quoteForMessage(
                                       body.first(firstLineEnd).trimmed()));
        return refused(message);
    }
    room = std::clamp(room, 0, PropTextFile::MaxCount);
    if (count > room) {
        return refused(QString::fromLatin1(Texts::TooMany)
                               .arg(props(count), QString::number(room),
                                    props(PropTextFile::MaxCount - room),
                                    QString::number(PropTextFile::MaxCount)));
    }
    PropTextFile::ReadResult read = PropTextFile::parse(QByteArray::number(count) + "\r\n"
                                                        + Windows1252::encode(propText));
    if (!read.contents) // cannot happen: the items were counted by the same reader
        return refused(read.error);
    Pasted result;
    result.records = std::move(read.contents->records);
    // The reader counted the count line put in front; the text's own lines before the props
    // (blank lines, its count line) are counted here.
    const int before = linesBefore(text, propText.data() - text.constData());
    result.lines = std::move(read.contents->lines);
    for (int &line : result.lines)
        line += before - 1;
    return result;
}

} // namespace PropClipboard
