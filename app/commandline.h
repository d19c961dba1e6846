#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// What the editor's command line asks for: `zrm-editor [FILE]`, --help or --version. It is
// read before any window system is asked for, so the answers work in any terminal.
struct CommandLine
{
    // When set, the editor does not start: `output` goes to standard output, `error` to
    // standard error, and the program ends with `exitCode`.
    bool exit = false;
    int exitCode = 0;
    QString output;
    QString error;
    // The file to open at start, as an absolute path; empty for none.
    QString file;

    // Qt's own options (-style, -session, -platform and the like) are left to the application
    // object, with their values. `unreadable`: the indexes of arguments whose bytes are no
    // valid UTF-8 (see Terminal::arguments()); such a FILE is refused.
    static CommandLine read(const QStringList &arguments, const QList<qsizetype> &unreadable = {});

    // What to hand the application object: `argv` as given, but each Qt option written
    // -option=value that Qt takes only as -option value (-platform=offscreen) split in two.
    static QList<QByteArray> qtArguments(int argc, char *argv[]);
};
