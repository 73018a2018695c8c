// Other programs through cmd.exe: arguments in double quotes, pipes in
// binary mode (a text-mode pipe would turn every 0x0A byte of a frame into
// two).
#include "platform/process.h"

#include <windows.h>

#include <cstdlib>

namespace platform {

std::string programPath()
{
    // The buffer grows until the whole path fits (a path may pass MAX_PATH).
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::string shellQuoted(const std::string& text)
{
    std::string quoted = "\"";
    for (char c : text)
        quoted += c == '"' ? std::string("\\\"") : std::string(1, c);
    return quoted + "\"";
}

std::FILE* openPipeTo(const std::string& command) { return _popen(command.c_str(), "wb"); }

int closePipe(std::FILE* pipe) { return _pclose(pipe); }

int runCommand(const std::string& command, bool quiet)
{
    return std::system((quiet ? command + " >NUL 2>&1" : command).c_str());
}

}  // namespace platform
