#pragma once

#include <QString>
#include <QStringList>

// The terminal the editor was started from, before any window exists: the command line's
// arguments and where the answers to --help, --version or a wrong command line are shown.
namespace Terminal {

// The arguments as the user typed them. Windows hands a program its command line in UTF-16;
// elsewhere `argv` is in the locale's encoding.
QStringList arguments(int argc, char *argv[]);

// Writes `output` to standard output and `error` to standard error. A Windows GUI program has
// those only when they were redirected; otherwise they go to the console it was started from,
// and with no console either to a message box.
void print(const QString &output, const QString &error);

} // namespace Terminal
