#include "props/numbertext.h"
#include "props/proptextfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace {

PropRecord record(const QStringList &items)
{
    PropRecord result;
    for (int i = 0; i < PropRecord::FieldCount; ++i)
        result.fields[size_t(i)] = items.at(i);
    result.name = items.at(PropRecord::FieldCount);
    return result;
}

PropRecord zeroProp(const QString &name)
{
    return record({"0", "0", "0", "0", "0", "0", name});
}

// One "f0|f1|f2|f3|f4|f5|name" entry per record, so QCOMPARE shows where tables differ.
QStringList flatten(const QVector<PropRecord> &records)
{
    QStringList rows;
    for (const PropRecord &r : records) {
        QStringList items(r.fields.begin(), r.fields.end());
        items << r.name;
        rows << items.join(u'|');
    }
    return rows;
}

} // namespace

// Tests for reading and writing prop text files.
class TestPropTextFile : public QObject
{
    Q_OBJECT

private slots:
    void serialize_data();
    void serialize();
    void parse_data();
    void parse();
    void parseNormalisesLikeNumberText();
    void parseErrors_data();
    void parseErrors();
    void roundTrip();
    void findUnsavable_data();
    void findUnsavable();
    void nameReadsBack_data();
    void nameReadsBack();
    void readFile();
    void writeFile();
};

void TestPropTextFile::serialize_data()
{
    QTest::addColumn<QString>("count");
    QTest::addColumn<QVector<PropRecord>>("records");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("empty") << "0" << QVector<PropRecord>() << QByteArray("0\r\n");
    QTest::newRow("two props") << "2" << QVector<PropRecord>{zeroProp("Barrel"), zeroProp("Crate")}
                               << QByteArray("2\r\n0 0 0 0 0 0 Barrel\r\n0 0 0 0 0 0 Crate\r\n");
    QTest::newRow("held text unchanged")
            << "1" << QVector<PropRecord>{record({"1 5", "-0", "007", "", "x", "6", "Big Barrel"})}
            << QByteArray("1\r\n1 5 -0 007  x 6 Big Barrel\r\n");
    QTest::newRow("system encoding")
            << "1" << QVector<PropRecord>{zeroProp("Fass \u00e4")}
            << ("1\r\n0 0 0 0 0 0 " + QString("Fass \u00e4").toLocal8Bit() + "\r\n");
}

void TestPropTextFile::serialize()
{
    QFETCH(QString, count);
    QFETCH(QVector<PropRecord>, records);
    QFETCH(QByteArray, expected);
    QCOMPARE(PropTextFile::serialize(count, records), expected);
}

