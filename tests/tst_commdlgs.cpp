#include "files/commdlgs.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

// Answers the modal windows that open while the code under test runs: the active modal
// window gets the next step, which returns false to be called again on the next poll; a
// window without a step is closed and reported, so a test never hangs.
class ModalDriver : public QObject
{
public:
    using Step = std::function<bool(QWidget *)>;

    explicit ModalDriver(QList<Step> steps)
        : m_steps(std::move(steps))
    {
        connect(&m_poll, &QTimer::timeout, this, &ModalDriver::poll);
        m_poll.start(10);
    }

    qsizetype stepsLeft() const { return m_steps.size(); }
    QStringList unexpected() const { return m_unexpected; }

private:
    void poll()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (m_busy || !modal || !modal->isVisible())
            return;
        // Act outside the poll: a step may open a nested modal loop (the overwrite prompt),
        // and the poller has to keep running inside it.
        m_busy = true;
        QTimer::singleShot(0, this, [this, target = QPointer<QWidget>(modal)] {
            m_busy = false;
            if (!target || !target->isVisible())
                return;
            if (m_steps.isEmpty()) {
                m_unexpected << QString::fromLatin1(target->metaObject()->className());
                target->close();
                return;
            }
            // Taken off before it runs: a nested modal it opens needs the next step.
            const Step step = m_steps.takeFirst();
            if (!step(target))
                m_steps.prepend(step);
        });
    }

    QTimer m_poll;
    QList<Step> m_steps;
    QStringList m_unexpected;
    bool m_busy = false;
};

QPushButton *acceptButton(QFileDialog *dialog)
{
    auto *box = dialog->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
    return box->button(dialog->acceptMode() == QFileDialog::AcceptOpen ? QDialogButtonBox::Open
                                                                       : QDialogButtonBox::Save);
}

// Types name (unless it is null) into the file-name box and presses Open/Save, as a user
// would; a step for anything but a file dialog closes it, which the test then notices.
ModalDriver::Step typeAndAccept(const QString &name)
{
    return [name, polls = 0](QWidget *widget) mutable {
        auto *dialog = qobject_cast<QFileDialog *>(widget);
        if (!dialog)
            return widget->close();
        // The dialog drops the list's earlier selection (which would win over the typed
        // name) only while the name box has the focus, as it has when a user types; after a
        // nested prompt the window becomes active again only a little later.
        if (QApplication::activeWindow() != dialog && ++polls < 200) {
            dialog->activateWindow();
            return false;
        }
        if (!name.isNull()) {
            auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            edit->setFocus(Qt::OtherFocusReason);
            edit->setText(name);
        }
        acceptButton(dialog)->click();
        return true;
    };
}

// Answers the overwrite prompt with button, keeping its text.
ModalDriver::Step answer(QMessageBox::StandardButton button, QString *text)
{
    return [button, text](QWidget *widget) {
        auto *box = qobject_cast<QMessageBox *>(widget);
        if (!box || !box->button(button))
            return widget->close();
        *text = box->text();
        box->button(button)->click();
        return true;
    };
}

// Runs step on the dialog, then cancels it.
ModalDriver::Step look(std::function<void(QFileDialog *)> step)
{
    return [step](QWidget *widget) {
        if (auto *dialog = qobject_cast<QFileDialog *>(widget))
            step(dialog);
        return widget->close();
    };
}

// The names the dialog's file list shows.
QStringList listedNames(QFileDialog *dialog)
{
    QStringList names;
    auto *view = dialog->findChild<QAbstractItemView *>(QStringLiteral("listView"));
    const QModelIndex root = view->rootIndex();
    for (int row = 0; row < view->model()->rowCount(root); ++row)
        names << view->model()->index(row, 0, root).data().toString();
    names.sort();
    return names;
}

QtMessageHandler g_testLogHandler = nullptr;

// The offscreen platform warns about every dialog it sizes; that says nothing about the test.
void dropOffscreenNoise(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (!message.contains(QLatin1String("propagateSizeHints")))
        g_testLogHandler(type, context, message);
}

QString pairs(std::initializer_list<const char *> parts)
{
    QString filter;
    for (const char *part : parts)
        filter += QString::fromUtf8(part) + QChar();
    return filter;
}

} // namespace

// Drives the real file dialog behind CommDlgs::ShowFileDialog under the offscreen platform.
class TestCommDlgs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { g_testLogHandler = qInstallMessageHandler(dropOffscreenNoise); }
    void init();

    void presentation_data();
    void presentation();
    void filterListsMatchingFiles_data();
    void filterListsMatchingFiles();

    void returnsChosenPath_data();
    void returnsChosenPath();
    void dismissingReturnsEmpty_data();
    void dismissingReturnsEmpty();
    void openRefusesMissingFile_data();
    void openRefusesMissingFile();
    void saveAsksBeforeReplacing_data();
    void saveAsksBeforeReplacing();

