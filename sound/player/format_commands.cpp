// The S3M and IT forms of volume slide, porta and fine vibrato, and IT's
// tempo slide, global volume slide and retrigger: one argument carries both
// the slide and its fine variants, and 0 repeats the last argument. Porta up
// and down share that memory.

#include <algorithm>
#include <array>

#include "sound/player/engine.h"

namespace corvid::player {

namespace {

// The argument, or the remembered one when it is 0. `slot` is the command
// whose memory holds it.
uint8_t rememberedArgument(ChannelState& c, Command slot)
{
    if (c.argument != 0)
        c.commandMemory[indexOf(slot)] = c.argument;
    return c.commandMemory[indexOf(slot)];
}

enum class SlideKind { none, everyTick, once };

struct Slide {
    SlideKind kind = SlideKind::none;
    int32_t amount = 0;  // signed for volume: + up, - down
};

Slide volumeSlideOf(uint8_t argument)
{
    const int32_t up = argument >> 4, down = argument & 15;
    if (up == 0xF && down != 0)
        return {SlideKind::once, -down};
    if (down == 0xF && up != 0)
        return {SlideKind::once, up};
    if (down != 0)
        return {SlideKind::everyTick, -down};
    if (up != 0)
        return {SlideKind::everyTick, up};
    return {};
}

// Period change of a porta argument: positive = towards higher periods.
Slide portaOf(const PlayerInstance& p, uint8_t argument)
{
    const int32_t high = argument >> 4, low = argument & 15;
    if (high == 0xF)
        return {SlideKind::once, low << p.periodShift};
    if (high == 0xE)
        return {SlideKind::once, low};
    return {SlideKind::everyTick, argument << p.periodShift};
}

// The fine forms act on a row's first tick, the others on every later one:
// one handler serves both tables.
SlideKind slideOfThisTick(const PlayerInstance& p) { return p.tick == 0 ? SlideKind::once : SlideKind::everyTick; }

ErrorCode portaWithFine(PlayerInstance& p, ChannelState& c, int32_t direction)
{
    const Slide slide = portaOf(p, rememberedArgument(c, Command::portaDownWithFine));
    if (slide.kind == slideOfThisTick(p))
        setPeriod(p, c, c.period + direction * slide.amount);
    return ErrorCode::ok;
}

}  // namespace

ErrorCode portaDownWithFine(PlayerInstance& p, ChannelState& c) { return portaWithFine(p, c, 1); }
ErrorCode portaUpWithFine(PlayerInstance& p, ChannelState& c) { return portaWithFine(p, c, -1); }

ErrorCode volumeSlideWithFine(PlayerInstance& p, ChannelState& c)
{
    const Slide slide = volumeSlideOf(rememberedArgument(c, Command::volumeSlideWithFine));
    if (slide.kind == slideOfThisTick(p))
        setVolume(p, c, c.volume + slide.amount);
    return ErrorCode::ok;
}

ErrorCode channelVolumeSlide(PlayerInstance& p, ChannelState& c)
{
    const Slide slide = volumeSlideOf(rememberedArgument(c, Command::channelVolumeSlide));
    if (slide.kind == slideOfThisTick(p))
        c.songChannelVolume = static_cast<uint8_t>(std::clamp(c.songChannelVolume + slide.amount, 0, 64));
    return ErrorCode::ok;
}

// Pxy reads as Dxy with left for up: P0x right, Px0 left, PFx and PxF once.
// A step of the 0..64 scale is 4 of the channel's.
ErrorCode panningSlideWithFine(PlayerInstance& p, ChannelState& c)
{
    const Slide slide = volumeSlideOf(rememberedArgument(c, Command::panningSlideWithFine));
    if (slide.kind == slideOfThisTick(p))
        setPanning(c, c.panning - 4 * slide.amount);
    return ErrorCode::ok;
}

void volumeColumnPitchSlide(PlayerInstance& p, ChannelState& c, uint8_t x, int32_t direction)
{
    uint8_t& memory = c.commandMemory[indexOf(Command::portaDownWithFine)];
    if (p.tick == 0) {
        if (x != 0)
            memory = static_cast<uint8_t>(x * 4);
        return;
    }
    const Slide slide = portaOf(p, memory);
    if (slide.kind == SlideKind::everyTick)
        setPeriod(p, c, c.period + direction * slide.amount);
}

ErrorCode fineVibratoTick(PlayerInstance& p, ChannelState& c)
{
    if (c.argument >> 4)
        c.vibratoSpeed = c.argument >> 4;
    if (c.argument & 15)
        c.vibratoDepth = c.argument & 15;
    vibrato(p, c, 2);
    return ErrorCode::ok;
}

ErrorCode globalVolumeSlideWithFine(PlayerInstance& p, ChannelState& c)
{
    const Slide slide = volumeSlideOf(rememberedArgument(c, Command::globalVolumeSlideWithFine));
    if (slide.kind == slideOfThisTick(p))
        setGlobalVolume(p, p.globalVolume + slide.amount);
    return ErrorCode::ok;
}

int32_t retriggerVolume(int32_t volume, uint8_t x, RetriggerScale scale)
{
    constexpr std::array<int32_t, 16> added = {0, -1, -2, -4, -8, -16, 0, 0, 0, 1, 2, 4, 8, 16, 0, 0};
    const bool sixteenths = scale == RetriggerScale::sixteenths;
    switch (x & 15) {
    case 6: return sixteenths ? volume * 10 / 16 : volume * 2 / 3;
    case 7: return volume / 2;
    case 14: return sixteenths ? volume * 24 / 16 : volume * 3 / 2;
    case 15: return volume * 2;
    default: return volume + added[x & 15];
    }
}

// The note a row starts is the count's first trigger; without one the count
// goes on from the rows before.
ErrorCode retriggerWithVolume(PlayerInstance& p, ChannelState& c)
{
    const uint8_t argument = rememberedArgument(c, Command::retriggerWithVolume);
    if (p.tick == 0 && (c.rowFlags & rowNewNote)) {
        c.retriggerCounter = 0;
        return ErrorCode::ok;
    }
    if (++c.retriggerCounter < std::max(argument & 15, 1))
        return ErrorCode::ok;
    c.retriggerCounter = 0;
    setVolume(p, c, retriggerVolume(c.volume, static_cast<uint8_t>(argument >> 4), RetriggerScale::itFractions));
    return setSampleOffset(p, c);
}

ErrorCode tempoSlideTick(PlayerInstance& p, ChannelState& c)
{
    const uint8_t argument = rememberedArgument(c, Command::tempoSlide);
    const int32_t step = (argument >> 4) == 1 ? (argument & 15) : -(argument & 15);
    return changeTempo(p, static_cast<uint32_t>(std::clamp(static_cast<int32_t>(p.tempo) + step, 32, 255)));
}

}  // namespace corvid::player
