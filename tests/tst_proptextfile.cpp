#include "harness.h"
#include "props/propclipboard.h"
#include "props/proptextfile.h"
#include "props/windows1252.h"

namespace {

PropRecord prop(const QString &name, const QStringList &fields = QStringList(6, "0"))
{
    PropRecord result;
    std::copy(fields.begin(), fields.end(), result.fields.begin());
    result.name = name;
    return result;
}

// Records as "f1|...|f6|name", blanks shown as '_'.
QStringList shown(const QVector<PropRecord> &records)
{
    QStringList lines;
    for (const PropRecord &r : records)
        lines << (QStringList(r.fields.begin(), r.fields.end()) << r.name)
                         .join(u'|')
                         .replace(u' ', u'_');
    return lines;
}

} // namespace

// The prop text file: its reader and writer, the checks that keep a saved file readable,
// and the files themselves.
class TestPropTextFile : public QObject
{
    Q_OBJECT

private slots:
    void parse_data() { addCases("reading.txt", {"bytes", "lines", "read"}); }
    void parse()
    {
        QFETCH(QString, bytes);
        QFETCH(QString, lines);
        QFETCH(QString, read);
        const PropTextFile::ReadResult result = PropTextFile::parse(bytes.toLatin1());
        QStringList actual{result.contents ? result.contents->countText : result.error};
        if (result.contents)
            actual << shown(result.contents->records);
        if (result.contents && result.contents->propsAfter > 0) // not loaded, only counted
            actual << QString("+%1").arg(result.contents->propsAfter);
        if (result.contents && result.contents->textAfter)
            actual << "+text";
        QCOMPARE(actual.join(u' '), read);
        QVERIFY(result.contents || read.startsWith(QString("Line %1: ").arg(result.line)));
        if (!lines.isEmpty()) { // the line each prop starts on
            QStringList starts;
            for (int line : result.contents->lines)
                starts << QString::number(line);
            QCOMPARE(starts.join(u' '), lines);
        }
    }

    void detect_data() { addCases("reading.txt", {"bytes", "found"}); }
    void detect()
    {
        QFETCH(QString, bytes);
        QFETCH(QString, found);
        const QByteArray raw = bytes.toLatin1();
        const PropTextFile::Detected detected = PropTextFile::detectEncoding(raw);
        const char *const names[] = {"Windows-1252", "UTF-8", "UTF-16LE", "UTF-16BE"};
        QString actual = names[int(detected.encoding)]
                         + QString(detected.markBytes > 0 ? " mark: " : ": ");
        const PropTextFile::Recoded recoded = PropTextFile::toWindows1252(raw, detected);
        if (recoded.ok()) {
            const auto read = PropTextFile::parse(recoded.bytes);
            QVERIFY2(read.contents, qPrintable(read.error));
            actual += read.contents->countText;
            for (const PropRecord &r : read.contents->records)
                actual += u' ' + r.name;
        } else {
            actual += recoded.malformed ? QString("malformed")
                                        : "cannot hold " + recoded.unheld.join(u',');
        }
        QCOMPARE(actual, found);
    }

    void paste_data() { addCases("paste.txt", {"text", "room", "copied", "lines", "pasted"}); }
    void paste()
    {
        QFETCH(QString, text);
        QFETCH(QString, room);
        QFETCH(QString, copied);
        QFETCH(QString, lines);
        QFETCH(QString, pasted);
        const PropClipboard::Pasted read = PropClipboard::readPaste(text, room.toInt());
        QCOMPARE(read.error.isEmpty() ? shown(read.records).join(u' ') : read.error, pasted);
        if (!read.error.isEmpty())
            return;
        if (!lines.isEmpty()) { // the line of the text each prop starts on
            QStringList starts;
            for (int line : read.lines)
                starts << QString::number(line);
            QCOMPARE(starts.join(u' '), lines);
        }
        // Copied again, the props paste back the same, and a save writes the copied bytes.
        const QString copy = PropClipboard::copyText(read.records);
        if (!copied.isEmpty())
            QCOMPARE(copy, copied);
        QVERIFY2(PropClipboard::readPaste(copy, room.toInt()).records == read.records,
                 "the copied props paste back other props");
        const QString count = QString::number(read.records.size());
        QCOMPARE(PropTextFile::serialize(count, read.records),
                 Windows1252::encode(count + "\r\n" + copy));
    }

