#include "display/screen_modes.h"

#include <array>
#include <cstdio>

namespace display {

namespace {

constexpr std::array<ScreenMode, 15> screenModes = {{
    {2, 320, 200, 16},  {3, 320, 200, 24},  {4, 320, 200, 32},  {5, 320, 240, 16},  {6, 320, 240, 24},
    {7, 320, 240, 32},  {8, 512, 384, 16},  {9, 512, 384, 24},  {10, 512, 384, 32}, {11, 640, 400, 16},
    {12, 640, 400, 24}, {13, 640, 400, 32}, {14, 640, 480, 16}, {15, 640, 480, 24}, {16, 640, 480, 32},
}};

constexpr std::string_view interlacedSuffix = " interlaced";

}  // namespace

std::optional<ScreenMode> screenModeByIndex(int index)
{
    if (index < firstScreenMode || index > lastScreenMode)
        return std::nullopt;
    return screenModes[static_cast<std::size_t>(index - firstScreenMode)];
}

void decodeScreenMode(int index, int& width, int& height, int& bits)
{
    if (const auto mode = screenModeByIndex(index)) {
        width = mode->width;
        height = mode->height;
        bits = mode->bits;
    }
}

std::string screenModeName(int width, int height, int bits)
{
    char name[40];
    std::snprintf(name, sizeof name, "%dx%dx%d", width, height, bits);
    return name;
}

std::vector<std::string> allScreenModeNames()
{
    std::vector<std::string> names;
    for (const auto& mode : screenModes) {
        names.push_back(screenModeName(mode.width, mode.height, mode.bits));
        if (mode.width == 640)
            names.push_back(names.back() + std::string(interlacedSuffix));
    }
    return names;
}

std::optional<ModeChoice> modeChoiceByName(std::string_view name)
{
    bool interlaced = false;
    if (name.size() > interlacedSuffix.size() && name.substr(name.size() - interlacedSuffix.size()) == interlacedSuffix) {
        interlaced = true;
        name.remove_suffix(interlacedSuffix.size());
    }
    for (const auto& mode : screenModes) {
        if (name == screenModeName(mode.width, mode.height, mode.bits) && (!interlaced || mode.width == 640))
            return ModeChoice{mode.index, interlaced};
    }
    return std::nullopt;
}

}  // namespace display