void TestPropTextFile::parse_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("count");
    QTest::addColumn<QStringList>("records");

    QTest::newRow("two props") << QByteArray("2\r\n0 0 0 0 0 0 Barrel\r\n0 0 0 0 0 0 Crate\r\n")
                               << "2" << QStringList{"0|0|0|0|0|0|Barrel", "0|0|0|0|0|0|Crate"};
    QTest::newRow("count 0") << QByteArray("0\r\n0 0 0 0 0 0 Barrel\r\n") << "0" << QStringList();
    QTest::newRow("count normalised")
            << QByteArray(" +1.0 \r\n1 2 3 4 5 6 A") << "1" << QStringList{"1|2|3|4|5|6|A"};
    QTest::newRow("numbers normalised") << QByteArray("1\r\n10.50 007 -0 +3 1e3 0.00001 X\r\n")
                                        << "1" << QStringList{"10.5|7|0|3|1000|1E-05|X"};
    QTest::newRow("name with blanks") << QByteArray("1\r\n1 2 3 4 5 6 Big Barrel  \t\r\n") << "1"
                                      << QStringList{"1|2|3|4|5|6|Big Barrel"};
    QTest::newRow("number then word splits")
            << QByteArray("2\r\n0 0 0 0 0 0 12 Monkeys\r\n0 0 0 0 0 0 B\r\n") << "2"
            << QStringList{"0|0|0|0|0|0|12", "Monkeys|0|0|0|0|0|0"};
    QTest::newRow("quoted with commas")
            << QByteArray("1\r\n\"a b\",0,0,0,0,0,\"Big, red barrel\" dropped, also\r\n") << "1"
            << QStringList{"a b|0|0|0|0|0|Big, red barrel"};
    QTest::newRow("quoted number kept as text")
            << QByteArray("1\r\n\" 05\",0 0 0 0 0 A") << "1" << QStringList{" 05|0|0|0|0|0|A"};
    QTest::newRow("unclosed quote") << QByteArray("1\r\n0 0 0 0 0 0 \"Bar\r\nrel") << "1"
                                    << QStringList{"0|0|0|0|0|0|Bar\r\nrel"};
    QTest::newRow("text field") << QByteArray("1\r\nabc,1 ,2 , 3,4,5,X\r\n") << "1"
                                << QStringList{"abc|1|2|3|4|5|X"};
    QTest::newRow("empty items and a blank line")
            << QByteArray("1\r\n,,0,,0,\r\n\r\nX") << "1" << QStringList{"||0||0||"};
    QTest::newRow("record spans lines") << QByteArray("1\r\n1 2 3\r\n4 5\r\n6\r\nBarrel\r\n") << "1"
                                        << QStringList{"1|2|3|4|5|6|Barrel"};
    QTest::newRow("records share a line, the rest is never read")
            << QByteArray("2,1,2,3,4,5,6,A,7,8,9,10,11,12,B,\"junk") << "2"
            << QStringList{"1|2|3|4|5|6|A", "7|8|9|10|11|12|B"};
    QTest::newRow("bare LF, bare CR, tabs") << QByteArray("2\n1\t2 3 4 5 6 A\n1 2 3 4 5 6 B\r")
                                            << "2" << QStringList{"1|2|3|4|5|6|A", "1|2|3|4|5|6|B"};
}

void TestPropTextFile::parse()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, count);
    QFETCH(QStringList, records);

    const PropTextFile::ReadResult result = PropTextFile::parse(bytes);
    QVERIFY2(result.contents, qPrintable(result.error));
    QVERIFY(result.error.isEmpty());
    QCOMPARE(result.contents->countText, count);
    QCOMPARE(flatten(result.contents->records), records);
}

void TestPropTextFile::parseNormalisesLikeNumberText()
{
    // Whatever shortcut the reader takes, a number must be stored exactly as
    // NumberText::formatDouble writes it.
    QStringList tokens = QString("0 -0 0.0 00 1 -1 10 1.50 .5 5. +2 1e5 2.5E-3 9.999999999999999 "
                                 "123456789012345 1234567890123456 100000000000000 "
                                 "1000000000000000 12345678901234.5 12345678901234.56 0.0001 "
                                 "0.00001 0.000123456789012345 0.0001234567890123456 -0.000999")
                                 .split(u' ');
    quint32 seed = 12345;
    for (int i = 0; i < 600; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const double value = (double(seed) / 4294967296.0 - 0.5) * std::pow(10.0, i % 24 - 8);
        tokens << QString::number(value, 'f', i % 19) << NumberText::formatDouble(value);
    }
    while (tokens.size() % 6 != 0)
        tokens << "0";

    QByteArray bytes = QByteArray::number(tokens.size() / 6) + "\r\n";
    for (int i = 0; i < tokens.size(); i += 6)
        bytes += tokens.mid(i, 6).join(u' ').toLatin1() + " X\r\n";
    const PropTextFile::ReadResult result = PropTextFile::parse(bytes);
    QVERIFY2(result.contents, qPrintable(result.error));
    for (int i = 0; i < tokens.size(); ++i) {
        const QString &token = tokens.at(i);
        QCOMPARE(result.contents->records.at(i / 6).fields[size_t(i % 6)],
                 NumberText::formatDouble(*NumberText::parse(token)));
    }
}

