#include "files/conversion.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

using Conversion::Direction;

namespace {

const QString ZrmToTxtFirst = QStringLiteral("First Select the ZRM file you wish to convert");
const QString TxtToZrmFirst = QStringLiteral("First Select the ASCII ZRM file you wish to convert");
const QString ZrmToTxtSecond
        = QStringLiteral("Now select the destination file; can be any extension but I don't "
                         "recommend using *.ZRM to prevent confusion");
const QString TxtToZrmSecond = QStringLiteral("Now select the destination ZRM file");
const QString TooLong = QStringLiteral(
        "The file name is too long for DOS, either rename the file or convert it by hand by "
        "running going to DOS and typing ZRM2TXT.exe ZRMFilename(DOS length) "
        "TXTDestination(DOS length)");
const QString NamesMatch = QStringLiteral("Names match, not saving");

QString message(const QString &text)
{
    return QStringLiteral("message: ") + text;
}

// How UserScript writes down a file dialog; every dialog opens in the program's folder.
QString fileDialog(bool open, const QString &filter, const QString &suffix)
{
    return QStringLiteral("%1 dialog \"%2\", filter %3, suffix \"%4\", in %5")
            .arg(open ? QStringLiteral("open") : QStringLiteral("save"),
                 open ? QStringLiteral("Open") : QStringLiteral("Save"), filter, suffix,
                 QDir(QCoreApplication::applicationDirPath()).absolutePath());
}

QString openDialog(const char *filter, const char *suffix)
{
    return fileDialog(true, QString::fromLatin1(filter), QString::fromLatin1(suffix));
}

QString saveDialog(const char *filter, const char *suffix)
{
    return fileDialog(false, QString::fromLatin1(filter), QString::fromLatin1(suffix));
}

const QString OverwritePrompt = QStringLiteral("overwrite prompt");

QtMessageHandler g_testLogHandler = nullptr;

// The offscreen platform warns about every dialog it sizes; that says nothing about the test.
void dropOffscreenNoise(QtMsgType type, const QMessageLogContext &context, const QString &msg)
{
    if (!msg.contains(QLatin1String("propagateSizeHints")))
        g_testLogHandler(type, context, msg);
}

// Plays the user through a command: writes down every modal window it shows, answers the
// editor's messages with OK and Qt's overwrite prompt with Yes, and answers each file dialog
// with the next path (typed and accepted) or, for an empty one, Cancel.
class UserScript : public QObject
{
public:
    explicit UserScript(QStringList answers)
        : m_answers(std::move(answers))
    {
        connect(&m_poll, &QTimer::timeout, this, &UserScript::poll);
        m_poll.start(10);
    }

    QStringList seen() const { return m_seen; }
    QStringList answersLeft() const { return m_answers; }

private:
    void poll()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (m_busy || !modal || !modal->isVisible())
            return;
        // Act outside the poll: answering may open a nested modal loop (the overwrite
        // prompt), and the poller has to keep running inside it.
        m_busy = true;
        QTimer::singleShot(0, this, [this, target = QPointer<QWidget>(modal)] {
            m_busy = false;
            if (target && target->isVisible())
                respond(target);
        });
    }

