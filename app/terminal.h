#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The terminal the editor was started from, before any window exists: the command line's
// arguments and where the answers to --help, --version or a wrong command line are shown.
namespace Terminal {

// The arguments as the user typed them. Windows hands a program its command line in UTF-16;
// elsewhere `argv` is taken as UTF-8, as Qt takes file names. An argument that is not valid
// UTF-8 shows each byte that belongs to no character as \xHH, and its index is added to
// `unreadable`: no file of that name can be opened.
QStringList arguments(int argc, char *argv[], QList<qsizetype> *unreadable);

// Writes `output` to standard output and `error` to standard error. A Windows GUI program has
// those only when they were redirected; otherwise they go to the console it was started from,
// and with no console either to a message box.
void print(const QString &output, const QString &error);

// Whether `argument` is this system's own way of asking a program for help (/? on Windows).
bool asksForHelp(const QString &argument);

} // namespace Terminal
