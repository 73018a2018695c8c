#pragma once
// The show's start-up configuration and the values start-up sets for the rest
// of the program to read.

#include <cstdint>

namespace host {

// Fields in the order the framework keeps them.
struct DemoConfig {
    std::uint8_t frameFormat = 1;  // 1: 320 × 200 pixels of 32 bits, the only format
    std::uint8_t screenMode = 7;   // index 2..16 of the screen-mode table; 7 = 320 × 240 × 32
    std::int32_t interlaced = 0;   // 1 when the chosen mode's name ends in " interlaced"
    char musicFile[80] = "qorv.xm";
    char dataFile[80] = "qorv.dat";
    std::uint8_t loopMusic = 1;    // passed on when the music starts playing
};

inline constexpr const char* showTitle = "'Solvane' by Orvane Tessik";

// What the processor and the viewer decided about the MMX paths. Scenes pick
// their 64-bit copy paths by useMmx; the results are identical either way.
struct MmxChoice {
    bool mmxAvailable = false;
    bool useMmx = false;
};

}  // namespace host
