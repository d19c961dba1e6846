#include "files/conversion.h"

#include "dialogs/zrmdialogs.h"
#include "files/commdlgs.h"
#include "files/recentfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <csignal>
#endif

namespace Conversion {

namespace {

// Action codes of CommDlgs::ShowFileDialog.
constexpr qint16 OpenAction = 1;
constexpr qint16 SaveAction = 2;

// An 8.3 name: eight characters, the dot and a three-character extension.
constexpr int MaxDosNameLength = 12;

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
    QString notFound;
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
    texts.notFound = QStringLiteral("Could not start %1: the program was not found beside the "
                                    "editor or on the PATH.")
                             .arg(texts.program);
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

void startConverter(QWidget *owner, const CommandTexts &texts, const QString &source,
                    const QString &destination)
{
    const QString path = findProgram(texts.program);
    if (path.isEmpty()) {
        ZrmDialogs::showMessage(owner, texts.notFound);
        return;
    }
    // Separate arguments and no shell, so blanks in folder names stay inside one argument. The
    // converters get the paths as the system writes them: DOS programs know no '/'.
    const QStringList arguments{QDir::toNativeSeparators(source),
                                QDir::toNativeSeparators(destination)};
    QProcess converter;
    converter.setProgram(path);
    converter.setArguments(arguments);
#ifdef Q_OS_UNIX
    // The editor ignores SIGXFSZ, so that a save past a file-size limit fails in words instead
    // of ending it; a converter gets the system's default back, as from a shell. Qt 6.4 runs no
    // child process modifier for a detached program, so the default is set around the start
    // (no file is written meanwhile: saves run on this thread).
    const auto ignored = std::signal(SIGXFSZ, SIG_DFL);
    const bool started = converter.startDetached();
    std::signal(SIGXFSZ, ignored);
#else
    const bool started = converter.startDetached();
#endif
    if (!started)
        ZrmDialogs::showMessage(
                owner, texts.startFailed.arg(texts.program, QDir::toNativeSeparators(path)));
}

} // namespace

bool isNameTooLongForDos(const QString &path)
{
    // Both separators count: the converters are DOS programs, whatever this system uses.
    const qsizetype separator
            = std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
    return path.size() - (separator + 1) > MaxDosNameLength;
}

void run(QWidget *owner, Direction direction)
{
    const CommandTexts texts = textsFor(direction);

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

    startConverter(owner, texts, source, destination);
}

} // namespace Conversion
