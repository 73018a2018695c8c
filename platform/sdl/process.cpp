#include "platform/process.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace platform {

std::string programPath()
{
    std::error_code ec;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : program.string();
}

std::string shellQuoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::FILE* openPipeTo(const std::string& command)
{
    std::signal(SIGPIPE, SIG_IGN);
    return popen(command.c_str(), "w");
}

int closePipe(std::FILE* pipe) { return pclose(pipe); }

int runCommand(const std::string& command, bool quiet)
{
    return std::system((quiet ? command + " >/dev/null 2>&1" : command).c_str());
}

}  // namespace platform