void TestPropTextFile::parseErrors_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("message");

    const QString missing = "Line 1: the prop count is missing.";
    QTest::newRow("empty") << QByteArray() << 1 << missing;
    QTest::newRow("blanks only") << QByteArray(" \t ") << 1 << missing;
    QTest::newRow("blank first line") << QByteArray("\r\n1\r\n0 0 0 0 0 0 A\r\n") << 1 << missing;
    for (const char *count : {"2.5", "-1", "32768", "40000", "1e9", "abc", "\"abc\"", "-0.5"}) {
        QTest::newRow(count) << QByteArray(count) + "\r\n"
                             << 1
                             << QString("Line 1: the prop count \"%1\" is not a whole number from "
                                        "0 to 32767.")
                                        .arg(QString(count).remove(u'"'));
    }
    QTest::newRow("prop incomplete") << QByteArray("2\r\n0 0 0 0 0 0 A\r\n0 0 0\r\n") << 3
                                     << "Line 3: the file ends early: prop 2 of 2 is incomplete.";
    QTest::newRow("name missing") << QByteArray("1\r\n0 0 0 0 0 0 \r\n") << 2
                                  << "Line 2: the file ends early: prop 1 of 1 is incomplete.";
    QTest::newRow("prop missing") << QByteArray("3\n0 0 0 0 0 0 A\n") << 2
                                  << "Line 2: the file ends early: prop 2 of 3 is missing.";
    QTest::newRow("lines counted in quotes and bare CR")
            << QByteArray("1\r\"a\r\nb\n\",0\r\r\n") << 5
            << "Line 5: the file ends early: prop 1 of 1 is incomplete.";
}

void TestPropTextFile::parseErrors()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, line);
    QFETCH(QString, message);

    const PropTextFile::ReadResult result = PropTextFile::parse(bytes);
    QVERIFY(!result.contents);
    QCOMPARE(result.error, message);
    QCOMPARE(result.line, line);
}

void TestPropTextFile::roundTrip()
{
    // A full table with every kind of savable record must come back unchanged, and
    // saving what was read must give the same bytes again.
    const QStringList names{"Barrel", "Big Barrel", "Bar\"rel", "12", "Monkeys 12", "\u00e4", "5a"};
    QVector<PropRecord> records;
    for (int i = 0; i < PropTextFile::MaxCount; ++i) {
        records << record({QString::number(i), "-0.5", "1E+15", "0", QString::number(i % 7 * 2.25),
                           "1.5E-05", names.at(i % names.size())});
    }
    QVERIFY(!PropTextFile::findUnsavable(records));

    const QByteArray bytes = PropTextFile::serialize(QString::number(records.size()), records);
    const PropTextFile::ReadResult result = PropTextFile::parse(bytes);
    QVERIFY2(result.contents, qPrintable(result.error));
    QCOMPARE(result.contents->countText, QString::number(records.size()));
    QVERIFY(result.contents->records == records);
    QCOMPARE(PropTextFile::serialize(result.contents->countText, result.contents->records), bytes);
}

void TestPropTextFile::findUnsavable_data()
{
    QTest::addColumn<QVector<PropRecord>>("records");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("text");

    const PropRecord good = record({" 5", "-0", "1e3", "007", "\t1.5", "2", "Barrel"});
    QTest::newRow("all savable") << QVector<PropRecord>{good, zeroProp("Crate")} << -1 << -1 << "";
    QTest::newRow("text field") << QVector<PropRecord>{good, record({"0", "0", "abc", "0", "0", "0",
                                                                     "A"})}
                                << 1 << 2 << "abc";
    QTest::newRow("empty field") << QVector<PropRecord>{record({"0", "0", "0", "0", "0", "", "A"})}
                                 << 0 << 5 << "";
    QTest::newRow("two numbers in a field")
            << QVector<PropRecord>{record({"1 2", "0", "0", "0", "0", "0", "A"})} << 0 << 0
            << "1 2";
    QTest::newRow("first failing row") << QVector<PropRecord>{good, zeroProp("a,b"), zeroProp("")}
                                       << 1 << PropTextFile::NameField << "a,b";
    QTest::newRow("field before name")
            << QVector<PropRecord>{record({"0", "0", "0", "0", "x", "0", "a,b"})} << 0 << 4 << "x";
}

