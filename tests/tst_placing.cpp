#include "formfixture.h"
#include "modalscript.h"

// Adding props and placing them with a click on the map, through the real window and its
// real input and message boxes.
class TestPlacing : public QObject, FormFixture
{
    Q_OBJECT

    void moveMouseTo(QPoint drawing) const
    {
        QTest::mouseMove(form->mapView(), drawing + QPoint(2, 2));
    }
    // The click lands elsewhere on purpose: only the last mouse move counts.
    void clickMap() const
    {
        QTest::mouseClick(form->mapView(), Qt::LeftButton, {}, QPoint(140, 500));
    }

private slots:
    void init() { QVERIFY(start()); }
    void cleanup() { form.reset(); }

    void addThenPlaceWithAClick()
    {
        ModalScript script;
        for (const char *name : {"Barrel", "Big Barrel", "Crate"})
            script.answer(name).ok();
        for (int i = 0; i < 3; ++i)
            QTest::mouseClick(command(2), Qt::LeftButton);
        QVERIFY(script.done());
        QCOMPARE(script.seen[4].className, QString("QInputDialog"));
        QCOMPARE(script.seen[4].title, QString("ZRM"));
        QCOMPARE(script.seen[4].text, QString("Enter the name of the Prop to add"));
        QCOMPARE(script.seen[5].text, QString("Click on map to place the prop"));
        QCOMPARE(script.seen[5].title, QString("ZRM"));

        QCOMPARE(text(7)->text(), QString("3"));
        QCOMPARE(table()->name(2), QString("Crate"));
        QCOMPARE(table()->selectedRow(), 2);
        QCOMPARE(list7()->currentIndex().row(), 2);
        for (int n = 1; n <= 6; ++n) {
            QCOMPARE(text(n)->text(), QString("0"));
            QCOMPARE(table()->field(2, n - 1), QString("0"));
        }
        QCOMPARE(mapPixel({71, 406}), Blue); // the new prop at level (0, 0)
        QCOMPARE(form->placePending(), qint16(-1));

        moveMouseTo({100, 300});
        QCOMPARE(form->mouseX(), qint16(100));
        QCOMPARE(form->mouseY(), qint16(300));
        clickMap();
        QCOMPARE(text(1)->text(), QString("83.30202"));
        QCOMPARE(text(3)->text(), QString("-320.5484"));
        QCOMPARE(table()->field(2, 0), QString("83.30202"));
        QCOMPARE(table()->field(2, 2), QString("-320.5484"));
        for (int f : {1, 3, 4, 5})
            QCOMPARE(table()->field(2, f), QString("0"));
        QCOMPARE(form->placePending(), qint16(0));
        QCOMPARE(mapPixel({100, 300}), Blue);
        QCOMPARE(mapPixel({71, 406}), Red); // the other two are still at (0, 0)

        // Only the first click after arming places.
        moveMouseTo({0, 0});
        clickMap();
        QCOMPARE(table()->field(2, 0), QString("83.30202"));
    }

    void moveThenPickAnotherNameDisarms()
    {
        ModalScript script;
        script.answer("A").ok().answer("B").ok().ok().ok();
        command(2)->click();
        command(2)->click();
        QVERIFY(reactivate());
        QTest::mouseClick(command(4), Qt::LeftButton);
        QCOMPARE(script.seen.value(4).text, QString("Click on map to place the prop"));
        QCOMPARE(form->placePending(), qint16(-1));

        pickName(0);
        QCOMPARE(form->placePending(), qint16(0));
        moveMouseTo({0, 0});
        clickMap();
        QCOMPARE(table()->field(0, 0), QString("0"));
        QCOMPARE(form->mouseX(), qint16(0)); // recorded while nothing is armed

        // Move again: the click now moves A, the prop selected at the time of the click.
        command(4)->click();
        QVERIFY(script.done());
        clickMap();
        QCOMPARE(table()->field(0, 0), QString("-212"));
        QCOMPARE(table()->field(0, 2), QString("-1220"));
        QCOMPARE(table()->field(1, 0), QString("0"));
    }

    void cancelledOrRefusedNamesChangeNothing()
    {
        ModalScript script;
        script.answer("Keep").ok().cancel();
        // Names a saved prop list would split or change are refused with a message.
        const QStringList bad
                = {"Crate, small", "\"Quoted", " Padded", "Padded ", "12 Barrels", "\u0100"};
        for (const QString &name : bad)
            script.answer(name).ok();
        for (int i = 0; i < 2 + bad.size(); ++i)
            command(2)->click();
        QVERIFY(script.done());
        QCOMPARE(script.seen.size(), 3 + 2 * bad.size()); // no message after Cancel
        for (int i = 0; i < bad.size(); ++i)
            QVERIFY2(script.seen[4 + 2 * i].text.contains("cannot be used"), qPrintable(bad[i]));
        QCOMPARE(table()->size(), 1);
        QCOMPARE(text(7)->text(), QString("1"));
        QCOMPARE(table()->selectedRow(), 0);

        script.answer("12Barrels").ok(); // one word that is not a number is fine
        command(2)->click();
        QCOMPARE(table()->size(), 2);
    }

    void clickWithNoSelectionAndAFullTable()
    {
        ModalScript script;
        script.answer("Lonely").ok();
        command(2)->click();
        command(3)->click(); // removes it while the placement is armed
        text(1)->setText("kept");
        clickMap();
        QCOMPARE(text(1)->text(), QString("kept"));
        QCOMPARE(form->placePending(), qint16(0));

        table()->replace(QString::number(PropTable::MaxRows),
                         QVector<PropRecord>(PropTable::MaxRows));
        script.answer("One more").ok();
        command(2)->click();
        QVERIFY(script.done());
        QVERIFY(script.seen.value(3).text.contains("full"));
        QCOMPARE(table()->size(), PropTable::MaxRows);
        QCOMPARE(form->placePending(), qint16(0));
    }
};

QTEST_MAIN(TestPlacing)
#include "tst_placing.moc"
