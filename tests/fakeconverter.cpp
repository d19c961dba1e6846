#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#endif

// A stand-in for the external converters: appends the name it was started under and its
// arguments, each after a tab, as one line to the file $ZRM_FAKE_CONVERTER_LOG; and, should it
// have been started with a signal ignored that a program started from a shell gets, that too.
// Then it does what the letters of $ZRM_FAKE_CONVERTER_DO say, in order: g waits for a file
// "go" beside the destination, c copies the source to the destination, e writes a note to its
// error output, a digit is its exit status, a crashes: it ends as a program killed by a fault
// does on its system, leaving no core file (on Windows with an access violation's status, but
// without the system's crash report, which would wait for a user).
int main(int argc, char *argv[])
{
    const char *name = argv[0];
    for (const char *c = argv[0]; *c; ++c) {
        if (*c == '/' || *c == '\\')
            name = c + 1;
    }
    const char *path = std::getenv("ZRM_FAKE_CONVERTER_LOG");
    FILE *log = path ? std::fopen(path, "ab") : nullptr;
    if (!log)
        return 1;
    std::fputs(name, log);
    for (int i = 1; i < argc; ++i)
        std::fprintf(log, "\t%s", argv[i]);
#ifdef SIGXFSZ
    if (std::signal(SIGXFSZ, SIG_DFL) == SIG_IGN)
        std::fputs("\t(SIGXFSZ ignored)", log);
#endif
    std::fputs("\n", log);
    if (std::fclose(log) != 0)
        return 1;

    int status = 0;
    const std::string destination = argc > 2 ? argv[2] : "";
    const std::string go = destination.substr(0, destination.find_last_of("/\\") + 1) + "go";
    for (const char *does = std::getenv("ZRM_FAKE_CONVERTER_DO"); does && *does; ++does) {
        if (*does == 'g') {
            for (int i = 0; i < 3000; ++i) {
                if (FILE *file = std::fopen(go.c_str(), "rb")) {
                    std::fclose(file);
                    break;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        } else if (*does == 'c' && argc > 2) {
            FILE *in = std::fopen(argv[1], "rb"), *out = std::fopen(argv[2], "wb");
            for (int c; in && out && (c = std::fgetc(in)) != EOF;)
                std::fputc(c, out);
            if (in)
                std::fclose(in);
            if (out)
                std::fclose(out);
        } else if (*does == 'e')
            std::fprintf(stderr, "%s: note: read by the stand-in\n", name);
        else if (*does == 'a') {
#ifdef _WIN32
            TerminateProcess(GetCurrentProcess(), 0xC0000005);
#else
            const rlimit noCoreFile{0, 0};
            setrlimit(RLIMIT_CORE, &noCoreFile);
            std::abort();
#endif
        } else if (*does >= '0' && *does <= '9')
            status = *does - '0';
    }
    return status;
}
