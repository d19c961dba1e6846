// A stand-in for the external converters: appends the name it was started under and its
// arguments to a log file, so tests can check exactly what the editor started.

#include <cstdlib>
#include <fstream>
#include <string>

namespace {

std::string::size_type afterLastSeparator(const std::string &path)
{
    const std::string::size_type separator = path.find_last_of("/\\");
    return separator == std::string::npos ? 0 : separator + 1;
}

} // namespace

int main(int argc, char *argv[])
{
    const std::string self = argc > 0 && argv[0] ? argv[0] : "";
    const std::string::size_type nameStart = afterLastSeparator(self);

    const char *logVariable = std::getenv("ZRM_FAKE_CONVERTER_LOG");
    const std::string logPath = logVariable && *logVariable
                                        ? std::string(logVariable)
                                        : self.substr(0, nameStart) + "fakeconverter.log";

    std::string line = self.substr(nameStart);
    for (int i = 1; i < argc; ++i)
        line += '\t' + std::string(argv[i]);
    line += '\n';

    // One write per run, so lines of converters started close together do not interleave.
    std::ofstream log(logPath, std::ios::out | std::ios::app | std::ios::binary);
    log.write(line.data(), static_cast<std::streamsize>(line.size()));
    log.flush();
    return 0;
}
