#include "app/commandline.h"

#include "app/terminal.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include <algorithm>
#include <iterator>

namespace {

// Qt's own options, which the application object takes from the command line: those that
// name a value take the next argument as well. Qt takes -option=value only for the last three.
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
                                          "visual",
                                          "style",
                                          "stylesheet",
                                          "qmljsdebugger"};
const char *const QtOptionsJoined[] = {"style", "stylesheet", "qmljsdebugger"};
const char *const QtSwitches[]
        = {"reverse", "widgetcount", "testability", "nograb", "dograb", "sync"};

bool isOneOf(const QString &name, const char *const *begin, const char *const *end)
{
    return std::any_of(begin, end,
                       [&name](const char *option) { return name == QLatin1String(option); });
}

// Whose business each argument is: the editor's, or the application object's as Qt's own
// option or its value (a desktop passes -session to a program it restores, say). Joined: a
// Qt option written -option=value that Qt takes only as -option value.
enum class Role { Ours, Qt, Joined };

QList<Role> roles(const QStringList &arguments)
{
    QList<Role> result(arguments.size(), Role::Ours);
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        // "--" ends the options, as it does for the editor's own.
        if (argument == QLatin1String("--"))
            break;
        // Qt takes its options with one dash or two.
        const QString name = argument.startsWith(QLatin1String("--")) ? argument.mid(2)
                             : argument.startsWith(u'-')              ? argument.mid(1)
                                                                      : QString();
        const QString option = name.section(u'=', 0, 0);
        if (isOneOf(name, std::begin(QtSwitches), std::end(QtSwitches))) {
            result[i] = Role::Qt;
        } else if (!isOneOf(option, std::begin(QtOptionsWithValue), std::end(QtOptionsWithValue))) {
            continue;
        } else if (name.contains(u'=')) {
            result[i] = isOneOf(option, std::begin(QtOptionsJoined), std::end(QtOptionsJoined))
                                ? Role::Qt
                                : Role::Joined;
        } else {
            result[i] = Role::Qt;
            if (i + 1 < arguments.size())
                result[++i] = Role::Qt;
        }
    }
    return result;
}

} // namespace

CommandLine CommandLine::read(const QStringList &allArguments, const QList<qsizetype> &unreadable)
{
    // The arguments without Qt's own options and their values; whether one of them is a name
    // that is no valid UTF-8.
    QStringList arguments;
    QString unreadableName;
    const QList<Role> role = roles(allArguments);
    bool optionsEnded = false;
    for (qsizetype i = 0; i < allArguments.size(); ++i) {
        if (role[i] != Role::Ours)
            continue;
        arguments << allArguments.at(i);
        optionsEnded = optionsEnded || (i > 0 && allArguments.at(i) == QLatin1String("--"));
        if (i > 0 && !optionsEnded && Terminal::asksForHelp(allArguments.at(i)))
            arguments.last() = QStringLiteral("--help");
        if (i > 0 && unreadable.contains(i))
            unreadableName = allArguments.at(i);
    }
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
    } else if (!unreadableName.isEmpty()) {
        // Any such argument is the one FILE by now: an option would have been refused. Qt
        // names files in UTF-8, so no name it could be given reaches that file.
        result.error = QStringLiteral("%1: the file name '%2' is not valid UTF-8, so the editor "
                                      "cannot open it.\n")
                               .arg(program, unreadableName);
        result.exitCode = 2;
    } else {
        result.exit = false;
        if (!parser.positionalArguments().isEmpty())
            result.file = QFileInfo(parser.positionalArguments().constFirst()).absoluteFilePath();
    }
    return result;
}

QList<QByteArray> CommandLine::qtArguments(int argc, char *argv[])
{
    QStringList texts;
    for (int i = 0; i < argc; ++i)
        texts << QString::fromLocal8Bit(argv[i]);
    const QList<Role> role = roles(texts);
    QList<QByteArray> result;
    for (int i = 0; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        const qsizetype equals = argument.indexOf('=');
        if (role[i] == Role::Joined)
            result << argument.left(equals) << argument.mid(equals + 1);
        else
            result << argument;
    }
    return result;
}