    void respond(QWidget *modal)
    {
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            const bool ours = box->windowTitle() == QLatin1String("ZRM");
            m_seen << (ours ? message(box->text()) : OverwritePrompt);
            if (QAbstractButton *button = box->button(ours ? QMessageBox::Ok : QMessageBox::Yes))
                button->click();
            else
                box->close();
            return;
        }
        auto *fileDialog = qobject_cast<QFileDialog *>(modal);
        if (!fileDialog) {
            m_seen << QStringLiteral("unexpected %1")
                              .arg(QString::fromLatin1(modal->metaObject()->className()));
            modal->close();
            return;
        }
        // A file dialog reappearing after a nested prompt has been described already.
        if (fileDialog != m_describedDialog) {
            m_describedDialog = fileDialog;
            m_activationPolls = 0;
            m_seen << describe(fileDialog);
        }
        if (m_answers.isEmpty() || m_answers.constFirst().isEmpty()) {
            if (!m_answers.isEmpty())
                m_answers.removeFirst();
            fileDialog->reject();
            return;
        }
        // The dialog drops an earlier selection in its list (which would win over the typed
        // name) only while the name box has the focus, as it has when a user types; after a
        // nested prompt the window becomes active again only a little later.
        if (QApplication::activeWindow() != fileDialog && ++m_activationPolls < 200) {
            fileDialog->activateWindow();
            return;
        }
        auto *edit = fileDialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        auto *buttons = fileDialog->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
        edit->setFocus(Qt::OtherFocusReason);
        edit->setText(m_answers.takeFirst());
        buttons->button(fileDialog->acceptMode() == QFileDialog::AcceptOpen
                                ? QDialogButtonBox::Open
                                : QDialogButtonBox::Save)
                ->click();
    }

    static QString describe(QFileDialog *fileDialog)
    {
        return QStringLiteral("%1 dialog \"%2\", filter %3, suffix \"%4\", in %5")
                .arg(fileDialog->acceptMode() == QFileDialog::AcceptOpen ? QStringLiteral("open")
                                                                         : QStringLiteral("save"),
                     fileDialog->windowTitle(), fileDialog->selectedNameFilter(),
                     fileDialog->defaultSuffix(), fileDialog->directory().absolutePath());
    }

    QTimer m_poll;
    QStringList m_answers;
    QStringList m_seen;
    QPointer<QFileDialog> m_describedDialog;
    int m_activationPolls = 0;
    bool m_busy = false;
};

} // namespace

// Runs the Convert menu's commands end to end, with a stand-in converter that logs how it
// was started.
class TestConversion : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void dosNameLength_data();
    void dosNameLength();

    void startsConverter_data();
    void startsConverter();
    void endsWithoutStarting_data();
    void endsWithoutStarting();
    void missingConverter_data();
    void missingConverter();
    void unrunnableConverter();
    void converterBesideEditorComesFirst();

private:
    QString workFile(const QString &name) const;
    QStringList converterLog() const;
    static void installProgram(const QString &from, const QString &to);
    static void installJunkProgram(const QString &to);

    QTemporaryDir m_tools;
    QTemporaryDir m_noTools;
    QByteArray m_originalPath;
    std::unique_ptr<QTemporaryDir> m_work;
    QString m_log;
    QWidget m_owner;
};

void TestConversion::initTestCase()
{
    g_testLogHandler = qInstallMessageHandler(dropOffscreenNoise);
    QVERIFY(m_tools.isValid());
    QVERIFY(m_noTools.isValid());
    for (const char *name : {"ZRM2TXT.exe", "TXT2ZRM.exe"}) {
        installProgram(QStringLiteral(ZRM_FAKE_CONVERTER), m_tools.filePath(name));
        // A converter beside the test program would hide the ones the tests put on the PATH.
        const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(name);
        QVERIFY2(!QFile::exists(beside), qPrintable(beside + QStringLiteral(" is in the way")));
    }
    m_originalPath = qgetenv("PATH");
}

void TestConversion::init()
{
    m_work = std::make_unique<QTemporaryDir>();
    QVERIFY(m_work->isValid());
    m_log = m_work->filePath(QStringLiteral("converter.log"));
    qputenv("ZRM_FAKE_CONVERTER_LOG", m_log.toLocal8Bit());
    qputenv("PATH", QFile::encodeName(m_tools.path()) + ':' + m_originalPath);
}

void TestConversion::cleanup()
{
    qputenv("PATH", m_originalPath);
}

QString TestConversion::workFile(const QString &name) const
{
    const QString path = m_work->filePath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qWarning("cannot create %s", qPrintable(path));
    return path;
}

