#include "app/commandline.h"

#include <QCommandLineParser>
#include <QFileInfo>

CommandLine CommandLine::read(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Edits the prop list of a game level."));
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("A prop text file to open at start."),
                                 QStringLiteral("[FILE]"));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help and ends."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Shows the version and ends."));
    parser.addOptions({help, version});

    const QString program = QFileInfo(arguments.value(0, QStringLiteral("zrm-editor"))).fileName();
    CommandLine result;
    result.exit = true;
    if (!parser.parse(arguments) || parser.positionalArguments().size() > 1) {
        const QString problem = parser.errorText().isEmpty()
                                        ? QStringLiteral("only one FILE can be opened.")
                                        : parser.errorText();
        result.error = QStringLiteral("%1: %2\nTry '%1 --help'.\n").arg(program, problem);
        result.exitCode = 2;
    } else if (parser.isSet(help)) {
        // Without an application object the parser cannot know the program's name.
        result.output = parser.helpText().replace(QStringLiteral("<executable_name>"), program);
    } else if (parser.isSet(version)) {
        result.output = QStringLiteral("%1 %2\n").arg(program, QStringLiteral(ZRM_VERSION));
    } else {
        result.exit = false;
        if (!parser.positionalArguments().isEmpty())
            result.file = QFileInfo(parser.positionalArguments().constFirst()).absoluteFilePath();
    }
    return result;
}