void TestPropTextFile::findUnsavable()
{
    QFETCH(QVector<PropRecord>, records);
    QFETCH(int, row);
    QFETCH(int, field);
    QFETCH(QString, text);

    const std::optional<PropTextFile::Problem> problem = PropTextFile::findUnsavable(records);
    QCOMPARE(problem.has_value(), row >= 0);
    if (problem) {
        QCOMPARE(problem->row, row);
        QCOMPARE(problem->field, field);
        QCOMPARE(problem->text, text);
    }
}

void TestPropTextFile::nameReadsBack_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("readsBack");

    const std::pair<const char16_t *, bool> cases[]
            = {{u"Barrel", true},      {u"Big Barrel", true},  {u"Bar\"rel", true},
               {u"Bar\trel", true},    {u"12", true},          {u"1E+15", true},
               {u"Monkeys 12", true},  {u"5a", true},          {u"Fass \u00e4", true},
               {u"", false},           {u"a,b", false},        {u"Barrel,", false},
               {u"\"Barrel\"", false}, {u" Barrel", false},    {u"\tBarrel", false},
               {u"Barrel ", false},    {u"Bar\r\nrel", false}, {u"Bar\nrel", false},
               {u"Bar\rrel", false},   {u"12 Monkeys", false}, {u"12,Monkeys", false},
               {u"12.50", false},      {u"007", false},        {u"-0", false},
               {u"+5", false},         {u".5", false},         {u"Bad \xd800", false}};
    for (const auto &[name, readsBack] : cases) {
        const QString text = QString::fromUtf16(name);
        QTest::newRow(qPrintable(QString(text).replace(u'\r', u'R').replace(u'\n', u'N')))
                << text << readsBack;
    }
}

void TestPropTextFile::nameReadsBack()
{
    QFETCH(QString, name);
    QFETCH(bool, readsBack);

    QCOMPARE(PropTextFile::nameReadsBack(name), readsBack);
    // The answer must hold in a real file: with a prop after it, the name comes back and
    // the next prop is untouched.
    const QVector<PropRecord> records{record({"1", "2", "3", "4", "5", "6", name}),
                                      zeroProp("Crate")};
    const PropTextFile::ReadResult result
            = PropTextFile::parse(PropTextFile::serialize("2", records));
    const bool cameBack = result.contents && result.contents->records == records;
    QCOMPARE(cameBack, readsBack);
}

void TestPropTextFile::readFile()
{
    const QString data = QStringLiteral(ZRM_TEST_DATA);
    PropTextFile::ReadResult result = PropTextFile::readFile(data + "/mixed_separators.txt");
    QVERIFY2(result.contents, qPrintable(result.error));
    QCOMPARE(result.contents->countText, QString("3"));
    QCOMPARE(flatten(result.contents->records),
             (QStringList{"1.5|7|0|4|5|6|Big, red barrel", "0|0|0|0|0|0|Old Crate",
                          "10|20|30|40|50|60|12"}));

    result = PropTextFile::readFile(data + "/ends_early.txt");
    QVERIFY(!result.contents);
    QCOMPARE(result.line, 3);

    result = PropTextFile::readFile(data + "/no_such_file.txt");
    QVERIFY(!result.contents);
    QCOMPARE(result.line, 0);
    QVERIFY2(result.error.contains("no_such_file.txt") && result.error.contains("No such file"),
             qPrintable(result.error));
}

void TestPropTextFile::writeFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray bytes = PropTextFile::serialize("1", {zeroProp("Barrel")});

    const QString missing = dir.filePath("missing/props.txt");
    const PropTextFile::WriteResult failed = PropTextFile::writeFile(missing, bytes);
    QVERIFY(!failed.ok);
    QVERIFY2(failed.error.contains("props.txt"), qPrintable(failed.error));
    QVERIFY(!QFileInfo::exists(dir.filePath("missing")));
    QVERIFY(QDir(dir.path()).isEmpty());

    const QString path = dir.filePath("props.txt");
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("a much longer old file that must be replaced, not overwritten in place\r\n");
    old.close();
    const PropTextFile::WriteResult written = PropTextFile::writeFile(path, bytes);
    QVERIFY2(written.ok, qPrintable(written.error));
    QVERIFY(written.error.isEmpty());
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), bytes);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"props.txt"});
}

QTEST_GUILESS_MAIN(TestPropTextFile)
#include "tst_proptextfile.moc"
