#include "app/terminal.h"

#include <QStringDecoder>

#include <cstdio>
#include <optional>
#include <utility>

#include <windows.h>

#include <shellapi.h>

namespace Terminal {

QStringList arguments(int, char *[], QList<qsizetype> *)
{
    QStringList result;
    int count = 0;
    if (LPWSTR *argv = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 0; i < count; ++i)
            result << QString::fromWCharArray(argv[i]);
        LocalFree(argv);
    }
    return result;
}

namespace {

bool isValid(HANDLE handle)
{
    return handle && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

// A console takes the text as it is; a file or pipe gets it as a console program writes it:
// in the system's 8-bit code page, with CR LF line ends.
bool write(HANDLE handle, const QString &text)
{
    DWORD mode = 0, written = 0;
    if (GetConsoleMode(handle, &mode))
        return WriteConsoleW(handle, reinterpret_cast<const wchar_t *>(text.utf16()),
                             DWORD(text.size()), &written, nullptr);
    const QByteArray bytes = QString(text).replace(u'\n', QLatin1String("\r\n")).toLocal8Bit();
    return WriteFile(handle, bytes.constData(), DWORD(bytes.size()), &written, nullptr);
}

} // namespace

void print(const QString &output, const QString &error)
{
    // Each text goes to its standard handle when the program was given one (a redirect).
    QString unshown;
    for (const auto &[text, id] :
         {std::pair(output, STD_OUTPUT_HANDLE), {error, STD_ERROR_HANDLE}}) {
        const HANDLE handle = GetStdHandle(id);
        if (!text.isEmpty() && !(isValid(handle) && write(handle, text)))
            unshown += text;
    }
    if (unshown.isEmpty())
        return;
    if (AttachConsole(ATTACH_PARENT_PROCESS)) {
        // The prompt came back when the program started; a line end first keeps the text
        // off the prompt's line.
        const HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                           FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        write(console, u'\n' + unshown);
        CloseHandle(console);
        return;
    }
    MessageBoxW(nullptr, reinterpret_cast<const wchar_t *>(unshown.trimmed().utf16()), L"ZRM",
                MB_OK | (error.isEmpty() ? 0 : MB_ICONERROR));
}

bool asksForHelp(const QString &argument)
{
    // A Windows user asks a program for help with /?, which names no file there anyway.
    return argument == QLatin1String("/?");
}

} // namespace Terminal
