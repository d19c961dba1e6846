#include "map/projection.h"
#include "props/numbertext.h"

#include <QTest>

#include <cmath>

// The projection and numbers held as text, without any window.
class TestCore : public QObject
{
    Q_OBJECT

private slots:
    void projection_data()
    {
        QTest::addColumn<double>("levelX");
        QTest::addColumn<double>("levelY");
        QTest::addColumn<double>("mapX");
        QTest::addColumn<double>("mapY");
        // W = 149 and H = 547: the map view's outer size in pixels.
        QTest::newRow("origin") << 0.0 << 0.0 << 71.79091 << 406.91463;
        QTest::newRow("top-left") << -212.0 << -1220.0 << 0.0 << 0.0;
        QTest::newRow("centre") << 8.0 << -400.0 << 74.5 << 273.5;
        QTest::newRow("far corner") << 228.0 << 420.0 << 149.0 << 547.0;
        QTest::newRow("pixel 100,300") << 83.30202 << -320.5484 << 100.0 << 300.0;
    }
    void projection()
    {
        QFETCH(double, levelX);
        QFETCH(double, levelY);
        QFETCH(double, mapX);
        QFETCH(double, mapY);
        QVERIFY(std::abs(Projection::toMapX(levelX, 149) - mapX) < 1e-3);
        QVERIFY(std::abs(Projection::toMapY(levelY, 547) - mapY) < 1e-3);
        // The inverse, as a placing click computes it, comes back to the level point.
        QVERIFY(std::abs(Projection::toLevelX(float(mapX), 149) - levelX) < 1e-3);
        QVERIFY(std::abs(Projection::toLevelY(float(mapY), 547) - levelY) < 1e-3);
    }

    void placingClickTexts()
    {
        // The texts a click at drawing pixel (100, 300) writes, and at the top-left corner.
        QCOMPARE(NumberText::formatSingle(Projection::toLevelX(100, 149)), QString("83.30202"));
        QCOMPARE(NumberText::formatSingle(Projection::toLevelY(300, 547)), QString("-320.5484"));
        QCOMPARE(NumberText::formatSingle(Projection::toLevelX(0, 149)), QString("-212"));
        QCOMPARE(NumberText::formatSingle(Projection::toLevelY(0, 547)), QString("-1220"));
    }

    void parseNumbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("isNumber");
        QTest::addColumn<double>("value");
        QTest::newRow("integer") << "42" << true << 42.0;
        QTest::newRow("signs and blanks") << "  -1.5 " << true << -1.5;
        QTest::newRow("leading point") << ".25" << true << 0.25;
        QTest::newRow("trailing point") << "3." << true << 3.0;
        QTest::newRow("exponent") << "1.5E+3" << true << 1500.0;
        QTest::newRow("empty") << "" << false << 0.0;
        QTest::newRow("comma decimal") << "1,5" << false << 0.0;
        QTest::newRow("word") << "abc" << false << 0.0;
        QTest::newRow("trailing text") << "12abc" << false << 0.0;
        QTest::newRow("two points") << "1.2.3" << false << 0.0;
        QTest::newRow("bare sign") << "-" << false << 0.0;
        QTest::newRow("empty exponent") << "1e" << false << 0.0;
        QTest::newRow("hex") << "0x10" << false << 0.0;
        QTest::newRow("overflow") << "1e400" << false << 0.0;
        QTest::newRow("underflow") << "-1e-400" << true << 0.0;
        QTest::newRow("long") << QString(500, '0') + "12.5e-1" << true << 1.25;
        QTest::newRow("inner blank") << "1 2" << false << 0.0;
    }
    void parseNumbers()
    {
        QFETCH(QString, text);
        QFETCH(bool, isNumber);
        QFETCH(double, value);
        const std::optional<double> parsed = NumberText::parse(text);
        QCOMPARE(parsed.has_value(), isNumber);
        if (isNumber)
            QCOMPARE(*parsed, value);
    }

    void formatNumbers()
    {
        QCOMPARE(NumberText::formatDouble(10.5), QString("10.5"));
        QCOMPARE(NumberText::formatDouble(-0.0), QString("0"));
        QCOMPARE(NumberText::formatDouble(0.1 + 0.2), QString("0.3"));
        QCOMPARE(NumberText::formatDouble(1e15), QString("1E+15"));
        QCOMPARE(NumberText::formatDouble(123456789012345678.0), QString("1.23456789012346E+17"));
        QCOMPARE(NumberText::formatDouble(0.00001), QString("1E-05"));
        QCOMPARE(NumberText::formatSingle(1.0f / 3.0f), QString("0.3333333"));
    }
};

QTEST_GUILESS_MAIN(TestCore)
#include "tst_core.moc"
