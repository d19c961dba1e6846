#include "formfixture.h"
#include "modalscript.h"

#include <QLabel>
#include <QMimeData>
#include <QProcess>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QToolTip>

// How the window fits a desktop: its font, command line, shortcuts, file dialog folders,
// dropped files and the map's tooltip.
class TestDesktop : public QObject, FormFixture
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString write(const QString &name, const QByteArray &bytes) const
    {
        QDir().mkpath(QFileInfo(m_dir.filePath(name)).path());
        QFile file(m_dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write test file");
        return file.fileName();
    }
    // Drags `urls` onto `target` and drops them where the drag was accepted.
    static void drop(QWidget *target, const QList<QUrl> &urls)
    {
        QMimeData data;
        data.setUrls(urls);
        data.setText(urls.value(0).toString());
        QWidget *w = target;
        const QPoint at = target->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        for (; w; w = w->parentWidget()) {
            if (w->acceptDrops() && w->isEnabled() && QApplication::sendEvent(w, &enter)
                && enter.isAccepted())
                break;
            enter.ignore();
        }
        if (!w)
            return;
        QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(w, &dropped);
    }

private slots:
    void init() { QVERIFY(start()); }
    void cleanup() { form.reset(); }

    void everyCaptionFits()
    {
        const QFont platform = QApplication::font();
        const QFont used = form->centralWidget()->font();
        QCOMPARE(used.family(), platform.family());
        QVERIFY(QFontInfo(used).pixelSize() <= QFontInfo(platform).pixelSize());
        for (int n = 1; n <= 5; ++n) {
            QStyleOptionButton option;
            option.initFrom(command(n));
            const QRect room = command(n)->style()->subElementRect(QStyle::SE_PushButtonContents,
                                                                   &option, command(n));
            QVERIFY2(command(n)->fontMetrics().horizontalAdvance(command(n)->text())
                             <= room.width(),
                     qPrintable(command(n)->text()));
        }
        const QRect client = form->centralWidget()->rect();
        for (QWidget *w : form->centralWidget()->findChildren<QWidget *>()) {
            QVERIFY2(client.contains(w->geometry()), qPrintable(w->objectName()));
            if (auto *label = qobject_cast<QLabel *>(w))
                QVERIFY2(label->x() + label->fontMetrics().horizontalAdvance(label->text())
                                 < text(1)->x(),
                         qPrintable(label->text()));
        }
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output"); // the start of standard output, or of errors
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

    void openingFromOutsideFollowsFileOpen()
    {
        // A file named on the command line: opened as File > Open would, one undoable step.
        form->openFile(write("given/props.txt", "1\r\n1 2 3 4 5 6 A\r\n"));
        QCOMPARE(table()->name(0), QString("A"));
        QCOMPARE(action("mnuEUndo")->text(), QString("&Undo Open"));
        // A missing one is reported and leaves the table as it was.
        ModalScript script;
        script.ok();
        form->openFile(m_dir.filePath("missing.txt"));
        QVERIFY(script.done() && script.seen.value(0).text.contains("missing.txt"));
        QCOMPARE(table()->size(), 1);

        // Dropped on a field box or anywhere on the window: one local file opens, nothing else.
        const QString other = write("other.txt", "2\r\n0 0 0 0 0 0 B\r\n0 0 0 0 0 0 C\r\n");
        drop(text(2), {QUrl::fromLocalFile(other), QUrl::fromLocalFile(other)});
        drop(list7(), {QUrl("https://example.com/props.txt")});
        QCOMPARE(table()->size(), 1);
        drop(text(2), {QUrl::fromLocalFile(other)});
        QCOMPARE(table()->size(), 2);
        QVERIFY(text(2)->text().isEmpty());
        form->OpenZRM(write("given/props.txt", "0\r\n"));
        drop(command(1), {QUrl::fromLocalFile(other)});
        QCOMPARE(table()->size(), 2);
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
        script.chooseFile(first).then(note); // File > Open, then File > Save
        script.ok().chooseFile(write("second/b.ZRM", "")).ok().then(note).ok(); // Convert
        script.ok().then(note); // Convert again, after the second folder is gone
        action("mnuFOpen")->trigger();
        action("mnuFSave")->trigger();
        action("mnuCZRM")->trigger();
        QVERIFY(QDir(m_dir.filePath("second")).removeRecursively());
        form->openFile(first); // as from the command line or a drop
        action("mnuCTXT")->trigger();
        QVERIFY(QDir(m_dir.filePath("first")).removeRecursively());
        script.then(note);
        action("mnuFOpen")->trigger(); // no folder left: the editor's own
        QVERIFY(script.done());
        QCOMPARE(folders,
                 QStringList({QFileInfo(first).path(), m_dir.filePath("second"),
                              QFileInfo(first).path(), QCoreApplication::applicationDirPath()}));
    }

    void shortcutsRunTheirMenuCommands()
    {
        form->openFile(write("keys.txt", "2\r\n1 2 3 4 5 6 A\r\n1 2 3 4 5 6 B\r\n"));
        ModalScript script;
        script.cancel().cancel().press(QMessageBox::Cancel);
        for (const char *key : {"Ctrl+O", "Ctrl+S", "Ctrl+Q"}) {
            QVERIFY(reactivate());
            QTest::keySequence(form.get(), QKeySequence(QString::fromLatin1(key)));
        }
        QVERIFY(script.done());
        QCOMPARE(script.seen.value(2).text, QString("Are ya sure?"));
        QVERIFY(form->isVisible() && reactivate());
        // Delete removes the prop picked in the name list; Ctrl+S saves what a box holds.
        pickName(0);
        QTest::keyClick(list7(), Qt::Key_Delete);
        QCOMPARE(table()->size(), 1);
        pickName(0);
        typeInto(1, "9");
        script.chooseFile(m_dir.filePath("saved.txt"));
        QTest::keySequence(text(1), QKeySequence::Save);
        QVERIFY(script.done());
        QCOMPARE(table()->field(0, 0), QString("9"));
        QVERIFY(reactivate());
        QCOMPARE(QApplication::focusWidget(), text(1));
        QTest::keyClick(text(1), Qt::Key_Delete); // a box's own key
        QCOMPARE(table()->size(), 1);
        QTest::keySequence(form.get(), QKeySequence::New);
        QCOMPARE(table()->size(), 0);
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