    void writtenAsHeld()
    {
        QCOMPARE(PropTextFile::serialize("0", {}), QByteArray("0\r\n"));
        QCOMPARE(PropTextFile::serialize(
                         "2",
                         {prop("Barrel"), prop("Big Barrel", {"1 5", "-0", "007", "", "x", "6"})}),
                 QByteArray("2\r\n0 0 0 0 0 0 Barrel\r\n1 5 -0 007  x 6 Big Barrel\r\n"));
    }

    void whatWouldNotReadBackIsFound()
    {
        // Fields must read as numbers; a name must come back unchanged in a real file, with
        // the prop after it untouched.
        const QStringList numbers{" 7 ", "+4", ".5", "3.", "1.5E-3", "-0", "1e3"};
        const QStringList notNumbers{"",     "abc", "1,5",   "1 2", "--1",
                                     "0x10", "1e",  "1e400", ".",   "1.2.3"};
        const QStringList names{"Barrel", "Big Barrel", "12Barrels",  "Bar\"rel",      "Bar\trel",
                                "12",     "1E+15",      "Monkeys 12", "F\u00e4\u20ac", ""};
        const QStringList badNames{"\u0100",   "a,b",        "\"Barrel\"", " Barrel", "Barrel ",
                                   "Bar\rrel", "12 Barrels", "12.50",      "007",     "Bad \xd8"};
        for (int field = 0; field < 6; ++field) {
            for (const QString &text : numbers + notNumbers) {
                QStringList fields(6, "0");
                fields[field] = text;
                const auto problem = PropTextFile::findUnsavable({prop("A"), prop("B", fields)});
                QVERIFY2(problem.has_value() == notNumbers.contains(text), qPrintable(text));
                QVERIFY(!problem || (problem->row == 1 && problem->field == field));
            }
        }
        for (const QString &name : names + badNames) {
            const QVector<PropRecord> records{prop(name), prop("C")};
            const auto result = PropTextFile::parse(PropTextFile::serialize("2", records));
            const bool readsBack = names.contains(name);
            QVERIFY2(PropTextFile::nameReadsBack(name) == readsBack
                             && (result.contents && result.contents->records == records)
                                        == readsBack
                             && PropTextFile::findUnsavable(records).has_value() != readsBack,
                     qPrintable(name));
        }
    }

    void filesComeBackByteForByte()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        // Every byte a name can hold comes back, the five the code page leaves undefined too,
        // in a full table.
        QByteArray every("A\0", 2);
        for (int byte = 1; byte < 256; ++byte) {
            if (byte != '\r' && byte != '\n' && byte != ',')
                every += char(byte);
        }
        QByteArray bytes
                = "32767\r\n1 2 3 4 5 6 " + every + "\r\n0 0 0 0 0 0 \xe9t\xe9\x80\x9f\r\n";
        for (int i = 2; i < PropTextFile::MaxCount; ++i)
            bytes += QByteArray::number(i) + " -0.5 1E+15 0 " + QByteArray::number(i % 7 * 2.25)
                     + " 1.5E-05 P\r\n";
        const QString path = dir.filePath("props.txt");
        QVERIFY(PropTextFile::writeFile(path,
                                        "a much longer old file, replaced entirely\r\n" + bytes)
                        .ok);
        QVERIFY(PropTextFile::writeFile(path, bytes).ok);
        const auto read = PropTextFile::readFile(path);
        QVERIFY(read.contents);
        QCOMPARE(read.contents->records[1].name, QString::fromUtf8("\u00e9t\u00e9\u20ac\u0178"));
        QVERIFY(!PropTextFile::findUnsavable(read.contents->records));
        QCOMPARE(PropTextFile::serialize(read.contents->countText, read.contents->records), bytes);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"props.txt"});

        // Files that cannot be read or written are reported, naming them; nothing is left behind.
        const auto none = PropTextFile::readFile(dir.filePath("none.txt"));
        QVERIFY(!none.contents && none.line == 0 && none.error.contains("none.txt"));
        const auto failed = PropTextFile::writeFile(dir.filePath("missing/props.txt"), "0\r\n");
        QVERIFY(!failed.ok && failed.error.contains(QDir::toNativeSeparators("missing/props.txt")));
        QVERIFY(QFile::resize(path, PropTextFile::MaxFileBytes + 1));
        QVERIFY(PropTextFile::readFile(path).error.endsWith(
                "larger than 64 MiB, far too large for a prop list."));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"props.txt"});
    }
};

QTEST_GUILESS_MAIN(TestPropTextFile)
#include "tst_proptextfile.moc"
