#pragma once
// The keys corvid-play answers while it plays, read from a terminal put in
// raw mode (no echo, no line editing) for as long as the object lives.

#include <string>

#include <termios.h>

namespace corvidplay {

enum class Key { none, pause, back, forward, quit };

// The keys in `bytes` as a terminal sends them: space, q, the arrow keys
// (escape [ D and escape [ C); the last one that means something.
Key lastKey(const std::string& bytes);

class TerminalKeys {
public:
    TerminalKeys();  // does nothing when standard input is no terminal
    ~TerminalKeys();
    TerminalKeys(const TerminalKeys&) = delete;
    TerminalKeys& operator=(const TerminalKeys&) = delete;

    // The key pressed since the last call, without waiting.
    Key poll();

private:
    bool raw_ = false;
    termios saved_{};
};

}  // namespace corvidplay
