#include "props/proptextfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>

namespace {

PropRecord prop(const QString &name, const QStringList &fields = QStringList(6, "0"))
{
    PropRecord result;
    std::copy(fields.begin(), fields.end(), result.fields.begin());
    result.name = name;
    return result;
}

} // namespace

class TestPropTextFile : public QObject
{
    Q_OBJECT

private slots:
    void serialize()
    {
        QCOMPARE(PropTextFile::serialize("0", {}), QByteArray("0\r\n"));
        QCOMPARE(PropTextFile::serialize("2", {prop("Barrel"), prop("Crate")}),
                 QByteArray("2\r\n0 0 0 0 0 0 Barrel\r\n0 0 0 0 0 0 Crate\r\n"));
        // Held text is written as it is, not normalised.
        QCOMPARE(PropTextFile::serialize("1",
                                         {prop("Big Barrel", {"1 5", "-0", "007", "", "x", "6"})}),
                 QByteArray("1\r\n1 5 -0 007  x 6 Big Barrel\r\n"));
    }

    void parse_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("expected"); // count, "f0|..|f5|name" rows; or error
        const auto row = [](const char *tag, const QByteArray &bytes, const QStringList &expected) {
            QTest::newRow(tag) << bytes << expected;
        };
        row("2 of 3, sharing a line", "2\r\n1 2 3 4 5 6 A,7 8 9 10 11 12 B\r\n0 0 0 0 0 0 C",
            {"2", "1|2|3|4|5|6|A", "7|8|9|10|11|12|B"});
        row("count 0", "0\r\n0 0 0 0 0 0 Barrel\r\n", {"0"});
        row("count normalised, spans lines", "+1.0\r\n1 2 3\r\n4 5\r\n6\r\nBarrel\r\n",
            {"1", "1|2|3|4|5|6|Barrel"});
        row("blank before a line end is an empty item", "1 \r\n1 2 3 4 5 \r\n6 A\r\n",
            {"1", "|1|2|3|4|5|"});
        row("empty names, in the middle and last", "2\r\n0 0 0 0 0 0 \r\n1 1 1 1 1 1 \r\n",
            {"2", "0|0|0|0|0|0|", "1|1|1|1|1|1|"});
        row("numbers normalised",
            "2\r\n10.50 007 -0 +3 1e3 0.00001 X\r\n1234567890123456 12345678901234.56 "
            "9.999999999999999 .5 0.000123456789012345678 -0.000999 Y",
            {"2", "10.5|7|0|3|1000|1E-05|X",
             "1.23456789012346E+15|12345678901234.6|10|0.5|0.000123456789012346|-0.000999|Y"});
        row("names", "2\r\n1 2 3 4 5 6 Big Barrel  \t\r\n0 0 0 0 0 0 12 Monkeys\r\n",
            {"2", "1|2|3|4|5|6|Big Barrel", "0|0|0|0|0|0|12"});
        row("quoted", "2\r\n\" 05\",0,0,0,0,0,\"Big, red barrel\" x y\r\n0 0 0 0 0 0 C",
            {"2", " 05|0|0|0|0|0|Big, red barrel", "0|0|0|0|0|0|C"});
        row("unclosed quote", "1\r\n0 0 0 0 0 0 \"Bar\r\nrel", {"1", "0|0|0|0|0|0|Bar\r\nrel"});
        row("text, blanks by commas", "1\r\nabc,1 ,2 , 3,4\r\n", {"1", "abc|1||2||3|4"});
        row("empty items, blank line", "1\r\n,,0,\"\",0,\r\n\r\nX", {"1", "||0||0||"});
        row("bare LF, bare CR, tabs", "2\n1\t2 3 4 5 6 A\n1 2 3 4 5 6 B\r",
            {"2", "1|2|3|4|5|6|A", "1|2|3|4|5|6|B"});

