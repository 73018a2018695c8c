#include "tools/corvidplay/terminal_keys.h"

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

}  // namespace corvidplay
