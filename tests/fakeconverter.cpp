#include <csignal>
#include <cstdio>
#include <cstdlib>

// A stand-in for the external converters: appends the name it was started under and its
// arguments, each after a tab, as one line to the file $ZRM_FAKE_CONVERTER_LOG; and, should it
// have been started with a signal ignored that a program started from a shell gets, that too.
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
    return std::fclose(log) == 0 ? 0 : 1;
}