QStringList TestConversion::converterLog() const
{
    QFile file(m_log);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void TestConversion::installProgram(const QString &from, const QString &to)
{
    QFile::remove(to);
    QVERIFY2(QFile::copy(from, to), qPrintable(to));
    QVERIFY(QFile::setPermissions(to, QFile::permissions(to) | QFile::ExeOwner | QFile::ReadOwner));
}

void TestConversion::installJunkProgram(const QString &to)
{
    QFile file(to);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("MZ this is no program for this system\n");
    file.close();
    QVERIFY(QFile::setPermissions(to, QFile::permissions(to) | QFile::ExeOwner));
}

void TestConversion::dosNameLength_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("tooLong");

    QTest::newRow("8.3") << QStringLiteral("PROPS123.ZRM") << false;
    QTest::newRow("9.3") << QStringLiteral("PROPS1234.ZRM") << true;
    QTest::newRow("12 without dot") << QStringLiteral("ABCDEFGHIJKL") << false;
    QTest::newRow("13 without dot") << QStringLiteral("ABCDEFGHIJKLM") << true;
    QTest::newRow("only the total counts") << QStringLiteral("A.BCDEFGHIJK") << false;
    QTest::newRow("short name, long DOS folders")
            << QStringLiteral("C:\\Program Files\\Some Long Game Folder\\PROPS.ZRM") << false;
    QTest::newRow("short name, long unix folders")
            << QStringLiteral("/home/player/some long game folder/PROPS.ZRM") << false;
    QTest::newRow("long name after backslash") << QStringLiteral("C:\\GAME\\PROPS1234.ZRM") << true;
    QTest::newRow("long name after slash") << QStringLiteral("/game/PROPS1234.ZRM") << true;
    QTest::newRow("backslash after slash") << QStringLiteral("/game/LONGFOLDER\\A.ZRM") << false;
    QTest::newRow("slash after backslash") << QStringLiteral("C:\\LONGFOLDER/A.ZRM") << false;
    QTest::newRow("12 after separator") << QStringLiteral("C:\\PROPS123.ZRM") << false;
    QTest::newRow("empty") << QString() << false;
}

void TestConversion::dosNameLength()
{
    QFETCH(QString, path);
    QFETCH(bool, tooLong);
    QCOMPARE(Conversion::isNameTooLongForDos(path), tooLong);
}

void TestConversion::startsConverter_data()
{
    QTest::addColumn<Direction>("direction");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("typedDestination");
    QTest::addColumn<QString>("destination");
    QTest::addColumn<QStringList>("seen");
    QTest::addColumn<QString>("program");

    const QStringList zrmToTxt{message(ZrmToTxtFirst), openDialog("ZRM Files (*.ZRM)", "ZRM"),
                               message(ZrmToTxtSecond), saveDialog("All Files (*)", "")};
    const QStringList txtToZrm{message(TxtToZrmFirst), openDialog("All Files (*)", ""),
                               message(TxtToZrmSecond), saveDialog("ZRM Files (*.ZRM)", "ZRM")};

    QTest::newRow("zrm to txt") << Direction::ZrmToTxt << QStringLiteral("PROPS.ZRM")
                                << QStringLiteral("PROPS.TXT") << QStringLiteral("PROPS.TXT")
                                << zrmToTxt << QStringLiteral("ZRM2TXT.exe");
    QTest::newRow("txt to zrm, extension added")
            << Direction::TxtToZrm << QStringLiteral("PROPS.TXT") << QStringLiteral("NEW")
            << QStringLiteral("NEW.ZRM") << txtToZrm << QStringLiteral("TXT2ZRM.exe");
    QTest::newRow("folders with blanks")
            << Direction::ZrmToTxt << QStringLiteral("my levels/PROPS.ZRM")
            << QStringLiteral("my text files/PROPS.TXT")
            << QStringLiteral("my text files/PROPS.TXT") << zrmToTxt
            << QStringLiteral("ZRM2TXT.exe");
    // The same-name check compares the text exactly.
    QTest::newRow("names differ only in case")
            << Direction::TxtToZrm << QStringLiteral("PROPS.ZRM") << QStringLiteral("props.zrm")
            << QStringLiteral("props.zrm") << txtToZrm << QStringLiteral("TXT2ZRM.exe");
}

