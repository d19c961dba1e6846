#include "app/commandline.h"
#include "app/form1.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine commandLine = CommandLine::read(arguments);
    if (commandLine.exit) {
        std::fputs(commandLine.output.toLocal8Bit().constData(), stdout);
        std::fputs(commandLine.error.toLocal8Bit().constData(), stderr);
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
