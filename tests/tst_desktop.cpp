#include "harness.h"

#include <QMimeData>
#include <QProcess>
#include <QToolTip>

// How the editor fits a desktop: its command line, files opened from outside, where file
// dialogs start, shortcuts and the map's tooltip.
class TestDesktop : public QObject, Harness
{
    Q_OBJECT

    // Drags `urls` over `target` and drops them where the drag was taken.
    static void drop(QWidget *target, const QList<QUrl> &urls)
    {
        QMimeData data;
        data.setUrls(urls);
        data.setText(urls.value(0).toString());
        const QPoint at = target->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QWidget *w = target;
        while (w && !(w->acceptDrops() && QApplication::sendEvent(w, &enter) && enter.isAccepted()))
            w = w->parentWidget();
        QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        if (w)
            QApplication::sendEvent(w, &dropped);
    }

private slots:
    void init() { QVERIFY(start()); }
    void cleanup() { form.reset(); }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output"); // how standard output, or errors, begin
        QTest::newRow("help") << QStringList{"--help"} << 0 << "Usage: zrm-editor [options] [FILE]";
        QTest::newRow("version") << QStringList{"-v"} << 0 << "zrm-editor 1.0\n";
        QTest::newRow("bad option")
                << QStringList{"--bogus", "a"} << 2 << "zrm-editor: Unknown option 'bogus'.";
        QTest::newRow("two files")
                << QStringList{"a", "b"} << 2 << "zrm-editor: only one FILE can be opened.";
    }
    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, output);
        QProcess editor;
        editor.start(ZRM_EDITOR, arguments);
        QVERIFY(editor.waitForFinished(10000)); // no window was opened and waited on
        QCOMPARE(editor.exitCode(), exitCode);
        const QByteArray out = editor.readAllStandardOutput(), err = editor.readAllStandardError();
        QVERIFY2((exitCode ? err : out).startsWith(output.toUtf8()), (out + err).constData());
        QVERIFY((exitCode ? out : err).isEmpty());
    }

    void filesOpenedFromOutside()
    {
        // Named on the command line: opened as File > Open would, one step to undo; a missing
        // one is reported and changes nothing.
        form->openFile(write("given/props.txt", "1\r\n1 2 3 4 5 6 A\r\n"));
        QCOMPARE(action("mnuEUndo")->text(), QString("&Undo Open"));
        ModalScript script;
        form->openFile(path("missing.txt"));
        QVERIFY(script.seen.value(0).startsWith("Cannot open " + path("missing.txt")));
        // Dropped on a field box or anywhere on the window: one local file opens, nothing else.
        const QString other = write("other.txt", "2\r\n0 0 0 0 0 0 B\r\n0 0 0 0 0 0 C\r\n");
        drop(text(2), {QUrl::fromLocalFile(other), QUrl::fromLocalFile(other)});
        drop(list7(), {QUrl("https://example.com/props.txt")});
        QCOMPARE(run("?t", &script), QString("A:1,2,3,4,5,6"));
        drop(text(2), {QUrl::fromLocalFile(other)});
        form->OpenZRM(write("given/props.txt", "0\r\n"));
        drop(command(1), {QUrl::fromLocalFile(other)});
        QCOMPARE(run("?s; ?b", &script), QString("2/-1/0 ,,,,,"));
        QCOMPARE(action("mnuEUndo")->text(), QString("&Undo Open"));
    }

    void fileDialogsStartWhereTheLastFileWas()
    {
        QStringList folders;
        const auto note = [&folders](QWidget *dialog) {
            folders << static_cast<QFileDialog *>(dialog)->directory().absolutePath();
            static_cast<QDialog *>(dialog)->reject();
        };
        const QString first = write("first/a.txt", "0\r\n");
        ModalScript script;
        script.play(first).then(note); // File > Open, then File > Save
        script.play("ok|" + write("second/b.ZRM", "") + "|ok").then(note).play("ok|ok").then(note);
        run("menu mnuFOpen; menu mnuFSave; menu mnuCZRM", &script);
        QVERIFY(QDir(path("second")).removeRecursively());
        form->openFile(first); // as from the command line or a drop
        action("mnuCTXT")->trigger();
        QVERIFY(QDir(path("first")).removeRecursively());
        script.then(note);
        action("mnuFOpen")->trigger(); // no folder left: the editor's own
        QVERIFY(script.done());
        QCOMPARE(folders, QStringList({path("first"), path("second"), path("first"),
                                       QCoreApplication::applicationDirPath()}));
    }

    void shortcutsRunTheirMenuCommands()
    {
        write("in.txt", "2\r\n1 2 3 4 5 6 A\r\n1 2 3 4 5 6 B\r\n");
        ModalScript script;
        script.play("cancel|cancel|cancel|" + path("saved.txt"));
        // Delete removes the prop picked in the name list; Ctrl+S saves what a box holds and
        // leaves the focus there; Delete in a box is the box's.
        QCOMPARE(run("open; key Ctrl+O; key Ctrl+S; key Ctrl+Q; ?d; pick 0; key Del; ?t; pick 0; "
                     "type 1 9; key Ctrl+S; ?f saved.txt; key Del; ?t; key Ctrl+N; ?s",
                     &script),
                 QString("open Open: A|save Save: A|Are ya sure? B:1,2,3,4,5,6 1/9 2 3 4 5 6 B/ "
                         "B:9,2,3,4,5,6 "
                         "0/-1/0"));
        QVERIFY(script.done() && form->isVisible());
    }

    void mapTooltipNamesThePropsUnderTheMouse()
    {
        QVector<PropRecord> records(13);
        for (int i = 0; i < 13; ++i) {
            records[i].fields = {"83.30202", "0", "-320.5484", "0", "0", "0"};
            records[i].name = QString("P%1").arg(i);
        }
        records[0].fields[0] = "90"; // 2.4 pixels to the right
        records[1].fields[2] = "x";
        table()->replace("13", records);
        const auto tip = [this](QPoint drawing) {
            QHelpEvent help(QEvent::ToolTip, drawing + QPoint(2, 2),
                            form->mapView()->mapToGlobal(drawing));
            QApplication::sendEvent(form->mapView(), &help);
            return QToolTip::text();
        };
        QCOMPARE(tip({100, 300}), QString("X 83.3, Y -320.5\nP2\nP3\nP4\nP5\nP6\nP7\nP8\nP9\nP10\n"
                                          "P11\nand 1 more"));
        QCOMPARE(tip({0, 0}), QString("X -212.0, Y -1220.0"));
    }
};

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
