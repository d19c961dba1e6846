#include "files/conversion_system.h"

#include <QProcess>

#include <csignal>

namespace Conversion {

void prepareStart(QProcess &converter)
{
    // The editor ignores SIGXFSZ, so that a save past a file-size limit fails in words instead
    // of ending it; a converter gets the system's default back, as from a shell.
    converter.setChildProcessModifier([] { std::signal(SIGXFSZ, SIG_DFL); });
}

} // namespace Conversion