void TestConversion::startsConverter()
{
    QFETCH(Direction, direction);
    QFETCH(QString, source);
    QFETCH(QString, typedDestination);
    QFETCH(QString, destination);
    QFETCH(QStringList, seen);
    QFETCH(QString, program);

    const QString sourcePath = workFile(source);
    QDir().mkpath(QFileInfo(m_work->filePath(typedDestination)).absolutePath());
    UserScript user({sourcePath, m_work->filePath(typedDestination)});
    Conversion::run(&m_owner, direction);

    QCOMPARE(user.seen(), seen);
    QCOMPARE(user.answersLeft(), QStringList());
    // One line: the program, then exactly two arguments, whatever blanks they contain.
    const QStringList expected{QStringList{program, sourcePath, m_work->filePath(destination)}.join(
            QLatin1Char('\t'))};
    QTRY_COMPARE_WITH_TIMEOUT(converterLog(), expected, 5000);
}

void TestConversion::endsWithoutStarting_data()
{
    // The answers are names in the work folder, an empty one cancels; the first answer is
    // created as the source file.
    QTest::addColumn<Direction>("direction");
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QStringList>("seen");

    const QString zrmOpen = openDialog("ZRM Files (*.ZRM)", "ZRM");
    const QString allOpen = openDialog("All Files (*)", "");
    const QString allSave = saveDialog("All Files (*)", "");
    const QString zrmSave = saveDialog("ZRM Files (*.ZRM)", "ZRM");
    const QStringList zrmToTxtSource{message(ZrmToTxtFirst), zrmOpen};
    const QStringList txtToZrmSource{message(TxtToZrmFirst), allOpen};
    const QStringList zrmToTxtBoth = zrmToTxtSource + QStringList{message(ZrmToTxtSecond), allSave};
    const QStringList txtToZrmBoth = txtToZrmSource + QStringList{message(TxtToZrmSecond), zrmSave};

    QTest::newRow("zrm to txt, source cancelled")
            << Direction::ZrmToTxt << QStringList{QString()} << zrmToTxtSource;
    QTest::newRow("txt to zrm, source cancelled")
            << Direction::TxtToZrm << QStringList{QString()} << txtToZrmSource;
    // The too-long text names ZRM2TXT.exe in both directions.
    QTest::newRow("zrm to txt, source name too long")
            << Direction::ZrmToTxt << QStringList{QStringLiteral("PROPS1234.ZRM")}
            << zrmToTxtSource + QStringList{message(TooLong)};
    QTest::newRow("txt to zrm, source name too long")
            << Direction::TxtToZrm << QStringList{QStringLiteral("PROPS1234.TXT")}
            << txtToZrmSource + QStringList{message(TooLong)};
    QTest::newRow("zrm to txt, destination name too long")
            << Direction::ZrmToTxt
            << QStringList{QStringLiteral("PROPS123.ZRM"), QStringLiteral("PROPS1234.TXT")}
            << zrmToTxtBoth + QStringList{message(TooLong)};
    QTest::newRow("txt to zrm, destination name too long")
            << Direction::TxtToZrm
            << QStringList{QStringLiteral("PROPS123.TXT"), QStringLiteral("PROPS1234")}
            << txtToZrmBoth + QStringList{message(TooLong)};
    QTest::newRow("zrm to txt, destination cancelled")
            << Direction::ZrmToTxt << QStringList{QStringLiteral("PROPS.ZRM"), QString()}
            << zrmToTxtBoth + QStringList{message(NamesMatch)};
    QTest::newRow("txt to zrm, destination cancelled")
            << Direction::TxtToZrm << QStringList{QStringLiteral("PROPS.TXT"), QString()}
            << txtToZrmBoth + QStringList{message(NamesMatch)};
    // Choosing the source again passes through Qt's overwrite prompt first.
    QTest::newRow("zrm to txt, same file")
            << Direction::ZrmToTxt
            << QStringList{QStringLiteral("PROPS.ZRM"), QStringLiteral("PROPS.ZRM")}
            << zrmToTxtBoth + QStringList{OverwritePrompt, message(NamesMatch)};
    QTest::newRow("txt to zrm, same file")
            << Direction::TxtToZrm
            << QStringList{QStringLiteral("PROPS.ZRM"), QStringLiteral("PROPS.ZRM")}
            << txtToZrmBoth + QStringList{OverwritePrompt, message(NamesMatch)};
}

