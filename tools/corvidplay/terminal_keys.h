#pragma once
// The keys corvid-play answers while it plays, in what the console gives
// (platform/console.h).

#include <string>

namespace corvidplay {

enum class Key { none, pause, back, forward, quit };

// The keys in `bytes` as a terminal sends them: space, q, the arrow keys
// (escape [ D and escape [ C); the last one that means something.
Key lastKey(const std::string& bytes);

}  // namespace corvidplay
