#include "app/commandline.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include <algorithm>
#include <iterator>

namespace {

// Qt's own options, which the application object takes from the command line: those that
// name a value take the next argument as well, unless written as -option=value.
const char *const QtOptionsWithValue[] = {"platform",
                                          "platformpluginpath",
                                          "platformtheme",
                                          "plugin",
                                          "qwindowgeometry",
                                          "geometry",
                                          "qwindowtitle",
                                          "title",
                                          "qwindowicon",
                                          "icon",
                                          "session",
                                          "display",
                                          "name",
                                          "style",
                                          "stylesheet",
                                          "qmljsdebugger"};
const char *const QtSwitches[]
        = {"reverse", "widgetcount", "testability", "nograb", "dograb", "sync"};

bool isOneOf(const QString &name, const char *const *begin, const char *const *end)
{
    return std::any_of(begin, end,
                       [&name](const char *option) { return name == QLatin1String(option); });
}

// The arguments without Qt's own options and their values, which are the application
// object's business; a desktop passes -session to a program it restores, say. "--" ends the
// options, as it does for the editor's own.
QStringList withoutQtOptions(const QStringList &arguments)
{
    QStringList ours = arguments.mid(0, 1);
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == QLatin1String("--")) {
            ours += arguments.mid(i);
            break;
        }
        // Qt takes its options with one dash or two.
        const QString name = argument.startsWith(QLatin1String("--")) ? argument.mid(2)
                             : argument.startsWith(u'-')              ? argument.mid(1)
                                                                      : QString();
        if (isOneOf(name, std::begin(QtSwitches), std::end(QtSwitches)))
            continue;
        if (isOneOf(name.section(u'=', 0, 0), std::begin(QtOptionsWithValue),
                    std::end(QtOptionsWithValue))) {
            if (!name.contains(u'='))
                ++i;
            continue;
        }
        ours << argument;
    }
    return ours;
}

} // namespace

CommandLine CommandLine::read(const QStringList &allArguments)
{
    const QStringList arguments = withoutQtOptions(allArguments);
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
