#include "sound/song/song.h"

#include <algorithm>
#include <array>
#include <limits>
#include <numeric>
#include <unordered_set>

#include "platform/cpu.h"
#include "sound/devices/device_common.h"
#include "sound/loaders/module_loader.h"
#include "sound/mixer/mixer_device.h"
#include "sound/player/engine.h"

namespace corvid {

namespace {

// A song that never ends a pass (a loop the player cannot leave) is cut here.
constexpr uint64_t longestPassSeconds = 24 * 3600;

// Snapshots: one every few seconds of the first pass, at most this many (a
// longer pass keeps every other one and takes them half as often).
constexpr uint32_t snapshotSeconds = 2;
constexpr size_t mostSnapshots = 512;
// The frames a seek mixes before its target: the output filter's history.
constexpr uint64_t filterHistoryFrames = 2;

uint32_t mixerFormatOf(SongMixing mixing)
{
    const uint32_t output = mixOutput16Bit | mixStereo;
    switch (mixing) {
    case SongMixing::integer: return output | mixInteger;
    case SongMixing::linear: return output | mixInterpolating;
    case SongMixing::sinc: return output | mixSinc;
    case SongMixing::floatingPoint: break;
    }
    return output | mixFloat;
}

// Starts the whole song on channels 0..n-1 (its background notes on those
// after), looping: the song decides itself where its passes end.
ErrorCode startPlayer(player::PlayerSubsystem& players, const SoundDevice& device, const Module& module,
                      player::PlayerInstance*& instance)
{
    if (ErrorCode e = player::playerInit(players, &device); e != ErrorCode::ok)
        return e;
    std::vector<uint8_t> channels(module.channelCount + player::backgroundVoiceCount(module));
    std::iota(channels.begin(), channels.end(), 0);
    return player::playSong(players, module, -1, 0, 0, true, module.channelCount, channels, instance);
}

struct TickOutcome {
    bool rowStarted = false;  // the tick read a fresh row (not a pattern-delay repeat)
    bool songEnded = false;   // that row is the first after the allowed passes: not part of the song
};

uint32_t framesUntilNextTick(uint32_t mixingRate, const player::PlayerInstance& p)
{
    return samplesPerTickFor(mixingRate, p.tempo * 40);
}

// One player tick; `repeat` passes after the first belong to the song (-1: all).
// Gives the frames of the tick it starts: as an output device does, the count
// is reloaded before the tick, so a tempo change counts from the tick after
// the one that makes it, except in modules whose tempo times its own row.
ErrorCode tickPlayer(player::PlayerSubsystem& players, const player::PlayerInstance& p, int32_t repeat,
                     uint32_t mixingRate, TickOutcome& outcome, uint32_t& framesOfTick)
{
    outcome.rowStarted = p.tick + 1 >= p.speed && p.patternDelay == 0;
    const uint32_t wrapsBefore = p.songLoopCount;
    framesOfTick = framesUntilNextTick(mixingRate, p);
    const ErrorCode error = player::playerTick(players);
    if (p.module->flags & moduleTempoTimesItsRow)
        framesOfTick = framesUntilNextTick(mixingRate, p);
    outcome.songEnded = outcome.rowStarted && repeat >= 0 && wrapsBefore > static_cast<uint32_t>(repeat);
    return error;
}

}  // namespace

ErrorCode Song::open(std::span<const uint8_t> bytes, const SongSettings& settings, std::unique_ptr<Song>& song)
{
    if (settings.mixingRate < minimumSongRate || settings.mixingRate > maximumSongRate || settings.repeat < -1)
        return ErrorCode::invalidArguments;
    std::unique_ptr<Song> made(new Song);
    made->settings_ = settings;
    made->device_.context = &made->mixer_;
    installMixerOperations(made->device_.operations);
    made->device_.operations.setUpdateRate = [](void*, uint32_t) { return ErrorCode::ok; };
    if (ErrorCode e = made->mixer_.open(settings.mixingRate, mixerFormatOf(settings.mixing), platform::CpuInfo{},
                                        MixerSettings{});
        e != ErrorCode::ok)
        return e;
    if (ErrorCode e = loadModule(bytes, true, nullptr, &made->device_, made->module_); e != ErrorCode::ok)
        return e;
    if (made->module_->channelCount == 0 || made->module_->songLength() == 0)
        return ErrorCode::invalidModule;
    made->muted_.assign(made->module_->channelCount, false);
    if (ErrorCode e = made->start(); e != ErrorCode::ok)
        return e;
    made->scanFirstPass();
    made->restore(made->snapshots_.front());
    song = std::move(made);
    return ErrorCode::ok;
}

Song::~Song()
{
    player::playerClose(players_);
    freeModule(module_, &device_);
}

// Everything back to the state right after open: fresh mixer channels and
// output filter, the player at the first row.
ErrorCode Song::start()
{
    const uint32_t channels = module_->channelCount;
    if (ErrorCode e = mixer_.openChannels(channels, player::backgroundVoiceCount(*module_)); e != ErrorCode::ok)
        return e;
    const uint64_t amplification = uint64_t{mixer_.amplification()} * settings_.amplificationPercent / 100;
    if (ErrorCode e = mixer_.setAmplification(static_cast<uint32_t>(std::min<uint64_t>(amplification, maximumAmplification)));
        e != ErrorCode::ok)
        return e;
    mixer_.restartOutput();
    for (uint32_t channel = 0; channel < channels; ++channel)
        if (ErrorCode e = mixer_.muteChannel(channel, muted_[channel]); e != ErrorCode::ok)
            return e;
    player::playerClose(players_);
    if (ErrorCode e = startPlayer(players_, device_, *module_, instance_); e != ErrorCode::ok)
        return e;
    samplesUntilTick_ = framesUntilNextTick(settings_.mixingRate, *instance_);
    frame_ = 0;
    ended_ = samplesUntilTick_ == 0;
    return ErrorCode::ok;
}

void Song::scanFirstPass()
{
    const uint64_t limit = longestPassSeconds * settings_.mixingRate;
    uint64_t interval = uint64_t{snapshotSeconds} * settings_.mixingRate;
    std::unordered_set<uint32_t> rowsSeen;
    snapshots_.clear();
    rowStarts_.clear();
    const auto takeSnapshot = [this] {
        snapshots_.push_back({frame_, samplesUntilTick_, players_.tempo, *instance_, mixer_.channelRecords()});
    };
    takeSnapshot();
    while (!ended_ && frame_ < limit) {
        // To the next tick, and through it.
        play(nullptr, samplesUntilTick_, 0);
        if (ended_)
            break;
        const player::StatusBlock& at = instance_->status;
        if (rowStartedByTick_ && rowsSeen.insert(at.position << 16 | at.row).second)
            rowStarts_.push_back({at.position, at.row, frame_});
        if (frame_ < snapshots_.back().frame + interval)
            continue;
        if (snapshots_.size() == mostSnapshots) {
            for (size_t i = 1; i < mostSnapshots / 2; ++i)
                snapshots_[i] = std::move(snapshots_[2 * i]);
            snapshots_.resize(mostSnapshots / 2);
            interval *= 2;
        }
        takeSnapshot();
    }
    durationFrames_ = frame_;
}

void Song::restore(const Snapshot& snapshot)
{
    *instance_ = snapshot.player;
    players_.tempo = snapshot.playerTempo;
    mixer_.restoreChannels(snapshot.channels);
    samplesUntilTick_ = snapshot.samplesUntilTick;
    frame_ = snapshot.frame;
    ended_ = samplesUntilTick_ == 0;
}

size_t Song::render(int16_t* destination, size_t frames) { return play(destination, frames, settings_.repeat); }

size_t Song::play(int16_t* destination, size_t frames, int32_t repeat)
{
    size_t done = 0;
    while (done < frames && !ended_) {
        const auto chunk = static_cast<uint32_t>(std::min<size_t>(frames - done, samplesUntilTick_));
        int16_t* out = destination ? destination + 2 * done : nullptr;
        if (mixer_.mix(chunk, out) != ErrorCode::ok) {
            ended_ = true;
            break;
        }
        if (out)
            applySeparation(out, chunk);
        done += chunk;
        samplesUntilTick_ -= chunk;
        frame_ += chunk;
        if (samplesUntilTick_ == 0)
            rowStartedByTick_ = runDueTick(repeat);
    }
    return done;
}

bool Song::runDueTick(int32_t repeat)
{
    TickOutcome outcome;
    if (tickPlayer(players_, *instance_, repeat, settings_.mixingRate, outcome, samplesUntilTick_) != ErrorCode::ok ||
        outcome.songEnded) {
        ended_ = true;
        return false;
    }
    ended_ = samplesUntilTick_ == 0;
    return outcome.rowStarted;
}

// Scales the difference of the two sides: 100 % leaves the mix alone, 0 %
// gives both sides their mean.
ErrorCode Song::applySeparation(int16_t* frames, size_t count) const
{
    const int32_t percent = static_cast<int32_t>(settings_.separationPercent);
    if (percent == 100)
        return ErrorCode::ok;
    for (size_t i = 0; i < count; ++i) {
        const int32_t left = frames[2 * i], right = frames[2 * i + 1];
        const int32_t sum = left + right;
        const int32_t difference = (left - right) * percent / 100;
        frames[2 * i] = static_cast<int16_t>(std::clamp((sum + difference) / 2, -32768, 32767));
        frames[2 * i + 1] = static_cast<int16_t>(std::clamp((sum - difference) / 2, -32768, 32767));
    }
    return ErrorCode::ok;
}

ErrorCode Song::seekFrame(uint64_t frame)
{
    if (frame > longestPassSeconds * settings_.mixingRate && settings_.repeat == -1)
        return ErrorCode::invalidArguments;
    // The last snapshot from which the two frames before the target are
    // still to be mixed; from here instead when that is nearer.
    const uint64_t silentEnd = frame - std::min(frame, filterHistoryFrames);
    const auto after = std::upper_bound(snapshots_.begin(), snapshots_.end(), silentEnd,
                                        [](uint64_t at, const Snapshot& s) { return at < s.frame; });
    const Snapshot& nearest = *std::prev(after);
    if (frame < frame_ || nearest.frame > frame_ || ended_)
        restore(nearest);
    if (frame_ < silentEnd)
        play(nullptr, static_cast<size_t>(silentEnd - frame_), settings_.repeat);
    std::array<int16_t, 2 * filterHistoryFrames> scratch{};
    if (frame_ < frame)
        play(scratch.data(), static_cast<size_t>(std::min(frame - frame_, filterHistoryFrames)), settings_.repeat);
    return ErrorCode::ok;
}

ErrorCode Song::frameOfRow(uint32_t order, uint32_t row, uint64_t& frame) const
{
    if (order >= module_->songLength())
        return ErrorCode::invalidArguments;
    for (const RowStart& start : rowStarts_)
        if (start.order == order && start.row == row) {
            frame = start.frame;
            return ErrorCode::ok;
        }
    return ErrorCode::invalidArguments;
}

int32_t Song::channelPanning(uint32_t channel) const
{
    return player::fullScalePanningOf(*instance_, instance_->channels[channel].panning);
}

SongPosition Song::position() const
{
    const player::PlayerInstance& p = *instance_;
    return {p.status.position, p.status.pattern, p.status.row, p.tick, frame_};
}

ErrorCode Song::mute(uint32_t channel, bool muted)
{
    if (channel >= muted_.size())
        return ErrorCode::invalidChannel;
    muted_[channel] = muted;
    return mixer_.muteChannel(channel, muted);
}

}  // namespace corvid
