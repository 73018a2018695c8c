// The Windows console: input records read while any are waiting (arrow keys
// turned into the terminal's sequences), the escape sequences of the status
// line switched on, and standard output in binary mode (the C library's text
// mode would turn every 0x0A byte of a WAV file into two).
#include "platform/console.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>

namespace platform {

bool errorIsConsole()
{
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (error == INVALID_HANDLE_VALUE || !GetConsoleMode(error, &mode))
        return false;
    SetConsoleMode(error, mode | ENABLE_PROCESSED_OUTPUT | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
    return true;
}

void binaryStandardOutput()
{
    std::fflush(stdout);
    _setmode(_fileno(stdout), _O_BINARY);
}

struct ConsoleKeys::SavedMode {
    HANDLE input;
    DWORD mode;
};

ConsoleKeys::ConsoleKeys()
{
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD before = 0;
    if (input == INVALID_HANDLE_VALUE || !GetConsoleMode(input, &before))
        return;
    // Ctrl+C stays a request to end (processed input), not a character.
    if (SetConsoleMode(input, (before & ~static_cast<DWORD>(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT)) |
                                  ENABLE_PROCESSED_INPUT))
        saved_ = std::make_unique<SavedMode>(SavedMode{input, before});
}

ConsoleKeys::~ConsoleKeys()
{
    if (saved_)
        SetConsoleMode(saved_->input, saved_->mode);
}

std::string ConsoleKeys::typed()
{
    std::string typed;
    if (!saved_)
        return typed;
    DWORD waiting = 0;
    while (GetNumberOfConsoleInputEvents(saved_->input, &waiting) && waiting > 0) {
        INPUT_RECORD record;
        DWORD read = 0;
        if (!ReadConsoleInputA(saved_->input, &record, 1, &read) || read == 0)
            break;
        if (record.EventType != KEY_EVENT || !record.Event.KeyEvent.bKeyDown)
            continue;
        switch (record.Event.KeyEvent.wVirtualKeyCode) {
        case VK_UP: typed += "\x1b[A"; break;
        case VK_DOWN: typed += "\x1b[B"; break;
        case VK_RIGHT: typed += "\x1b[C"; break;
        case VK_LEFT: typed += "\x1b[D"; break;
        default:
            if (const char c = record.Event.KeyEvent.uChar.AsciiChar; c != 0)
                typed += c;
        }
    }
    return typed;
}

}  // namespace platform
