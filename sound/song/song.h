#pragma once
// A song object: one module with a mixer and a player of its own, rendered
// into the caller's buffer tick by tick the way an output device mixes: mix
// up to the next player tick, reload the count from the tempo, run the tick.
// The tick due at the end of a render runs before render returns, so the
// position always shows the row that the next frame belongs to.
// No library-wide state is read or written, so songs on different threads
// are independent.
//
// One pass ends where the row after the pass's last row would start: the
// player counts a wrap (end of the order list, a jump back, F00) while the
// last row starts, and the next fresh row belongs to the next pass.
//
// Open runs the first pass once without making sound (the mixer moves every
// channel as a mix would, see Mixer::mix): that gives the duration, the
// frame at which each row first starts, and snapshots of the player and the
// mixer's channels every few seconds. A seek puts back the last snapshot
// before it and runs on silently to two frames short of the target, then
// mixes those two for the output filter's history: from there on the samples
// are exactly those of a render from the start.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "sound/core/error_code.h"
#include "sound/core/sound_device.h"
#include "sound/loaders/module.h"
#include "sound/mixer/mixer.h"
#include "sound/player/player.h"

namespace corvid {

enum class SongMixing : uint32_t { floatingPoint, integer, linear, sinc };

struct SongSettings {
    uint32_t mixingRate = 44100;
    SongMixing mixing = SongMixing::floatingPoint;
    uint32_t separationPercent = 100;     // of the song's own stereo width; 0 = mono
    uint32_t amplificationPercent = 100;  // of the mixer's own level for the channel count
    int32_t repeat = 0;                   // more passes after the first; -1 forever
};

inline constexpr uint32_t minimumSongRate = 8000, maximumSongRate = 96000;

struct SongPosition {
    uint32_t order = 0;
    uint32_t pattern = 0;
    uint32_t row = 0;
    uint32_t tick = 0;
    uint64_t frame = 0;
};

class Song {
public:
    // Loads `bytes` (XM, MOD, S3M or IT) and stands at the start.
    static ErrorCode open(std::span<const uint8_t> bytes, const SongSettings& settings, std::unique_ptr<Song>& song);
    ~Song();
    Song(const Song&) = delete;
    Song& operator=(const Song&) = delete;

    // Interleaved stereo; returns the frames written, 0 once the song has ended.
    size_t render(int16_t* destination, size_t frames);

    // Frames of one pass, found by running the player alone (no mixing).
    uint64_t durationFrames() const { return durationFrames_; }
    // Stands at `frame` as a render from the start would; past the end the
    // song stands ended.
    ErrorCode seekFrame(uint64_t frame);
    // The frame at which the first pass starts `row` of order entry `order`.
    ErrorCode frameOfRow(uint32_t order, uint32_t row, uint64_t& frame) const;

    SongPosition position() const;
    bool ended() const { return ended_; }
    uint32_t framesUntilTick() const { return samplesUntilTick_; }
    const Module& module() const { return *module_; }
    const SongSettings& settings() const { return settings_; }
    const player::ChannelState& playerChannel(uint32_t channel) const { return instance_->channels[channel]; }
    // The channel's panning on the 0..255 scale, whatever the module's type.
    int32_t channelPanning(uint32_t channel) const;
    const MixChannel& mixerChannel(uint32_t channel) const { return mixer_.channelRecord(channel); }
    ErrorCode mute(uint32_t channel, bool muted);

    // The snapshots kept (for the memory benchmark and tests).
    size_t snapshotCount() const { return snapshots_.size(); }

private:
    // Everything that a render changes, at a tick boundary.
    struct Snapshot {
        uint64_t frame = 0;
        uint32_t samplesUntilTick = 0;
        uint32_t playerTempo = 0;
        player::PlayerInstance player;
        std::vector<MixChannel> channels;
    };
    struct RowStart {
        uint32_t order = 0;
        uint32_t row = 0;
        uint64_t frame = 0;
    };

    Song() = default;
    ErrorCode start();
    // Runs the first pass silently: duration, row starts, snapshots.
    void scanFirstPass();
    void restore(const Snapshot& snapshot);
    // Mixes `frames` frames into `destination`, or moves on without sound
    // when it is null; `repeat` passes after the first belong to the song.
    size_t play(int16_t* destination, size_t frames, int32_t repeat);
    // The player tick due now; ends the song when it starts a row past the
    // passes allowed. Returns whether the tick started a fresh row.
    bool runDueTick(int32_t repeat);
    ErrorCode applySeparation(int16_t* frames, size_t count) const;

    SongSettings settings_;
    std::unique_ptr<Module> module_;
    Mixer mixer_;
    SoundDevice device_;
    player::PlayerSubsystem players_;
    player::PlayerInstance* instance_ = nullptr;
    uint32_t samplesUntilTick_ = 0;
    uint64_t frame_ = 0;
    bool ended_ = false;
    bool rowStartedByTick_ = false;  // the last tick started a fresh row
    uint64_t durationFrames_ = 0;
    std::vector<bool> muted_;
    std::vector<Snapshot> snapshots_;  // in frame order, the first at frame 0
    std::vector<RowStart> rowStarts_;  // the first start of each row of the first pass
};

}  // namespace corvid
