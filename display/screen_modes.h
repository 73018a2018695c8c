#pragma once
// The screen modes the show can run in, indexed 2..16 as the configuration
// stores them, and the names the mode list shows.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace display {

struct ScreenMode {
    int index;
    int width;
    int height;
    int bits;
};

constexpr int firstScreenMode = 2;
constexpr int lastScreenMode = 16;
constexpr int defaultScreenMode = 7;  // 320 × 240, 32 bits

// The mode of an index in 2..16; nothing for any other index.
std::optional<ScreenMode> screenModeByIndex(int index);

// Writes the mode's size into width, height and bits; an index outside 2..16
// leaves them unchanged.
void decodeScreenMode(int index, int& width, int& height, int& bits);

// "%dx%dx%d", e.g. "320x240x32".
std::string screenModeName(int width, int height, int bits);

struct ModeChoice {
    int screenMode;
    bool interlaced;
};

// The 21 names a viewer can choose: each mode's name, and for the 640-wide
// modes also the name followed by " interlaced".
std::vector<std::string> allScreenModeNames();
std::optional<ModeChoice> modeChoiceByName(std::string_view name);

}  // namespace display
