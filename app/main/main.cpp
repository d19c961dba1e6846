#include "app/commandline.h"
#include "app/form1.h"
#include "app/recoveryoffer.h"
#include "app/terminal.h"

#include <QApplication>

#include <vector>

int main(int argc, char *argv[])
{
    QList<qsizetype> unreadable;
    const QStringList arguments = Terminal::arguments(argc, argv, &unreadable);
    const CommandLine commandLine = CommandLine::read(arguments, unreadable);
    if (commandLine.exit) {
        Terminal::print(commandLine.output, commandLine.error);
        return commandLine.exitCode;
    }

    // Qt is handed `argv` itself unless an option of its own had to be split.
    QList<QByteArray> qtArguments = CommandLine::qtArguments(argc, argv);
    std::vector<char *> qtArgv;
    for (QByteArray &argument : qtArguments)
        qtArgv.push_back(argument.data());
    qtArgv.push_back(nullptr);
    int qtArgc = int(qtArguments.size());
    const bool split = qtArgc != argc;
    QApplication app(split ? qtArgc : argc, split ? qtArgv.data() : argv);
    QApplication::setApplicationName(QStringLiteral("ZRM"));
    Form1 window;
    window.show();
    RecoveryOffer::atStart(window, commandLine.file);
    return QApplication::exec();
}
