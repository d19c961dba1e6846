#include "app/commandline.h"
#include "app/form1.h"
#include "app/terminal.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    const CommandLine commandLine = CommandLine::read(Terminal::arguments(argc, argv));
    if (commandLine.exit) {
        Terminal::print(commandLine.output, commandLine.error);
        return commandLine.exitCode;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZRM"));
    Form1 window;
    window.show();
    if (!commandLine.file.isEmpty())
        window.openFile(commandLine.file);
    return QApplication::exec();
}
