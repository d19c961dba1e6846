#include "app/form1.h"
#include "map/mapview.h"
#include "modalscript.h"
#include "props/proptable.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

namespace {

const QRgb BluePixel = qRgb(0, 0, 255);
const QRgb RedPixel = qRgb(255, 0, 0);

} // namespace

// Adding props and placing them with a click on the map, through the real window and its
// real input and message boxes.
class TestPlacing : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<Form1> m_form;

    QLineEdit *text(int n) const
    {
        return m_form->findChild<QLineEdit *>(QStringLiteral("Text%1").arg(n));
    }
    QPushButton *command(int n) const
    {
        return m_form->findChild<QPushButton *>(QStringLiteral("Command%1").arg(n));
    }
    PropTable *table() const { return m_form->propTable(); }
    QRgb mapPixel(int x, int y) const { return m_form->mapView()->canvas().pixel(x, y); }

    // Moves the mouse to a point of the map's drawing area and clicks there.
    void moveTo(QPoint drawing) { QTest::mouseMove(m_form->mapView(), drawing + QPoint(2, 2)); }
    void clickMap()
    {
        // The click itself lands elsewhere: only the last mouse move counts.
        QTest::mouseClick(m_form->mapView(), Qt::LeftButton, {}, QPoint(140, 500));
    }
    void addProp(const QString &name)
    {
        ModalScript script;
        script.answer(name).ok();
        QTest::mouseClick(command(2), Qt::LeftButton);
        QVERIFY(script.done());
    }
    void pickName(int row)
    {
        auto *list = m_form->findChild<QAbstractItemView *>(QStringLiteral("List7"));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualRect(table()->index(row)).center());
    }

private slots:
    void init()
    {
        m_form = std::make_unique<Form1>();
        m_form->show();
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    }
    void cleanup() { m_form.reset(); }

    void addThenPlaceWithAClick()
    {
        addProp("Barrel");
        addProp("Big Barrel");
        QCOMPARE(text(7)->text(), QString("2"));

        ModalScript script;
        script.answer("Crate").ok();
        QTest::mouseClick(command(2), Qt::LeftButton);
        QVERIFY(script.done());
        QCOMPARE(script.seen.size(), 2);
        QCOMPARE(script.seen[0].className, QString("QInputDialog"));
        QCOMPARE(script.seen[0].title, QString("ZRM"));
        QCOMPARE(script.seen[0].text, QString("Enter the name of the Prop to add"));
        QCOMPARE(script.seen[1].text, QString("Click on map to place the prop"));
        QCOMPARE(script.seen[1].title, QString("ZRM"));

        QCOMPARE(text(7)->text(), QString("3"));
        QCOMPARE(table()->name(2), QString("Crate"));
        QCOMPARE(table()->selectedRow(), 2);
        for (int n = 1; n <= 6; ++n) {
            QCOMPARE(text(n)->text(), QString("0"));
            QCOMPARE(table()->field(2, n - 1), QString("0"));
        }
        QCOMPARE(mapPixel(71, 406), BluePixel); // the new prop at level (0, 0)
        QCOMPARE(m_form->placePending(), qint16(-1));

        moveTo({100, 300});
        QCOMPARE(m_form->mouseX(), qint16(100));
        QCOMPARE(m_form->mouseY(), qint16(300));
        clickMap();
        QCOMPARE(text(1)->text(), QString("83.30202"));
        QCOMPARE(text(3)->text(), QString("-320.5484"));
        QCOMPARE(table()->field(2, 0), QString("83.30202"));
        QCOMPARE(table()->field(2, 2), QString("-320.5484"));
        for (int f : {1, 3, 4, 5})
            QCOMPARE(table()->field(2, f), QString("0"));
        QCOMPARE(m_form->placePending(), qint16(0));
        QCOMPARE(mapPixel(100, 300), BluePixel);
        QCOMPARE(mapPixel(71, 406), RedPixel); // the other two props are still at (0, 0)

        // Only the first click after arming places.
        moveTo({0, 0});
        clickMap();
        QCOMPARE(table()->field(2, 0), QString("83.30202"));
    }

    void moveThenPickAnotherNameDisarms()
    {
        addProp("A");
        addProp("B");
        moveTo({50, 50});
        clickMap(); // places B
        const QString bX = table()->field(1, 0);

        ModalScript script;
        script.ok();
        QTest::mouseClick(command(4), Qt::LeftButton);
        QVERIFY(script.done());
        QCOMPARE(script.seenTexts(), QStringList({"Click on map to place the prop"}));
        QCOMPARE(m_form->placePending(), qint16(-1));

        pickName(0);
        QCOMPARE(m_form->placePending(), qint16(0));
        moveTo({0, 0});
        clickMap();
        QCOMPARE(table()->field(0, 0), QString("0"));
        QCOMPARE(table()->field(1, 0), bX);
        // The mouse position is recorded even while nothing is armed.
        QCOMPARE(m_form->mouseX(), qint16(0));

        // Move again, and this time the click moves A to the top-left corner.
        script.ok();
        command(4)->click();
        clickMap();
        QCOMPARE(table()->field(0, 0), QString("-212"));
        QCOMPARE(table()->field(0, 2), QString("-1220"));
        QCOMPARE(text(1)->text(), QString("-212"));
    }

    void cancelledOrRefusedNamesChangeNothing()
    {
        addProp("Keep");
        pickName(0);
        const QString count = text(7)->text();

        ModalScript cancel;
        cancel.cancel();
        command(2)->click();
        QVERIFY(cancel.done());
        QCOMPARE(cancel.seen.size(), 1); // no message after Cancel
        QCOMPARE(table()->size(), 1);
        QCOMPARE(text(7)->text(), count);
        QCOMPARE(m_form->placePending(), qint16(0));

        // Names a saved prop list would split or change are refused with a message.
        for (const QString &bad : {QString("Crate, small"), QString("\"Quoted"), QString(" Padded"),
                                   QString("12 Barrels")}) {
            ModalScript refuse;
            refuse.answer(bad).ok();
            command(2)->click();
            QVERIFY(refuse.done());
            QCOMPARE(refuse.seen.size(), 2);
            QVERIFY2(refuse.seen[1].text.contains("cannot be used"), qPrintable(bad));
            QCOMPARE(table()->size(), 1);
            QCOMPARE(table()->selectedRow(), 0);
            QCOMPARE(m_form->placePending(), qint16(0));
        }
        addProp("12Barrels"); // one word that is not a number is fine
        QCOMPARE(table()->size(), 2);
    }

    void clickWithNoSelectionWritesNothing()
    {
        addProp("Lonely");
        command(3)->click(); // removes it while the placement is armed
        QCOMPARE(m_form->placePending(), qint16(-1));
        text(1)->setText("kept");
        moveTo({10, 10});
        clickMap();
        QCOMPARE(text(1)->text(), QString("kept"));
        QCOMPARE(m_form->placePending(), qint16(0));
        QCOMPARE(table()->size(), 0);
    }

    void fullTableRefusesAdd()
    {
        table()->replace(QString::number(PropTable::MaxRows),
                         QVector<PropRecord>(PropTable::MaxRows));
        ModalScript script;
        script.answer("One more").ok();
        command(2)->click();
        QVERIFY(script.done());
        QVERIFY(script.seen.value(1).text.contains("full"));
        QCOMPARE(table()->size(), PropTable::MaxRows);
        QCOMPARE(m_form->placePending(), qint16(0));
    }
};

QTEST_MAIN(TestPlacing)
#include "tst_placing.moc"
