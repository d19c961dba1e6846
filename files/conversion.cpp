#include "files/conversion.h"

#include "dialogs/zrmdialogs.h"
#include "files/commdlgs.h"
#include "files/conversion_system.h"
#include "files/recentfolder.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryFile>
#include <QTimer>

#include <algorithm>
#include <memory>

namespace Conversion {

namespace {

// Action codes of CommDlgs::ShowFileDialog.
constexpr qint16 OpenAction = 1;
constexpr qint16 SaveAction = 2;

// An 8.3 name: eight characters, the dot and a three-character extension.
constexpr int MaxDosNameLength = 12;

// As much of a converter's error output as a message box can show.
constexpr qint64 MaxErrorOutput = 4000;

// One file dialog of a command: its action code, title, filter pairs and default extension.
struct DialogTexts
{
    qint16 action;
    QString title;
    QString filter;
    QString defaultExtension;
};

// Everything one conversion direction shows or starts, kept together so the wording of the
// whole command can be read in one place.
struct CommandTexts
{
    QString program;
    QString sourcePrompt;
    DialogTexts sourceDialog;
    QString destinationPrompt;
    DialogTexts destinationDialog;
    QString nameTooLong;
    QString namesMatch;
    QString startFailed; // %1: the program's name, %2: its full path
};

QString filterPair(const QString &description, const QString &pattern)
{
    return description + QChar() + pattern + QChar();
}

CommandTexts textsFor(Direction direction)
{
    const QString zrmFiles = filterPair(QStringLiteral("ZRM Files"), QStringLiteral("*.ZRM"));
    const QString allFiles = filterPair(QStringLiteral("All Files"), QStringLiteral("*.*"));
    const DialogTexts openZrm{OpenAction, QStringLiteral("Open"), zrmFiles, QStringLiteral("ZRM")};
    const DialogTexts openAny{OpenAction, QStringLiteral("Open"), allFiles, QStringLiteral("*")};
    const DialogTexts saveZrm{SaveAction, QStringLiteral("Save"), zrmFiles, QStringLiteral("ZRM")};
    const DialogTexts saveAny{SaveAction, QStringLiteral("Save"), allFiles, QStringLiteral("*")};

    CommandTexts texts;
    if (direction == Direction::ZrmToTxt) {
        texts.program = QStringLiteral("ZRM2TXT.exe");
        texts.sourcePrompt = QStringLiteral("First Select the ZRM file you wish to convert");
        texts.sourceDialog = openZrm;
        texts.destinationPrompt = QStringLiteral(
                "Now select the destination file; can be any extension but I don't recommend "
                "using *.ZRM to prevent confusion");
        texts.destinationDialog = saveAny;
    } else {
        texts.program = QStringLiteral("TXT2ZRM.exe");
        texts.sourcePrompt = QStringLiteral("First Select the ASCII ZRM file you wish to convert");
        texts.sourceDialog = openAny;
        texts.destinationPrompt = QStringLiteral("Now select the destination ZRM file");
        texts.destinationDialog = saveZrm;
    }
    // Both directions show the same text; it names ZRM2TXT.exe even when converting back.
    texts.nameTooLong = QStringLiteral(
            "The file name is too long for DOS, either rename the file or convert it by hand by "
            "running going to DOS and typing ZRM2TXT.exe ZRMFilename(DOS length) "
            "TXTDestination(DOS length)");
    texts.namesMatch = QStringLiteral("Names match, not saving");
    texts.startFailed = QStringLiteral("Could not start %1: %2 could not be run.");
    return texts;
}

QString askForFile(QWidget *owner, const DialogTexts &dialog)
{
    return CommDlgs::ShowFileDialog(owner, dialog.action, dialog.title, QString(), dialog.filter,
                                    RecentFolder::startFolder(), dialog.defaultExtension);
}

// The converters ship beside the editor; a copy on the PATH serves as well.
QString findProgram(const QString &program)
{
    const QFileInfo beside(QDir(QCoreApplication::applicationDirPath()).filePath(program));
    if (beside.isFile() && beside.isExecutable())
        return beside.absoluteFilePath();
    return QStandardPaths::findExecutable(program);
}

QString notFound(const QString &program)
{
    const QString path = qEnvironmentVariable("PATH");
    return QStringLiteral("%1 was not found. It was looked for beside the editor, in %2, and in "
                          "the folders of the PATH: %3")
            .arg(program, QDir::toNativeSeparators(QCoreApplication::applicationDirPath()),
                 path.isEmpty() ? QStringLiteral("(none)") : QDir::toNativeSeparators(path));
}

// What a file was before the converter started: a converter that fails may leave an older
// destination as it was, which must not pass for its work.
struct FileState
{
    bool exists = false;
    qint64 size = -1;
    QDateTime modified;
    QByteArray digest;