private:
    QString show(int action, const QString &initialName, const QString &filter,
                 const QString &extension);
    QString path(const QString &name) const { return m_dir->filePath(name); }
    void createFile(const QString &name) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    QWidget m_owner;
};

void TestCommDlgs::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

QString TestCommDlgs::show(int action, const QString &initialName, const QString &filter,
                           const QString &extension)
{
    return CommDlgs::ShowFileDialog(&m_owner, static_cast<qint16>(action), QStringLiteral("Pick"),
                                    initialName, filter, m_dir->path(), extension);
}

void TestCommDlgs::createFile(const QString &name) const
{
    QFile file(path(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
}

void TestCommDlgs::presentation_data()
{
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("shownFilters");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QString>("suffix");

    QTest::newRow("1 opens") << 1 << pairs({"ZRM Files", "*.ZRM"})
                             << QStringList{QStringLiteral("ZRM Files (*.ZRM)")}
                             << QStringLiteral("ZRM") << QStringLiteral("ZRM");
    // "*.*" would hide names without a dot; it is meant as every file.
    QTest::newRow("2 saves") << 2 << pairs({"All Files", "*.*"})
                             << QStringList{QStringLiteral("All Files (*)")} << QStringLiteral("*")
                             << QString();
    QTest::newRow("0 saves, two pairs")
            << 0 << pairs({"Text", "*.txt;*.lst", "All Files", "*.*"})
            << QStringList{QStringLiteral("Text (*.txt *.lst)"), QStringLiteral("All Files (*)")}
            << QString() << QString();
    QTest::newRow("-5 saves, list ended by an empty pair")
            << -5 << pairs({"ZRM Files", "*.ZRM", ""})
            << QStringList{QStringLiteral("ZRM Files (*.ZRM)")} << QStringLiteral("ZRM")
            << QStringLiteral("ZRM");
    QTest::newRow("257 saves") << 257 << pairs({"ZRM Files", "*.ZRM"})
                               << QStringList{QStringLiteral("ZRM Files (*.ZRM)")}
                               << QStringLiteral("ZRM") << QStringLiteral("ZRM");
}

void TestCommDlgs::presentation()
{
    QFETCH(int, action);
    QFETCH(QString, filter);
    QFETCH(QStringList, shownFilters);
    QFETCH(QString, extension);
    QFETCH(QString, suffix);

    const bool open = action == 1;
    bool looked = false;
    ModalDriver driver({look([&](QFileDialog *dialog) {
        looked = true;
        QVERIFY(dialog->testOption(QFileDialog::DontUseNativeDialog));
        QCOMPARE(dialog->acceptMode(), open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
        QCOMPARE(dialog->fileMode(), open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Pick"));
        QCOMPARE(dialog->directory().absolutePath(), QDir(m_dir->path()).absolutePath());
        QCOMPARE(dialog->nameFilters(), shownFilters);
        QCOMPARE(dialog->selectedNameFilter(), shownFilters.constFirst());
        QCOMPARE(dialog->defaultSuffix(), suffix);
    })});
    show(action, QString(), filter, extension);
    QVERIFY(looked);
    QCOMPARE(driver.unexpected(), QStringList());
}

void TestCommDlgs::filterListsMatchingFiles_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("listed");

    QTest::newRow("all files, with and without dot")
            << pairs({"All Files", "*.*"})
            << QStringList{QStringLiteral("PROPS"), QStringLiteral("a.ZRM"),
                           QStringLiteral("b.zrm"), QStringLiteral("c.txt")};
    QTest::newRow("zrm in either case")
            << pairs({"ZRM Files", "*.ZRM"})
            << QStringList{QStringLiteral("a.ZRM"), QStringLiteral("b.zrm")};
}

void TestCommDlgs::filterListsMatchingFiles()
{
    QFETCH(QString, filter);
    QFETCH(QStringList, listed);

    for (const char *name : {"PROPS", "a.ZRM", "b.zrm", "c.txt"})
        createFile(QString::fromLatin1(name));

    // The folder is read in the background: look again on each poll until the list shows
    // what is expected or the time is up.
    QStringList shown;
    QElapsedTimer clock;
    clock.start();
    ModalDriver driver({[&](QWidget *widget) {
        if (auto *dialog = qobject_cast<QFileDialog *>(widget))
            shown = listedNames(dialog);
        return shown == listed || clock.elapsed() > 5000 ? widget->close() : false;
    }});
    show(1, QString(), filter, QString());
    QCOMPARE(shown, listed);
}

void TestCommDlgs::returnsChosenPath_data()
{
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("initialName");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QString>("chosen");

    QTest::newRow("open, typed") << 1 << QString() << QStringLiteral("props.ZRM")
                                 << QStringLiteral("ZRM") << QStringLiteral("props.ZRM");
    QTest::newRow("open, preselected") << 1 << QStringLiteral("props.ZRM") << QString() << QString()
                                       << QStringLiteral("props.ZRM");
    QTest::newRow("save, preselected") << 2 << QStringLiteral("start.txt") << QString() << QString()
                                       << QStringLiteral("start.txt");
    QTest::newRow("save, extension appended")
            << 2 << QString() << QStringLiteral("level") << QStringLiteral("ZRM")
            << QStringLiteral("level.ZRM");
    QTest::newRow("save, typed extension kept")
            << 2 << QString() << QStringLiteral("level.txt") << QStringLiteral("ZRM")
            << QStringLiteral("level.txt");
    QTest::newRow("save, star is no extension") << 2 << QString() << QStringLiteral("level")
                                                << QStringLiteral("*") << QStringLiteral("level");
    QTest::newRow("save, empty is no extension")
            << 2 << QString() << QStringLiteral("level") << QString() << QStringLiteral("level");
}

void TestCommDlgs::returnsChosenPath()
{
    QFETCH(int, action);
    QFETCH(QString, initialName);
    QFETCH(QString, typed);
    QFETCH(QString, extension);
    QFETCH(QString, chosen);

    createFile(QStringLiteral("props.ZRM"));
    ModalDriver driver({typeAndAccept(typed)});
    QCOMPARE(show(action, initialName, QString(), extension), path(chosen));
    QCOMPARE(driver.stepsLeft(), 0);
    QCOMPARE(driver.unexpected(), QStringList());
}

void TestCommDlgs::dismissingReturnsEmpty_data()
{
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("how");
    QTest::newRow("open, cancel button") << 1 << QStringLiteral("button");
    QTest::newRow("save, cancel button") << 2 << QStringLiteral("button");
    QTest::newRow("open, escape") << 1 << QStringLiteral("escape");
    QTest::newRow("save, window closed") << 2 << QStringLiteral("close");
}

void TestCommDlgs::dismissingReturnsEmpty()
{
    QFETCH(int, action);
    QFETCH(QString, how);
    createFile(QStringLiteral("props.ZRM"));

    // Even with a valid name already in the box, dismissing the dialog chooses nothing.
    ModalDriver driver({[how](QWidget *widget) {
        auto *dialog = qobject_cast<QFileDialog *>(widget);
        if (!dialog)
            return widget->close();
        dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))
                ->setText(QStringLiteral("props.ZRM"));
        if (how == QLatin1String("button")) {
            dialog->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"))
                    ->button(QDialogButtonBox::Cancel)
                    ->click();
        } else if (how == QLatin1String("escape")) {
            QTest::keyClick(dialog, Qt::Key_Escape);
        } else {
            dialog->close();
        }
        return true;
    }});
    QCOMPARE(show(action, QString(), QString(), QString()), QString());
    QCOMPARE(driver.stepsLeft(), 0);
    QCOMPARE(driver.unexpected(), QStringList());
}

void TestCommDlgs::openRefusesMissingFile_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("missing file") << QStringLiteral("missing.ZRM");
    QTest::newRow("missing folder") << QStringLiteral("nofolder/props.ZRM");
}

