#include "sound/song/song.h"

#include <algorithm>
#include <limits>
#include <numeric>

#include "platform/cpu.h"
#include "sound/devices/device_common.h"
#include "sound/loaders/module_loader.h"
#include "sound/mixer/mixer_device.h"

namespace corvid {

namespace {

// A song that never ends a pass (a loop the player cannot leave) is cut here.
constexpr uint64_t longestPassSeconds = 24 * 3600;

// Where the player's channel operations go when only its timing is wanted.
const SoundDevice& timingDevice()
{
    static const SoundDevice device = [] {
        SoundDevice made;
        SoundDeviceOperations& ops = made.operations;
        ops.setUpdateRate = [](void*, uint32_t) { return ErrorCode::ok; };
        ops.setSample = [](void*, uint32_t, uint32_t) { return ErrorCode::ok; };
        ops.playSound = [](void*, uint32_t, uint32_t) { return ErrorCode::ok; };
        ops.setPosition = [](void*, uint32_t, uint32_t) { return ErrorCode::ok; };
        ops.setRate = [](void*, uint32_t, uint32_t) { return ErrorCode::ok; };
        ops.setVolume = [](void*, uint32_t, uint32_t) { return ErrorCode::ok; };
        ops.setPanning = [](void*, uint32_t, int32_t) { return ErrorCode::ok; };
        ops.stopSound = [](void*, uint32_t) { return ErrorCode::ok; };
        return made;
    }();
    return device;
}

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

// Starts the whole song on channels 0..n-1, looping: the song decides
// itself where its passes end.
ErrorCode startPlayer(player::PlayerSubsystem& players, const SoundDevice& device, const Module& module,
                      player::PlayerInstance*& instance)
{
    if (ErrorCode e = player::playerInit(players, &device); e != ErrorCode::ok)
        return e;
    std::vector<uint8_t> channels(module.channelCount);
    std::iota(channels.begin(), channels.end(), 0);
    return player::playSong(players, module, -1, 0, 0, true, module.channelCount, channels, instance);
}

struct TickOutcome {
    bool rowStarted = false;  // the tick read a fresh row (not a pattern-delay repeat)
    bool songEnded = false;   // that row is the first after the allowed passes: not part of the song
};

// One player tick; `repeat` passes after the first belong to the song (-1: all).
ErrorCode tickPlayer(player::PlayerSubsystem& players, const player::PlayerInstance& p, int32_t repeat,
                     TickOutcome& outcome)
{
    outcome.rowStarted = p.tick + 1 >= p.speed && p.patternDelay == 0;
    const uint32_t wrapsBefore = p.songLoopCount;
    const ErrorCode error = player::playerTick(players);
    outcome.songEnded = outcome.rowStarted && repeat >= 0 && wrapsBefore > static_cast<uint32_t>(repeat);
    return error;
}

uint32_t framesUntilNextTick(uint32_t mixingRate, const player::PlayerInstance& p)
{
    return samplesPerTickFor(mixingRate, p.tempo * 40);
}

// Runs the player alone from the start through one pass; `visit` (frames
// before the tick, instance, whether a fresh row started) returns true to stop.
// Returns the frames of the pass, or of the part run before `visit` stopped it.
template <typename Visit>
ErrorCode scanPass(const Module& module, uint32_t mixingRate, uint64_t& frames, Visit visit)
{
    player::PlayerSubsystem players;
    player::PlayerInstance* p = nullptr;
    frames = 0;
    if (ErrorCode e = startPlayer(players, timingDevice(), module, p); e != ErrorCode::ok)
        return e;
    const uint64_t limit = longestPassSeconds * mixingRate;
    ErrorCode error = ErrorCode::ok;
    for (uint32_t untilTick = framesUntilNextTick(mixingRate, *p); untilTick != 0 && frames < limit;) {
        frames += untilTick;
        untilTick = framesUntilNextTick(mixingRate, *p);
        TickOutcome outcome;
        if ((error = tickPlayer(players, *p, 0, outcome)) != ErrorCode::ok || outcome.songEnded)
            break;
        if (visit(frames, *p, outcome.rowStarted))
            break;
    }
    player::playerClose(players);
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
    if (ErrorCode e = scanPass(*made->module_, settings.mixingRate, made->durationFrames_,
                               [](uint64_t, const player::PlayerInstance&, bool) { return false; });
        e != ErrorCode::ok)
        return e;
    if (ErrorCode e = made->start(); e != ErrorCode::ok)
        return e;
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
    if (ErrorCode e = mixer_.openChannels(channels); e != ErrorCode::ok)
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

size_t Song::render(int16_t* destination, size_t frames)
{
    size_t done = 0;
    while (done < frames && !ended_) {
        const auto chunk = static_cast<uint32_t>(std::min<size_t>(frames - done, samplesUntilTick_));
        int16_t* out = destination + 2 * done;
        if (mixer_.mix(chunk, out) != ErrorCode::ok) {
            ended_ = true;
            break;
        }
        applySeparation(out, chunk);
        done += chunk;
        samplesUntilTick_ -= chunk;
        frame_ += chunk;
        if (samplesUntilTick_ == 0)
            runDueTick();
    }
    return done;
}

void Song::runDueTick()
{
    // As an output device does, the count is reloaded before the tick: a
    // tempo change takes effect from the tick after the one that makes it.
    samplesUntilTick_ = framesUntilNextTick(settings_.mixingRate, *instance_);
    TickOutcome outcome;
    if (tickPlayer(players_, *instance_, settings_.repeat, outcome) != ErrorCode::ok || outcome.songEnded) {
        ended_ = true;
        return;
    }
    ended_ = samplesUntilTick_ == 0;
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
    if (frame < frame_)
        if (ErrorCode e = start(); e != ErrorCode::ok)
            return e;
    // Mixed in the player's own steps, so that the sound state is exactly
    // that of a render from the start.
    std::vector<int16_t> scratch(size_t{mixer_.mixBufferFrames()} * 2);
    const size_t block = mixer_.mixBufferFrames();
    while (frame_ < frame && !ended_) {
        const size_t wanted = static_cast<size_t>(std::min<uint64_t>(frame - frame_, block));
        if (render(scratch.data(), wanted) == 0)
            break;
    }
    return ErrorCode::ok;
}

ErrorCode Song::frameOfRow(uint32_t order, uint32_t row, uint64_t& frame) const
{
    if (order >= module_->songLength())
        return ErrorCode::invalidArguments;
    bool found = false;
    uint64_t scanned = 0;
    const auto startsTheRow = [&](uint64_t framesBefore, const player::PlayerInstance& p, bool rowStarted) {
        found = rowStarted && p.status.position == order && p.status.row == row;
        if (found)
            frame = framesBefore;
        return found;
    };
    if (ErrorCode e = scanPass(*module_, settings_.mixingRate, scanned, startsTheRow); e != ErrorCode::ok)
        return e;
    return found ? ErrorCode::ok : ErrorCode::invalidArguments;
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
