#include "harness.h"

// Edit > Undo and Redo through the real window: every kind of step, typing undo inside a
// field box, and the length of the history.
class TestHistory : public QObject, Harness
{
    Q_OBJECT

    QString tableState() const
    {
        return table()->countText() + u'/' + QString::number(table()->selectedRow()) + u' '
               + rows();
    }
    // After Undo or Redo the window shows the table as a pick would: the selected prop's
    // fields, no placement pending, the map as Draw Props on Map draws it.
    void checkShown()
    {
        const int row = table()->selectedRow();
        QCOMPARE(boxes(),
                 row < 0 ? QString(",,,,,") : rows().section(u'|', row, row).section(u':', 1));
        QCOMPARE(form->placePending(), qint16(0));
        const QImage shown = form->mapView()->canvas();
        command(1)->click();
        QCOMPARE(form->mapView()->canvas(), shown);
    }

private slots:
    void init()
    {
        QVERIFY(start());
        write("in.txt", "2\r\n1 2 3 4 5 6 A\r\n-100 0 -900 0 0 0 B\r\n");
    }
    void cleanup() { form.reset(); }

    void everyStepGoesBackAndForth()
    {
        QAction *undo = action("mnuEUndo"), *redo = action("mnuERedo");
        QVERIFY(!undo->isEnabled() && !redo->isEnabled());
        ModalScript script;
        script.play("=C|ok");
        // Each step: what comes before it, the step, its name in the Edit menu.
        const QStringList steps = {"|open|Open",
                                   "pick 0|type 3 -500; key Tab|Edit Y Position",
                                   "|click Command2|Add Prop",
                                   "|move 100,300; map|Place Prop",
                                   "pick 1|click Command3|Remove Prop",
                                   "|menu mnuFNew|New"};
        QStringList before, after;
        for (const QString &step : steps) {
            run(step.section(u'|', 0, 0), &script);
            before << tableState();
            run(step.section(u'|', 1, 1), &script);
            after << tableState();
            QCOMPARE(undo->text(), "&Undo " + step.section(u'|', 2));
        }
        script.play("ok");
        run("click Command4", &script); // a placement pending before an undo ends with it
        for (qsizetype i = steps.size() - 1; i >= 0; --i) {
            undo->trigger();
            QCOMPARE(tableState(), before[i]);
            checkShown();
            QCOMPARE(redo->text(), "&Redo " + steps[i].section(u'|', 2));
        }
        QVERIFY(!undo->isEnabled() && undo->text() == "&Undo");
        for (const QString &state : after) {
            redo->trigger();
            QCOMPARE(tableState(), state);
            checkShown();
        }
        QVERIFY(!redo->isEnabled() && redo->text() == "&Redo");
        // Steps that change nothing leave no trace: an unchanged box, a failed open.
        run("pick 0; click Text1; key Tab; open missing.txt", &script);
        QCOMPARE(undo->text(), QString("&Undo New"));
        QVERIFY(script.done());
    }

    void typingUndoStaysInTheBox()
    {
        QCOMPARE(run("open; pick 0; type 1 77; key Tab; type 2 88; key Ctrl+Z; ?b; key Ctrl+Y; "
                     "?b; ?r 0"),
                 QString("77,2,3,4,5,6 77,88,3,4,5,6 A:77,2,3,4,5,6"));
        // The menu takes back the last step of the list; what was typed is gone.
        action("mnuEUndo")->trigger();
        QCOMPARE(boxes(), QString("1,2,3,4,5,6"));
        QCOMPARE(QApplication::focusWidget(), text(2));
        // In the name list the keys are the menu's.
        QCOMPARE(run("click List7; key Ctrl+Z; ?s; key Ctrl+Y; ?s"), QString("0/-1/0 2/-1/0"));
    }

    void keepsTheLastHundredSteps()
    {
        run("open");
        for (int i = 0; i < 100; ++i)
            action("mnuFNew")->trigger();
        int undone = 0;
        for (; action("mnuEUndo")->isEnabled(); ++undone)
            action("mnuEUndo")->trigger();
        QCOMPARE(undone, 100);
        QCOMPARE(table()->size(), 2); // the Open, the 101st step back, is forgotten
    }
};

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