void TestCommDlgs::openRefusesMissingFile()
{
    QFETCH(QString, typed);
    createFile(QStringLiteral("props.ZRM"));

    bool stillOpen = false;
    ModalDriver driver({typeAndAccept(typed), [&stillOpen](QWidget *widget) {
                            // Reached only if Open left the dialog up.
                            stillOpen = qobject_cast<QFileDialog *>(widget) != nullptr;
                            return widget->close();
                        }});
    QCOMPARE(show(1, QString(), QString(), QString()), QString());
    QVERIFY(stillOpen);
    QCOMPARE(driver.unexpected(), QStringList());
}

void TestCommDlgs::saveAsksBeforeReplacing_data()
{
    QTest::addColumn<bool>("replace");
    QTest::addColumn<QString>("chosen");
    QTest::newRow("replace") << true << QStringLiteral("exists.txt");
    QTest::newRow("declined, dialog stays") << false << QStringLiteral("other.txt");
}

void TestCommDlgs::saveAsksBeforeReplacing()
{
    QFETCH(bool, replace);
    QFETCH(QString, chosen);
    createFile(QStringLiteral("exists.txt"));

    QString question;
    QList<ModalDriver::Step> steps{typeAndAccept(QStringLiteral("exists.txt")),
                                   answer(replace ? QMessageBox::Yes : QMessageBox::No, &question)};
    if (!replace)
        steps << typeAndAccept(QStringLiteral("other.txt"));
    ModalDriver driver(steps);
    QCOMPARE(show(2, QString(), pairs({"All Files", "*.*"}), QStringLiteral("*")), path(chosen));
    QCOMPARE(driver.stepsLeft(), 0);
    QCOMPARE(driver.unexpected(), QStringList());
    QVERIFY2(question.contains(QStringLiteral("exists.txt")), qPrintable(question));
}

QTEST_MAIN(TestCommDlgs)
#include "tst_commdlgs.moc"
