#include "files/conversion_system.h"

#include <QProcess>

#include <windows.h>

namespace Conversion {

void prepareStart(QProcess &converter)
{
    // Its own console window, shown normally, as a program started from Explorer gets: a
    // converter that asks something is seen, and the window is its input and output.
    converter.setCreateProcessArgumentsModifier([](QProcess::CreateProcessArguments *args) {
        args->flags = (args->flags & ~DWORD(CREATE_NO_WINDOW)) | CREATE_NEW_CONSOLE;
        args->startupInfo->dwFlags |= STARTF_USESHOWWINDOW;
        args->startupInfo->wShowWindow = SW_SHOWNORMAL;
        args->startupInfo->hStdInput = nullptr;
        args->startupInfo->hStdOutput = nullptr;
    });
}

} // namespace Conversion
