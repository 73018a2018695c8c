#pragma once
// The running program's own file, and running another program (ffmpeg, for
// video capture) through the system's command shell.

#include <cstdio>
#include <string>

namespace platform {

// The full path of the running program's file; empty where the system does
// not tell.
std::string programPath();

// One argument quoted for the shell, whatever characters it holds.
std::string shellQuoted(const std::string& text);

// A pipe to the standard input of a command, written in binary; nullptr when
// it cannot be started. Once the program has stopped reading, writes fail
// rather than end this process.
std::FILE* openPipeTo(const std::string& command);
// Waits for the command; its exit status (0 for success).
int closePipe(std::FILE* pipe);

// Runs a command and waits for it; its exit status. Quiet: its output is
// discarded.
int runCommand(const std::string& command, bool quiet = false);

}  // namespace platform
