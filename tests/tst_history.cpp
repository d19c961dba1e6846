#include "formfixture.h"
#include "modalscript.h"

#include <QTemporaryDir>

// Edit > Undo and Redo through the real window: every kind of step, typing undo inside a
// field box, and the length of the history.
class TestHistory : public QObject, FormFixture
{
    Q_OBJECT

    QTemporaryDir m_dir;

    // Count, selection and every row, as one text.
    QString state() const
    {
        QStringList rows{table()->countText(), QString::number(table()->selectedRow())};
        for (const PropRecord &r : table()->records())
            rows << QStringList(r.fields.begin(), r.fields.end()).join(' ') + ' ' + r.name;
        return rows.join('|');
    }
    QString boxes() const
    {
        QStringList texts;
        for (int n = 1; n <= 6; ++n)
            texts << text(n)->text();
        return texts.join(' ');
    }
    QString open(const QByteArray &bytes)
    {
        QFile file(m_dir.filePath("props.txt"));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write test file");
        file.close();
        form->OpenZRM(file.fileName());
        return "Open";
    }
    // What Undo and Redo must show: the selected prop's fields, no placement, a fresh map.
    void checkShown(const QString &expected)
    {
        QCOMPARE(state(), expected);
        const int row = table()->selectedRow();
        QCOMPARE(boxes(), row < 0 ? QString(5, ' ')
                                  : QStringList(table()->record(row).fields.begin(),
                                                table()->record(row).fields.end())
                                            .join(' '));
        QCOMPARE(form->placePending(), qint16(0));
        const QImage shown = form->mapView()->canvas();
        command(1)->click();
        QCOMPARE(shown, form->mapView()->canvas());
    }

private slots:
    void init() { QVERIFY(start()); }
    void cleanup() { form.reset(); }

    void everyStepGoesBackAndForth()
    {
        QAction *undo = action("mnuEUndo"), *redo = action("mnuERedo");
        QVERIFY(!undo->isEnabled() && !redo->isEnabled());
        ModalScript script;
        script.answer("C").ok();
        // Each step as the user takes it, after picking a name or not, returning the name it
        // has in the Edit menu.
        const QList<QPair<int, std::function<QString()>>> steps = {
                {-1,
                 [&] {
                     return open("2\r\n1 2 3 4 5 6 A\r\n-100 0 -900 0 0 0 B\r\n");
                 }},
                {0,
                 [&] {
                     typeInto(3, "-500");
                     QTest::keyClick(text(3), Qt::Key_Tab);
                     return "Edit Y Position";
                 }},
                {-1,
                 [&] {
                     command(2)->click();
                     return "Add Prop";
                 }},
                {-1,
                 [&] {
                     QTest::mouseMove(form->mapView(), QPoint(102, 302));
                     QTest::mouseClick(form->mapView(), Qt::LeftButton);
                     return "Place Prop";
                 }},
                {1,
                 [&] {
                     QTest::mouseClick(command(3), Qt::LeftButton);
                     return "Remove Prop";
                 }},
                {-1,
                 [&] {
                     action("mnuFNew")->trigger();
                     return "New";
                 }},
        };
        QStringList before, after, names;
        for (const auto &[pick, step] : steps) {
            if (pick >= 0)
                pickName(pick);
            before << state();
            names << step();
            QVERIFY(reactivate());
            after << state();
            QCOMPARE(undo->text(), "&Undo " + names.last());
        }
        QVERIFY(script.done());
        // A placement pending before an undo ends with it.
        script.ok();
        command(4)->click();
        for (int i = steps.size() - 1; i >= 0; --i) {
            undo->trigger();
            checkShown(before[i]);
            QCOMPARE(redo->text(), "&Redo " + names[i]);
        }
        QVERIFY(!undo->isEnabled() && undo->text() == "&Undo");
        for (int i = 0; i < steps.size(); ++i) {
            redo->trigger();
            checkShown(after[i]);
        }
        QVERIFY(!redo->isEnabled() && redo->text() == "&Redo");
        // Steps that change nothing leave no trace: an unchanged box, a failed open.
        pickName(0);
        QTest::mouseClick(text(1), Qt::LeftButton);
        QTest::keyClick(text(1), Qt::Key_Tab);
        script.ok();
        form->OpenZRM(m_dir.filePath("missing.txt"));
        QCOMPARE(undo->text(), QString("&Undo New"));
    }

    void typingUndoStaysInTheBox()
    {
        open("1\r\n1 2 3 4 5 6 A\r\n");
        pickName(0);
        typeInto(1, "77");
        QTest::keyClick(text(1), Qt::Key_Tab);
        typeInto(2, "88");
        QTest::keyClick(text(2), Qt::Key_Z, Qt::ControlModifier); // the box's own undo
        QCOMPARE(text(2)->text(), QString("2"));
        QTest::keyClick(text(2), Qt::Key_Y, Qt::ControlModifier); // and its own redo
        QCOMPARE(text(2)->text(), QString("88"));
        QCOMPARE(table()->field(0, 0), QString("77"));
        // The menu takes back the last step of the list; what was typed is gone.
        action("mnuEUndo")->trigger();
        QCOMPARE(boxes(), QString("1 2 3 4 5 6"));
        QCOMPARE(QApplication::focusWidget(), text(2));
        // In the name list the keys are the menu's.
        list7()->setFocus();
        QTest::keyClick(list7(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(table()->size(), 0);
        QTest::keyClick(list7(), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(table()->size(), 1);
    }

    void keepsTheLastHundredSteps()
    {
        open("1\r\n1 2 3 4 5 6 A\r\n");
        for (int i = 0; i < 100; ++i)
            action("mnuFNew")->trigger();
        int undone = 0;
        for (; action("mnuEUndo")->isEnabled(); ++undone)
            action("mnuEUndo")->trigger();
        QCOMPARE(undone, 100);
        QCOMPARE(table()->size(), 1); // the Open, the 101st step back, is forgotten
    }
};

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
