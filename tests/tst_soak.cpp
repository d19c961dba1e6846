#include "harness.h"
#include "props/numbertext.h"
#include "props/proptextfile.h"

// A long seeded random walk of user actions on the real window, its menus and its dialogs,
// checking after every action that the window, the table and the files on disk agree.
class TestSoak : public QObject, Harness
{
    Q_OBJECT

    quint32 m_seed = 20240611;
    int m_actions = 5000, m_saved = 0;
    QRandomGenerator m_rng;
    QTemporaryDir m_tools; // the stand-in converters, outside the watched work folder
    QString m_action; // the session step of this action, and what its dialogs showed
    QElapsedTimer m_clock; // since the action began: a dialog still up after 10 s is closed
    QStringList m_messages, m_chosen; // what this action's message boxes said and dialogs chose
    QMap<QString, QByteArray> m_files; // every file in the work folder

    QString any(const char *items)
    {
        return QString(items).split(u'|').at(m_rng.bounded(int(QString(items).count(u'|') + 1)));
    }
    int pick(int n) { return m_rng.bounded(n); }
    QMap<QString, QByteArray> scanFiles() const
    {
        QMap<QString, QByteArray> files;
        for (QDirIterator it(dir->path(), QDir::Files, QDirIterator::Subdirectories);
             it.hasNext();) {
            QFile file(it.next()); // "=" tells an empty file from a missing one
            files[file.fileName()] = file.open(QIODevice::ReadOnly) ? "=" + file.readAll() : "?";
        }
        return files;
    }

    // Answers the modal window that is up at random, as a user could (but never OK to the exit
    // question); one still up after a few answers, or long overdue, is closed by force.
    void answer(QWidget *modal)
    {
        const int tries = modal->property("tries").toInt();
        auto *files = qobject_cast<QFileDialog *>(modal);
        auto *input = qobject_cast<QInputDialog *>(modal);
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (m_clock.elapsed() > 10000 || tries >= 4 || !(box || files || input))
            return void(modal->close()); // a dialog's close box rejects it
        if (files && QApplication::activeWindow() != modal) // a typed name wins only there
            return modal->activateWindow();
        modal->setProperty("tries", tries + 1);
        m_action += " [" + (box ? box->text().left(20) : modal->windowTitle()) + ']';
        // A converter's report comes when it ends, in the middle of whatever is going on.
        if (box && tries == 0 && box->windowTitle() == "ZRM"
            && !box->text().startsWith("The conversion"))
            m_messages << box->text();
        // Never end the editor: unsaved changes are kept when it would close.
        if (box && box->text().endsWith("before closing?"))
            return QTest::keyClick(box, Qt::Key_Escape);
        if (box) {
            QList<QAbstractButton *> choices = box->buttons();
            choices.removeOne(box->text() == "Are ya sure?" ? box->button(QMessageBox::Ok)
                                                            : nullptr);
            QAbstractButton *button = choices.value(pick(int(choices.size()) + 1)); // or Esc
            return button ? button->click() : QTest::keyClick(box, Qt::Key_Escape);
        }
        if (pick(6) == 0)
            return QTest::keyClick(modal, Qt::Key_Escape);
        if (input)
            return input->setTextValue(any("Barrel|Big Crate|12Barrels|a,b|\"q| x|x |12 Barrels|")),
                   input->accept();
        if (tries == 0)
            connect(files, &QFileDialog::fileSelected, this,
                    [this](const QString &path) { m_chosen << path; });
        ModalScript::choose(files,
                            files->acceptMode() == QFileDialog::AcceptOpen && pick(2)
                                    ? m_files.keys().at(pick(int(m_files.size())))
                                    : path(any("missing/x.txt|good.txt/x.txt||sub "
                                               "dir|out1.txt|out2.txt|sub dir/out 3.txt|OUT.ZRM")));
    }

