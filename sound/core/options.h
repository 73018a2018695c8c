#pragma once
// The library's numbered options (signed 32-bit values). Callers set them
// between start-up and opening the device; the device open, the mixer and the
// loaders read them.

#include <array>
#include <cstdint>

namespace corvid {

enum class Option : int32_t {
    mixingRate = 1,            // Hz
    outputMode = 2,            // bits 1 mono, 2 stereo, 4 8-bit, 8 16-bit; 0 = the device's default
    bufferLength = 3,          // milliseconds
    reserved = 4,              // stored and returned only
    directSoundUsage = 5,
    directSoundWindow = 6,
    directSoundObject = 7,
    directSoundBufferLength = 8,  // milliseconds
    muLawSamples = 9,          // 16-bit samples become mu-law in integer mixing
    outputFilter = 10,         // 0 none, 1 and 2 low-pass, 3 automatic
    mixingMode = 11,           // 1 interpolating, 0 normal
    stereoSeparation = 12,     // for modules without stored panning
    forceSilence = 13,         // non-zero: the silent device is used
};

inline constexpr int32_t firstOption = 1;
inline constexpr int32_t lastOption = 13;

class OptionValues {
public:
    OptionValues() { reset(); }

    // Every option back to its default.
    void reset();

    // Unknown numbers change nothing; the mixing mode keeps only 1 or 0.
    void set(int32_t number, int32_t value);

    // 0 for an unknown number.
    int32_t get(int32_t number) const;
    int32_t get(Option option) const { return get(static_cast<int32_t>(option)); }

private:
    std::array<int32_t, lastOption + 1> values_{};  // index 0 unused
};

}  // namespace corvid