        row("empty", "", {"Line 1: the prop count is missing"});
        row("blank line 1", "\r\n1\r\n0 0 0 0 0 0 A\r\n", {"Line 1: the prop count is missing"});
        for (const char *count : {"2.5", "-1", "32768", "40000", "abc", "\"abc\""})
            row(count, count,
                {"Line 1: the prop count \"" + QString(count).remove('"') + "\" is not"});
        row("prop incomplete", "2\r\n0 0 0 0 0 0 A\r\n0 0 0\r\n",
            {"Line 3: the file ends early: prop 2 of 2 is incomplete"});
        row("name missing", "1\r\n0 0 0 0 0 0",
            {"Line 2: the file ends early: prop 1 of 1 is incomplete"});
        row("diagnosed", "3\r\n1 2 3 4 5 6 A\r\n1 2 3 4 5 B\r\n1 2 3 4 5 6 C\r\n",
            {"Line 4: the file ends early: prop 3 of 3 is incomplete.\n\nLine 3: prop 2 has "
             "\"B\" as its Z Angle, which is not a number; a line may hold an item too many or "
             "too few."});
        row("prop missing", "3\n0 0 0 0 0 0 A\n",
            {"Line 2: the file ends early: prop 2 of 3 is missing"});
        row("quotes, bare CR", "1\r\"a\r\nb\n\",0\r\r\n", {"Line 5: the file ends early"});
    }
    void parse()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, expected);
        const PropTextFile::ReadResult result = PropTextFile::parse(bytes);
        if (result.contents) {
            QStringList actual{result.contents->countText};
            for (const PropRecord &r : result.contents->records)
                actual << QStringList(r.fields.begin(), r.fields.end()).join(u'|') + u'|' + r.name;
            QCOMPARE(actual, expected);
        } else {
            QVERIFY2(result.error.startsWith(expected.at(0)), qPrintable(result.error));
            QVERIFY(expected.at(0).startsWith(QString("Line %1: ").arg(result.line)));
        }
    }

    void roundTrip()
    {
        // Every byte a name can hold comes back, the five the code page leaves undefined too.
        QByteArray every("A\0", 2);
        for (int byte = 1; byte < 256; ++byte) {
            if (byte != '\r' && byte != '\n' && byte != ',')
                every += char(byte);
        }
        const QByteArray file = "2\r\n0 0 0 0 0 0 " + every + "\r\n1 2 3 4 5 6 \xe9t\xe9\r\n";
        const auto read = PropTextFile::parse(file);
        QVERIFY(read.contents);
        QCOMPARE(read.contents->records[1].name, QString::fromUtf8("\u00e9t\u00e9"));
        QVERIFY(read.contents->records[0].name.contains(QChar(0x20ac))
                && read.contents->records[0].name.contains(QChar(0x81)));
        QCOMPARE(PropTextFile::serialize("2", read.contents->records), file);

        const QStringList names{"Barrel", "Big Barrel", "Bar\"rel", "12", "Monkeys 12", ""};
        QVector<PropRecord> records;
        for (int i = 0; i < PropTextFile::MaxCount; ++i)
            records << prop(names.at(i % 6), {QString::number(i), "-0.5", "1E+15", "0",
                                              QString::number(i % 7 * 2.25), "1.5E-05"});
        QVERIFY(!PropTextFile::findUnsavable(records));
        const QByteArray bytes = PropTextFile::serialize(QString::number(records.size()), records);
        const PropTextFile::ReadResult back = PropTextFile::parse(bytes);
        QVERIFY(back.contents && back.contents->records == records);
        QCOMPARE(PropTextFile::serialize(back.contents->countText, back.contents->records), bytes);
    }

    void findUnsavable()
    {
        const auto problem = [](const QVector<PropRecord> &records) {
            const auto found = PropTextFile::findUnsavable(records);
            return found ? QString("%1:%2:").arg(found->row).arg(found->field) + found->text
                         : QString();
        };
        const PropRecord good = prop("Barrel", {" 5", "-0", "1e3", "007", "\t1.5", "2"});
        QCOMPARE(problem({good, prop("")}), QString());
        QCOMPARE(problem({good, prop("A", {"0", "0", "abc", "0", "0", "0"})}), "1:2:abc");
        QCOMPARE(problem({prop("A", {"0", "0", "0", "0", "0", ""})}), "0:5:");
        QCOMPARE(problem({prop("A", {"1 2", "0", "0", "0", "0", "0"})}), "0:0:1 2");
        QCOMPARE(problem({good, prop("a,b"), prop("")}), "1:-1:a,b");
        QCOMPARE(problem({prop("a,b", {"0", "0", "0", "0", "x", "0"})}), "0:4:x");
    }

    void nameReadsBack()
    {
        const QStringList accepted{
                "Barrel", "Big Barrel", "12Barrels",  "Bar\"rel",      "Bar\trel",
                "12",     "1E+15",      "Monkeys 12", "F\u00e4\u20ac", ""};
        const QStringList refused{"\u0100",   "a,b",        "\"Barrel\"",
                                  " Barrel",  "Barrel ",    "Bar\r\nrel",
                                  "Bar\rrel", "12 Barrels", "12.50",
                                  "007",      "-0",         "Bad " + QString(QChar(0xd800))};
        for (const QString &name : accepted + refused) {
            // The answer must hold in a real file, with the next prop left untouched.
            const QVector<PropRecord> records{prop(name), prop("C")};
            const auto result = PropTextFile::parse(PropTextFile::serialize("2", records));
            const bool cameBack = result.contents && result.contents->records == records;
            const bool readsBack = accepted.contains(name);
            QVERIFY2(PropTextFile::nameReadsBack(name) == readsBack && cameBack == readsBack,
                     qPrintable(name));
        }
    }

    void readAndWriteFiles()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const auto none = PropTextFile::readFile(dir.filePath("none.txt"));
        QVERIFY(!none.contents && none.line == 0 && none.error.contains("none.txt"));
        const QByteArray bytes = PropTextFile::serialize("1", {prop("Barrel")});
        const auto failed = PropTextFile::writeFile(dir.filePath("missing/props.txt"), bytes);
        QVERIFY2(!failed.ok && failed.error.contains("props.txt"), qPrintable(failed.error));
        QVERIFY(QDir(dir.path()).isEmpty());

        // An existing, longer file is replaced, not overwritten in place.
        const QString path = dir.filePath("props.txt");
        QVERIFY(PropTextFile::writeFile(path, "a much longer old file, replaced entirely\r\n").ok);
        QVERIFY(PropTextFile::writeFile(path, bytes).ok);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"props.txt"});
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), bytes);
    }
};

QTEST_GUILESS_MAIN(TestPropTextFile)
#include "tst_proptextfile.moc"
