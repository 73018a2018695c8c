#pragma once
// Renders one pass of a song through a song object, one player tick at a
// time, telling the caller each block of sound and each row start.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "sound/core/error_code.h"
#include "sound/loaders/module.h"

namespace corvidplay {

struct RenderSettings {
    uint32_t mixingRate = 44100;
    uint32_t familyBits = 0;         // mixer format bits: 0x20 float, 0x40 integer, 0x80 linear, 0x100 sinc
    double maximumSeconds = 3600;    // a song that never wraps stops here
    int soloChannel = -1;            // when set, every other channel is muted
};

// One row start: seconds of mixed sound before its first frame.
struct RowStart {
    double seconds = 0;
    uint32_t position = 0;
    uint32_t row = 0;
    uint32_t pattern = 0;
};

// Called with each block of interleaved stereo 16-bit frames, and at each
// change of position or row.
using AudioSink = std::function<void(std::span<const int16_t> frames)>;
using RowSink = std::function<void(const RowStart& row)>;

struct RenderResult {
    uint64_t frames = 0;
    bool wrapped = false;  // false when the time limit stopped the song
};

// Loads the module file (XM, S3M, IT or MOD) and plays the song once.
corvid::ErrorCode renderSong(const std::string& fileName, const RenderSettings& settings, const AudioSink& audio,
                             const RowSink& rows, RenderResult& result);

}  // namespace corvidplay