    static FileState of(const QString &path)
    {
        FileState state;
        const QFileInfo info(path);
        state.exists = info.exists();
        if (!state.exists)
            return state;
        state.size = info.size();
        state.modified = info.lastModified();
        QFile file(path);
        QCryptographicHash hash(QCryptographicHash::Sha256);
        if (file.open(QIODevice::ReadOnly) && hash.addData(&file))
            state.digest = hash.result();
        return state;
    }
    bool operator==(const FileState &other) const
    {
        return exists == other.exists && size == other.size && modified == other.modified
               && digest == other.digest;
    }
};

// One started converter, from its start until its report is shown.
struct Watch
{
    QPointer<QWidget> owner;
    Direction direction;
    std::function<void(const QString &)> openText;
    QString program;
    QString source;
    QString destination;
    FileState before;
};

// The report waits until no other dialog is open, so it never lands in the middle of a
// conversion or a save the user is still answering.
void report(const std::shared_ptr<Watch> &watch, const QString &text, bool offerOpen)
{
    if (!watch->owner)
        return; // the window is gone: the editor is ending
    if (QApplication::activeModalWidget()) {
        QTimer::singleShot(100, watch->owner,
                           [watch, text, offerOpen] { report(watch, text, offerOpen); });
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, ZrmDialogs::appTitle(), text,
                    offerOpen ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, watch->owner);
    if (box.exec() == QMessageBox::Yes && watch->owner && watch->openText)
        watch->openText(watch->destination);
}

void finished(const std::shared_ptr<Watch> &watch, int exitCode, QProcess::ExitStatus status,
              const QByteArray &errors)
{
    QString failure;
    if (status == QProcess::CrashExit)
        failure = QStringLiteral("it crashed.");
    else if (exitCode != 0)
        failure = QStringLiteral("it ended with exit status %1.").arg(exitCode);
    else if (!QFileInfo::exists(watch->destination))
        failure = QStringLiteral("it wrote no destination file.");
    else if (FileState::of(watch->destination) == watch->before)
        failure = QStringLiteral("it left the destination file unchanged.");

    const QString source = QDir::toNativeSeparators(watch->source);
    const QString destination = QDir::toNativeSeparators(watch->destination);
    QString text = failure.isEmpty()
                           ? QStringLiteral("The conversion worked: %1 turned %2 into %3.")
                                     .arg(watch->program, source, destination)
                           : QStringLiteral("The conversion failed: %1 did not turn %2 into %3: %4")
                                     .arg(watch->program, source, destination, failure);
    // Notes alone are no failure: a converter run through a wrapper writes them there.
    const QString said = QString::fromLocal8Bit(errors).trimmed();
    if (!said.isEmpty())
        text += QStringLiteral("\n\nIts error output:\n") + said;
    const bool offerOpen = failure.isEmpty() && watch->direction == Direction::ZrmToTxt;
    if (offerOpen)
        text += QStringLiteral("\n\nOpen the converted text file now?");
    report(watch, text, offerOpen);
}

void startConverter(QWidget *owner, Direction direction,
                    std::function<void(const QString &)> openText, const CommandTexts &texts,
                    const QString &path, const QString &source, const QString &destination)
{
    auto watch = std::make_shared<Watch>(Watch{owner, direction, std::move(openText), texts.program,
                                               source, destination, FileState::of(destination)});
    // The error output goes to a file, not a pipe: a converter still running when the editor
    // ends writes on unharmed.
    auto *errors
            = new QTemporaryFile(QDir::temp().filePath(QStringLiteral("zrm-converter-XXXXXX.txt")));
    if (!errors->open()) {
        delete errors;
        ZrmDialogs::showMessage(owner, QStringLiteral("Could not start %1: no temporary file for "
                                                      "its error output.")
                                               .arg(texts.program));
        return;
    }
    errors->close();
    // Never destroyed while it runs (that would kill the converter): it deletes itself when
    // the converter ends, and one still running when the editor ends is left behind with it.
    auto *converter = new QProcess;
    converter->setProgram(path);
    // Separate arguments and no shell, so blanks in folder names stay inside one argument. The
    // converters get the paths as the system writes them: DOS programs know no '/'.
    converter->setArguments(
            {QDir::toNativeSeparators(source), QDir::toNativeSeparators(destination)});
    converter->setInputChannelMode(QProcess::ForwardedInputChannel);
    converter->setProcessChannelMode(QProcess::ForwardedOutputChannel);
    converter->setStandardErrorFile(errors->fileName());
    prepareStart(*converter);
    QObject::connect(converter, &QProcess::finished, converter,
                     [converter, errors, watch](int exitCode, QProcess::ExitStatus status) {
                         QFile said(errors->fileName());
                         const QByteArray text = said.open(QIODevice::ReadOnly)
                                                         ? said.read(MaxErrorOutput)
                                                         : QByteArray();
                         said.close();
                         delete errors;
                         converter->deleteLater();
                         finished(watch, exitCode, status, text);
                     });
    converter->start();
    if (!converter->waitForStarted(-1)) {
        delete errors;
        delete converter;
        ZrmDialogs::showMessage(
                owner, texts.startFailed.arg(texts.program, QDir::toNativeSeparators(path)));
    }
}

} // namespace

bool isNameTooLongForDos(const QString &path)
{
    // Both separators count: the converters are DOS programs, whatever this system uses.
    const qsizetype separator
            = std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
    return path.size() - (separator + 1) > MaxDosNameLength;
}

void run(QWidget *owner, Direction direction, std::function<void(const QString &)> openText)
{
    const CommandTexts texts = textsFor(direction);
    // Before any question: a missing converter would make every answer wasted.
    const QString program = findProgram(texts.program);
    if (program.isEmpty()) {
        ZrmDialogs::showMessage(owner, notFound(texts.program));
        return;
    }

    ZrmDialogs::showMessage(owner, texts.sourcePrompt);
    const QString source = askForFile(owner, texts.sourceDialog);
    if (source.isEmpty())
        return;
    if (isNameTooLongForDos(source)) {
        ZrmDialogs::showMessage(owner, texts.nameTooLong);
        return;
    }

    ZrmDialogs::showMessage(owner, texts.destinationPrompt);
    const QString destination = askForFile(owner, texts.destinationDialog);
    // Converting a file onto itself would destroy it before it is read; a cancelled
    // destination has always been answered with the same message.
    if (destination.isEmpty() || destination == source) {
        ZrmDialogs::showMessage(owner, texts.namesMatch);
        return;
    }
    if (isNameTooLongForDos(destination)) {
        ZrmDialogs::showMessage(owner, texts.nameTooLong);
        return;
    }

    startConverter(owner, direction, std::move(openText), texts, program, source, destination);
}

} // namespace Conversion
