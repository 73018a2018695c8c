#include "tools/corvidplay/terminal_keys.h"

#include <unistd.h>

namespace corvidplay {

Key lastKey(const std::string& bytes)
{
    Key key = Key::none;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == ' ')
            key = Key::pause;
        else if (bytes[i] == 'q' || bytes[i] == 'Q')
            key = Key::quit;
        else if (bytes.compare(i, 3, "\x1b[D") == 0)
            key = Key::back, i += 2;
        else if (bytes.compare(i, 3, "\x1b[C") == 0)
            key = Key::forward, i += 2;
    }
    return key;
}

TerminalKeys::TerminalKeys()
{
    if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &saved_) != 0)
        return;
    termios raw = saved_;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    raw.c_cc[VMIN] = 0;
    raw.c_cc[VTIME] = 0;
    raw_ = tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0;
}

TerminalKeys::~TerminalKeys()
{
    if (raw_)
        tcsetattr(STDIN_FILENO, TCSANOW, &saved_);
}

Key TerminalKeys::poll()
{
    if (!raw_)
        return Key::none;
    char buffer[64];
    const ssize_t got = read(STDIN_FILENO, buffer, sizeof buffer);
    return got > 0 ? lastKey(std::string(buffer, static_cast<size_t>(got))) : Key::none;
}

}  // namespace corvidplay
