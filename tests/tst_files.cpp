#include "formfixture.h"
#include "modalscript.h"

#include "props/proptextfile.h"

#include <QFile>
#include <QTemporaryDir>

// Opening and saving prop lists through the real window, menus and file dialogs.
class TestFiles : public QObject, FormFixture
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

    QString path(const QString &name) const { return m_dir->filePath(name); }
    QString write(const QString &name, const QByteArray &bytes) const
    {
        QFile file(path(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write test file");
        return file.fileName();
    }
    static QByteArray read(const QString &fileName)
    {
        QFile file(fileName);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    // A snapshot of everything a failed open or save must leave alone.
    struct State
    {
        QString count;
        QVector<PropRecord> records;
        int selected;
        QStringList boxes;
        QImage map;
        bool operator==(const State &o) const
        {
            return count == o.count && records == o.records && selected == o.selected
                   && boxes == o.boxes && map == o.map;
        }
    };
    State state() const
    {
        State s{table()->countText(),
                table()->records(),
                table()->selectedRow(),
                {},
                form->mapView()->canvas()};
        for (int n = 1; n <= 7; ++n)
            s.boxes << text(n)->text();
        return s;
    }

    void openThroughMenu(const QString &fileName)
    {
        ModalScript script;
        script.chooseFile(fileName);
        action("mnuFOpen")->trigger();
        QVERIFY(script.done());
        QVERIFY(reactivate());
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(start());
    }
    void cleanup()
    {
        form.reset();
        m_dir.reset();
    }

    void openAndSaveThroughTheMenu()
    {
        const QString source = write("level.txt", "3\r\n"
                                                  "83.30202 0 -320.5484 0 1.5 0 Barrel\r\n"
                                                  "10.50 2 -1220 0 0 0 Big Crate\r\n"
                                                  "\"1 2\",007 8 -400 0 0 0 , x\r\n");
        // A pending placement and the map's drawing survive an open.
        ModalScript move;
        move.ok();
        command(4)->click();
        QVERIFY(move.done());
        const QImage drawn = form->mapView()->canvas();

        openThroughMenu(source);
        QCOMPARE(text(7)->text(), QString("3"));
        QCOMPARE(table()->size(), 3);
        QCOMPARE(table()->name(1), QString("Big Crate"));
        QCOMPARE(table()->field(1, 0), QString("10.5"));
        QCOMPARE(table()->field(2, 0), QString("1 2"));
        QCOMPARE(table()->field(2, 1), QString("7"));
        QCOMPARE(table()->name(2), QString("0"));
        QCOMPARE(table()->selectedRow(), -1);
        QVERIFY(!list7()->currentIndex().isValid());
        for (int n = 1; n <= 6; ++n)
            QVERIFY(text(n)->text().isEmpty());
        QCOMPARE(form->mapView()->canvas(), drawn);
        QCOMPARE(form->placePending(), qint16(-1));

        // "1 2" is not a number, so that list cannot be saved as it stands.
        pickName(2);
        QTest::mouseClick(text(1), Qt::LeftButton);
        text(1)->selectAll();
        QTest::keyClicks(text(1), "-5");
        pickName(0);

        ModalScript save;
        save.chooseFile(path("saved.txt"));
        action("mnuFSave")->trigger();
        QVERIFY(save.done());
        QCOMPARE(read(path("saved.txt")), QByteArray("3\r\n"
                                                     "83.30202 0 -320.5484 0 1.5 0 Barrel\r\n"
                                                     "10.5 2 -1220 0 0 0 Big Crate\r\n"
                                                     "-5 7 8 -400 0 0 0\r\n"));
        // The last prop ends selected, shown and highlighted; a placement is disarmed.
        QCOMPARE(table()->selectedRow(), 2);
        QCOMPARE(list7()->currentIndex().row(), 2);
        QCOMPARE(text(3)->text(), QString("8"));
        QCOMPARE(form->placePending(), qint16(0));
        QCOMPARE(form->mapView()->canvas().pixel(100, 300), qRgb(255, 0, 0));

        // Cancelling either dialog changes nothing.
        const State before = state();
        ModalScript cancel;
        cancel.cancel().cancel();
        action("mnuFOpen")->trigger();
        action("mnuFSave")->trigger();
        QVERIFY(cancel.done());
        QVERIFY(state() == before);
    }

    void badFilesLeaveTheTableAsItWas()
    {
        openThroughMenu(write("good.txt", "1\r\n1 2 3 4 5 6 Keep\r\n"));
        pickName(0);
        const State before = state();

        const QList<QPair<QString, QByteArray>> bad = {
                {"count.txt", "2.5\r\n1 2 3 4 5 6 A\r\n1 2 3 4 5 6 B\r\n"},
                {"words.txt", "props\r\n"},
                {"short.txt", "2\r\n1 2 3 4 5 6 A\r\n1 2 3\r\n"},
                {"huge.txt", "1\r\n1 2 3 4 5 6 A\r\n"}, // then made larger than 64 MiB
        };
        QVERIFY(QFile::resize(write("huge.txt", ""), PropTextFile::MaxFileBytes + 1));
        for (const auto &[name, bytes] : bad) {
            ModalScript script;
            script.ok();
            form->OpenZRM(name == "huge.txt" ? path(name) : write(name, bytes));
            QVERIFY(script.done());
            QVERIFY2(script.seen.value(0).text.contains(name),
                     qPrintable(script.seen.value(0).text));
            QVERIFY(state() == before);
        }
        ModalScript missing;
        missing.ok();
        form->OpenZRM(path("nowhere.txt"));
        QVERIFY(missing.done());
        QVERIFY(missing.seen.value(0).text.contains("nowhere.txt"));
        QVERIFY(state() == before);

        // A count of 0 empties the table.
        form->OpenZRM(write("empty.txt", "0\r\n"));
        QCOMPARE(table()->size(), 0);
        QCOMPARE(text(7)->text(), QString("0"));
    }

    void saveCommitsTheEditInProgress()
    {
        openThroughMenu(write("in.txt", "2\r\n1 2 3 4 5 6 A\r\n1 2 3 4 5 6 B\r\n"));
        pickName(0);
        QTest::mouseClick(text(2), Qt::LeftButton);
        text(2)->selectAll();
        QTest::keyClicks(text(2), "99");
        QCOMPARE(QApplication::focusWidget(), text(2));

        ModalScript save;
        save.chooseFile(path("out.txt"));
        action("mnuFSave")->trigger();
        QVERIFY(save.done());
        QCOMPARE(read(path("out.txt")), QByteArray("2\r\n1 99 3 4 5 6 A\r\n1 2 3 4 5 6 B\r\n"));
        QCOMPARE(table()->field(0, 1), QString("99"));
        QCOMPARE(text(2)->text(), QString("2")); // B, the last prop, is shown
    }

    void saveRefusesWhatWouldNotReadBack()
    {
        openThroughMenu(write("in.txt", "2\r\n1 2 3 4 5 6 A\r\n1 2 3 4 5 6 B\r\n"));
        const QString target = write("target.txt", "old contents");
        pickName(1);
        QTest::mouseClick(text(4), Qt::LeftButton);
        QTest::keyClicks(text(4), "x");
        pickName(0);
        const State before = state();

        ModalScript refused;
        refused.ok();
        form->SaveZRM(target);
        QVERIFY(refused.done());
        const QString message = refused.seen.value(0).text;
        QVERIFY2(message.contains("prop 2") && message.contains("\"B\"")
                         && message.contains("X Angle") && message.contains("4x"),
                 qPrintable(message));
        QCOMPARE(read(target), QByteArray("old contents"));
        QVERIFY(state() == before);

        // A file that cannot be written is reported and nothing changes.
        QVERIFY(reactivate());
        pickName(1);
        QTest::mouseClick(text(4), Qt::LeftButton);
        text(4)->setText("4");
        QTest::keyClick(text(4), Qt::Key_Tab);
        const State writable = state();
        ModalScript failed;
        failed.ok();
        form->SaveZRM(path("no/such/folder/out.txt"));
        QVERIFY(failed.done());
        QVERIFY(failed.seen.value(0).text.startsWith("Cannot save"));
        QVERIFY(state() == writable);

        // Nor a list that would make a file too large to open again.
        PropRecord big;
        big.fields.fill("0");
        big.name = QString(2048, 'x');
        table()->replace("32767", QVector<PropRecord>(32767, big));
        ModalScript tooLarge;
        tooLarge.ok();
        form->SaveZRM(target);
        QVERIFY(tooLarge.done());
        QVERIFY(tooLarge.seen.value(0).text.contains("65 MiB"));
        QCOMPARE(read(target), QByteArray("old contents"));
    }

    void savingAnEmptyTable()
    {
        const State before = state();
        form->SaveZRM(path("empty.txt"));
        QCOMPARE(read(path("empty.txt")), QByteArray("0\r\n"));
        QVERIFY(state() == before);
    }
};

QTEST_MAIN(TestFiles)
#include "tst_files.moc"
