#include "props/proptextfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

PropRecord prop(const QString &name, const QStringList &fields = QStringList(6, "0"))
{
    PropRecord result;
    std::copy(fields.begin(), fields.end(), result.fields.begin());
    result.name = name;
    return result;
}

} // namespace

// The prop text file: its reader and writer, the checks that keep a saved file readable,
// and the files themselves.
class TestPropTextFile : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected"); // count, then "f1|..|f6|name" rows; or the error
        const auto row = [](const char *tag, const QByteArray &bytes, const QString &expected) {
            QTest::newRow(tag) << bytes << expected;
        };
        row("2 of 3, sharing a line", "2\r\n1 2 3 4 5 6 A,7 8 9 10 11 12 B\r\n0 0 0 0 0 0 C",
            "2 1|2|3|4|5|6|A 7|8|9|10|11|12|B");
        row("count 0", "0\r\n0 0 0 0 0 0 Barrel\r\n", "0");
        row("spanning lines", "+1.0\r\n1 2 3\r\n4 5\r\n6\r\nBarrel\r\n", "1 1|2|3|4|5|6|Barrel");
        row("a blank before a line end is an empty item", "1 \r\n1 2 3 4 5 \r\n6 A\r\n",
            "1 |1|2|3|4|5|");
        row("empty names, in the middle and last", "2\r\n0 0 0 0 0 0 \r\n1 1 1 1 1 1 \r\n",
            "2 0|0|0|0|0|0| 1|1|1|1|1|1|");
        row("numbers normalised",
            "2\r\n10.50 007 -0 +3 1e3 0.00001 X\r\n1234567890123456 12345678901234.56 "
            "9.999999999999999 -1e-400 "
                    + QByteArray(500, '0') + "12.5e-1 -.5 Y",
            "2 10.5|7|0|3|1000|1E-05|X 1.23456789012346E+15|12345678901234.6|10|0|1.25|-0.5|Y");
        row("names", "2\r\n1 2 3 4 5 6 Big Barrel  \t\r\n0 0 0 0 0 0 12 Monkeys\r\n",
            "2 1|2|3|4|5|6|Big_Barrel 0|0|0|0|0|0|12");
        row("quoted", "2\r\n\" 05\",0,0,0,0,0,\"Big, red barrel\" x y\r\n0 0 0 0 0 0 C",
            "2 _05|0|0|0|0|0|Big,_red_barrel 0|0|0|0|0|0|C");
        row("blanks and commas", "1\r\nabc,1 ,2 , 3,4\r\n", "1 abc|1||2||3|4");
        row("empty items, blank line", "1\r\n,,0,\"\",0,\r\n\r\nX", "1 ||0||0||");
        row("bare LF, bare CR, tabs", "2\n1\t2 3 4 5 6 A\n1 2 3 4 5 6 B\r",
            "2 1|2|3|4|5|6|A 1|2|3|4|5|6|B");
        row("empty", "", "Line 1: the prop count is missing.");
        row("blank line 1", "\r\n1\r\n", "Line 1: the prop count is missing.");
        for (const char *count : {"32767.5", "-1", "32768", "\"abc\""})
            row(count, count,
                QString("Line 1: the prop count \"%1\" is not a whole number from 0 "
                        "to 32767.")
                        .arg(QString(count).remove('"')));
        row("prop incomplete", "2\r\n0 0 0 0 0 0 A\r\n0 0 0\r\n",
            "Line 3: the file ends early: prop 2 of 2 is incomplete.");
        row("prop missing", "3\n0 0 0 0 0 0 A\n",
            "Line 2: the file ends early: prop 2 of 3 is missing.");
        row("diagnosed", "3\r\n1 2 3 4 5 6 A\r\n1 2 3 4 5 B\r\n1 2 3 4 5 6 C\r\n",
            "Line 4: the file ends early: prop 3 of 3 is incomplete.\n\nLine 3: prop 2 has \"B\" "
            "as its Z Angle, which is not a number; a line may hold an item too many or too few.");
        row("quotes, bare CR", "1\r\"a\r\nb\n\",0\r\r\n",
            "Line 5: the file ends early: prop 1 of 1 is incomplete.\n\nLine 2: prop 1 has "
            "\"a\r\nb\n\" as its X Position, which is not a number; a line may hold an item too "
            "many or too few.");
    }
    void parse()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        const PropTextFile::ReadResult result = PropTextFile::parse(bytes);
        QStringList actual{result.contents ? result.contents->countText : result.error};
        for (const PropRecord &r :
             result.contents ? result.contents->records : QVector<PropRecord>())
            actual << (QStringList(r.fields.begin(), r.fields.end()) << r.name)
                              .join(u'|')
                              .replace(u' ', u'_');
        QCOMPARE(actual.join(u' '), expected);
        QVERIFY(result.contents || expected.startsWith(QString("Line %1: ").arg(result.line)));
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
        QByteArray bytes = "32767\r\n1 2 3 4 5 6 " + every + "\r\n0 0 0 0 0 0 \xe9t\xe9\x80\r\n";
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
        QCOMPARE(read.contents->records[1].name, QString::fromUtf8("\u00e9t\u00e9\u20ac"));
        QVERIFY(!PropTextFile::findUnsavable(read.contents->records));
        QCOMPARE(PropTextFile::serialize(read.contents->countText, read.contents->records), bytes);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"props.txt"});

        // Files that cannot be read or written are reported, naming them; nothing is left behind.
        const auto none = PropTextFile::readFile(dir.filePath("none.txt"));
        QVERIFY(!none.contents && none.line == 0 && none.error.contains("none.txt"));
        const auto failed = PropTextFile::writeFile(dir.filePath("missing/props.txt"), "0\r\n");
        QVERIFY(!failed.ok && failed.error.contains("missing/props.txt"));
        QVERIFY(QFile::resize(path, PropTextFile::MaxFileBytes + 1));
        QVERIFY(PropTextFile::readFile(path).error.endsWith(
                "larger than 64 MiB, far too large for a prop list."));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"props.txt"});
    }
};

QTEST_GUILESS_MAIN(TestPropTextFile)
#include "tst_proptextfile.moc"
