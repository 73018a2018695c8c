#pragma once
// A shell command run as a child process of a test: its exit code and what
// it wrote to standard output (the command redirects standard error itself).

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace testsupport {

struct ProgramRun {
    int exitCode = -1;  // -1 when it could not start or ended by a signal
    std::string output;
};

inline ProgramRun runCommand(const std::string& command)
{
    ProgramRun run;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return run;
    char buffer[4096];
    while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        run.output.append(buffer, n);
    const int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace testsupport