    // One user action, chosen at random, as a session step.
    QString randomStep()
    {
        const int r = pick(100);
        if (r < 18 && table()->size() > 0)
            return QString("pick %1").arg(pick(int(table()->size())));
        if (r < 26)
            return "click List7; key " + any("Up|Down|Home|End|PgDown|Del|Ctrl+Z|Ctrl+Y");
        if (r < 42)
            return "click Command" + any("1|2|2|2|3|3|4|5");
        if (r < 68) // a move, also outside the map, then a click or a far drag
            return QString("move %1,%2").arg(pick(270) - 60).arg(pick(670) - 60)
                   + any("|||; map|; off|; move 70000,-70000; off");
        if (r < 92)
            return QString("type %1 %2; %3")
                    .arg(1 + pick(6))
                    .arg(any("12.5|-3|0|250|-1220|83.30202|1e2|-0| 7 |+4|.5|3.|abc|1,5||1 2|\"q"),
                         any("key Tab|key Shift+Tab|click Text2|click Text7|click List7|click "
                             "Picture1|?s"));
        return "menu "
               + any("mnuFNew|mnuFOpen|mnuFSave|mnuFSave|mnuCZRM|mnuCTXT|mnuFExit|mnuEUndo|"
                     "mnuEUndo|mnuERedo");
    }
    // What must hold after every action. A save that reports nothing must give back the table,
    // numbers by their value, and its file is the one that may change.
    void check(int index)
    {
        const QByteArray where = QString(" (seed %1, action #%2: %3)")
                                         .arg(m_seed)
                                         .arg(index)
                                         .arg(m_action)
                                         .toLocal8Bit();
        for (QWidget *top : QApplication::topLevelWidgets())
            QVERIFY2(top == form.get() ? top->isVisible() : !top->isVisible(),
                     top->metaObject()->className() + where);
        const int rows = table()->size(), selected = table()->selectedRow(),
                  pending = form->placePending();
        QVERIFY2(text(7)->text() == QString::number(rows) && list7()->model()->rowCount() == rows
                         && selected < rows && selected == list7()->currentIndex().row()
                         && (pending == 0 || pending == -1),
                 run("?s").toLatin1() + where);
        QVERIFY2(m_action != "menu mnuFNew" || rows == 0, "New left props" + where);
        if (m_action.startsWith("menu mnuFSave") && !m_chosen.isEmpty() && m_messages.isEmpty()) {
            const auto file = PropTextFile::readFile(m_chosen.constFirst());
            bool same = file.contents && file.contents->countText == table()->countText()
                        && file.contents->records.size() == rows;
            for (int row = 0; same && row < rows; ++row) {
                const PropRecord &read = file.contents->records.at(row),
                                 &held = table()->record(row);
                same = read.name == held.name;
                for (int f = 0; same && f < PropRecord::FieldCount; ++f)
                    same = NumberText::parse(held.fields.at(f))
                           && NumberText::parse(held.fields.at(f))
                                      == NumberText::parse(read.fields.at(f));
            }
            QVERIFY2(same, "the saved file differs from the table" + where);
            m_files[QFileInfo(m_chosen.constFirst()).canonicalFilePath()] = "saved";
            ++m_saved;
        }
        // A save asked for before the list is replaced writes the list the table held then.
        if (m_action.contains("[Save the changes to"))
            for (const QString &path : std::as_const(m_chosen))
                m_files[QFileInfo(path).canonicalFilePath()] = "saved";
        const QMap<QString, QByteArray> now = scanFiles();
        for (const QString &path : now.keys() + m_files.keys())
            QVERIFY2(now.value(path) == m_files.value(path) || m_files.value(path) == "saved",
                     qPrintable(path + " changed without a save" + where));
        m_files = now;
    }

private slots:
    void randomWalk()
    {
        bool ok = false;
        if (const uint seed = qEnvironmentVariable("ZRM_SOAK_SEED").toUInt(&ok); ok)
            m_seed = seed;
        if (const int n = qEnvironmentVariableIntValue("ZRM_SOAK_ACTIONS", &ok); ok && n > 0)
            m_actions = n;
        m_rng.seed(m_seed);
        qInfo("soak: seed %u, %d actions (ZRM_SOAK_SEED, ZRM_SOAK_ACTIONS)", m_seed, m_actions);
        QVERIFY(start());
        dir.reset(new QTemporaryDir(QDir(QDir::tempPath()).canonicalPath() + "/soak-XXXXXX"));
        for (const char *name : {"ZRM2TXT.exe", "TXT2ZRM.exe"}) // first on the PATH
            QVERIFY(QFile::copy(ZRM_FAKE_CONVERTER, m_tools.filePath(name)));
        qputenv("PATH", QFile::encodeName(m_tools.path()) + ':' + qgetenv("PATH"));
        qputenv("ZRM_FAKE_CONVERTER_LOG", QFile::encodeName(m_tools.filePath("converter.log")));
        write("good.txt", "3\r\n83.30202 0 -320.5484 0 1.5 0 Barrel\r\n10.50 2 -1220 0 0 0 Big "
                          "Crate\r\n1 2 3 4 5 6 Keg\r\n");
        write("A.ZRM", QByteArray("\x00\x01ZRM\xff\xfe\x02", 7));
        write("ends early.txt", "3\n1 2 3 4 5 6 A\n");
        write("sub dir/deep.txt", "1\n5 5 5 0 0 0 Deep one\n");
        m_files = scanFiles();
        // Modal windows are answered from the event loop, so nested modal loops are met too.
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [this] {
            QTimer::singleShot(
                    0, this, [this, modal = QPointer<QWidget>(QApplication::activeModalWidget())] {
                        if (modal && modal->isVisible()
                            && modal == QApplication::activeModalWidget())
                            answer(modal);
                    });
        });
        poll.start(3);
        for (int index = 0; index < m_actions && !QTest::currentTestFailed(); ++index) {
            m_action = randomStep();
            m_messages = m_chosen = QStringList();
            m_clock.start();
            run(m_action);
            QCoreApplication::processEvents();
            check(index);
        }
        qInfo("soak: %d actions, %d saves checked", m_actions, m_saved);
    }
};

QTEST_MAIN(TestSoak)
#include "tst_soak.moc"
