#pragma once
// The text console a command-line program runs in: whether its status line
// can be redrawn in place, standard output that carries bytes as they are,
// and the keys typed while the program runs.

#include <memory>
#include <string>

namespace platform {

// Whether standard error is shown on a console. Where it is, the console
// understands the terminal's "\r" and "escape [ K" from now on.
bool errorIsConsole();

// Standard output carries bytes unchanged (no line ends added), as binary
// data written to it must.
void binaryStandardOutput();

// Keys typed at the console, read without echo and without waiting for a
// whole line, for as long as the object lives; nothing when standard input is
// no console. Arrow keys come as the terminal's sequences (escape [ A to D)
// on every system.
class ConsoleKeys {
public:
    ConsoleKeys();
    ~ConsoleKeys();
    ConsoleKeys(const ConsoleKeys&) = delete;
    ConsoleKeys& operator=(const ConsoleKeys&) = delete;

    // What was typed since the last call, without waiting.
    std::string typed();

private:
    struct SavedMode;  // the console's mode before, given back at the end
    std::unique_ptr<SavedMode> saved_;
};

}  // namespace platform
