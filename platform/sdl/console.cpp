#include "platform/console.h"

#include <termios.h>
#include <unistd.h>

namespace platform {

bool errorIsConsole() { return isatty(STDERR_FILENO) != 0; }

void binaryStandardOutput() {}

struct ConsoleKeys::SavedMode {
    termios mode;
};

ConsoleKeys::ConsoleKeys()
{
    termios before{};
    if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &before) != 0)
        return;
    termios raw = before;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    raw.c_cc[VMIN] = 0;
    raw.c_cc[VTIME] = 0;
    if (tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0)
        saved_ = std::make_unique<SavedMode>(SavedMode{before});
}

ConsoleKeys::~ConsoleKeys()
{
    if (saved_)
        tcsetattr(STDIN_FILENO, TCSANOW, &saved_->mode);
}

std::string ConsoleKeys::typed()
{
    if (!saved_)
        return {};
    char buffer[64];
    const ssize_t got = read(STDIN_FILENO, buffer, sizeof buffer);
    return got > 0 ? std::string(buffer, static_cast<size_t>(got)) : std::string();
}

}  // namespace platform
