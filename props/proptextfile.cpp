#include "props/proptextfile.h"

#include "files/diskfile.h"
#include "props/numbertext.h"
#include "props/proptable.h"
#include "props/windows1252.h"

#include <QDir>
#include <QStringDecoder>
#include <QStringView>

#include <algorithm>
#include <cmath>

namespace PropTextFile {

static_assert(MaxCount == PropTable::MaxRows);

namespace {

constexpr int ItemsPerRecord = PropRecord::FieldCount + 1;

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool isLineEnd(QChar c)
{
    return c == u'\r' || c == u'\n';
}

bool isDelimiter(QChar c)
{
    return c == u',' || isLineEnd(c);
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// True when NumberText::formatDouble would give the token back unchanged. Nearly every
// number in a real file is already in this form, and skipping the conversion for it keeps
// reading a full table fast. With at most 15 significant digits the value converts back to
// the same digits, so only the layout has to be checked.
bool isCanonicalNumber(QStringView token)
{
    const qsizetype size = token.size();
    qsizetype i = 0;
    const bool negative = i < size && token[i] == u'-';
    if (negative)
        ++i;
    const qsizetype integerStart = i;
    while (i < size && isDigit(token[i]))
        ++i;
    const qsizetype integerLength = i - integerStart;
    if (integerLength == 0 || (integerLength > 1 && token[integerStart] == u'0'))
        return false;
    const bool integerIsZero = token[integerStart] == u'0';
    if (i == size)
        return integerIsZero ? !negative : integerLength <= 15;
    if (token[i] != u'.')
        return false;
    const qsizetype fractionStart = ++i;
    while (i < size && isDigit(token[i]))
        ++i;
    const qsizetype fractionLength = size - fractionStart;
    if (i != size || fractionLength == 0 || token[size - 1] == u'0')
        return false;
    if (!integerIsZero)
        return integerLength + fractionLength <= 15;
    // Below 1e-4 the text switches to exponent form.
    qsizetype zeros = 0;
    while (token[fractionStart + zeros] == u'0')
        ++zeros;
    return zeros <= 3 && fractionLength - zeros <= 15;
}

// One item of the stream, still pointing into the decoded text.
struct Item
{
    QStringView text; // the value without quotes or trailing blanks; for a number, its token
    bool number = false;
    bool canonical = false; // a number whose token is already its stored text
    double value = 0; // only read for a number that is not canonical
    qsizetype start = 0;

    QString stored() const
    {
        // Most fields in a real file are 0; sharing one static text for them saves an
        // allocation each.
        if (canonical && text == u"0")
            return QStringLiteral("0");
        if (!number || canonical)
            return text.toString();
        return NumberText::formatDouble(value);
    }

    bool storesAs(const QString &expected) const
    {
        if (!number || canonical)
            return text == expected;
        return NumberText::formatDouble(value) == expected;
    }
};

// Splits decoded file text into items: the file is a stream of values, not a list of lines,
// so a record may span lines or share one. Blanks (spaces and tabs) before an item are
// skipped. A quoted item runs to the next double quote; the rest of it up to a comma or
// line end is dropped. An item that reads as a number up to the first blank, comma or line
// end ends there. Any other item runs to the next comma or line end, without its trailing
// blanks, so a comma or line end with nothing before it is an empty item.
class ItemReader
{
public:
    explicit ItemReader(QStringView text)
        : m_text(text)
    { }

    bool atEnd() const { return m_pos == m_text.size(); }

    // False at the end of the data.
    bool next(Item &item)
    {
        skipBlanks();
        if (atEnd())
            return false;
        item.start = m_pos;
        item.number = false;
        item.canonical = false;
        if (m_text[m_pos] == u'"') {
            readQuoted(item);
            return true;
        }
        qsizetype end = m_pos;
        while (end < m_text.size() && !isBlank(m_text[end]) && !isDelimiter(m_text[end]))
            ++end;
        if (end > m_pos) {
            const QStringView token = m_text.sliced(m_pos, end - m_pos);
            // A tidy number needs no conversion, so its value is not even worked out.
            const bool canonical = isCanonicalNumber(token);
            const std::optional<double> value = canonical ? std::nullopt : NumberText::parse(token);
            if (canonical || value) {
                item.text = token;
                item.number = true;
                item.canonical = canonical;
                item.value = value.value_or(0);
                // A number ends at a blank, which is left for the next item to skip: in
                // "1 ,2" the comma then ends an empty item of its own.
                m_pos = end;
                consumeDelimiter();
                return true;
            }
        }
        while (end < m_text.size() && !isDelimiter(m_text[end]))
            ++end;
        qsizetype last = end;
        while (last > m_pos && isBlank(m_text[last - 1]))
            --last;
        item.text = m_text.sliced(m_pos, last - m_pos);
        m_pos = end;
        consumeDelimiter();
        return true;
    }

private:
    void readQuoted(Item &item)
    {
        const qsizetype open = m_pos + 1;
        const qsizetype close = m_text.indexOf(u'"', open);
        if (close < 0) {
            item.text = m_text.sliced(open);
            m_pos = m_text.size();
            return;
        }
        item.text = m_text.sliced(open, close - open);
        m_pos = close + 1;
        while (m_pos < m_text.size() && !isDelimiter(m_text[m_pos]))
            ++m_pos;
        consumeDelimiter();
    }

    void skipBlanks()
    {
        while (m_pos < m_text.size() && isBlank(m_text[m_pos]))
            ++m_pos;
    }

    // A comma or line end (CR LF, CR or LF) that ends an item goes with it.
    void consumeDelimiter()
    {
        if (atEnd())
            return;
        const QChar c = m_text[m_pos];
        if (c == u',' || c == u'\n') {
            ++m_pos;
        } else if (c == u'\r') {
            ++m_pos;
            if (m_pos < m_text.size() && m_text[m_pos] == u'\n')
                ++m_pos;
        }
    }

    QStringView m_text;
    qsizetype m_pos = 0;
};

// Lines are only counted when an error needs one, so reading stays a single fast pass.
int lineAt(QStringView text, qsizetype pos)
{
    int line = 1;
    for (qsizetype i = 0; i < pos; ++i) {
        if (text[i] == u'\n') {
            ++line;
        } else if (text[i] == u'\r') {
            ++line;
            if (i + 1 < pos && text[i + 1] == u'\n')
                ++i;
        }
    }
    return line;
}

// The line the data ends on: a final line end closes the last line rather than opening an
// empty one.
int lastLine(QStringView text)
{
    qsizetype pos = text.size();
    if (pos > 0 && text[pos - 1] == u'\n')
        --pos;
    if (pos > 0 && text[pos - 1] == u'\r')
        --pos;
    return lineAt(text, pos);
}

ReadResult failure(QString message, int line)
{
    ReadResult result;
    result.error = QStringLiteral("Line %1: %2").arg(QString::number(line), message);
    result.line = line;
    return result;
}

// Props written after the counted ones are not loaded; they are only counted, and other text
// noted, so that the user can be told. Blank lines and blanks at the end say nothing.
void countWhatFollows(ItemReader &reader, QStringView text, Contents &contents)
{
    Item item;
    while (reader.next(item)) {
        // A blank line is an empty item ended by a line end; no prop starts with one.
        if (!item.number && item.text.isEmpty() && isLineEnd(text[item.start]))
            continue;
        bool numbers = item.number;
        int items = 1;
        for (; items < ItemsPerRecord && reader.next(item); ++items)
            numbers = numbers && (items == PropRecord::FieldCount || item.number);
        if (items < ItemsPerRecord || !numbers) {
            contents.textAfter = true;
            return;
        }
        ++contents.propsAfter;
    }
}

void appendLine(QString &out, const PropRecord &record)
{
    for (const QString &field : record.fields) {
        out += field;
        out += u' ';
    }
    out += record.name;
    out += u"\r\n";
}

// Counts the lines up to each position asked for, in one pass over the text however many
// positions are asked for, as long as they come in order.
class LineCounter
{
public:
    explicit LineCounter(QStringView text)
        : m_text(text)
    { }

    int lineAt(qsizetype pos)
    {
        for (; m_pos < pos; ++m_pos) {
            const QChar c = m_text[m_pos];
            // CR LF, CR and LF each end one line.
            if (c == u'\r' || (c == u'\n' && (m_pos == 0 || m_text[m_pos - 1] != u'\r')))
                ++m_line;
        }
        return m_line;
    }

private:
    QStringView m_text;
    qsizetype m_pos = 0;
    int m_line = 1;
};

bool readsAsNumber(const QString &text)
{
    // A field that reads as a number comes back as that number: the reader skips the blanks
    // it may carry and nothing else in it can split the line.
    return isCanonicalNumber(text) || NumberText::parse(text);
}

} // namespace

// Keeps a runaway item (say a whole binary file) from flooding the message, and shows a
// control character other than a tab or a line end (the NULs of a UTF-16 file read byte by
// byte) by its code: a message box would show nothing for it, or end the text there.
QString quoteForMessage(QStringView text)
{
    constexpr qsizetype MaxShown = 40;
    const bool cut = text.size() > MaxShown;
    const QStringView shown
            = !cut ? text
                   : text.first(text[MaxShown - 1].isHighSurrogate() ? MaxShown - 1 : MaxShown);
    QString quoted(1, u'"');
    for (const QChar c : shown) {
        if ((c.unicode() < 0x20 && c != u'\t' && c != u'\r' && c != u'\n') || c.unicode() == 0x7F)
            quoted += QStringLiteral("<U+%1>").arg(c.unicode(), 4, 16, QChar(u'0')).toUpper();
        else
            quoted += c;
    }
    return quoted + (cut ? QStringLiteral("...\"") : QStringLiteral("\""));
}

ReadResult parse(const QByteArray &bytes)
{
    const QString decoded = Windows1252::decode(bytes);
    const QStringView text(decoded);
    ItemReader reader(text);

    Item item;
    if (!reader.next(item))
        return failure(QStringLiteral("the prop count is missing."), lastLine(text));
    if (!item.number && item.text.isEmpty())
        return failure(QStringLiteral("the prop count is missing."), lineAt(text, item.start));
    // A quoted count is text, but one that holds a plain number is still taken.
    const std::optional<double> count = NumberText::parse(item.text);
    if (!count || *count < 0 || *count > MaxCount || std::floor(*count) != *count) {
        return failure(QStringLiteral("the prop count %1 is not a whole number from 0 to %2.")
                               .arg(quoteForMessage(item.text), QString::number(MaxCount)),
                       lineAt(text, item.start));
    }
    const int countValue = int(*count);

    Contents contents;
    contents.countText = QString::number(countValue);
    // Every record takes at least seven characters, so a short file claiming a large count
    // cannot make us reserve much.
    contents.records.reserve(std::min<qsizetype>(countValue, text.size() / ItemsPerRecord + 1));
    contents.lines.reserve(contents.records.capacity());
    LineCounter lines(text);
    // The first field that is not a number, the likely place where items went astray.
    std::optional<Item> strayField;
    int strayRow = 0, strayIndex = 0;
    for (int row = 0; row < countValue; ++row) {
        PropRecord record;
        for (int i = 0; i < ItemsPerRecord; ++i) {
            if (!reader.next(item)) {
                QString message
                        = i == 0 ? QStringLiteral("the file ends early: prop %1 of %2 is missing.")
                                 : QStringLiteral(
                                         "the file ends early: prop %1 of %2 is incomplete.");
                message = message.arg(row + 1).arg(countValue);
                if (strayField) {
                    message += QStringLiteral("\n\nLine %1: prop %2 has %3 as its %4, which is not "
                                              "a number; a line may hold an item too many or "
                                              "too few.")
                                       .arg(lineAt(text, strayField->start))
                                       .arg(strayRow + 1)
                                       .arg(quoteForMessage(strayField->text),
                                            QLatin1String(PropRecord::FieldCaptions[strayIndex]));
                }
                return failure(message, lastLine(text));
            }
            if (i == 0)
                contents.lines.append(lines.lineAt(item.start));
            if (i < PropRecord::FieldCount) {
                record.fields[size_t(i)] = item.stored();
                if (!item.number && !strayField) {
                    strayField = item;
                    strayRow = row;
                    strayIndex = i;
                }
            } else {
                record.name = item.stored();
            }
        }
        contents.records.append(std::move(record));
    }
    countWhatFollows(reader, text, contents);

    ReadResult result;
    result.contents = std::move(contents);
    return result;
}

namespace {

// The count line, when there is one, then one line per record, each ended by CR LF.
QString textOf(const QString *countText, const QVector<PropRecord> &records)
{
    qsizetype size = countText ? countText->size() + 2 : 0;
    for (const PropRecord &record : records) {
        for (const QString &field : record.fields)
            size += field.size() + 1;
        size += record.name.size() + 2;
    }
    QString out;
    out.reserve(size);
    if (countText) {
        out += *countText;
        out += u"\r\n";
    }
    for (const PropRecord &record : records)
        appendLine(out, record);
    return out;
}

} // namespace

QByteArray serialize(const QString &countText, const QVector<PropRecord> &records)
{
    return Windows1252::encode(textOf(&countText, records));
}

QString recordLines(const QVector<PropRecord> &records)
{
    return textOf(nullptr, records);
}

QString namedCharacters(const QStringList &characters)
{
    constexpr int MaxNamed = 10;
    QStringList named;
    for (const QString &c : characters.mid(0, MaxNamed)) {
        // A lone half of a surrogate pair is named by its own code, shown as the replacement
        // character.
        const char32_t code = c.size() == 2 ? QChar::surrogateToUcs4(c[0], c[1]) : c[0].unicode();
        named << QStringLiteral("\"%1\" (U+%2)")
                         .arg(c[0].isSurrogate() && c.size() == 1 ? QStringLiteral("\uFFFD") : c,
                              QString::number(code, 16).toUpper().rightJustified(4, u'0'));
    }
    if (characters.size() > MaxNamed)
        named << QStringLiteral("and %1 more").arg(characters.size() - MaxNamed);
    return named.join(QStringLiteral(", "));
}

ItemCount countItems(QStringView text)
{
    ItemCount result;
    ItemReader reader(text);
    Item item;
    while (reader.next(item)) {
        if (result.items % ItemsPerRecord == 0)
            result.tailStart = item.start;
        ++result.items;
    }
    if (result.items % ItemsPerRecord == 0)
        result.tailStart = text.size();
    return result;
}

std::optional<Problem> findUnsavable(const QVector<PropRecord> &records)
{
    for (int row = 0; row < records.size(); ++row) {
        const PropRecord &record = records.at(row);
        for (int field = 0; field < PropRecord::FieldCount; ++field) {
            const QString &text = record.fields[size_t(field)];
            if (!readsAsNumber(text))
                return Problem{row, field, text};
        }
        if (!nameReadsBack(record.name))
            return Problem{row, NameField, record.name};
    }
    return std::nullopt;
}

QVector<Problem> findFieldsNotNumbers(const QVector<PropRecord> &records)
{
    QVector<Problem> found;
    for (int row = 0; row < records.size(); ++row) {
        const PropRecord &record = records.at(row);
        const auto &fields = record.fields;
        const auto first = std::find_if_not(fields.begin(), fields.end(), readsAsNumber);
        if (first != fields.end())
            found.append(Problem{row, int(first - fields.begin()), *first});
    }
    return found;
}

bool nameReadsBack(const QString &name)
{
    if (!Windows1252::canEncode(name))
        return false;
    // Read the line exactly as it would be written, after six fields that are plain numbers,
    // so that whatever the reader does with the name (blanks, quotes, commas, numbers, line
    // breaks) is judged by the reader itself.
    PropRecord record;
    record.fields.fill(QStringLiteral("0"));
    record.name = name;
    QString line;
    line.reserve(PropRecord::FieldCount * 2 + name.size() + 2);
    appendLine(line, record);

    ItemReader reader(line);
    Item item;
    for (int i = 0; i < ItemsPerRecord; ++i) {
        if (!reader.next(item))
            return false;
    }
    // Anything left over would be read as the start of the next record.
    return reader.atEnd() && item.storesAs(name);
}

namespace {

// The length of the valid UTF-8 sequence at bytes[i], or 0 when there is none: no overlong
// forms, no surrogates, nothing above U+10FFFF.
int utf8SequenceAt(QByteArrayView bytes, qsizetype i)
{
    const auto at = [&](qsizetype k) {
        return quint8(bytes[k]);
    };
    const quint8 lead = at(i);
    if (lead < 0x80)
        return 1;
    int length = 0;
    quint8 low = 0x80, high = 0xBF; // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3, low = lead == 0xE0 ? 0xA0 : 0x80, high = lead == 0xED ? 0x9F : 0xBF;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4, low = lead == 0xF0 ? 0x90 : 0x80, high = lead == 0xF4 ? 0x8F : 0xBF;
    else
        return 0;
    if (i + length > bytes.size() || at(i + 1) < low || at(i + 1) > high)
        return 0;
    for (int k = 2; k < length; ++k) {
        if (at(i + k) < 0x80 || at(i + k) > 0xBF)
            return 0;
    }
    return length;
}

} // namespace

Detected detectEncoding(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return {Encoding::Utf8, 3};
    if (bytes.startsWith("\xFF\xFE"))
        return {Encoding::Utf16LE, 2};
    if (bytes.startsWith("\xFE\xFF"))
        return {Encoding::Utf16BE, 2};
    bool multiByte = false;
    for (qsizetype i = 0; i < bytes.size();) {
        const int length = utf8SequenceAt(bytes, i);
        if (length == 0)
            return {};
        multiByte = multiByte || length > 1;
        i += length;
    }
    return {multiByte ? Encoding::Utf8 : Encoding::Windows1252, 0};
}

Recoded toWindows1252(QByteArrayView bytes, Detected found)
{
    bytes = bytes.sliced(found.markBytes);
    Recoded result;
    if (found.encoding == Encoding::Windows1252) {
        result.bytes = bytes.toByteArray();
        return result;
    }
    QStringDecoder decoder(found.encoding == Encoding::Utf8      ? QStringConverter::Utf8
                           : found.encoding == Encoding::Utf16LE ? QStringConverter::Utf16LE
                                                                 : QStringConverter::Utf16BE,
                           QStringConverter::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    result.malformed = decoder.hasError();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QStringView c = QStringView(text).sliced(i, length);
        // A byte that is not valid comes out as the replacement character, told apart.
        const bool replaced = result.malformed && c == u"\uFFFD";
        if (!replaced && !Windows1252::canEncode(c) && !result.unheld.contains(c))
            result.unheld << c.toString();
        i += length - 1;
    }
    if (result.ok())
        result.bytes = Windows1252::encode(text);
    return result;
}

FileBytes readBytes(const QString &path)
{
    FileBytes result;
    // Read no more than the limit allows, also from a file that does not tell its size.
    DiskFile::ReadResult read = DiskFile::read(path, MaxFileBytes);
    if (!read.cause.isEmpty())
        result.error = QStringLiteral("Cannot %1 %2: %3.")
                               .arg(read.opened ? "read" : "open", QDir::toNativeSeparators(path),
                                    read.cause);
    else if (read.tooLarge)
        result.error = QStringLiteral("Cannot open %1: it is larger than %2 MiB, far too large "
                                      "for a prop list.")
                               .arg(QDir::toNativeSeparators(path))
                               .arg(MaxFileBytes >> 20);
    else
        result.bytes = std::move(read.bytes);
    return result;
}

ReadResult readFile(const QString &path)
{
    FileBytes file = readBytes(path);
    if (!file.error.isEmpty()) {
        ReadResult result;
        result.error = std::move(file.error);
        return result;
    }
    return parse(file.bytes);
}

WriteResult writeFile(const QString &path, const QByteArray &bytes)
{
    const DiskFile::SaveResult saved = DiskFile::replace(path, bytes);
    WriteResult result;
    result.ok = saved.outcome == DiskFile::Outcome::Saved;
    if (result.ok)
        return result;
    // What the file holds now, said plainly.
    QString state;
    switch (saved.outcome) {
    case DiskFile::Outcome::Unchanged:
        state = QStringLiteral("The file was not changed.");
        break;
    case DiskFile::Outcome::NotWritten:
        state = QStringLiteral("No file was written.");
        break;
    case DiskFile::Outcome::PutBack:
        state = QStringLiteral("The file had been written in part; its old contents were "
                               "written back and checked, so it is as it was before.");
        break;
    default:
        state = QStringLiteral("The file had been written in part, and its old contents could "
                               "not all be written back: it is damaged. Save the prop list to "
                               "another file.");
        if (!saved.keptCopy.isEmpty())
            state += QStringLiteral(" Its old contents are kept whole in %1.")
                             .arg(QDir::toNativeSeparators(saved.keptCopy));
        break;
    }
    result.error = QStringLiteral("Cannot save %1: %2.\n\n%3")
                           .arg(QDir::toNativeSeparators(path), saved.cause, state);
    return result;
}

} // namespace PropTextFile