void TestConversion::endsWithoutStarting()
{
    QFETCH(Direction, direction);
    QFETCH(QStringList, answers);
    QFETCH(QStringList, seen);

    QStringList paths;
    for (const QString &answer : answers)
        paths << (answer.isEmpty() ? QString() : m_work->filePath(answer));
    if (!answers.constFirst().isEmpty())
        workFile(answers.constFirst());

    UserScript user(paths);
    Conversion::run(&m_owner, direction);

    QCOMPARE(user.seen(), seen);
    QCOMPARE(user.answersLeft(), QStringList());
    // A converter would have been started before run() returned; give it time to log.
    QTest::qWait(250);
    QCOMPARE(converterLog(), QStringList());
}

void TestConversion::missingConverter_data()
{
    QTest::addColumn<Direction>("direction");
    QTest::addColumn<QString>("text");

    QTest::newRow("zrm to txt") << Direction::ZrmToTxt
                                << QStringLiteral("Could not start ZRM2TXT.exe: the program was "
                                                  "not found beside the editor or on the PATH.");
    QTest::newRow("txt to zrm") << Direction::TxtToZrm
                                << QStringLiteral("Could not start TXT2ZRM.exe: the program was "
                                                  "not found beside the editor or on the PATH.");
}

void TestConversion::missingConverter()
{
    QFETCH(Direction, direction);
    QFETCH(QString, text);

    qputenv("PATH", QFile::encodeName(m_noTools.path()));
    UserScript user(
            {workFile(QStringLiteral("PROPS.ZRM")), m_work->filePath(QStringLiteral("PROPS.TXT"))});
    Conversion::run(&m_owner, direction);

    QCOMPARE(user.seen().size(), 5);
    QCOMPARE(user.seen().constLast(), message(text));
}

void TestConversion::unrunnableConverter()
{
    QTemporaryDir junkTools;
    QVERIFY(junkTools.isValid());
    const QString junk = junkTools.filePath(QStringLiteral("ZRM2TXT.exe"));
    installJunkProgram(junk);
    qputenv("PATH", QFile::encodeName(junkTools.path()));

    UserScript user(
            {workFile(QStringLiteral("PROPS.ZRM")), m_work->filePath(QStringLiteral("PROPS.TXT"))});
    Conversion::run(&m_owner, Direction::ZrmToTxt);

    QCOMPARE(user.seen().size(), 5);
    QCOMPARE(user.seen().constLast(),
             message(QStringLiteral("Could not start ZRM2TXT.exe: %1 could not be run.")
                             .arg(QDir::toNativeSeparators(junk))));
}

void TestConversion::converterBesideEditorComesFirst()
{
    // The copy on the PATH cannot run, so only the one beside the program can log.
    QTemporaryDir junkTools;
    QVERIFY(junkTools.isValid());
    installJunkProgram(junkTools.filePath(QStringLiteral("ZRM2TXT.exe")));
    qputenv("PATH", QFile::encodeName(junkTools.path()));

    const QString beside
            = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("ZRM2TXT.exe"));
    const auto removeBeside = qScopeGuard([&beside] { QFile::remove(beside); });
    installProgram(QStringLiteral(ZRM_FAKE_CONVERTER), beside);

    const QString source = workFile(QStringLiteral("PROPS.ZRM"));
    const QString destination = m_work->filePath(QStringLiteral("PROPS.TXT"));
    UserScript user({source, destination});
    Conversion::run(&m_owner, Direction::ZrmToTxt);

    QCOMPARE(user.seen().size(), 4);
    QTRY_COMPARE_WITH_TIMEOUT(
            converterLog(),
            QStringList{QStringLiteral("ZRM2TXT.exe\t%1\t%2").arg(source, destination)}, 5000);
}

QTEST_MAIN(TestConversion)
#include "tst_conversion.moc"
